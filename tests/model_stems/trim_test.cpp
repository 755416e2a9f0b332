#include <gtest/gtest.h>

#include <random>

#include "random_instance.h"
#include "trim.h"

namespace {

std::string trim_quiet(const std::string& s, const Auxiliary& aux, std::string* printed = nullptr) {
    ::testing::internal::CaptureStdout();
    std::string r = remove_unused_stems(s, aux);
    std::string out = ::testing::internal::GetCapturedStdout();
    if (printed) *printed = out;
    return r;
}

TEST(Auxiliary, RemovesSharedHairpinHelix) {
    const std::string A = "((((...))))..(((...)))";
    const std::string B = "((((...))))..........";
    const std::string Bfull = B + ".";
    ASSERT_EQ(A.size(), 22u);
    ASSERT_EQ(Bfull.size(), 22u);
    const std::string seq = "GGGGAAACCCCAAGGGAAACCC";
    RStruct ra(A), rb(Bfull);
    Auxiliary aux(ra, rb);
    // The caller's structures are untouched (create_stems works on copies).
    EXPECT_EQ(ra.vbp[0].lp, 3);
    ASSERT_EQ(aux.vstem.size(), 1u);
    EXPECT_TRUE(aux.vstem[0] == stem(BP(0, 10), BP(3, 7)));
    ASSERT_EQ(aux.o2t.size(), 22u);
    ASSERT_EQ(aux.t2o.size(), 11u);
    for (int i = 0; i < 11; ++i) EXPECT_EQ(aux.o2t[i], -1);
    for (int i = 11; i < 22; ++i) EXPECT_EQ(aux.o2t[i], i - 11);
    for (int t = 0; t < 11; ++t) EXPECT_EQ(aux.t2o[t], t + 11);

    std::string printed;
    EXPECT_EQ(trim_quiet(A, aux, &printed), "..(((...)))");
    EXPECT_EQ(printed, A + "\n..(((...)))\n");
    EXPECT_EQ(trim_quiet(Bfull, aux), std::string(11, '.'));
    EXPECT_EQ(trim_quiet(seq, aux), "AAGGGAAACCC");

    ActionChain ac;
    ac.push_back(del, 2, 10);
    ac.push_back(add, 3, 9);
    ac.mde = 1.5;
    ac.avge = -2.0;
    ac.vde = {-3.0, 1.5, 0.0};
    ac.strategy = 7;
    ActionChain full = convertAC_coordination_t2o(ac, aux);
    ASSERT_EQ(full.size(), 2);
    EXPECT_EQ(full.va[0], Action(del, 13, 21));
    EXPECT_EQ(full.va[1], Action(add, 14, 20));
    EXPECT_EQ(full.strategy, 0);
    EXPECT_EQ(full.mde, 1.5);
    EXPECT_EQ(full.avge, -2.0);
    EXPECT_EQ(full.vde, ac.vde);

    ActionChain other;
    other.push_back(add, 0, 4);
    std::vector<ActionChain> both = convertVAC_coordination_t2o({ac, other}, aux);
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0], full);
    EXPECT_EQ(both[1].va[0], Action(add, 11, 15));
    EXPECT_TRUE(convertVAC_coordination_t2o({}, aux).empty());
}

TEST(Auxiliary, KeepsHelicesThatAreNotSharedHairpins) {
    // The same helix in A and B, but in A it encloses another pair: not a hairpin helix there.
    {
        Auxiliary aux(RStruct("(((.(...).)))"), RStruct("(((.......)))"));
        EXPECT_TRUE(aux.vstem.empty());
    }
    // Helices that differ only in their inner pair.
    {
        Auxiliary aux(RStruct("((.....))"), RStruct("(((...)))"));
        EXPECT_TRUE(aux.vstem.empty());
        ASSERT_EQ(aux.t2o.size(), 9u);
        for (int i = 0; i < 9; ++i) {
            EXPECT_EQ(aux.t2o[i], i);
            EXPECT_EQ(aux.o2t[i], i);
        }
        std::string printed;
        EXPECT_EQ(trim_quiet("GGGAAACCC", aux, &printed), "GGGAAACCC");
        EXPECT_EQ(printed, "GGGAAACCC\n");  // written once
        ActionChain ac;
        ac.push_back(add, 2, 6);
        EXPECT_EQ(convertAC_coordination_t2o(ac, aux).va[0], Action(add, 2, 6));
    }
    // Structures without pairs: identity maps.
    {
        Auxiliary aux(RStruct("........"), RStruct("(((..)))"));
        EXPECT_TRUE(aux.vstem.empty());
        EXPECT_EQ(aux.t2o.size(), 8u);
        EXPECT_EQ(aux.o2t.size(), 8u);
        Auxiliary aux2(RStruct("......"), RStruct("......"));
        EXPECT_TRUE(aux2.vstem.empty());
        EXPECT_EQ(aux2.t2o, std::vector<int>({0, 1, 2, 3, 4, 5}));
    }
}

TEST(Auxiliary, RemovesTwoSharedHelicesSideBySide) {
    const std::string A = "((...))...((...))......";
    const std::string B = "((...)).(.((...)).....)";
    ASSERT_EQ(A.size(), B.size());
    Auxiliary aux{RStruct(A), RStruct(B)};
    ASSERT_EQ(aux.vstem.size(), 2u);
    EXPECT_TRUE(aux.vstem[0] == stem(BP(0, 6), BP(1, 5)));
    EXPECT_TRUE(aux.vstem[1] == stem(BP(10, 16), BP(11, 15)));
    EXPECT_EQ(aux.t2o, std::vector<int>({7, 8, 9, 17, 18, 19, 20, 21, 22}));
    EXPECT_EQ(trim_quiet(A, aux), ".........");
    EXPECT_EQ(trim_quiet(B, aux), ".(......)");
    EXPECT_EQ(trim_quiet("ABCDEFGHIJKLMNOPQRSTUVW", aux), "HIJRSTUVW");
}

// On random problems where B keeps some of A's pairs: the maps are consistent, the trimmed
// strings stay balanced and of equal length, and a direct path on the trimmed problem, mapped
// back, replays from the full A to the full B.
TEST(Auxiliary, TrimmedPathsMapBackToValidFullPaths) {
    std::mt19937 g(23);
    int trimmed_cases = 0;
    for (int t = 0; t < 40; ++t) {
        const int n = 20 + static_cast<int>(g() % 61);
        const std::string seq = random_sequence(g, n);
        RStruct a(random_structure(g, seq, 3 * n));
        RStruct b(a.str);
        for (const BP& p : a.vbp)
            if (g() % 3 == 0) b.del_bp(p);
        RStruct extra(random_structure(g, seq, n));
        for (const BP& p : extra.vbp)
            if (!mycheckclash(p, b.vbp)) b.add_bp(p);

        Auxiliary aux(a, b);
        const int tn = static_cast<int>(aux.t2o.size());
        ASSERT_EQ(static_cast<int>(aux.o2t.size()), n);
        for (int k = 0; k < tn; ++k) {
            if (k > 0) {
                EXPECT_LT(aux.t2o[k - 1], aux.t2o[k]);
            }
            EXPECT_EQ(aux.o2t[aux.t2o[k]], k);
        }
        int removed = 0;
        for (int i = 0; i < n; ++i) removed += aux.o2t[i] == -1;
        EXPECT_EQ(removed + tn, n);
        if (!aux.vstem.empty()) ++trimmed_cases;

        const std::string ts = trim_quiet(seq, aux), ta = trim_quiet(a.str, aux), tb = trim_quiet(b.str, aux);
        ASSERT_EQ(static_cast<int>(ts.size()), tn);
        ASSERT_EQ(static_cast<int>(ta.size()), tn);
        ASSERT_EQ(static_cast<int>(tb.size()), tn);
        RStruct rta(ta), rtb(tb);  // s2v asserts balance
        for (const ActionChain& path : rtb.convertfrom_multipleActionChains(rta)) {
            ActionChain full = convertAC_coordination_t2o(path, aux);
            RStruct w(a.str);
            ASSERT_TRUE(w.applyActionChain_checkclash(full));
            EXPECT_EQ(w.str, b.str);
        }
    }
    EXPECT_GT(trimmed_cases, 5);
}

}  // namespace
