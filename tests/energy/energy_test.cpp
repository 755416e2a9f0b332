// The energy layer: structures along a path, the batch evaluator (built-in model, or a command
// run on files whose temporary names cost one draw), path barriers with their cache, the path
// report, and every way these can fail. Stand-in commands play the RNAeval command.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "energy/barrier.h"
#include "energy/evaluator.h"
#include "energy/pathstructs.h"
#include "energy/report.h"
#include "chains.h"
#include "fatal.h"
#include "nnmodel/nnmodel.h"
#include "random/random_stream.h"
#include "random_instance.h"
#include "run_command.h"
#include "text.h"

namespace {

class Energy : public ::testing::Test {
protected:
    void SetUp() override {
        home_ = std::filesystem::current_path();
        char tmpl[] = "energy_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = home_ / tmpl;
        std::filesystem::current_path(dir_);
    }
    void TearDown() override {
        std::filesystem::current_path(home_);
        std::filesystem::remove_all(dir_);
    }
    std::filesystem::path home_, dir_;
};

// Files in the working directory whose names start with "tmp_".
std::size_t tmpFiles() {
    std::size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator("."))
        n += e.path().filename().string().rfind("tmp_", 0) == 0;
    return n;
}

// Command prefix of a stand-in, formed like the configured one: program, option, blank.
std::string standin(const std::string& mode, const std::string& opt = "-d1") {
    return std::string(STANDIN_DIR) + "standin_" + mode + " " + opt + " ";
}

const std::string kSeq = "GGGAAACCCAGCUUAGGCU";
const std::vector<std::string> kStructs = {"(((...)))..........", "...................", "((.....))..((...)).",
                                           "(((...)))..((...))."};

// What the stand-in gives: 1 - 0.5 per pair, and 10 less with -d2.
std::vector<double> standinEnergies(const std::vector<std::string>& vs, double shift = 0.0) {
    std::vector<double> v;
    for (const std::string& s : vs) v.push_back(1.0 - 0.5 * std::count(s.begin(), s.end(), '(') + shift);
    return v;
}

}  // namespace

TEST(StructuresAlongPath, AddOverwritesWhateverStandsThereDeleteClearsTwoBrackets) {
    EXPECT_EQ(getSfromAC("..........", Action(add, 2, 7)), "..(....)..");
    EXPECT_EQ(getSfromAC(".)...(....", Action(add, 1, 5)), ".(...)....");
    // Deleting only looks at the two brackets: at 0 and 6 they belong to other pairs.
    EXPECT_EQ(getSfromAC("((....))..", Action(del, 1, 6)), "(......)..");
    EXPECT_EQ(getSfromAC("((....))..", Action(del, 0, 6)), ".(.....)..");
    expect_fatal(
        [&] { getSfromAC("((....))..", Action(del, 2, 7)); },
        "The action is del \\(2,7\\)\nThe structure s=\\(\\(\\.\\.\\.\\.\\)\\)\\.\\.\ns\\[2\\]=\\. and s\\[7\\]=\\)\n");
    expect_fatal([&] { getSfromAC(".....", Action(add, 1, 5)); }, "ret.size\\(\\) > in_a.b.rp", ErrorStream::err,
                 kInvariantStatus);
}

TEST_F(Energy, OneCommandRunPerBatchWithOneDrawAndNoFilesLeft) {
    seed_random(5);
    next_random();
    const int next = next_random();
    seed_random(5);
    EXPECT_EQ(getVSEnergy(kSeq, kStructs, standin("ok")), standinEnergies(kStructs));
    EXPECT_EQ(next_random(), next);
    EXPECT_EQ(getVSEnergy(kSeq, kStructs, standin("ok", "-d2")), standinEnergies(kStructs, -10.0));
    EXPECT_EQ(getVSEnergy(kSeq, kStructs, standin("ok", "-d1  -T42.5")), standinEnergies(kStructs));
    EXPECT_TRUE(getVSEnergy(kSeq, {}, standin("ok")).empty());  // an empty batch still runs the command
    EXPECT_EQ(tmpFiles(), 0u);
    EXPECT_EQ(lines_of(read_file("standin.log")),
              (std::vector<std::string>{"records 4 args -d1", "records 4 args -d2", "records 4 args -d1 -T42.5",
                                        "records 0 args -d1"}));
}

// Every failure of a run ends the program with status 1 and leaves the files for inspection.
TEST_F(Energy, FailingCommandOrUnusableOutputIsAFatalError) {
    const std::string tmp = "tmp_[0-9]+_[0-9]+", files = " < " + tmp + "\\.in > " + tmp + "\\.out\n";
    const struct {
        std::string command, message;
        std::size_t files_left;
    } cases[] = {{standin("fail"), "^The following command failed: .*/standin_fail -d1 " + files, 2},
                 {standin("signal"), "^The following command failed: .*/standin_signal -d1 " + files, 4},
                 {"no/such/RNAeval -d1 ", "^The following command failed: no/such/RNAeval -d1 " + files, 6},
                 {standin("garbage"), "^File " + tmp + "\\.out: the energy of record 1 is not a number", 8},
                 {standin("short"), "^File " + tmp + "\\.out holds 3 energy records for 4 structures sent\n", 10},
                 {standin("unlink"), "^Can not open file " + tmp + "\\.out\n", 11},
                 {"", "^The built-in energy model failed on \\(\\(\\.\\.\\.\\.\\.\\)\\.+: ", 11}};
    for (const auto& c : cases) {
        const std::vector<std::string> vs =
            c.command.empty() ? std::vector<std::string>{"((.....)..........."} : kStructs;
        expect_fatal([&] { getVSEnergy(kSeq, vs, c.command); }, c.message);
        EXPECT_EQ(tmpFiles(), c.files_left) << c.command;
    }
    write_file("r.out", "ACGU\n(..) (1.0)\nACGU\n(..) (  abc)\n");
    expect_fatal([&] { readEnergyfromFile("r.out"); },
                 "File r.out: the energy of record 2 is not a number: \\(\\.\\.\\) \\(  abc\\)");
    write_file("t.out", "ACGU\n(..) (-1.2x)\n");
    expect_fatal([&] { readEnergyfromFile("t.out"); }, "File t.out: the energy of record 1");
}

TEST_F(Energy, BuiltinProfilesMatchTheModelAndTheCache) {
    std::mt19937 g(21);
    for (int t = 0; t < 8; ++t) {
        RandomInstance ri = random_instance(g, 30 + 15 * t);
        EnergyCache cache;
        for (ActionChain& ac : ri.parents) {
            getMDEfromAC(ri.seq, ri.A, ac, cache, "");
            const std::vector<std::string> vs = getVSfromAC(ri.A, ac);
            ASSERT_EQ(ac.vde.size(), vs.size());
            EXPECT_EQ(vs.back(), ri.B);
            double maxe = ac.vde[0], sum = 0.0;
            for (std::size_t i = 0; i < vs.size(); ++i) {
                EXPECT_EQ(ac.vde[i], nnmodel::energy(ri.seq, vs[i], 1));
                EXPECT_EQ(cache[vs[i]], ac.vde[i]);
                maxe = std::max(maxe, ac.vde[i]);
                sum += ac.vde[i];
            }
            EXPECT_EQ(ac.mde, maxe - ac.vde[0]);
            EXPECT_EQ(ac.avge, sum / vs.size());
        }
    }
    EnergyCache cache;
    cache["(((...)))"] = OOENERGY;
    ActionChain empty;
    expect_fatal([&] { getMDEfromAC("GGGAAACCC", "(((...)))", empty, cache, standin("ok")); },
                 "eq\\(ve\\[i\\], OOENERGY\\)", ErrorStream::err, kInvariantStatus);
}

TEST_F(Energy, PathReportLayoutAndABadStream) {
    EnergyCache cache;
    const ActionChain ac = C("-0,8 -1,7 +1,7");
    std::ostringstream out;
    visualize_Path(out, "GGGAAACCC", "(((...)))", ac, cache, standin("ok"));
    EXPECT_EQ(out.str(),
              "the barrier energy is 1\nGGGAAACCC\n(((...)))   (-0.5)\n.((...)).   (0)\n..(...)..   (0.5)\n"
              ".((...)).   (0)\n");
    EXPECT_TRUE(cache.empty()) << "the report reads the cache but never fills it";
    out.setstate(std::ios::failbit);
    expect_fatal([&] { visualize_Path(out, "GGGAAACCC", "(((...)))", ac, cache, standin("ok")); },
                 "^iostream error: can not write to the output file\n");
}
