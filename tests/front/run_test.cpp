#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "run_command.h"

namespace {

const std::string kBin = ZENTROLA_BIN;
// A configuration under which the program stops right after reading its input.
const char* const kQuickConfig = "MAXNOIMPROVE=-1\n";
const char* const kUsageFirstLine = "Usage: zentrola -i infile -d outdir [option]...\n";

class Run : public ::testing::Test {
protected:
    void SetUp() override {
        dir = make_scratch_dir("run");
        write_file(dir + "/config", kQuickConfig);
        write_file(dir + "/in.faa", "toy\nGGGAAACCC\n(((...)))\n.........\n");
    }
    void TearDown() override { remove_scratch_dir(dir); }
    CommandResult run(const std::string& args) { return run_in(dir, "'" + kBin + "' " + args); }
    CommandResult run_input(const std::string& content) {
        write_file(dir + "/bad.faa", content);
        return run("-i bad.faa -d out -s 1");
    }
    std::string dir;
};

TEST_F(Run, UsageErrorsPrintTheUsageAndFail) {
    // Methods: unknown name, width < 1, budget <= 0, a budget without a method that takes one, memory 0.
    for (const char* args :
         {"", "-d out", "-i in.faa -d out -x", "-i in.faa -d", "-i in.faa -d out -c ''", "-i in.faa -d out -s 12x",
          "-i in.faa -d out extra", "-i in.faa -d out -m fast", "-i in.faa -d out -m direct -w 0",
          "-i in.faa -d out -m exact -t 0", "-i in.faa -d out -m exact -t -1", "-i in.faa -d out -m auto -w x",
          "-i in.faa -d out -t 5", "-i in.faa -d out -m exact -M 0", "-i in.faa -d out -j 0"}) {
        const CommandResult r = run(args);
        EXPECT_EQ(r.status, 1) << args;
        EXPECT_NE(r.out.find(kUsageFirstLine), std::string::npos) << args;
    }
    const CommandResult help = run("-h");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind(kUsageFirstLine, 0), 0u);
    // One line for each option the program takes, and the right default result file.
    for (const char* option : {"i", "d", "o", "l", "c", "s", "m", "w", "t", "M", "j", "h,"})
        EXPECT_NE(help.out.find(std::string("\n  -") + option + " "), std::string::npos) << option;
    const CommandResult long_help = run("--help");
    EXPECT_EQ(long_help.status, 0);
    EXPECT_EQ(long_help.out, help.out);
    EXPECT_NE(help.out.find("default outdir/result.txt\n"), std::string::npos);
}

TEST_F(Run, OutputNamesSeedLineAndOutputDirectoryMadeWithoutAShell) {
    const CommandResult a = run("-i in.faa -d out -s 42");
    EXPECT_EQ(a.status, 0) << a.err;
    EXPECT_EQ(a.out.rfind("infile=in.faa, outdir=out/, outfile=out/result.txt, logfile=out/log.txt\nseed=42\n", 0), 0u)
        << a.out;
    const CommandResult b = run("-i in.faa -d out/ -o r.txt -l logs/l.txt");
    EXPECT_EQ(b.out.rfind("infile=in.faa, outdir=out/, outfile=r.txt, logfile=logs/l.txt\nseed=", 0), 0u) << b.out;
    const CommandResult odd = run("-i in.faa -d 'a b/$(touch pwned)/c;d' -s 1");
    EXPECT_EQ(odd.status, 0) << odd.err;
    EXPECT_TRUE(std::filesystem::is_directory(dir + "/a b/$(touch pwned)/c;d") &&
                !std::ifstream(dir + "/pwned").good());
    write_file(dir + "/plain", "x");
    const CommandResult bad = run("-i in.faa -d plain/sub -s 1");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("plain/sub/"), std::string::npos) << bad.err;
    EXPECT_NE(bad.err.find("Not a directory"), std::string::npos) << bad.err;
}

// Bad input ends the run with status 1 and a detail line; odd pairs and CR-LF line ends are accepted.
TEST_F(Run, InputFileIsCheckedBeforeUse) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"toy\nGGGAAACCC\n(((...)))\n", "line 4"},
        {"\nGGGAAACCC\n(((...)))\n.........\n", "line 1"},
        {"toy\nGGGAXACCC\n(((...)))\n.........\n", "position 5"},
        {"toy\nGGGAAACCC\n(((...))).\n.........\n", "length"},
        {"toy\nGGGAAACCC\n((....)))\n.........\n", "position 9"},
        {"toy\nGGGAAACCC\n(((....))\n.........\n", "never closed"},
        {"toy\nGGGAAACCC\n(((...)))\n.((..))..\n", "fewer than 3 unpaired"},
        {"toy\nGGGAAACCC\n(((...)))\n.[.....].\n", "'['"},
        {"toy\n" + std::string(20000, 'A') + "\n.\n.\n", "longer than 19999"}};
    for (const auto& c : cases) {
        const CommandResult r = run_input(c.first);
        EXPECT_EQ(r.status, 1) << c.first;
        const std::string::size_type at = r.out.find("infile format error\n");
        ASSERT_NE(at, std::string::npos) << c.first << r.out;
        EXPECT_NE(r.out.find(c.second, at), std::string::npos) << c.first << r.out;
    }
    EXPECT_EQ(run_input("  \r\ngggaaaccc\r\n(((...)))\r\n.........\r\n").status, 0);
    const CommandResult odd = run_input("toy\nGGGAAAACC\n(((...)))\n.........\n");
    EXPECT_EQ(odd.status, 0) << odd.out;
    EXPECT_NE(odd.err.find("positions 3 and 7 (G-A)"), std::string::npos) << odd.err;
}

}  // namespace
