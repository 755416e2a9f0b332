// The batch evaluator: input and output files, the command run, the temporary names
// and their random draws, the built-in mode, and every way a batch can fail.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "energy_test_util.h"
#include "energy/evaluator.h"
#include "nnmodel/nnmodel.h"
#include "random/random_stream.h"

namespace {

const std::string kSeq = "GGGAAACCCAGCUUAGGCU";
const std::vector<std::string> kStructs = {"(((...)))..........", "...................", "((.....))..((...)).",
                                           "(((...)))..((...))."};

std::string tmpName(int r, const char* ext) { return "tmp_" + std::to_string(getpid()) + "_" + std::to_string(r) + ext; }

std::vector<double> standinEnergies(const std::vector<std::string>& vs, double shift = 0.0) {
    std::vector<double> v;
    for (const std::string& s : vs) v.push_back(standinEnergy(s) + shift);
    return v;
}

}  // namespace

using EvaluatorCommand = ScratchDirTest;
using EvaluatorDeathTest = ScratchDirTest;

TEST_F(EvaluatorDeathTest, OutputRecordWithoutNumberEndsTheProgram) {
    writeFile("r.out", "ACGU\n(..) (1.0)\nACGU\n(..) (  abc)\n");
    EXPECT_EXIT(readEnergyfromFile("r.out"), ::testing::ExitedWithCode(1),
                "File r.out: the energy of record 2 is not a number: \\(\\.\\.\\) \\(  abc\\)");
    writeFile("s.out", "ACGU\n(..)\n");
    EXPECT_EXIT(readEnergyfromFile("s.out"), ::testing::ExitedWithCode(1), "File s.out: the energy of record 1");
    writeFile("t.out", "ACGU\n(..) (-1.2x)\n");
    EXPECT_EXIT(readEnergyfromFile("t.out"), ::testing::ExitedWithCode(1), "File t.out: the energy of record 1");
    EXPECT_EXIT(readEnergyfromFile("none.out"), ::testing::ExitedWithCode(1), "Can not open file none.out\n");
}

TEST_F(EvaluatorCommand, OneRunPerBatchWithOneDrawAndNoFilesLeft) {
    seed_random(5);
    next_random();
    const int next = next_random();
    seed_random(5);
    EXPECT_EQ(getVSEnergy(kSeq, kStructs, standin("ok")), standinEnergies(kStructs));
    EXPECT_EQ(next_random(), next);
    EXPECT_TRUE(tmpFiles().empty());
    EXPECT_EQ(getVSEnergy(kSeq, kStructs, standin("ok", "-d2")), standinEnergies(kStructs, -10.0));
    EXPECT_TRUE(getVSEnergy(kSeq, {}, standin("ok")).empty());  // an empty batch still runs the command
    EXPECT_TRUE(tmpFiles().empty());
    EXPECT_EQ(standinLog(), (std::vector<std::string>{"records 4 args -d1", "records 4 args -d2", "records 0 args -d1"}));
}

TEST_F(EvaluatorCommand, TakenNameIsDrawnAgain) {
    for (const char* taken : {".out", ".in"}) {
        seed_random(9);
        const int r1 = next_random() % 10000 + 1;
        const int r2 = next_random() % 10000 + 1;
        const int next = next_random();
        ASSERT_NE(r1, r2);
        writeFile(tmpName(r1, taken), "keep");
        seed_random(9);
        EXPECT_EQ(getVSEnergy(kSeq, kStructs, standin("ok")), standinEnergies(kStructs));
        EXPECT_EQ(next_random(), next) << taken;
        EXPECT_EQ(tmpFiles(), std::vector<std::string>{tmpName(r1, taken)});
        EXPECT_EQ(readFile(tmpName(r1, taken)), "keep");
        std::filesystem::remove(tmpName(r1, taken));
    }
}

// Every failure of a run ends the program with status 1 and leaves the files for inspection.
TEST_F(EvaluatorDeathTest, FailingCommandEndsTheProgram) {
    const std::string files = " < tmp_[0-9]+_[0-9]+\\.in > tmp_[0-9]+_[0-9]+\\.out\n";
    EXPECT_EXIT(getVSEnergy(kSeq, kStructs, standin("fail")), ::testing::ExitedWithCode(1),
                "^The following command failed: .*/standin_fail -d1 " + files);
    EXPECT_EQ(tmpFiles().size(), 2u);
    EXPECT_EXIT(getVSEnergy(kSeq, kStructs, standin("signal")), ::testing::ExitedWithCode(1),
                "^The following command failed: .*/standin_signal -d1 " + files);
    EXPECT_EQ(tmpFiles().size(), 4u);
    EXPECT_EXIT(getVSEnergy(kSeq, kStructs, "no/such/RNAeval -d1 "), ::testing::ExitedWithCode(1),
                "^The following command failed: no/such/RNAeval -d1 " + files);
}

TEST_F(EvaluatorDeathTest, UnusableOutputEndsTheProgram) {
    EXPECT_EXIT(getVSEnergy(kSeq, kStructs, standin("garbage")), ::testing::ExitedWithCode(1),
                "^File tmp_[0-9]+_[0-9]+\\.out: the energy of record 1 is not a number");
    EXPECT_EQ(tmpFiles().size(), 2u);
    EXPECT_EXIT(getVSEnergy(kSeq, kStructs, standin("short")), ::testing::ExitedWithCode(1),
                "^File tmp_[0-9]+_[0-9]+\\.out holds 3 energy records for 4 structures sent\n");
    EXPECT_EQ(tmpFiles().size(), 4u);
    EXPECT_EXIT(getVSEnergy(kSeq, kStructs, standin("unlink")), ::testing::ExitedWithCode(1),
                "^Can not open file tmp_[0-9]+_[0-9]+\\.out\n");
    EXPECT_EQ(tmpFiles().size(), 5u);
}

TEST_F(EvaluatorDeathTest, BuiltinModelRejectsWhatTheCommandWouldReject) {
    EXPECT_EXIT(getVSEnergy(kSeq, {"((.....)..........."}, ""), ::testing::ExitedWithCode(1),
                "^The built-in energy model failed on \\(\\(\\.\\.\\.\\.\\.\\)\\.+: ");
    EXPECT_EXIT(getVSEnergy(kSeq, {"(...)"}, ""), ::testing::ExitedWithCode(1), "built-in energy model failed");
}
