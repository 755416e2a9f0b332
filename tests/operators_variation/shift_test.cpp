#include <gtest/gtest.h>

#include <algorithm>

#include "candidates.h"
#include "chain.h"
#include "variation_helpers.h"

namespace {

// Positions 2,3 pair with 12,11; C at 4,5 can take over from 2,3 (G-C pairs).
// Every other base is A, which pairs with nothing here.
std::string shift_sequence(char b4, char b5) {
    std::string s(20, 'A');
    s[4] = b4;
    s[5] = b5;
    s[11] = 'G';
    s[12] = 'G';
    return s;
}
const std::string kStackA = "..((.......)).......";

bool contains(const std::vector<ActionChain>& v, const ActionChain& c) { return getindx(v, c, 0, 1) != -1; }

// Writes the four moves from step t by the position rule; false when one is refused.
bool write_four(ActionChain& c, int t, const std::vector<Action>& moves) {
    int w = t;
    for (const Action& x : moves) {
        int ia, ira;
        if (!c.set_vai(w, x, ia, ira)) return false;
        EXPECT_TRUE(ia == w || ia == w - 1);
        if (ia == w) ++w;
    }
    return true;
}

// The operator with every candidate written out and compared with the list.
std::vector<ActionChain> shift_by_full_list(const ActionChain& p, const std::string& seq, const std::string& A,
                                            int n) {
    const int L = static_cast<int>(seq.size());
    auto bp = [](int x, int y) { return BP(std::min(x, y), std::max(x, y)); };
    std::vector<ActionChain> cands;
    RStruct cur(A);
    auto pw = [&cur](int x) { return cur.pairwithwhich(x); };
    auto ok = [&](int q, int r) {
        return pw(r) == -1 && pw(r + 1) == -1 && match(seq[q], seq[r], 0) && match(seq[q - 1], seq[r + 1], 0) &&
               (r - q >= 4 || q - r - 2 >= 4);
    };
    auto keep = [&](int t, const std::vector<Action>& moves) {
        ActionChain c = p;
        c.strategy = 0;
        if (write_four(c, t, moves) && getindx(cands, c, 0, 1) == -1) cands.push_back(c);
    };
    for (int t = 0; t < p.size(); ++t) {
        for (int x = 0; x <= L - 2; ++x) {
            const int q = pw(x);
            if (q == -1 || pw(x + 1) == -1 || pw(x + 1) != q - 1) continue;
            if (x + 2 < L - 1 && pw(x + 2) == -1 && q - 1 >= 0 && q < L)
                for (int r = x + 1; r <= x + 5; ++r)
                    if (r >= 0 && r + 1 < L && ok(q, r))
                        keep(t, {Action(del, bp(x + 1, q - 1)), Action(add, bp(r + 1, q - 1)), Action(del, bp(x, q)),
                                 Action(add, bp(r, q))});
            if (x - 1 >= 0 && pw(x - 1) == -1 && q - 1 >= 0 && q < L)
                for (int r = x - 1; r >= x - 5; --r)
                    if (r >= 0 && r + 1 < L && ok(q, r))
                        keep(t, {Action(del, bp(x, q)), Action(add, bp(r, q)), Action(del, bp(x + 1, q - 1)),
                                 Action(add, bp(r + 1, q - 1))});
        }
        cur.applyAction(p.va[t]);
    }
    return draw_candidates(cands, A, n, 10);
}

}  // namespace

TEST(SetVai, MovesPresentActionsInsertsNewOnesWithTheirReverse) {
    const ActionChain base =
        chain_of({Action(add, 0, 10), Action(add, 12, 20), Action(del, 0, 10), Action(add, 22, 30)});
    int ia = 7, ira = 7;

    // Present later: inserted at i, old copy removed, ends at i.
    ActionChain c = base;
    EXPECT_TRUE(c.set_vai(1, Action(add, 22, 30), ia, ira));
    EXPECT_TRUE(c == chain_of({base.va[0], base.va[3], base.va[1], base.va[2]}));
    EXPECT_EQ(ia, 1);
    EXPECT_EQ(ira, -1);

    // Present earlier: ends one before i.
    c = base;
    EXPECT_TRUE(c.set_vai(3, Action(add, 0, 10), ia, ira));
    EXPECT_TRUE(c == chain_of({base.va[1], base.va[2], base.va[0], base.va[3]}));
    EXPECT_EQ(ia, 2);
    EXPECT_EQ(ira, -1);

    // Only the reverse is present: refused, unchanged.
    c = base;
    EXPECT_FALSE(c.set_vai(1, Action(del, 12, 20), ia, ira));
    EXPECT_TRUE(c == base);
    EXPECT_EQ(ia, -1);
    EXPECT_EQ(ira, -1);

    // Neither: inserted at i, the reverse before the first later action that the pair
    // cannot coexist with: (add 5 25) encloses (12 20) but crosses (22 30).
    c = base;
    EXPECT_TRUE(c.set_vai(1, Action(add, 5, 25), ia, ira));
    EXPECT_TRUE(c == chain_of({base.va[0], Action(add, 5, 25), base.va[1], base.va[2], Action(del, 5, 25),
                               base.va[3]}));
    EXPECT_EQ(ia, 1);
    EXPECT_EQ(ira, 4);

    // Nothing later conflicts: the reverse goes to the end.
    c = base;
    EXPECT_TRUE(c.set_vai(0, Action(del, 40, 50), ia, ira));
    EXPECT_TRUE(c == chain_of({Action(del, 40, 50), base.va[0], base.va[1], base.va[2], base.va[3],
                               Action(add, 40, 50)}));
    EXPECT_EQ(ia, 0);
    EXPECT_EQ(ira, 5);
}

TEST(Shift, StackSlidesToFreeWatsonCrickPartners) {
    const std::string seq = shift_sequence('C', 'C');
    const ActionChain p = chain_of({Action(add, 14, 19), Action(add, 5, 8)});
    ASSERT_TRUE(applies_from(kStackA, p));
    const std::vector<ActionChain> out = p.shift(seq, kStackA, 10);

    // Step 0: (2,12),(3,11) -> (4,12),(5,11). Each inserted move gets its reverse before
    // the first later action its pair cannot coexist with: (5,11) shares base 5 with
    // (5,8), (4,12) crosses the restored (3,11); (3,11) and (2,12) come back at the end.
    const ActionChain at0 = chain_of({Action(del, 3, 11), Action(add, 5, 11), Action(del, 2, 12), Action(add, 4, 12),
                                      Action(add, 14, 19), Action(del, 5, 11), Action(add, 5, 8),
                                      Action(del, 4, 12), Action(add, 3, 11), Action(add, 2, 12)});
    EXPECT_TRUE(contains(out, at0));
    for (const ActionChain& o : out) {
        EXPECT_EQ(o.strategy, 10);
        EXPECT_TRUE(applies_from(kStackA, o));
    }
    // At step 1 the same moves follow (add 14 19).
    const ActionChain at1 = chain_of({Action(add, 14, 19), Action(del, 3, 11), Action(add, 5, 11), Action(del, 2, 12),
                                      Action(add, 4, 12), Action(del, 5, 11), Action(add, 5, 8),
                                      Action(del, 4, 12), Action(add, 3, 11), Action(add, 2, 12)});
    EXPECT_TRUE(contains(out, at1));
    EXPECT_EQ(out.size(), 2u);
    EXPECT_TRUE(p == chain_of({Action(add, 14, 19), Action(add, 5, 8)}));
}

TEST(Shift, RefusesWobblePairsSmallLoopsAndTakenNeighbours) {
    const ActionChain p = chain_of({Action(add, 14, 19), Action(add, 16, 18)});
    EXPECT_EQ(p.shift(shift_sequence('C', 'C'), kStackA, 10).size(), 2u);
    // G-U would form: no shift.
    EXPECT_TRUE(p.shift(shift_sequence('U', 'U'), kStackA, 10).empty());
    EXPECT_TRUE(p.shift(shift_sequence('C', 'U'), kStackA, 10).empty());
    // n = 0: nothing, no draw.
    std::vector<ActionChain> out{ActionChain()};
    EXPECT_EQ(count_draws(3, [&] { out = p.shift(shift_sequence('C', 'C'), kStackA, 0); }), 0);
    EXPECT_TRUE(out.empty());
    // With the stack at 9,8 the new inner pair would be (5,8), closing two positions only.
    std::string seq(20, 'A');
    seq[4] = 'C';
    seq[5] = 'C';
    seq[8] = 'G';
    seq[9] = 'G';
    EXPECT_TRUE(p.shift(seq, "..((....))..........", 10).empty());
    // Position 4 taken (by (4,10)): the stack at 2,3 does not jump over it to 5,6, so there
    // is no candidate at all and no draw.
    std::string seq2(20, 'A');
    seq2[5] = 'C';
    seq2[6] = 'C';
    seq2[11] = 'G';
    seq2[12] = 'G';
    const ActionChain q = chain_of({Action(add, 14, 19), Action(add, 15, 18)});
    EXPECT_EQ(count_draws(3, [&] { out = q.shift(seq2, "..(((.....))).......", 10); }), 0);
    EXPECT_TRUE(out.empty());
    // The stack seen from its right strand (11,12 on 3,2) slides down: to 6,7 the inner
    // new pair (3,6) would enclose two positions only; 7,8 does not pair.
    std::string seq3(20, 'A');
    seq3[2] = 'G';
    seq3[3] = 'G';
    seq3[6] = 'C';
    seq3[7] = 'C';
    EXPECT_EQ(count_draws(3, [&] { out = p.shift(seq3, kStackA, 10); }), 0);
    EXPECT_TRUE(out.empty());
    seq3[8] = 'C';  // now (3,7), (2,8) can form
    EXPECT_EQ(p.shift(seq3, kStackA, 10).size(), 2u);
    // No stacked pair at all: nothing, and no draw.
    EXPECT_EQ(count_draws(3, [&] { out = p.shift(shift_sequence('C', 'C'), "..(.........).......", 10); }), 0);
    EXPECT_TRUE(out.empty());
}

TEST(Shift, SameDrawsAsTheFullCandidateList) {
    auto more = [](const RandomInstance& in, const ActionChain& p) { return p.shift(in.seq, in.A, 1); };
    const std::vector<ParentSet> sets = random_parent_sets(1212, 16, more);
    int compared = 0, nonempty = 0;
    for (const ParentSet& s : sets) {
        for (const ActionChain& p : s.parents) {
            const unsigned seed = 1700 + compared++;
            const int n = 1 + compared % 5;
            std::vector<ActionChain> got, want;
            const int dg = count_draws(seed, [&] { got = p.shift(s.inst.seq, s.inst.A, n); });
            const int dw = count_draws(seed, [&] { want = shift_by_full_list(p, s.inst.seq, s.inst.A, n); });
            ASSERT_EQ(got.size(), want.size());
            for (size_t k = 0; k < got.size(); ++k) EXPECT_TRUE(got[k] == want[k]);
            EXPECT_EQ(dg, dw);
            nonempty += !got.empty();
        }
    }
    EXPECT_GT(nonempty, 10);
}

