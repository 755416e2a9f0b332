// Reading parameter files: layout, tokens, comments, units, unknown sections, errors, and
// the post-processing every loaded set gets.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "nnmodel/nnmodel.h"

namespace {

using nnmodel::ParamSet;

const char kHeader[] = "## RNAfold parameter file v2.0\n";

ParamSet read(const std::string& text, std::vector<std::string>* warnings = nullptr) {
  std::istringstream in(text);
  return nnmodel::read_parameter_file(in, warnings);
}

bool same_tables(const ParamSet& a, const ParamSet& b) {
#define NNMODEL_SAME(f) (std::memcmp(&a.f, &b.f, sizeof(a.f)) == 0)
  return NNMODEL_SAME(stack) && NNMODEL_SAME(mismatch_hairpin) && NNMODEL_SAME(mismatch_interior) &&
         NNMODEL_SAME(mismatch_interior_1n) && NNMODEL_SAME(mismatch_interior_23) &&
         NNMODEL_SAME(mismatch_multi) && NNMODEL_SAME(mismatch_exterior) && NNMODEL_SAME(dangle5) &&
         NNMODEL_SAME(dangle3) && NNMODEL_SAME(int11) && NNMODEL_SAME(int21) && NNMODEL_SAME(int22) &&
         NNMODEL_SAME(hairpin) && NNMODEL_SAME(bulge) && NNMODEL_SAME(interior) &&
         a.ml_base == b.ml_base && a.ml_closing == b.ml_closing && a.ml_intern == b.ml_intern &&
         a.ninio == b.ninio && a.max_ninio == b.max_ninio && a.duplex_init == b.duplex_init &&
         a.terminal_au == b.terminal_au;
#undef NNMODEL_SAME
}

bool same_loops(const std::vector<nnmodel::SpecialHairpin>& a,
                const std::vector<nnmodel::SpecialHairpin>& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](const auto& x, const auto& y) {
           return x.loop == y.loop && x.energy == y.energy;
         });
}

std::string file_text(const std::string& path) {
  std::ifstream in(path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

TEST(ParamDefaults, CompiledInSetHasTheTurner2004Values) {
  const ParamSet& p = nnmodel::turner2004();
  EXPECT_EQ(p.stack[1][1], -240);
  EXPECT_EQ(p.stack[2][1], -330);
  EXPECT_EQ(p.stack[3][5], -140);  // GU/AU, typed "-1i40" in the distributed file
  EXPECT_EQ(p.stack[5][3], -140);
  EXPECT_EQ(p.stack[7][7], 130);
  EXPECT_EQ(p.mismatch_hairpin[1][0][0], -80);     // first value of the section
  EXPECT_EQ(p.mismatch_hairpin[1][3][3], -240);    // CG,G row, G column
  EXPECT_EQ(p.mismatch_exterior[5][2][1], -80);    // the example of the AU stem: C 5', A 3'
  EXPECT_EQ(p.dangle5[5][2], -30);
  EXPECT_EQ(p.dangle3[5][1], -70);
  EXPECT_EQ(p.dangle3[2][1], -170);
  EXPECT_EQ(p.int22[2][1][1][4][3][1], 170);
  EXPECT_EQ(p.int22[1][1][1][1][1][1], 120);  // first int22 value
  EXPECT_EQ(p.int22[1][1][1][1][1][4], 160);
  const int hairpin[] = {nnmodel::kInf, nnmodel::kInf, nnmodel::kInf, 540, 560, 570, 540, 600, 550, 640};
  for (int u = 0; u < 10; ++u) EXPECT_EQ(p.hairpin[u], hairpin[u]) << u;
  EXPECT_EQ(p.hairpin[30], 770);
  EXPECT_EQ(p.bulge[0], nnmodel::kInf);
  EXPECT_EQ(p.bulge[1], 380);
  EXPECT_EQ(p.interior[2], 100);
  EXPECT_EQ(p.interior[30], 370);
  EXPECT_EQ(p.ml_base, 0);
  EXPECT_EQ(p.ml_closing, 930);
  EXPECT_EQ(p.ml_intern, -90);
  EXPECT_EQ(p.ninio, 60);
  EXPECT_EQ(p.max_ninio, 300);
  EXPECT_EQ(p.duplex_init, 410);
  EXPECT_EQ(p.terminal_au, 50);
  ASSERT_EQ(p.triloops.size(), 2u);
  EXPECT_EQ(p.triloops[1].loop, "GUUAC");
  EXPECT_EQ(p.triloops[1].energy, 690);
  ASSERT_EQ(p.tetraloops.size(), 16u);
  EXPECT_EQ(p.tetraloops[7].loop, "CCUCGG");
  EXPECT_EQ(p.tetraloops[7].energy, 250);
  ASSERT_EQ(p.hexaloops.size(), 4u);
  EXPECT_EQ(p.hexaloops[3].loop, "ACAGUGUU");
  EXPECT_EQ(p.hexaloops[3].energy, 180);
}

TEST(ParamDefaults, DerivedInt22SlotsAreTheMaximumOverTheirBox) {
  const ParamSet& p = nnmodel::turner2004();
  // Example of the derivation rule: int22[NS][CG][N][A][A][A] = max over t, w.
  int best = INT_MIN;
  for (int t = 1; t <= 6; ++t)
    for (int w = 1; w <= 4; ++w) best = std::max(best, p.int22[t][1][w][1][1][1]);
  EXPECT_EQ(p.int22[7][1][0][1][1][1], best);
  // Brute force over a spread of derived slots.
  int checked = 0;
  for (int t1 = 1; t1 <= 7; ++t1)
    for (int t2 = 1; t2 <= 7; ++t2)
      for (int w = 0; w <= 4; ++w)
        for (int x = 0; x <= 4; ++x)
          for (int y = 0; y <= 4; ++y)
            for (int z = 0; z <= 4; ++z) {
              const bool derived = t1 == 7 || t2 == 7 || !w || !x || !y || !z;
              if (!derived || (t1 * 7 + t2 + w * 3 + x * 5 + y * 11 + z * 13) % 17 != 0) continue;
              int m = INT_MIN;
              auto range = [](int v, int lo, int hi, int wild, int& a, int& b) {
                if (v == wild) { a = lo; b = hi; } else { a = b = v; }
              };
              int a1, b1, a2, b2, aw, bw, ax, bx, ay, by, az, bz;
              range(t1, 1, 6, 7, a1, b1);
              range(t2, 1, 6, 7, a2, b2);
              range(w, 1, 4, 0, aw, bw);
              range(x, 1, 4, 0, ax, bx);
              range(y, 1, 4, 0, ay, by);
              range(z, 1, 4, 0, az, bz);
              for (int i1 = a1; i1 <= b1; ++i1)
                for (int i2 = a2; i2 <= b2; ++i2)
                  for (int iw = aw; iw <= bw; ++iw)
                    for (int ix = ax; ix <= bx; ++ix)
                      for (int iy = ay; iy <= by; ++iy)
                        for (int iz = az; iz <= bz; ++iz) m = std::max(m, p.int22[i1][i2][iw][ix][iy][iz]);
              ASSERT_EQ(p.int22[t1][t2][w][x][y][z], m) << t1 << t2 << w << x << y << z;
              ++checked;
            }
  EXPECT_GT(checked, 1000);
}

TEST(ParamFile, ShippedFileGivesTheCompiledInSet) {
  std::vector<std::string> warnings;
  const ParamSet p = nnmodel::read_parameter_file(std::string(NNMODEL_PARAM_FILE), &warnings);
  EXPECT_TRUE(warnings.empty()) << warnings.front();
  EXPECT_TRUE(same_tables(p, nnmodel::turner2004()));
  EXPECT_TRUE(same_loops(p.triloops, nnmodel::turner2004().triloops));
  EXPECT_TRUE(same_loops(p.tetraloops, nnmodel::turner2004().tetraloops));
  EXPECT_TRUE(same_loops(p.hexaloops, nnmodel::turner2004().hexaloops));
}

TEST(ParamFile, TypoInDistributedFileReadsAsIntegerPrefix) {
  std::string text = file_text(NNMODEL_PARAM_FILE);
  const std::string row = "  -210  -250   130   -50   -140  -130   130    /* GU */";
  const std::size_t at = text.find(row);
  ASSERT_NE(at, std::string::npos);
  text.replace(at, row.size(), "  -210  -250   130   -50   -1i40  -130   130    /* GU */");
  std::vector<std::string> warnings;
  const ParamSet p = read(text, &warnings);
  EXPECT_EQ(p.stack[3][5], -1);
  EXPECT_EQ(p.stack[5][3], -140);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("not symmetric"), std::string::npos) << warnings[0];
}

TEST(ParamFile, UnmentionedValuesKeepTheDefaults) {
  const ParamSet p = read(std::string(kHeader) + "\n# ML_params\n 10 0 500 0 -20 0\n");
  EXPECT_EQ(p.ml_base, 10);
  EXPECT_EQ(p.ml_closing, 500);
  EXPECT_EQ(p.ml_intern, -20);
  ParamSet expect = nnmodel::turner2004();
  expect.ml_base = 10;
  expect.ml_closing = 500;
  expect.ml_intern = -20;
  EXPECT_TRUE(same_tables(p, expect));
  EXPECT_TRUE(same_loops(p.tetraloops, nnmodel::turner2004().tetraloops));
}

TEST(ParamFile, CommentsAndBlankLinesAreIgnored) {
  const std::string text = std::string(kHeader) +
                           "/* a comment before any section */\n"
                           "# NINIO   /* comment on the header */\n"
                           "\n"
                           "/* only a comment */\n"
                           "   70 /* inline */ 0 250\n"
                           "#Misc\n"
                           "/* DuplexInit  dH  TerminalAU dH */\n"
                           "400 0 /* */ 45 0   /* trailing */\n";
  const ParamSet p = read(text);
  EXPECT_EQ(p.ninio, 70);
  EXPECT_EQ(p.max_ninio, 250);
  EXPECT_EQ(p.duplex_init, 400);
  EXPECT_EQ(p.terminal_au, 45);
}

TEST(ParamFile, UnitsWrapOverLinesAndIgnoreTheRestOfTheirLastLine) {
  // dangle5: 7 units of 5 values. Unit 1 wraps over three lines; unit 2 completes in the
  // middle of a line whose remaining numbers must be dropped; units 3..7 are one line each.
  const std::string text = std::string(kHeader) +
                           "# dangle5\n"
                           "-1 -2\n"
                           "-3\n"
                           "-4 -5\n"
                           "-11 -12 -13 -14 -15 -99 -98 -97\n"
                           "-21 -22 -23 -24 -25\n"
                           "-31 -32 -33 -34 -35\n"
                           "-41 -42 -43 -44 -45\n"
                           "-51 -52 -53 -54 -55\n"
                           "-61 -62 -63 -64 -65\n"
                           "-999 this line is outside the section\n";
  const ParamSet p = read(text);
  for (int t = 1; t <= 7; ++t)
    for (int x = 0; x <= 4; ++x)
      EXPECT_EQ(p.dangle5[t][x], t == 1 ? -(x + 1) : -(10 * (t - 1) + x + 1)) << t << "," << x;
}

TEST(ParamFile, SpecialTokens) {
  // hairpin: one unit of 31 values. INF, DEF, NST, '*' (keep) and 'x' (extrapolate from
  // the last plain integer of the unit: v + trunc(0.5 + 107.856 ln(k / L))).
  std::string text = std::string(kHeader) + "# hairpin\nINF INF INF 540 x x * DEF NST +7 x";
  for (int k = 11; k <= 30; ++k) text += " *";
  text += "\n";
  const ParamSet p = read(text);
  EXPECT_EQ(p.hairpin[2], nnmodel::kInf);
  EXPECT_EQ(p.hairpin[3], 540);
  EXPECT_EQ(p.hairpin[4], 540 + static_cast<int>(std::trunc(0.5 + 107.856 * std::log(4.0 / 3.0))));
  EXPECT_EQ(p.hairpin[4], 571);
  EXPECT_EQ(p.hairpin[5], 540 + static_cast<int>(std::trunc(0.5 + 107.856 * std::log(5.0 / 3.0))));
  EXPECT_EQ(p.hairpin[6], nnmodel::turner2004().hairpin[6]);
  EXPECT_EQ(p.hairpin[7], -50);
  EXPECT_EQ(p.hairpin[8], 0);
  EXPECT_EQ(p.hairpin[9], 7);
  EXPECT_EQ(p.hairpin[10], 7 + static_cast<int>(std::trunc(0.5 + 107.856 * std::log(10.0 / 9.0))));
  for (int k = 11; k <= 30; ++k) EXPECT_EQ(p.hairpin[k], nnmodel::turner2004().hairpin[k]);
}

TEST(ParamFile, UnknownSectionsWarnAndAreSkipped) {
  std::vector<std::string> warnings;
  const ParamSet p = read(std::string(kHeader) +
                              "# my_extension\n"
                              "1 2 3 4 5\n"
                              "6 7 8\n"
                              "#END\n"
                              "# Misc\n"
                              "0 0 77 0\n",
                          &warnings);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("read_epars: Unknown field identifier"), std::string::npos);
  EXPECT_NE(warnings[0].find("my_extension"), std::string::npos);
  EXPECT_EQ(p.terminal_au, 77);  // still read after #END
  EXPECT_EQ(p.stack[1][1], -240);
}

TEST(ParamFile, DeprecatedNamesAreReadAsInternal) {
  std::vector<std::string> warnings;
  std::string text = std::string(kHeader) + "# interior\n";
  for (int k = 0; k <= 30; ++k) text += std::to_string(1000 + k) + " ";
  text += "\n";
  const ParamSet p = read(text, &warnings);
  EXPECT_EQ(p.interior[4], 1004);
  EXPECT_EQ(p.interior[30], 1030);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("deprecated"), std::string::npos);
}

TEST(ParamFile, MissingFirstLineOnlyWarns) {
  std::vector<std::string> warnings;
  const ParamSet p = read("# Misc\n0 0 60 0\n", &warnings);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("## RNAfold parameter file v2.0"), std::string::npos);
  // Line 1 is never a section header, so this Misc section was not read.
  EXPECT_EQ(p.terminal_au, 50);
  const ParamSet q = read("junk\n# Misc\n0 0 60 0\n");
  EXPECT_EQ(q.terminal_au, 60);
}

TEST(ParamFile, PositiveDanglesAndOuterMismatchesBecomeZero) {
  std::string text = std::string(kHeader) + "# dangle3\n";
  for (int t = 1; t <= 7; ++t) text += "5 -5 0 300 -1\n";
  text += "# mismatch_multi\n";
  for (int t = 1; t <= 7; ++t)
    for (int x = 0; x <= 4; ++x) text += "10 -10 10 -10 10\n";
  text += "# mismatch_hairpin\n";
  for (int t = 1; t <= 7; ++t)
    for (int x = 0; x <= 4; ++x) text += "10 -10 10 -10 10\n";
  const ParamSet p = read(text);
  EXPECT_EQ(p.dangle3[2][0], 0);
  EXPECT_EQ(p.dangle3[2][1], -5);
  EXPECT_EQ(p.dangle3[2][3], 0);
  EXPECT_EQ(p.dangle3[2][4], -1);
  EXPECT_EQ(p.mismatch_multi[4][2][0], 0);
  EXPECT_EQ(p.mismatch_multi[4][2][1], -10);
  EXPECT_EQ(p.mismatch_hairpin[4][2][0], 10);  // other tables keep positive values
}

TEST(ParamFile, Int22SkipTokensAndDerivedSlotsFollowTheExplicitOnes) {
  // Raise one explicit entry; every derived slot whose box contains it must follow.
  std::string text = std::string(kHeader) + "# int22\n5000 * * *\n";
  for (int k = 1; k < 6 * 6 * 4 * 4 * 4; ++k) text += "* * * *\n";
  const ParamSet p = read(text);
  const ParamSet& d = nnmodel::turner2004();
  EXPECT_EQ(p.int22[1][1][1][1][1][1], 5000);
  EXPECT_EQ(p.int22[1][1][1][1][1][2], d.int22[1][1][1][1][1][2]);
  EXPECT_EQ(p.int22[7][1][1][1][1][1], 5000);
  EXPECT_EQ(p.int22[1][7][0][1][1][0], 5000);
  EXPECT_EQ(p.int22[7][7][0][0][0][0], 5000);
  EXPECT_EQ(p.int22[7][2][1][1][1][1], d.int22[7][2][1][1][1][1]);
  EXPECT_EQ(p.int22[1][1][0][2][1][1], d.int22[1][1][0][2][1][1]);
}

TEST(ParamFile, SpecialLoopListsAreReplacedWhole) {
  std::vector<std::string> warnings;
  const ParamSet p = read(std::string(kHeader) +
                              "# Tetraloops\n"
                              "GAAAAC 100 200\n"
                              "CUUCGG -50 0\n"
                              "\n"
                              "# Triloops\n"
                              "CAAAG 300 0\n"
                              "GAAAC\n"
                              "CCCCC 1 1\n",
                          &warnings);
  EXPECT_TRUE(warnings.empty());
  ASSERT_EQ(p.tetraloops.size(), 2u);
  EXPECT_EQ(p.tetraloops[1].loop, "CUUCGG");
  EXPECT_EQ(p.tetraloops[1].energy, -50);
  // A line without both numbers ends the list, but its word is entered with energy 0.
  ASSERT_EQ(p.triloops.size(), 2u);
  EXPECT_EQ(p.triloops[1].loop, "GAAAC");
  EXPECT_EQ(p.triloops[1].energy, 0);
  EXPECT_EQ(p.hexaloops.size(), 4u);
  // The loaded lists are what the evaluation uses.
  const nnmodel::EncodedSequence s = nnmodel::encode_sequence("GGACUUCGGUCC");
  EXPECT_EQ(nnmodel::energy_dcal(p, s, "((((....))))", 2), -330 - 240 - 220 - 50);
  const nnmodel::EncodedSequence s2 = nnmodel::encode_sequence("GGGAAACCC");  // triloop GAAAC
  EXPECT_EQ(nnmodel::energy_dcal(p, s2, "(((...)))", 2), -330 - 330 + 0);
  EXPECT_EQ(nnmodel::energy_dcal(nnmodel::turner2004(), s2, "(((...)))", 2), -330 - 330 + 540);
}

TEST(ParamFile, LoadedValuesAreUsedByTheEvaluation) {
  const ParamSet p = read(std::string(kHeader) + "# Misc\n0 0 80 0\n");
  const nnmodel::EncodedSequence s = nnmodel::encode_sequence("CAGGGAAACCCUA");
  // One AU helix end in the exterior loop: the penalty moves from 50 to 80.
  EXPECT_EQ(nnmodel::energy_dcal(p, s, ".((((...)))).", 0), -280 + 30);
  EXPECT_EQ(nnmodel::energy_dcal(p, s, ".((((...)))).", 2), -360 + 30);
}

struct BadFile {
  const char* what;
  std::string text;
};

TEST(ParamFile, MalformedInputThrowsWithAClearMessage) {
  const std::string h = kHeader;
  std::string short_stack = h + "# stack\n";
  for (int k = 0; k < 6; ++k) short_stack += "-1 -1 -1 -1 -1 -1 -1\n";
  short_stack += "# mismatch_hairpin\n";  // swallowed as the 7th row
  const BadFile cases[] = {
      {"open comment", h + "# NINIO\n60 /* no end\n 0 300\n"},
      {"bad token", h + "# NINIO\n60 abc 300\n"},
      {"x first in unit", h + "# NINIO\nx 0 300\n"},
      {"truncated section", h + "# ML_params\n0 0 930\n"},
      {"short section", short_stack},
  };
  for (const BadFile& b : cases) {
    try {
      read(b.text);
      ADD_FAILURE() << b.what << ": no exception";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(":"), std::string::npos) << b.what;
      EXPECT_GT(std::strlen(e.what()), 20u) << b.what;
    }
  }
  EXPECT_THROW(nnmodel::read_parameter_file(std::string("/nonexistent/turner.par")), std::runtime_error);
}

}  // namespace
