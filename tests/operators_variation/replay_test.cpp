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

TEST(Replay, AddClashesOnSharedBasesAndCrossings) {
    const std::vector<int> pt = partner_table("..((...))..(...)..");
    EXPECT_FALSE(add_clashes(pt, BP(0, 17)));  // encloses everything
    EXPECT_FALSE(add_clashes(pt, BP(1, 10)));  // encloses the first helix
    EXPECT_FALSE(add_clashes(pt, BP(4, 6)));   // inside the hairpin
    EXPECT_TRUE(add_clashes(pt, BP(2, 12)));   // shared base
    EXPECT_TRUE(add_clashes(pt, BP(5, 13)));   // crosses two pairs from inside
    EXPECT_TRUE(add_clashes(pt, BP(0, 5)));    // crosses from outside
    EXPECT_TRUE(add_clashes(pt, BP(9, 13)));   // crosses the second hairpin pair
    // Reversed pairs go through the structure model and fail there.
    EXPECT_TRUE(replay_clashes("(....)", {Action(del, 5, 0)}));
    EXPECT_FALSE(replay_clashes("(....)", {Action(del, 0, 5), Action(add, 0, 5)}));
    EXPECT_TRUE(replay_clashes("(....)", {Action(add, 1, 7)}));
}
