// The fitness of a folding path: its barrier, mean energy and energy profile, with the
// run-wide cache of structure energies.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <unordered_map>

#include "model/chain.h"

// Dot-bracket structure -> free energy in kcal/mol. One per search; entries are never removed.
// A node-based map: inserting into a sparse hash map copies the neighbouring keys (long strings)
// each time, which cost a fifth of a search.
using EnergyCache = std::unordered_map<std::string, double, std::hash<std::string>, std::equal_to<std::string>>;

// Energies of the structures `vs` in order: cached ones from the cache, the others from one
// getVSEnergy batch (added to the cache when `fill_cache`).
std::vector<double> path_energies(const std::string& seq, const std::vector<std::string>& vs, EnergyCache& cache,
                                  const std::string& cmdprefix, bool fill_cache);

// Highest energy of a path minus its first.
double barrier_of(const std::vector<double>& ve);

// Fills `mde`, `avge` and `vde` of the chain and returns the barrier. Structures missing
// from the cache go to getVSEnergy in one batch and are added to the cache.
double getMDEfromAC(const std::string& seq, const std::string& start, ActionChain& in_ac, EnergyCache& cache,
                    const std::string& cmdprefix);

// getMDEfromAC on every chain in order; the barriers in chain order.
std::vector<double> getVMDEfromVAC(const std::string& seq, const std::string& start, std::vector<ActionChain>& vac,
                                   EnergyCache& cache, const std::string& cmdprefix);
