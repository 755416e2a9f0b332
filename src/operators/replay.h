// Fast replay of move lists on a position -> partner table, giving the same
// answers as the RStruct clash tests for pairs written with lp < rp.
#pragma once

#include <string>
#include <vector>

#include "model/chain.h"
#include "model/structure.h"

// Partner of every position of a balanced dot-bracket string, -1 when unpaired.
std::vector<int> partner_table(const std::string& s);

// True when the pair bp (lp < rp, both inside the table) cannot be added to the
// structure: one of its bases is paired or it crosses a present pair.
bool add_clashes(const std::vector<int>& partner, const BP& bp);

// Innermost pair enclosing each position, named by its left end (-1 outside every pair).
// Two unpaired positions i < j can pair without crossing exactly when their entries agree.
std::vector<int> loop_table(const std::vector<int>& partner);

// True when the moves cannot be replayed from the structure `start`: the same answer
// as RStruct(start).checkclash(c) for a chain c holding the moves `va`.
bool replay_clashes(const std::string& start, const std::vector<Action>& va);

// Structure along a path: the RStruct (whose list orders the operators follow) and a
// partner table beside it for constant-time look-ups.
struct PathStructure {
    RStruct rs;
    std::vector<int> partner;

    explicit PathStructure(const std::string& s);
    // Applies one move that is known to apply.
    void apply(const Action& x);
};
