#include <gtest/gtest.h>

#include "candidates.h"
#include "chain.h"
#include "stem.h"
#include "variation_helpers.h"

namespace {

// Path used with the core: A has (0,29), and the parent is valid from A.
const std::string kA29 = "(............................)";
const ActionChain kCoreParent = chain_of(
    {Action(del, 0, 29), Action(add, 14, 20), Action(add, 11, 24), Action(del, 11, 24), Action(add, 9, 13)});

RStruct after_steps(const std::string& A, const ActionChain& p, int steps) {
    RStruct rs(A);
    for (int j = 0; j < steps; ++j) rs.applyAction(p.va[j]);
    return rs;
}

// The driver with every core result written out before the draw.
std::vector<ActionChain> stack_by_full_list(const ActionChain& p, const std::string& seq, const std::string& A,
                                            int n) {
    const stemlist sl(seq, 3);
    std::vector<ActionChain> cands;
    RStruct rs(A);
    for (int i = 0; i < p.size(); ++i) {
        if (i > 0 && p.va[i - 1].a == del) {
            for (const stem& st : sl.stems) {
                if (st.containBP(p.va[i - 1].b)) continue;
                bool ok = false;
                ActionChain c = p.adddelstack(rs, i, st, ok);
                if (ok) cands.push_back(c);
            }
        }
        rs.applyAction(p.va[i]);
    }
    return draw_candidates(cands, A, n, 9);
}

}  // namespace

TEST(StackCore, InsertsFreeHelixPairsWithDeletionsBeforeTheirFirstBlock) {
    ASSERT_TRUE(applies_from(kA29, kCoreParent));
    const RStruct rs = after_steps(kA29, kCoreParent, 1);

    // (11,24) is added by the path: skipped, but the inner (12,23) is still inserted.
    // Both inserted pairs are first blocked by (add 9 13).
    bool ok = false;
    ActionChain c = kCoreParent.adddelstack(rs, 1, stem(BP(10, 25), BP(12, 23)), ok);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(c == chain_of({Action(del, 0, 29), Action(add, 10, 25), Action(add, 12, 23), Action(add, 14, 20),
                               Action(add, 11, 24), Action(del, 11, 24), Action(del, 10, 25), Action(del, 12, 23),
                               Action(add, 9, 13)}));
    EXPECT_TRUE(applies_from(kA29, c));
    EXPECT_EQ(c.strategy, 0);
    EXPECT_EQ(c.mde, OOENERGY);

    // Nothing later blocks (1,8) and (2,7): both deletions go to the end, outer first.
    ok = false;
    c = kCoreParent.adddelstack(rs, 1, stem(BP(1, 8), BP(2, 7)), ok);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(c == chain_of({Action(del, 0, 29), Action(add, 1, 8), Action(add, 2, 7), Action(add, 14, 20),
                               Action(add, 11, 24), Action(del, 11, 24), Action(add, 9, 13), Action(del, 1, 8),
                               Action(del, 2, 7)}));

    // Every pair of (16,23)-(18,21) crosses (add 14 20), the action at the step: ok false.
    ok = true;
    c = kCoreParent.adddelstack(rs, 1, stem(BP(16, 23), BP(18, 21)), ok);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(c == kCoreParent);

    // Pairs that clash with the structure before the step are skipped: at step 0, (0,29)
    // is present, so (0,29) itself is skipped and (1,28) nested inside it is inserted.
    ok = false;
    c = kCoreParent.adddelstack(RStruct(kA29), 0, stem(BP(0, 29), BP(1, 28)), ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(c.size(), kCoreParent.size() + 2);
    EXPECT_TRUE(c.va[0] == Action(add, 1, 28));
}

TEST(Stack, TriesStemsOnlyAfterDeletionsAndNotThoseHoldingTheDeletedPair) {
    // GGGAAAACCC forms exactly one stem of three pairs: (0,9)-(2,7).
    const std::string seq = "GGGAAAACCC";
    const std::string A = "((.....).)";  // (1,7), (0,9)
    ASSERT_EQ(stemlist(seq, 3).stems.size(), 1u);

    // After (del 1 7) the stem is tried: (0,9) is present, (1,8) and (2,7) are inserted.
    const ActionChain p1 = chain_of({Action(del, 1, 7), Action(del, 0, 9)});
    std::vector<ActionChain> out = p1.adddelstack(seq, A, 5);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(out[0] == chain_of({Action(del, 1, 7), Action(add, 1, 8), Action(add, 2, 7), Action(del, 0, 9),
                                    Action(del, 1, 8), Action(del, 2, 7)}));
    EXPECT_EQ(out[0].strategy, 9);

    // After (del 0 9) the stem holds the deleted pair and is not tried.
    const ActionChain p2 = chain_of({Action(del, 0, 9), Action(del, 1, 7)});
    EXPECT_EQ(count_draws(2, [&] { out = p2.adddelstack(seq, A, 5); }), 0);
    EXPECT_TRUE(out.empty());

    // After (del 1 7), (0,9) is present and (add 3 8), the action at the step, blocks
    // (1,8) and (2,7): the stem gives no candidate and nothing is drawn.
    const ActionChain p4 = chain_of({Action(del, 1, 7), Action(add, 3, 8)});
    EXPECT_EQ(count_draws(2, [&] { out = p4.adddelstack(seq, A, 5); }), 0);
    EXPECT_TRUE(out.empty());

    // Additions only: no step follows a deletion.
    const ActionChain p3 = chain_of({Action(add, 2, 6)});
    EXPECT_EQ(count_draws(2, [&] { out = p3.adddelstack(seq, "..........", 5); }), 0);
    EXPECT_TRUE(out.empty());
    // n = 0.
    EXPECT_TRUE(p1.adddelstack(seq, A, 0).empty());
}

TEST(Stack, SameDrawsAsTheFullCandidateList) {
    const std::vector<ParentSet> sets = random_parent_sets(606, 16, no_more);
    int compared = 0, nonempty = 0;
    for (const ParentSet& s : sets) {
        for (const ActionChain& p : s.parents) {
            for (int n : {1, 4}) {
                const unsigned seed = 900 + compared++;
                std::vector<ActionChain> got, want;
                const int dg = count_draws(seed, [&] { got = p.adddelstack(s.inst.seq, s.inst.A, n); });
                const int dw = count_draws(seed, [&] { want = stack_by_full_list(p, s.inst.seq, s.inst.A, n); });
                ASSERT_EQ(got.size(), want.size());
                for (size_t k = 0; k < got.size(); ++k) {
                    EXPECT_TRUE(got[k] == want[k]);
                    EXPECT_EQ(got[k].strategy, 9);
                }
                EXPECT_EQ(dg, dw);
                nonempty += !got.empty();
            }
        }
    }
    EXPECT_GT(nonempty, 20);
}

