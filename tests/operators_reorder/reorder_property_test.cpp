// Random problems: offspring replay from A, parents stay unchanged, and the operators' compact
// candidate lists give the same offspring and draws as a plain collecting walk.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "chains.h"
#include "model/stem.h"
#include "operators/candidates.h"
#include "random_instance.h"

namespace {

// Plain collecting walk: literal qualification over the structure's pairs, the public cores,
// every candidate kept as a chain, then the candidate draw.
std::vector<ActionChain> reference(const ActionChain& parent, const std::string& seq, const std::string& A, int n,
                                   bool second) {
    if (n == 0) return {};
    const stemlist sl(seq, 3);
    std::vector<ActionChain> cand;
    RStruct rs(A);
    for (int i = 0; i < parent.size(); ++i) {
        for (const stem& st : sl.stems) {
            bool q = false, ok = false;
            for (const BP& bp : rs.vbp) q = q || (st.conflictwithBP(bp) && (second || !st.containBP(bp)));
            if (!q) continue;
            ActionChain c = second ? parent.reorder_del4(rs, i, st, ok) : parent.reorder_del(rs, i, st, ok);
            if (ok) cand.push_back(c);
        }
        rs.applyAction(parent.va[i]);
    }
    return draw_candidates(cand, A, n, second ? 2 : 1);
}

TEST(OperatorProperty, OffspringValidParentsUnchangedCompactFormsMatchPlainReading) {
    struct Problem {
        std::string seq, A;
        std::vector<ActionChain> parents;
    };
    std::vector<Problem> pbs;
    std::mt19937 g(101);
    for (int t = 0; t < 12; ++t) {  // the direct paths and their random reorderings
        RandomInstance ri = random_instance(g, 20 + static_cast<int>(g() % 61));
        Problem p{ri.seq, ri.A, ri.parents};
        seed_random(100 + t);
        for (const ActionChain& c : ri.parents)
            p.parents.insert(p.parents.end(), {c.postpone_del2(p.seq, p.A), c.bringforward_add2(p.seq, p.A)});
        pbs.push_back(p);
    }
    // Hand-made parents for the driver's ok precheck, and a long one (positions over hundreds).
    const std::string seq = "GGGAAAAAACCC" + std::string(40, 'A'), dots(40, '.');
    ActionChain longp;
    for (int k = 0; k < 300; ++k) longp.push_back(k % 2 ? del : add, 20 + k / 2 % 5, 45 - k / 2 % 5);
    pbs.push_back({seq, ".(...)......" + dots, {C("+20,30 -1,5 +2,9 -2,9"), longp}});
    pbs.push_back({seq, "....()(...)." + dots, {C("+0,11 -0,11 +20,30")}});
    int total = 0;
    unsigned seed = 7;
    for (const Problem& pb : pbs) {
        for (const ActionChain& parent : pb.parents) {
            const ActionChain before = parent;
            for (bool second : {false, true}) {
                std::size_t all = 0;
                ++seed;                      // the same for both n: the same candidates, also for the random core
                for (int n : {100000, 4}) {  // all offspring (whole candidate lists), then a few
                    seed_random(seed);
                    const std::vector<ActionChain> got =
                        second ? parent.reorder_del2(pb.seq, pb.A, n) : parent.reorder_del(pb.seq, pb.A, n);
                    const int after_got = next_random();
                    seed_random(seed);
                    const std::vector<ActionChain> want = reference(parent, pb.seq, pb.A, n, second);
                    EXPECT_EQ(next_random(), after_got);  // same number of draws
                    EXPECT_EQ(got, want);
                    all = std::max(all, got.size());
                    EXPECT_EQ(got.size(), std::min<std::size_t>(n, all));  // exactly n when enough pass
                    for (const ActionChain& c : got) {
                        EXPECT_EQ(c.strategy, second ? 2 : 1);
                        EXPECT_TRUE(valid_from(pb.A, c) && parent_plus_detours(parent, c));
                        EXPECT_TRUE(c.mde == OOENERGY && c.vde.empty());
                    }
                    total += static_cast<int>(got.size());
                }
            }
            EXPECT_TRUE(parent.va == before.va && parent.mde == before.mde && parent.vde == before.vde &&
                        parent.strategy == before.strategy);
        }
    }
    EXPECT_GT(total, 400);  // the instances do produce offspring
}

// The first move from `start` on that the pair cannot coexist with: an addition in conflict, or a
// deletion sharing a base; the length when there is none.
TEST(GetindxConflict, AgreesWithThePlainScan) {
    std::mt19937 g(6);
    for (int t = 0; t < 300; ++t) {
        ActionChain c;
        for (int k = 0; k < 6; ++k) {
            const int i = static_cast<int>(g() % 15);
            c.push_back(g() % 2 ? add : del, i, i + 1 + static_cast<int>(g() % 15));
        }
        const int i = static_cast<int>(g() % 15), start = static_cast<int>(g() % 8);
        const BP bp(i, i + 1 + static_cast<int>(g() % 15));
        int k = start;
        while (k < c.size() && !(c.va[k].a == add ? c.va[k].b.conflictwithBP(bp)
                                                  : c.va[k].b.lp == bp.lp || c.va[k].b.lp == bp.rp ||
                                                        c.va[k].b.rp == bp.lp || c.va[k].b.rp == bp.rp))
            ++k;
        EXPECT_EQ(c.getindx_conflict(start, bp), std::min(k, c.size()));
    }
}

}  // namespace
