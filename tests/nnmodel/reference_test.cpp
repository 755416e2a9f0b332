// Every row of the reference tables (energies printed by RNAeval 2.7.1) for d0, d1 and d2.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "nnmodel/nnmodel.h"
#include "text.h"

namespace {

struct Case {
    const char* file;
    std::size_t rows;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.file; }

class ReferenceTable : public ::testing::TestWithParam<Case> {};

TEST_P(ReferenceTable, EveryRowPrintsTheReferenceValue) {
    std::size_t rows = 0;
    for (const std::vector<std::string>& f : read_tsv(std::string(NNMODEL_TEST_DATA_DIR) + "/" + GetParam().file)) {
        ASSERT_EQ(f.size(), 6u);
        const nnmodel::EncodedSequence s = nnmodel::encode_sequence(f[0]);
        for (int d = 0; d <= 2; ++d) {
            std::string printed = nnmodel::format_energy(nnmodel::energy_dcal(nnmodel::turner2004(), s, f[1], d));
            printed.erase(0, printed.find_first_not_of(' '));
            EXPECT_EQ(printed, f[2 + d]) << "line " << rows + 2 << " (" << f[5] << ") d" << d << "\n  " << f[0]
                                         << "\n  " << f[1];
            if (rows % 97 == 0) {  // the kcal/mol route
                EXPECT_DOUBLE_EQ(nnmodel::energy(f[0], f[1], d), std::stod(f[2 + d]));
            }
        }
        ++rows;
    }
    EXPECT_EQ(rows, GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(Rnaeval271, ReferenceTable,
                         ::testing::Values(Case{"energies.tsv", 8183}, Case{"rules.tsv", 2849}),
                         [](const ::testing::TestParamInfo<Case>& i) {
                             return std::string(i.param.file).substr(0, std::string(i.param.file).find('.'));
                         });

}  // namespace
