// Every row of the reference tables (energies printed by RNAeval 2.7.1) for d0, d1 and d2.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "nnmodel/nnmodel.h"
#include "text.h"

namespace {

TEST(ReferenceTable, EveryRowPrintsTheReferenceValue) {
    for (const auto& [file, count] : {std::pair<std::string, std::size_t>{"energies.tsv", 8183}, {"rules.tsv", 2849}}) {
        const auto rows = read_tsv(std::string(NNMODEL_TEST_DATA_DIR) + "/" + file);
        ASSERT_EQ(rows.size(), count) << file;
        for (std::size_t k = 0; k < rows.size(); ++k) {
            const std::vector<std::string>& f = rows[k];
            ASSERT_EQ(f.size(), 6u);
            const nnmodel::EncodedSequence s = nnmodel::encode_sequence(f[0]);
            for (int d = 0; d <= 2; ++d) {
                std::string printed = nnmodel::format_energy(nnmodel::energy_dcal(nnmodel::turner2004(), s, f[1], d));
                printed.erase(0, printed.find_first_not_of(' '));
                EXPECT_EQ(printed, f[2 + d])
                    << file << " line " << k + 2 << " (" << f[5] << ") d" << d << "\n  " << f[0] << "\n  " << f[1];
                if (k % 97 == 0) {  // the kcal/mol route
                    EXPECT_DOUBLE_EQ(nnmodel::energy(f[0], f[1], d), std::stod(f[2 + d]));
                }
            }
        }
    }
}

}  // namespace
