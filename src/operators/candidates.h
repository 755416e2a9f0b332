// The candidate draw shared by the operators that first collect candidate offspring over the
// whole parent and then keep a few of them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "model/chain.h"
#include "random/random_stream.h"

// Repeats while fewer than n offspring are accepted and candidates remain: draws
// r = myrand(number of remaining candidates), removes candidate r from the list (the others
// keep their order) and, when it replays from the structure A without a clash, sets its
// strategy and appends it to the result. Rejected draws do not count. One next_random() draw per
// iteration; returns the accepted chains in the order drawn.
std::vector<ActionChain> draw_candidates(std::vector<ActionChain> candidates, const std::string& A, const int& n,
                                         const int& strategy);

// The same draw over `count` candidates that are built only when drawn: make(k) returns
// candidate k of the original list (0 <= k < count). Draws and results are identical to the
// vector form given the list make(0), ..., make(count - 1).
std::vector<ActionChain> draw_candidates(const int& count, const std::function<ActionChain(int)>& make,
                                         const std::string& A, const int& n, const int& strategy);
