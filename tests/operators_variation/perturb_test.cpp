#include <gtest/gtest.h>

#include <cstdlib>

#include "chain.h"
#include "random.h"
#include "variation_helpers.h"

namespace {

bool touches(const Action& x, const Action& y) {
    return x.b.lp == y.b.lp || x.b.lp == y.b.rp || x.b.rp == y.b.lp || x.b.rp == y.b.rp;
}

// The single-action move pool written out in full, as a plain list of chains.
std::vector<ActionChain> full_move_pool(const ActionChain& p) {
    const int m = p.size();
    std::vector<ActionChain> pool;
    for (int i = 0; i < m; ++i) {
        int lo = 0, hi = m;
        for (int k = i - 1; k >= 0; --k)
            if (touches(p.va[k], p.va[i])) {
                lo = k + 1;
                break;
            }
        for (int k = i + 1; k < m; ++k)
            if (touches(p.va[k], p.va[i])) {
                hi = k;
                break;
            }
        for (int k = lo; k <= hi; ++k) {
            if (k == i) continue;
            ActionChain c;
            c.va = p.va;
            c.va.insert(c.va.begin() + k, p.va[i]);
            c.va.erase(c.va.begin() + (k < i ? i + 1 : i));
            pool.push_back(c);
        }
    }
    return pool;
}

// Draw without replacement from the full pool, as the operator is meant to.
std::vector<ActionChain> draw_from_full_pool(const ActionChain& p, const std::string& A, int n) {
    std::vector<ActionChain> pool = full_move_pool(p), res;
    while ((int)res.size() < n && !pool.empty()) {
        const int r = myrand((int)pool.size());
        ActionChain c = pool[r];
        pool.erase(pool.begin() + r);
        if (applies_from(A, c)) res.push_back(c);
    }
    return res;
}

const std::string kOpen40(40, '.');
// Three actions on separate bases: every reordering applies from kOpen40.
const ActionChain kFree3 = chain_of({Action(add, 0, 10), Action(add, 12, 20), Action(add, 22, 30)});
// Three actions whose block move and reversal both fail from kPair20.
const std::string kPair20 = "(.........)........."; // pair (0,10)
const ActionChain kStuck3 = chain_of({Action(del, 0, 10), Action(add, 0, 12), Action(add, 1, 11)});

}  // namespace

TEST(Perturb, ZeroCountReturnsNothingWithoutDrawing) {
    const ActionChain p = kFree3;
    for (int op = 0; op < 3; ++op) {
        std::vector<ActionChain> out{ActionChain()};
        const int d = count_draws(11, [&] {
            out = op == 0 ? p.perturb("", kOpen40, 0) : op == 1 ? p.perturb2("", kOpen40, 0) : p.perturb3("", kOpen40, 0);
        });
        EXPECT_TRUE(out.empty()) << op;
        EXPECT_EQ(d, 0) << op;
    }
    // An empty parent has an empty pool.
    EXPECT_TRUE(ActionChain().perturb("", kOpen40, 5).empty());
}

TEST(Perturb, ChainOfTouchingNeighboursOnlyYieldsParentCopies) {
    // Every action shares base 0 with the next: each window is the action's own place.
    const std::string A = "(.........)..";
    const ActionChain p =
        chain_of({Action(del, 0, 10), Action(add, 0, 12), Action(del, 0, 12), Action(add, 0, 10)});
    ASSERT_TRUE(applies_from(A, p));
    std::vector<ActionChain> out;
    const int d = count_draws(5, [&] { out = p.perturb("", A, 10); });
    ASSERT_EQ(out.size(), 4u);  // one unchanged copy per action
    for (const ActionChain& o : out) {
        EXPECT_TRUE(o == p);
        EXPECT_EQ(o.strategy, 8);
        EXPECT_EQ(o.mde, OOENERGY);
        EXPECT_TRUE(o.vde.empty());
    }
    EXPECT_EQ(d, 4);  // myrand(4), (3), (2), (1)
}

TEST(Perturb, DrawsFromTheWholeMovePoolWithoutReplacement) {
    // Same seed, same offspring and draws as drawing from the pool written out in full.
    const std::vector<ParentSet> sets = random_parent_sets(101, 12, no_more);
    int compared = 0;
    for (const ParentSet& s : sets) {
        for (const ActionChain& p : s.parents) {
            for (int n : {1, 3, 40}) {
                const unsigned seed = 1000 + compared++;
                std::vector<ActionChain> got, want;
                const int dg = count_draws(seed, [&] { got = p.perturb(s.inst.seq, s.inst.A, n); });
                const int dw = count_draws(seed, [&] { want = draw_from_full_pool(p, s.inst.A, n); });
                ASSERT_EQ(got.size(), want.size());
                for (size_t k = 0; k < got.size(); ++k) EXPECT_TRUE(got[k] == want[k]);
                EXPECT_EQ(dg, dw);
            }
        }
    }
    // A pool smaller than n is drawn out completely: one offspring per valid candidate.
    const ActionChain p = kFree3;
    const std::vector<ActionChain> all = p.perturb("", kOpen40, 100);
    EXPECT_EQ(all.size(), full_move_pool(p).size());
}

TEST(PerturbBlock, ThreeActionsGiveTheOneBlockMoveOrReversal) {
    // Block starts are drawn until 0 comes up (1 and 2 are redrawn). perturb2 then has
    // l = 2 (equal bounds, no gaussian draw) and one draw for h = 3; perturb3 has l = 3.
    for (bool reverse : {false, true}) {
        const ActionChain p = kFree3;
        std::vector<ActionChain> out;
        const unsigned seed = 7;
        const int d = count_draws(seed, [&] { out = reverse ? p.perturb3("", kOpen40, 1) : p.perturb2("", kOpen40, 1); });
        ASSERT_EQ(out.size(), 1u);
        EXPECT_TRUE(out[0] == (reverse ? chain_of({p.va[2], p.va[1], p.va[0]}) : chain_of({p.va[2], p.va[0], p.va[1]})));
        EXPECT_EQ(out[0].strategy, 8);
        seed_random(seed);
        int expect = 1;
        while (next_random() % 3 != 0) ++expect;
        EXPECT_EQ(d, expect + (reverse ? 0 : 1));
    }
}

TEST(PerturbBlock, ShortParentsGiveNothingWithoutDrawing) {
    for (const ActionChain& p : {ActionChain(), chain_of({Action(add, 0, 10)}),
                                 chain_of({Action(add, 0, 10), Action(add, 12, 20)})}) {
        std::vector<ActionChain> a{ActionChain()}, b{ActionChain()};
        EXPECT_EQ(count_draws(3, [&] { a = p.perturb2("", kOpen40, 5); }), 0);
        EXPECT_EQ(count_draws(3, [&] { b = p.perturb3("", kOpen40, 5); }), 0);
        EXPECT_TRUE(a.empty());
        EXPECT_TRUE(b.empty());
    }
}

TEST(PerturbBlock, DuplicatesSpendAttemptsInvalidCandidatesDoNot) {
    // kFree3 has one block candidate per operator: after it is accepted every further
    // usable pass is a duplicate, so n = 3 ends after exactly three usable passes.
    for (bool reverse : {false, true}) {
        const unsigned seed = 21;
        std::vector<ActionChain> out;
        const int d = count_draws(seed, [&] {
            out = reverse ? kFree3.perturb3("", kOpen40, 3) : kFree3.perturb2("", kOpen40, 3);
        });
        EXPECT_EQ(out.size(), 1u);
        seed_random(seed);
        int expect = 0, usable = 0;
        while (usable < 3) {
            ++expect;
            if (next_random() % 3 == 0) {
                ++usable;
                if (!reverse) {
                    next_random();
                    ++expect;
                }
            }
        }
        EXPECT_EQ(d, expect) << reverse;
    }
    // Many attempts on the same single candidate: the pass limit ends the call.
    EXPECT_EQ(kFree3.perturb2("", kOpen40, 100000).size(), 1u);
    EXPECT_EQ(kFree3.perturb3("", kOpen40, 100000).size(), 1u);

    // kStuck3's only candidate never applies: invalid passes are not spent, so even
    // n = 1 runs until a usable pass meets the pass limit of 100.
    ASSERT_TRUE(applies_from(kPair20, kStuck3));
    for (unsigned seed = 22; seed < 34; ++seed) {
        const bool reverse = seed % 2;
        std::vector<ActionChain> out;
        const int d = count_draws(seed, [&] {
            out = reverse ? kStuck3.perturb3("", kPair20, 1) : kStuck3.perturb2("", kPair20, 1);
        });
        EXPECT_TRUE(out.empty());
        seed_random(seed);
        int expect = 0, tries = 0;
        while (true) {
            ++tries;
            ++expect;
            if (next_random() % 3 != 0) continue;
            if (!reverse) {
                next_random();
                ++expect;
            }
            if (tries >= 100) break;
        }
        EXPECT_EQ(d, expect) << reverse;
    }
}

