#include <gtest/gtest.h>

#include <cstdlib>

#include "draws.h"
#include "random.h"
#include "stem.h"

namespace {

// The only helix of three or more pairs this sequence can form is (0,11)-(2,9).
const std::string kSeq = "GGGAAAAAACCC" + std::string(30, 'A');
const std::string kDots(30, '.');
const stem kStem(BP(0, 11), BP(2, 9));

ActionChain chain(std::initializer_list<Action> xs) {
    ActionChain c;
    for (const Action& x : xs) c.push_back(x);
    return c;
}

RStruct at_step(const std::string& A, const ActionChain& p, int step) {
    RStruct rs(A);
    for (int i = 0; i < step; ++i) rs.applyAction(p.va[i]);
    return rs;
}

TEST(ReorderSetup, OnlyOneHelixInTheTestSequence) {
    stemlist sl(kSeq, 3);
    ASSERT_EQ(sl.stems.size(), 1u);
    EXPECT_TRUE(sl.stems[0] == kStem);
}

TEST(GetindxConflict, FirstLaterMoveThePairCannotCoexistWith) {
    const ActionChain c = chain({Action(add, 3, 10), Action(del, 12, 20), Action(add, 5, 12), Action(del, 1, 3),
                                 Action(del, 3, 10)});
    EXPECT_EQ(c.getindx_conflict(0, BP(4, 9)), 2);    // nested add and unrelated del pass; crossing add stops
    EXPECT_EQ(c.getindx_conflict(3, BP(4, 9)), 5);    // none: the length
    EXPECT_EQ(c.getindx_conflict(3, BP(3, 10)), 3);   // a deletion sharing a base
    EXPECT_EQ(c.getindx_conflict(4, BP(3, 10)), 4);   // the deletion of the pair itself
    EXPECT_EQ(c.getindx_conflict(0, BP(10, 15)), 0);  // an addition sharing a base
    EXPECT_EQ(c.getindx_conflict(1, BP(12, 25)), 1);  // a deletion sharing a base with it
    EXPECT_EQ(c.getindx_conflict(1, BP(13, 19)), 5);  // nested in the deleted pair: no conflict
    EXPECT_EQ(c.getindx_conflict(2, BP(2, 4)), 5);    // del (1,3) crosses it but shares no base
    EXPECT_EQ(c.getindx_conflict(5, BP(4, 9)), 5);
    EXPECT_EQ(c.getindx_conflict(9, BP(4, 9)), 5);
    EXPECT_EQ(ActionChain().getindx_conflict(0, BP(1, 2)), 0);
}

TEST(ReorderDelCore, ClearsBlockerAndGrowsHelixBehindIt) {
    const std::string A = ".(...)......" + kDots;  // (1,5) blocks the helix
    const ActionChain p = chain({Action(add, 6, 10)});
    bool ok = false;
    ActionChain r = p.reorder_del(RStruct(A), 0, kStem, ok);
    EXPECT_TRUE(ok);
    // The blocker is deleted at the step and restored at the end; the helix pairs follow it
    // innermost first; each detour pair is deleted right before the first move it blocks, or last.
    EXPECT_EQ(r, chain({Action(del, 1, 5), Action(add, 2, 9), Action(add, 1, 10), Action(add, 0, 11),
                        Action(del, 2, 9), Action(del, 1, 10), Action(add, 6, 10), Action(add, 1, 5),
                        Action(del, 0, 11)}));
    EXPECT_EQ(r.strategy, 0);
    EXPECT_EQ(r.mde, OOENERGY);
    EXPECT_TRUE(valid_from(A, r));
    EXPECT_EQ(p, chain({Action(add, 6, 10)}));

    // At the next step (6,10) is present too: the helix cannot grow past it, and (6,10) is
    // added in the path, so the core stops there with the work done so far.
    ok = false;
    r = p.reorder_del(at_step(A, p, 1), 1, kStem, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(r, chain({Action(add, 6, 10), Action(del, 1, 5), Action(add, 1, 5)}));
}

TEST(ReorderDelCore, GivesUpOrReportsNothingToDo) {
    // The first blocking pair is added in the path: ok false, chain unchanged.
    const ActionChain p = chain({Action(add, 6, 10), Action(add, 20, 30)});
    const std::string A0 = "............" + kDots;
    bool ok = true;
    ActionChain r = p.reorder_del(at_step(A0, p, 1), 1, kStem, ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(r, p);

    // A helix pair that is not added from the step on but deleted somewhere: ok false.
    const std::string A1 = "...().....()" + kDots;  // (3,4) and (10,11)
    const ActionChain q = chain({Action(add, 2, 9), Action(del, 2, 9), Action(del, 3, 4)});
    ok = true;
    r = q.reorder_del(at_step(A1, q, 2), 2, kStem, ok);
    EXPECT_FALSE(ok);

    // Only unpaired positions and pairs formed as in the helix: empty list, ok false, for both cores.
    const std::string A2 = "((........))" + kDots;
    const ActionChain s = chain({Action(add, 20, 30)});
    ok = true;
    EXPECT_EQ(s.reorder_del(RStruct(A2), 0, kStem, ok), s);
    EXPECT_FALSE(ok);
    ok = true;
    EXPECT_EQ(count_draws(3, [&] { EXPECT_EQ(s.reorder_del4(RStruct(A2), 0, kStem, ok), s); }), 0);
    EXPECT_FALSE(ok);
}

TEST(ReorderDel, CollectsOverStepsAndDraws) {
    const std::string A = ".(...)......" + kDots;
    const ActionChain p = chain({Action(add, 6, 10), Action(add, 20, 30)});
    // One candidate per step at which the helix is blocked.
    const ActionChain c0 = chain({Action(del, 1, 5), Action(add, 2, 9), Action(add, 1, 10), Action(add, 0, 11),
                                  Action(del, 2, 9), Action(del, 1, 10), Action(add, 6, 10), Action(add, 20, 30),
                                  Action(add, 1, 5), Action(del, 0, 11)});
    const ActionChain c1 = chain({Action(add, 6, 10), Action(del, 1, 5), Action(add, 20, 30), Action(add, 1, 5)});
    for (unsigned seed = 1; seed <= 10; ++seed) {
        seed_random(seed);
        const int first = next_random() % 2;
        seed_random(seed);
        std::vector<ActionChain> r = p.reorder_del(kSeq, A, 5);
        ASSERT_EQ(r.size(), 2u);
        EXPECT_EQ(r[0], first == 0 ? c0 : c1);
        EXPECT_EQ(r[1], first == 0 ? c1 : c0);
        EXPECT_EQ(r[0].strategy, 1);
        EXPECT_EQ(r[1].strategy, 1);
        EXPECT_EQ(count_draws(seed, [&] { p.reorder_del(kSeq, A, 5); }), 2);
        EXPECT_EQ(count_draws(seed, [&] { EXPECT_EQ(p.reorder_del(kSeq, A, 1).size(), 1u); }), 1);
    }
    EXPECT_EQ(count_draws(2, [&] { EXPECT_TRUE(p.reorder_del(kSeq, A, 0).empty()); }), 0);
    EXPECT_EQ(count_draws(2, [&] { EXPECT_TRUE(p.reorder_del2(kSeq, A, 0).empty()); }), 0);
    // No step at which the helix is blocked by a pair the core can clear.
    const ActionChain q = chain({Action(add, 6, 10), Action(add, 20, 30)});
    EXPECT_EQ(count_draws(2, [&] { EXPECT_TRUE(q.reorder_del(kSeq, "............" + kDots, 5).empty()); }), 0);
}

// A step yields a candidate exactly when the core reports ok; the draws count the candidates.
TEST(ReorderDel, CandidateExactlyWhenCoreSucceeds) {
    // A helix pair added later in the path (and deleted after that) is moved, not a failure.
    {
        const std::string A = ".(...)......" + kDots;
        const ActionChain p =
            chain({Action(add, 20, 30), Action(del, 1, 5), Action(add, 2, 9), Action(del, 2, 9)});
        bool ok = false;
        ActionChain r = p.reorder_del(RStruct(A), 0, kStem, ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(r, chain({Action(del, 1, 5), Action(add, 2, 9), Action(add, 1, 10), Action(add, 0, 11),
                            Action(add, 20, 30), Action(del, 2, 9), Action(del, 1, 10), Action(del, 0, 11)}));
        ok = false;
        p.reorder_del(at_step(A, p, 1), 1, kStem, ok);
        EXPECT_TRUE(ok);
        // Steps 0 and 1 qualify and succeed; at step 2 nothing blocks; at step 3 only the helix's
        // own pair (2,9) is present.
        EXPECT_EQ(count_draws(8, [&] { EXPECT_EQ(p.reorder_del(kSeq, A, 10).size(), 2u); }), 2);
    }
    // The outer helix pair was added and deleted before the step: once the second blocking
    // pair, which crosses the inner pair, is gone, growth reaches it and the core gives up.
    {
        const std::string A = "....()(...)." + kDots;  // (4,5) inside the loop, (6,10) crossing
        const ActionChain p = chain({Action(add, 0, 11), Action(del, 0, 11), Action(add, 20, 30)});
        const bool expect_ok[3] = {true, true, false};
        for (int i = 0; i < 3; ++i) {
            bool ok = !expect_ok[i];
            p.reorder_del(at_step(A, p, i), i, kStem, ok);
            EXPECT_EQ(ok, expect_ok[i]) << i;
        }
        EXPECT_EQ(count_draws(8, [&] { p.reorder_del(kSeq, A, 10); }), 2);
    }
}

TEST(ReorderDelCore, BlockingPairsInOutwardScanOrder) {
    // (1,4) is met first (from position 4, next to the middle 5), then (6,15); the helix grows
    // after the second one is gone, each detour pair deleted right before the move it blocks.
    const std::string A = ".(..).(........)" + std::string(26, '.');
    const ActionChain p = chain({Action(add, 20, 30)});
    bool ok = false;
    ActionChain r = p.reorder_del(RStruct(A), 0, kStem, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(r, chain({Action(del, 1, 4), Action(del, 6, 15), Action(add, 2, 9), Action(add, 1, 10),
                        Action(add, 0, 11), Action(add, 20, 30), Action(del, 2, 9), Action(del, 1, 10),
                        Action(add, 1, 4), Action(del, 0, 11), Action(add, 6, 15)}));
    EXPECT_TRUE(valid_from(A, r));

    // The ends of the span are scanned too: a pair on the outermost base.
    const std::string A2 = "(...................)" + std::string(21, '.');
    const ActionChain q = chain({Action(del, 0, 20), Action(add, 22, 30)});
    ok = false;
    EXPECT_EQ(count_draws(2, [&] { EXPECT_EQ(q.reorder_del4(RStruct(A2), 0, kStem, ok), q); }), 0);
    EXPECT_TRUE(ok);
    ok = false;
    q.reorder_del(RStruct(A2), 0, kStem, ok);
    EXPECT_TRUE(ok);
}

TEST(ReorderDel2, StemBlockedOnlyByItsOwnPairsIsTriedOnlyByTheSecondOperator) {
    // (1,10) and (0,11) are helix pairs; (4,8) lies inside its loop and does not conflict.
    const std::string A = "((..(...).))" + kDots;
    const ActionChain p = chain({Action(del, 4, 8)});
    EXPECT_EQ(count_draws(4, [&] { EXPECT_TRUE(p.reorder_del(kSeq, A, 3).empty()); }), 0);
    std::vector<ActionChain> r;
    // The core brings del (4,8) to mygaussian_left(0, 0) = 0 without a draw; one candidate draw.
    EXPECT_EQ(count_draws(4, [&] { r = p.reorder_del2(kSeq, A, 3); }), 1);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0], p);
    EXPECT_EQ(r[0].strategy, 2);
}

// The three placements of the random core, checked against the draws it must make.
TEST(ReorderDel4Core, PlacesMovesAtHalfNormalPositions) {
    const ActionChain fill = chain({Action(add, 12, 20), Action(add, 13, 19), Action(add, 22, 30),
                                    Action(add, 23, 29), Action(add, 32, 40), Action(add, 33, 39)});
    for (unsigned seed = 1; seed <= 25; ++seed) {
        bool ok = false;
        // Present from A to the end: deleted at p in 0..3, restored at q in 4..7.
        {
            const std::string A = ".(...)......" + kDots;
            seed_random(seed);
            const int pp = mygaussian_left(0, 3);
            const int q = mygaussian_left(4, 7);
            ActionChain want = fill;
            want.va.insert(want.va.begin() + pp, Action(del, 1, 5));
            want.va.insert(want.va.begin() + q, Action(add, 1, 5));
            const RStruct rs = at_step(A, fill, 3);
            seed_random(seed);
            EXPECT_EQ(fill.reorder_del4(rs, 3, kStem, ok), want);
            EXPECT_TRUE(ok);
            EXPECT_EQ(count_draws(seed, [&] { fill.reorder_del4(rs, 3, kStem, ok); }), 20);
        }
        // Added before the step and kept: the addition moves to q - 1, q in 4..6.
        {
            const std::string A = "............" + kDots;
            const ActionChain p = chain({Action(add, 12, 20), Action(add, 1, 5), Action(add, 13, 19),
                                         Action(add, 22, 30), Action(add, 23, 29), Action(add, 32, 40)});
            seed_random(seed);
            const int q = mygaussian_left(4, 6);
            ActionChain want = p;
            want.va.insert(want.va.begin() + q, Action(add, 1, 5));
            want.va.erase(want.va.begin() + 1);
            const RStruct rs = at_step(A, p, 3);
            seed_random(seed);
            EXPECT_EQ(p.reorder_del4(rs, 3, kStem, ok), want);
            EXPECT_EQ(count_draws(seed, [&] { p.reorder_del4(rs, 3, kStem, ok); }), 10);
            EXPECT_TRUE(valid_from(A, want));
        }
        // Two pairs: (4,5), added before the step, is postponed (the step moves back by one);
        // then (1,3), present from A, is deleted in 0..2 and restored in 3..7.
        {
            const std::string A = ".(.)........" + kDots;
            const ActionChain p = chain({Action(add, 20, 30), Action(add, 4, 5), Action(add, 22, 28),
                                         Action(add, 23, 27), Action(add, 32, 40), Action(add, 33, 39)});
            seed_random(seed);
            const int q = mygaussian_left(4, 6);
            const int pp = mygaussian_left(0, 2);
            const int q2 = mygaussian_left(3, 7);
            ActionChain want = p;
            want.va.insert(want.va.begin() + q, Action(add, 4, 5));
            want.va.erase(want.va.begin() + 1);
            want.va.insert(want.va.begin() + pp, Action(del, 1, 3));
            want.va.insert(want.va.begin() + q2, Action(add, 1, 3));
            seed_random(seed);
            EXPECT_EQ(p.reorder_del4(at_step(A, p, 3), 3, kStem, ok), want);
        }
        // Deleted after the step, never added: the deletion comes forward to p in 0..2.
        {
            const std::string A = ".(...)......" + kDots;
            const ActionChain p = chain({Action(add, 12, 20), Action(add, 13, 19), Action(add, 22, 30),
                                         Action(del, 1, 5), Action(add, 23, 29)});
            seed_random(seed);
            const int pp = mygaussian_left(0, 2);
            ActionChain want = p;
            want.va.erase(want.va.begin() + 3);
            want.va.insert(want.va.begin() + pp, Action(del, 1, 5));
            const RStruct rs = at_step(A, p, 2);
            seed_random(seed);
            EXPECT_EQ(p.reorder_del4(rs, 2, kStem, ok), want);
            EXPECT_EQ(count_draws(seed, [&] { p.reorder_del4(rs, 2, kStem, ok); }), 10);
        }
        // Deleted after the step and added before it: not before the addition's index (1..3).
        {
            const std::string A = "............" + kDots;
            const ActionChain p = chain({Action(add, 12, 20), Action(add, 1, 5), Action(add, 13, 19),
                                         Action(add, 22, 30), Action(del, 1, 5), Action(add, 23, 29)});
            seed_random(seed);
            const int pp = mygaussian_left(1, 3);
            ActionChain want = p;
            want.va.erase(want.va.begin() + 4);
            want.va.insert(want.va.begin() + pp, Action(del, 1, 5));
            seed_random(seed);
            EXPECT_EQ(p.reorder_del4(at_step(A, p, 3), 3, kStem, ok), want);
        }
        // Deleted and re-added after the step: brought forward to 0..1.
        {
            const std::string A = ".(...)......" + kDots;
            const ActionChain p = chain({Action(add, 12, 20), Action(add, 13, 19), Action(del, 1, 5),
                                         Action(add, 1, 5), Action(add, 22, 30)});
            seed_random(seed);
            const int pp = mygaussian_left(0, 1);
            ActionChain want = p;
            want.va.erase(want.va.begin() + 2);
            want.va.insert(want.va.begin() + pp, Action(del, 1, 5));
            seed_random(seed);
            EXPECT_EQ(p.reorder_del4(at_step(A, p, 1), 1, kStem, ok), want);
        }
    }
}

TEST(ReorderDel4Core, AdditionKeptToTheEndWithNoLaterPlaceStays) {
    // (4,6) lies inside the helix loop, (0,3) blocks it. At step 1 the deletion of (4,6) (the
    // last move) comes forward first, the step reaches the end, and the addition of (0,3) has
    // no later place: it stays where it is.
    const std::string A = "....(.)....." + kDots;
    const ActionChain p = chain({Action(add, 0, 3), Action(del, 4, 6)});
    for (unsigned seed = 1; seed <= 10; ++seed) {
        seed_random(seed);
        const int pp = mygaussian_left(0, 1);
        bool ok = false;
        seed_random(seed);
        ActionChain r = p.reorder_del4(at_step(A, p, 1), 1, kStem, ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(r, pp == 0 ? chain({Action(del, 4, 6), Action(add, 0, 3)}) : p);
        // Through the operator: one core call (10 draws) and one candidate draw.
        std::vector<ActionChain> out;
        EXPECT_EQ(count_draws(seed, [&] { out = p.reorder_del2(kSeq, A, 4); }), 11);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].strategy, 2);
        EXPECT_TRUE(valid_from(A, out[0]));
    }
    // Called directly at the end of the chain.
    const std::string A2 = "............" + kDots;
    const ActionChain q = chain({Action(add, 12, 20), Action(add, 1, 5)});
    bool ok = false;
    EXPECT_EQ(count_draws(1, [&] { EXPECT_EQ(q.reorder_del4(at_step(A2, q, 2), 2, kStem, ok), q); }), 0);
    EXPECT_TRUE(ok);
}

}  // namespace
