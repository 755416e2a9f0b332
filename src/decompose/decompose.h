// Splitting a folding problem at the base pairs its two structures share, and merging paths of
// the parts into one path.
//
// A pair that A and B share stays in every structure of a direct path. Every loop of such a
// structure then lies in one region: the exterior (positions outside every shared pair) or the
// inside of one shared pair (positions enclosed by it and by no shared pair nested in it). A
// loop's energy depends only on the bases and pairs of its region (a nested shared pair is a
// fixed branch of it), so the energy of a structure is the sum of one energy per region, each
// depending only on the region's own moves. A part is a region with at least one move, written
// as a problem of its own: its positions, the shared pair around it as the outermost pair, and
// every shared pair nested directly in it closed around three unknown bases ("NNN"). A part's
// energies differ from its region's by a constant.
//
// Energies here are plain integers (dcal/mol where they come from the methods).
#pragma once

#include <string>
#include <vector>

namespace decompose {

struct Part {
    std::string sequence;  // the region's bases, nested shared pairs closed around "NNN"
    std::string A, B;      // the two structures restricted to the part
    std::vector<int> at;   // position in the part -> position in the whole problem (-1: an N)
};

// The parts of the problem (sequence, A, B: same length, balanced dot-bracket), outermost
// region first, then in order of the shared pair's 5' position. Regions without moves are left
// out; with no shared pair the one part is the whole problem.
std::vector<Part> split(const std::string& sequence, const std::string& A, const std::string& B);

// An order of the steps of several paths: merged[k] is the path whose next step is taken at
// step k. `energies[p]` holds the energy of path p's structures (its start first, so one more
// than its steps); the energy of a merged structure is the sum of the parts' energies.
//
// merge_two: the order of two paths whose highest summed energy is lowest (exact; dynamic
// programming over the two step indices, ties to the lower sum of energies on the way).
std::vector<int> merge_two(const std::vector<int>& e0, const std::vector<int>& e1);
// merge: any number of paths, merged pairwise (each into the merge of those before it).
std::vector<int> merge(const std::vector<std::vector<int>>& energies);
// merge_exact: the lowest highest summed energy over every order (dynamic programming over
// all step indices at once; the product of the paths' lengths must stay small).
int merge_exact(const std::vector<std::vector<int>>& energies);
// The highest summed energy of the structures along a merged order.
int merged_peak(const std::vector<std::vector<int>>& energies, const std::vector<int>& order);

}  // namespace decompose
