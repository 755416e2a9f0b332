// Offspring allotment, ranking and carry-over against plain readings on random counts and scores.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "chains.h"
#include "random/random_stream.h"
#include "search/driver.h"
#include "search/strategy.h"

namespace {

// Allotment slots: reorder, reorder2, postpone, bring forward, detour, exchange, perturbation, shift, stack.
const int kSlotIds[9] = {1, 2, 4, 5, 6, 7, 8, 10, 9};

TEST(Accounting, SharesFollowSurvivalRatesAboveTheFloor) {
    std::mt19937 g(17);
    for (int t = 0; t < 300; ++t) {
        SearchConfig cf;
        cf.OFFSPRINGNUM = 20 + static_cast<int>(g() % 200);
        cf.MINSTRATEGYOFFSPRINGNUM = static_cast<int>(g() % 6);
        Allotment used;
        std::vector<ActionChain> survivors;
        for (int& u : used.n) u = 1 + static_cast<int>(g() % 30);
        for (int k = 0, m = static_cast<int>(g() % 40); k < m; ++k) {
            survivors.emplace_back();
            survivors.back().strategy = static_cast<int>(g() % kStrategyIds);
        }
        const std::vector<int> cnt = count_strategy(survivors);
        const int gen = static_cast<int>(g() % 3);
        double rate[9], sum = 0.0;
        for (int k = 0; k < 9; ++k) sum += rate[k] = static_cast<double>(cnt[kSlotIds[k]]) / used.n[k];
        const Allotment got = update_allotment(used, cnt, gen, cf);
        for (int k = 0; k < 9; ++k) {
            const int share = static_cast<int>(rate[k] * (cf.OFFSPRINGNUM / sum));
            const int want = gen == 0     ? cf.OFFSPRINGNUM / 9
                             : sum == 0.0 ? cf.MINSTRATEGYOFFSPRINGNUM
                                          : std::max(share, cf.MINSTRATEGYOFFSPRINGNUM);
            EXPECT_EQ(got.n[k], want) << "slot " << k;
        }
    }
    SearchConfig cf;
    const Allotment first = initial_allotment(4, cf);
    EXPECT_EQ(std::vector<int>(first.n, first.n + 9), (std::vector<int>{25, 25, 0, 0, 0, 0, 0, 0, 0}));
}

ActionChain scored(double mde, double avge, int tag) {
    ActionChain c;
    c.mde = mde;
    c.avge = avge;
    c.strategy = tag;
    return c;
}

// Barrier, then mean energy, both within 1e-6; equal chains keep their order.
TEST(Ranking, StableSortByBarrierThenMean) {
    EXPECT_TRUE(ascendingsortAC(scored(1.0, -1.0, 0), scored(1.0 + 1e-7, 0.0, 0)));
    EXPECT_FALSE(ascendingsortAC(scored(1.0, 0.0, 0), scored(1.0 + 1e-7, 1e-7, 0)));
    std::mt19937 g(2);
    for (int t = 0; t < 100; ++t) {
        std::vector<ActionChain> v;
        for (int k = 0, n = 1 + static_cast<int>(g() % 40); k < n; ++k)
            v.push_back(scored(0.5 * (g() % 4), 0.25 * (g() % 3), k));
        std::vector<ActionChain> want = v;
        std::stable_sort(want.begin(), want.end(), [](const ActionChain& x, const ActionChain& y) {
            return x.mde < y.mde || (x.mde == y.mde && x.avge < y.avge);
        });
        rank_chains(v);
        for (std::size_t k = 0; k < v.size(); ++k) EXPECT_EQ(v[k].strategy, want[k].strategy);
    }
}

TEST(CarryOver, BestFirstThenRandomPicksBelowThem) {
    std::vector<ActionChain> pop;
    for (int k = 0; k < 6; ++k) pop.push_back(scored(k, 0, k));
    SearchConfig cf;
    cf.PRESERVETOPNUM = 2;
    cf.PRESERVERANNUM = 3;
    seed_random(5);
    const std::vector<ActionChain> pool = carry_over(pop, cf);
    seed_random(5);
    ASSERT_EQ(pool.size(), 5u);
    EXPECT_TRUE(pool[0].strategy == 0 && pool[1].strategy == 1);
    for (int k = 2; k < 5; ++k) EXPECT_EQ(pool[k].strategy, 2 + next_random() % 4);
    cf.PRESERVETOPNUM = 6;  // no draw when the best ones cover the population
    EXPECT_EQ(count_draws(11, [&] { EXPECT_EQ(carry_over(pop, cf).size(), 6u); }), 0);
}

}  // namespace
