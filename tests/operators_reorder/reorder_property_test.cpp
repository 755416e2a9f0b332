// Properties of the reordering operators on random problems: every offspring replays from A,
// the parent is never changed, and the collecting walk matches a plain reading of its rules.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "candidates.h"
#include "draws.h"
#include "random_instance.h"
#include "stem.h"
#include "random_stream.h"

namespace {

struct Problem {
    std::string seq, A;
    std::vector<ActionChain> parents;
};

// Random problems with parents that are the four direct paths and, to mix deletions and
// additions, their reorderings by the postponing operators.
std::vector<Problem> problems(unsigned seed, int count) {
    std::mt19937 g(seed);
    std::vector<Problem> ret;
    for (int t = 0; t < count; ++t) {
        const int n = 20 + static_cast<int>(g() % 61);
        RandomInstance ri = random_instance(g, n);
        Problem p{ri.seq, ri.A, ri.parents};
        seed_random(seed + t);
        for (const ActionChain& c : ri.parents) {
            p.parents.push_back(c.postpone_del2(ri.seq, ri.A));
            p.parents.push_back(c.bringforward_add2(ri.seq, ri.A));
        }
        ret.push_back(p);
    }
    return ret;
}

// The collecting walk written out directly: literal qualification tests over the structure's
// pairs, the public cores, all candidates kept as chains, then the candidate draw.
std::vector<ActionChain> reference(const ActionChain& parent, const std::string& seq, const std::string& A,
                                   int n, bool second) {
    if (n == 0) return {};
    stemlist sl(seq, 3);
    std::vector<ActionChain> cand;
    RStruct rs(A);
    for (int i = 0; i < parent.size(); ++i) {
        for (const stem& st : sl.stems) {
            bool q = false;
            for (const BP& bp : rs.vbp) q = q || (st.conflictwithBP(bp) && (second || !st.containBP(bp)));
            if (!q) continue;
            bool ok = false;
            ActionChain c = second ? parent.reorder_del4(rs, i, st, ok) : parent.reorder_del(rs, i, st, ok);
            if (ok) cand.push_back(c);
        }
        rs.applyAction(parent.va[i]);
    }
    return draw_candidates(cand, A, n, second ? 2 : 1);
}

TEST(ReorderProperty, OffspringValidAndEqualToDirectReading) {
    int total = 0;
    for (const Problem& pb : problems(101, 12)) {
        for (std::size_t k = 0; k < pb.parents.size(); k += 3) {
            const ActionChain& parent = pb.parents[k];
            const ActionChain before = parent;
            for (bool second : {false, true}) {
                // A few offspring, and (nearly) all of them, which compares whole candidate lists.
                for (int n : {4, second ? 60 : 100000}) {
                    const unsigned seed = 7 + k;
                    seed_random(seed);
                    std::vector<ActionChain> got =
                        second ? parent.reorder_del2(pb.seq, pb.A, n) : parent.reorder_del(pb.seq, pb.A, n);
                    const int after_got = next_random();
                    seed_random(seed);
                    std::vector<ActionChain> want = reference(parent, pb.seq, pb.A, n, second);
                    EXPECT_EQ(next_random(), after_got);  // same number of draws
                    ASSERT_EQ(got.size(), want.size());
                    EXPECT_LE(static_cast<int>(got.size()), n);
                    for (std::size_t j = 0; j < got.size(); ++j) {
                        EXPECT_EQ(got[j], want[j]);
                        EXPECT_EQ(got[j].strategy, second ? 2 : 1);
                        EXPECT_TRUE(valid_from(pb.A, got[j]));
                        EXPECT_TRUE(parent_plus_detours(parent, got[j]));
                        EXPECT_EQ(got[j].mde, OOENERGY);
                        EXPECT_TRUE(got[j].vde.empty());
                    }
                    total += static_cast<int>(got.size());
                    EXPECT_TRUE(same_chain(parent, before));
                }
            }
        }
    }
    EXPECT_GT(total, 200);  // the instances do produce offspring
}

// A long parent (positions drawn over ranges of hundreds) against the direct reading.
TEST(ReorderProperty, LongParentMatchesDirectReading) {
    const std::string seq = "GGGAAAAAACCC" + std::string(40, 'A');
    const std::string A = ".(...)......" + std::string(40, '.');
    ActionChain parent;
    for (int k = 0; k < 150; ++k) {
        parent.push_back(add, 20 + k % 5, 45 - k % 5);
        parent.push_back(del, 20 + k % 5, 45 - k % 5);
    }
    for (int n : {3, 400}) {
        seed_random(5);
        std::vector<ActionChain> got = parent.reorder_del2(seq, A, n);
        const int after_got = next_random();
        seed_random(5);
        std::vector<ActionChain> want = reference(parent, seq, A, n, true);
        EXPECT_EQ(next_random(), after_got);
        ASSERT_EQ(got.size(), want.size());
        for (std::size_t j = 0; j < got.size(); ++j) EXPECT_EQ(got[j], want[j]);
    }
}

// reorder_del collects without drawing, so its candidates are fixed: asking for all of them
// gives every valid one; asking for fewer gives exactly that many, all among them.
TEST(ReorderProperty, ExactlyNWhenEnoughCandidatesPass) {
    int checked = 0;
    for (const Problem& pb : problems(202, 8)) {
        const ActionChain& parent = pb.parents[0];
        seed_random(3);
        const std::vector<ActionChain> all = parent.reorder_del(pb.seq, pb.A, 1000000);
        for (int n : {1, 3}) {
            seed_random(11 + n);
            const std::vector<ActionChain> some = parent.reorder_del(pb.seq, pb.A, n);
            EXPECT_EQ(some.size(), std::min<std::size_t>(n, all.size()));
            for (const ActionChain& c : some) EXPECT_NE(getindx(all, c, 0, 1), -1);
        }
        checked += all.size() > 3;
    }
    EXPECT_GT(checked, 2);
}

TEST(PostponeProperty, PermutationsThatStayValid) {
    for (const Problem& pb : problems(303, 12)) {
        for (const ActionChain& parent : pb.parents) {
            const ActionChain before = parent;
            RStruct end(pb.A);
            ASSERT_TRUE(end.applyActionChain_checkclash(parent));
            std::sort(end.vbp.begin(), end.vbp.end(), ascendingsortBP);
            seed_random(19);
            const ActionChain outs[4] = {parent.postpone_del(pb.seq, pb.A), parent.postpone_del2(pb.seq, pb.A),
                                         parent.bringforward_add(pb.seq, pb.A),
                                         parent.bringforward_add2(pb.seq, pb.A)};
            for (int o = 0; o < 4; ++o) {
                const ActionChain& r = outs[o];
                EXPECT_EQ(r.strategy, o < 2 ? 4 : 5);
                EXPECT_EQ(action_counts(r), action_counts(parent));
                RStruct w(pb.A);
                ASSERT_TRUE(w.applyActionChain_checkclash(r));
                std::sort(w.vbp.begin(), w.vbp.end(), ascendingsortBP);
                EXPECT_EQ(w.vbp.size(), end.vbp.size());
                for (std::size_t j = 0; j < w.vbp.size() && j < end.vbp.size(); ++j)
                    EXPECT_TRUE(w.vbp[j] == end.vbp[j]);
                // Postponing moves only deletions, bringing forward only additions: the other
                // kind keeps its order.
                const Act fixed = o < 2 ? add : del;
                std::vector<Action> a, b;
                for (const Action& x : parent.va)
                    if (x.a == fixed) a.push_back(x);
                for (const Action& x : r.va)
                    if (x.a == fixed) b.push_back(x);
                EXPECT_EQ(a, b);
            }
            EXPECT_EQ(parent.postpone_del(pb.seq, pb.A), outs[0]);
            EXPECT_EQ(parent.bringforward_add(pb.seq, pb.A), outs[2]);
            EXPECT_TRUE(same_chain(parent, before));
        }
    }
}

}  // namespace
