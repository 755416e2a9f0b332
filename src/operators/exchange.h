// Swapping two actions of a path.
#pragma once

#include <vector>

#include "model/chain.h"

// True when actions i and j may not be swapped: they share a position, or an action
// strictly between them (i < k < j) shares a position with either of them.
bool exchange_conflict(const std::vector<Action>& va, const int& i, const int& j);

// Swaps actions i and j in place.
void make_exchange(std::vector<Action>& va, const int& i, const int& j);
