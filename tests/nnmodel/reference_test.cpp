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

struct Case {
    const char* file;
    std::size_t rows;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.file; }

class ReferenceTable : public ::testing::TestWithParam<Case> {};

TEST_P(ReferenceTable, EveryRowPrintsTheReferenceValue) {
    std::ifstream in(std::string(NNMODEL_TEST_DATA_DIR) + "/" + GetParam().file);
    std::string line;
    ASSERT_TRUE(std::getline(in, line));
    ASSERT_EQ(line, "sequence\tstructure\tE_d0\tE_d1\tE_d2\tcategory");
    std::size_t rows = 0, matched = 0;
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::stringstream ss(line);
        for (std::string field; std::getline(ss, field, '\t');) f.push_back(field);
        ASSERT_EQ(f.size(), 6u) << line;
        const nnmodel::EncodedSequence s = nnmodel::encode_sequence(f[0]);
        for (int d = 0; d <= 2; ++d) {
            std::string printed = nnmodel::format_energy(nnmodel::energy_dcal(nnmodel::turner2004(), s, f[1], d));
            printed.erase(0, printed.find_first_not_of(' '));
            matched += printed == f[2 + d];
            EXPECT_EQ(printed, f[2 + d]) << "line " << rows + 2 << " (" << f[5] << ") d" << d << "\n  " << f[0]
                                         << "\n  " << f[1];
            if (rows % 97 == 0) {  // the kcal/mol route
                EXPECT_DOUBLE_EQ(nnmodel::energy(f[0], f[1], d), std::stod(f[2 + d]));
            }
        }
        ++rows;
    }
    EXPECT_EQ(rows, GetParam().rows);
    std::printf("[ checked  ] %s: %zu rows x 3 dangle models, %zu identical\n", GetParam().file, rows, matched);
}

INSTANTIATE_TEST_SUITE_P(Rnaeval271, ReferenceTable,
                         ::testing::Values(Case{"energies.tsv", 8183}, Case{"rules.tsv", 2849}),
                         [](const ::testing::TestParamInfo<Case>& i) {
                             return std::string(i.param.file).substr(0, std::string(i.param.file).find('.'));
                         });

}  // namespace
