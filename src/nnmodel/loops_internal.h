// Loop energies shared by the full evaluation (eval.cpp) and the move energies (move.cpp),
// so that each loop formula exists once. Positions are 1-based; energies in dcal/mol.
#pragma once

#include "nnmodel/nnmodel.h"

namespace nnmodel {
namespace detail {

// A pair (p,q), p < q, 1-based.
struct Stem {
    int p, q;
};

// Energy of the loop closed by (i,j) whose branches are br[0..m) in 5'->3' order: a hairpin
// (m == 0), an interior loop (m == 1) or a multiloop; i == 0 means the exterior loop, whose
// stems are br[0..m). The same value energy_dcal adds for that loop; no warnings. A hairpin
// with fewer than 3 unpaired bases gives the table's sentinel.
int loop_energy(const ParamSet& p, const EncodedSequence& s, int i, int j, const Stem* br, int m, int dangles);

// Growth of a loop's energy from length 30 to `length` (0 up to 30), as the length tables are
// extrapolated.
int loop_growth(const ParamSet& p, int length);

}  // namespace detail
}  // namespace nnmodel
