// Rules of the energy model checked one at a time on small structures whose value can be
// worked out by hand from the Turner 2004 tables.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "nnmodel/nnmodel.h"

namespace {

using nnmodel::encode_sequence;
using nnmodel::energy_dcal;
using nnmodel::turner2004;

int E(const std::string& seq, const std::string& db, int d, std::vector<std::string>* w = nullptr) {
  return energy_dcal(turner2004(), encode_sequence(seq), db, d, w);
}

struct Worked {
  const char* seq;
  const char* db;
  int d0, d1, d2;
};

// Hand-derived totals: every loop type, the three dangle treatments, special hairpins.
TEST(EnergyRules, WorkedExamples) {
  const Worked cases[] = {
      {"GGGGAAACCCC", "((((...))))", -450, -450, -450},                    // stacks + hairpin of 3
      {"CAGGGAAACCCUA", ".((((...)))).", -280, -360, -360},                // AU stem, exterior mismatch
      {"GGAGCGAAAGCAGCGAAAGCACC", "((.((....)).((....)).))", 310, -140, -100},  // multiloop ring
      {"GGGAAACCCAGGGAAACCC", "(((...))).(((...)))", -240, -410, -430},    // shared exterior base
      {"GGAUGCGAAAGCGACC", "((..((....))..))", -170, -170, -170},          // 2x2 interior loop
      {"GGACUUCGGUCC", "((((....))))", -420, -420, -420},                  // tetraloop CUUCGG
      {"GAGCAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAGCUC", "((((...............................))))", -167,
       -167, -167},                                                        // hairpin of 31
      {"GGCAGAAGCGAAAGCCC", "((.....((....))))", 60, 60, 60},              // bulge of 5
  };
  for (const Worked& w : cases) {
    EXPECT_EQ(E(w.seq, w.db, 0), w.d0) << w.seq << " " << w.db;
    EXPECT_EQ(E(w.seq, w.db, 1), w.d1) << w.seq << " " << w.db;
    EXPECT_EQ(E(w.seq, w.db, 2), w.d2) << w.seq << " " << w.db;
  }
}

TEST(EnergyRules, OpenChainAndNonBracketCharactersAreUnpaired) {
  EXPECT_EQ(E("GGGGAAACCCC", "...........", 2), 0);
  EXPECT_EQ(E("GGGGAAACCCC", "[[[[...]]]]", 2), 0);
  EXPECT_EQ(E("GGGGAAACCCC", "<<<<xxx>>>>", 1), 0);
  EXPECT_EQ(E("CAGGGAAACCCUA", "x((((,|,))))}", 1), E("CAGGGAAACCCUA", ".((((...)))).", 1));
  EXPECT_EQ(E("", "", 2), 0);
  // Bytes that differ from '(' and ')' only in the high bit are unpaired too.
  EXPECT_EQ(E("GGGGAAACCCC", "\xa8\xa8\xa8\xa8...\xa9\xa9\xa9\xa9", 2), 0);
  // Brackets beyond the first 64 positions and in a tail shorter than 8 characters.
  const std::string pad(70, 'A');
  EXPECT_EQ(E(pad + "GGGGAAACCCC", std::string(70, '.') + "((((...))))", 0), -450);
  EXPECT_EQ(E(pad + "GGGGAAACCCC" + "AA", std::string(70, '.') + "((((...))))..", 0), -450);
}

TEST(EnergyRules, LowerCaseAndTAreReadAsUpperCaseU) {
  const std::string db = "((((....))))";
  const int ref = E("GGACUUCGGUCC", db, 2);
  ASSERT_EQ(ref, -420);  // the tetraloop bonus applies
  EXPECT_EQ(E("ggacuucggucc", db, 2), ref);
  EXPECT_EQ(E("GGACTTCGGTCC", db, 2), ref);
  EXPECT_EQ(E("ggActtcGgtcc", db, 2), ref);
  // T stays a U for the tables even when it is not converted, but then the special
  // hairpin list (matched on letters) no longer recognises the loop.
  const nnmodel::EncodedSequence raw = encode_sequence("GGACTTCGGTCC", false);
  EXPECT_EQ(raw.letters, "GGACTTCGGTCC");
  EXPECT_EQ(raw.codes[5], 4);
  EXPECT_NE(energy_dcal(turner2004(), raw, db, 2), ref);
  EXPECT_EQ(nnmodel::echo_sequence("acgtTGCA"), "acguUGCA");
}

TEST(EnergyRules, EveryUnknownLetterActsLikeN) {
  struct Case {
    std::string seq, db;
  };
  const Case cases[] = {
      // N as hairpin mismatch and as exterior dangles
      {"NGGGNAAACCCCN", ".(((.....)))."},
      // N in non-canonical pairs, multiloop and interior-loop neighbours
      {"GGGNAAACCNCGAGAAAUCGN", ".((((....)).((...))))"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(c.seq.size(), c.db.size());
    for (int d = 0; d <= 2; ++d) {
      const int with_n = E(c.seq, c.db, d);
      for (char u : std::string("XIRK-7?")) {
        std::string other = c.seq;
        for (char& x : other)
          if (x == 'N') x = u;
        EXPECT_EQ(E(other, c.db, d), with_n) << "letter " << u << " d" << d << " " << c.seq;
      }
    }
  }
  // The unknown slot is not the A slot: hairpin mismatch mmH[GC][N][C] = -70, [GC][A][C] = -150.
  for (int d = 0; d <= 2; ++d) {
    EXPECT_EQ(E("GGGAAAACCCC", "(((.....)))", d) - E("GGGNAAACCCC", "(((.....)))", d), -80);
  }
  const nnmodel::EncodedSequence s = encode_sequence("AcGuTnX");
  EXPECT_EQ(s.letters, "ACGUUNX");
  const std::vector<int8_t> codes = {0, 1, 2, 3, 4, 4, 0, 0, 0};
  EXPECT_EQ(s.codes, codes);
}

TEST(EnergyRules, NonCanonicalPairsWarnInPairOrder) {
  // Exterior stem (1,21) G-A continues into (2,20) C-A, which closes a multiloop with
  // branches (4,10) A-C (itself closing (5,9) G-A) and (12,19) A-G. The pass meets (5,9)
  // before (4,10); the messages must still come outer pair first, branches left to right.
  const std::string seq = "GCGAGGAAACAAGCAGCAGAA";
  const std::string db = "((.((...)).(......)))";
  ASSERT_EQ(seq.size(), db.size());
  std::vector<std::string> w;
  E(seq, db, 2, &w);
  const std::vector<std::string> expected = {
      "[WARNING] Bases 1 and 21 (GA) can't pair!",
      "[WARNING] Bases 2 and 20 (CA) can't pair!",
      "[WARNING] Bases 4 and 10 (AC) can't pair!",
      "[WARNING] Bases 5 and 9 (GA) can't pair!",
      "[WARNING] Bases 12 and 19 (AG) can't pair!",
  };
  EXPECT_EQ(w, expected);
  // Canonical pairs (including GU) give no message.
  w.clear();
  E("GUGGAAAUCGC", "((((...))))", 1, &w);  // GC, UG, GC, GU
  EXPECT_TRUE(w.empty());
}

TEST(EnergyRules, ShortHairpinsWarnAfterTheirPairAndUseLettersOfCodes) {
  std::vector<std::string> w{"kept"};
  // (1,4) G-N: can't pair and too short (N shows as '_' in the hairpin message);
  // (6,9) C-G with u = 2; (11,12) U-A with u = 0.
  const int e = E("GAANCCAAGUA", "(..).(..)()", 1, &w);
  EXPECT_EQ(e, nnmodel::kInf);
  const std::vector<std::string> expected = {
      "kept",
      "[WARNING] Bases 1 and 4 (GN) can't pair!",
      "[WARNING] Hairpin loop closed by 1 and 4 (G,_) too short",
      "[WARNING] Hairpin loop closed by 6 and 9 (C,G) too short",
      "[WARNING] Hairpin loop closed by 10 and 11 (U,A) too short",
  };
  EXPECT_EQ(w, expected);
  // T appears as U in both messages.
  w.clear();
  E("TAT", "(.)", 0, &w);
  const std::vector<std::string> t_expected = {
      "[WARNING] Bases 1 and 3 (UU) can't pair!",
      "[WARNING] Hairpin loop closed by 1 and 3 (U,U) too short",
  };
  EXPECT_EQ(w, t_expected);
}

TEST(EnergyRules, SentinelArithmeticForShortHairpins) {
  // A short hairpin on a helix of the exterior loop absorbs everything.
  EXPECT_EQ(E("UCAGG", "((.))", 0), nnmodel::kInf);
  EXPECT_EQ(E("GUGCAUUUGC", "..(((..)))", 2), nnmodel::kInf);
  EXPECT_EQ(E("GGGAAACCCAGGCC", "(((...)))((.))", 1), nnmodel::kInf);
  // Inside a multiloop the branches add up normally: two INF branches give about 2 INF,
  // printed through single precision (the integer total is 20 000 140).
  EXPECT_EQ(E("GGACGUGCUGCC", "((.()..(.)))", 1), 20000141);
  EXPECT_EQ(nnmodel::format_energy(20000141), "200001.41");
  // One INF branch: INF plus the finite rest, through the same rounding.
  const int one = E("GGGAGGAAACCAGCUCCC", "(((.((...)).().)))", 2);
  EXPECT_GT(one, nnmodel::kInf - 100000);
  EXPECT_LT(one, nnmodel::kInf + 100000);
  EXPECT_NE(one, nnmodel::kInf);
}

TEST(EnergyRules, InvalidArgumentsAreRejected) {
  const nnmodel::EncodedSequence s = encode_sequence("GGGGAAACCCC");
  EXPECT_THROW(energy_dcal(turner2004(), s, "((((...)))", 2), std::invalid_argument);
  EXPECT_THROW(energy_dcal(turner2004(), s, "((((...))))).", 2), std::invalid_argument);
  EXPECT_THROW(energy_dcal(turner2004(), s, "(((....))))", 2), std::invalid_argument);
  EXPECT_THROW(energy_dcal(turner2004(), s, "((((...))).", 2), std::invalid_argument);
  EXPECT_THROW(energy_dcal(turner2004(), s, "((((...))))", 3), std::invalid_argument);
  EXPECT_THROW(energy_dcal(turner2004(), s, "((((...))))", -1), std::invalid_argument);
  EXPECT_EQ(nnmodel::unbalanced_at("(()"), 3);
  EXPECT_EQ(nnmodel::unbalanced_at("())("), 2);
  EXPECT_EQ(nnmodel::unbalanced_at("(.[)]"), -1);
}

TEST(EnergyRules, ReusedBuffersDoNotLeakBetweenCalls) {
  // Alternate long and short structures on one thread: results must not depend on order.
  const std::string long_seq = "GGGAAACCCAGGGAAACCCAGGAGCGAAAGCAGCGAAAGCACCUUUGGGGAAACCCC";
  const std::string long_db = "(((...))).(((...))).((.((....)).((....)).))...((((...))))";
  ASSERT_EQ(long_seq.size(), long_db.size());
  const int a = E(long_seq, long_db, 1);
  const int b = E("GGGGAAACCCC", "((((...))))", 1);
  EXPECT_EQ(E(long_seq, long_db, 1), a);
  EXPECT_EQ(E("GGGGAAACCCC", "((((...))))", 1), b);
}

TEST(EnergyRules, FormatEnergyMatchesPrintfSixTwo) {
  EXPECT_EQ(nnmodel::format_energy(0), "  0.00");
  EXPECT_EQ(nnmodel::format_energy(-450), " -4.50");
  EXPECT_EQ(nnmodel::format_energy(50), "  0.50");
  EXPECT_EQ(nnmodel::format_energy(-5), " -0.05");
  EXPECT_EQ(nnmodel::format_energy(-1234), "-12.34");
  EXPECT_EQ(nnmodel::format_energy(-12345), "-123.45");
  EXPECT_EQ(nnmodel::format_energy(1530), " 15.30");
  EXPECT_EQ(nnmodel::format_energy(nnmodel::kInf), "100000.00");
}

}  // namespace
