// Pairs, moves, chains and structures against plain readings on every small case or random structures.
#include <gtest/gtest.h>

#include <random>

#include "fatal.h"
#include "model/structure.h"
#include "random_instance.h"

namespace {

TEST(BasePair, ConflictIsSharingABaseOrCrossing) {
    for (int i = 0; i < 8; ++i)
        for (int j = i + 1; j < 9; ++j)
            for (int k = 0; k < 8; ++k)
                for (int l = k + 1; l < 9; ++l) {
                    const bool share = i == k || i == l || j == k || j == l;
                    const bool cross = (i < k && k < j && j < l) || (k < i && i < l && l < j);
                    EXPECT_EQ(BP(i, j).conflictwithBP(BP(k, l)), share || cross) << i << j << k << l;
                    EXPECT_EQ(mycheckclash(BP(i, j), {BP(k, l)}), share || cross);
                    EXPECT_EQ(BP(i, j) == BP(l, k), i == k && j == l);
                }
}

TEST(Action, InvalidKindsEndTheProgram) {
    expect_fatal([&] { Action(static_cast<Act>(0), 1, 2); }, "^Action = 0\n$");
    expect_fatal([&] { Action(static_cast<Act>(3), BP(1, 2)); }, "^Action = 3\n$");
    expect_fatal([&] { Action("move", 1, 2); }, "^Action = 0\n$");
}

TEST(Search, GetindxBoundsAndDirections) {
    const std::vector<int> v{4, 7, 4};
    EXPECT_TRUE(getindx(v, 4, 1, 1) == 2 && getindx(v, 4, 5, -1) == 2 && getindx(v, 4, -3, 1) == 0);
    EXPECT_TRUE(getindx(v, 4, 5, 1) == -1 && getindx(v, 4, -1, -1) == -1 && getindx(v, 7, 0, -1) == -1);
    expect_fatal([&] { getindx(v, 4, 0, 2); }, "^direction can either be 1 or -1 while it is 2\n$");
}

// Random structures: reading and the clash test against a partner table; the direct pathways
// delete A's own pairs, then add B's, and lead from A to B.
TEST(Structure, RandomStructuresAgreeWithAPartnerTable) {
    std::mt19937 g(5);
    for (int t = 0; t < 40; ++t) {
        const RandomInstance ri = random_instance(g, 10 + t * 3);
        const int n = static_cast<int>(ri.A.size());
        std::vector<int> pt(n, -1), open;
        for (int i = 0; i < n; ++i)
            if (ri.A[i] == '(')
                open.push_back(i);
            else if (ri.A[i] == ')')
                pt[i] = open.back(), pt[open.back()] = i, open.pop_back();
        const RStruct s(ri.A);
        EXPECT_EQ(static_cast<int>(s.vbp.size() * 2 + s.vunp.size()), n);
        for (int i = 0; i < n; ++i) EXPECT_EQ(s.pairwithwhich(i), pt[i]);
        for (int k = 0; k < 20; ++k) {
            const int i = static_cast<int>(g() % (n - 1)), j = i + 1 + static_cast<int>(g() % (n - 1 - i));
            EXPECT_EQ(s.checkclash(Action(add, i, j)), pt[i] != -1 || pt[j] != -1 || mycheckclash(BP(i, j), s.vbp));
            EXPECT_EQ(s.checkclash(Action(del, i, j)), pt[i] != j);
        }
        for (const ActionChain& c : ri.parents) {
            RStruct w(ri.A);
            ASSERT_TRUE(w.applyActionChain_checkclash(c));
            EXPECT_EQ(w.str, ri.B);
            for (std::size_t k = 0; k < c.va.size(); ++k)
                EXPECT_EQ(c.va[k].a == del, pt[c.va[k].b.lp] == c.va[k].b.rp && (k == 0 || c.va[k - 1].a == del));
        }
    }
}

}  // namespace
