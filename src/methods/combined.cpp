#include "methods/combined.h"

#include <algorithm>

#include "energy/pathstructs.h"
#include "methods/common.h"
#include "search/driver.h"

namespace methods {
namespace {

ActionChain chain_of(const PathResult& r) {
    ActionChain ac;
    for (const Move& m : r.moves) ac.push_back(m.add ? add : del, m.i, m.j);
    return ac;
}

}  // namespace

PathResult combined_path(const Problem& pb, const Options& opt, const SearchConfig& cf, const EvolutionFiles& files,
                         bool& wrote_files) {
    const auto t0 = std::chrono::steady_clock::now();
    wrote_files = false;
    const PathResult beam = direct_path(pb, opt);
    Options exact_opt = opt;
    exact_opt.seconds = std::max(0.0, opt.seconds * kExactShare - seconds_since(t0));
    exact_opt.stop_when_stalled = true;
    PathResult best = exact_path(pb, exact_opt, &beam);
    const int lower = best.lower_bound;
    const std::size_t states = best.states, bytes = best.peak_bytes;
    if (!best.proved) {
        SearchHook hook;
        hook.seeds.push_back(chain_of(beam));
        if (best.moves.size() != beam.moves.size() || best.barrier != beam.barrier)
            hook.seeds.push_back(chain_of(best));
        hook.seconds = std::max(1e-9, opt.seconds - seconds_since(t0));
        SearchConfig builtin = cf;
        builtin.RNAevalCmd.clear();
        GenericAlgorithm(RPath(pb.sequence, pb.A, pb.B), files.outfile, files.logfile, files.outdir, builtin, &hook);
        wrote_files = true;
        if (!hook.best.va.empty()) {
            PathResult evo = path_of(pb.sequence, getVSfromAC(pb.A, hook.best));
            if (evo.barrier < best.barrier) best = evo;
        }
    }
    best.method = "auto";
    best.lower_bound = std::min(lower, best.barrier);
    best.proved = best.lower_bound == best.barrier;
    if (best.proved) best.stop = StopReason::proved;
    best.states = states;
    best.peak_bytes = bytes;
    best.seconds = seconds_since(t0);
    return best;
}

}  // namespace methods
