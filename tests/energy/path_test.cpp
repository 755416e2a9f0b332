// Structures along a path: one move at a time, and the direct pathways.
#include <gtest/gtest.h>

#include <random>

#include "energy/pathstructs.h"
#include "fatal.h"
#include "random_instance.h"

TEST(StructuresAlongPath, AddOverwritesWhateverStandsThereDeleteClearsTwoBrackets) {
    EXPECT_EQ(getSfromAC("..........", Action(add, 2, 7)), "..(....)..");
    EXPECT_EQ(getSfromAC(".)...(....", Action(add, 1, 5)), ".(...)....");
    EXPECT_EQ(getSfromAC("((......))", Action(add, 1, 9)), "((......))");
    EXPECT_EQ(getSfromAC(")........(", Action(add, 0, 9)), "(........)");
    // Deleting only looks at the two brackets: at 0 and 6 they belong to other pairs.
    EXPECT_EQ(getSfromAC("((....))..", Action(del, 1, 6)), "(......)..");
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
