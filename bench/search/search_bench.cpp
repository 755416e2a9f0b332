// Runs the search with a fixed seed on each input file given and prints, per instance, the
// best barrier, the number of generations, the number of energy evaluations, the wall time
// and the peak memory, then the totals. Each instance runs in a child process of its own, so
// that its peak memory is its own.
//
//   search_bench CONFIG SEED FILE...
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "energy/energy.h"
#include "front/run.h"
#include "model/problem.h"
#include "random/random_stream.h"
#include "search/driver.h"

namespace {

struct Figures {
    double barrier = 0;
    int generations = 0;
    long long evaluations = 0;
};

// Child: runs one search with its output in a scratch directory and reports through `fd`.
[[noreturn]] void run_child(const std::string& file, const std::string& dir, unsigned seed, int fd) {
    if (!freopen("/dev/null", "w", stdout)) std::exit(2);
    seed_random(seed);
    std::ifstream in(file.c_str());
    std::string name, seq, a, b;
    readin(in, name, seq, a, b);
    RPath p(seq, a, b);
    GenericAlgorithm(p, dir + "result.txt", dir + "log.txt", dir, cf);

    // Result file: time, empty line, initial line, one line per generation, time, empty line.
    std::ifstream result((dir + "result.txt").c_str());
    std::vector<std::string> lines;
    for (std::string line; std::getline(result, line);) lines.push_back(line);
    Figures f;
    f.generations = static_cast<int>(lines.size()) - 5;
    const std::string& last = lines[lines.size() - 3];
    f.barrier = std::stod(last.substr(last.find('\t') + 1));
    f.evaluations = evaluated_structures();
    if (write(fd, &f, sizeof f) != static_cast<ssize_t>(sizeof f)) std::exit(3);
    std::exit(0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::cerr << "usage: search_bench CONFIG SEED FILE..." << std::endl;
        return 1;
    }
    cf.setConfig(argv[1]);
    const unsigned seed = static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10));
    char tmpl[] = "/tmp/zentrola_bench_XXXXXX";
    const char* scratch = mkdtemp(tmpl);
    if (!scratch) return 1;

    std::printf("%-12s %8s %6s %12s %9s %10s\n", "instance", "barrier", "gens", "evaluations", "wall_s", "peak_MiB");
    double total_barrier = 0, total_wall = 0;
    long long total_evals = 0;
    int total_gens = 0;
    long max_rss = 0;
    for (int k = 3; k < argc; ++k) {
        const std::string file = argv[k];
        const std::string dir = std::string(scratch) + "/" + std::to_string(k) + "/";
        if (!make_directories(dir)) return 1;
        int fds[2];
        if (pipe(fds) != 0) return 1;
        const auto t0 = std::chrono::steady_clock::now();
        std::fflush(stdout);
        const pid_t pid = fork();
        if (pid == 0) {
            close(fds[0]);
            run_child(file, dir, seed, fds[1]);
        }
        close(fds[1]);
        Figures f;
        const bool got = read(fds[0], &f, sizeof f) == static_cast<ssize_t>(sizeof f);
        close(fds[0]);
        int status = 0;
        struct rusage ru;
        wait4(pid, &status, 0, &ru);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        std::string label = file.substr(file.rfind('/') + 1);
        label = label.substr(0, label.find('.'));
        if (!got || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::printf("%-12s failed\n", label.c_str());
            continue;
        }
        std::printf("%-12s %8.2f %6d %12lld %9.2f %10.1f\n", label.c_str(), f.barrier, f.generations, f.evaluations,
                    wall, ru.ru_maxrss / 1024.0);
        total_barrier += f.barrier;
        total_gens += f.generations;
        total_evals += f.evaluations;
        total_wall += wall;
        if (ru.ru_maxrss > max_rss) max_rss = ru.ru_maxrss;
    }
    std::printf("%-12s %8.2f %6d %12lld %9.2f %10.1f\n", "total", total_barrier, total_gens, total_evals, total_wall,
                max_rss / 1024.0);
    std::string cleanup = std::string("rm -rf '") + scratch + "'";
    return std::system(cleanup.c_str()) == 0 ? 0 : 1;
}
