// End-to-end runs of the search on small problems, through the program itself.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "model/structure.h"
#include "run_command.h"

namespace {

const std::string kBin = ZENTROLA_BIN;
const std::string kRNAevalDir = RNAEVAL_DIR;

// A shared hairpin helix in front of a 50-nt bistable problem.
const std::string kSeq = "GGGGAAAACCCCUGCUCGAGUUCUCCCCUUAUAUAACAACUCACUUAAUUCCUCGACCCGGA";
const std::string kA = "((((....))))...(((((((........................))...)))))......";
const std::string kB = "((((....)))).....(((((...............))))).......(((.......)))";

const char* const kSmall = "MAXPOP=6\nOFFSPRINGNUM=24\nPRESERVETOPNUM=3\nPRESERVERANNUM=3\n";

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> v;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) v.push_back(line);
    return v;
}

// Generation lines ("g\tbarrier") of a result file, after the initial one.
std::vector<double> generation_barriers(const std::vector<std::string>& result) {
    std::vector<double> v;
    for (std::size_t k = 3; k + 2 < result.size(); ++k) {
        EXPECT_EQ(result[k].substr(0, result[k].find('\t')), std::to_string(k - 3)) << result[k];
        v.push_back(std::stod(result[k].substr(result[k].find('\t') + 1)));
    }
    return v;
}

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

// An asctime() stamp without its newline: "Mon Dec  7 02:08:03 2026".
bool is_time_line(const std::string& s) {
    if (s.size() != 24) return false;
    for (std::size_t k = 0; k < s.size(); ++k) {
        const char c = s[k];
        const bool ok = k == 3 || k == 7 || k == 19 ? c == ' '
                        : k == 13 || k == 16        ? c == ':'
                        : k == 8                    ? c == ' ' || std::isdigit(static_cast<unsigned char>(c))
                        : k >= 9 ? std::isdigit(static_cast<unsigned char>(c)) || (k == 10 && c == ' ')
                                 : std::isalpha(static_cast<unsigned char>(c));
        if (!ok) return false;
    }
    return true;
}

// Result file: time, blank, "0\tinitial barrier", one line per generation, time, blank. Log: the
// problem before and after trimming, then the generations and the best barrier.
TEST_F(Search, NoGenerationWithNegativeNoImprovementLimit) {
    const CommandResult r = run("MAXNOIMPROVE=-1\n", "-d out -s 3");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> result = lines_of(read_file(dir + "/out/result.txt"));
    ASSERT_EQ(result.size(), 5u);
    EXPECT_TRUE(is_time_line(result[0]) && is_time_line(result[3])) << result[0];
    EXPECT_TRUE(result[1].empty() && result[4].empty() && result[2].substr(0, 2) == "0\t");
    const std::vector<std::string> log = lines_of(read_file(dir + "/out/log.txt"));
    EXPECT_EQ(log, (std::vector<std::string>{
                       "Sequence & A & B (original):", kSeq, kA, kB, "sequence & A & B (trimmed) :", kSeq.substr(12),
                       kA.substr(12), kB.substr(12),
                       "The optimal folding pathways has barrier energy " + result[2].substr(2) + "."}));
    // The best-ever chain is still empty: its report is the start structure alone.
    EXPECT_NE(r.out.find("the barrier energy is 0\n" + kSeq + "\n" + kA + "   ("), std::string::npos) << r.out;
}

// Replays the final report on standard output: A to B in single-pair moves, barrier = max - E(A).
void check_final_report(const std::string& out, double best) {
    const std::string::size_type at = out.rfind("the barrier energy is ");
    ASSERT_NE(at, std::string::npos);
    const std::vector<std::string> rep = lines_of(out.substr(at));
    const double barrier = std::stod(rep[0].substr(22));
    EXPECT_NEAR(barrier, best, 1e-9);
    EXPECT_EQ(rep[1], kSeq);
    std::vector<std::string> structs;
    std::vector<double> energies;
    for (std::size_t k = 2; k < rep.size(); ++k) {
        structs.push_back(rep[k].substr(0, kSeq.size()));
        EXPECT_EQ(rep[k].substr(kSeq.size(), 4), "   (");
        energies.push_back(std::stod(rep[k].substr(kSeq.size() + 4)));
    }
    ASSERT_GE(structs.size(), 2u);
    EXPECT_EQ(structs.front(), kA);
    EXPECT_EQ(structs.back(), kB);
    double top = energies[0];
    for (std::size_t k = 1; k < structs.size(); ++k) {
        top = std::max(top, energies[k]);
        int changed = 0;
        for (std::size_t i = 0; i < kSeq.size(); ++i) changed += structs[k][i] != structs[k - 1][i];
        EXPECT_EQ(changed, 2) << "one pair per step at step " << k;
        s2v(structs[k]);  // balanced, or the program aborts
    }
    EXPECT_NEAR(top - energies[0], barrier, 1e-4);
}

TEST_F(Search, StopRulesAndBestPath) {
    for (const char* limits : {"MAXGEN=1\nMAXNOIMPROVE=3\n", "MAXGEN=6\nMAXNOIMPROVE=0\n"}) {
        const CommandResult r = run(std::string(kSmall) + limits, "-d out -s 9");
        ASSERT_EQ(r.status, 0) << r.err;
        const std::vector<std::string> result = lines_of(read_file(dir + "/out/result.txt"));
        const double initial = std::stod(result[2].substr(2));
        const std::vector<double> best = generation_barriers(result);
        ASSERT_FALSE(best.empty());
        const int maxgen = limits[7] - '0';
        const int maxnoimp = limits[std::string(limits).size() - 2] - '0';
        // Replay the loop rule over the reported barriers.
        double prev = initial;
        int noimp = 0;
        for (std::size_t g = 0; g < best.size(); ++g) {
            const int gi = static_cast<int>(g);
            EXPECT_TRUE((gi <= maxgen && noimp <= maxnoimp) || (gi > maxgen && noimp <= 0)) << limits << g;
            EXPECT_LE(best[g], prev);
            noimp = best[g] < prev ? 0 : noimp + 1;
            prev = best[g];
        }
        const int next = static_cast<int>(best.size());
        const std::string::size_type mb = r.out.find("minbarrier=");
        const double minbarrier = std::stod(r.out.substr(mb + 11));
        const bool at_bound = std::fabs(prev - minbarrier) <= 1e-6;
        EXPECT_TRUE(at_bound || !((next <= maxgen && noimp <= maxnoimp) || (next > maxgen && noimp <= 0))) << limits;
        check_final_report(r.out, prev);

        const std::string log = read_file(dir + "/out/log.txt");
        EXPECT_NE(log.find("\nGeneration = 0, the size of population = 4.\n"
                           "Here is the optimal folding pathway of generation [0], the barrier energy is "),
                  std::string::npos);
    }
}

std::string without_time_lines(const std::string& text) {
    std::string out;
    for (const std::string& line : lines_of(text))
        if (!is_time_line(line)) out += line + "\n";
    return out;
}

TEST_F(Search, SameSeedSameRunInBothEnergyModes) {
    const std::string config = std::string(kSmall) + "MAXGEN=2\nMAXNOIMPROVE=1\nSAVEGENE=YES\n";
    const CommandResult a = run(config, "-d a -s 17");
    const CommandResult b = run(config, "-d b -s 17");
    const CommandResult c = run(config + "ViennaRNAPackage=" + kRNAevalDir + "\n", "-d c -s 17");
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    ASSERT_EQ(c.status, 0) << c.err;
    for (const char* f : {"/result.txt", "/log.txt", "/generation/gen_ini", "/generation/gen_0", "/generation/gen_1"}) {
        const std::string fa = without_time_lines(read_file(dir + "/a" + f));
        EXPECT_FALSE(fa.empty()) << f;
        EXPECT_EQ(fa, without_time_lines(read_file(dir + "/b" + f))) << f;
        EXPECT_EQ(fa, without_time_lines(read_file(dir + "/c" + f))) << f;
    }
    EXPECT_NE(c.out.find("RNAeval is " + kRNAevalDir + "RNAeval -d1 \n"), std::string::npos);
}

// Here E(B) = -9.9 < E(A) = -5.9 kcal/mol: no path goes below 0, the bound printed and used.
TEST_F(Search, LowerBoundIsZeroWhenBIsLower) {
    const CommandResult r = run(std::string(kSmall) + "MAXNOIMPROVE=-1\n", "-d out -s 1");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\nminbarrier=0\n"), std::string::npos) << r.out;
}

TEST_F(Search, SameRunAt50CInBothEnergyModesAndNotThe37CRun) {
    const std::string config = std::string(kSmall) + "MAXGEN=2\nMAXNOIMPROVE=1\n";
    const CommandResult a = run(config, "-d a -s 17");
    const CommandResult b = run(config + "TEMPERATURE=50\n", "-d b -s 17");
    const CommandResult c = run(config + "TEMPERATURE=50\nViennaRNAPackage=" + kRNAevalDir + "\n", "-d c -s 17");
    ASSERT_EQ(b.status, 0) << b.err;
    ASSERT_EQ(c.status, 0) << c.err;
    const std::string fb = without_time_lines(read_file(dir + "/b/result.txt"));
    EXPECT_EQ(fb, without_time_lines(read_file(dir + "/c/result.txt")));
    EXPECT_NE(fb, without_time_lines(read_file(dir + "/a/result.txt")));
    EXPECT_NE(c.out.find("RNAeval -d1 -T50 \n"), std::string::npos);
    const CommandResult bad = run(config + "TEMPERATURE=hot\n", "-d d -s 17");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("TEMPERATURE = hot is not a number"), std::string::npos) << bad.err;
}

}  // namespace
