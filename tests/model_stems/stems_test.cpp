#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "model/stem.h"
#include "model/structure.h"

namespace {

using Quad = std::tuple<int, int, int, int>;

std::vector<Quad> quads(const std::vector<stem>& v) {
    std::vector<Quad> r;
    for (const stem& s : v) r.emplace_back(s.outer.lp, s.outer.rp, s.inner.lp, s.inner.rp);
    return r;
}

TEST(CreateStems, CutsStructureIntoHelices) {
    EXPECT_EQ(quads(RStruct("(((.(.).)))").create_stems()), (std::vector<Quad>{{0, 10, 2, 8}, {4, 6, 4, 6}}));
    RStruct b("((.(....)))");  // a bulge breaks a stem
    EXPECT_EQ(quads(b.create_stems()), (std::vector<Quad>{{0, 10, 1, 9}, {3, 8, 3, 8}}));
    // vbp is sorted by lp afterwards (s2v gives it by rp).
    std::vector<std::pair<int, int>> pairs;
    for (const BP& p : b.vbp) pairs.emplace_back(p.lp, p.rp);
    EXPECT_EQ(pairs, (std::vector<std::pair<int, int>>{{0, 10}, {1, 9}, {3, 8}}));
    EXPECT_TRUE(RStruct("......").create_stems().empty());
}

TEST(Stem, ContainConflictEncloseEquality) {
    const stem s(BP(0, 10), BP(2, 8));
    for (const BP& b : {BP(1, 9), BP(0, 10), BP(2, 8)}) EXPECT_TRUE(s.containBP(b));
    EXPECT_FALSE(s.containBP(BP(1, 8)));
    EXPECT_FALSE(s.containBP(BP(3, 7)));  // right diagonal, past the inner pair
    // (10,15) shares the last base of the span, (3,8) a base of the inner pair.
    for (const BP& b : {BP(1, 9), BP(1, 5), BP(5, 12), BP(10, 15), BP(3, 8)}) EXPECT_TRUE(s.conflictwithBP(b));
    EXPECT_FALSE(s.conflictwithBP(BP(4, 6)));  // inside the inner loop
    EXPECT_FALSE(s.conflictwithBP(BP(11, 20)));
    const stem t(BP(2, 12), BP(4, 10));
    EXPECT_FALSE(t.conflictwithBP(BP(1, 13)));  // encloses the helix
    EXPECT_TRUE(t.conflictwithBP(BP(1, 7)));    // crosses it
    EXPECT_TRUE(t.conflictwithBP(BP(1, 12)));   // shares its outer right base
    EXPECT_FALSE(t.conflictwithBP(BP(0, 1)));

    const stem big(BP(0, 20), BP(2, 18)), mid(BP(5, 15), BP(6, 14));
    EXPECT_TRUE(big.enclose(mid));
    EXPECT_TRUE(big.enclose(stem(BP(3, 8), BP(4, 7))));
    EXPECT_FALSE(mid.enclose(big));
    EXPECT_FALSE(big.enclose(big));
    // Only the inner pairs count.
    EXPECT_FALSE(stem(BP(0, 20), BP(6, 14)).enclose(stem(BP(3, 17), BP(4, 16))));
    EXPECT_TRUE(stem(BP(3, 17), BP(4, 16)).enclose(stem(BP(0, 20), BP(6, 14))));
    const stem right(BP(12, 20), BP(14, 18));
    EXPECT_FALSE(s.enclose(right));
    EXPECT_FALSE(right.enclose(s));

    EXPECT_TRUE(s == stem(BP(10, 0), BP(8, 2)));
    EXPECT_FALSE(s == stem(BP(0, 10), BP(1, 9)));
    EXPECT_FALSE(s == stem(BP(0, 11), BP(2, 8)));
    // getindx over stems uses that equality (reversed pairs match).
    const std::vector<stem> v = {s, right, s};
    EXPECT_EQ(getindx(v, stem(BP(10, 0), BP(8, 2)), 1, 1), 2);
    EXPECT_EQ(getindx(v, s, 1, -1), 0);
    EXPECT_EQ(getindx(v, stem(BP(0, 10), BP(1, 9)), 0, 1), -1);
}

TEST(Stemlist, ListsMaximalHelicesInOrder) {
    const stemlist a("GGGAAACCC", 3);
    EXPECT_EQ(a.sequence, "GGGAAACCC");
    EXPECT_EQ(quads(a.stems), (std::vector<Quad>{{0, 8, 2, 6}}));
    EXPECT_TRUE(stemlist("GGGAAACCC", 4).stems.empty());
    EXPECT_EQ(quads(stemlist("GGGAAACCC", 2).stems),
              (std::vector<Quad>{{0, 8, 2, 6}, {0, 7, 1, 6}, {1, 8, 2, 7}}));
    // Through the G-U pair (2,6); (3,6) is too short a loop.
    EXPECT_EQ(quads(stemlist("GGGAAAUCCC", 3).stems), (std::vector<Quad>{{0, 9, 2, 7}, {0, 8, 2, 6}}));
    EXPECT_TRUE(stemlist("GGAC", 1).stems.empty());
    EXPECT_TRUE(stemlist("", 1).stems.empty());
    EXPECT_TRUE(stemlist("gggaaaccc", 1).stems.empty());  // lower-case bases never pair
}

}  // namespace
