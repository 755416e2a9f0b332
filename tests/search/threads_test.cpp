// The search writes the same files with one thread and with two, for several problems and
// seeds; THREADS must be a positive integer.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>
#include <string>

#include "error/fatal_error.h"
#include "front/config.h"
#include "model/problem.h"
#include "random/random_stream.h"
#include "random_instance.h"
#include "run_command.h"
#include "search/driver.h"
#include "text.h"

namespace {

std::string run_files(const RandomInstance& in, unsigned seed, int threads, bool save, const std::string& dir) {
    SearchConfig cf;
    cf.MAXPOP = 6;
    cf.OFFSPRINGNUM = 24;
    cf.PRESERVETOPNUM = 3;
    cf.PRESERVERANNUM = 3;
    cf.MAXGEN = 2;
    cf.MAXNOIMPROVE = 1;
    cf.SAVEGENE = save;
    cf.THREADS = threads;
    remove_scratch_dir(dir);
    ::mkdir(dir.c_str(), 0777);
    seed_random(seed);
    std::ostringstream quiet;
    std::streambuf* old = std::cout.rdbuf(quiet.rdbuf());
    const pathout::Path best = GenericAlgorithm(RPath(in.seq, in.A, in.B), dir + "/result.txt", dir + "/log.txt",
                                                dir + "/", cf);
    std::cout.rdbuf(old);
    std::string files = without_time_lines(read_file(dir + "/result.txt")) + read_file(dir + "/log.txt") + quiet.str();
    if (save) files += read_file(dir + "/generation/gen_0") + read_file(dir + "/generation/gen_1");
    for (double e : best.energies) files += std::to_string(e) + " ";
    return files;
}

TEST(SearchThreads, SameFilesWithOneAndTwoThreads) {
    const std::string dir = make_scratch_dir("threads");
    std::mt19937 g(16);
    for (int n : {50, 90, 140}) {
        const RandomInstance in = random_instance(g, n);
        for (unsigned seed : {1u, 5u}) {
            const bool save = seed == 5;
            const std::string one = run_files(in, seed, 1, save, dir + "/run");
            EXPECT_EQ(one, run_files(in, seed, 2, save, dir + "/run")) << n << " " << seed;
            EXPECT_EQ(one, run_files(in, seed, 3, save, dir + "/run")) << n << " " << seed;
        }
    }
    remove_scratch_dir(dir);
}

TEST(SearchThreads, ThreadsKeyIsAPositiveInteger) {
    const std::string dir = make_scratch_dir("threads_key");
    for (const char* value : {"0", "-2", "many"}) {
        write_file(dir + "/config", std::string("THREADS=") + value + "\n");
        Config c;
        EXPECT_THROW(c.setConfig(dir + "/config"), FatalError) << value;
    }
    write_file(dir + "/config", "THREADS=3\n");
    Config c;
    c.setConfig(dir + "/config");
    EXPECT_EQ(c.THREADS, 3);
    remove_scratch_dir(dir);
}

}  // namespace
