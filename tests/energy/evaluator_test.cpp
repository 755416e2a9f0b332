// The batch evaluator: input and output files, the command run, the temporary names
// and their random draws, the built-in mode, and every way a batch can fail.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "energy/evaluator.h"
#include "files/files.h"
#include "energy_test_util.h"
#include "fatal.h"
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

using EvaluatorFiles = ScratchDirTest;
using EvaluatorCommand = ScratchDirTest;
using EvaluatorBuiltin = ScratchDirTest;
using EvaluatorFailure = ScratchDirTest;

TEST_F(EvaluatorFiles, ExistenceMeansReadable) {
    writeFile("f", "x");
    EXPECT_TRUE(fexists("f"));
    EXPECT_TRUE(fexists("."));
    EXPECT_FALSE(fexists("missing"));
}

TEST_F(EvaluatorFiles, InputHoldsSequenceAndStructurePerRecord) {
    writeFile("x.in", "old text that must go\n");
    writeVS2file("x.in", "GGGAAACCC", {"(((...)))", "........."});
    EXPECT_EQ(readFile("x.in"), "GGGAAACCC\n(((...)))\nGGGAAACCC\n.........\n");
    writeVS2file("x.in", "GGGAAACCC", {});
    EXPECT_TRUE(fexists("x.in"));
    EXPECT_EQ(readFile("x.in"), "");
}

TEST_F(EvaluatorFiles, EnergyIsReadBehindTheStructureWithBlanksAnywhere) {
    writeFile("r.out",
              "ACGU\n(..)  ( -1.20)\n"
              "ACGUAC\n((..))(3.5)\n"
              "ACGU\n(..) (   -0.70 ) \n"
              "ACGU\n....(  12.00)");  // no final line end
    EXPECT_EQ(readEnergyfromFile("r.out"), (std::vector<double>{-1.2, 3.5, -0.7, 12.0}));
    writeFile("e.out", "");
    EXPECT_TRUE(readEnergyfromFile("e.out").empty());
}

TEST_F(EvaluatorFailure, OutputRecordWithoutNumberIsAFatalError) {
    writeFile("r.out", "ACGU\n(..) (1.0)\nACGU\n(..) (  abc)\n");
    expect_fatal([&] { readEnergyfromFile("r.out"); },
                 "File r.out: the energy of record 2 is not a number: \\(\\.\\.\\) \\(  abc\\)");
    writeFile("s.out", "ACGU\n(..)\n");
    expect_fatal([&] { readEnergyfromFile("s.out"); }, "File s.out: the energy of record 1");
    writeFile("t.out", "ACGU\n(..) (-1.2x)\n");
    expect_fatal([&] { readEnergyfromFile("t.out"); }, "File t.out: the energy of record 1");
    expect_fatal([&] { readEnergyfromFile("none.out"); }, "Can not open file none.out\n");
}

TEST_F(EvaluatorCommand, OneRunPerBatchWithOneDrawAndNoFilesLeft) {
    seed_random(5);
    next_random();
    const int next = next_random();
    seed_random(5);
    EXPECT_EQ(getVSEnergy(kSeq, kStructs, standin("ok")), standinEnergies(kStructs));
    EXPECT_EQ(next_random(), next);
    EXPECT_TRUE(tmpFiles().empty());
    EXPECT_EQ(standinLog(), std::vector<std::string>{"records 4 args -d1"});
}

TEST_F(EvaluatorCommand, OptionWordIsPassedOn) {
    EXPECT_EQ(getVSEnergy(kSeq, kStructs, standin("ok", "-d2")), standinEnergies(kStructs, -10.0));
    EXPECT_EQ(standinLog(), std::vector<std::string>{"records 4 args -d2"});
}

TEST_F(EvaluatorCommand, EmptyBatchStillRunsTheCommand) {
    EXPECT_TRUE(getVSEnergy(kSeq, {}, standin("ok")).empty());
    EXPECT_EQ(standinLog(), std::vector<std::string>{"records 0 args -d1"});
    EXPECT_TRUE(tmpFiles().empty());
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

TEST_F(EvaluatorCommand, DirectoryWithBlanksAndShellCharactersIsSafe) {
    const std::string dir = "odd dir;touch pwned $(touch pwned2)";
    std::filesystem::create_directory(dir);
    std::filesystem::copy_file(std::string(STANDIN_DIR) + "standin_ok", dir + "/standin_ok");
    EXPECT_EQ(getVSEnergy(kSeq, kStructs, dir + "/standin_ok -d1 "), standinEnergies(kStructs));
    EXPECT_FALSE(fexists("pwned"));
    EXPECT_FALSE(fexists("pwned2"));
}

// Every failure of a run is a FatalError with status 1 and leaves the files for inspection.
TEST_F(EvaluatorFailure, FailingCommandIsAFatalError) {
    const std::string files = " < tmp_[0-9]+_[0-9]+\\.in > tmp_[0-9]+_[0-9]+\\.out\n";
    expect_fatal([&] { getVSEnergy(kSeq, kStructs, standin("fail")); },
                 "^The following command failed: .*/standin_fail -d1 " + files);
    EXPECT_EQ(tmpFiles().size(), 2u);
    expect_fatal([&] { getVSEnergy(kSeq, kStructs, standin("signal")); },
                 "^The following command failed: .*/standin_signal -d1 " + files);
    EXPECT_EQ(tmpFiles().size(), 4u);
    expect_fatal([&] { getVSEnergy(kSeq, kStructs, "no/such/RNAeval -d1 "); },
                 "^The following command failed: no/such/RNAeval -d1 " + files);
}

TEST_F(EvaluatorFailure, UnusableOutputIsAFatalError) {
    expect_fatal([&] { getVSEnergy(kSeq, kStructs, standin("garbage")); },
                 "^File tmp_[0-9]+_[0-9]+\\.out: the energy of record 1 is not a number");
    EXPECT_EQ(tmpFiles().size(), 2u);
    expect_fatal([&] { getVSEnergy(kSeq, kStructs, standin("short")); },
                 "^File tmp_[0-9]+_[0-9]+\\.out holds 3 energy records for 4 structures sent\n");
    EXPECT_EQ(tmpFiles().size(), 4u);
    expect_fatal([&] { getVSEnergy(kSeq, kStructs, standin("unlink")); },
                 "^Can not open file tmp_[0-9]+_[0-9]+\\.out\n");
    EXPECT_EQ(tmpFiles().size(), 5u);
}

TEST_F(EvaluatorBuiltin, ModelEnergiesWithOneDrawAndNoFiles) {
    seed_random(3);
    next_random();
    const int next = next_random();
    seed_random(3);
    const std::vector<double> ve = getVSEnergy(kSeq, kStructs, "");
    EXPECT_EQ(next_random(), next);
    ASSERT_EQ(ve.size(), kStructs.size());
    for (std::size_t i = 0; i < ve.size(); ++i) EXPECT_EQ(ve[i], nnmodel::energy(kSeq, kStructs[i], 1)) << i;
    EXPECT_TRUE(std::filesystem::is_empty("."));
}

TEST_F(EvaluatorBuiltin, EncodedSequenceFollowsTheSequence) {
    const std::string other = "CCCUUUGGGAGCUUAGGCU";
    for (const std::string& seq : {kSeq, other, kSeq}) {
        const std::vector<double> ve = getVSEnergy(seq, kStructs, "");
        for (std::size_t i = 0; i < ve.size(); ++i) EXPECT_EQ(ve[i], nnmodel::energy(seq, kStructs[i], 1)) << seq;
    }
}

TEST_F(EvaluatorBuiltin, ModelWarningsGoToStandardError) {
    const std::string s = "((.....))..((...)).";  // G-A and A-A cannot pair
    std::vector<std::string> warnings;
    nnmodel::energy_dcal(nnmodel::turner2004(), nnmodel::encode_sequence("AGGAAACCAAAAAAAAAAA"), s, 1, &warnings);
    ASSERT_FALSE(warnings.empty());
    std::string expect;
    for (const std::string& w : warnings) expect += w + "\n";
    ::testing::internal::CaptureStderr();
    getVSEnergy("AGGAAACCAAAAAAAAAAA", {s}, "");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), expect);
}

TEST_F(EvaluatorFailure, BuiltinModelRejectsWhatTheCommandWouldReject) {
    expect_fatal([&] { getVSEnergy(kSeq, {"((.....)..........."}, ""); },
                 "^The built-in energy model failed on \\(\\(\\.\\.\\.\\.\\.\\)\\.+: ");
    expect_fatal([&] { getVSEnergy(kSeq, {"(...)"}, ""); }, "built-in energy model failed");
}
