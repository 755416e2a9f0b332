// Free energies of a batch of structures of one sequence: either one run of an
// RNAeval-compatible command through two temporary files in the working directory,
// or, when the command prefix is empty, the built-in nearest-neighbour model.
#pragma once

#include <string>
#include <vector>
#include "nnmodel/nnmodel.h"
#include "random/random_stream.h"

// Program and arguments taken from a command prefix such as "/opt/vienna/RNAeval -d1 -T42 ":
// the options are the trailing words that start with '-', the program is everything before
// them (blanks included).
struct EvalCommand {
    std::string program;
    std::vector<std::string> args;
};
EvalCommand parseRNAevalCmd(const std::string& prefix);

// Energies (kcal/mol) of the structures, in list order. Draws from next_random() for the
// temporary name (exactly once in built-in mode). Throws FatalError on any failure.
std::vector<double> getVSEnergy(const std::string& seq, const std::vector<std::string>& vs,
                                const std::string& cmdprefix);

// Temperature (degrees Celsius) of the built-in model from now on; its parameters are
// rescaled here, once. Throws std::invalid_argument outside [-273.15, 100].
void set_builtin_temperature(double celsius);
// The built-in model's parameters at that temperature (Turner 2004 at 37 C by default).
const nnmodel::ParamSet& builtin_params();

// Number of structures that getVSEnergy has evaluated in this process (for benchmarks).
long long evaluated_structures();

// Input file of the command: sequence and structure on two lines per structure.
void writeVS2file(const std::string& fname, const std::string& seq, const std::vector<std::string>& vs);

// Energies of the records of an output file, in file order. Throws FatalError when the
// file cannot be opened or a record carries no number.
std::vector<double> readEnergyfromFile(const std::string& fname);
