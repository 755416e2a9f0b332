// Every input the fuzzers have found (fuzz/regressions/<target>/) and every seed
// (fuzz/corpus/<target>/) through the entry function of its target: none may escape.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "entries.h"

namespace {

int replay(const std::string& kind) {
    int files = 0;
    for (const auto& target : std::filesystem::directory_iterator(std::string(FUZZ_DIR) + "/" + kind)) {
        if (!target.is_directory()) continue;
        const std::string name = target.path().filename().string();
        for (const auto& input : std::filesystem::directory_iterator(target.path())) {
            if (input.path().filename().string()[0] == '.') continue;
            std::ifstream in(input.path(), std::ios::binary);
            const std::string b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            bool known = false;
            try {
                known = fuzzentry::run(name, reinterpret_cast<const uint8_t*>(b.data()), b.size());
            } catch (const std::exception& e) {
                ADD_FAILURE() << input.path() << ": " << e.what();
            }
            EXPECT_TRUE(known) << "no fuzz target " << name;
            ++files;
        }
    }
    return files;
}

TEST(FuzzReplay, Regressions) { replay("regressions"); }
TEST(FuzzReplay, Seeds) { EXPECT_GT(replay("corpus"), 0); }

}  // namespace
