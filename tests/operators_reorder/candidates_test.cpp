#include <gtest/gtest.h>

#include <cstdlib>

#include "candidates.h"
#include "draws.h"
#include "random_stream.h"

namespace {

const std::string kA = "((....))....";  // pairs (1,6), (0,7)

ActionChain chain(std::initializer_list<Action> xs) {
    ActionChain c;
    for (const Action& x : xs) c.push_back(x);
    return c;
}

// Four candidates: 0, 2 and 3 replay from kA, 1 does not (deletes a pair that is absent).
std::vector<ActionChain> sample() {
    return {chain({Action(del, 1, 6)}), chain({Action(del, 8, 11)}), chain({Action(add, 8, 11)}),
            chain({Action(del, 0, 7), Action(add, 0, 11)})};
}

// The draws of the candidate draw written out: uniform pick among the remaining ones, the pick
// leaves the list, only valid picks count.
std::vector<int> expected_picks(unsigned seed, std::vector<int> left, const std::vector<bool>& valid, int n) {
    seed_random(seed);
    std::vector<int> picks;
    int accepted = 0;
    while (accepted < n && !left.empty()) {
        const int r = next_random() % static_cast<int>(left.size());
        const int k = left[r];
        left.erase(left.begin() + r);
        if (valid[k]) {
            picks.push_back(k);
            ++accepted;
        }
    }
    return picks;
}

TEST(DrawCandidates, UniformDrawWithoutReplacementKeepingValidOnes) {
    const std::vector<bool> valid = {true, false, true, true};
    for (unsigned seed = 1; seed <= 30; ++seed) {
        for (int n : {1, 2, 3, 10}) {
            const std::vector<int> picks = expected_picks(seed, {0, 1, 2, 3}, valid, n);
            seed_random(seed);
            std::vector<ActionChain> got = draw_candidates(sample(), kA, n, 7);
            ASSERT_EQ(got.size(), picks.size());
            EXPECT_EQ(static_cast<int>(got.size()), std::min(n, 3));
            for (std::size_t k = 0; k < picks.size(); ++k) {
                EXPECT_EQ(got[k], sample()[picks[k]]);
                EXPECT_EQ(got[k].strategy, 7);
                EXPECT_EQ(got[k].mde, OOENERGY);
            }
        }
    }
    // One draw per iteration: with n above the number of valid ones, every candidate is drawn.
    EXPECT_EQ(count_draws(5, [] { draw_candidates(sample(), kA, 10, 1); }), 4);
    EXPECT_EQ(count_draws(5, [] { draw_candidates(sample(), kA, 0, 1); }), 0);
    EXPECT_EQ(count_draws(5, [] { draw_candidates({}, kA, 3, 1); }), 0);
    // A single remaining candidate still costs one draw (myrand(1)).
    EXPECT_EQ(count_draws(5, [] { draw_candidates({sample()[0]}, kA, 3, 1); }), 1);
    // All invalid: nothing returned, every candidate drawn once.
    std::vector<ActionChain> bad = {sample()[1], sample()[1]};
    EXPECT_EQ(count_draws(5, [&] { EXPECT_TRUE(draw_candidates(bad, kA, 2, 1).empty()); }), 2);
}

TEST(DrawCandidates, LazyFormBuildsOnlyDrawnCandidates) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::vector<int> built;
        auto make = [&](int k) {
            built.push_back(k);
            return sample()[k];
        };
        seed_random(seed);
        std::vector<ActionChain> lazy = draw_candidates(4, make, kA, 2, 9);
        const int after_lazy = next_random();
        seed_random(seed);
        std::vector<ActionChain> eager = draw_candidates(sample(), kA, 2, 9);
        EXPECT_EQ(next_random(), after_lazy);
        ASSERT_EQ(lazy.size(), eager.size());
        for (std::size_t k = 0; k < lazy.size(); ++k) {
            EXPECT_EQ(lazy[k], eager[k]);
            EXPECT_EQ(lazy[k].strategy, 9);
        }
        // Each candidate is built at most once, and only when drawn.
        std::vector<int> sorted = built;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(std::unique(sorted.begin(), sorted.end()), sorted.end());
        EXPECT_LE(built.size(), 4u);
        EXPECT_GE(built.size(), 2u);
    }
}

}  // namespace
