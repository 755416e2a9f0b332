// DANGLES, ENERGYPARAMS and TEMPERATURE: whole runs whose path tables carry the chosen model's
// energies, and bad values.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "nnmodel/nnmodel.h"
#include "run_command.h"
#include "text.h"

namespace {

const std::string kBin = ZENTROLA_BIN;
const std::string kRNAevalDir = RNAEVAL_DIR;
const std::string kData = std::string(SOURCE_DIR) + "/data/";

long dcal(const std::string& kcal) { return std::lround(std::stod(kcal) * 100); }

// Whole runs: the path table carries the chosen model's energies, with the built-in model and
// with the RNAeval command (which gets -dN, -T and -P FILE).
struct RunCase {
    const char* params;  // "" for the compiled-in set
    int dangles;
    double celsius;
};

class EnergyChoiceRun : public ::testing::TestWithParam<RunCase> {};

TEST_P(EnergyChoiceRun, PathTableHoldsTheChosenEnergies) {
    const RunCase c = GetParam();
    const std::string seq = "GGGGAAAACCCCUGCUCGAGUUCUCCCCUUAUAUAACAACUCACUUAAUUCCUCGACCCGGA";
    const std::string a = "((((....))))...(((((((........................))...)))))......";
    const std::string b = "((((....)))).....(((((...............))))).......(((.......)))";
    const std::string file = *c.params ? kData + c.params + ".par" : "", temp = std::to_string(int(c.celsius));
    const nnmodel::ParamSet params =
        nnmodel::params_at(file.empty() ? nnmodel::turner2004() : nnmodel::read_parameter_file(file), c.celsius);
    const nnmodel::EncodedSequence encoded = nnmodel::encode_sequence(seq);
    for (const bool command : {false, true}) {
        const std::string dir = make_scratch_dir("choice");
        write_file(dir + "/in.faa", "toy\n" + seq + "\n" + a + "\n" + b + "\n");
        std::string config =
            "MAXPOP=6\nMAXGEN=2\nMAXNOIMPROVE=1\nOFFSPRINGNUM=12\nPRESERVETOPNUM=3\nPRESERVERANNUM=3\n"
            "TEMPERATURE=" +
            temp + "\nDANGLES=" + std::to_string(c.dangles) + "\n";
        if (!file.empty()) config += "ENERGYPARAMS=" + file + "\n";
        if (command) config += "ViennaRNAPackage=" + kRNAevalDir + "\n";
        write_file(dir + "/config", config);
        const CommandResult r = run_in(dir, "'" + kBin + "' -i in.faa -c config -d out -s 5");
        ASSERT_EQ(r.status, 0) << r.err;
        if (command) {
            const std::string shown = "RNAeval -d" + std::to_string(c.dangles) + " " +
                                      (c.celsius == 37 ? "" : "-T" + temp + " ") + (file.empty() ? "" : "-P " + file);
            EXPECT_NE(r.out.find(shown), std::string::npos) << r.out;
        }
        const auto rows = read_tsv(dir + "/out/path.tsv");
        for (const auto& f : rows)
            EXPECT_EQ(dcal(f.at(5)), nnmodel::energy_dcal(params, encoded, f.at(4), c.dangles)) << f.at(4);
        EXPECT_GT(rows.size(), 2u) << (command ? "command" : "built-in");
        // The pictures name the model.
        const std::string model = std::string("Energy model ") + (*c.params ? c.params : "Turner 2004") + ", dangles " +
                                  std::to_string(c.dangles) + ", " + temp + " \u00B0C";
        EXPECT_NE(read_file(dir + "/out/path.svg").find(model), std::string::npos) << model;
        EXPECT_NE(read_file(dir + "/out/path.html").find(model), std::string::npos) << model;
        remove_scratch_dir(dir);
    }
}

INSTANTIATE_TEST_SUITE_P(Choices, EnergyChoiceRun,
                         ::testing::Values(RunCase{"", 0, 37}, RunCase{"", 2, 50}, RunCase{"rna_turner1999", 1, 37},
                                           RunCase{"rna_andronescu2007", 2, 37}, RunCase{"rna_langdon2018", 0, 25}),
                         [](const auto& i) {
                             return std::string(*i.param.params ? i.param.params : "turner2004") + "_d" +
                                    std::to_string(i.param.dangles) + "_" + std::to_string(int(i.param.celsius)) + "C";
                         });

TEST(EnergyChoiceErrors, BadValuesStopWithStatusOneAndSayWhy) {
    const std::string dir = make_scratch_dir("choice_err");
    write_file(dir + "/in.faa", "toy\nGGGAAACCC\n(((...)))\n.........\n");
    const std::pair<const char*, const char*> cases[] = {{"DANGLES=3\n", "DANGLES = 3"},
                                                         {"DANGLES=\n", "DANGLES = "},
                                                         {"TEMPERATURE=hot\n", "TEMPERATURE = hot is not a number"},
                                                         {"ENERGYPARAMS=no/such.par\n", "ENERGYPARAMS = no/such.par"}};
    for (const auto& c : cases) {
        write_file(dir + "/config", c.first);
        const CommandResult r = run_in(dir, "'" + kBin + "' -i in.faa -c config -d out -s 1");
        EXPECT_EQ(r.status, 1) << c.first;
        EXPECT_NE(r.err.find(c.second), std::string::npos) << r.err;
        EXPECT_FALSE(std::ifstream(dir + "/out/result.txt").good()) << "stopped before the search";
    }
    remove_scratch_dir(dir);
}

}  // namespace
