// Move energies against full evaluation.
//
//  * BM_MoveDelta/<n>/<d>: move_delta (dangle model d, compiled-in parameters) for one move on random
//    structures of random sequences of length n = 100, 300, 1000: 4 sequences x 4 structures
//    (helices until about 60% of the bases pair), 16 moves each (half deletions of a random
//    pair, half additions of a random canonical pair in the loop of a random unpaired base),
//    the moves of one structure in a row, as a search tries the neighbours of a structure.
//  * BM_FullEvaluation/<n>/<d>: energy_dcal of the structure after each of the same moves, from its
//    dot-bracket string: what a search pays per neighbour without move energies.
//  * BM_FullEvaluationPt/<n>/<d>: energy_dcal_pt of the same structures (from the partner table).
//  Each figure is an aggregate (median, minimum, ...) over 9 repetitions of the mean time per
//  call; the minimum is the least disturbed by other processes on the machine.
//
// Run: build/bench/nnmodel/move_bench, or bench/nnmodel/move_speedup.py for the ratios
// (repetitions interleaved at random, so that a change of load hits both sides alike).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "nnmodel/move.h"
#include "nnmodel/nnmodel.h"
#include "random_structures.h"

namespace {

using benchstructures::canonical;
using benchstructures::dot_bracket;
using benchstructures::random_structure;

struct Case {
    int seq;        // index into Pool::seqs
    int structure;  // index into Pool::structures: before the move
    int i, j;
    std::string after;  // dot-bracket after the move
    std::vector<int> after_pt;
};

struct Pool {
    std::vector<nnmodel::EncodedSequence> seqs;
    std::vector<std::vector<int>> structures;
    std::vector<Case> cases;
};

// A random addable canonical pair (hairpin >= 3) in the loop of a random unpaired base.
bool random_addition(const std::string& seq, const std::vector<int>& pt, std::mt19937_64& rng, int& i, int& j) {
    const int n = static_cast<int>(seq.size());
    for (int tries = 0; tries < 100; ++tries) {
        const int a = static_cast<int>(rng() % n);
        if (pt[a] >= 0) continue;
        int start = a - 1;
        while (start >= 0 && pt[start] < start) start = pt[start] < 0 ? start - 1 : pt[start] - 1;
        const int end = start >= 0 ? pt[start] : n;
        std::vector<int> mates;
        for (int k = start + 1; k<end; k = pt[k]> k ? pt[k] + 1 : k + 1)
            if (pt[k] < 0 && std::abs(k - a) >= 4 && canonical(seq[std::min(a, k)], seq[std::max(a, k)]))
                mates.push_back(k);
        if (mates.empty()) continue;
        const int b = mates[rng() % mates.size()];
        i = std::min(a, b);
        j = std::max(a, b);
        return true;
    }
    return false;
}

const Pool& pool(int n) {
    static std::vector<std::pair<int, Pool>> pools;
    for (const auto& p : pools)
        if (p.first == n) return p.second;
    std::mt19937_64 rng(777 + n);
    Pool pool;
    for (int k = 0; k < 4; ++k) {
        std::string seq(n, 'A');
        for (char& c : seq) c = "ACGU"[rng() % 4];
        pool.seqs.push_back(nnmodel::encode_sequence(seq));
        for (int r = 0; r < 4; ++r) {
            const std::vector<int> pt = random_structure(seq, rng);
            pool.structures.push_back(pt);
            std::vector<int> pairs;
            for (int x = 0; x < n; ++x)
                if (pt[x] > x) pairs.push_back(x);
            for (int m = 0; m < 16; ++m) {
                Case c{k, static_cast<int>(pool.structures.size()) - 1, 0, 0, {}, pt};
                if (m % 2 == 0 && !pairs.empty()) {
                    c.i = pairs[rng() % pairs.size()];
                    c.j = pt[c.i];
                    c.after_pt[c.i] = c.after_pt[c.j] = -1;
                } else if (random_addition(seq, pt, rng, c.i, c.j)) {
                    c.after_pt[c.i] = c.j;
                    c.after_pt[c.j] = c.i;
                } else {
                    continue;
                }
                c.after = dot_bracket(c.after_pt);
                pool.cases.push_back(std::move(c));
            }
        }
    }
    pools.emplace_back(n, std::move(pool));
    return pools.back().second;
}

template <typename F>
void run(benchmark::State& state, F f) {
    const int n = static_cast<int>(state.range(0));
    const Pool& p = pool(n);
    std::size_t k = 0;
    long long checksum = 0;
    for (auto _ : state) {
        checksum += f(p, p.cases[k]);
        if (++k == p.cases.size()) k = 0;
    }
    benchmark::DoNotOptimize(checksum);
    state.SetLabel(std::to_string(n) + " nt d" + std::to_string(state.range(1)));
}

int dangles(const benchmark::State& state) { return static_cast<int>(state.range(1)); }

void BM_MoveDelta(benchmark::State& state) {
    const int d = dangles(state);
    run(state, [d](const Pool& p, const Case& c) {
        return nnmodel::move_delta(nnmodel::turner2004(), p.seqs[c.seq], p.structures[c.structure], c.i, c.j, d);
    });
}
void BM_FullEvaluation(benchmark::State& state) {
    const int d = dangles(state);
    run(state, [d](const Pool& p, const Case& c) {
        return nnmodel::energy_dcal(nnmodel::turner2004(), p.seqs[c.seq], c.after, d);
    });
}
void BM_FullEvaluationPt(benchmark::State& state) {
    const int d = dangles(state);
    run(state, [d](const Pool& p, const Case& c) {
        return nnmodel::energy_dcal_pt(nnmodel::turner2004(), p.seqs[c.seq], c.after_pt, d);
    });
}

double least(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

#define MOVE_CASES(f)                                \
    BENCHMARK(f)                                     \
        ->ArgsProduct({{100, 300, 1000}, {0, 1, 2}}) \
        ->Repetitions(9)                             \
        ->ReportAggregatesOnly(true)                 \
        ->ComputeStatistics("min", least)

MOVE_CASES(BM_MoveDelta);
MOVE_CASES(BM_FullEvaluation);
MOVE_CASES(BM_FullEvaluationPt);

}  // namespace

BENCHMARK_MAIN();
