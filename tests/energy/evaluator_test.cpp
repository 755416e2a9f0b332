// The batch evaluator: input and output files, the command run, the temporary names
// and their random draws, the built-in mode, and every way a batch can fail.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "energy/evaluator.h"
#include "energy_test_util.h"
#include "fatal.h"
#include "nnmodel/nnmodel.h"
#include "random/random_stream.h"

namespace {

const std::string kSeq = "GGGAAACCCAGCUUAGGCU";
const std::vector<std::string> kStructs = {"(((...)))..........", "...................", "((.....))..((...)).",
                                           "(((...)))..((...))."};

std::vector<double> standinEnergies(const std::vector<std::string>& vs, double shift = 0.0) {
    std::vector<double> v;
    for (const std::string& s : vs) v.push_back(standinEnergy(s) + shift);
    return v;
}

}  // namespace

using EvaluatorCommand = ScratchDirTest;
using EvaluatorFailure = ScratchDirTest;

TEST_F(EvaluatorFailure, OutputRecordWithoutNumberIsAFatalError) {
    write_file("r.out", "ACGU\n(..) (1.0)\nACGU\n(..) (  abc)\n");
    expect_fatal([&] { readEnergyfromFile("r.out"); },
                 "File r.out: the energy of record 2 is not a number: \\(\\.\\.\\) \\(  abc\\)");
    write_file("s.out", "ACGU\n(..)\n");
    expect_fatal([&] { readEnergyfromFile("s.out"); }, "File s.out: the energy of record 1");
    write_file("t.out", "ACGU\n(..) (-1.2x)\n");
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
    EXPECT_EQ(getVSEnergy(kSeq, kStructs, standin("ok", "-d2")), standinEnergies(kStructs, -10.0));
    EXPECT_EQ(getVSEnergy(kSeq, kStructs, standin("ok", "-d1  -T42.5")), standinEnergies(kStructs));
    EXPECT_TRUE(getVSEnergy(kSeq, {}, standin("ok")).empty());  // an empty batch still runs the command
    EXPECT_TRUE(tmpFiles().empty());
    EXPECT_EQ(standinLog(), (std::vector<std::string>{"records 4 args -d1", "records 4 args -d2",
                                                      "records 4 args -d1 -T42.5", "records 0 args -d1"}));
}

// Every failure of a run ends the program with status 1 and leaves the files for inspection.
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

TEST_F(EvaluatorFailure, BuiltinModelRejectsWhatTheCommandWouldReject) {
    expect_fatal([&] { getVSEnergy(kSeq, {"((.....)..........."}, ""); },
                 "^The built-in energy model failed on \\(\\(\\.\\.\\.\\.\\.\\)\\.+: ");
    expect_fatal([&] { getVSEnergy(kSeq, {"(...)"}, ""); }, "built-in energy model failed");
}
