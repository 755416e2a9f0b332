// Time of one reproduce call with the allotment 11 at every position, on random problems
// of 100, 300 and 1000 bases: a direct path as parent, and a parent bred for a few
// generations. The per-operator times on the largest problem show where the time goes.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>
#include <random>

#include "model/chain.h"
#include "model/structure.h"
#include "random/random_stream.h"
#include "random_instance.h"

namespace {

const int kAllot = 11;

struct Problem {
    RandomInstance inst;
    ActionChain direct;
    ActionChain bred;
};

std::vector<ActionChain> reproduce_all(const ActionChain& p, const RandomInstance& in) {
    return p.reproduce(in.seq, in.A, p.getsaddlepoint(), kAllot, kAllot, kAllot, kAllot, kAllot, kAllot, kAllot, kAllot,
                       kAllot);
}

// A parent a few generations away from the direct path: each generation keeps the
// longest offspring, which carries the most detours.
ActionChain breed(const ActionChain& start, const RandomInstance& in, int generations) {
    ActionChain p = start;
    for (int g = 0; g < generations; ++g) {
        const std::vector<ActionChain> out = reproduce_all(p, in);
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
    pr.direct = pr.inst.parents[0];
    seed_random(n);
    pr.bred = breed(pr.direct, pr.inst, 3);
    return cache.emplace(n, pr).first->second;
}

void BM_ReproduceDirectPath(benchmark::State& state) {
    const Problem& pr = problem(static_cast<int>(state.range(0)));
    size_t offspring = 0;
    unsigned seed = 1;
    for (auto _ : state) {
        seed_random(seed++);
        const std::vector<ActionChain> out = reproduce_all(pr.direct, pr.inst);
        offspring += out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["actions"] = pr.direct.size();
    state.counters["offspring"] = static_cast<double>(offspring) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ReproduceDirectPath)->Arg(100)->Arg(300)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_ReproduceBredParent(benchmark::State& state) {
    const Problem& pr = problem(static_cast<int>(state.range(0)));
    size_t offspring = 0;
    unsigned seed = 1;
    for (auto _ : state) {
        seed_random(seed++);
        const std::vector<ActionChain> out = reproduce_all(pr.bred, pr.inst);
        offspring += out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["actions"] = pr.bred.size();
    state.counters["offspring"] = static_cast<double>(offspring) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ReproduceBredParent)->Arg(100)->Arg(300)->Arg(1000)->Unit(benchmark::kMillisecond);

// One operator family on the direct path of the 1000-base problem.
void BM_Operator1000(benchmark::State& state) {
    const Problem& pr = problem(1000);
    const ActionChain& p = pr.direct;
    const std::string& s = pr.inst.seq;
    const std::string& A = pr.inst.A;
    const int op = static_cast<int>(state.range(0));
    unsigned seed = 1;
    for (auto _ : state) {
        seed_random(seed++);
        std::vector<ActionChain> out;
        switch (op) {
            case 0: out = p.reorder_del(s, A, kAllot); break;
            case 1: out = p.reorder_del2(s, A, kAllot); break;
            case 2:
                for (int k = 0; k < kAllot; ++k) out.push_back(p.postpone_del2(s, A));
                for (int k = 0; k < kAllot; ++k) out.push_back(p.bringforward_add2(s, A));
                break;
            case 3: out = p.adddel(s, A, kAllot); break;
            case 4:
                out = p.exchange(s, A, kAllot / 3);
                out = p.exchange2(s, A, kAllot / 3);
                out = p.exchange3(s, A, p.size() / 2, kAllot / 3);
                break;
            case 5: out = p.shift(s, A, kAllot); break;
            case 6:
                out = p.perturb(s, A, kAllot / 3);
                out = p.perturb2(s, A, kAllot / 3);
                out = p.perturb3(s, A, kAllot / 3);
                break;
            case 7: out = p.adddelstack(s, A, kAllot); break;
        }
        benchmark::DoNotOptimize(out.data());
    }
    static const char* names[] = {"reorder_del", "reorder_del2", "postpone/bringforward",
                                  "adddel",      "exchange x3",  "shift",
                                  "perturb x3",  "adddelstack"};
    state.SetLabel(names[op]);
}
BENCHMARK(BM_Operator1000)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
