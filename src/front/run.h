// Command line, input file and run set-up.
#pragma once

#include <fstream>
#include <string>

#include "front/config.h"

extern std::string infile;
extern std::string outfile;
extern std::string logfile;
extern std::string outdir;
extern std::string configfile;
extern Config cf;
extern unsigned int seed;       // seed of next_random() for this run
extern bool seed_given;         // true when -s was given
extern std::string method;      // -m: ea (default), direct, exact or auto
extern int beam_width;          // -w: beam width of direct, exact and auto; 0: adaptive (methods::default_width)
extern double budget_seconds;   // -t: time budget of exact and auto, seconds
extern long memory_mib;         // -M: memory cap of the exact search's tables, MiB
extern int threads_option;     // -j: threads of the evolutionary search (overrides THREADS); 0: not given
extern bool version_requested;  // -V or --version: print the version and stop

// Parses the options into the globals and prepares the output directory. Throws FatalError
// for -h (status 0, usage on standard output) and for unusable options or directories.
// Returns at once, with version_requested set, on -V or --version.
void init_env(int argc, char** argv);
// The option summary printed for -h and after a wrong command line.
std::string usage_text();
void print_usage();
// Reads and checks the four lines of the input file; throws FatalError on an unusable file.
void readin(std::ifstream& in, std::string& name, std::string& seq, std::string& A, std::string& B);

// What is wrong with the input, as one line ("" when it is usable). `warnings`
// receives one line per pair whose bases cannot pair. The sequence is turned to upper case.
std::string check_input(std::string& seq, const std::string& A, const std::string& B, std::string& warnings);
// The same checks one at a time, the problem named `what` ("what: ..."): the sequence (upper
// case on return; empty is wrong), and a structure of that sequence.
std::string check_sequence(std::string& seq, const std::string& what);
std::string check_structure(const std::string& seq, const std::string& s, const std::string& what,
                            std::string& warnings);

// Makes the directory and its missing parents; false with errno set on failure.
bool make_directories(const std::string& path);
