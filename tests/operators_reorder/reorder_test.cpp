#include <gtest/gtest.h>

#include <functional>

#include "draws.h"
#include "operators/random.h"
#include "model/stem.h"

namespace {

// The only helix of three or more pairs this sequence can form is (0,11)-(2,9).
const std::string kSeq = "GGGAAAAAACCC" + std::string(30, 'A');
const std::string kDots(30, '.'), kA = ".(...)......" + kDots, kOpen = "............" + kDots;
const stem kStem(BP(0, 11), BP(2, 9));

ActionChain core(const ActionChain& p, const std::string& A, int step, bool& ok, bool random = false) {
    ok = false;
    return random ? p.reorder_del4(at_step(A, p, step), step, kStem, ok)
                  : p.reorder_del(at_step(A, p, step), step, kStem, ok);
}

TEST(GetindxConflict, FirstLaterMoveThePairCannotCoexistWith) {
    const ActionChain c = C("+3,10 -12,20 +5,12 -1,3 -3,10");
    EXPECT_EQ(c.getindx_conflict(0, BP(4, 9)), 2);    // nested add and unrelated del pass; crossing add stops
    EXPECT_EQ(c.getindx_conflict(3, BP(4, 9)), 5);    // none: the length
    EXPECT_EQ(c.getindx_conflict(3, BP(3, 10)), 3);   // a deletion sharing a base
    EXPECT_EQ(c.getindx_conflict(4, BP(3, 10)), 4);   // the deletion of the pair itself
    EXPECT_EQ(c.getindx_conflict(0, BP(10, 15)), 0);  // an addition sharing a base
    EXPECT_EQ(c.getindx_conflict(1, BP(13, 19)), 5);  // nested in the deleted pair: no conflict
    EXPECT_EQ(c.getindx_conflict(2, BP(2, 4)), 5);    // -1,3 crosses it but shares no base
    EXPECT_EQ(c.getindx_conflict(5, BP(4, 9)), 5);
    EXPECT_EQ(c.getindx_conflict(9, BP(4, 9)), 5);
}

// Blocking pairs are deleted from the step on, in outward scan order, each followed by the helix
// pairs it frees (innermost first); detour helix pairs are deleted right before the first move
// they block, or last; blocking pairs absent from the path are re-added at the end.
TEST(ReorderDelCore, ClearsBlockersAndGrowsHelix) {
    const stemlist sl(kSeq, 3);
    ASSERT_EQ(sl.stems.size(), 1u);
    EXPECT_TRUE(sl.stems[0] == kStem);
    const ActionChain p = C("+6,10 +20,30");
    bool ok;
    const ActionChain c0 = core(p, kA, 0, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(c0, C("-1,5 +2,9 +1,10 +0,11 -2,9 -1,10 +6,10 +20,30 +1,5 -0,11"));
    EXPECT_EQ(c0.strategy, 0);
    EXPECT_EQ(c0.mde, OOENERGY);
    EXPECT_TRUE(valid_from(kA, c0));
    // At step 1 (6,10) is present and added in the path: the core stops with the work done so far.
    const ActionChain c1 = core(p, kA, 1, ok);
    EXPECT_EQ(c1, C("+6,10 -1,5 +20,30 +1,5"));
    EXPECT_TRUE(ok);
    EXPECT_EQ(p, C("+6,10 +20,30"));
    // The operator collects one candidate per blocked step and draws them (one draw each).
    std::vector<ActionChain> r;
    EXPECT_EQ(count_draws(1, [&] { r = p.reorder_del(kSeq, kA, 5); }), 2);
    EXPECT_TRUE(r.size() == 2 && r[0].strategy == 1 && ((r[0] == c0 && r[1] == c1) || (r[0] == c1 && r[1] == c0)));
    EXPECT_EQ(count_draws(1, [&] { EXPECT_EQ(p.reorder_del(kSeq, kA, 1).size(), 1u); }), 1);
    EXPECT_EQ(count_draws(2, [&] { EXPECT_TRUE(p.reorder_del(kSeq, kA, 0).empty()); }), 0);
    EXPECT_EQ(count_draws(2, [&] { EXPECT_TRUE(p.reorder_del2(kSeq, kA, 0).empty()); }), 0);
    EXPECT_EQ(count_draws(2, [&] { EXPECT_TRUE(p.reorder_del(kSeq, kOpen, 5).empty()); }), 0);
    // A helix pair added later in the path is moved to the step.
    EXPECT_EQ(core(C("+20,30 -1,5 +2,9 -2,9"), kA, 0, ok), C("-1,5 +2,9 +1,10 +0,11 +20,30 -2,9 -1,10 -0,11"));
    EXPECT_TRUE(ok);
    // (1,4) is met first (from 4, next to the middle 5), then (6,15).
    EXPECT_EQ(core(C("+20,30"), ".(..).(........)" + std::string(26, '.'), 0, ok),
              C("-1,4 -6,15 +2,9 +1,10 +0,11 +20,30 -2,9 -1,10 +1,4 -0,11 +6,15"));
    EXPECT_TRUE(ok);
    // The ends of the span are scanned too: a pair on the outermost base.
    const std::string A3 = "(...................)" + std::string(21, '.');
    const ActionChain q = C("-0,20 +22,30");
    core(q, A3, 0, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(count_draws(2, [&] { EXPECT_EQ(core(q, A3, 0, ok, true), q); }), 0);
    EXPECT_TRUE(ok);
}

TEST(ReorderDelCore, GivesUpOrReportsNothingToDo) {
    bool ok;
    EXPECT_EQ(core(C("+6,10 +20,30"), kOpen, 1, ok), C("+6,10 +20,30"));  // first blocker added in the path
    EXPECT_FALSE(ok);
    core(C("+2,9 -2,9 -3,4"), "...().....()" + kDots, 2, ok);  // helix pair deleted, not added from the step
    EXPECT_FALSE(ok);
    // Only unpaired positions and pairs formed as in the helix: nothing to do for either core.
    const std::string A = "((........))" + kDots;
    EXPECT_EQ(core(C("+20,30"), A, 0, ok), C("+20,30"));
    EXPECT_FALSE(ok);
    EXPECT_EQ(count_draws(3, [&] { EXPECT_EQ(core(C("+20,30"), A, 0, ok, true), C("+20,30")); }), 0);
    EXPECT_FALSE(ok);
}

TEST(ReorderDel2, StemBlockedOnlyByItsOwnPairsIsTriedOnlyByTheSecondOperator) {
    // Blocked only through its own pairs ((4,8) lies in its loop): tried by reorder_del2 only,
    // whose core brings -4,8 to mygaussian_left(0, 0) = 0 without a draw.
    const std::string A2 = "((..(...).))" + kDots;
    EXPECT_EQ(count_draws(4, [&] { EXPECT_TRUE(C("-4,8").reorder_del(kSeq, A2, 3).empty()); }), 0);
    std::vector<ActionChain> r;
    EXPECT_EQ(count_draws(4, [&] { r = C("-4,8").reorder_del2(kSeq, A2, 3); }), 1);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0], C("-4,8"));
    EXPECT_EQ(r[0].strategy, 2);
}

// The random core against a plain reading making the same mygaussian_left draws.
TEST(ReorderDel4Core, PlacesMovesAtHalfNormalPositions) {
    auto ins = [](ActionChain& w, int pos, const char* x) { w.va.insert(w.va.begin() + pos, C(x).va[0]); };
    auto era = [](ActionChain& w, int pos) { w.va.erase(w.va.begin() + pos); };
    auto gl = [](int lb, int ub) { return mygaussian_left(lb, ub); };
    auto check = [&](const std::string& A, const std::string& p, int step,
                     const std::function<void(ActionChain&)>& plain) {
        for (unsigned seed = 1; seed <= 25; ++seed) {
            ActionChain want = C(p), got;
            bool ok;
            const int n_want = count_draws(seed, [&] { plain(want); });
            EXPECT_EQ(count_draws(seed, [&] { got = core(C(p), A, step, ok, true); }), n_want);
            EXPECT_EQ(got, want);
            EXPECT_TRUE(ok);
        }
    };
    // Present from A to the end: deleted in 0..3, restored in 4..7 (20 draws).
    check(kA, "+12,20 +13,19 +22,30 +23,29 +32,40 +33,39", 3, [&](ActionChain& w) {
        ins(w, gl(0, 3), "-1,5");
        ins(w, gl(4, 7), "+1,5");
    });
    // Added before the step and kept: the addition is postponed to 4..6.
    check(kOpen, "+12,20 +1,5 +13,19 +22,30 +23,29 +32,40", 3, [&](ActionChain& w) {
        ins(w, gl(4, 6), "+1,5");
        era(w, 1);
    });
    // Two pairs: (4,5) postponed (the step moves back by one), then (1,3) deleted in 0..2, restored in 3..7.
    check(".(.)........" + kDots, "+20,30 +4,5 +22,28 +23,27 +32,40 +33,39", 3, [&](ActionChain& w) {
        ins(w, gl(4, 6), "+4,5");
        era(w, 1);
        ins(w, gl(0, 2), "-1,3");
        ins(w, gl(3, 7), "+1,3");
    });
    // Deleted after the step: brought forward to 0..step, not before its own earlier addition.
    auto forward = [&](int from, int lb, int ub) {
        return [=](ActionChain& w) {
            era(w, from);
            ins(w, gl(lb, ub), "-1,5");
        };
    };
    check(kA, "+12,20 +13,19 +22,30 -1,5 +23,29", 2, forward(3, 0, 2));
    check(kOpen, "+12,20 +1,5 +13,19 +22,30 -1,5 +23,29", 3, forward(4, 1, 3));
    check(kA, "+12,20 +13,19 -1,5 +1,5 +22,30", 1, forward(2, 0, 1));
    // (0,3) blocks the helix, (4,6) lies in its loop. At step 1 the deletion of (4,6) comes forward
    // first, the step reaches the end, and the kept addition of (0,3) has no later place: it stays.
    const std::string A4 = "....(.)....." + kDots;
    check(A4, "+0,3 -4,6", 1, [&](ActionChain& w) {
        if (gl(0, 1) == 0) w = C("-4,6 +0,3");
    });
    check(kOpen, "+12,20 +1,5", 2, [](ActionChain&) {});  // called directly at the end
    std::vector<ActionChain> out;  // through the operator: one core call, one pick
    EXPECT_EQ(count_draws(3, [&] { out = C("+0,3 -4,6").reorder_del2(kSeq, A4, 4); }), 11);
    EXPECT_TRUE(out.size() == 1 && valid_from(A4, out[0]));
}

}  // namespace
