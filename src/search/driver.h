// The evolutionary search from A to B.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "model/chain.h"
#include "model/problem.h"
#include "pathout/pathout.h"
#include "search/config.h"

struct Population {
    std::vector<ActionChain> vac;

    Population() {}
};

// Lower barrier first, then lower mean energy; energies within `precision` count as equal.
bool ascendingsortAC(const ActionChain& x, const ActionChain& y);

// Sorts with ascendingsortAC. A merge sort: it stays within the list and ends for any
// comparator, also where the tolerance makes the comparison intransitive.
void rank_chains(std::vector<ActionChain>& vac);

// The chains carried into the next pool: the best PRESERVETOPNUM, then PRESERVERANNUM random
// picks among the others (none when the best ones are all there is).
std::vector<ActionChain> carry_over(const std::vector<ActionChain>& vac, const SearchConfig& cf);

void copy_AC_de(const ActionChain& src, ActionChain& dst);
void copy_VAC_de(const std::vector<ActionChain>& vac_src, std::vector<ActionChain>& vac_dst);

// What another method hands to a run of the search, and what it gets back.
struct SearchHook {
    std::vector<ActionChain> seeds;  // extra chains of generation 0, full coordinates; chains that
                                     // touch a trimmed helix are left out
    double seconds = 0;              // > 0: stop once this many seconds have passed (checked after each
                                     // parent bred; the generation then ends with the parents bred so far)
    const std::atomic<bool>* cancel = nullptr;  // set (by a signal handler or another thread): stop
                                                // as at the end of the time
    ActionChain best;                // out: the best chain found (full coordinates); empty if none
    double best_barrier = OOENERGY;  // out: its barrier, kcal/mol
};

// Runs the whole search and writes the result file, the log file and, when asked, the
// generation files. Without a hook the run is exactly the plain search. Returns the best path
// found, in the coordinates of the problem, with the energies (kcal/mol) the search used.
pathout::Path GenericAlgorithm(RPath p, const std::string& outfile, const std::string& logfile,
                               const std::string& outdir, const SearchConfig& cf, SearchHook* hook = nullptr);
