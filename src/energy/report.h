// Readable form of one folding path: barrier, sequence, every structure with its energy.
#pragma once

#include <ostream>
#include <string>

#include "energy/barrier.h"
#include "model/chain.h"

// Energies come from the cache; missing ones are evaluated in one batch but not cached.
// Throws FatalError when `out` is not in a good state.
void visualize_Path(std::ostream& out, const std::string& seq, const std::string& start, const ActionChain& ac,
                    EnergyCache& cache, const std::string& cmdprefix);
