// Time of one call of the stem list and of the reordering, postponing and bring-forward
// operators on random problems of n = 100, 300 and 1000 bases whose parent has n / 2 moves.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>
#include <random>

#include "model/chain.h"
#include "model/stem.h"
#include "model/structure.h"
#include "operators/candidates.h"
#include "random/random_stream.h"

namespace {

struct Problem {
    std::string seq, A;
    ActionChain parent;
};

// Random nested structure made of helices of 3 to 6 pairs with loops of at least 3 bases.
void fill(std::mt19937& g, RStruct& rs, int l, int r) {
    while (l <= r) {
        const int h = 3 + static_cast<int>(g() % 4);
        const int minspan = 2 * h + 3;
        if (r - l + 1 >= minspan && g() % 10 < 7) {
            const int room = r - l + 1 - minspan;
            const int e = l + minspan - 1 + static_cast<int>(g() % (std::min(room, 60) + 1));
            for (int k = 0; k < h; ++k) rs.add_bp(l + k, e - k);
            fill(g, rs, l + h, e - h);
            l = e + 1;
        } else {
            ++l;
        }
    }
}

// A random sequence of n bases and a direct path of n / 2 moves between two random structures.
Problem make_problem(int n) {
    std::mt19937 g(1234 + n);
    static const char letters[] = "ACGU";
    for (;;) {
        Problem p;
        p.seq.assign(n, 'A');
        for (char& c : p.seq) c = letters[g() % 4];
        RStruct a(std::string(n, '.')), b(std::string(n, '.'));
        fill(g, a, 0, n - 1);
        fill(g, b, 0, n - 1);
        // Drop pairs of B until the path has the wanted length.
        ActionChain path = b.convertfrom(a, 0, 0);
        while (path.size() > n / 2 && !b.vbp.empty()) {
            b.del_bp_with_indx(static_cast<int>(g() % b.vbp.size()));
            path = b.convertfrom(a, 0, 0);
        }
        if (path.size() != n / 2) continue;
        p.A = a.str;
        p.parent = path;
        return p;
    }
}

const Problem& problem(int n) {
    static std::map<int, Problem> cache;
    auto it = cache.find(n);
    if (it == cache.end()) it = cache.emplace(n, make_problem(n)).first;
    return it->second;
}

void BM_stemlist(benchmark::State& state) {
    const Problem& p = problem(static_cast<int>(state.range(0)));
    std::size_t count = 0;
    for (auto _ : state) {
        stemlist sl(p.seq, 3);
        count = sl.stems.size();
        benchmark::DoNotOptimize(sl.stems.data());
    }
    state.counters["stems"] = static_cast<double>(count);
}

template <typename Op>
void run_operator(benchmark::State& state, Op op) {
    const Problem& p = problem(static_cast<int>(state.range(0)));
    seed_random(1);
    std::size_t made = 0;
    for (auto _ : state) {
        std::vector<ActionChain> out = op(p);
        made = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["parent_moves"] = p.parent.size();
    state.counters["offspring"] = static_cast<double>(made);
}

void BM_reorder_del(benchmark::State& state) {
    run_operator(state, [](const Problem& p) { return p.parent.reorder_del(p.seq, p.A, 25); });
}
void BM_reorder_del2(benchmark::State& state) {
    run_operator(state, [](const Problem& p) { return p.parent.reorder_del2(p.seq, p.A, 25); });
}
void BM_postpone_del(benchmark::State& state) {
    run_operator(state, [](const Problem& p) { return std::vector<ActionChain>{p.parent.postpone_del(p.seq, p.A)}; });
}
void BM_postpone_del2(benchmark::State& state) {
    run_operator(state, [](const Problem& p) { return std::vector<ActionChain>{p.parent.postpone_del2(p.seq, p.A)}; });
}
void BM_bringforward_add(benchmark::State& state) {
    run_operator(state,
                 [](const Problem& p) { return std::vector<ActionChain>{p.parent.bringforward_add(p.seq, p.A)}; });
}
void BM_bringforward_add2(benchmark::State& state) {
    run_operator(state,
                 [](const Problem& p) { return std::vector<ActionChain>{p.parent.bringforward_add2(p.seq, p.A)}; });
}
// The candidate draw alone: 25 offspring from 1000 copies of the parent (each validated from A).
void BM_draw_candidates(benchmark::State& state) {
    run_operator(
        state, [](const Problem& p) { return draw_candidates(std::vector<ActionChain>(1000, p.parent), p.A, 25, 1); });
}

#define SIZES ->Arg(100)->Arg(300)->Arg(1000)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_stemlist) SIZES;
BENCHMARK(BM_postpone_del) SIZES;
BENCHMARK(BM_postpone_del2) SIZES;
BENCHMARK(BM_bringforward_add) SIZES;
BENCHMARK(BM_bringforward_add2) SIZES;
BENCHMARK(BM_draw_candidates) SIZES;
BENCHMARK(BM_reorder_del) SIZES;
BENCHMARK(BM_reorder_del2) SIZES;

}  // namespace

BENCHMARK_MAIN();
