// Fast structure look-ups shared by the operators: partner and loop tables, the shares-a-base
// and crossing tests, and replaying a path (to its end or to a step). They give the same
// answers as the RStruct clash tests for pairs written with lp < rp. Positions are 0-based.
#pragma once

#include <string>
#include <vector>

#include "model/chain.h"
#include "model/structure.h"

// Partner of every position of a balanced dot-bracket string, -1 when unpaired.
std::vector<int> partner_table(const std::string& s);
// The same for a structure (what pairwithwhich answers, in constant time); long enough for
// every pair of its list.
std::vector<int> partner_table(const RStruct& rs);

// Partner of position p, -1 when unpaired or outside the table.
inline int partner_at(const std::vector<int>& partner, int p) {
    return p >= 0 && p < static_cast<int>(partner.size()) ? partner[p] : -1;
}

// True when the two pairs have a base in common.
inline bool shares_base(const BP& x, const BP& y) {
    return x.lp == y.lp || x.lp == y.rp || x.rp == y.lp || x.rp == y.rp;
}

// True when exactly one end of b lies strictly inside c and the other outside c.
inline bool crosses(const BP& b, const BP& c) {
    auto inside = [&](int q) { return c.lp < q && q < c.rp; };
    auto outside = [&](int q) { return q < c.lp || q > c.rp; };
    return (inside(b.lp) && outside(b.rp)) || (inside(b.rp) && outside(b.lp));
}

// True when move x stands in the way of the pair bp: an addition that shares a base with it or
// crosses it, a deletion that shares a base with it.
inline bool move_blocks(const Action& x, const BP& bp) {
    return x.a == add ? x.b.conflictwithBP(bp) : shares_base(x.b, bp);
}

// True when the pair bp (lp < rp, both inside the table) cannot be added to the
// structure: one of its bases is paired or it crosses a present pair.
bool add_clashes(const std::vector<int>& partner, const BP& bp);

// Innermost pair enclosing each position, named by its left end (-1 outside every pair).
// Two unpaired positions i < j can pair without crossing exactly when their entries agree.
std::vector<int> loop_table(const std::vector<int>& partner);

// True when the moves cannot be replayed from the structure `start`: the same answer
// as RStruct(start).checkclash(c) for a chain c holding the moves `va`.
bool replay_clashes(const std::string& start, const std::vector<Action>& va);

// The structure before step `step` of the moves `va`, replayed from `start`.
RStruct structure_at(const std::string& start, const std::vector<Action>& va, int step);

// Structure along a path: the RStruct (whose list orders the operators follow) and a
// partner table beside it for constant-time look-ups.
struct PathStructure {
    RStruct rs;
    std::vector<int> partner;

    explicit PathStructure(const std::string& s);
    // Applies one move that is known to apply.
    void apply(const Action& x);
};
