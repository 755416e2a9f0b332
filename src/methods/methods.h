// Searches for the lowest-barrier folding path beside the evolutionary search: a beam search
// over direct paths, an exact best-first search over all secondary structures, and a
// combined method. Each is a plain function of the problem; none prints except the optional
// progress stream, none ends the process (errors are thrown as std::invalid_argument or
// std::runtime_error).
//
// Energies are integer dcal/mol (0.01 kcal/mol) inside; the *_kcal accessors convert.
// All energies come from the built-in nearest-neighbour model as configured (energy_choice():
// by default Turner 2004, dangles d1, 37 C).
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace methods {

// A folding problem: sequence (A, C, G, U, T, N; any case) and two balanced dot-bracket
// structures of its length whose hairpins have at least three unpaired bases.
struct Problem {
    std::string sequence;
    std::string A;
    std::string B;
};

// One step of a path: add or delete the pair (i, j), 0-based, i < j.
struct Move {
    bool add = false;
    int i = 0;
    int j = 0;
};

// Why a search ended: it proved the optimum, spent its time budget, reached its memory cap, or
// was interrupted (Options::cancel). A search that finishes without a proof (the beam search)
// reports `budget`.
enum class StopReason { proved, budget, memory, interrupted };
const char* stop_name(StopReason s);  // "proved", "budget", "memory", "interrupted"

struct PathResult {
    std::string method;                   // "direct", "exact" or "auto"
    std::vector<std::string> structures;  // A, then one structure per move, ending with B (A alone
                                          // when Options::keep_structures is false)
    std::vector<int> energies;            // dcal/mol, one per structure
    std::vector<Move> moves;
    int barrier = 0;             // dcal/mol: highest energy on the path minus E(A)
    int lower_bound = 0;         // dcal/mol: no path through the method's structures has a lower
                                 // barrier (for direct: no direct path)
    bool proved = false;         // the search proved lower_bound == barrier
    StopReason stop = StopReason::budget;
    double seconds = 0;          // wall time of the call
    std::size_t states = 0;      // structures stored by the exact search (0 for the others)
    std::size_t peak_bytes = 0;  // bytes the search's tables reached, with the paths and the program's
                                 // own bytes held beside them (counted against Options::memory_mib)

    double barrier_kcal() const { return barrier / 100.0; }
    double lower_bound_kcal() const { return lower_bound / 100.0; }
    // "optimal" when proved, else "bounded".
    const char* status() const { return proved ? "optimal" : "bounded"; }
};

struct Options {
    int width = 0;                     // beam width; 0: default_width() of each part's distance
    bool split = true;                 // the beam searches the parts between shared pairs apart
    double seconds = 60;               // time budget of exact and auto (> 0)
    std::size_t memory_mib = 4096;     // cap of the tables, the paths and the program's own bytes; a
                                       // cap below what the shortest path needs is an invalid_argument
    std::ostream* progress = nullptr;  // progress lines of the exact search, or none
    double progress_every = 3;         // seconds between progress lines
    // Set (from another thread or a signal handler) to stop the search at its next check; it
    // then returns the best path known with stop = interrupted. Null: never interrupted.
    const std::atomic<bool>* cancel = nullptr;
    int threads = 0;  // threads of the exact search; 0: all the machine has (results do not depend on it)
    // False: a result's `structures` holds A alone, the others follow from its moves (a long
    // path then takes a few bytes a step instead of one structure's length).
    bool keep_structures = true;
    // Called at most once by the exact search, in its own thread, when its lower bound has not
    // risen during the last half of the time spent (once a quarter of `seconds` is spent), with
    // the best path known; may return a path with a lower barrier (or null), which the search
    // then takes as its upper bound while it goes on. The pointer must stay valid until the
    // search returns. Empty: never called.
    std::function<const PathResult*(const PathResult& best)> on_stall;
};

// Checks the problem (throws std::invalid_argument with a one-line reason).
void check_problem(const Problem& pb);

// Beam search over direct paths: only pairs of A not in B are deleted and pairs of B not in
// A added. The problem is split at the pairs A and B share, each part searched by a beam of
// opt.width (default default_width(the part's distance)) from A and from B, and the parts' paths
// merged. Deterministic; once opt.seconds have passed (or opt.cancel is set) the beams finish
// keeping one partial path each. The lower bound is max(0, E(B) - E(A)); proved only when the
// barrier equals it.
PathResult direct_path(const Problem& pb, const Options& opt);

// The beam's default width for a base-pair distance d: 4 x d, at most 100.
int default_width(int distance);

// Best-first search over direct paths (the structures between A and B that keep their shared
// pairs and carry some of the pairs of A not in B and some of the pairs of B not in A), in
// increasing order of the highest energy met, never entering a structure at or above the
// barrier of `known` (a direct path from A to B; when null, direct_path supplies it). When it
// ends within opt.seconds and opt.memory_mib it proves the lowest barrier of any direct path;
// otherwise it reports the best direct path known and the proved lower bound on the barrier of
// every direct path. `lower_bound` and `proved` are about direct paths only.
PathResult direct_exact_path(const Problem& pb, const Options& opt, const PathResult* known = nullptr);

// Exact bottleneck search over all secondary structures (canonical pairs, hairpins of at
// least three unpaired bases, no crossing; pairs of A or B always allowed), starting from
// the upper bound `known` (a valid path from A to B, e.g. from direct_path) and never
// entering a structure at or above it. Stops when the optimum is proved, the budget of
// opt.seconds is spent, or the tables reach opt.memory_mib; then reports the best path
// known and the lower bound. When `known` is null a beam search supplies it.
PathResult exact_path(const Problem& pb, const Options& opt, const PathResult* known = nullptr);

// Energy of one structure of the problem's sequence (dcal/mol, built-in model as configured).
int structure_energy(const std::string& sequence, const std::string& structure);

// A path result for a given list of structures (consecutive ones one move apart), with its
// energies, moves and barrier; lower bound max(0, E(B) - E(A)), not proved.
PathResult path_of(const std::string& sequence, const std::vector<std::string>& structures);

}  // namespace methods
