#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "chain.h"
#include "variation_helpers.h"

namespace {

struct Allot {
    int saddle, reorder, reorder2, postpone, bringforward, adddel, exchange, perturb, shift, stack;
};

std::vector<ActionChain> run(const ActionChain& p, const RandomInstance& in, const Allot& a) {
    return p.reproduce(in.seq, in.A, a.saddle, a.reorder, a.reorder2, a.postpone, a.bringforward, a.adddel,
                       a.exchange, a.perturb, a.shift, a.stack);
}

// The operators called one by one in the order reproduction fixes.
std::vector<ActionChain> one_by_one(const ActionChain& p, const RandomInstance& in, const Allot& a) {
    const std::string& s = in.seq;
    const std::string& A = in.A;
    std::vector<ActionChain> out;
    auto add = [&out](const std::vector<ActionChain>& v) { out.insert(out.end(), v.begin(), v.end()); };
    add(p.reorder_del(s, A, a.reorder));
    add(p.reorder_del2(s, A, a.reorder2));
    out.push_back(p.postpone_del(s, A));
    out.push_back(p.bringforward_add(s, A));
    for (int k = 0; k < a.postpone; ++k) out.push_back(p.postpone_del2(s, A));
    for (int k = 0; k < a.bringforward; ++k) out.push_back(p.bringforward_add2(s, A));
    add(p.adddel(s, A, a.adddel));
    add(p.exchange(s, A, a.exchange / 3));
    add(p.exchange2(s, A, a.exchange / 3));
    add(p.exchange3(s, A, a.saddle, a.exchange / 3));
    add(p.shift(s, A, a.shift));
    add(p.perturb(s, A, a.perturb / 3));
    add(p.perturb2(s, A, a.perturb / 3));
    add(p.perturb3(s, A, a.perturb / 3));
    add(p.adddelstack(s, A, a.stack));
    return out;
}

ActionChain with_saddle(const ActionChain& p) {
    ActionChain q = p;
    q.vde.assign(q.size() + 1, -1.0);
    q.vde[(q.size() + 1) / 2] = 3.0;
    return q;
}

std::vector<ParentSet> sets_with_offspring(unsigned seed, int count) {
    // A few offspring of each direct path as further parents, spread over the families.
    auto more = [](const RandomInstance& in, const ActionChain& p) {
        const std::vector<ActionChain> all = p.reproduce(in.seq, in.A, -1, 1, 1, 1, 1, 1, 3, 3, 1, 1);
        std::vector<ActionChain> some;
        for (size_t k = 0; k < all.size(); k += 6) some.push_back(all[k]);
        return some;
    };
    return random_parent_sets(seed, count, more, 50);
}

}  // namespace

TEST(Reproduce, AllAllotmentsZeroGiveTheTwoDeterministicReorderings) {
    std::mt19937 g(5);
    const RandomInstance in = random_helix_instance(g, 50);
    for (const ActionChain& p : in.parents) {
        std::vector<ActionChain> out;
        const int d = count_draws(3, [&] { out = run(p, in, Allot{-1, 0, 0, 0, 0, 0, 0, 0, 0, 0}); });
        ASSERT_EQ(out.size(), 2u);
        EXPECT_TRUE(out[0] == p.postpone_del(in.seq, in.A));
        EXPECT_TRUE(out[1] == p.bringforward_add(in.seq, in.A));
        EXPECT_EQ(out[0].strategy, 4);
        EXPECT_EQ(out[1].strategy, 5);
        EXPECT_EQ(d, 0);
    }
}

TEST(Reproduce, RunsTheOperatorsInTheFixedOrderWithTheirAllotments) {
    const std::vector<ParentSet> sets = sets_with_offspring(31, 8);
    // Saddle 0 stands for the parent's own saddle index.
    const std::vector<Allot> allots = {{-1, 2, 2, 2, 2, 3, 6, 6, 3, 3}, {0, 1, 0, 3, 1, 2, 9, 5, 4, 2}};
    int total = 0;
    for (const ParentSet& s : sets) {
        for (const ActionChain& p0 : s.parents) {
            const ActionChain p = with_saddle(p0);
            for (size_t ai = 0; ai < allots.size(); ++ai) {
                Allot a = allots[ai];
                if (a.saddle == 0) a.saddle = p.getsaddlepoint();
                const unsigned seed = 77 + total;
                std::vector<ActionChain> got, want;
                const int dg = count_draws(seed, [&] { got = run(p, s.inst, a); });
                const int dw = count_draws(seed, [&] { want = one_by_one(p, s.inst, a); });
                ASSERT_EQ(got.size(), want.size());
                for (size_t k = 0; k < got.size(); ++k) {
                    EXPECT_TRUE(got[k] == want[k]);
                    EXPECT_EQ(got[k].strategy, want[k].strategy);
                }
                EXPECT_EQ(dg, dw);
                total += static_cast<int>(got.size());
            }
        }
    }
    EXPECT_GT(total, 300);
}

TEST(Reproduce, ExchangeAndPerturbationAllotmentsBelowThreeGiveNothing) {
    std::mt19937 g(8);
    const RandomInstance in = random_helix_instance(g, 50);
    const ActionChain p = with_saddle(in.parents[1]);
    std::vector<ActionChain> out;
    const int d = count_draws(4, [&] { out = run(p, in, Allot{p.getsaddlepoint(), 0, 0, 0, 0, 0, 2, 1, 0, 0}); });
    EXPECT_EQ(out.size(), 2u);
    EXPECT_EQ(d, 0);
    // Allotment 3 gives each of them a count of 1.
    out = run(p, in, Allot{p.getsaddlepoint(), 0, 0, 0, 0, 0, 3, 3, 0, 0});
    EXPECT_GT(out.size(), 2u);
    EXPECT_LE(out.size(), 8u);
}

TEST(Variation, RandomParentsGiveValidOffspringAndStayUnchanged) {
    // Each operator with its id and whether its offspring of one call are all different.
    struct Op {
        int id;
        bool distinct;
        std::vector<ActionChain> (*run)(const ActionChain&, const RandomInstance&, int);
    };
    const std::vector<Op> ops = {
        {8, false, [](const ActionChain& p, const RandomInstance& i, int n) { return p.perturb(i.seq, i.A, n); }},
        {8, true, [](const ActionChain& p, const RandomInstance& i, int n) { return p.perturb2(i.seq, i.A, n); }},
        {8, true, [](const ActionChain& p, const RandomInstance& i, int n) { return p.perturb3(i.seq, i.A, n); }},
        {7, true, [](const ActionChain& p, const RandomInstance& i, int n) { return p.exchange(i.seq, i.A, n); }},
        {7, false, [](const ActionChain& p, const RandomInstance& i, int n) { return p.exchange2(i.seq, i.A, n); }},
        {7, false,
         [](const ActionChain& p, const RandomInstance& i, int n) {
             return p.exchange3(i.seq, i.A, p.getsaddlepoint(), n);
         }},
        {10, true, [](const ActionChain& p, const RandomInstance& i, int n) { return p.shift(i.seq, i.A, n); }},
        {9, false, [](const ActionChain& p, const RandomInstance& i, int n) { return p.adddelstack(i.seq, i.A, n); }},
        {6, true, [](const ActionChain& p, const RandomInstance& i, int n) { return p.adddel(i.seq, i.A, n); }},
    };
    const std::vector<ParentSet> sets = sets_with_offspring(57, 14);
    std::vector<int> made(ops.size() + 1, 0);
    for (const ParentSet& s : sets) {
        for (const ActionChain& p0 : s.parents) {
            const ActionChain p = with_saddle(p0);
            const ActionChain before = p;
            for (size_t k = 0; k <= ops.size(); ++k) {
                const int n = 4;
                const std::vector<ActionChain> out =
                    k < ops.size() ? ops[k].run(p, s.inst, n)
                                   : p.reproduce(s.inst.seq, s.inst.A, p.getsaddlepoint(), 3, 3, 2, 2, 4, 6, 6, 4, 4);
                EXPECT_TRUE(p == before && p.vde == before.vde && p.strategy == before.strategy);
                if (k < ops.size()) {
                    EXPECT_LE(out.size(), static_cast<size_t>(n));
                }
                for (size_t j = 0; j < out.size(); ++j) {
                    const ActionChain& o = out[j];
                    ++made[k];
                    EXPECT_TRUE(applies_from(s.inst.A, o)) << k;
                    EXPECT_TRUE(o.vde.empty());
                    if (k < ops.size()) {
                        EXPECT_EQ(o.strategy, ops[k].id);
                        if (ops[k].distinct) {
                            EXPECT_EQ(getindx(out, o, 0, 1), static_cast<int>(j)) << k;
                        }
                    }
                }
            }
        }
    }
    for (size_t k = 0; k <= ops.size(); ++k) EXPECT_GT(made[k], 20) << k;
}
