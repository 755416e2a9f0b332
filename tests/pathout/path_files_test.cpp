// The files of a finished run: path.tsv replays from A to B with the model's energies and the
// printed barrier; path.svg is there for the renderer (python/tests renders it). Also --version.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "nnmodel/nnmodel.h"
#include "pathout/pathout.h"
#include "run_command.h"
#include "text.h"

namespace {

const std::string kBin = ZENTROLA_BIN;
const std::string kSource = SOURCE_DIR;

// The path table of the README example: header, one row per step from A to B, each step one pair
// added on two free bases or deleted (i < j, 1-based), energies with two decimals equal to the
// model's, and the highest one minus E(A) the barrier printed last.
TEST(PathFiles, ReadmeExampleReplaysWithModelEnergiesAndPrintedBarrier) {
    const std::string dir = make_scratch_dir("pathfiles");
    const CommandResult r = run_in(
        dir, "'" + kBin + "' -i '" + kSource + "/examples/dsra.faa' -d out -c '" + kSource + "/examples/config' -s 1");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> input = lines_of(read_file(kSource + "/examples/dsra.faa"));
    const std::string table = read_file(dir + "/out/path.tsv");
    EXPECT_EQ(table.substr(0, table.find('\n')), "step\tmove\ti\tj\tstructure\tenergy_kcal_mol");
    EXPECT_EQ(table.back(), '\n');
    const auto rows = read_tsv(dir + "/out/path.tsv");
    ASSERT_GE(rows.size(), 2u);
    long first = 0, top = 0;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const std::vector<std::string>& f = rows[k];
        ASSERT_EQ(f.size(), 6u);
        EXPECT_EQ(f[0], std::to_string(k));
        const std::string& e = f[5];
        EXPECT_TRUE(e.size() > 3 && e[e.size() - 3] == '.' && e.find_first_not_of("-0123456789.") == std::string::npos);
        const long dcal = std::lround(std::stod(e) * 100);
        EXPECT_EQ(dcal, std::lround(nnmodel::energy(input[1], f[4], 1) * 100)) << f[4];
        first = k ? first : dcal;
        top = k ? std::max(top, dcal) : dcal;
        if (k == 0) {
            EXPECT_TRUE(f[1] == "start" && f[2].empty() && f[3].empty() && f[4] == input[2]);
            continue;
        }
        const bool add = f[1] == "add";
        ASSERT_TRUE(add || f[1] == "del") << f[1];
        const int i = std::stoi(f[2]) - 1, j = std::stoi(f[3]) - 1;
        ASSERT_TRUE(0 <= i && i < j && j < static_cast<int>(input[1].size()));
        std::string expected = rows[k - 1][4];
        EXPECT_EQ(expected[i], add ? '.' : '(');
        EXPECT_EQ(expected[j], add ? '.' : ')');
        expected[i] = add ? '(' : '.';
        expected[j] = add ? ')' : '.';
        EXPECT_EQ(f[4], expected) << "step " << k;
        // (i, j) pair with each other: the brackets between them balance.
        int depth = 0;
        for (int x = i + 1; x < j && depth >= 0; ++x) depth += (expected[x] == '(') - (expected[x] == ')');
        EXPECT_EQ(depth, 0) << "step " << k;
    }
    EXPECT_EQ(rows.back()[4], input[3]);
    const std::string key = "The optimal barrier energy is ";
    ASSERT_NE(r.out.rfind(key), std::string::npos);
    EXPECT_EQ(top - first, std::lround(std::stod(r.out.substr(r.out.rfind(key) + key.size())) * 100));

    const std::string svg = read_file(dir + "/out/path.svg");
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_NE(svg.find("<title>dsra"), std::string::npos);
    EXPECT_NE(svg.find(", method ea, status "), std::string::npos);
    EXPECT_EQ(svg.find("href"), std::string::npos) << "no external references";
    EXPECT_FALSE(std::ifstream(dir + "/out/path.tsv.tmp").good());
    remove_scratch_dir(dir);
}

// Steps that are not one pair added or deleted are refused, and so are sizes that do not fit.
TEST(PathFiles, MovesBetweenAcceptsExactlyTheSinglePairSteps) {
    const std::vector<std::string> path = {"........", "(......)", "((....))", "(......)"};
    const std::vector<pathout::PathMove> m = pathout::moves_between(path);
    ASSERT_EQ(m.size(), 3u);
    EXPECT_TRUE(m[1].add && m[1].i == 2 && m[1].j == 7 && !m[2].add && m[2].i == 2 && m[2].j == 7);
    for (const char* bad : {"........", "((....))", ")......(", "((......", "(......"})
        EXPECT_THROW(pathout::moves_between({"........", bad}), std::invalid_argument) << bad;
    pathout::Path p{path, {0, 1, 2}, m, {}};
    EXPECT_THROW(pathout::path_table(p), std::invalid_argument);
    p.energies.push_back(0.5);
    p.moves.pop_back();
    EXPECT_THROW(pathout::path_svg("x", "GGGAAACC", p), std::invalid_argument);
}

TEST(Version, LongAndShortOptionPrintVersionModelAndBuild) {
    for (const char* opt : {"--version", "-V"}) {
        const CommandResult r = run_in("/tmp", "'" + kBin + "' " + opt);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out.rfind(std::string("zentrola ") + ZENTROLA_VERSION_TEXT + "\n", 0), 0u) << r.out;
        EXPECT_NE(r.out.find("Turner 2004"), std::string::npos);
        EXPECT_NE(r.out.find("build type: "), std::string::npos);
    }
}

}  // namespace
