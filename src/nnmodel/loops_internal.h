// Loop energies shared by the full evaluation (eval.cpp) and the move energies (move.cpp),
// so that each loop formula exists once. Positions are 1-based; energies in dcal/mol.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "nnmodel/nnmodel.h"

namespace nnmodel {
namespace detail {

// Pair type of (code of 5' base, code of 3' base): CG 1, GC 2, GU 3, UG 4, AU 5, UA 6, else 7.
constexpr int8_t kPairType[kBaseSlots][kBaseSlots] = {
    /*       N  A  C  G  U */
    /* N */ {7, 7, 7, 7, 7},
    /* A */ {7, 7, 7, 7, 5},
    /* C */ {7, 7, 7, 1, 7},
    /* G */ {7, 7, 2, 7, 3},
    /* U */ {7, 6, 7, 4, 7},
};

inline int pair_type(int a, int b) { return kPairType[a][b]; }

// Terminal AU/GU penalty of a helix end of type t (dcal/mol).
inline int terminal_au(const ParamSet& p, int t) { return p.terminal_au & -(t > 2); }

// Energy of a loop of the given length from its length table: tabulated up to 30, then
// the value at 30 plus trunc(lxc * ln(length / 30)) (tabulated in the set for the lengths
// that occur in practice: std::log costs more than a whole loop).
inline int loop_length_energy(const ParamSet& P, const int* table, int length) {
    if (length <= kMaxLoop) return table[length];
    const int growth = length < kGrowthLengths
                           ? P.loop_growth[length]
                           : static_cast<int>(P.lxc * std::log(static_cast<double>(length) / kMaxLoop));
    return table[kMaxLoop] + growth;
}

inline bool special_hairpin(const std::vector<SpecialHairpin>& list, const char* loop, std::size_t len, int& energy) {
    for (const SpecialHairpin& h : list) {
        if (h.loop.size() == len && h.loop[0] == loop[0] && std::memcmp(h.loop.data(), loop, len) == 0) {
            energy = h.energy;
            return true;
        }
    }
    return false;
}

// Hairpin closed by (i,j) (1-based; S: codes, letters: the letters from position 1 on), the
// sentinel of the table for fewer than 3 unpaired bases.
__attribute__((always_inline)) inline int hairpin_energy(const ParamSet& P, const int8_t* S, const char* letters, int i, int j) {
    const int u = j - i - 1;
    const int t = pair_type(S[i], S[j]);
    if (u < 3) return P.hairpin[u];
    const char* loop = letters + (i - 1);
    int e = 0;
    if (u == 3) {
        if (special_hairpin(P.triloops, loop, 5, e)) return e;
        return P.hairpin[3] + terminal_au(P, t);
    }
    if (u == 4 && special_hairpin(P.tetraloops, loop, 6, e)) return e;
    if (u == 6 && special_hairpin(P.hexaloops, loop, 8, e)) return e;
    return loop_length_energy(P, P.hairpin, u) + P.mismatch_hairpin[t][S[i + 1]][S[j - 1]];
}

// Interior loop, bulge or stacked pair closed by (i,j) with the inner pair (k,l) (1-based).
__attribute__((always_inline)) inline int interior_energy(const ParamSet& P, const int8_t* S, int i, int j, int k, int l) {
    const int t1 = pair_type(S[i], S[j]);
    const int t2 = pair_type(S[l], S[k]);
    const int n1 = k - i - 1;
    const int n2 = j - l - 1;
    if (n1 == 0 && n2 == 0) return P.stack[t1][t2];
    const int nl = std::max(n1, n2);
    const int ns = std::min(n1, n2);
    if (ns == 0) {
        if (nl == 1) return P.bulge[1] + P.stack[t1][t2];
        return loop_length_energy(P, P.bulge, nl) + terminal_au(P, t1) + terminal_au(P, t2);
    }
    const int a = S[i + 1], b = S[j - 1], c = S[k - 1], d = S[l + 1];
    if (ns == 1) {
        if (nl == 1) return P.int11[t1][t2][a][b];
        if (nl == 2) {
            if (n1 == 1) return P.int21[t1][t2][a][d][b];
            return P.int21[t2][t1][d][a][c];
        }
        return loop_length_energy(P, P.interior, nl + 1) + std::min(P.max_ninio, (nl - 1) * P.ninio) +
               P.mismatch_interior_1n[t1][a][b] + P.mismatch_interior_1n[t2][d][c];
    }
    if (ns == 2) {
        if (nl == 2) return P.int22[t1][t2][a][c][d][b];
        if (nl == 3) {
            return P.interior[5] + P.ninio + P.mismatch_interior_23[t1][a][b] + P.mismatch_interior_23[t2][d][c];
        }
    }
    return loop_length_energy(P, P.interior, n1 + n2) + std::min(P.max_ninio, (nl - ns) * P.ninio) +
           P.mismatch_interior[t1][a][b] + P.mismatch_interior[t2][d][c];
}

// Larger than any sum of contact energies, small enough never to overflow when added to.
constexpr int kNever = 1 << 29;

// d1 contact energies of one stem (dcal/mol): c[f5][f3] for using its 5'/3' neighbour.
struct Contact {
    int c00, c01, c10, c11;
};
inline Contact contact(const ParamSet& P, const int (*mm)[kBaseSlots][kBaseSlots], int t, int x, int y, bool avail5,
                       bool avail3) {
    Contact c;
    c.c00 = 0;
    c.c10 = avail5 ? P.dangle5[t][x] : 0;
    c.c01 = avail3 ? P.dangle3[t][y] : 0;
    c.c11 = (avail5 && avail3) ? mm[t][x][y] : (avail5 ? c.c10 : c.c01);
    return c;
}

// One stem of a d1 line scan over the stems of a loop. free/taken: best totals given the
// previous stem does not / does use its 3' neighbour; shared: the two stems are one base apart.
// In the exterior loop (keep_shared) a nucleotide shared by two stems always goes to one of
// them, as RNAeval has it; "neither" only matters when a mismatch is less favourable than the
// 5' dangle alone, as rescaled tables can have. After a link that is not shared only
// min(free, taken) matters, so a scan splits into independent runs there.
inline void step(int& free, int& taken, const Contact& c, bool shared, bool keep_shared = false) {
    const int m = std::min(free, taken);
    int nt, nf;
    if (shared) {
        const int unused = keep_shared ? taken : m;  // previous stem left it
        nt = std::min(unused + c.c01, free + c.c11);
        nf = std::min(unused + c.c00, free + c.c10);
    } else {
        nt = m + std::min(c.c01, c.c11);
        nf = m + std::min(c.c00, c.c10);
    }
    free = std::min(nf, kNever);
    taken = std::min(nt, kNever);
}

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
