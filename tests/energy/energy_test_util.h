// Helpers of the energy tests: a fresh scratch directory per test (the evaluator writes
// its temporary files into the working directory) and the stand-in commands.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "run_command.h"
#include "text.h"

class ScratchDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        home_ = std::filesystem::current_path();
        char tmpl[] = "energy_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = home_ / tmpl;
        std::filesystem::current_path(dir_);
    }
    void TearDown() override {
        std::filesystem::current_path(home_);
        std::filesystem::remove_all(dir_);
    }
    std::filesystem::path home_, dir_;
};

// Names in the working directory that start with "tmp_", sorted.
inline std::vector<std::string> tmpFiles() {
    std::vector<std::string> v;
    for (const auto& e : std::filesystem::directory_iterator("."))
        if (e.path().filename().string().rfind("tmp_", 0) == 0) v.push_back(e.path().filename().string());
    std::sort(v.begin(), v.end());
    return v;
}

// Command prefix of a stand-in, formed like the configured one: program, option, blank.
inline std::string standin(const std::string& mode, const std::string& opt = "-d1") {
    return std::string(STANDIN_DIR) + "standin_" + mode + " " + opt + " ";
}

// One line per stand-in run: "records <n> args <words>".
inline std::vector<std::string> standinLog() { return lines_of(read_file("standin.log")); }

// Energy the stand-in gives a structure with option -d1.
inline double standinEnergy(const std::string& s) {
    int pairs = 0;
    for (char c : s) pairs += c == '(';
    return 1.0 - 0.5 * pairs;
}
