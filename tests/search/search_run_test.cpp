// End-to-end runs of the search on small problems, through the program itself.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "run_command.h"
#include "text.h"

namespace {

const std::string kBin = ZENTROLA_BIN;

// A shared hairpin helix in front of a 50-nt bistable problem.
const std::string kSeq = "GGGGAAAACCCCUGCUCGAGUUCUCCCCUUAUAUAACAACUCACUUAAUUCCUCGACCCGGA";
const std::string kA = "((((....))))...(((((((........................))...)))))......";
const std::string kB = "((((....)))).....(((((...............))))).......(((.......)))";

class Search : public ::testing::Test {
protected:
    void SetUp() override {
        dir = make_scratch_dir("search");
        write_file(dir + "/in.faa", "toy\n" + kSeq + "\n" + kA + "\n" + kB + "\n");
    }
    void TearDown() override { remove_scratch_dir(dir); }
    CommandResult run(const std::string& config, const std::string& args) {
        write_file(dir + "/config", config);
        return run_in(dir, "'" + kBin + "' -i in.faa -c config " + args);
    }
    std::string dir;
};

// The loop rule replayed over the barriers of the result file: go on while g <= MAXGEN and the
// generations without improvement are at most MAXNOIMPROVE, beyond MAXGEN only while improving,
// and stop at the lower bound.
TEST_F(Search, StopRules) {
    for (const char* limits : {"MAXGEN=1\nMAXNOIMPROVE=3\n", "MAXGEN=6\nMAXNOIMPROVE=0\n"}) {
        const CommandResult r =
            run(std::string("MAXPOP=6\nOFFSPRINGNUM=24\nPRESERVETOPNUM=3\nPRESERVERANNUM=3\n") + limits, "-d out -s 9");
        ASSERT_EQ(r.status, 0) << r.err;
        const std::vector<std::string> result = lines_of(read_file(dir + "/out/result.txt"));
        const int maxgen = limits[7] - '0', maxnoimp = limits[std::string(limits).size() - 2] - '0';
        double prev = std::stod(result[2].substr(2));
        int noimp = 0, g = 0;
        for (std::size_t k = 3; k + 2 < result.size(); ++k, ++g) {
            EXPECT_EQ(result[k].substr(0, result[k].find('\t')), std::to_string(g)) << result[k];
            const double best = std::stod(result[k].substr(result[k].find('\t') + 1));
            EXPECT_TRUE((g <= maxgen && noimp <= maxnoimp) || (g > maxgen && noimp <= 0)) << limits << g;
            EXPECT_LE(best, prev);
            noimp = best < prev ? 0 : noimp + 1;
            prev = best;
        }
        ASSERT_GT(g, 0);
        const double minbarrier = std::stod(r.out.substr(r.out.find("minbarrier=") + 11));
        EXPECT_TRUE(std::fabs(prev - minbarrier) <= 1e-6 ||
                    !((g <= maxgen && noimp <= maxnoimp) || (g > maxgen && noimp <= 0)))
            << limits;
        EXPECT_NE(r.out.rfind("the barrier energy is " + result[result.size() - 3].substr(2)), std::string::npos);
    }
}

}  // namespace
