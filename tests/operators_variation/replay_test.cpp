#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "replay.h"
#include "variation_helpers.h"

TEST(Replay, AgreesWithTheStructureModelOnShuffledPaths) {
    std::mt19937 g(77);
    int clashing = 0, applying = 0;
    for (int c = 0; c < 40; ++c) {
        const RandomInstance in = random_instance(g, 20 + static_cast<int>(g() % 61));
        const std::vector<int> pt = partner_table(in.A);
        const RStruct a(in.A);
        for (int p = 0; p < (int)pt.size(); ++p) EXPECT_EQ(pt[p], a.pairwithwhich(p));
        for (const ActionChain& p : in.parents) {
            for (int k = 0; k < 6; ++k) {
                ActionChain q = p;
                // Swap a few neighbours: some orders stay valid, most break somewhere.
                for (int s = 0; s < k && q.size() > 1; ++s) {
                    const int i = static_cast<int>(g() % (q.size() - 1));
                    std::swap(q.va[i], q.va[i + 1]);
                }
                const bool want = RStruct(in.A).checkclash(q);
                EXPECT_EQ(replay_clashes(in.A, q.va), want);
                (want ? clashing : applying) += 1;
            }
        }
    }
    EXPECT_GT(clashing, 20);
    EXPECT_GT(applying, 20);
}

TEST(Replay, AddClashesOnSharedBasesAndCrossingsOnly) {
    const std::vector<int> pt = partner_table("..((...))..(...)..");
    const std::vector<int> loop = loop_table(pt);
    // Enclosing everything, enclosing a helix, inside a hairpin: no clash; a shared base or
    // a crossing from either side: clash. Free ends clash exactly when their loops differ.
    for (const BP& b : {BP(0, 17), BP(1, 10), BP(4, 6)}) {
        EXPECT_FALSE(add_clashes(pt, b));
        EXPECT_EQ(loop[b.lp], loop[b.rp]);
    }
    for (const BP& b : {BP(5, 13), BP(0, 5), BP(9, 13)}) {
        EXPECT_TRUE(add_clashes(pt, b));
        EXPECT_NE(loop[b.lp], loop[b.rp]);
    }
    EXPECT_TRUE(add_clashes(pt, BP(2, 12)));
    // Reversed pairs go through the structure model and fail there.
    EXPECT_TRUE(replay_clashes("(....)", {Action(del, 5, 0)}));
    EXPECT_FALSE(replay_clashes("(....)", {Action(del, 0, 5), Action(add, 0, 5)}));
}
