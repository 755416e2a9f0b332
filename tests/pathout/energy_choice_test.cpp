// DANGLES, ENERGYPARAMS and TEMPERATURE: every reference row of each shipped parameter file
// (printed by RNAeval 2.7.1 with -P FILE -dN) through the built-in evaluator and the RNAeval
// command, and whole runs whose path tables carry the chosen model's energies.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "energy/evaluator.h"
#include "nnmodel/nnmodel.h"
#include "run_command.h"
#include "text.h"

namespace {

const std::string kBin = ZENTROLA_BIN;
const std::string kRNAevalDir = RNAEVAL_DIR;
const std::string kData = std::string(SOURCE_DIR) + "/data/";

long dcal(const std::string& kcal) { return std::lround(std::stod(kcal) * 100); }

const char* const kParamFiles[] = {"rna_turner1999", "rna_andronescu2007", "rna_langdon2018"};

class ParamFile : public ::testing::TestWithParam<const char*> {};

// Columns: sequence, structure, then the d0, d1, d2 energies from the third on.
TEST_P(ParamFile, BuiltInEvaluatorAndRNAevalCommandGiveEveryReferenceRow) {
    const std::string file = kData + GetParam() + ".par";
    const auto rows = read_tsv(std::string(REFERENCE_DIR) + "/params/" + GetParam() + ".tsv");
    ASSERT_EQ(rows.size(), 2000u);
    const std::string dir = make_scratch_dir("rnaeval_p");
    std::string records;
    for (const auto& r : rows) records += r[0] + "\n" + r[1] + "\n";
    write_file(dir + "/in", records);
    for (int d = 0; d < 3; ++d) {
        set_energy_choice({d, file});
        const CommandResult c =
            run_in(dir, "'" + kRNAevalDir + "RNAeval' -d" + std::to_string(d) + " -P '" + file + "' < in");
        ASSERT_EQ(c.status, 0) << c.err;
        const std::vector<double> command = readEnergyfromFile(dir + "/.stdout");
        ASSERT_EQ(command.size(), rows.size());
        int wrong = 0;
        for (std::size_t k = 0; k < rows.size(); ++k) {
            const long want = dcal(rows[k][2 + d]), builtin = std::lround(getVSEnergy(rows[k][0], {rows[k][1]}, "")[0] * 100);
            if ((builtin != want || std::lround(command[k] * 100) != want) && ++wrong <= 3)
                ADD_FAILURE() << "-d" << d << " row " << k + 1 << ": built-in " << builtin << ", command "
                              << command[k] << ", reference " << want;
        }
        EXPECT_EQ(wrong, 0) << "-d" << d;
    }
    set_energy_choice({});
    remove_scratch_dir(dir);
}

INSTANTIATE_TEST_SUITE_P(Shipped, ParamFile, ::testing::ValuesIn(kParamFiles));

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
    const nnmodel::ParamSet params = nnmodel::params_at(
        file.empty() ? nnmodel::turner2004() : nnmodel::read_parameter_file(file), c.celsius);
    const nnmodel::EncodedSequence encoded = nnmodel::encode_sequence(seq);
    for (const bool command : {false, true}) {
        const std::string dir = make_scratch_dir("choice");
        write_file(dir + "/in.faa", "toy\n" + seq + "\n" + a + "\n" + b + "\n");
        std::string config = "MAXPOP=6\nMAXGEN=2\nMAXNOIMPROVE=1\nOFFSPRINGNUM=12\nPRESERVETOPNUM=3\nPRESERVERANNUM=3\n"
                             "TEMPERATURE=" + temp + "\nDANGLES=" + std::to_string(c.dangles) + "\n";
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
        remove_scratch_dir(dir);
    }
}

INSTANTIATE_TEST_SUITE_P(Choices, EnergyChoiceRun,
                         ::testing::Values(RunCase{"", 0, 37}, RunCase{"", 2, 50}, RunCase{"rna_turner1999", 1, 37},
                                           RunCase{"rna_andronescu2007", 2, 37}, RunCase{"rna_langdon2018", 0, 25}));

TEST(EnergyChoiceErrors, BadValuesStopWithStatusOneAndSayWhy) {
    const std::string dir = make_scratch_dir("choice_err");
    write_file(dir + "/in.faa", "toy\nGGGAAACCC\n(((...)))\n.........\n");
    const std::pair<const char*, const char*> cases[] = {{"DANGLES=3\n", "DANGLES = 3"},
                                                         {"DANGLES=one\n", "DANGLES = one"},
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
