// Energy changes of single base-pair moves, computed on the loops a move touches only.
// Energies in integer dcal/mol; positions 0-based.
#pragma once

#include <string>
#include <vector>

#include "nnmodel/nnmodel.h"

namespace methods {

// pt[k]: partner of position k, -1 when unpaired.
using PairTable = std::vector<int>;

// Partner table of a balanced dot-bracket string.
PairTable pair_table(const std::string& db);

// Energy change of toggling the pair (i, j), i < j: added when both are unpaired (the pair
// must not cross pt), deleted when pt[i] == j. The one place the methods take single move
// energies from (nnmodel::move_delta).
int move_delta(const nnmodel::ParamSet& p, const nnmodel::EncodedSequence& s, const std::vector<int>& pt, int i, int j,
               int dangles);

// One loop of a structure reduced to what moves inside it see: its unpaired bases in order
// and each of its branches shrunk to the branch's closing pair around three unknown bases.
// A branch's inside is the same before and after any move in the loop, so it cancels from
// every difference of two energies of one build. Not thread-safe (the evaluator's scratch
// is per thread; one object per thread).
class ReducedLoop {
public:
    // The loop closed by (p, pt[p]), or the exterior loop when p < 0. `open` names one
    // branch (its 5' position) whose own loop is kept too, so that its deletion can be
    // evaluated; -1 for none.
    void build(const nnmodel::EncodedSequence& s, const PairTable& pt, int p, int open);
    // Energy of the reduced loop as built (dcal/mol, up to a constant of the build).
    int energy(const nnmodel::ParamSet& par, int dangles) const;
    // Same with the pair (i, j) toggled (original positions; added when both are unpaired
    // in the build, removed when it is the open branch).
    int energy_toggled(const nnmodel::ParamSet& par, int dangles, int i, int j);
    // Unpaired positions of the loop (original positions, increasing), after build().
    const std::vector<int>& unpaired() const { return unpaired_; }

private:
    void emit(const nnmodel::EncodedSequence& s, int k, char c);
    void emit_inside(const nnmodel::EncodedSequence& s, const PairTable& pt, int from, int to, int open, bool record);

    nnmodel::EncodedSequence red_;
    std::string db_;
    std::vector<int> index_;  // original position -> reduced position (valid for emitted ones)
    std::vector<int> unpaired_;
};

// Closing position (5') of the loop that contains position k as an unpaired base or as the
// 5' end of one of its branches; -1 for the exterior loop.
int enclosing_pair(const PairTable& pt, int k);

}  // namespace methods
