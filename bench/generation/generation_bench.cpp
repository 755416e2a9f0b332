// Time of one generation of the evolutionary search (breeding every parent, evaluating and
// ranking the offspring) on random problems of 100, 300 and 1000 bases, with the default
// configuration: the four direct paths as parents (generation 0), and the direct paths with
// eight bred parents beside them. The run stops at the first generation boundary (a hook with
// a budget of no time), so set-up and the evaluation of the parents are included; they are
// small beside the breeding. THREADS=N in the environment sets the threads. Counters: parents, and the process's peak memory so far (MiB),
// which after the 1000-base runs is their peak.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <random>

#include "model/chain.h"
#include "model/problem.h"
#include "model/trim.h"
#include "random/random_stream.h"
#include "random_instance.h"
#include "search/driver.h"

namespace {

const int kAllot = 11;

struct Problem {
    RandomInstance inst;
    std::vector<ActionChain> bred;  // bred parents that the trimming keeps
};

// A parent a few generations away from a direct path: each generation keeps the longest
// offspring, which carries the most detours.
ActionChain breed(const ActionChain& start, const RandomInstance& in, int generations) {
    ActionChain p = start;
    for (int g = 0; g < generations; ++g) {
        const std::vector<ActionChain> out = p.reproduce(in.seq, in.A, p.getsaddlepoint(), kAllot, kAllot, kAllot,
                                                         kAllot, kAllot, kAllot, kAllot, kAllot, kAllot);
        for (const ActionChain& c : out)
            if (c.size() > p.size()) p = c;
    }
    p.strategy = 0;
    return p;
}

const Problem& problem(int n) {
    static std::map<int, Problem> cache;
    auto it = cache.find(n);
    if (it != cache.end()) return it->second;
    std::mt19937 g(1000 + n);
    Problem pr;
    pr.inst = random_instance(g, n);
    const Auxiliary aux{RStruct(pr.inst.A), RStruct(pr.inst.B)};
    for (unsigned seed = 1; seed <= 2; ++seed) {
        seed_random(seed);
        for (const ActionChain& d : pr.inst.parents) {
            const ActionChain b = breed(d, pr.inst, 2);
            bool kept = true;  // the search leaves out seeds that touch a trimmed helix
            for (const Action& x : b.va) kept = kept && aux.o2t[x.b.lp] >= 0 && aux.o2t[x.b.rp] >= 0;
            if (kept) pr.bred.push_back(b);
        }
    }
    return cache.emplace(n, pr).first->second;
}

std::string scratch_dir() {
    static std::string dir;
    if (dir.empty()) {
        char tmpl[] = "/tmp/zentrola_generation_XXXXXX";
        const char* d = mkdtemp(tmpl);
        if (!d) std::abort();
        dir = std::string(d) + "/";
    }
    return dir;
}

void one_generation(benchmark::State& state, bool bred) {
    const Problem& pr = problem(static_cast<int>(state.range(0)));
    SearchConfig cf;  // the defaults of examples/config; threads: $THREADS, else all cores
    if (const char* threads = std::getenv("THREADS")) cf.THREADS = std::atoi(threads);
    const std::string dir = scratch_dir();
    std::ofstream null("/dev/null");
    std::streambuf* out = std::cout.rdbuf(null.rdbuf());  // the progress lines
    for (auto _ : state) {
        seed_random(1);
        SearchHook hook;
        if (bred) hook.seeds = pr.bred;
        hook.seconds = 1e-9;
        const RPath p(pr.inst.seq, pr.inst.A, pr.inst.B);
        GenericAlgorithm(p, dir + "result.txt", dir + "log.txt", dir, cf, &hook);
    }
    std::cout.rdbuf(out);
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    state.counters["parents"] = static_cast<double>(pr.inst.parents.size() + (bred ? pr.bred.size() : 0));
    state.counters["peak_MiB"] = ru.ru_maxrss / 1024.0;
}

void BM_GenerationDirectParents(benchmark::State& state) { one_generation(state, false); }
BENCHMARK(BM_GenerationDirectParents)->Arg(100)->Arg(300)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GenerationBredParents(benchmark::State& state) { one_generation(state, true); }
BENCHMARK(BM_GenerationBredParents)->Arg(100)->Arg(300)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
