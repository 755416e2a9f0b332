#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "random_instance.h"
#include "stem.h"
#include "structure.h"

namespace {

bool same_pair(const BP& x, const BP& y) { return x.lp == y.lp && x.rp == y.rp; }

void expect_stem(const stem& s, int olp, int orp, int ilp, int irp) {
    EXPECT_EQ(s.outer.lp, olp);
    EXPECT_EQ(s.outer.rp, orp);
    EXPECT_EQ(s.inner.lp, ilp);
    EXPECT_EQ(s.inner.rp, irp);
}

TEST(CreateStems, CutsStructureIntoHelices) {
    RStruct a("(((.(.).)))");
    std::vector<stem> st = a.create_stems();
    ASSERT_EQ(st.size(), 2u);
    expect_stem(st[0], 0, 10, 2, 8);
    expect_stem(st[1], 4, 6, 4, 6);

    // A bulge breaks a stem.
    RStruct b("((.(....)))");
    st = b.create_stems();
    ASSERT_EQ(st.size(), 2u);
    expect_stem(st[0], 0, 10, 1, 9);
    expect_stem(st[1], 3, 8, 3, 8);

    // vbp is sorted by lp afterwards (s2v gives it by rp).
    ASSERT_EQ(b.vbp.size(), 3u);
    EXPECT_TRUE(same_pair(b.vbp[0], BP(0, 10)));
    EXPECT_TRUE(same_pair(b.vbp[1], BP(1, 9)));
    EXPECT_TRUE(same_pair(b.vbp[2], BP(3, 8)));

    // No pairs: no stems.
    RStruct e("......");
    EXPECT_TRUE(e.create_stems().empty());
}

TEST(CreateStems, RandomStructuresPartitionPairs) {
    std::mt19937 g(11);
    for (int t = 0; t < 30; ++t) {
        const int n = 20 + static_cast<int>(g() % 61);
        const std::string seq = random_sequence(g, n);
        RStruct rs(random_structure(g, seq, n));
        const std::size_t npairs = rs.vbp.size();
        std::vector<stem> st = rs.create_stems();
        std::size_t covered = 0;
        for (std::size_t k = 0; k < st.size(); ++k) {
            const stem& s = st[k];
            ASSERT_EQ(s.inner.lp - s.outer.lp, s.outer.rp - s.inner.rp);
            if (k > 0) {
                EXPECT_LT(st[k - 1].outer.lp, s.outer.lp);
            }
            for (int d = 0; d <= s.inner.lp - s.outer.lp; ++d)
                EXPECT_NE(getindx(rs.vbp, BP(s.outer.lp + d, s.outer.rp - d), 0, 1), -1);
            covered += s.inner.lp - s.outer.lp + 1;
            // Maximal: neither end extends further within the structure.
            EXPECT_EQ(getindx(rs.vbp, BP(s.outer.lp - 1, s.outer.rp + 1), 0, 1), -1);
            EXPECT_EQ(getindx(rs.vbp, BP(s.inner.lp + 1, s.inner.rp - 1), 0, 1), -1);
        }
        EXPECT_EQ(covered, npairs);
    }
}

TEST(Stem, ContainConflictEncloseEquality) {
    const stem s(BP(0, 10), BP(2, 8));
    EXPECT_TRUE(s.containBP(BP(1, 9)));
    EXPECT_TRUE(s.containBP(BP(0, 10)));
    EXPECT_TRUE(s.containBP(BP(2, 8)));
    EXPECT_FALSE(s.containBP(BP(1, 8)));
    EXPECT_FALSE(s.containBP(BP(3, 7)));  // right diagonal, past the inner pair
    EXPECT_TRUE(s.conflictwithBP(BP(1, 9)));
    EXPECT_TRUE(s.conflictwithBP(BP(1, 5)));
    EXPECT_TRUE(s.conflictwithBP(BP(5, 12)));
    EXPECT_TRUE(s.conflictwithBP(BP(10, 15)));  // shares the last base of the span
    EXPECT_FALSE(s.conflictwithBP(BP(4, 6)));   // inside the inner loop
    EXPECT_FALSE(s.conflictwithBP(BP(11, 20)));
    EXPECT_TRUE(s.conflictwithBP(BP(3, 8)));    // shares a base of the inner pair

    const stem t(BP(2, 12), BP(4, 10));
    EXPECT_FALSE(t.conflictwithBP(BP(1, 13)));  // encloses the helix
    EXPECT_TRUE(t.conflictwithBP(BP(1, 7)));    // crosses it
    EXPECT_TRUE(t.conflictwithBP(BP(1, 12)));   // shares its outer right base
    EXPECT_FALSE(t.conflictwithBP(BP(0, 1)));

    const stem big(BP(0, 20), BP(2, 18)), mid(BP(5, 15), BP(6, 14)), low(BP(3, 8), BP(4, 7));
    EXPECT_TRUE(big.enclose(mid));
    EXPECT_TRUE(big.enclose(low));
    EXPECT_FALSE(mid.enclose(big));
    EXPECT_FALSE(big.enclose(big));
    // Only the inner pairs count: an outer pair around the other stem is not enough.
    EXPECT_FALSE(stem(BP(0, 20), BP(6, 14)).enclose(stem(BP(3, 17), BP(4, 16))));
    EXPECT_TRUE(stem(BP(3, 17), BP(4, 16)).enclose(stem(BP(0, 20), BP(6, 14))));
    const stem left(BP(0, 10), BP(2, 8)), right(BP(12, 20), BP(14, 18));
    EXPECT_FALSE(left.enclose(right));
    EXPECT_FALSE(right.enclose(left));

    EXPECT_TRUE(stem(BP(0, 10), BP(2, 8)) == stem(BP(10, 0), BP(8, 2)));
    EXPECT_FALSE(stem(BP(0, 10), BP(2, 8)) == stem(BP(0, 10), BP(1, 9)));
    EXPECT_FALSE(stem(BP(0, 10), BP(2, 8)) == stem(BP(0, 11), BP(2, 8)));
}

// Because the strands of a helix are contiguous, a pair conflicts with the helix exactly
// when it shares a base with, or crosses, one of the helix's own pairs.
TEST(Stem, ConflictEqualsConflictWithSomeHelixPair) {
    const std::vector<stem> stems = {stem(BP(5, 20), BP(7, 18)), stem(BP(3, 9), BP(3, 9)),
                                     stem(BP(0, 25), BP(4, 21)), stem(BP(10, 24), BP(11, 23))};
    for (const stem& s : stems)
        for (int i = 0; i < 27; ++i)
            for (int j = i + 1; j < 27; ++j) {
                const BP b(i, j);
                bool any = false;
                for (int d = 0; d <= s.inner.lp - s.outer.lp; ++d)
                    any = any || b.conflictwithBP(BP(s.outer.lp + d, s.outer.rp - d));
                EXPECT_EQ(s.conflictwithBP(b), any) << s.outer.lp << " " << i << "," << j;
            }
}

TEST(Stemlist, ListsMaximalHelicesInOrder) {
    stemlist a("GGGAAACCC", 3);
    EXPECT_EQ(a.sequence, "GGGAAACCC");
    ASSERT_EQ(a.stems.size(), 1u);
    expect_stem(a.stems[0], 0, 8, 2, 6);
    EXPECT_TRUE(stemlist("GGGAAACCC", 4).stems.empty());
    stemlist b("GGGAAACCC", 2);
    ASSERT_EQ(b.stems.size(), 3u);
    expect_stem(b.stems[0], 0, 8, 2, 6);
    expect_stem(b.stems[1], 0, 7, 1, 6);
    expect_stem(b.stems[2], 1, 8, 2, 7);

    stemlist c("GGGAAAUCCC", 3);
    ASSERT_EQ(c.stems.size(), 2u);
    expect_stem(c.stems[0], 0, 9, 2, 7);
    expect_stem(c.stems[1], 0, 8, 2, 6);  // through the G-U pair (2,6); (3,6) is too short a loop

    EXPECT_TRUE(stemlist("GGAC", 1).stems.empty());
    EXPECT_TRUE(stemlist("", 1).stems.empty());
    // Lower-case bases never pair.
    EXPECT_TRUE(stemlist("gggaaaccc", 1).stems.empty());
}

// Brute force over all pairs on random sequences: every maximal run of at least minlen
// stackable pairs appears exactly once, in order, and nothing else does.
TEST(Stemlist, MatchesBruteForceOnRandomSequences) {
    std::mt19937 g(5);
    for (int t = 0; t < 30; ++t) {
        const int n = 20 + static_cast<int>(g() % 61);
        const std::string seq = random_sequence(g, n);
        const int minlen = 1 + static_cast<int>(g() % 4);
        auto ok = [&](int i, int r) { return i >= 0 && r < n && i < r && r - i > 3 && match(seq[i], seq[r], 1); };
        std::vector<std::tuple<int, int, int, int>> expected;
        for (int i = 0; i < n; ++i)
            for (int r = n - 1; r >= 0; --r) {
                if (!ok(i, r) || ok(i - 1, r + 1)) continue;
                int k = i, m = r;
                while (ok(k + 1, m - 1)) ++k, --m;
                if (k - i + 1 >= minlen) expected.emplace_back(i, r, k, m);
            }
        stemlist sl(seq, minlen);
        ASSERT_EQ(sl.stems.size(), expected.size());
        for (std::size_t k = 0; k < expected.size(); ++k) {
            const stem& s = sl.stems[k];
            EXPECT_EQ(std::make_tuple(s.outer.lp, s.outer.rp, s.inner.lp, s.inner.rp), expected[k]);
        }
    }
}

TEST(GetindxStem, SearchesBothDirections) {
    const std::vector<stem> v = {stem(BP(0, 10), BP(2, 8)), stem(BP(12, 20), BP(13, 19)),
                                 stem(BP(0, 10), BP(2, 8))};
    const stem x(BP(10, 0), BP(8, 2));  // equal through BP::operator== (reversed pairs)
    EXPECT_EQ(getindx(v, x, 0, 1), 0);
    EXPECT_EQ(getindx(v, x, 1, 1), 2);
    EXPECT_EQ(getindx(v, x, 5, 1), -1);
    EXPECT_EQ(getindx(v, x, -3, 1), 0);
    EXPECT_EQ(getindx(v, x, 5, -1), 2);
    EXPECT_EQ(getindx(v, x, 1, -1), 0);
    EXPECT_EQ(getindx(v, x, -1, -1), -1);
    EXPECT_EQ(getindx(std::vector<stem>(), x, 0, -1), -1);
    EXPECT_EQ(getindx(v, stem(BP(0, 10), BP(1, 9)), 0, 1), -1);
}

TEST(GetindxStemDeathTest, BadDirectionEndsWithFailure) {
    const std::vector<stem> v = {stem(BP(0, 10), BP(2, 8))};
    EXPECT_EXIT(getindx(v, v[0], 0, 2), ::testing::ExitedWithCode(1),
                "direction can either be 1 or -1 while it is 2");
}

}  // namespace
