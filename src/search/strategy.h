// Offspring accounting: how many offspring each operator family may make per individual.
#pragma once

#include <vector>

#include "model/chain.h"
#include "search/config.h"

// The 17 strategy counts of a population.
std::vector<int> count_strategy(const std::vector<ActionChain>& vac);

// Nine offspring numbers, indexed by AllotmentSlot (model/chain.h).
struct Allotment {
    int n[kAllotmentSlots];
};

// Start values for a population of `popsize` chains.
Allotment initial_allotment(int popsize, const SearchConfig& cf);
// New allotment after generation `g` from the strategy counts of the new population.
Allotment update_allotment(const Allotment& used, const std::vector<int>& cnt, int g, const SearchConfig& cf);
