// Every row of the reference tables (energies printed by RNAeval 2.7.1) for d0, d1 and d2.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "nnmodel/nnmodel.h"

namespace {

struct Row {
  int line;
  std::string seq, structure, category;
  std::string printed[3];  // d0, d1, d2, as printed ("-4.50")
};

std::vector<Row> load(const std::string& name) {
  std::ifstream in(std::string(NNMODEL_TEST_DATA_DIR) + "/" + name);
  EXPECT_TRUE(in) << "cannot open " << name;
  std::vector<Row> rows;
  std::string line;
  int lineno = 0;
  while (std::getline(in, line)) {
    ++lineno;
    if (lineno == 1) {
      EXPECT_EQ(line, "sequence\tstructure\tE_d0\tE_d1\tE_d2\tcategory");
      continue;
    }
    std::vector<std::string> f;
    std::stringstream ss(line);
    std::string field;
    while (std::getline(ss, field, '\t')) f.push_back(field);
    if (f.size() != 6) {
      ADD_FAILURE() << name << ":" << lineno << ": expected 6 columns";
      continue;
    }
    rows.push_back({lineno, f[0], f[1], f[5], {f[2], f[3], f[4]}});
  }
  return rows;
}

struct Case {
  const char* file;
  int dangles;
  std::size_t expected_rows;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.file << " -d" << c.dangles; }

class ReferenceTable : public ::testing::TestWithParam<Case> {};

TEST_P(ReferenceTable, EveryRowPrintsTheReferenceValue) {
  const Case c = GetParam();
  const std::vector<Row> rows = load(c.file);
  ASSERT_EQ(rows.size(), c.expected_rows);
  const nnmodel::ParamSet& p = nnmodel::turner2004();
  std::size_t checked = 0, matched = 0;
  for (const Row& r : rows) {
    const nnmodel::EncodedSequence s = nnmodel::encode_sequence(r.seq);
    const int e = nnmodel::energy_dcal(p, s, r.structure, c.dangles);
    std::string printed = nnmodel::format_energy(e);
    printed.erase(0, printed.find_first_not_of(' '));
    ++checked;
    if (printed == r.printed[c.dangles]) {
      ++matched;
    } else {
      ADD_FAILURE() << c.file << ":" << r.line << " (" << r.category << ") d" << c.dangles
                    << ": got " << printed << ", RNAeval printed " << r.printed[c.dangles]
                    << "\n  " << r.seq << "\n  " << r.structure;
    }
  }
  std::printf("[ checked  ] %s -d%d: %zu rows, %zu identical\n", c.file, c.dangles, checked, matched);
  ::testing::Test::RecordProperty("rows_checked", static_cast<int>(checked));
  ::testing::Test::RecordProperty("rows_matched", static_cast<int>(matched));
  EXPECT_EQ(matched, checked);
}

std::string case_name(const ::testing::TestParamInfo<Case>& info) {
  std::string f = info.param.file;
  f = f.substr(0, f.find('.'));
  return f + "_d" + std::to_string(info.param.dangles);
}

INSTANTIATE_TEST_SUITE_P(Rnaeval271, ReferenceTable,
                         ::testing::Values(Case{"energies.tsv", 0, 8183}, Case{"energies.tsv", 1, 8183},
                                           Case{"energies.tsv", 2, 8183}, Case{"rules.tsv", 0, 2849},
                                           Case{"rules.tsv", 1, 2849}, Case{"rules.tsv", 2, 2849}),
                         case_name);

// The kcal/mol convenience function agrees with the integer route on real rows.
TEST(ReferenceTable, KcalConvenienceMatchesIntegerEnergy) {
  const std::vector<Row> rows = load("energies.tsv");
  ASSERT_GT(rows.size(), 100u);
  for (std::size_t k = 0; k < rows.size(); k += 97) {
    const Row& r = rows[k];
    for (int d = 0; d <= 2; ++d) {
      EXPECT_DOUBLE_EQ(nnmodel::energy(r.seq, r.structure, d), std::stod(r.printed[d]))
          << r.seq << " " << r.structure << " d" << d;
    }
  }
}

}  // namespace
