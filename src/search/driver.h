// The evolutionary search from A to B.
#pragma once

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

// Runs the whole search and writes the result file, the log file and, when asked, the
// generation files. Returns the best path found, in the coordinates of the problem, with
// the energies (kcal/mol) the search used.
pathout::Path GenericAlgorithm(RPath p, const std::string& outfile, const std::string& logfile,
                               const std::string& outdir, const SearchConfig& cf);
