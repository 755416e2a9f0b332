// The RNAeval command: reference outputs byte for byte, record format, options and errors.
#include <gtest/gtest.h>

#include <unistd.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct CommandResult {
  int status = -1;
  std::string out, err;
};

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string data(const std::string& name) { return std::string(NNMODEL_TEST_DATA_DIR) + "/" + name; }

// Prefix of this process's scratch files: CTest runs the tests of this file in parallel processes.
std::string scratch_prefix() {
  return ::testing::TempDir() + "rnaeval_test_" + std::to_string(getpid()) + "_";
}

// Runs RNAeval with the given arguments and standard input taken from a file.
CommandResult run_file(const std::string& args, const std::string& input_path) {
  static int counter = 0;
  const std::string base = scratch_prefix() + std::to_string(++counter);
  const std::string cmd = std::string("'") + RNAEVAL_EXE + "' " + args + " < '" + input_path +
                          "' > '" + base + ".out' 2> '" + base + ".err'";
  CommandResult r;
  const int raw = std::system(cmd.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  r.out = slurp(base + ".out");
  r.err = slurp(base + ".err");
  std::remove((base + ".out").c_str());
  std::remove((base + ".err").c_str());
  return r;
}

CommandResult run(const std::string& args, const std::string& input) {
  const std::string path = scratch_prefix() + "input.txt";
  {
    std::ofstream f(path, std::ios::binary);
    f << input;
  }
  CommandResult r = run_file(args, path);
  std::remove(path.c_str());
  return r;
}

TEST(RnaevalCommand, ReferenceRecordsD1AreByteIdentical) {
  const CommandResult r = run_file("-d1", data("rnaeval-records.in"));
  EXPECT_EQ(r.status, 0);
  const std::string expected = slurp(data("rnaeval-records.d1.out"));
  ASSERT_FALSE(expected.empty());
  EXPECT_TRUE(r.out == expected) << "stdout differs from rnaeval-records.d1.out";
  std::printf("[ checked  ] rnaeval-records.in -d1: %zu bytes of output compared\n", expected.size());
}

TEST(RnaevalCommand, ReferenceRecordsD2AreByteIdentical) {
  const std::string expected = slurp(data("rnaeval-records.d2.out"));
  ASSERT_FALSE(expected.empty());
  for (const char* args : {"-d2", "", "--dangles=2", "-d 2"}) {
    const CommandResult r = run_file(args, data("rnaeval-records.in"));
    EXPECT_EQ(r.status, 0) << args;
    EXPECT_TRUE(r.out == expected) << "stdout differs from rnaeval-records.d2.out with '" << args << "'";
  }
  std::printf("[ checked  ] rnaeval-records.in -d2: %zu bytes of output compared\n", expected.size());
}

TEST(RnaevalCommand, OtherSpellingsOfTheDangleOption) {
  const std::string in = "CAGGGAAACCCUA\n.((((...)))).\n";
  EXPECT_EQ(run("-d0", in).out, "CAGGGAAACCCUA\n.((((...)))). ( -2.80)\n");
  EXPECT_EQ(run("--dangles=0", in).out, "CAGGGAAACCCUA\n.((((...)))). ( -2.80)\n");
  EXPECT_EQ(run("--dangles 1", in).out, "CAGGGAAACCCUA\n.((((...)))). ( -3.60)\n");
  const CommandResult bad = run("-d7", in);
  EXPECT_EQ(bad.status, 0);
  EXPECT_EQ(bad.out, "CAGGGAAACCCUA\n.((((...)))). ( -3.60)\n");
  EXPECT_EQ(bad.err,
            "[WARNING] required dangle model not implemented, falling back to default dangles=2\n");
}

TEST(RnaevalCommand, RecordFormat) {
  const std::string in =
      "# a comment before the first record\n"
      "\n"
      ">seq1 some text   \n"
      "ggggaaacccc\n"
      "((((...)))) -9.99\n"
      "GCGTTAGC\t \n"
      "; comment between sequence and structure\n"
      "\n"
      "   ((....))   (  1.00)\n"
      ">split\n"
      "GGGGAAA\n"
      "CCCC\n"
      "((((...\n"
      "))))\n"
      "GGGAAACCCAGGGAAACCC\n"
      "[[[...]]].<<<...>>>\n";
  const CommandResult r = run("-d2", in);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            ">seq1 some text\n"
            "ggggaaacccc\n"
            "((((...)))) ( -4.50)\n"
            "GCGUUAGC\n"
            "((....)) ( -0.10)\n"
            ">split\n"
            "GGGGAAACCCC\n"
            "((((...)))) ( -4.50)\n"
            "GGGAAACCCAGGGAAACCC\n"
            "[[[...]]].<<<...>>> (  0.00)\n");
}

TEST(RnaevalCommand, AtSignEndsInputAndEmptyInputPrintsNothing) {
  const CommandResult r = run("", "GGGGAAACCCC\n((((...))))\n@\nGGGGAAACCCC\n((((...))))\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "GGGGAAACCCC\n((((...)))) ( -4.50)\n");
  for (const char* in : {"", "\n\n", "# only a comment\n", ">lonely header\n"}) {
    const CommandResult e = run("", in);
    EXPECT_EQ(e.status, 0) << in;
    EXPECT_EQ(e.out, "") << in;
    EXPECT_EQ(e.err, "") << in;
  }
}

TEST(RnaevalCommand, WarningsGoToStandardError) {
  const CommandResult r = run("-d1", "GGACGUGCUGCC\n((.()..(.)))\nGAAAA\n(...)\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "GGACGUGCUGCC\n((.()..(.))) (200001.41)\nGAAAA\n(...) (  6.40)\n");
  EXPECT_EQ(r.err,
            "[WARNING] Hairpin loop closed by 4 and 5 (C,G) too short\n"
            "[WARNING] Hairpin loop closed by 8 and 10 (C,G) too short\n"
            "[WARNING] Bases 1 and 5 (GA) can't pair!\n");
}

TEST(RnaevalCommand, LengthMismatchStopsWithStatus1) {
  const CommandResult r = run("", "GGGGAAACCCC\n((((...))))\nGGGGAAACCCC\n((((...)))).\nGGGGAAACCCC\n((((...))))\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "GGGGAAACCCC\n((((...)))) ( -4.50)\n");
  EXPECT_EQ(r.err, "[ERROR]   Structure and sequence part of strand 0 differ in length (12 vs. 11)\n");
}

TEST(RnaevalCommand, MissingStructureStopsWithStatus1) {
  CommandResult r = run("", "GGGGAAACCCC\n((((...))))\nGGGGAAACCCC\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "GGGGAAACCCC\n((((...)))) ( -4.50)\n");
  EXPECT_EQ(r.err, "[ERROR]   structure missing for record 1\n\n");
  // Without a header a second sequence line starts a new record.
  r = run("", "GGGGAAACCCC\nGGGGAAACCCC\n((((...))))\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "[ERROR]   structure missing for record 0\n\n");
  r = run("", ">a\nGGGGAAACCCC\n>b\nGGGGAAACCCC\n((((...))))\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "[ERROR]   structure missing for record 0\n\n");
}

TEST(RnaevalCommand, UnbalancedBracketsNameTheRecordAndExitWithStatus1) {
  const CommandResult r = run("-d1",
                    "GGGGAAACCCC\n((((...))))\n>second\nGGGGAAACCCC\n((((...))).\n"
                    "GGGGAAACCCC\n((((...))))\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "GGGGAAACCCC\n((((...)))) ( -4.50)\n");
  EXPECT_NE(r.err.find("record 1"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("second"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("unbalanced"), std::string::npos) << r.err;
  const CommandResult close_first = run("", "GGGGAAACCCC\n)(((...)))(\n");
  EXPECT_EQ(close_first.status, 1);
  EXPECT_NE(close_first.err.find("record 0"), std::string::npos) << close_first.err;
}

TEST(RnaevalCommand, ParameterFileOption) {
  const std::string in = "CAGGGAAACCCUA\n.((((...)))).\n";
  const CommandResult same = run(std::string("-P '") + NNMODEL_PARAM_FILE + "'", in);
  EXPECT_EQ(same.status, 0);
  EXPECT_EQ(same.out, "CAGGGAAACCCUA\n.((((...)))). ( -3.60)\n");
  EXPECT_EQ(same.err, "");

  const std::string par = scratch_prefix() + "au.par";
  {
    std::ofstream f(par);
    f << "## RNAfold parameter file v2.0\n\n# Misc\n410 360 150 370\n\n# unknown_thing\n1 2\n";
  }
  const CommandResult changed = run("--paramFile=" + par, in);
  std::remove(par.c_str());
  EXPECT_EQ(changed.status, 0);
  EXPECT_EQ(changed.out, "CAGGGAAACCCUA\n.((((...)))). ( -2.60)\n");
  EXPECT_NE(changed.err.find("[WARNING] read_epars: Unknown field identifier"), std::string::npos)
      << changed.err;

  const CommandResult missing = run("-P /nonexistent/file.par", in);
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_NE(missing.err.find("/nonexistent/file.par"), std::string::npos);
}

}  // namespace
