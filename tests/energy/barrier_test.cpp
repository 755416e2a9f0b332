// Path barrier, mean energy and energy profile against the model, and the energy cache they fill.
#include <gtest/gtest.h>

#include <random>

#include "energy/barrier.h"
#include "energy/pathstructs.h"
#include "energy_test_util.h"
#include "fatal.h"
#include "nnmodel/nnmodel.h"
#include "random/random_stream.h"
#include "random_instance.h"

namespace {

const std::string kSeq = "GGGAAACCC";
const std::string kStart = "(((...)))";

}  // namespace

using Barrier = ScratchDirTest;
using BarrierFailure = ScratchDirTest;

TEST_F(BarrierFailure, UnevaluatedEnergyInTheProfileIsAnInvariantBreach) {
    EnergyCache cache;
    cache[kStart] = OOENERGY;
    ActionChain ac;
    expect_fatal([&] { getMDEfromAC(kSeq, kStart, ac, cache, standin("ok")); }, "eq\\(ve\\[i\\], OOENERGY\\)",
                 ErrorStream::err, kInvariantStatus);
}

TEST_F(Barrier, BuiltinProfilesMatchTheModelAndTheCache) {
    std::mt19937 g(21);
    for (int t = 0; t < 8; ++t) {
        RandomInstance ri = random_instance(g, 30 + 15 * t);
        EnergyCache cache;
        for (ActionChain& ac : ri.parents) {
            getMDEfromAC(ri.seq, ri.A, ac, cache, "");
            const std::vector<std::string> vs = getVSfromAC(ri.A, ac);
            ASSERT_EQ(ac.vde.size(), vs.size());
            double maxe = ac.vde[0], sum = 0.0;
            for (std::size_t i = 0; i < vs.size(); ++i) {
                EXPECT_EQ(ac.vde[i], nnmodel::energy(ri.seq, vs[i], 1));
                EXPECT_EQ(cache[vs[i]], ac.vde[i]);
                maxe = std::max(maxe, ac.vde[i]);
                sum += ac.vde[i];
            }
            EXPECT_EQ(ac.mde, maxe - ac.vde[0]);
            EXPECT_GE(ac.mde, 0.0);
            EXPECT_EQ(ac.avge, sum / vs.size());
        }
    }
}

#ifdef RNAEVAL_DIR
// The project's command and the built-in model give the same numbers and leave the
// random stream in the same place.
TEST_F(Barrier, CommandAndBuiltinModeAgreeExactly) {
    std::mt19937 g(4);
    for (int t = 0; t < 5; ++t) {
        const RandomInstance ri = random_instance(g, 40 + 30 * t);
        std::vector<ActionChain> viaFile = ri.parents, builtin = ri.parents;
        EnergyCache cacheFile, cacheBuiltin;
        seed_random(100 + t);
        const std::vector<double> mFile =
            getVMDEfromVAC(ri.seq, ri.A, viaFile, cacheFile, std::string(RNAEVAL_DIR) + "RNAeval -d1 ");
        const int nextFile = next_random();
        seed_random(100 + t);
        const std::vector<double> mBuiltin = getVMDEfromVAC(ri.seq, ri.A, builtin, cacheBuiltin, "");
        EXPECT_EQ(next_random(), nextFile);
        EXPECT_EQ(mFile, mBuiltin);
        for (std::size_t k = 0; k < builtin.size(); ++k) {
            EXPECT_EQ(viaFile[k].vde, builtin[k].vde);
            EXPECT_EQ(viaFile[k].mde, builtin[k].mde);
            EXPECT_EQ(viaFile[k].avge, builtin[k].avge);
        }
    }
    EXPECT_TRUE(tmpFiles().empty());
}
#endif
