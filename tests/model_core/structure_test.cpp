#include <gtest/gtest.h>

#include "fatal.h"
#include "model/structure.h"

namespace {

std::vector<std::pair<int, int>> pairs(const std::vector<BP>& v) {
    std::vector<std::pair<int, int>> r;
    for (const BP& b : v) r.emplace_back(b.lp, b.rp);
    return r;
}

using PairList = std::vector<std::pair<int, int>>;

TEST(DotBracket, PairsAndUnpairedPositions) {
    EXPECT_TRUE(s2v("....").empty());
    EXPECT_EQ(getunp("...."), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(pairs(s2v("((..))")), (PairList{{1, 4}, {0, 5}}));
    EXPECT_EQ(getunp("((..))"), (std::vector<int>{2, 3}));
    EXPECT_EQ(pairs(s2v("(.)(.)")), (PairList{{0, 2}, {3, 5}}));
    EXPECT_EQ(getunp("(x)"), (std::vector<int>{1}));
}

TEST(Search, GetindxBoundsAndDirections) {
    const std::vector<int> v{4, 7, 4};
    EXPECT_EQ(getindx(v, 4, 0, 1), 0);
    EXPECT_EQ(getindx(v, 4, 1, 1), 2);
    EXPECT_EQ(getindx(v, 4, 5, 1), -1);
    EXPECT_EQ(getindx(v, 4, 5, -1), 2);
    EXPECT_EQ(getindx(v, 4, -1, -1), -1);
    EXPECT_EQ(getindx(v, 4, -3, 1), 0);
    EXPECT_EQ(getindx(v, 7, 0, -1), -1);
    EXPECT_EQ(getindx(std::vector<int>{}, 1, 0, -1), -1);
    EXPECT_EQ(getindx(std::vector<BP>{BP(3, 10)}, BP(10, 3), 0, 1), -1);
    EXPECT_EQ(getindx(std::vector<BP>{BP(1, 2), BP(3, 10)}, BP(3, 10), 0, 1), 1);
    expect_fatal([&] { getindx(v, 4, 0, 2); }, "^direction can either be 1 or -1 while it is 2\n$");
}

TEST(Search, ClashAgainstAPairList) {
    EXPECT_FALSE(mycheckclash(BP(3, 10), {BP(4, 9)}));
    EXPECT_TRUE(mycheckclash(BP(3, 10), {BP(5, 12)}));
    EXPECT_TRUE(mycheckclash(BP(3, 10), {BP(10, 15)}));
    EXPECT_FALSE(mycheckclash(BP(3, 10), {BP(11, 20)}));
    EXPECT_TRUE(mycheckclash(BP(3, 10), {BP(11, 20), BP(1, 5)}));
    // Agrees with the conflict rule for every ordered pair.
    for (int i = 0; i < 8; ++i)
        for (int j = i + 1; j < 9; ++j)
            for (int k = 0; k < 8; ++k)
                for (int l = k + 1; l < 9; ++l)
                    EXPECT_EQ(mycheckclash(BP(i, j), {BP(k, l)}), BP(i, j).conflictwithBP(BP(k, l)));
}

TEST(Search, PairingRule) {
    EXPECT_TRUE(match('G', 'U', 1));
    EXPECT_FALSE(match('G', 'U', 0));
    EXPECT_TRUE(match('U', 'G', 1));
    EXPECT_FALSE(match('U', 'G', 2));
    EXPECT_TRUE(match('A', 'T', 0));
    EXPECT_TRUE(match('T', 'A', 0));
    EXPECT_FALSE(match('G', 'T', 1));
    EXPECT_FALSE(match('T', 'G', 1));
    EXPECT_FALSE(match('g', 'c', 1));
    EXPECT_TRUE(match('C', 'G', 0));
    EXPECT_FALSE(match('A', 'A', 1));
}

TEST(Structure, ConstructionAndQueries) {
    RStruct s("((..))");
    EXPECT_EQ(s.len, 6);
    EXPECT_EQ(pairs(s.vbp), (PairList{{1, 4}, {0, 5}}));
    EXPECT_EQ(s.vunp, (std::vector<int>{2, 3}));
    EXPECT_EQ(s.pairwithwhich(0), 5);
    EXPECT_EQ(s.pairwithwhich(4), 1);
    EXPECT_EQ(s.pairwithwhich(2), -1);
}

TEST(Structure, AddAndDeleteKeepListOrders) {
    RStruct s("((..))");
    EXPECT_TRUE(s.del_bp(BP(0, 5)));
    EXPECT_EQ(s.str, ".(..).");
    EXPECT_EQ(pairs(s.vbp), (PairList{{1, 4}}));
    EXPECT_EQ(s.vunp, (std::vector<int>{2, 3, 0, 5}));
    EXPECT_TRUE(s.add_bp(0, 5));
    EXPECT_EQ(s.str, "((..))");
    EXPECT_EQ(pairs(s.vbp), (PairList{{1, 4}, {0, 5}}));
    EXPECT_EQ(s.vunp, (std::vector<int>{2, 3}));

    RStruct missing("((..))");
    EXPECT_FALSE(missing.del_bp(BP(0, 4)));
    EXPECT_FALSE(missing.del_bp(BP(5, 0)));
    EXPECT_EQ(missing.str, "((..))");
    EXPECT_EQ(missing.vunp, (std::vector<int>{2, 3}));

    RStruct nested("((..))");
    EXPECT_TRUE(nested.add_bp(2, 3));
    EXPECT_EQ(nested.str, "((()))");

    RStruct partial("((..))");
    EXPECT_FALSE(partial.add_bp(2, 4));  // 4 is paired: 2 is already gone from vunp
    EXPECT_EQ(partial.str, "((..))");
    EXPECT_EQ(pairs(partial.vbp), (PairList{{1, 4}, {0, 5}}));
    EXPECT_EQ(partial.vunp, (std::vector<int>{3}));
}

TEST(Structure, ClashTests) {
    RStruct s("((..))");
    EXPECT_FALSE(s.checkclash(Action(del, 1, 4)));
    EXPECT_TRUE(s.checkclash(Action(del, 0, 4)));
    EXPECT_TRUE(s.checkclash(Action(add, 2, 5)));
    EXPECT_FALSE(s.checkclash(Action(add, 2, 3)));
    EXPECT_TRUE(RStruct("((..))..").checkclash(Action(add, 2, 7)));

    ActionChain ok, bad;
    ok.push_back(del, 0, 5);
    ok.push_back(add, 2, 3);
    bad.push_back(del, 0, 5);
    bad.push_back(add, 3, 5);  // fine: 5 is free now
    bad.push_back(add, 2, 4);  // 4 is still paired with 1
    EXPECT_FALSE(s.checkclash(ok));
    EXPECT_TRUE(s.checkclash(bad));
    EXPECT_EQ(s.str, "((..))") << "the clash test works on a copy";
    EXPECT_EQ(s.vunp, (std::vector<int>{2, 3}));
}

TEST(Structure, ApplyingChainsStopsAtTheFirstFailure) {
    ActionChain c;
    c.push_back(del, 0, 5);
    c.push_back(del, 0, 5);
    c.push_back(add, 0, 5);
    RStruct s("((..))");
    testing::internal::CaptureStdout();
    EXPECT_FALSE(s.applyActionChain(c));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "del (0 5)\ndel (0 5)\nadd (0 5)\n");
    EXPECT_EQ(s.str, ".(..).") << "no rollback of the applied prefix";

    RStruct t("((..))");
    EXPECT_FALSE(t.applyActionChain_checkclash(c));
    EXPECT_EQ(t.str, ".(..).");
}

TEST(Structure, DirectPathways) {
    RStruct A("((...))...");
    RStruct B("...((...))");
    const std::vector<Action> asc{Action(del, 0, 6), Action(del, 1, 5), Action(add, 3, 9), Action(add, 4, 8)};
    const std::vector<Action> desc{Action(del, 1, 5), Action(del, 0, 6), Action(add, 4, 8), Action(add, 3, 9)};
    EXPECT_EQ(B.convertfrom(A, 0, 0).va, asc);
    EXPECT_EQ(B.convertfrom(A, 1, 1).va, desc);

    const std::vector<ActionChain> four = B.convertfrom_multipleActionChains(A);
    ASSERT_EQ(four.size(), 4u);
    EXPECT_EQ(four[0].va, asc);
    EXPECT_EQ(four[1].va, (std::vector<Action>{asc[0], asc[1], desc[2], desc[3]}));
    EXPECT_EQ(four[2].va, (std::vector<Action>{desc[0], desc[1], asc[2], asc[3]}));
    EXPECT_EQ(four[3].va, desc);
    for (const ActionChain& c : four) {
        EXPECT_EQ(c.mde, OOENERGY);
        EXPECT_TRUE(c.vde.empty());
        RStruct w = A;
        EXPECT_TRUE(w.applyActionChain_checkclash(c));
        EXPECT_EQ(w.str, B.str);
    }
    EXPECT_EQ(pairs(B.vbp), (PairList{{4, 8}, {3, 9}})) << "target left sorted by descending lp";

    RStruct same("((...))...");
    EXPECT_TRUE(same.convertfrom(A, 0, 1).va.empty());
    RStruct shared("((...))(((...)))");
    RStruct other("((...))..........");
    other = RStruct("((...)).(.....)..");
    const ActionChain part = other.convertfrom(shared, 0, 0);
    for (const Action& a : part.va) EXPECT_FALSE(a.b.lp == 0 || a.b.lp == 1) << "common pairs never move";
}

}  // namespace
