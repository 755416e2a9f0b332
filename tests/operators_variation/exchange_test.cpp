#include <gtest/gtest.h>

#include <cstdlib>

#include "chain.h"
#include "exchange.h"
#include "random.h"
#include "variation_helpers.h"

namespace {

const std::string kOpen40(40, '.');

// Every admissible swap written out with exchange_conflict, drawn the plain way.
std::vector<ActionChain> exchange_by_full_list(const ActionChain& p, const std::string& A, int n) {
    std::vector<std::pair<int, int>> pairs;
    for (int i = 0; i < p.size(); ++i)
        for (int j = i + 1; j < p.size(); ++j)
            if (!exchange_conflict(p.va, i, j)) pairs.emplace_back(i, j);
    std::vector<ActionChain> res;
    while ((int)res.size() < n && !pairs.empty()) {
        const int r = myrand((int)pairs.size());
        ActionChain c;
        c.va = p.va;
        make_exchange(c.va, pairs[r].first, pairs[r].second);
        pairs.erase(pairs.begin() + r);
        if (applies_from(A, c)) res.push_back(c);
    }
    return res;
}

}  // namespace

TEST(ExchangeConflict, SharedBasesDirectlyOrInBetweenRuleASwapOut) {
    const std::vector<Action> va = {Action(add, 0, 10), Action(add, 12, 20), Action(del, 0, 10),
                                    Action(add, 22, 30), Action(add, 0, 31)};
    EXPECT_TRUE(exchange_conflict(va, 0, 2));   // same pair
    EXPECT_TRUE(exchange_conflict(va, 2, 4));   // shared base 0
    EXPECT_FALSE(exchange_conflict(va, 0, 1));  // neighbours on other bases
    EXPECT_FALSE(exchange_conflict(va, 1, 3));  // only (0,10) between, touching neither
    EXPECT_TRUE(exchange_conflict(va, 0, 3));   // (del 0 10) between touches the first
    EXPECT_TRUE(exchange_conflict(va, 1, 4));   // (del 0 10) between touches the second
    // With i > j only the direct test applies.
    EXPECT_FALSE(exchange_conflict(va, 3, 0));
    EXPECT_TRUE(exchange_conflict(va, 4, 0));
    // Reversed positions touch as well.
    EXPECT_TRUE(exchange_conflict({Action(add, 3, 10), Action(add, 10, 15)}, 0, 1));
    EXPECT_TRUE(exchange_conflict({Action(add, 3, 10), Action(add, 1, 3)}, 0, 1));

    std::vector<Action> w = va;
    make_exchange(w, 1, 3);
    EXPECT_TRUE(w[1] == va[3] && w[3] == va[1] && w[0] == va[0] && w[2] == va[2] && w[4] == va[4]);
}

TEST(Exchange, ZeroCountAndNoPairGiveNothing) {
    const ActionChain p = chain_of({Action(add, 0, 10), Action(add, 12, 20)});
    std::vector<ActionChain> a{ActionChain()}, b{ActionChain()}, c{ActionChain()};
    EXPECT_EQ(count_draws(4, [&] {
                  a = p.exchange("", kOpen40, 0);
                  b = p.exchange2("", kOpen40, 0);
                  c = p.exchange3("", kOpen40, 2, 0);
              }),
              0);
    EXPECT_TRUE(a.empty() && b.empty() && c.empty());
    // One action: no pair to swap, no draw.
    const ActionChain one = chain_of({Action(add, 0, 10)});
    EXPECT_EQ(count_draws(4, [&] { a = one.exchange("", kOpen40, 3); }), 0);
    EXPECT_TRUE(a.empty());
}

TEST(Exchange, DrawsEveryAdmissibleSwapAtMostOnce) {
    const std::vector<ParentSet> sets = random_parent_sets(303, 12, no_more);
    int compared = 0;
    for (const ParentSet& s : sets) {
        for (const ActionChain& p : s.parents) {
            for (int n : {1, 3, 1000}) {
                const unsigned seed = 500 + compared++;
                std::vector<ActionChain> got, want;
                const int dg = count_draws(seed, [&] { got = p.exchange(s.inst.seq, s.inst.A, n); });
                const int dw = count_draws(seed, [&] { want = exchange_by_full_list(p, s.inst.A, n); });
                ASSERT_EQ(got.size(), want.size());
                for (size_t k = 0; k < got.size(); ++k) EXPECT_TRUE(got[k] == want[k]);
                EXPECT_EQ(dg, dw);
            }
        }
    }
}

TEST(Exchange2, OneActionSpendsEveryAttemptUpToThePassLimit) {
    const ActionChain one = chain_of({Action(add, 0, 10)});
    std::vector<ActionChain> out{ActionChain()};
    // Two draws (x, y) per pass; n = 5 passes.
    EXPECT_EQ(count_draws(9, [&] { out = one.exchange2("", kOpen40, 5); }), 10);
    EXPECT_TRUE(out.empty());
    // A large n stops at the 100th pass, right after its two draws.
    EXPECT_EQ(count_draws(9, [&] { out = one.exchange2("", kOpen40, 5000); }), 200);
    EXPECT_TRUE(out.empty());
}

TEST(Exchange3, SwapsTheStepOntoTheSaddle) {
    // Saddle index 0 or negative: no offspring, no draw.
    const ActionChain two = chain_of({Action(add, 0, 10), Action(add, 12, 20)});
    std::vector<ActionChain> out{ActionChain()};
    EXPECT_EQ(count_draws(6, [&] { out = two.exchange3("", kOpen40, 0, 5); }), 0);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(count_draws(6, [&] { out = two.exchange3("", kOpen40, -1, 5); }), 0);
    EXPECT_TRUE(out.empty());

    // Saddle 1 fixes x = 0: a draw y = 1 swaps the two actions (the partner range is
    // one index, so no gaussian draw); y = 0 spends the attempt. One draw per pass.
    const unsigned seed = 17;
    const int d = count_draws(seed, [&] { out = two.exchange3("", kOpen40, 1, 3); });
    EXPECT_EQ(d, 3);
    seed_random(seed);
    size_t odd = 0;
    for (int k = 0; k < 3; ++k) odd += next_random() % 2;
    ASSERT_EQ(out.size(), odd);
    for (const ActionChain& o : out) {
        EXPECT_TRUE(o == chain_of({two.va[1], two.va[0]}));
        EXPECT_EQ(o.strategy, 7);
    }
}

