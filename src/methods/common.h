// Helpers shared by the methods (not part of the folder's public header).
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "energy/evaluator.h"
#include "methods/loop_moves.h"
#include "methods/methods.h"
#include "nnmodel/nnmodel.h"

namespace methods {

// The built-in model as configured (DANGLES, ENERGYPARAMS, TEMPERATURE; by default Turner 2004,
// d1, 37 C), the same choice the evolutionary search evaluates with.
inline const nnmodel::ParamSet& model_params() { return energy_params(); }
inline int model_dangles() { return energy_choice().dangles; }

// The problem prepared once: encoded sequence, partner tables and end energies (dcal/mol), and
// the model read once in the calling thread (worker threads use these, never model_params()).
struct Prepared {
    const nnmodel::ParamSet* params = nullptr;
    int dangles = 1;
    nnmodel::EncodedSequence seq;
    PairTable ptA, ptB;
    int EA = 0, EB = 0;
    int bpdist = 0;
};
Prepared prepare(const Problem& pb);

// Pairs (i, j), i < j, of `a` that `b` lacks.
std::vector<Move> pairs_missing(const PairTable& a, const PairTable& b);

// Fills structures (A alone unless `keep`), energies and barrier of `r` by replaying r.moves
// from A; every energy is a whole evaluation of its structure.
void replay(const Problem& pb, const Prepared& pr, PathResult& r, bool keep = true);

// Energies (dcal/mol) of A and of the structure after each move, from the moves' energy changes
// or, where those would evaluate two whole structures (sequences longer than
// nnmodel::MoveModel::max_length), from one whole evaluation per structure.
std::vector<int> path_energies(const Prepared& pr, const std::vector<Move>& moves);

// Bytes a path of `steps` moves on n bases holds as a PathResult (its moves, energies and
// structures, or A alone unless `keep`), and the bytes of the program itself (code, parameters,
// threads' stacks and arenas: about 6 MiB resident for one thread on a short problem, 12 with
// the exact search's threads).
std::size_t path_bytes(std::size_t n, std::size_t steps, bool keep);
constexpr std::size_t kBaseBytes = std::size_t{12} << 20;
// Seconds per byte of a path's structures (as text) the caller may take to check and write it
// after the search (a whole evaluation and a few lines of output per structure).
constexpr double kSecondsPerPathByte = 2e-8;
// Those seconds for the shortest path of `pb` (one move per pair of A or B not in both).
double path_write_seconds(const Problem& pb);
// Throws std::invalid_argument when opt.memory_mib cannot hold even the shortest path of the
// problem (one move per pair of A or B not in both) beside kBaseBytes.
void check_memory_floor(const Prepared& pr, const Options& opt);

// Options::cancel is set: the search should stop at this check.
bool cancelled(const Options& opt);

double seconds_since(std::chrono::steady_clock::time_point t0);

// Share of the time budget direct_path's beam may spend on rounds of doubled widths; the beam
// alone (direct_beam) with another share. Above kProofDistance moves the proof of the best direct
// path is out of reach in practice: -m direct then leaves almost the whole budget to the beam.
constexpr double kBeamShare = 0.5;
constexpr int kProofDistance = 100;
PathResult direct_beam(const Problem& pb, const Options& opt, double share);

}  // namespace methods
