// The combined method: a beam search over direct paths (a quarter of the budget; above
// kProofDistance moves half, or 85 % where the evolutionary search would not fit in the rest),
// then the exact search within the budget, then, when the optimum is not proved, the evolutionary search seeded with the paths
// found so far until the budget ends. Energies in dcal/mol as in methods.h.
#pragma once

#include <string>

#include "methods/methods.h"
#include "search/config.h"

namespace methods {

// Where the evolutionary part writes its result and log files (and generation files when the
// configuration asks), as the plain evolutionary search does.
struct EvolutionFiles {
    std::string outfile;
    std::string logfile;
    std::string outdir;  // ends with '/'
};

// Share of the budget the evolutionary search gets when the exact search's lower bound stalls
// (Options::on_stall); the exact search then goes on with the better path as its bound.
constexpr double kEvolutionShare = 0.5;

// The best path of the three searches, with the exact search's lower bound. The exact search has
// the budget; when its bound stalls it pauses for the evolutionary search (kEvolutionShare of
// the budget), and when it ends without a proof before the budget, the evolutionary search takes
// the rest (run again from the best path while it ends early). The evolutionary
// part draws from the program's random stream (seed it first) and uses the built-in model
// whatever `cf` names; it stops after the parent being bred once the budget is spent, and does not
// run where its tables would not fit the memory cap or the time left. `wrote_files` tells whether
// it ran (and so wrote the files).
PathResult combined_path(const Problem& pb, const Options& opt, const SearchConfig& cf, const EvolutionFiles& files,
                         bool& wrote_files);

}  // namespace methods
