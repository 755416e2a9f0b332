// The files of a finished run: path.tsv replays from A to B with the model's energies and the
// printed barrier; path.svg is there for the renderer (python/tests renders it). Also --version.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "nnmodel/nnmodel.h"
#include "pathout/pathout.h"
#include "run_command.h"
#include "text.h"

namespace {

const std::string kBin = ZENTROLA_BIN;
const std::string kSource = SOURCE_DIR;

// Partner of each position (-1 unpaired), read the plain way.
std::vector<int> partners(const std::string& s) {
    std::vector<int> pt(s.size(), -1), open;
    for (std::size_t k = 0; k < s.size(); ++k) {
        if (s[k] == '(') open.push_back(static_cast<int>(k));
        if (s[k] == ')') {
            pt[k] = open.back();
            pt[open.back()] = static_cast<int>(k);
            open.pop_back();
        }
    }
    return pt;
}

struct Row {
    std::string move, structure;
    int i = 0, j = 0;
    long dcal = 0;
};

// Rows of a path table; fails the test on a malformed line.
std::vector<Row> read_table(const std::string& text) {
    const std::vector<std::string> lines = lines_of(text);
    EXPECT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "step\tmove\ti\tj\tstructure\tenergy_kcal_mol");
    EXPECT_EQ(text.back(), '\n');
    std::vector<Row> rows;
    for (std::size_t k = 1; k < lines.size(); ++k) {
        const std::vector<std::string> f = split(lines[k], '\t');
        EXPECT_EQ(f.size(), 6u) << lines[k];
        if (f.size() != 6) break;
        EXPECT_EQ(f[0], std::to_string(k - 1));
        Row r;
        r.move = f[1];
        r.i = f[2].empty() ? 0 : std::stoi(f[2]);
        r.j = f[3].empty() ? 0 : std::stoi(f[3]);
        r.structure = f[4];
        r.dcal = std::lround(std::stod(f[5]) * 100);
        const std::size_t dot = f[5].find('.');
        EXPECT_TRUE(dot != std::string::npos && dot + 3 == f[5].size() &&
                    f[5].find_first_not_of("-0123456789.") == std::string::npos)
            << "two decimals: " << f[5];
        rows.push_back(r);
    }
    return rows;
}

// Every step is one valid pair move from the previous structure; A first, B last.
void expect_replays(const std::vector<Row>& rows, const std::string& a, const std::string& b) {
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front().move, "start");
    EXPECT_EQ(rows.front().i, 0);
    EXPECT_EQ(rows.front().structure, a);
    EXPECT_EQ(rows.back().structure, b);
    for (std::size_t k = 1; k < rows.size(); ++k) {
        const Row& r = rows[k];
        const std::string& before = rows[k - 1].structure;
        ASSERT_TRUE(r.move == "add" || r.move == "del") << r.move;
        ASSERT_TRUE(1 <= r.i && r.i < r.j && r.j <= static_cast<int>(before.size())) << r.i << " " << r.j;
        std::string expected = before;
        const bool add = r.move == "add";
        const std::vector<int> pt = partners(add ? r.structure : before);
        EXPECT_EQ(pt[r.i - 1], r.j - 1) << "step " << k;
        EXPECT_EQ(before[r.i - 1], add ? '.' : '(');
        expected[r.i - 1] = add ? '(' : '.';
        expected[r.j - 1] = add ? ')' : '.';
        EXPECT_EQ(r.structure, expected) << "step " << k;
    }
}

long table_barrier(const std::vector<Row>& rows) {
    long hi = rows.front().dcal;
    for (const Row& r : rows) hi = std::max(hi, r.dcal);
    return hi - rows.front().dcal;
}

// The last "The optimal barrier energy is X kcal/mol." of a run, in dcal/mol.
long printed_barrier(const std::string& out) {
    const std::string key = "The optimal barrier energy is ";
    const std::size_t at = out.rfind(key);
    EXPECT_NE(at, std::string::npos);
    return at == std::string::npos ? -1 : std::lround(std::stod(out.substr(at + key.size())) * 100);
}

TEST(PathFiles, ReadmeExampleReplaysWithModelEnergiesAndPrintedBarrier) {
    const std::string dir = make_scratch_dir("pathfiles");
    const CommandResult r = run_in(
        dir, "'" + kBin + "' -i '" + kSource + "/examples/dsra.faa' -d out -c '" + kSource + "/examples/config' -s 1");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> input = split(read_file(kSource + "/examples/dsra.faa"), '\n');
    const std::string seq = input[1], a = input[2], b = input[3];

    const std::vector<Row> rows = read_table(read_file(dir + "/out/path.tsv"));
    expect_replays(rows, a, b);
    for (const Row& row : rows)
        EXPECT_EQ(row.dcal, std::lround(nnmodel::energy(seq, row.structure, 1) * 100)) << row.structure;
    EXPECT_EQ(table_barrier(rows), printed_barrier(r.out));

    const std::string svg = read_file(dir + "/out/path.svg");
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_NE(svg.find("<title>dsra"), std::string::npos);
    EXPECT_EQ(svg.find("href"), std::string::npos) << "no external references";
    EXPECT_FALSE(std::ifstream(dir + "/out/path.tsv.tmp").good());
    remove_scratch_dir(dir);
}

TEST(PathFiles, MovesBetweenAcceptsExactlyTheSinglePairSteps) {
    const std::vector<std::string> good = {"......", "(....)", "(....)", "......"};
    EXPECT_THROW(pathout::moves_between(good), std::invalid_argument);  // no change at one step
    const std::vector<std::string> path = {"........", "(......)", "((....))", "(......)"};
    const std::vector<pathout::PathMove> m = pathout::moves_between(path);
    ASSERT_EQ(m.size(), 3u);
    EXPECT_TRUE(m[1].add && m[1].i == 2 && m[1].j == 7);
    EXPECT_TRUE(!m[2].add && m[2].i == 2 && m[2].j == 7);
    for (const char* bad : {"((....))", ")......(", "((......", "(......"})
        EXPECT_THROW(pathout::moves_between({"........", bad}), std::invalid_argument) << bad;
    // Sizes that do not fit are refused by both writers.
    pathout::Path p;
    p.structures = path;
    p.energies = {0, 1, 2};
    p.moves = m;
    EXPECT_THROW(pathout::path_table(p), std::invalid_argument);
    p.energies.push_back(0.5);
    EXPECT_NO_THROW(pathout::path_svg("x", "GGGAAACC", p));
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
