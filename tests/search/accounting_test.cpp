#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

#include "search/driver.h"
#include "search/strategy.h"
#include "random/random_stream.h"

namespace {

std::vector<ActionChain> chains_with_ids(const std::vector<std::pair<int, int>>& id_counts) {
    std::vector<ActionChain> v;
    for (const auto& ic : id_counts)
        for (int k = 0; k < ic.second; ++k) {
            ActionChain c;
            c.strategy = ic.first;
            v.push_back(c);
        }
    return v;
}

Allotment all(int x) {
    Allotment a;
    for (int& v : a.n) v = x;
    return a;
}

std::vector<int> as_vector(const Allotment& a) { return std::vector<int>(a.n, a.n + 9); }

TEST(Accounting, CountsEveryId) {
    const std::vector<int> cnt = count_strategy(chains_with_ids({{0, 2}, {1, 3}, {16, 1}, {10, 4}}));
    ASSERT_EQ(cnt.size(), 17u);
    EXPECT_EQ(cnt[0], 2);
    EXPECT_EQ(cnt[1], 3);
    EXPECT_EQ(cnt[10], 4);
    EXPECT_EQ(cnt[16], 1);
    EXPECT_EQ(cnt[9], 0);
}

TEST(Accounting, StartValuesAndFirstGeneration) {
    SearchConfig cf;
    EXPECT_EQ(as_vector(initial_allotment(4, cf)), (std::vector<int>{25, 25, 0, 0, 0, 0, 0, 0, 0}));
    // Whatever survived generation 0, every family then gets an equal share.
    const std::vector<int> cnt = count_strategy(chains_with_ids({{1, 40}, {2, 3}}));
    EXPECT_EQ(as_vector(update_allotment(initial_allotment(4, cf), cnt, 0, cf)), std::vector<int>(9, 11));
}

TEST(Accounting, SharesFollowSurvivalRates) {
    SearchConfig cf;
    const std::vector<int> cnt = count_strategy(chains_with_ids({{1, 22}, {2, 11}, {0, 5}}));
    EXPECT_EQ(as_vector(update_allotment(all(11), cnt, 3, cf)), (std::vector<int>{66, 33, 3, 3, 3, 3, 3, 3, 3}));

    // Shift (id 10) is position 8 and stack (id 9) position 9.
    const std::vector<int> shift_only = count_strategy(chains_with_ids({{10, 5}}));
    EXPECT_EQ(as_vector(update_allotment(all(11), shift_only, 1, cf)),
              (std::vector<int>{3, 3, 3, 3, 3, 3, 3, 100, 3}));

    const std::vector<int> initial_only = count_strategy(chains_with_ids({{0, 9}}));
    EXPECT_EQ(as_vector(update_allotment(all(11), initial_only, 1, cf)), std::vector<int>(9, 3));
}

TEST(Accounting, ZeroFloorAndOddBudgetsStayDefined) {
    SearchConfig cf;
    cf.MINSTRATEGYOFFSPRINGNUM = 0;
    const std::vector<int> cnt = count_strategy(chains_with_ids({{1, 5}}));
    const Allotment once = update_allotment(all(11), cnt, 1, cf);
    EXPECT_EQ(as_vector(once), (std::vector<int>{100, 0, 0, 0, 0, 0, 0, 0, 0}));
    // Families at 0 make the rates undefined: every family falls back to the floor.
    EXPECT_EQ(as_vector(update_allotment(once, cnt, 2, cf)), std::vector<int>(9, 0));

    SearchConfig neg;
    neg.OFFSPRINGNUM = -100;
    neg.MINSTRATEGYOFFSPRINGNUM = -5;
    const Allotment a = update_allotment(all(11), cnt, 1, neg);
    EXPECT_EQ(a.n[0], -5) << "the floor is the larger of the two";
    EXPECT_EQ(a.n[1], 0);

    SearchConfig huge;
    huge.OFFSPRINGNUM = INT_MAX;
    const Allotment tiny = update_allotment(all(INT_MAX), count_strategy(chains_with_ids({{1, 1}})), 1, huge);
    EXPECT_EQ(tiny.n[0], INT_MAX);
}

ActionChain scored(double mde, double avge, int tag) {
    ActionChain c;
    c.mde = mde;
    c.avge = avge;
    c.strategy = tag;
    return c;
}

TEST(Ranking, BarrierThenMeanWithTolerance) {
    EXPECT_TRUE(ascendingsortAC(scored(1.0, 5.0, 0), scored(2.0, 0.0, 0)));
    EXPECT_TRUE(ascendingsortAC(scored(1.0, -1.0, 0), scored(1.0 + 1e-7, 0.0, 0)));
    EXPECT_FALSE(ascendingsortAC(scored(1.0, 0.0, 0), scored(1.0 + 1e-7, 1e-7, 0)));
    EXPECT_FALSE(ascendingsortAC(scored(1.0, 0.0, 0), scored(1.0, 0.0, 0)));

    std::vector<ActionChain> v{scored(3, 0, 0), scored(1, 2, 1), scored(2, 0, 2), scored(1, 1, 3), scored(1, 2, 4)};
    rank_chains(v);
    std::vector<int> order;
    for (const ActionChain& c : v) order.push_back(c.strategy);
    EXPECT_EQ(order, (std::vector<int>{3, 1, 4, 2, 0})) << "equal chains keep their order";

    // Barriers a few tolerances apart compare intransitively; the sort still ends with every chain.
    std::vector<ActionChain> chain;
    for (int k = 0; k < 200; ++k) chain.push_back(scored(1.0 + ((k * 37) % 200) * 0.6e-6, 0.0, k));
    rank_chains(chain);
    ASSERT_EQ(chain.size(), 200u);
    std::vector<int> seen(200, 0);
    for (const ActionChain& c : chain) seen[c.strategy] += 1;
    EXPECT_EQ(seen, std::vector<int>(200, 1));
    EXPECT_LE(chain.front().mde, 1.0 + 3e-6);
}

TEST(CarryOver, BestFirstThenRandomPicksBelowThem) {
    std::vector<ActionChain> pop;
    for (int k = 0; k < 6; ++k) pop.push_back(scored(k, 0, k));
    SearchConfig cf;
    cf.PRESERVETOPNUM = 6;
    seed_random(11);
    const std::vector<ActionChain> whole = carry_over(pop, cf);
    const int next = next_random();
    seed_random(11);
    EXPECT_EQ(next, next_random()) << "no draw when the best ones cover the population";
    ASSERT_EQ(whole.size(), 6u);
    for (int k = 0; k < 6; ++k) EXPECT_EQ(whole[k].strategy, k);

    cf.PRESERVETOPNUM = 2;
    cf.PRESERVERANNUM = 3;
    seed_random(5);
    const std::vector<ActionChain> pool = carry_over(pop, cf);
    seed_random(5);
    ASSERT_EQ(pool.size(), 5u);
    EXPECT_EQ(pool[0].strategy, 0);
    EXPECT_EQ(pool[1].strategy, 1);
    for (int k = 2; k < 5; ++k) EXPECT_EQ(pool[k].strategy, 2 + next_random() % 4);

    cf.PRESERVETOPNUM = -3;
    cf.PRESERVERANNUM = 2;
    const std::vector<ActionChain> picks = carry_over(pop, cf);
    EXPECT_EQ(picks.size(), 2u);
}

}  // namespace
