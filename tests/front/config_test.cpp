#include <gtest/gtest.h>

#include <stdexcept>
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

// Blanks around values; a line without '=' is skipped; the last line wins; defaults stay.
TEST_F(ConfigFile, NumbersFlagsDefaultsAndTheCommandPrefix) {
    Config c;
    c.setConfig(
        file("# comment\nMAXGEN=  30  \nMAXPOP 200\nOFFSPRINGNUM=20abc\nMAXNOIMPROVE=1\nMAXNOIMPROVE=-7\n"
             "SAVEGENE=no\nSAVEGENE=Yes\nPRESERVERANNUM=3=4\nMyViennaRNAPackageDir=\t/usr/bin \n"));
    EXPECT_TRUE(c.MAXGEN == 30 && c.MAXPOP == 100 && c.OFFSPRINGNUM == 20 && c.MAXNOIMPROVE == -7 && c.SAVEGENE);
    EXPECT_TRUE(c.PRESERVERANNUM == 3 && c.PRESERVETOPNUM == 10 && c.MINSTRATEGYOFFSPRINGNUM == 3);
    EXPECT_EQ(c.RNAevalCmd, "/usr/bin/RNAeval -d1 ");
    Config empty;
    empty.setConfig(file("ViennaRNAPackage=/somewhere/\nViennaRNAPackage=   \n"));
    EXPECT_EQ(empty.RNAevalCmd, "") << "an empty directory counts as absent";
}

TEST_F(ConfigFile, TemperatureGoesToTheCommandUnless37) {
    Config c;
    testing::internal::CaptureStdout();
    c.setConfig(file("TEMPERATURE = 42.5\nViennaRNAPackage=/bin\n"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "RNAeval is /bin/RNAeval -d1 -T42.5 \n");
    EXPECT_EQ(c.TEMPERATURE, 42.5);
    testing::internal::CaptureStdout();
    c.setConfig(file("ViennaRNAPackage=/bin\nTEMPERATURE=37\n"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "RNAeval is /bin/RNAeval -d1 \n");
    for (const char* bad : {"TEMPERATURE=warm\n", "TEMPERATURE=\n", "TEMPERATURE=-273.2\n", "TEMPERATURE=100.5\n",
                            "TEMPERATURE=50C\n", "TEMPERATURE=inf\n"})
        EXPECT_THROW(Config().setConfig(file(bad)), FatalError) << bad;
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
    for (const char* threads : {"THREADS=0\n", "THREADS=-2\n", "THREADS=many\n"})
        expect_fatal([&] { c.setConfig(file(threads)); }, "THREADS");
}

TEST_F(ConfigFile, SelfcheckLooksForRNAevalOnlyWhenConfigured) {
    testing::internal::CaptureStdout();
    Config().selfcheck();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Free energies: built-in nearest-neighbour model\nIndividuals of each generation will not be saved.\n");
    Config c;
    c.ViennaRNAPath = dir + "/";
    c.RNAevalCmd = dir + "/RNAeval -d1 ";
    c.SAVEGENE = true;
    testing::internal::CaptureStderr();
    expect_fatal([&] { c.selfcheck(); }, "^Can not find RNAeval at " + dir + "/RNAeval\n$");
    write_file(dir + "/RNAeval", "");
    testing::internal::CaptureStdout();
    c.selfcheck();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Individuals of each generation will be saved to outdir/generation/gen_i.\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ViennaRNAPath=" + dir + "/\nViennaRNAPath=" + dir + "/\n");
}

}  // namespace
