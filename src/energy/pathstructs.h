// Structures along a folding path, as dot-bracket strings, and the tolerant
// comparison of energies.
#pragma once

#include <string>
#include <vector>

#include "model/chain.h"

// Two energies closer than this are the same.
const double precision = 1e-6;

// True when x and y differ by at most `precision` (inclusive).
bool eq(double x, double y);

// `s` with one move applied. Throws FatalError when a deletion does not find its brackets.
std::string getSfromAC(const std::string& s, const Action& in_a);

// The start structure followed by the structure after each move of the chain.
std::vector<std::string> getVSfromAC(const std::string& s, const ActionChain& ac);
