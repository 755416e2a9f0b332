// Energy change of one base-pair move (add or delete one pair), from the loops the move
// touches only: the loop a new pair splits, or the two loops a deleted pair merges.
// Integers of dcal/mol throughout; equal to the difference of two energy_dcal values.
//
// Structures are partner tables: pt.size() == sequence length, 0-based, pt[k] is the
// partner of k or -1.
#pragma once

#include <cstdint>
#include <vector>

#include "nnmodel/nnmodel.h"

namespace nnmodel {

// Energy change in dcal/mol of one base-pair move on the structure given by its partner table
// (pt.size() == sequence length, 0-based, pt[k] = partner of k or -1): adds (i,j) when both are
// unpaired, deletes it when pt[i] == j. Equals energy_dcal(after) - energy_dcal(before) exactly,
// for dangles 0, 1, 2, computed from the loops the move touches only. i < j. Caller guarantees
// the move is valid (no crossing).
//
// Local sums are exact only while no partial sum of loop energies can reach the INF sentinel;
// otherwise both structures are evaluated in full (see MoveModel). With the compiled-in set
// (&p == &turner2004()) the local route is taken; any other set is evaluated in full unless
// prepared once with prepare_moves.
// Throws std::invalid_argument for a table of the wrong size, dangles outside 0..2, i >= j or
// out of range, a pair that is neither addable nor present, or a new pair that crosses one.
int move_delta(const ParamSet& p, const EncodedSequence& s, const std::vector<int>& pt, int i, int j, int dangles);

// Full energy from a partner table (same value as energy_dcal of the dot-bracket string).
// Throws std::invalid_argument for a table of the wrong size or one that is not a set of
// non-crossing pairs.
int energy_dcal_pt(const ParamSet& p, const EncodedSequence& s, const std::vector<int>& pt, int dangles);

// A parameter set prepared for move energies. The sum of the loop energies of any structure
// without a hairpin of fewer than 3 unpaired bases is at most
//   (n/2 + 1) * (pair_bound + growth(n)) + n * base_bound
// in magnitude (n the sequence length, growth the extrapolation of loop lengths beyond 30).
// While that stays below INF, partial sums never meet the sentinel, totals print as their own
// digits, and move_delta adds loop energies locally; otherwise, and whenever either structure
// holds a pair (k,l) with l - k <= 3, it evaluates both structures in full. A set with INF in
// a table a loop can reach (other than the hairpins of fewer than 3 bases) is always
// evaluated in full.
// `params` is borrowed: the set must outlive the model and stay unchanged.
struct MoveModel {
    const ParamSet* params = nullptr;
    int64_t pair_bound = 0;  // dcal/mol per pair: the loop it closes and its term as a branch
    int64_t base_bound = 0;  // dcal/mol per base: unpaired multiloop bases, negative asymmetry
    int max_length = 0;      // longest sequence for which the bound stays below INF
};

// Scans every table of p once (about as long as a few full evaluations).
MoveModel prepare_moves(const ParamSet& p);

// move_delta with a prepared set: the local route for any set whose bound allows it.
int move_delta(const MoveModel& m, const EncodedSequence& s, const std::vector<int>& pt, int i, int j, int dangles);

}  // namespace nnmodel
