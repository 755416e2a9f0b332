// The RNAeval command: reference outputs byte for byte, record format, options and errors.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "run_command.h"

namespace {

std::string data(const std::string& name) { return std::string(NNMODEL_TEST_DATA_DIR) + "/" + name; }

// Runs RNAeval on `input` in this process's own scratch directory (CTest runs these tests in parallel).
CommandResult run(const std::string& args, const std::string& input) {
    const std::string dir = make_scratch_dir("rnaeval");
    write_file(dir + "/input.txt", input);
    const CommandResult r = run_in(dir, std::string("'") + RNAEVAL_EXE + "' " + args + " < input.txt");
    remove_scratch_dir(dir);
    return r;
}

TEST(RnaevalCommand, ReferenceRecordsAreByteIdentical) {
    const std::string in = read_file(data("rnaeval-records.in"));
    for (const char* args : {"-d1", "-d2", "", "--dangles=2", "-d 2"}) {
        const std::string expected =
            read_file(data(args == std::string("-d1") ? "rnaeval-records.d1.out" : "rnaeval-records.d2.out"));
        ASSERT_FALSE(expected.empty());
        const CommandResult r = run(args, in);
        EXPECT_EQ(r.status, 0) << args;
        EXPECT_TRUE(r.out == expected) << "stdout differs from the reference with '" << args << "'";
    }
}

// Dangle spellings; an unknown model falls back to d2 with a warning.
TEST(RnaevalCommand, DangleOptionSpellings) {
    for (const auto& c : std::vector<std::pair<std::string, std::string>>{
             {"-d0", "-2.80"}, {"--dangles=0", "-2.80"}, {"--dangles 1", "-3.60"}, {"-d7", "-3.60"}}) {
        const CommandResult r = run(c.first, "CAGGGAAACCCUA\n.((((...)))).\n");
        EXPECT_EQ(r.out, "CAGGGAAACCCUA\n.((((...)))). ( " + c.second + ")\n") << c.first;
        EXPECT_EQ(r.err.empty(), c.first != "-d7") << r.err;
    }
}

TEST(RnaevalCommand, RecordFormat) {
    const CommandResult r =
        run("-d2",
            "# a comment before the first record\n\n>seq1 some text   \nggggaaacccc\n((((...)))) -9.99\n"
            "GCGTTAGC\t \n; comment between sequence and structure\n\n   ((....))   (  1.00)\n"
            ">split\nGGGGAAA\nCCCC\n((((...\n))))\nGGGAAACCCAGGGAAACCC\n[[[...]]].<<<...>>>\n"
            "@\nGGGGAAACCCC\n((((...))))\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              ">seq1 some text\nggggaaacccc\n((((...)))) ( -4.50)\nGCGUUAGC\n((....)) ( -0.10)\n"
              ">split\nGGGGAAACCCC\n((((...)))) ( -4.50)\nGGGAAACCCAGGGAAACCC\n[[[...]]].<<<...>>> (  0.00)\n");
    for (const char* empty : {"", "\n\n", "# only a comment\n", ">lonely header\n"}) {
        const CommandResult e = run("", empty);
        EXPECT_TRUE(e.status == 0 && e.out.empty() && e.err.empty()) << empty;
    }
    const CommandResult w = run("-d1", "GGACGUGCUGCC\n((.()..(.)))\nGAAAA\n(...)\n");  // warnings to stderr
    EXPECT_EQ(w.out, "GGACGUGCUGCC\n((.()..(.))) (200001.41)\nGAAAA\n(...) (  6.40)\n");
    EXPECT_EQ(w.err,
              "[WARNING] Hairpin loop closed by 4 and 5 (C,G) too short\n"
              "[WARNING] Hairpin loop closed by 8 and 10 (C,G) too short\n"
              "[WARNING] Bases 1 and 5 (GA) can't pair!\n");
}

// Bad records stop the command with status 1 after the good records before them.
TEST(RnaevalCommand, BadRecordsStopWithStatus1) {
    const std::string ok = "GGGGAAACCCC\n((((...))))\n", printed = "GGGGAAACCCC\n((((...)))) ( -4.50)\n";
    struct Case {
        std::string in, out;
        std::vector<std::string> err;
    };
    for (const Case& c : std::vector<Case>{
             {ok + "GGGGAAACCCC\n((((...)))).\n" + ok,
              printed,
              {"[ERROR]   Structure and sequence part of strand 0 differ in length (12 vs. 11)\n"}},
             {ok + "GGGGAAACCCC\n", printed, {"[ERROR]   structure missing for record 1\n\n"}},
             {"GGGGAAACCCC\n" + ok, "", {"[ERROR]   structure missing for record 0\n\n"}},
             {">a\nGGGGAAACCCC\n>b\n" + ok, "", {"[ERROR]   structure missing for record 0\n\n"}},
             {ok + ">second\nGGGGAAACCCC\n((((...))).\n" + ok, printed, {"record 1", "second", "unbalanced"}},
             {"GGGGAAACCCC\n)(((...)))(\n", "", {"record 0"}}}) {
        const CommandResult r = run("", c.in);
        EXPECT_EQ(r.status, 1) << c.in;
        EXPECT_EQ(r.out, c.out) << c.in;
        for (const std::string& e : c.err) EXPECT_NE(r.err.find(e), std::string::npos) << r.err;
    }
}

// Files are read as the model's own reader reads them (an unknown section is a warning); a missing one stops.
TEST(RnaevalCommand, ParameterFileOption) {
    const std::string par = ::testing::TempDir() + "au_" + std::to_string(getpid()) + ".par";
    write_file(par, "## RNAfold parameter file v2.0\n\n# Misc\n410 360 150 370\n\n# unknown_thing\n1 2\n");
    const CommandResult changed = run("--paramFile=" + par, "CAGGGAAACCCUA\n.((((...)))).\n");
    std::remove(par.c_str());
    EXPECT_EQ(changed.out, "CAGGGAAACCCUA\n.((((...)))). ( -2.60)\n");
    EXPECT_NE(changed.err.find("[WARNING] read_epars: Unknown field identifier"), std::string::npos) << changed.err;
    const CommandResult missing = run("-P /nonexistent/file.par", "");
    EXPECT_TRUE(missing.status == 1 && missing.err.find("/nonexistent/file.par") != std::string::npos);
}

}  // namespace
