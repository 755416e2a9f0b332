#include <gtest/gtest.h>

#include <sys/stat.h>

#include <regex>
#include <string>

#include "files/files.h"
#include "front/run.h"
#include "run_command.h"

namespace {

const std::string kBin = ZENTROLA_BIN;
// A configuration under which the program stops right after reading its input.
const char* const kQuickConfig = "MAXNOIMPROVE=-1\n";
const char* const kUsageFirstLine = "Usage: zentrola -i infile -d outdir [option]...\n";

bool is_dir(const std::string& p) {
    struct stat st;
    return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

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
    for (const char* args : {"", "-i in.faa", "-d out", "-i in.faa -d out -x", "-i in.faa -d", "-i in.faa -d out -c ''",
                             "-i in.faa -d out -s -3", "-i in.faa -d out -s 12x", "-i in.faa -d out extra"}) {
        const CommandResult r = run(args);
        EXPECT_EQ(r.status, 1) << args;
        EXPECT_NE(r.out.find(kUsageFirstLine), std::string::npos) << args;
    }
    const CommandResult help = run("-h");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind(kUsageFirstLine, 0), 0u);
    // One line for each option the program takes, and the right default result file.
    for (const char* option : {"i", "d", "o", "l", "c", "s", "h"})
        EXPECT_EQ(std::regex_search(help.out, std::regex(std::string("\n  -") + option + "[ a-z]+ {2}[^\n]+\n")), true)
            << option;
    EXPECT_NE(help.out.find("default outdir/result.txt\n"), std::string::npos);
}

TEST_F(Run, OutputNamesAndSeedLine) {
    const CommandResult a = run("-i in.faa -d out -s 42");
    EXPECT_EQ(a.status, 0) << a.err;
    EXPECT_EQ(a.out.rfind("infile=in.faa, outdir=out/, outfile=out/result.txt, logfile=out/log.txt\nseed=42\n", 0), 0u)
        << a.out;
    EXPECT_TRUE(is_dir(dir + "/out"));
    EXPECT_NE(a.out.find("Free energies: built-in nearest-neighbour model\n"), std::string::npos);

    const CommandResult b = run("-i in.faa -d out/ -o r.txt -l logs/l.txt -s 7");
    EXPECT_EQ(b.out.rfind("infile=in.faa, outdir=out/, outfile=r.txt, logfile=logs/l.txt\nseed=7\n", 0), 0u) << b.out;

    const CommandResult clock = run("-i in.faa -d out");
    EXPECT_EQ(clock.status, 0);
    EXPECT_NE(clock.out.find("\nseed="), std::string::npos);
}

TEST_F(Run, OutputDirectoryIsMadeWithoutAShell) {
    const CommandResult r = run("-i in.faa -d 'a b/$(touch pwned)/c;d' -s 1");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(is_dir(dir + "/a b/$(touch pwned)/c;d"));
    EXPECT_FALSE(fexists((dir + "/pwned").c_str()));

    write_file(dir + "/plain", "x");
    const CommandResult bad = run("-i in.faa -d plain/sub -s 1");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("plain/sub/"), std::string::npos) << bad.err;
    EXPECT_NE(bad.err.find("Not a directory"), std::string::npos) << bad.err;
}

TEST_F(Run, ConfigurationProblemsEndWithStatusOne) {
    const CommandResult missing = run("-i in.faa -d out -c nowhere -s 1");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "The specified config file does not exist.\n");

    write_file(dir + "/vienna", "ViennaRNAPackage=" + dir + "/none\n");
    const CommandResult norna = run("-i in.faa -d out -c vienna -s 1");
    EXPECT_EQ(norna.status, 1);
    EXPECT_NE(norna.err.find("Can not find RNAeval at " + dir + "/none/RNAeval\n"), std::string::npos);
}

TEST_F(Run, InputFileIsCheckedBeforeUse) {
    struct Case {
        const char* content;
        const char* detail;  // expected in the line after "infile format error"
    };
    const Case cases[] = {
        {"toy\nGGGAAACCC\n(((...)))\n", "line 4"},
        {"\nGGGAAACCC\n(((...)))\n.........\n", "line 1"},
        {"toy\nGGGAXACCC\n(((...)))\n.........\n", "position 5"},
        {"toy\nGGGAAACCC\n(((...))\n.........\n", "line 3"},
        {"toy\nGGGAAACCC\n(((...))).\n.........\n", "length"},
        {"toy\nGGGAAACCC\n((....)))\n.........\n", "position 9"},
        {"toy\nGGGAAACCC\n(((....))\n.........\n", "never closed"},
        {"toy\nGGGAAACCC\n(((...)))\n....x....\n", "line 4"},
        {"toy\nGGGAAACCC\n(((...)))\n.((..))..\n", "fewer than 3 unpaired"},
        {"toy\nGGGAAACCC\n(((...)))\n.[.....].\n", "'['"},
    };
    for (const Case& c : cases) {
        const CommandResult r = run_input(c.content);
        EXPECT_EQ(r.status, 1) << c.content;
        const std::string::size_type at = r.out.find("infile format error\n");
        ASSERT_NE(at, std::string::npos) << c.content << r.out;
        const std::string detail = r.out.substr(at + 20);
        EXPECT_NE(detail.find(c.detail), std::string::npos) << c.content << detail;
    }
    const CommandResult absent = run("-i nothing.faa -d out -s 1");
    EXPECT_EQ(absent.status, 1);
    EXPECT_NE(absent.out.find("infile format error\n"), std::string::npos);

    const CommandResult longline = run_input("toy\n" + std::string(20000, 'A') + "\n.\n.\n");
    EXPECT_EQ(longline.status, 1);
    EXPECT_NE(longline.out.find("longer than 19999"), std::string::npos);
}

TEST_F(Run, InputIsNormalisedAndOddPairsOnlyWarn) {
    const CommandResult crlf = run_input("  \r\ngggaaaccc\r\n(((...)))\r\n.........\r\n");
    EXPECT_EQ(crlf.status, 0) << crlf.out << crlf.err;

    const CommandResult odd = run_input("toy\nGGGAAAACC\n(((...)))\n.........\n");
    EXPECT_EQ(odd.status, 0) << odd.out;
    EXPECT_EQ(odd.err.find("positions 1 and 9"), std::string::npos) << odd.err;
    EXPECT_NE(odd.err.find("positions 3 and 7 (G-A)"), std::string::npos) << odd.err;
}

TEST(InputCheck, SequenceIsUpperCasedAndTAndNAccepted) {
    std::string seq = "gcaunt", warnings;
    EXPECT_EQ(check_input(seq, "......", "......", warnings), "");
    EXPECT_EQ(seq, "GCAUNT");
    std::string pseudo = "GGGAAAACCCC";
    EXPECT_NE(check_input(pseudo, "(((....))))", "...........", warnings), "");
}

}  // namespace
