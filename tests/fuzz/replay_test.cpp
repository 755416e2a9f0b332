// Every input the fuzzers have found (fuzz/regressions/<target>/) and every seed
// (fuzz/corpus/<target>/) through the entry function of its target: none may escape.
#include <gtest/gtest.h>

#include <dirent.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "entries.h"

namespace {

std::vector<std::string> entries_of(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (const dirent* e = readdir(d))
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

int replay(const std::string& kind) {
    const std::string root = std::string(FUZZ_DIR) + "/" + kind + "/";
    int files = 0;
    for (const std::string& target : entries_of(root)) {
        for (const std::string& name : entries_of(root + target)) {
            std::ifstream in(root + target + "/" + name, std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            const std::string b = bytes.str();
            bool known = false;
            try {
                known = fuzzentry::run(target, reinterpret_cast<const uint8_t*>(b.data()), b.size());
            } catch (const std::exception& e) {
                ADD_FAILURE() << target << "/" << name << ": " << e.what();
            }
            EXPECT_TRUE(known) << "no fuzz target " << target;
            ++files;
        }
    }
    return files;
}

TEST(FuzzReplay, Regressions) { replay("regressions"); }
TEST(FuzzReplay, Seeds) { EXPECT_GT(replay("corpus"), 0); }

}  // namespace
