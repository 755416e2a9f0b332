#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <set>

#include "draws.h"
#include "random.h"

namespace {

const std::string kSeq = "GGGGAAACCCCAAAAAAAAAAAAAAAAAAA";
//                        0123456789012345678901234567890
const std::string kA = "((....))......................";  // (1,6), (0,7)

ActionChain chain(std::initializer_list<Action> xs) {
    ActionChain c;
    for (const Action& x : xs) c.push_back(x);
    return c;
}

TEST(PostponeDel, MovesDeletionsUpToTheirBlockingAddition) {
    // Empty and one-action paths come back unchanged with the strategy set.
    for (const ActionChain& p : {chain({}), chain({Action(del, 1, 6)})}) {
        ActionChain r = p.postpone_del(kSeq, kA);
        EXPECT_EQ(r, p);
        EXPECT_EQ(r.strategy, 4);
        EXPECT_EQ(r.mde, OOENERGY);
        EXPECT_EQ(p.postpone_del2(kSeq, kA), p);
        EXPECT_EQ(p.postpone_del2(kSeq, kA).strategy, 4);
    }
    // A deletion at the last index is never moved.
    ActionChain last = chain({Action(add, 10, 20), Action(del, 1, 6)});
    EXPECT_EQ(last.postpone_del(kSeq, kA), last);
    // A deletion followed directly by a conflicting addition is not moved.
    ActionChain blocked = chain({Action(del, 0, 7), Action(add, 0, 11), Action(add, 12, 20)});
    EXPECT_EQ(blocked.postpone_del(kSeq, kA), blocked);
    // No conflicting later addition: to the very end.
    ActionChain free = chain({Action(del, 1, 6), Action(add, 10, 20), Action(add, 11, 19), Action(add, 22, 29)});
    EXPECT_EQ(free.postpone_del(kSeq, kA),
              chain({Action(add, 10, 20), Action(add, 11, 19), Action(add, 22, 29), Action(del, 1, 6)}));
    // The re-addition of the same pair blocks it.
    ActionChain readd = chain({Action(del, 1, 6), Action(add, 10, 20), Action(add, 1, 6), Action(add, 22, 29)});
    EXPECT_EQ(readd.postpone_del(kSeq, kA),
              chain({Action(add, 10, 20), Action(del, 1, 6), Action(add, 1, 6), Action(add, 22, 29)}));
    // A crossing addition blocks it; a nested or disjoint one does not.
    ActionChain cross = chain({Action(del, 1, 6), Action(add, 8, 12), Action(add, 3, 9), Action(add, 20, 25)});
    EXPECT_EQ(cross.postpone_del(kSeq, kA),
              chain({Action(add, 8, 12), Action(del, 1, 6), Action(add, 3, 9), Action(add, 20, 25)}));
    // Two deletions: the first goes before its blocker, the second stays before its own; the
    // scan then meets the moved one and jumps past it.
    ActionChain two = chain({Action(del, 1, 6), Action(del, 0, 7), Action(add, 0, 9), Action(add, 1, 8)});
    EXPECT_EQ(two.postpone_del(kSeq, kA),
              chain({Action(del, 0, 7), Action(add, 0, 9), Action(del, 1, 6), Action(add, 1, 8)}));
    // Deterministic, and no draws.
    EXPECT_EQ(count_draws(4, [&] { two.postpone_del(kSeq, kA); }), 0);
    EXPECT_EQ(count_draws(4, [&] { free.bringforward_add(kSeq, kA); }), 0);
}

TEST(PostponeDel2, DrawsTargetFromHalfNormalOnce) {
    // One deletion and eight additions it does not conflict with: t = mygaussian_right(1, 9),
    // the deletion lands at t - 1; meeting it again ends the scan (jump to its limit).
    ActionChain p = chain({Action(del, 1, 6)});
    for (int k = 0; k < 8; ++k) p.push_back(add, 10 + k, 29 - k);
    std::set<int> places;
    for (unsigned seed = 1; seed <= 60; ++seed) {
        seed_random(seed);
        const int t = mygaussian_right(1, 9);
        seed_random(seed);
        ActionChain r = p.postpone_del2(kSeq, kA);
        ASSERT_EQ(r.size(), 9);
        EXPECT_EQ(r.va[t - 1], Action(del, 1, 6));
        EXPECT_EQ(r.strategy, 4);
        places.insert(t - 1);
        EXPECT_EQ(count_draws(seed, [&] { p.postpone_del2(kSeq, kA); }), 10);
    }
    // Target k + 1 (no move) is drawn most often; other places do occur.
    EXPECT_TRUE(places.count(0));
    EXPECT_GT(places.size(), 1u);
}

TEST(PostponeDel2, MeetingAMovedDeletionJumpsToItsLimit) {
    // del (1,6) is blocked by its re-addition at 6, del (0,7) by nothing. When the first draw
    // leaves del (1,6) before del (0,7) (t = 1 or 2), meeting it again jumps the scan to index 6,
    // past del (0,7), which is therefore never examined: one draw in all.
    const ActionChain p = chain({Action(del, 1, 6), Action(add, 10, 20), Action(del, 0, 7), Action(add, 11, 19),
                                 Action(add, 12, 18), Action(add, 13, 17), Action(add, 1, 6)});
    int seen = 0;
    for (unsigned seed = 1; seed <= 60; ++seed) {
        seed_random(seed);
        const int t = mygaussian_right(1, 6);
        if (t > 2) continue;
        ++seen;
        seed_random(seed);
        ActionChain r = p.postpone_del2(kSeq, kA);
        EXPECT_EQ(r.va[2], Action(del, 0, 7));
        EXPECT_EQ(r.va[t - 1], Action(del, 1, 6));
        EXPECT_EQ(count_draws(seed, [&] { p.postpone_del2(kSeq, kA); }), 10);
    }
    EXPECT_GT(seen, 10);
}

TEST(BringforwardAdd, MovesAdditionsBackToTheirFreeingDeletion) {
    for (const ActionChain& p : {chain({}), chain({Action(add, 10, 20)})}) {
        EXPECT_EQ(p.bringforward_add(kSeq, kA), p);
        EXPECT_EQ(p.bringforward_add(kSeq, kA).strategy, 5);
        EXPECT_EQ(p.bringforward_add2(kSeq, kA), p);
        EXPECT_EQ(p.bringforward_add2(kSeq, kA).strategy, 5);
    }
    // No conflicting earlier deletion: to index 1, never 0.
    ActionChain free = chain({Action(del, 1, 6), Action(del, 0, 7), Action(add, 10, 20)});
    EXPECT_EQ(free.bringforward_add(kSeq, kA), chain({Action(del, 1, 6), Action(add, 10, 20), Action(del, 0, 7)}));
    // Additions at index 0 or 1 are not moved.
    ActionChain early = chain({Action(add, 10, 20), Action(add, 11, 19), Action(del, 1, 6)});
    EXPECT_EQ(early.bringforward_add(kSeq, kA), early);
    // Directly after the nearest conflicting deletion.
    ActionChain conf = chain({Action(del, 1, 6), Action(del, 0, 7), Action(add, 12, 20), Action(add, 0, 11)});
    EXPECT_EQ(conf.bringforward_add(kSeq, kA),
              chain({Action(del, 1, 6), Action(add, 12, 20), Action(del, 0, 7), Action(add, 0, 11)}));
    ActionChain conf2 = chain({Action(del, 1, 6), Action(del, 0, 7), Action(add, 21, 25), Action(add, 22, 24),
                               Action(add, 0, 11)});
    // (0,11) waits for del (0,7) at 1 and goes to 2; (22,24) and (21,25) go to 1 in turn.
    EXPECT_EQ(conf2.bringforward_add(kSeq, kA),
              chain({Action(del, 1, 6), Action(add, 21, 25), Action(add, 22, 24), Action(del, 0, 7),
                     Action(add, 0, 11)}));
}

TEST(BringforwardAdd2, DrawsTargetFromHalfNormalOnce) {
    // Seven deletions that do not conflict with the final addition: t = mygaussian_right(1, 6).
    const std::string A = "(.)(.)(.)(.)(.)(.)(.)......";
    const std::string seq(A.size(), 'A');
    ActionChain q;
    for (const BP& b : RStruct(A).vbp) q.push_back(del, b);
    q.push_back(add, 21, 25);
    std::set<int> places;
    for (unsigned seed = 1; seed <= 60; ++seed) {
        seed_random(seed);
        const int t = mygaussian_right(1, 6);
        seed_random(seed);
        ActionChain r = q.bringforward_add2(seq, A);
        ASSERT_EQ(r.size(), 8);
        EXPECT_EQ(r.va[t], Action(add, 21, 25));
        EXPECT_EQ(r.strategy, 5);
        EXPECT_TRUE(valid_from(A, r));
        places.insert(t);
        EXPECT_EQ(count_draws(seed, [&] { q.bringforward_add2(seq, A); }), 10);
    }
    EXPECT_TRUE(places.count(1));
    EXPECT_GT(places.size(), 1u);
    EXPECT_EQ(q.bringforward_add(seq, A).va[1], Action(add, 21, 25));
}

TEST(BringforwardAdd2DeathTest, InvalidResultEndsTheProgramWithFailure) {
    // A parent that does not apply from A: adding a pair on a paired base.
    const ActionChain bad = chain({Action(add, 0, 11)});
    EXPECT_EXIT(
        {
            std::fflush(stdout);
            dup2(2, 1);  // the report goes to standard output; route it where the matcher looks
            bad.bringforward_add2(kSeq, kA);
        },
        ::testing::ExitedWithCode(1), "Error:\n" + kSeq + "\n" + std::string("\\(\\(\\.\\.\\.\\.\\)\\)\\.+\n") +
                                          "add \\(0 11\\)\n");
}

}  // namespace
