// The methods through the program: output files, the last line, usage errors.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "run_command.h"

namespace {

const std::string kBin = ZENTROLA_BIN;
const std::string kSeq = "GGGGAAAACCCCUGCUCGAGUUCUCCCCUUAUAUAACAACUCACUUAAUUCCUCGACCCGGA";
const std::string kA = "((((....))))...(((((((........................))...)))))......";
const std::string kB = "((((....)))).....(((((...............))))).......(((.......)))";
// The last line "barrier=B lower_bound=L status=S stop=R" (B and L with two decimals) as
// {B, L, S, R}; empty when standard output does not end with such a line.
std::vector<std::string> last_line(const std::string& out) {
    const std::size_t start = out.rfind('\n', out.size() >= 2 ? out.size() - 2 : 0) + 1;
    char b[32], l[32], st[32], why[32];
    if (std::sscanf(out.c_str() + start, "barrier=%31[-0-9.] lower_bound=%31[-0-9.] status=%31s stop=%31s", b, l, st,
                    why) != 4)
        return {};
    const std::vector<std::string> m = {b, l, st, why};
    const bool ok = m[0][m[0].size() - 3] == '.' && m[1][m[1].size() - 3] == '.' &&
                    (m[2] == "optimal" || m[2] == "bounded") && (m[2] == "optimal") == (m[3] == "proved") &&
                    out.substr(start) ==
                        "barrier=" + m[0] + " lower_bound=" + m[1] + " status=" + m[2] + " stop=" + m[3] + "\n";
    return ok ? m : std::vector<std::string>{};
}

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
        const std::vector<std::string> m = last_line(r.out);
        ASSERT_EQ(m.size(), 4u) << r.out;
        barrier[k] = std::stod(m[0]);
        EXPECT_LE(std::stod(m[1]), barrier[k]);
        EXPECT_EQ(m[2] == "optimal", m[0] == m[1]);
        // The best path as the path report prints it, and the result file's one generation line.
        EXPECT_NE(r.out.find("the barrier energy is "), std::string::npos);
        EXPECT_NE(r.out.find(kSeq + "\n" + kA + "   ("), std::string::npos);
        const std::string result = read_file(dir + "/out/result.txt");
        EXPECT_TRUE(result.find("\n0\t") != std::string::npos) << result;
        // The log calls the path optimal only when it is proved, and ends with the summary line.
        const std::string log = read_file(dir + "/out/log.txt");
        EXPECT_NE(log.find(m[2] == "optimal" ? "The optimal folding pathways has barrier energy"
                                             : "The best path found has barrier energy"),
                  std::string::npos);
        EXPECT_EQ(log.substr(log.rfind("barrier=")), r.out.substr(r.out.rfind("barrier=")));
    }
    EXPECT_NE(run("-m exact").out.find("status=optimal"), std::string::npos);  // small enough to prove
    EXPECT_LE(barrier[1], barrier[0]);
    EXPECT_EQ(barrier[2], barrier[1]);

    // No time for a proof: the evolutionary search, seeded with the beam path, writes its files.
    const CommandResult r = run("-m auto -t 0.001");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> m = last_line(r.out);
    ASSERT_EQ(m.size(), 4u) << r.out;
    EXPECT_LE(std::stod(m[0]), barrier[0]);
    EXPECT_NE(read_file(dir + "/out/log.txt").find("Generation = 0"), std::string::npos);
}

TEST_F(Methods, NamedRNAevalIsReportedAsNotUsed) {
    write_file(dir + "/config", "ViennaRNAPackage=/nonexistent/dir\n");
    const CommandResult r = run("-m direct");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("is not used by -m direct"), std::string::npos);
}

}  // namespace
