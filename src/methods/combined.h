// The combined method: a beam search over direct paths, then the exact search within the
// budget, then, when the optimum is not proved, the evolutionary search seeded with the paths
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

// Share of the budget the exact search may use before the evolutionary search takes over; it
// hands over earlier when its lower bound stalls (Options::stop_when_stalled).
constexpr double kExactShare = 0.85;

// The best path of the three searches, with the exact search's lower bound. The evolutionary
// part draws from the program's random stream (seed it first) and uses the built-in model
// whatever `cf` names; it ends at the first generation boundary past the budget. `wrote_files`
// tells whether it ran (and so wrote the files).
PathResult combined_path(const Problem& pb, const Options& opt, const SearchConfig& cf, const EvolutionFiles& files,
                         bool& wrote_files);

}  // namespace methods
