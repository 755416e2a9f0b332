// The trimming of shared hairpin helices, on random problems.
#include <gtest/gtest.h>

#include <random>

#include "model/stem.h"
#include "model/structure.h"
#include "model/trim.h"
#include "random_instance.h"

namespace {

// True when no pair of the structure lies inside the innermost pair of s.
bool closes_hairpin(const std::string& db, const stem& s) {
    for (int i = s.inner.lp + 1; i < s.inner.rp; ++i)
        if (db[i] != '.') return false;
    return true;
}

// A and B share a hairpin helix (and sometimes more): the shared hairpin helices go, with their whole span.
TEST(Trim, SharedHairpinHelicesAndTheirSpansAreRemoved) {
    std::mt19937 g(9);
    for (int t = 0; t < 40; ++t) {
        const std::string seq = random_sequence(g, 20 + t);
        const std::string h = t % 2 ? "((((...))))" : "(((....)))";
        const std::string A = random_structure(g, seq, 20) + h + random_structure(g, seq.substr(t), 20);
        const std::string B = random_structure(g, seq, 20) + h + random_structure(g, seq.substr(t), 20);
        ::testing::internal::CaptureStdout();
        const Auxiliary aux{RStruct(A), RStruct(B)};
        std::vector<stem> shared;
        RStruct b(B);
        const std::vector<stem> sb = b.create_stems();
        for (const stem& s : RStruct(A).create_stems())
            if (closes_hairpin(A, s) && closes_hairpin(B, s) && getindx(sb, s, 0, 1) != -1) shared.push_back(s);
        ASSERT_EQ(aux.vstem.size(), shared.size());
        std::string kept, keptA;
        std::vector<int> t2o;
        for (int i = 0; i < static_cast<int>(A.size()); ++i) {
            bool gone = false;
            for (const stem& s : shared) gone |= s.outer.lp <= i && i <= s.outer.rp;
            EXPECT_EQ(aux.o2t[i], gone ? -1 : static_cast<int>(t2o.size()));
            if (!gone) t2o.push_back(i), kept += B[i], keptA += A[i];
        }
        EXPECT_EQ(aux.t2o, t2o);
        EXPECT_EQ(remove_unused_stems(B, aux), kept);
        EXPECT_EQ(remove_unused_stems(A, aux), keptA);
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), B + "\n" + kept + "\n" + A + "\n" + keptA + "\n");
        // Paths found on the trimmed problem map back to full positions, energies kept, origin reset.
        ActionChain ac;
        ac.push_back(add, 0, static_cast<int>(t2o.size()) - 1);
        ac.mde = 1.5;
        ac.vde = {-3.0, 1.5};
        ac.strategy = 7;
        const ActionChain full = convertVAC_coordination_t2o({ac}, aux)[0];
        EXPECT_TRUE(full.va[0] == Action(add, t2o.front(), t2o.back()) && full.strategy == 0);
        EXPECT_TRUE(full.mde == 1.5 && full.vde == ac.vde);
    }
}

}  // namespace
