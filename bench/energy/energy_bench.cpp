// Time to evaluate one path of 50 moves with an empty energy cache, in built-in mode
// and through the RNAeval-compatible command, on sequences of length 100 and 300;
// then the ratio of the two. Runs in a temporary directory, since the command's
// files are written into the working directory.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "energy/barrier.h"
#include "random_instance.h"

namespace {

const int kMoves = 50;

struct PathCase {
    std::string seq;
    std::string start;
    ActionChain path;
};

// A random walk of single-pair moves from a random structure: each step deletes a
// present pair or adds a pair that the sequence can form and that clashes with none.
PathCase makeCase(const int& n) {
    std::mt19937 g(1000 + n);
    PathCase c;
    c.seq = random_sequence(g, n);
    c.start = random_structure(g, c.seq, n);
    std::vector<BP> pairs = s2v(c.start);
    while (c.path.size() < kMoves) {
        if (!pairs.empty() && g() % 2 == 0) {
            const std::size_t k = g() % pairs.size();
            c.path.push_back(del, pairs[k]);
            pairs.erase(pairs.begin() + k);
            continue;
        }
        int i = static_cast<int>(g() % n), j = static_cast<int>(g() % n);
        if (i > j) std::swap(i, j);
        if (j - i <= 3 || !match(c.seq[i], c.seq[j], 1) || mycheckclash(BP(i, j), pairs)) continue;
        c.path.push_back(add, i, j);
        pairs.push_back(BP(i, j));
    }
    return c;
}

const PathCase& caseFor(const int& n) {
    static std::map<int, PathCase> cases;
    auto it = cases.find(n);
    if (it == cases.end()) it = cases.emplace(n, makeCase(n)).first;
    return it->second;
}

void BM_PathBarrier(benchmark::State& state, const std::string& prefix) {
    const PathCase& c = caseFor(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        EnergyCache cache;
        ActionChain ac = c.path;
        benchmark::DoNotOptimize(getMDEfromAC(c.seq, c.start, ac, cache, prefix));
    }
}

BENCHMARK_CAPTURE(BM_PathBarrier, builtin, std::string())->Arg(100)->Arg(300)->Unit(benchmark::kMicrosecond);
#ifdef RNAEVAL_DIR
BENCHMARK_CAPTURE(BM_PathBarrier, rnaeval, std::string(RNAEVAL_DIR) + "RNAeval -d1 ")
    ->Arg(100)
    ->Arg(300)
    ->Unit(benchmark::kMicrosecond);
#endif

// Console output as usual, plus the time per path of every run for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}
    std::map<std::string, double> us_per_path;
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration) us_per_path[r.benchmark_name()] = r.GetAdjustedRealTime();
    }
};

}  // namespace

int main(int argc, char** argv) {
    char tmpl[] = "/tmp/zentrola_energy_bench_XXXXXX";
    if (mkdtemp(tmpl) == nullptr) return 1;
    const std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::current_path(tmpl);

    benchmark::Initialize(&argc, argv);
    RatioReporter rep;
    benchmark::RunSpecifiedBenchmarks(&rep);
    benchmark::Shutdown();

    for (const char* n : {"100", "300"}) {
        const std::string b = std::string("BM_PathBarrier/builtin/") + n;
        const std::string f = std::string("BM_PathBarrier/rnaeval/") + n;
        if (rep.us_per_path.count(b) && rep.us_per_path.count(f))
            std::printf("length %s, %d moves: built-in %.1f us/path, RNAeval %.1f us/path, RNAeval/built-in = %.1f\n",
                        n, kMoves, rep.us_per_path[b], rep.us_per_path[f], rep.us_per_path[f] / rep.us_per_path[b]);
    }
    std::filesystem::current_path(home);
    std::filesystem::remove_all(tmpl);
    return 0;
}
