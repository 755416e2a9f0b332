// Whole default-search runs against the files an earlier build wrote for the same seed
// (tests/search/golden/make.sh): standard output, result and log files byte for byte, time
// stamps aside, and the generation files by checksum, also with the RNAeval command.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "run_command.h"
#include "text.h"

namespace {

const std::string kGolden = std::string(SOURCE_DIR) + "/tests/search/golden/";

TEST(Golden, RunsAreByteIdenticalToTheRecordedOnes) {
    int cases = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kGolden)) {
        if (!entry.is_directory()) continue;
        const std::string c = entry.path().string() + "/", name = entry.path().filename().string();
        const std::string dir = make_scratch_dir("golden");
        const std::string args = lines_of(read_file(c + "args"))[0];
        const CommandResult r =
            run_in(dir, "'" + std::string(ZENTROLA_BIN) + "' -i '" + c + "in.faa' -c '" + c + "config' -d out " + args);
        ASSERT_EQ(r.status, 0) << name << r.err;
        // The input's and configuration's paths differ from the recorded run's.
        std::string out = r.out;
        out.replace(0, out.find(", outdir="), "infile=in.faa");
        EXPECT_TRUE(without_time_lines(out) == without_time_lines(read_file(c + "expected/stdout"))) << name;
        for (const char* f : {"result", "log"}) {
            EXPECT_TRUE(without_time_lines(read_file(dir + "/out/" + f + ".txt")) ==
                        without_time_lines(read_file(c + "expected/" + f)))
                << name << " " << f;
        }
        if (std::filesystem::exists(c + "expected/generation.sha256")) {
            EXPECT_EQ(run_in(dir, "cd out/generation && sha256sum gen_*").out,
                      read_file(c + "expected/generation.sha256"))
                << name;
            // The same files when the RNAeval command gives the energies.
            write_file(dir + "/config", read_file(c + "config") + "ViennaRNAPackage=" + RNAEVAL_DIR + "\n");
            ASSERT_EQ(
                run_in(dir, "'" + std::string(ZENTROLA_BIN) + "' -i '" + c + "in.faa' -c config -d cmd " + args).status,
                0);
            EXPECT_EQ(without_time_lines(read_file(dir + "/cmd/log.txt")),
                      without_time_lines(read_file(c + "expected/log")));
            EXPECT_EQ(run_in(dir, "cd cmd/generation && sha256sum gen_*").out,
                      read_file(c + "expected/generation.sha256"));
        }
        remove_scratch_dir(dir);
        ++cases;
    }
    EXPECT_EQ(cases, 4);
}

}  // namespace
