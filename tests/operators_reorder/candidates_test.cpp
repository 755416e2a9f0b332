#include <gtest/gtest.h>

#include <algorithm>

#include "operators/candidates.h"
#include "draws.h"

namespace {

const std::string kA = "((....))....";  // pairs (1,6), (0,7)

// Candidates 0, 2 and 3 replay from kA; 1 deletes an absent pair.
std::vector<ActionChain> sample() { return {C("-1,6"), C("-8,11"), C("+8,11"), C("-0,7 +0,11")}; }

// Uniform draw without replacement, one draw per pick (also of a last remaining candidate);
// only valid picks count. The lazy form gives the same and builds only drawn candidates, once.
TEST(DrawCandidates, UniformDrawWithoutReplacementKeepingValidOnes) {
    const std::vector<bool> valid = {true, false, true, true};
    for (unsigned seed = 1; seed <= 30; ++seed) {
        for (int n : {0, 1, 2, 3, 10}) {
            seed_random(seed);
            std::vector<int> left = {0, 1, 2, 3}, picks, built;
            while (static_cast<int>(picks.size()) < n && !left.empty()) {
                const int r = next_random() % static_cast<int>(left.size());
                if (valid[left[r]]) picks.push_back(left[r]);
                left.erase(left.begin() + r);
            }
            const int after_plain = next_random();
            seed_random(seed);
            const std::vector<ActionChain> got = draw_candidates(sample(), kA, n, 7);
            EXPECT_EQ(next_random(), after_plain);
            seed_random(seed);
            const std::vector<ActionChain> lazy = draw_candidates(
                4, [&](int k) { built.push_back(k); return sample()[k]; }, kA, n, 9);
            EXPECT_EQ(next_random(), after_plain);
            ASSERT_EQ(got.size(), picks.size());
            ASSERT_EQ(lazy.size(), picks.size());
            EXPECT_EQ(static_cast<int>(got.size()), std::min(n, 3));
            for (std::size_t k = 0; k < picks.size(); ++k) {
                EXPECT_EQ(got[k], sample()[picks[k]]);
                EXPECT_EQ(got[k].strategy, 7);
                EXPECT_EQ(got[k].mde, OOENERGY);
                EXPECT_EQ(lazy[k], got[k]);
                EXPECT_EQ(lazy[k].strategy, 9);
            }
            EXPECT_EQ(built.size(), 4 - left.size());
            std::sort(built.begin(), built.end());
            EXPECT_EQ(std::unique(built.begin(), built.end()), built.end());
        }
    }
    EXPECT_EQ(count_draws(5, [] { EXPECT_TRUE(draw_candidates({}, kA, 3, 1).empty()); }), 0);
    EXPECT_EQ(count_draws(5, [] { EXPECT_TRUE(draw_candidates({sample()[1], sample()[1]}, kA, 2, 1).empty()); }), 2);
}

}  // namespace
