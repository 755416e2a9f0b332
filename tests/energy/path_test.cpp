// Structures along a path and the tolerant energy comparison.
#include <gtest/gtest.h>

#include <random>

#include "energy/pathstructs.h"
#include "fatal.h"
#include "random_instance.h"

TEST(StructuresAlongPath, AddOverwritesWhateverStandsThere) {
    EXPECT_EQ(getSfromAC("..........", Action(add, 2, 7)), "..(....)..");
    EXPECT_EQ(getSfromAC(".)...(....", Action(add, 1, 5)), ".(...)....");
    EXPECT_EQ(getSfromAC("((......))", Action(add, 1, 9)), "((......))");
    EXPECT_EQ(getSfromAC(")........(", Action(add, 0, 9)), "(........)");
}

TEST(StructuresAlongPath, DeleteOnlyLooksAtTheTwoBrackets) {
    EXPECT_EQ(getSfromAC("((....))..", Action(del, 1, 6)), "(......)..");
    // The brackets at 0 and 6 belong to other pairs; the result is unbalanced.
    EXPECT_EQ(getSfromAC("((....))..", Action(del, 0, 6)), ".(.....)..");
}

TEST(StructuresAlongPath, DeletingAMissingPairIsAFatalError) {
    expect_fatal(
        [&] { getSfromAC("((....))..", Action(del, 2, 7)); },
        "The action is del \\(2,7\\)\nThe structure s=\\(\\(\\.\\.\\.\\.\\)\\)\\.\\.\ns\\[2\\]=\\. and s\\[7\\]=\\)\n");
    expect_fatal([&] { getSfromAC("..........", Action(del, 0, 9)); }, "del \\(0,9\\)");
}

TEST(StructuresAlongPath, UnknownMoveKindIsAFatalError) {
    Action x(add, 1, 5);
    x.a = static_cast<Act>(3);
    expect_fatal([&] { getSfromAC("..........", x); }, "Error: Action.a is neither add nor del but 3\n");
}

TEST(StructuresAlongPath, PositionOutsideTheStructureIsAnInvariantBreach) {
    expect_fatal([&] { getSfromAC(".....", Action(add, 1, 5)); }, "ret.size\\(\\) > in_a.b.rp", ErrorStream::err,
                 kInvariantStatus);
}

TEST(StructuresAlongPath, EmptyChainGivesTheStartAlone) {
    EXPECT_EQ(getVSfromAC("(...)", ActionChain()), std::vector<std::string>{"(...)"});
}

TEST(StructuresAlongPath, EachStepAppliesOneMoveToThePrevious) {
    ActionChain ac;
    ac.push_back(del, 0, 9);
    ac.push_back(add, 2, 7);
    ac.push_back(add, 1, 8);
    const std::vector<std::string> expect = {"(........)", "..........", "..(....)..", ".((....))."};
    EXPECT_EQ(getVSfromAC("(........)", ac), expect);
}

TEST(StructuresAlongPath, DirectPathwaysLeadFromAToB) {
    std::mt19937 g(11);
    for (int t = 0; t < 20; ++t) {
        const RandomInstance ri = random_instance(g, 20 + 7 * t);
        for (const ActionChain& ac : ri.parents) {
            const std::vector<std::string> vs = getVSfromAC(ri.A, ac);
            ASSERT_EQ(vs.size(), ac.va.size() + 1);
            EXPECT_EQ(vs.front(), ri.A);
            EXPECT_EQ(vs.back(), ri.B);
        }
    }
}

TEST(EnergyEquality, BoundIsInclusiveAndSymmetric) {
    EXPECT_TRUE(eq(0.0, 1e-6));
    EXPECT_TRUE(eq(1e-6, 0.0));
    EXPECT_FALSE(eq(0.0, 2e-6));
    EXPECT_FALSE(eq(-2e-6, 0.0));
    EXPECT_TRUE(eq(-3.4, -3.4));
    EXPECT_FALSE(eq(OOENERGY, OOENERGY - 0.01));
}
