// Benchmarks of the nearest-neighbour energy evaluation.
//
//  * BM_EnergyD1/<n>, BM_EnergyD2/<n>: one in-process evaluation (energy_dcal on a prepared
//    sequence, from the dot-bracket string, warnings collected as the program does) of random
//    structures of random sequences of length n = 100, 300, 1000: 4 sequences with 64
//    structures each, evaluated in turn. 256 different structures are more than the
//    processor's branch predictor can learn, so this is the cost for structures it has not
//    seen before.
//  * BM_EnergyD1Repeat/<n>: the same with 4 x 4 structures, so that the branch predictor
//    learns them; closer to a search that evaluates many nearly equal structures.
//  * BM_EnergyD1At50/<n>, BM_EnergyD2At50/<n>: the same as BM_EnergyD1/BM_EnergyD2 with the
//    parameters rescaled to 50 C (rescaled once, before timing).
//  Each figure is the median over 15 repetitions of the mean time per evaluation.
//  * BM_ParamsAt: rescaling the Turner 2004 set to another temperature (done once per run).
//  * BM_RnaevalCommand: the RNAeval command on the 1,500 reference records
//    (tests/nnmodel/data/rnaeval-records.in), -d1, output to /dev/null; wall time per run.
//
// Run: build/bench/nnmodel/nnmodel_bench
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "nnmodel/nnmodel.h"
#include "random_structures.h"

namespace {

std::string random_sequence(int n, std::mt19937_64& rng) {
    static const char kBases[] = "ACGU";
    std::string seq(n, 'A');
    for (char& c : seq) c = kBases[rng() % 4];
    return seq;
}

// A random secondary structure of seq (the helices of benchstructures::random_structure).
std::string random_structure(const std::string& seq, std::mt19937_64& rng) {
    return benchstructures::dot_bracket(benchstructures::random_structure(seq, rng));
}

struct Pool {
    std::vector<nnmodel::EncodedSequence> seqs;
    std::vector<std::string> structures;
};

// sequences x structures_per_sequence instances of length n, sequence-major.
const Pool& pool(int n, int sequences, int structures_per_sequence) {
    static std::vector<std::pair<std::vector<int>, Pool>> pools;
    const std::vector<int> key = {n, sequences, structures_per_sequence};
    for (const auto& p : pools)
        if (p.first == key) return p.second;
    std::mt19937_64 rng(12345 + n);
    Pool pool;
    for (int k = 0; k < sequences; ++k) {
        const std::string seq = random_sequence(n, rng);
        const nnmodel::EncodedSequence enc = nnmodel::encode_sequence(seq);
        for (int r = 0; r < structures_per_sequence; ++r) {
            pool.seqs.push_back(enc);
            pool.structures.push_back(random_structure(seq, rng));
        }
    }
    pools.emplace_back(key, std::move(pool));
    return pools.back().second;
}

void evaluate(benchmark::State& state, int dangles, int sequences, int structures, double celsius = 37.0) {
    const int n = static_cast<int>(state.range(0));
    const Pool& p = pool(n, sequences, structures);
    static const nnmodel::ParamSet at50 = nnmodel::turner2004_at(50);
    const nnmodel::ParamSet& params = celsius == 50.0 ? at50 : nnmodel::turner2004();
    std::vector<std::string> warnings;
    const std::size_t size = p.structures.size();
    std::size_t k = 0;
    long long checksum = 0;
    for (auto _ : state) {
        warnings.clear();
        checksum += nnmodel::energy_dcal(params, p.seqs[k], p.structures[k], dangles, &warnings);
        if (++k == size) k = 0;
    }
    benchmark::DoNotOptimize(checksum);
    state.SetLabel(std::to_string(n) + " nt");
}

void BM_EnergyD1(benchmark::State& state) { evaluate(state, 1, 4, 64); }
void BM_EnergyD2(benchmark::State& state) { evaluate(state, 2, 4, 64); }
void BM_EnergyD1Repeat(benchmark::State& state) { evaluate(state, 1, 4, 4); }
void BM_EnergyD1At50(benchmark::State& state) { evaluate(state, 1, 4, 64, 50.0); }
void BM_EnergyD2At50(benchmark::State& state) { evaluate(state, 2, 4, 64, 50.0); }

BENCHMARK(BM_EnergyD1)->Arg(100)->Arg(300)->Arg(1000)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_EnergyD2)->Arg(100)->Arg(300)->Arg(1000)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_EnergyD1Repeat)->Arg(100)->Arg(300)->Arg(1000)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_EnergyD1At50)->Arg(100)->Arg(300)->Arg(1000)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_EnergyD2At50)->Arg(100)->Arg(300)->Arg(1000)->Repetitions(15)->ReportAggregatesOnly(true);

void BM_ParamsAt(benchmark::State& state) {
    double celsius = 10;
    for (auto _ : state) {
        nnmodel::ParamSet p = nnmodel::turner2004_at(celsius);
        benchmark::DoNotOptimize(p.stack[1][1]);
        celsius = celsius == 10 ? 70 : 10;
    }
}
BENCHMARK(BM_ParamsAt)->Unit(benchmark::kMicrosecond);

void BM_RnaevalCommand(benchmark::State& state) {
    const std::string cmd =
        std::string("'") + RNAEVAL_EXE + "' -d1 < '" + NNMODEL_RECORDS + "' > /dev/null 2> /dev/null";
    for (auto _ : state) {
        if (std::system(cmd.c_str()) != 0) {
            state.SkipWithError("RNAeval failed");
            break;
        }
    }
    state.SetLabel("1500 records, -d1");
}
BENCHMARK(BM_RnaevalCommand)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
