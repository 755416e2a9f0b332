#include <gtest/gtest.h>

#include "model/trim.h"

namespace {

std::string trim_quiet(const std::string& s, const Auxiliary& aux, std::string* printed = nullptr) {
    ::testing::internal::CaptureStdout();
    std::string r = remove_unused_stems(s, aux);
    std::string out = ::testing::internal::GetCapturedStdout();
    if (printed) *printed = out;
    return r;
}

TEST(Auxiliary, RemovesSharedHairpinHelix) {
    const std::string A = "((((...))))..(((...)))", B = "((((...))))...........";
    ASSERT_EQ(B.size(), 22u);
    RStruct ra(A);
    Auxiliary aux(ra, RStruct(B));
    EXPECT_EQ(ra.vbp[0].lp, 3);  // the caller's structure is untouched
    ASSERT_EQ(aux.vstem.size(), 1u);
    EXPECT_TRUE(aux.vstem[0] == stem(BP(0, 10), BP(3, 7)));
    ASSERT_EQ(aux.o2t.size(), 22u);
    ASSERT_EQ(aux.t2o.size(), 11u);
    for (int i = 0; i < 22; ++i) EXPECT_EQ(aux.o2t[i], i < 11 ? -1 : i - 11);
    for (int t = 0; t < 11; ++t) EXPECT_EQ(aux.t2o[t], t + 11);

    std::string printed;
    EXPECT_EQ(trim_quiet(A, aux, &printed), "..(((...)))");
    EXPECT_EQ(printed, A + "\n..(((...)))\n");
    EXPECT_EQ(trim_quiet(B, aux), std::string(11, '.'));
    EXPECT_EQ(trim_quiet("GGGGAAACCCCAAGGGAAACCC", aux), "AAGGGAAACCC");

    ActionChain ac, other, full_other;
    ac.push_back(del, 2, 10);
    ac.push_back(add, 3, 9);
    ac.mde = 1.5;
    ac.avge = -2.0;
    ac.vde = {-3.0, 1.5, 0.0};
    ac.strategy = 7;
    const ActionChain full = convertAC_coordination_t2o(ac, aux);
    ASSERT_EQ(full.size(), 2);
    EXPECT_TRUE(full.va[0] == Action(del, 13, 21) && full.va[1] == Action(add, 14, 20));
    EXPECT_EQ(full.strategy, 0);
    EXPECT_EQ(full.mde, 1.5);
    EXPECT_EQ(full.avge, -2.0);
    EXPECT_EQ(full.vde, ac.vde);
    other.push_back(add, 0, 4);
    full_other.push_back(add, 11, 15);
    EXPECT_EQ(convertVAC_coordination_t2o({ac, other}, aux), std::vector<ActionChain>({full, full_other}));
}

TEST(Auxiliary, KeepsNonSharedOrNonHairpinHelicesAndCutsSideBySideOnes) {
    // Same helix, but in A it encloses another pair; and helices differing only in the inner pair.
    EXPECT_TRUE(Auxiliary(RStruct("(((.(...).)))"), RStruct("(((.......)))")).vstem.empty());
    const Auxiliary same(RStruct("((.....))"), RStruct("(((...)))"));
    EXPECT_TRUE(same.vstem.empty());
    EXPECT_EQ(same.t2o, std::vector<int>({0, 1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(same.o2t, same.t2o);
    std::string printed;
    EXPECT_EQ(trim_quiet("GGGAAACCC", same, &printed), "GGGAAACCC");
    EXPECT_EQ(printed, "GGGAAACCC\n");  // written once
    // Structures without pairs: identity maps.
    EXPECT_TRUE(Auxiliary(RStruct("........"), RStruct("(((..)))")).vstem.empty());
    const Auxiliary open(RStruct("......"), RStruct("......"));
    EXPECT_TRUE(open.vstem.empty());
    EXPECT_EQ(open.t2o, std::vector<int>({0, 1, 2, 3, 4, 5}));

    const std::string A = "((...))...((...))......", B = "((...)).(.((...)).....)";
    const Auxiliary aux{RStruct(A), RStruct(B)};
    ASSERT_EQ(aux.vstem.size(), 2u);
    EXPECT_TRUE(aux.vstem[0] == stem(BP(0, 6), BP(1, 5)));
    EXPECT_TRUE(aux.vstem[1] == stem(BP(10, 16), BP(11, 15)));
    EXPECT_EQ(aux.t2o, std::vector<int>({7, 8, 9, 17, 18, 19, 20, 21, 22}));
    EXPECT_EQ(aux.o2t, std::vector<int>({-1, -1, -1, -1, -1, -1, -1, 0, 1, 2, -1, -1, -1, -1, -1, -1, -1, 3, 4, 5,
                                         6, 7, 8}));
    EXPECT_EQ(trim_quiet(A, aux), ".........");
    EXPECT_EQ(trim_quiet(B, aux), ".(......)");
    EXPECT_EQ(trim_quiet("ABCDEFGHIJKLMNOPQRSTUVW", aux), "HIJRSTUVW");
}

}  // namespace
