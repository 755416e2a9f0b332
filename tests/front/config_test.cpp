#include <gtest/gtest.h>

#include <string>

#include "fatal.h"
#include "front/config.h"
#include "run_command.h"

namespace {

class ConfigFile : public ::testing::Test {
protected:
    void SetUp() override { dir = make_scratch_dir("config"); }
    void TearDown() override { remove_scratch_dir(dir); }
    std::string file(const std::string& text) {
        const std::string path = dir + "/config";
        write_file(path, text);
        return path;
    }
    std::string dir;
};

TEST(ConfigTrim, RemovesBlanksTabsAndTrailingNewlinesOnly) {
    EXPECT_EQ(Config::trim(" \t value \t\n"), "value");
    EXPECT_EQ(Config::trim("a b"), "a b");
    EXPECT_EQ(Config::trim("   "), "");
    EXPECT_EQ(Config::trim(""), "");
    EXPECT_EQ(Config::trim("YES\r"), "YES\r");  // carriage returns stay
    EXPECT_EQ(Config::trim("\nx"), "\nx");      // leading newlines stay
}

TEST_F(ConfigFile, DefaultsWithoutAnyKey) {
    Config c;
    c.setConfig(file("# nothing but a comment\n\n"));
    EXPECT_EQ(c.MAXPOP, 100);
    EXPECT_EQ(c.MAXGEN, 20);
    EXPECT_EQ(c.MAXNOIMPROVE, 5);
    EXPECT_EQ(c.OFFSPRINGNUM, 100);
    EXPECT_EQ(c.MINSTRATEGYOFFSPRINGNUM, 3);
    EXPECT_EQ(c.PRESERVETOPNUM, 10);
    EXPECT_EQ(c.PRESERVERANNUM, 10);
    EXPECT_FALSE(c.SAVEGENE);
    EXPECT_EQ(c.RNAevalCmd, "");
}

TEST_F(ConfigFile, DirectoryKeyFormsTheCommandPrefix) {
    for (const char* line : {"ViennaRNAPackage = /usr/local/bin\n", "ViennaRNAPackage=/usr/local/bin/\n",
                             "MyViennaRNAPackageDir=\t/usr/local/bin \n"}) {
        Config c;
        testing::internal::CaptureStdout();
        c.setConfig(file(line));
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(c.ViennaRNAPath, "/usr/local/bin/") << line;
        EXPECT_EQ(c.RNAevalCmd, "/usr/local/bin/RNAeval -d1 ") << line;
        EXPECT_EQ(out, "RNAeval is /usr/local/bin/RNAeval -d1 \n");
    }
    Config empty;
    empty.setConfig(file("ViennaRNAPackage=/somewhere\nViennaRNAPackage=   \n"));
    EXPECT_EQ(empty.RNAevalCmd, "") << "an empty directory counts as absent";
}

TEST_F(ConfigFile, NumbersAndFlags) {
    Config c;
    c.setConfig(file("MAXGEN=  30  \nMAXPOP 200\nOFFSPRINGNUM=20abc\nPRESERVETOPNUM=-4\nMAXNOIMPROVE=1\n"
                     "MAXNOIMPROVE=7\nSAVEGENE=Yes\nPRESERVERANNUM=3=4\n"));
    EXPECT_EQ(c.MAXGEN, 30);
    EXPECT_EQ(c.MAXPOP, 100) << "a line without '=' is skipped";
    EXPECT_EQ(c.OFFSPRINGNUM, 20);
    EXPECT_EQ(c.PRESERVETOPNUM, -4);
    EXPECT_EQ(c.MAXNOIMPROVE, 7) << "the last line wins";
    EXPECT_TRUE(c.SAVEGENE);
    EXPECT_EQ(c.PRESERVERANNUM, 3);
    for (const char* no : {"NO", "No", "no"}) {
        Config d;
        d.SAVEGENE = true;
        d.setConfig(file(std::string("SAVEGENE=") + no + "\n"));
        EXPECT_FALSE(d.SAVEGENE) << no;
    }
}

TEST_F(ConfigFile, RejectsUnusableEntriesWithStatusOne) {
    Config c;
    expect_fatal([&] { c.setConfig(dir + "/missing"); }, "^The specified config file does not exist.\n$");
    expect_fatal([&] { c.setConfig(file("  # MAXPOP=3\n")); },
                 "^Can not analysis   # MAXPOP=3in your configuration file \\(by default: config\\).\n"
                 "Please update it.\n$");
    expect_fatal([&] { c.setConfig(file("SAVEGENE=YES\r\n")); },
                 "^Can not recognize SAVEGENE = YES\r\nPlease specify YES or NO in your configuration file "
                 "\\(by default: config\\).\n$");
    expect_fatal([&] { c.setConfig(file("MAXGEN=many\n")); }, "MAXGEN = many");
    expect_fatal([&] { c.setConfig(file("MAXPOP=\n")); }, "MAXPOP");
    expect_fatal([&] { c.setConfig(file("MAXPOP=99999999999999\n")); }, "MAXPOP");
}

TEST_F(ConfigFile, SelfcheckLooksForRNAevalOnlyWhenConfigured) {
    Config builtin;
    testing::internal::CaptureStdout();
    builtin.selfcheck();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Free energies: built-in nearest-neighbour model\nIndividuals of each generation will not be saved.\n");

    Config missing;
    missing.ViennaRNAPath = dir + "/";
    missing.RNAevalCmd = dir + "/RNAeval -d1 ";
    testing::internal::CaptureStderr();
    expect_fatal([&] { missing.selfcheck(); }, "^Can not find RNAeval at " + dir + "/RNAeval\n$");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ViennaRNAPath=" + dir + "/\n");

    write_file(dir + "/RNAeval", "");
    Config present = missing;
    present.SAVEGENE = true;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    present.selfcheck();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Individuals of each generation will be saved to outdir/generation/gen_i.\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ViennaRNAPath=" + dir + "/\n");
}

}  // namespace
