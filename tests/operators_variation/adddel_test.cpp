#include <gtest/gtest.h>

#include "candidates.h"
#include "chain.h"
#include "variation_helpers.h"

namespace {

// A has (3,10); G at 2 and C at 11 can stack (2,11) outside it. Every other base is T,
// which pairs only with A.
std::string detour_sequence(char b2, char b11) {
    std::string s(16, 'T');
    s[2] = b2;
    s[11] = b11;
    return s;
}
const std::string kA = "...(......).....";

// The operator with every candidate written out and compared with the list.
std::vector<ActionChain> adddel_by_full_list(const ActionChain& p, const std::string& seq, const std::string& A,
                                             int n) {
    const int L = static_cast<int>(seq.size());
    std::vector<ActionChain> cands;
    RStruct cur(A);
    for (int t = 0; t < p.size(); ++t) {
        for (int x : cur.vunp) {
            for (int side : {-1, 1}) {
                for (int y = x + side; y != x + 4 * side && y >= 0 && y < L; y += side) {
                    const int z = cur.pairwithwhich(y);
                    if (z == -1) continue;
                    for (int w = z + side; w != z + 4 * side && w >= 0 && w < L; w += side) {
                        const BP bp(std::min(x, w), std::max(x, w));
                        if (getindx(cur.vunp, w, 0, 1) == -1 || !match(seq[x], seq[w], 1) ||
                            mycheckclash(bp, cur.vbp) || getindx(p.va, Action(add, bp), 0, 1) != -1 ||
                            getindx(p.va, Action(del, bp), 0, 1) != -1 || bp.rp - bp.lp <= 3)
                            continue;
                        const int ic = p.getindx_conflict(t, bp);
                        if (ic - t <= 1) continue;
                        ActionChain c;
                        c.va = p.va;
                        c.va.insert(c.va.begin() + t, Action(add, bp));
                        c.va.insert(c.va.begin() + ic + 1, Action(del, bp));
                        if (getindx(cands, c, 0, 1) == -1) cands.push_back(c);
                    }
                }
            }
        }
        cur.applyAction(p.va[t]);
    }
    return draw_candidates(cands, A, n, 6);
}

}  // namespace

TEST(AddDel, ExtendsAHelixByOnePairForAWhile) {
    const ActionChain p = chain_of({Action(add, 12, 15), Action(add, 5, 8)});
    ASSERT_TRUE(applies_from(kA, p));
    // (2,11) is proposed from x = 2 (next to 3) and from x = 11 (next to 10) at step 0:
    // one candidate. At step 1 the next action is the last one, so no room.
    // Nothing later conflicts with (2,11): its deletion is the last action.
    std::vector<ActionChain> out = p.adddel(detour_sequence('G', 'C'), kA, 5);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(out[0] == chain_of({Action(add, 2, 11), Action(add, 12, 15), Action(add, 5, 8), Action(del, 2, 11)}));
    EXPECT_EQ(out[0].strategy, 6);
    EXPECT_EQ(out[0].mde, OOENERGY);

    // A G-U pair can be a detour; C-C cannot.
    EXPECT_EQ(p.adddel(detour_sequence('G', 'U'), kA, 5).size(), 1u);
    EXPECT_EQ(p.adddel(detour_sequence('U', 'G'), kA, 5).size(), 1u);
    EXPECT_TRUE(p.adddel(detour_sequence('C', 'C'), kA, 5).empty());
    // n = 0.
    EXPECT_TRUE(p.adddel(detour_sequence('G', 'C'), kA, 0).empty());

    // The detour is deleted just before the first later action it conflicts with, and
    // only where at least two actions fit in between: at step 0, not at step 1.
    const ActionChain q = chain_of({Action(add, 12, 15), Action(add, 5, 8), Action(add, 0, 2), Action(add, 13, 14)});
    ASSERT_TRUE(applies_from(kA, q));
    out = q.adddel(detour_sequence('G', 'C'), kA, 5);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(out[0] == chain_of({Action(add, 2, 11), Action(add, 12, 15), Action(add, 5, 8), Action(del, 2, 11),
                                    Action(add, 0, 2), Action(add, 13, 14)}));
}

TEST(AddDel, NeverProposesPathPairsTinyLoopsOrUnpairedSurroundings) {
    std::vector<ActionChain> out;
    // The path itself adds and deletes (2,11): never a detour, even where absent.
    const ActionChain p = chain_of({Action(add, 12, 15), Action(add, 5, 8), Action(add, 2, 11), Action(del, 2, 11),
                                    Action(add, 0, 1)});
    ASSERT_TRUE(applies_from(kA, p));
    EXPECT_EQ(count_draws(4, [&] { out = p.adddel(detour_sequence('G', 'C'), kA, 5); }), 0);
    EXPECT_TRUE(out.empty());

    // (5,7) next to (4,8) pairs but encloses one position only.
    std::string seq(16, 'T');
    seq[5] = 'G';
    seq[7] = 'C';
    const ActionChain q = chain_of({Action(add, 10, 15), Action(add, 11, 14), Action(del, 11, 14)});
    EXPECT_EQ(count_draws(4, [&] { out = q.adddel(seq, "....(...).......", 5); }), 0);
    EXPECT_TRUE(out.empty());

    // No pair anywhere along the path: no neighbour, no candidate.
    const ActionChain r = chain_of({Action(add, 3, 10)});
    EXPECT_EQ(count_draws(4, [&] { out = r.adddel(detour_sequence('G', 'C'), "................", 5); }), 0);
    EXPECT_TRUE(out.empty());
}

TEST(AddDel, SameDrawsAsTheFullCandidateList) {
    auto more = [](const RandomInstance& in, const ActionChain& p) { return p.adddel(in.seq, in.A, 1); };
    const std::vector<ParentSet> sets = random_parent_sets(808, 16, more);
    int compared = 0, nonempty = 0;
    for (const ParentSet& s : sets) {
        for (const ActionChain& p : s.parents) {
            const unsigned seed = 1300 + compared++;
            const int n = 1 + compared % 5;
            std::vector<ActionChain> got, want;
            const int dg = count_draws(seed, [&] { got = p.adddel(s.inst.seq, s.inst.A, n); });
            const int dw = count_draws(seed, [&] { want = adddel_by_full_list(p, s.inst.seq, s.inst.A, n); });
            ASSERT_EQ(got.size(), want.size());
            for (size_t k = 0; k < got.size(); ++k) EXPECT_TRUE(got[k] == want[k]);
            EXPECT_EQ(dg, dw);
            nonempty += !got.empty();
        }
    }
    EXPECT_GT(nonempty, 20);
}

