#include <gtest/gtest.h>

#include <sstream>

#include "fatal.h"
#include "model/chain.h"

namespace {

TEST(BasePair, ConflictRule) {
    const BP p(3, 10);
    for (const BP& o : {BP(10, 15), BP(1, 3), BP(3, 6), BP(7, 10), BP(5, 12), BP(1, 5), BP(3, 10)})
        EXPECT_TRUE(p.conflictwithBP(o)) << o.lp << "," << o.rp;
    for (const BP& o : {BP(4, 9), BP(1, 12), BP(11, 20), BP(0, 2)})
        EXPECT_FALSE(p.conflictwithBP(o)) << o.lp << "," << o.rp;
    // The rule is symmetric for ordered pairs.
    for (int i = 0; i < 8; ++i)
        for (int j = i + 1; j < 9; ++j)
            for (int k = 0; k < 8; ++k)
                for (int l = k + 1; l < 9; ++l)
                    EXPECT_EQ(BP(i, j).conflictwithBP(BP(k, l)), BP(k, l).conflictwithBP(BP(i, j)));
}

TEST(BasePair, EqualityAndOrderings) {
    EXPECT_TRUE(BP(3, 10) == BP(10, 3));
    EXPECT_FALSE(BP(3, 10) == BP(3, 11));
    EXPECT_FALSE(ascendingsortBP(BP(3, 10), BP(3, 4)));
    EXPECT_FALSE(descendingsortBP(BP(3, 10), BP(3, 4)));
    EXPECT_TRUE(ascendingsortBP(BP(2, 1), BP(3, 0)));
    EXPECT_TRUE(descendingsortBP(BP(3, 0), BP(2, 9)));
}

TEST(Action, EqualityComparesThePairInOrder) {
    EXPECT_FALSE(Action(add, 3, 10) == Action(add, 10, 3));
    EXPECT_TRUE(Action(add, 3, 10) == Action("add", 3, 10));
    EXPECT_TRUE(Action(del, 3, 10) != Action(add, 3, 10));
    EXPECT_FALSE(Action(del, BP(3, 10)) != Action("del", 3, 10));
}

TEST(Action, InvalidKindsEndTheProgram) {
    expect_fatal([&] { Action(static_cast<Act>(0), 1, 2); }, "^Action = 0\n$");
    expect_fatal([&] { Action(static_cast<Act>(3), BP(1, 2)); }, "^Action = 3\n$");
    expect_fatal([&] { Action("move", 1, 2); }, "^Action = 0\n$");
}

TEST(Action, Printing) {
    testing::internal::CaptureStdout();
    Action(del, 0, 9).show();
    BP(3, 17).show();
    ActionChain c;
    c.push_back(del, 0, 9);
    c.push_back(add, BP(2, 7));
    c.show();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "del (0 9)(3 17)del (0 9)\nadd (2 7)\n");

    ActionChain listing;
    listing.push_back(Action(add, 3, 17));
    listing.push_back(del, 0, 20);
    std::ostringstream out;
    listing.printout(out);
    EXPECT_EQ(out.str(), "add\t3\t17\ndel\t0\t20\n");
    std::ostringstream none;
    ActionChain().printout(none);
    EXPECT_EQ(none.str(), "");
}

TEST(ActionChain, EqualityIgnoresEnergiesAndOrigin) {
    ActionChain a, b;
    a.push_back(add, 1, 9);
    b.push_back(add, 1, 9);
    b.mde = 3.0;
    b.vde = {1.0, 2.0};
    b.strategy = 7;
    EXPECT_TRUE(a == b);
    b.push_back(del, 1, 9);
    EXPECT_FALSE(a == b);
    ActionChain c;
    c.push_back(add, 9, 1);
    EXPECT_FALSE(a == c);

    ActionChain fresh;
    EXPECT_EQ(fresh.mde, OOENERGY);
    EXPECT_EQ(fresh.avge, OOENERGY);
    EXPECT_EQ(fresh.strategy, 0);
    EXPECT_EQ(fresh.size(), 0);
}

TEST(ActionChain, SaddlePointIsTheFirstHighest) {
    ActionChain c;
    EXPECT_EQ(c.getsaddlepoint(), -1);
    c.vde = {-5.0, -3.2, -3.2, -8.0};
    EXPECT_EQ(c.getsaddlepoint(), 1);
    c.vde = {2.0, 1.0};
    EXPECT_EQ(c.getsaddlepoint(), 0);
    c.vde = {-200000.0};
    EXPECT_EQ(c.getsaddlepoint(), -1) << "nothing beats the start value";
}

}  // namespace
