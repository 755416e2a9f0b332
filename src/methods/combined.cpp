#include "methods/combined.h"

#include <algorithm>

#include "energy/pathstructs.h"
#include "error/fatal_error.h"
#include "methods/common.h"
#include "parallel/pool.h"
#include "search/driver.h"

namespace methods {
namespace {

ActionChain chain_of(const PathResult& r) {
    ActionChain ac;
    for (const Move& m : r.moves) ac.push_back(m.add ? add : del, m.i, m.j);
    return ac;
}

// Seconds a batch of parents may take to breed on a problem of n bases, per n^2, before the
// evolutionary search asks the clock again (18-20 s at 1,000 nt on two loaded cores).
constexpr double kBatchSeconds = 2e-5;

double batch_seconds(std::size_t n) { return kBatchSeconds * static_cast<double>(n) * static_cast<double>(n); }

// Whether an evolutionary run of `seconds` can hold the budget and the memory cap on a problem of
// n bases. It holds the reordering tables of up to two batches of parents (2 x threads a batch, at
// most 16; one parent at a time with one thread), about 10 n^2 bytes each; it stops breeding a
// batch's time (batch_seconds) before the end, so it needs at least twice that (up to 1 s past
// the budget is allowed).
bool evolution_fits(std::size_t n, double seconds, const SearchConfig& cf, std::size_t memory_mib) {
    const std::size_t threads = cf.THREADS > 0 ? cf.THREADS : parallel::hardware_threads();
    const std::size_t parents = threads == 1 ? 1 : 2 * std::min<std::size_t>(2 * threads, 16);
    const double nn = static_cast<double>(n) * static_cast<double>(n);
    return parents * 10 * nn <= static_cast<double>(memory_mib) * 1048576.0 &&
           2 * batch_seconds(n) <= std::max(seconds, 1.0);
}

}  // namespace

PathResult combined_path(const Problem& pb, const Options& opt, const SearchConfig& cf, const EvolutionFiles& files,
                         bool& wrote_files) {
    const auto t0 = std::chrono::steady_clock::now();
    wrote_files = false;
    // The first bound may take a quarter of the budget (where the beam keeps one). Above
    // kProofDistance moves, where the exact search rarely improves on it, the beam widens its
    // rounds as -m direct does (within 90 % of its time) and has half the budget, or 85 % where
    // the evolutionary search would not fit in the other half.
    const PairTable pa = pair_table(pb.A), pbt = pair_table(pb.B);
    const bool far = pairs_missing(pa, pbt).size() + pairs_missing(pbt, pa).size() > kProofDistance;
    const bool evolves = evolution_fits(pb.sequence.size(), opt.seconds / 2, cf, opt.memory_mib);
    Options beam_opt = opt;
    beam_opt.seconds = opt.seconds * (!far ? 0.25 : evolves ? 0.5 : 0.85);
    const PathResult beam = direct_beam(pb, beam_opt, far ? 0.9 : kBeamShare);
    PathResult evo;
    bool evo_found = false;
    // The evolutionary search seeded with the beam path and the best path known, for `seconds`.
    auto evolve = [&](const PathResult& known, double seconds) -> const PathResult* {
        if (!evolution_fits(pb.sequence.size(), seconds, cf, opt.memory_mib)) return nullptr;
        SearchHook hook;
        hook.cancel = opt.cancel;
        hook.seeds.push_back(chain_of(beam));
        if (known.moves.size() != beam.moves.size() || known.barrier != beam.barrier)
            hook.seeds.push_back(chain_of(known));
        hook.seconds = std::max(1e-9, seconds - batch_seconds(pb.sequence.size()));
        SearchConfig builtin = cf;
        builtin.RNAevalCmd.clear();
        GenericAlgorithm(RPath(pb.sequence, pb.A, pb.B), files.outfile, files.logfile, files.outdir, builtin, &hook);
        wrote_files = true;
        if (hook.best.va.empty()) return nullptr;
        evo = path_of(pb.sequence, getVSfromAC(pb.A, hook.best));
        evo_found = true;
        return &evo;
    };
    Options exact_opt = opt;
    exact_opt.seconds = std::max(0.0, opt.seconds - seconds_since(t0));
    // The beam's path stays beside the exact search's tables.
    const std::size_t beam_bytes = path_bytes(pb.sequence.size(), beam.moves.size(), opt.keep_structures);
    exact_opt.memory_mib = opt.memory_mib - std::min(opt.memory_mib, beam_bytes >> 20);
    exact_opt.on_stall = [&](const PathResult& known) {
        return evolve(known, std::min(opt.seconds * kEvolutionShare, opt.seconds - seconds_since(t0)));
    };
    PathResult best = exact_path(pb, exact_opt, &beam);
    const int lower = best.lower_bound;
    const std::size_t states = best.states, bytes = best.peak_bytes + beam_bytes;
    const StopReason why = best.stop;
    // The rest of the budget (all of it when the exact search ended early, at its cap) goes to
    // the evolutionary search, where it fits the time and memory left (evolution_fits).
    // An evolutionary run may end by itself before its time: then another, from the best path.
    if (evo_found && evo.barrier < best.barrier) best = evo;
    while (!best.proved && !cancelled(opt) && (!wrote_files || seconds_since(t0) < opt.seconds - 1) &&
           evolution_fits(pb.sequence.size(), opt.seconds - seconds_since(t0), cf, opt.memory_mib)) {
        const double started = seconds_since(t0);
        evolve(best, opt.seconds - started);
        if (evo_found && evo.barrier < best.barrier) best = evo;
        best.proved = best.barrier == lower;
        if (seconds_since(t0) - started < 0.01) break;  // ends at once: no use repeating it
    }
    best.method = "auto";
    if (!opt.keep_structures) best.structures.resize(1);
    ZENTROLA_CHECK(lower <= best.barrier);  // a path below a proved bound: a wrong energy somewhere
    best.lower_bound = lower;
    best.proved = best.lower_bound == best.barrier;
    best.stop = best.proved ? StopReason::proved : cancelled(opt) ? StopReason::interrupted : why;
    best.states = states;
    best.peak_bytes = bytes;
    best.seconds = seconds_since(t0);
    return best;
}

}  // namespace methods
