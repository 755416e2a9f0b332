// The path report: its layout, where its energies come from, and a bad stream.
#include <gtest/gtest.h>

#include <sstream>

#include "energy/report.h"
#include "energy_test_util.h"
#include "fatal.h"

using PathReport = ScratchDirTest;
using PathReportFailure = ScratchDirTest;

TEST_F(PathReport, BarrierSequenceThenEveryStructureWithItsEnergy) {
    EnergyCache cache;
    ActionChain ac;
    ac.push_back(del, 0, 8);
    ac.push_back(del, 1, 7);
    ac.push_back(add, 1, 7);
    std::ostringstream out;
    visualize_Path(out, "GGGAAACCC", "(((...)))", ac, cache, standin("ok"));
    EXPECT_EQ(out.str(),
              "the barrier energy is 1\n"
              "GGGAAACCC\n"
              "(((...)))   (-0.5)\n"
              ".((...)).   (0)\n"
              "..(...)..   (0.5)\n"
              ".((...)).   (0)\n");
}

TEST_F(PathReport, ReadsTheCacheButNeverFillsIt) {
    EnergyCache cache;
    cache["(((...)))"] = -12.3;
    ActionChain none;
    std::ostringstream out;
    visualize_Path(out, "GGGAAACCC", "(((...)))", none, cache, standin("ok"));
    EXPECT_EQ(out.str(), "the barrier energy is 0\nGGGAAACCC\n(((...)))   (-12.3)\n");

    ActionChain one;
    one.push_back(del, 0, 8);
    visualize_Path(out, "GGGAAACCC", "(((...)))", one, cache, standin("ok"));
    visualize_Path(out, "GGGAAACCC", "(((...)))", one, cache, standin("ok"));
    EXPECT_EQ(cache.size(), 1u);
    EXPECT_EQ(standinLog(),
              (std::vector<std::string>{"records 0 args -d1", "records 1 args -d1", "records 1 args -d1"}));
}

TEST_F(PathReportFailure, StreamInBadStateIsAFatalError) {
    EnergyCache cache;
    std::ostringstream out;
    out.setstate(std::ios::failbit);
    expect_fatal([&] { visualize_Path(out, "GGGAAACCC", "(((...)))", ActionChain(), cache, standin("ok")); },
                 "^iostream error: can not write to the output file\n");
}
