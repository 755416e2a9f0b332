#include <gtest/gtest.h>

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

// Position of each strategy id in the output order.
int family_rank(int id) {
    switch (id) {
        case 1: return 0;
        case 2: return 1;
        case 4: return 2;  // postpone_del, then the postpone_del2 calls after bringforward_add
        case 5: return 3;
        case 6: return 6;
        case 7: return 7;
        case 10: return 8;
        case 8: return 9;
        case 9: return 10;
        default: return -1;
    }
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
    return random_parent_sets(seed, count, more);
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
    const std::vector<ParentSet> sets = sets_with_offspring(31, 6);
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
                // Ids come in family order: 1, 2, 4, 5, then 4s, 5s, 6, 7, 10, 8, 9.
                int last = -1, fours = 0, fives = 0;
                for (const ActionChain& c : got) {
                    int r = family_rank(c.strategy);
                    ASSERT_NE(r, -1) << c.strategy;
                    if (c.strategy == 4 && ++fours > 1) r = 4;
                    if (c.strategy == 5 && ++fives > 1) r = 5;
                    EXPECT_GE(r, last);
                    last = r;
                }
                EXPECT_EQ(fours, 1 + a.postpone);
                EXPECT_EQ(fives, 1 + a.bringforward);
                total += static_cast<int>(got.size());
            }
        }
    }
    EXPECT_GT(total, 300);
}

TEST(Reproduce, SmallAllotmentsAndTheShiftStackOrder) {
    // Find a parent for which both shift and stack make offspring.
    std::mt19937 g(8);
    RandomInstance in;
    ActionChain p;
    bool found = false;
    for (int tries = 0; tries < 200 && !found; ++tries) {
        in = random_helix_instance(g, 60);
        for (const ActionChain& c : in.parents) {
            if (!c.shift(in.seq, in.A, 1).empty() && !c.adddelstack(in.seq, in.A, 1).empty()) {
                p = c;
                found = true;
                break;
            }
        }
    }
    ASSERT_TRUE(found);
    auto ids = [&](const Allot& a) {
        std::vector<int> v;
        for (const ActionChain& c : run(p, in, a)) v.push_back(c.strategy);
        return v;
    };
    auto count = [](const std::vector<int>& v, int id) { return std::count(v.begin(), v.end(), id); };
    // Ninth position is the shift allotment (id 10), tenth the stack allotment (id 9).
    std::vector<int> v = ids({-1, 0, 0, 0, 0, 0, 0, 0, 2, 0});
    EXPECT_GT(count(v, 10), 0);
    EXPECT_EQ(count(v, 9), 0);
    v = ids({-1, 0, 0, 0, 0, 0, 0, 0, 0, 2});
    EXPECT_GT(count(v, 9), 0);
    EXPECT_EQ(count(v, 10), 0);
    // Exchange and perturbation allotments below 3 give each operator a count of 0: no
    // offspring and no draw.
    std::vector<ActionChain> out;
    const int d = count_draws(4, [&] { out = run(p, in, Allot{2, 0, 0, 0, 0, 0, 2, 1, 0, 0}); });
    EXPECT_EQ(out.size(), 2u);
    EXPECT_EQ(d, 0);
    // Allotment 3 gives each a count of one.
    v = ids({-1, 0, 0, 0, 0, 0, 3, 3, 0, 0});
    EXPECT_LE(count(v, 7), 2);  // exchange and exchange2; exchange3 gets saddle -1
    EXPECT_GE(count(v, 7), 1);
    EXPECT_LE(count(v, 8), 3);
    EXPECT_GE(count(v, 8), 1);
}

TEST(Reproduce, RandomParentsGiveValidOffspringAndStayUnchanged) {
    const std::vector<ParentSet> sets = sets_with_offspring(57, 10);
    int made = 0;
    for (const ParentSet& s : sets) {
        for (const ActionChain& p0 : s.parents) {
            const ActionChain p = with_saddle(p0);
            const ActionChain before = p;
            const std::vector<ActionChain> out =
                p.reproduce(s.inst.seq, s.inst.A, p.getsaddlepoint(), 3, 3, 2, 2, 4, 6, 6, 4, 4);
            EXPECT_TRUE(p == before && p.vde == before.vde && p.strategy == before.strategy);
            for (const ActionChain& o : out) {
                ++made;
                EXPECT_TRUE(applies_from(s.inst.A, o));
                EXPECT_NE(family_rank(o.strategy), -1);
                EXPECT_TRUE(o.vde.empty());
            }
        }
    }
    EXPECT_GT(made, 500);
}
