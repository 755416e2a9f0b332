// Reading parameter files, and the rules of the model that the reference tables do not reach.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "nnmodel/nnmodel.h"

namespace {

using nnmodel::ParamSet;

const std::string kHeader = "## RNAfold parameter file v2.0\n";

ParamSet read(const std::string& text, std::vector<std::string>* warnings = nullptr) {
    std::istringstream in(text);
    return nnmodel::read_parameter_file(in, warnings);
}

TEST(ParamFile, TokensCommentsAndUnitsOverLines) {
    // hairpin: one unit of 31 values. INF, DEF, NST, '*' (keep) and 'x' (extrapolate from the last
    // plain integer: v + trunc(0.5 + 107.856 ln(k / L))). dangle5: units of 5 values wrap over lines;
    // the rest of the line that completes a unit is dropped.
    std::string text = kHeader +
                       "/* before any section */\n# hairpin /* on the header */\n"
                       "INF INF INF 540 x x * DEF /* inline */ NST +7 x";
    for (int k = 11; k <= 30; ++k) text += " *";
    text += "\n\n# dangle5\n-1 -2\n-3\n-4 -5\n-11 -12 -13 -14 -15 -99 -98\n";
    for (int t = 3; t <= 7; ++t) text += "0 0 0 0 " + std::to_string(-t) + "\n";
    text += "-999 outside the section\n# Misc\n400 0 45 0 /* trailing */\n";
    const ParamSet p = read(text);
    const ParamSet& d = nnmodel::turner2004();
    auto x = [](int v, int k, int l) {
        return v + static_cast<int>(std::trunc(0.5 + 107.856 * std::log(1.0 * k / l)));
    };
    const std::vector<int> want = {nnmodel::kInf, nnmodel::kInf, nnmodel::kInf, 540, x(540, 4, 3),
                                   x(540, 5, 3),  d.hairpin[6],  -50,           0,   7,
                                   x(7, 10, 9)};
    for (int k = 0; k <= 30; ++k) EXPECT_EQ(p.hairpin[k], k <= 10 ? want[k] : d.hairpin[k]) << k;
    for (int v = 0; v <= 4; ++v) EXPECT_EQ(p.dangle5[1][v], -(v + 1));
    EXPECT_EQ(p.dangle5[2][4], -15);
    EXPECT_EQ(p.dangle5[7][4], -7);
    EXPECT_EQ(p.terminal_au, 45);
    EXPECT_EQ(p.stack[1][1], d.stack[1][1]);  // what is not mentioned keeps its default
    EXPECT_EQ(p.tetraloops.size(), d.tetraloops.size());
}

TEST(ParamFile, MalformedInputThrows) {
    std::string short_stack = kHeader + "# stack\n";
    for (int k = 0; k < 6; ++k) short_stack += "-1 -1 -1 -1 -1 -1 -1\n";
    short_stack += "# mismatch_hairpin\n";  // swallowed as the 7th row
    for (const std::string& text : {kHeader + "# NINIO\n60 /* no end\n 0 300\n", kHeader + "# NINIO\n60 abc 300\n",
                                    kHeader + "# NINIO\nx 0 300\n", kHeader + "# ML_params\n0 0 930\n", short_stack})
        EXPECT_THROW(read(text), std::runtime_error) << text;
    EXPECT_THROW(nnmodel::read_parameter_file(std::string("/nonexistent/turner.par")), std::runtime_error);
}

int E(const std::string& seq, const std::string& db, int d, std::vector<std::string>* w = nullptr) {
    return nnmodel::energy_dcal(nnmodel::turner2004(), nnmodel::encode_sequence(seq), db, d, w);
}

TEST(EnergyRules, WarningsComeInPairOrderShortHairpinsAfterTheirPair) {
    // The pass meets (5,9) before (4,10); messages still come outer pair first, branches left to right.
    std::vector<std::string> w{"kept"};
    E("GCGAGGAAACAAGCAGCAGAA", "((.((...)).(......)))", 2, &w);
    EXPECT_EQ(w, (std::vector<std::string>{
                     "kept", "[WARNING] Bases 1 and 21 (GA) can't pair!", "[WARNING] Bases 2 and 20 (CA) can't pair!",
                     "[WARNING] Bases 4 and 10 (AC) can't pair!", "[WARNING] Bases 5 and 9 (GA) can't pair!",
                     "[WARNING] Bases 12 and 19 (AG) can't pair!"}));
    w.clear();
    E("GUGGAAAUCGC", "((((...))))", 1, &w);  // GC, UG, GC, GU
    EXPECT_TRUE(w.empty());
}

}  // namespace
