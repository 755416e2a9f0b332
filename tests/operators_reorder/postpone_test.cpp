#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "draws.h"
#include "fatal.h"
#include "operators/random.h"

namespace {

const std::string kSeq = "GGGGAAACCCCAAAAAAAAAAAAAAAAAAA";
const std::string kA = "((....))......................";  // (1,6), (0,7)

ActionChain postpone(const std::string& s) { return C(s).postpone_del(kSeq, kA); }
ActionChain bringforward(const std::string& s) { return C(s).bringforward_add(kSeq, kA); }

TEST(PostponeDel, MovesDeletionsUpToTheirBlockingAddition) {
    for (const ActionChain& p : {C(""), C("-1,6"), C("+10,20")}) {
        for (const ActionChain& r : {p.postpone_del(kSeq, kA), p.postpone_del2(kSeq, kA),
                                     p.bringforward_add(kSeq, kA), p.bringforward_add2(kSeq, kA)}) {
            EXPECT_EQ(r, p);
            EXPECT_EQ(r.mde, OOENERGY);
        }
        EXPECT_EQ(p.postpone_del(kSeq, kA).strategy, 4);
        EXPECT_EQ(p.postpone_del2(kSeq, kA).strategy, 4);
        EXPECT_EQ(p.bringforward_add(kSeq, kA).strategy, 5);
        EXPECT_EQ(p.bringforward_add2(kSeq, kA).strategy, 5);
    }
    EXPECT_EQ(postpone("+10,20 -1,6"), C("+10,20 -1,6"));  // the last index is never examined
    EXPECT_EQ(postpone("-0,7 +0,11 +12,20"), C("-0,7 +0,11 +12,20"));  // directly blocked
    EXPECT_EQ(postpone("-1,6 +10,20 +11,19 +22,29"), C("+10,20 +11,19 +22,29 -1,6"));  // to the end
    // Blocked by the re-addition of its pair, or by a crossing addition; not by a nested one.
    EXPECT_EQ(postpone("-1,6 +10,20 +1,6 +22,29"), C("+10,20 -1,6 +1,6 +22,29"));
    EXPECT_EQ(postpone("-1,6 +8,12 +3,9 +20,25"), C("+8,12 -1,6 +3,9 +20,25"));
    // The second deletion stays before its blocker; the scan meets the moved one and jumps past it.
    EXPECT_EQ(postpone("-1,6 -0,7 +0,9 +1,8"), C("-0,7 +0,9 -1,6 +1,8"));
    EXPECT_EQ(count_draws(4, [] { postpone("-1,6 -0,7 +0,9 +1,8"); }), 0);
    EXPECT_EQ(count_draws(4, [] { bringforward("-1,6 +10,20 +11,19 +22,29"); }), 0);
}

using Op = ActionChain (ActionChain::*)(const std::string&, const std::string&) const;

// Over the seeds whose t = mygaussian_right(lb, ub) is at most tmax: x moves to t + shift, the
// other actions keep their order, and the call costs ten draws. Returns the t seen.
std::vector<int> placed(const ActionChain& p, Op op, const std::string& seq, const std::string& A, int lb, int ub,
                        int tmax, int shift, const Action& x) {
    std::vector<int> ts;
    for (unsigned seed = 1; seed <= 60; ++seed) {
        seed_random(seed);
        const int t = mygaussian_right(lb, ub);
        if (t > tmax) continue;
        ts.push_back(t);
        ActionChain r, rest = p;
        EXPECT_EQ(count_draws(seed, [&] { r = (p.*op)(seq, A); }), 10);
        EXPECT_EQ(r.va[t + shift], x);
        EXPECT_TRUE(!valid_from(A, p) || valid_from(A, r));  // validity is kept
        r.va.erase(r.va.begin() + t + shift);
        rest.va.erase(std::find(rest.va.begin(), rest.va.end(), x));
        EXPECT_EQ(r, rest);
    }
    return ts;
}

// t = 1 (the lower bound, most frequent) occurs, and so do others.
bool varied(const std::vector<int>& ts) {
    return std::count(ts.begin(), ts.end(), 1) > 0 && std::set<int>(ts.begin(), ts.end()).size() > 1;
}

TEST(PostponeDel2AndBringforwardAdd2, DrawTheirTargetFromHalfNormal) {
    // -1,6 before eight additions it does not conflict with: t in 1..9, it lands at t - 1.
    ActionChain p = C("-1,6");
    for (int k = 0; k < 8; ++k) p.push_back(add, 10 + k, 29 - k);
    std::vector<int> ts = placed(p, &ActionChain::postpone_del2, kSeq, kA, 1, 9, 9, -1, Action(del, 1, 6));
    EXPECT_TRUE(varied(ts));
    // -1,6 is blocked by its re-addition at 6. When it stays before -0,7 (t <= 2), meeting it
    // again jumps the scan to 6, so -0,7 is never examined: one draw in all.
    const ActionChain q = C("-1,6 +10,20 -0,7 +11,19 +12,18 +13,17 +1,6");
    EXPECT_GT(placed(q, &ActionChain::postpone_del2, kSeq, kA, 1, 6, 2, -1, Action(del, 1, 6)).size(), 10u);
    // Seven deletions that do not conflict with the final addition: t in 1..6.
    const std::string A = "(.)(.)(.)(.)(.)(.)(.)......", seq(A.size(), 'A');
    ActionChain b;
    for (const BP& bp : RStruct(A).vbp) b.push_back(del, bp);
    b.push_back(add, 21, 25);
    EXPECT_EQ(b.bringforward_add(seq, A).va[1], Action(add, 21, 25));
    ts = placed(b, &ActionChain::bringforward_add2, seq, A, 1, 6, 6, 0, Action(add, 21, 25));
    EXPECT_TRUE(varied(ts));
}

TEST(BringforwardAdd, MovesAdditionsBackToTheirFreeingDeletion) {
    EXPECT_EQ(bringforward("-1,6 -0,7 +10,20"), C("-1,6 +10,20 -0,7"));  // to index 1, never 0
    EXPECT_EQ(bringforward("+10,20 +11,19 -1,6"), C("+10,20 +11,19 -1,6"));  // at 0 or 1: stays
    EXPECT_EQ(bringforward("-1,6 -0,7 +12,20 +0,11"), C("-1,6 +12,20 -0,7 +0,11"));  // after its blocker
    // +0,11 waits for -0,7 and goes to 2; +22,24 and +21,25 go to 1 in turn.
    EXPECT_EQ(bringforward("-1,6 -0,7 +21,25 +22,24 +0,11"), C("-1,6 +21,25 +22,24 -0,7 +0,11"));
}

TEST(BringforwardAdd2, InvalidResultIsAFatalErrorOnStandardOutput) {
    // Adds a pair on a paired base.
    expect_fatal([&] { C("+0,11").bringforward_add2(kSeq, kA); },
                 "^Error:\n" + kSeq + "\n\\(\\(\\.\\.\\.\\.\\)\\)\\.+\nadd \\(0 11\\)\n$", ErrorStream::out);
}

}  // namespace
