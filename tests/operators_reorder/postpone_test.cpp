#include <gtest/gtest.h>

#include "chains.h"
#include "fatal.h"
#include "operators/random.h"

namespace {

const std::string kSeq = "GGGGAAACCCCAAAAAAAAAAAAAAAAAAA";
const std::string kA = "((....))......................";  // (1,6), (0,7)

ActionChain postpone(const std::string& s) { return C(s).postpone_del(kSeq, kA); }
ActionChain bringforward(const std::string& s) { return C(s).bringforward_add(kSeq, kA); }

// Deletions move up to just before their blocking addition; additions back to just after their
// freeing deletion, never before index 1. Paths without such moves come back unchanged.
TEST(PostponeDelAndBringforwardAdd, MoveUpToTheirBlockers) {
    for (const ActionChain& p : {C(""), C("-1,6"), C("+10,20")}) {
        const ActionChain r[4] = {p.postpone_del(kSeq, kA), p.postpone_del2(kSeq, kA), p.bringforward_add(kSeq, kA),
                                  p.bringforward_add2(kSeq, kA)};
        for (int k = 0; k < 4; ++k) EXPECT_TRUE(r[k] == p && r[k].mde == OOENERGY && r[k].strategy == (k < 2 ? 4 : 5));
    }
    EXPECT_EQ(postpone("+10,20 -1,6"), C("+10,20 -1,6"));              // the last index is never examined
    EXPECT_EQ(postpone("-0,7 +0,11 +12,20"), C("-0,7 +0,11 +12,20"));  // directly blocked
    EXPECT_EQ(postpone("-1,6 +10,20 +11,19 +22,29"), C("+10,20 +11,19 +22,29 -1,6"));  // to the end
    // Blocked by the re-addition of its pair, or by a crossing addition; not by a nested one.
    EXPECT_EQ(postpone("-1,6 +10,20 +1,6 +22,29"), C("+10,20 -1,6 +1,6 +22,29"));
    EXPECT_EQ(postpone("-1,6 +8,12 +3,9 +20,25"), C("+8,12 -1,6 +3,9 +20,25"));
    // The second deletion stays before its blocker; the scan meets the moved one and jumps past it.
    EXPECT_EQ(postpone("-1,6 -0,7 +0,9 +1,8"), C("-0,7 +0,9 -1,6 +1,8"));
    EXPECT_EQ(count_draws(4, [] { postpone("-1,6 -0,7 +0,9 +1,8"); }), 0);
    EXPECT_EQ(bringforward("-1,6 -0,7 +10,20"), C("-1,6 +10,20 -0,7"));              // to index 1, never 0
    EXPECT_EQ(bringforward("+10,20 +11,19 -1,6"), C("+10,20 +11,19 -1,6"));          // at 0 or 1: stays
    EXPECT_EQ(bringforward("-1,6 -0,7 +12,20 +0,11"), C("-1,6 +12,20 -0,7 +0,11"));  // after its blocker
    // +0,11 waits for -0,7 and goes to 2; +22,24 and +21,25 go to 1 in turn.
    EXPECT_EQ(bringforward("-1,6 -0,7 +21,25 +22,24 +0,11"), C("-1,6 +21,25 +22,24 -0,7 +0,11"));
    EXPECT_EQ(count_draws(4, [] { bringforward("-1,6 +10,20 +11,19 +22,29"); }), 0);
}

TEST(BringforwardAdd2, InvalidResultIsAFatalErrorOnStandardOutput) {
    // Adds a pair on a paired base.
    expect_fatal([&] { C("+0,11").bringforward_add2(kSeq, kA); },
                 "^Error:\n" + kSeq + "\n\\(\\(\\.\\.\\.\\.\\)\\)\\.+\nadd \\(0 11\\)\n$", ErrorStream::out);
}

}  // namespace
