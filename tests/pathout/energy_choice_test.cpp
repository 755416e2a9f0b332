// DANGLES and ENERGYPARAMS: every reference row of each shipped parameter file (printed by
// RNAeval 2.7.1 with -P FILE -dN) through the built-in evaluator and the RNAeval command, and
// whole runs whose path tables carry the chosen model's energies.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "energy/evaluator.h"
#include "nnmodel/nnmodel.h"
#include "run_command.h"

namespace {

const std::string kBin = ZENTROLA_BIN;
const std::string kRNAevalDir = RNAEVAL_DIR;
const std::string kData = std::string(SOURCE_DIR) + "/data/";
const std::string kReference = REFERENCE_DIR;

struct Row {
    std::string seq, structure;
    long dcal[3];  // d0, d1, d2
};

// sequence, structure, then the d0, d1, d2 energies from column `first`.
std::vector<Row> load(const std::string& file, int first) {
    std::ifstream in(file);
    EXPECT_TRUE(in) << file;
    std::vector<Row> rows;
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::istringstream ss(line);
        std::string field;
        while (std::getline(ss, field, '\t')) f.push_back(field);
        Row r{f[0], f[1], {}};
        for (int d = 0; d < 3; ++d) r.dcal[d] = std::lround(std::stod(f[first + d]) * 100);
        rows.push_back(r);
    }
    return rows;
}

long dcal(double kcal) { return std::lround(kcal * 100); }

const char* const kParamFiles[] = {"rna_turner1999", "rna_andronescu2007", "rna_langdon2018"};

class ParamFile : public ::testing::TestWithParam<const char*> {};

TEST_P(ParamFile, BuiltInEvaluatorAndRNAevalCommandGiveEveryReferenceRow) {
    const std::string file = kData + GetParam() + ".par";
    const std::vector<Row> rows = load(kReference + "/params/" + GetParam() + ".tsv", 2);
    ASSERT_EQ(rows.size(), 2000u);
    const std::string dir = make_scratch_dir("rnaeval_p");
    std::string records;
    for (const Row& r : rows) records += r.seq + "\n" + r.structure + "\n";
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
            const long builtin = dcal(getVSEnergy(rows[k].seq, {rows[k].structure}, "")[0]);
            if ((builtin != rows[k].dcal[d] || dcal(command[k]) != rows[k].dcal[d]) && ++wrong <= 3)
                ADD_FAILURE() << "-d" << d << " row " << k + 1 << ": built-in " << builtin << ", command "
                              << dcal(command[k]) << ", reference " << rows[k].dcal[d];
        }
        EXPECT_EQ(wrong, 0) << "-d" << d;
    }
    set_energy_choice({});
    remove_scratch_dir(dir);
}

INSTANTIATE_TEST_SUITE_P(Shipped, ParamFile, ::testing::ValuesIn(kParamFiles));

// Whole runs: the path table carries the chosen model's energies, with the built-in model and
// with the RNAeval command (which gets -dN and -P FILE).
struct RunCase {
    const char* params;  // "" for the compiled-in set
    int dangles;
};

class EnergyChoiceRun : public ::testing::TestWithParam<RunCase> {};

TEST_P(EnergyChoiceRun, PathTableHoldsTheChosenEnergies) {
    const RunCase c = GetParam();
    const std::string seq = "GGGGAAAACCCCUGCUCGAGUUCUCCCCUUAUAUAACAACUCACUUAAUUCCUCGACCCGGA";
    const std::string a = "((((....))))...(((((((........................))...)))))......";
    const std::string b = "((((....)))).....(((((...............))))).......(((.......)))";
    const std::string file = *c.params ? kData + c.params + ".par" : "";
    const nnmodel::ParamSet params = file.empty() ? nnmodel::turner2004() : nnmodel::read_parameter_file(file);
    const nnmodel::EncodedSequence encoded = nnmodel::encode_sequence(seq);
    for (const bool command : {false, true}) {
        const std::string dir = make_scratch_dir("choice");
        write_file(dir + "/in.faa", "toy\n" + seq + "\n" + a + "\n" + b + "\n");
        std::string config =
            "MAXPOP=6\nMAXGEN=2\nMAXNOIMPROVE=1\nOFFSPRINGNUM=12\nPRESERVETOPNUM=3\nPRESERVERANNUM=3\nDANGLES=" +
            std::to_string(c.dangles) + "\n";
        if (!file.empty()) config += "ENERGYPARAMS=" + file + "\n";
        if (command) config += "ViennaRNAPackage=" + kRNAevalDir + "\n";
        write_file(dir + "/config", config);
        const CommandResult r = run_in(dir, "'" + kBin + "' -i in.faa -c config -d out -s 5");
        ASSERT_EQ(r.status, 0) << r.err;
        if (command && (c.dangles != 1 || !file.empty())) {
            const std::string shown =
                "RNAeval -d" + std::to_string(c.dangles) + " " + (file.empty() ? "" : "-P " + file);
            EXPECT_NE(r.out.find(shown), std::string::npos) << r.out;
        }
        std::istringstream table(read_file(dir + "/out/path.tsv"));
        std::string line;
        std::getline(table, line);
        int rows = 0;
        while (std::getline(table, line)) {
            std::vector<std::string> f;
            std::istringstream ss(line);
            std::string field;
            while (std::getline(ss, field, '\t')) f.push_back(field);
            ASSERT_EQ(f.size(), 6u) << line;
            const std::string& structure = f[4];
            const long printed = dcal(std::stod(f[5]));
            EXPECT_EQ(printed, nnmodel::energy_dcal(params, encoded, structure, c.dangles)) << structure;
            ++rows;
        }
        EXPECT_GT(rows, 2) << (command ? "command" : "built-in");
        remove_scratch_dir(dir);
    }
}

INSTANTIATE_TEST_SUITE_P(Choices, EnergyChoiceRun,
                         ::testing::Values(RunCase{"", 0}, RunCase{"", 2}, RunCase{"rna_turner1999", 1},
                                           RunCase{"rna_andronescu2007", 2}, RunCase{"rna_langdon2018", 0}),
                         [](const ::testing::TestParamInfo<RunCase>& i) {
                             return std::string(*i.param.params ? i.param.params : "turner2004") + "_d" +
                                    std::to_string(i.param.dangles);
                         });

TEST(EnergyChoiceErrors, BadValuesStopWithStatusOneAndSayWhy) {
    const std::string dir = make_scratch_dir("choice_err");
    write_file(dir + "/in.faa", "toy\nGGGAAACCC\n(((...)))\n.........\n");
    const std::pair<const char*, const char*> cases[] = {{"DANGLES=3\n", "DANGLES = 3"},
                                                         {"DANGLES=one\n", "DANGLES = one"},
                                                         {"DANGLES=\n", "DANGLES = "},
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
