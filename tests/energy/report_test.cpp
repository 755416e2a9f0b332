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
    EXPECT_TRUE(cache.empty()) << "the report reads the cache but never fills it";
}

TEST_F(PathReportFailure, StreamInBadStateIsAFatalError) {
    EnergyCache cache;
    std::ostringstream out;
    out.setstate(std::ios::failbit);
    expect_fatal([&] { visualize_Path(out, "GGGAAACCC", "(((...)))", ActionChain(), cache, standin("ok")); },
                 "^iostream error: can not write to the output file\n");
}
