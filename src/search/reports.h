// What the search writes: the result file (best barrier per generation), the log file (the
// problem and the best pathway of each generation), the optional generation files
// (outdir/generation/gen_ini, gen_0, ...) and the progress lines on standard output.
// Energies are printed in kcal/mol.
#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "energy/barrier.h"
#include "model/chain.h"
#include "model/problem.h"

// The two files every run writes; throws FatalError when either cannot be opened.
struct RunFiles {
    std::ofstream result;
    std::ofstream log;
    std::string gendir;  // outdir/generation/, written only with SAVEGENE
};
void open_run_files(RunFiles& files, const std::string& outfile, const std::string& logfile, const std::string& outdir);

// The current local time as asctime prints it (with its newline).
std::string now_asctime();

// The problem, before and after the shared helices were trimmed away.
void write_problem(std::ostream& log, const RPath& p, const std::string& tseq, const std::string& tA,
                   const std::string& tB);

// "[i/n-1]": the tag of individual i of n.
std::string individual_tag(int i, std::size_t n);

// Makes outdir/generation/ when missing and writes gen_ini, one path report per initial chain
// (`image`: the chains in full coordinates).
void save_initial_population(const std::string& gendir, const std::string& seq, const std::string& A,
                             const std::vector<ActionChain>& image, EnergyCache& cache, const std::string& cmd);

// Opens outdir/generation/gen_g and says so on standard output.
void open_generation_file(std::ofstream& gen, const std::string& gendir, int g, std::size_t popsize);

// The offspring of individual i of n, one listing and path report each.
void save_offspring(std::ofstream& gen, int i, std::size_t n, const std::string& seq, const std::string& A,
                    const std::vector<ActionChain>& image, EnergyCache& cache, const std::string& cmd);

// After generation g: the top barriers and the best on standard output, the best pathway so far
// in the log, "g<TAB>best" in the result file; both files are flushed.
void report_generation(RunFiles& files, int g, const std::vector<ActionChain>& pool, double best,
                       const std::string& seq, const std::string& A, const ActionChain& bestever_image,
                       EnergyCache& cache, const std::string& cmd);

// The end of the run: the best barrier in the log, the best pathway on standard output (with
// show_chain first its moves, 0-based in the trimmed problem, as the plain search prints them), the
// finishing time in the result file.
void report_final(RunFiles& files, double best, const ActionChain& bestever, const std::string& seq,
                  const std::string& A, const ActionChain& bestever_image, EnergyCache& cache, const std::string& cmd,
                  bool show_chain = true);
