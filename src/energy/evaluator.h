// Free energies of a batch of structures of one sequence: either one run of an
// RNAeval-compatible command through two temporary files in the working directory,
// or, when the command prefix is empty, the built-in nearest-neighbour model.
#pragma once

#include <memory>
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

// The energy model of every evaluation: the dangle model and the parameter file (ViennaRNA 2.0
// format; empty: the compiled-in Turner 2004 set). The built-in model uses both; a configured
// command gets the file as "-P FILE" (its dangle option is part of the command prefix).
struct EnergyChoice {
    int dangles = 1;            // 0, 1 or 2
    std::string params_file;    // path as given
    double temperature = 37.0;  // degrees Celsius; the parameters are rescaled once, in make_energy_setting
};
// A parameter file named by path, or installed and named by file name or short name
// ("andronescu2007" for rna_andronescu2007.par): the path to open. Bare names are looked up in
// the directories added here, then in the installed and the source data folders; anything not
// found is returned as given (opening it then fails with the usual message).
std::string find_parameter_file(const std::string& name);
void add_parameter_directory(const std::string& dir);

// The choice with the built-in model's parameters for it (file read and rescaled once).
struct EnergySetting {
    EnergyChoice choice;
    std::shared_ptr<const nnmodel::ParamSet> params;  // null: the compiled-in set
};
// Reads the parameter file and rescales. Throws std::invalid_argument for dangles other than
// 0, 1, 2 and std::runtime_error for a file that cannot be opened or read.
std::shared_ptr<const EnergySetting> make_energy_setting(const EnergyChoice& choice);

// The choice in force is the calling thread's: the process-wide one, unless an EnergyScope is
// alive on the thread (a library call with settings of its own, or a worker thread continuing
// its caller's work). So two searches in two threads never share a setting.
class EnergyScope {
public:
    // The given setting (null: the process-wide one) for the thread, until destroyed.
    explicit EnergyScope(std::shared_ptr<const EnergySetting> setting);
    ~EnergyScope();
    EnergyScope(const EnergyScope&) = delete;
    EnergyScope& operator=(const EnergyScope&) = delete;

private:
    friend void set_energy_choice(const EnergyChoice& choice);
    friend const EnergySetting& current_setting();
    friend std::shared_ptr<const EnergySetting> current_energy_setting();
    std::shared_ptr<const EnergySetting> setting_;
    EnergyScope* saved_;
};
// Sets the choice in force: that of the thread's innermost EnergyScope, else the process-wide
// one. Same exceptions as make_energy_setting; the choice is kept then.
void set_energy_choice(const EnergyChoice& choice);
std::shared_ptr<const EnergySetting> current_energy_setting();
const EnergyChoice& energy_choice();
// The built-in model's parameters under the choice in force.
const nnmodel::ParamSet& energy_params();

// Energies (kcal/mol) of the structures, in list order. Draws from next_random() for the
// temporary name (exactly once in built-in mode). Throws FatalError on any failure.
std::vector<double> getVSEnergy(const std::string& seq, const std::vector<std::string>& vs,
                                const std::string& cmdprefix);

// Number of structures that getVSEnergy has evaluated in this process (for benchmarks).
long long evaluated_structures();

// Input file of the command: sequence and structure on two lines per structure.
void writeVS2file(const std::string& fname, const std::string& seq, const std::vector<std::string>& vs);

// Energies of the records of an output file, in file order. Throws FatalError when the
// file cannot be opened or a record carries no number.
std::vector<double> readEnergyfromFile(const std::string& fname);
