// Offspring accounting: how many offspring each operator family may make per individual.
#pragma once

#include <vector>

#include "model/chain.h"
#include "search/config.h"

// Number of strategy ids that are counted (0 to 16).
const int kStrategyIds = 17;

// Strategy id of each allotment position, in the order reproduce() takes them.
const int kAllotmentIds[9] = {1, 2, 4, 5, 6, 7, 8, 10, 9};

// The 17 strategy counts of a population.
std::vector<int> count_strategy(const std::vector<ActionChain>& vac);

// Nine offspring numbers, in the order of kAllotmentIds.
struct Allotment {
    int n[9];
};

// Start values for a population of `popsize` chains.
Allotment initial_allotment(int popsize, const SearchConfig& cf);
// New allotment after generation `g` from the strategy counts of the new population.
Allotment update_allotment(const Allotment& used, const std::vector<int>& cnt, int g, const SearchConfig& cf);
