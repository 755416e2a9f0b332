// The methods through the program: output files, the last line, usage errors.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "run_command.h"

namespace {

const std::string kBin = ZENTROLA_BIN;
const std::string kSeq = "GGGGAAAACCCCUGCUCGAGUUCUCCCCUUAUAUAACAACUCACUUAAUUCCUCGACCCGGA";
const std::string kA = "((((....))))...(((((((........................))...)))))......";
const std::string kB = "((((....)))).....(((((...............))))).......(((.......)))";
const std::regex kLast("barrier=(\\d+\\.\\d\\d) lower_bound=(\\d+\\.\\d\\d) status=(optimal|bounded)\n$");

class Methods : public ::testing::Test {
protected:
    void SetUp() override {
        dir = make_scratch_dir("methods");
        write_file(dir + "/in.faa", "toy\n" + kSeq + "\n" + kA + "\n" + kB + "\n");
        write_file(dir + "/config", "MAXPOP=6\nOFFSPRINGNUM=24\nPRESERVETOPNUM=3\nPRESERVERANNUM=3\n");
    }
    void TearDown() override { remove_scratch_dir(dir); }
    CommandResult run(const std::string& args) {
        return run_in(dir, "'" + kBin + "' -i in.faa -c config -d out -s 2 " + args);
    }
    std::string dir;
};

TEST_F(Methods, EachMethodEndsWithItsResultLine) {
    double barrier[3];
    const char* const names[3] = {"direct", "exact", "auto"};
    for (int k = 0; k < 3; ++k) {
        const CommandResult r = run(std::string("-m ") + names[k] + (k ? " -t 20" : ""));
        ASSERT_EQ(r.status, 0) << r.err;
        std::smatch m;
        ASSERT_TRUE(std::regex_search(r.out, m, kLast)) << r.out;
        barrier[k] = std::stod(m[1]);
        EXPECT_LE(std::stod(m[2]), barrier[k]);
        EXPECT_EQ(m[3] == "optimal", m[1] == m[2]);
        // The best path as the path report prints it, and the result file's one generation line.
        EXPECT_NE(r.out.find("the barrier energy is "), std::string::npos);
        EXPECT_NE(r.out.find(kSeq + "\n" + kA + "   ("), std::string::npos);
        const std::string result = read_file(dir + "/out/result.txt");
        EXPECT_TRUE(result.find("\n0\t") != std::string::npos) << result;
        EXPECT_NE(read_file(dir + "/out/log.txt").find("The optimal folding pathways has barrier energy"),
                  std::string::npos);
    }
    EXPECT_NE(run("-m exact").out.find("status=optimal"), std::string::npos);  // small enough to prove
    EXPECT_LE(barrier[1], barrier[0]);
    EXPECT_EQ(barrier[2], barrier[1]);

    // No time for a proof: the evolutionary search, seeded with the beam path, writes its files.
    const CommandResult r = run("-m auto -t 0.001");
    ASSERT_EQ(r.status, 0) << r.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.out, m, kLast)) << r.out;
    EXPECT_LE(std::stod(m[1]), barrier[0]);
    EXPECT_NE(read_file(dir + "/out/log.txt").find("Generation = 0"), std::string::npos);
}

TEST_F(Methods, InvalidCombinationsAreUsageErrors) {
    for (const char* args : {"-m fast", "-m direct -w 0", "-m exact -t 0", "-m exact -t -1", "-m auto -w x",
                             "-t 5", "-m exact -M 0"}) {
        const CommandResult r = run(args);
        EXPECT_EQ(r.status, 1) << args;
        EXPECT_NE(r.out.find("Usage"), std::string::npos) << args;
    }
}

TEST_F(Methods, NamedRNAevalIsReportedAsNotUsed) {
    write_file(dir + "/config", "ViennaRNAPackage=/nonexistent/dir\n");
    const CommandResult r = run("-m direct");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("is not used by -m direct"), std::string::npos);
}

}  // namespace
