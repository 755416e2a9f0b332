// Move energies. Adding (i,j) to the loop L that holds i and j splits L into the loop closed
// by (i,j) (the branches of L between i and j) and L with those branches replaced by (i,j);
// deleting (i,j) merges the two back. Every other loop keeps its energy, so the change is
//   E(loop closed by (i,j)) + E(L with (i,j)) - E(L without (i,j))
// as long as the total is a plain sum of loop energies, which the bound of MoveModel checks.
// The loop energies come from the routines of the full evaluation (loops_internal.h).
#include "nnmodel/move.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "nnmodel/loops_internal.h"

namespace nnmodel {
namespace {

using detail::Stem;

struct MoveWork {
    std::vector<Stem> inner, with, without;  // branch lists of the loops a move touches
    std::vector<int> after;                  // the structure after a move, for the full route
    std::vector<int> open;                   // stack of energy_dcal_pt's check
    std::string db;
};

MoveWork& work() {
    thread_local MoveWork w;
    return w;
}

int64_t mag(int64_t v) { return v < 0 ? -v : v; }

int64_t max_abs(const int* a, std::size_t count) {
    int64_t m = 0;
    for (std::size_t k = 0; k < count; ++k) m = std::max(m, mag(a[k]));
    return m;
}

// Largest magnitude over the slots a loop can reach: pair-axis slot 0 never is.
template <typename Table>
int64_t pair_table_max(const Table& t) {
    return max_abs(reinterpret_cast<const int*>(&t[1]), (kPairSlots - 1) * (sizeof(t[0]) / sizeof(int)));
}
template <typename Table>
int64_t two_pair_table_max(const Table& t) {
    int64_t m = 0;
    for (int a = 1; a < kPairSlots; ++a) m = std::max(m, pair_table_max(t[a]));
    return m;
}

int64_t special_max(const std::vector<SpecialHairpin>& list) {
    int64_t m = 0;
    for (const SpecialHairpin& h : list) m = std::max(m, mag(h.energy));
    return m;
}

// Eight partner entries at a time; the avx2 clones take them in one register.
typedef int Lanes __attribute__((vector_size(32)));

// Loads and tests go through memcpy, so that no function passes a vector across the
// boundary between the avx2 clones and the default code.
#define LOAD_LANES(v, p) std::memcpy(&(v), (p), sizeof(Lanes))

inline bool any_lane(const Lanes* m) {
    uint64_t w[4];
    std::memcpy(w, m, sizeof w);
    return (w[0] | w[1] | w[2] | w[3]) != 0;
}

// True when a pair (k,l) with l - k <= 3 is present: it closes, or holds, a hairpin of fewer
// than 3 unpaired bases. (0-based)
__attribute__((target_clones("avx2", "default"))) bool has_short_pair(const int* pt, int n) {
    typedef unsigned ULanes __attribute__((vector_size(32)));
    const ULanes next = {1, 2, 3, 4, 5, 6, 7, 8};
    ULanes low = ~ULanes{}, low2 = ~ULanes{};  // smallest partner - position - 1, unsigned
    unsigned least = ~0u;
    if (n < 16) {
        for (int k = 0; k < n; ++k) least = std::min(least, static_cast<unsigned>(pt[k] - k - 1));
        return least < 3u;
    }
    ULanes at = next, at2 = next + 8u;
    int k = 0;
    for (;;) {
        ULanes x, y;
        LOAD_LANES(x, pt + k);
        LOAD_LANES(y, pt + k + 8);
        x -= at;
        y -= at2;
        low = x < low ? x : low;
        low2 = y < low2 ? y : low2;
        k += 16;
        if (k + 16 <= n) {
            at += 16u;
            at2 += 16u;
        } else if (k < n) {  // the last block overlaps the one before
            const unsigned step = static_cast<unsigned>(n - k);
            at += step;
            at2 += step;
            k = n - 16;
        } else {
            break;
        }
    }
    low = low2 < low ? low2 : low;
    for (int l = 0; l < 8; ++l) least = std::min(least, low[l]);
    return least < 3u;
}

// Opening of the innermost pair enclosing position i: the largest x < i with pt[x] > i (a pair
// opened before i and closed after it), or -1 in the exterior loop. (0-based)
__attribute__((target_clones("avx2", "default"))) int enclosing_open(const int* pt, int i) {
    int k = i;
    for (; k >= 16; k -= 16) {
        Lanes u, v;
        LOAD_LANES(u, pt + k - 16);
        LOAD_LANES(v, pt + k - 8);
        const Lanes after = (u > i) | (v > i);
        if (any_lane(&after)) break;
    }
    for (int x = k - 1; x >= 0; --x)
        if (pt[x] > i) return x;
    return -1;
}

// Whether the sum of the loop energies of a structure of length n without pairs (k,l),
// l - k <= 3, stays below the sentinel.
bool plain_sums(const ParamSet& p, int64_t pair_bound, int64_t base_bound, int n) {
    const int64_t growth = mag(detail::loop_growth(p, std::max(n, kMaxLoop)));
    return (n / 2 + 1) * (pair_bound + growth) + static_cast<int64_t>(n) * base_bound < kInf;
}

[[noreturn]] void crossing(int i, int j) {
    throw std::invalid_argument("pair (" + std::to_string(i) + "," + std::to_string(j) +
                                ") crosses a pair of the structure");
}

// The change of adding (i,j) (1-based; deleting is its negative) on the structure pt, from
// the two or three loops involved. Throws when (i,j) would cross a pair.
int local_delta(const ParamSet& P, const EncodedSequence& s, const int* pt, int i, int j, int dangles, MoveWork& w) {
    const int n = s.length();
    if (w.with.size() < static_cast<std::size_t>(n) + 2) {  // a loop has at most n/2 + 1 stems
        w.with.resize(n + 2);
        w.without.resize(n + 2);
        w.inner.resize(n + 2);
    }
    auto partner = [pt](int k) { return pt[k - 1] + 1; };  // 1-based, 0 when unpaired
    Stem* const inner = w.inner.data();
    Stem* const with = w.with.data();
    Stem* const without = w.without.data();
    int m_in = 0;
    for (int k = i + 1; k < j;) {
        const int q = partner(k);
        if (q == 0) {
            ++k;
            continue;
        }
        if (q < k || q >= j) crossing(i - 1, j - 1);
        inner[m_in++] = {k, q};
        k = q + 1;
    }
    const int x = enclosing_open(pt, i - 1);
    int a = 0, b = n + 1;
    int m_left = 0;
    if (x >= 0) {
        // A multiloop or interior loop (a,b): all of its branches.
        a = x + 1;
        b = pt[x] + 1;
        if (b < j) crossing(i - 1, j - 1);
        for (int k = a + 1; k < i;) {
            const int q = partner(k);
            if (q == 0) {
                ++k;
                continue;
            }
            with[m_left++] = {k, q};
            k = q + 1;
        }
    } else {
        // The exterior loop is a sum over runs of stems joined by gaps of 0 or 1 base (a stem
        // only takes a dangle or mismatch base its neighbour does not take): only the stems from
        // the last two unpaired bases before i to the first two after j are needed.
        for (int k = i - 1; k >= 1;) {
            const int q = partner(k);
            if (q == 0) {
                if (k == 1 || partner(k - 1) == 0) break;
                --k;
                continue;
            }
            without[m_left++] = {q, k};  // 3'-to-5' for now
            k = q - 1;
        }
        std::reverse_copy(without, without + m_left, with);
    }
    int m_with = m_left;
    with[m_with++] = {i, j};
    for (int k = j + 1; k < b;) {
        const int q = partner(k);
        if (q == 0) {
            if (a == 0 && (k == n || partner(k + 1) == 0)) break;
            ++k;
            continue;
        }
        if (q < k || q > b) crossing(i - 1, j - 1);
        with[m_with++] = {k, q};
        k = q + 1;
    }
    std::copy(with, with + m_left, without);
    std::copy(inner, inner + m_in, without + m_left);
    std::copy(with + m_left + 1, with + m_with, without + m_left + m_in);
    const int m_without = m_with - 1 + m_in;
    return detail::loop_energy(P, s, a, b, with, m_with, dangles) +
           detail::loop_energy(P, s, i, j, inner, m_in, dangles) -
           detail::loop_energy(P, s, a, b, without, m_without, dangles);
}

// Checks the arguments; true when the move adds (i,j), false when it deletes it.
bool check_move(const EncodedSequence& s, const std::vector<int>& pt, int i, int j, int dangles) {
    const int n = s.length();
    if (static_cast<long>(pt.size()) != n) {
        throw std::invalid_argument("partner table size " + std::to_string(pt.size()) +
                                    " differs from sequence length " + std::to_string(n));
    }
    if (dangles < 0 || dangles > 2) {
        throw std::invalid_argument("dangle model " + std::to_string(dangles) + " is not supported (0, 1 or 2)");
    }
    if (i < 0 || j >= n || i >= j) {
        throw std::invalid_argument("move (" + std::to_string(i) + "," + std::to_string(j) +
                                    ") is not a pair i < j of positions 0.." + std::to_string(n - 1));
    }
    if (pt[i] == j && pt[j] == i) return false;
    if (pt[i] == -1 && pt[j] == -1) return true;
    throw std::invalid_argument("move (" + std::to_string(i) + "," + std::to_string(j) +
                                "): neither both unpaired nor paired with each other");
}

int full_delta(const ParamSet& p, const EncodedSequence& s, const std::vector<int>& pt, int i, int j, bool adding,
               int dangles) {
    MoveWork& w = work();
    w.after = pt;
    w.after[i] = adding ? j : -1;
    w.after[j] = adding ? i : -1;
    const int64_t d = static_cast<int64_t>(energy_dcal_pt(p, s, w.after, dangles)) - energy_dcal_pt(p, s, pt, dangles);
    return static_cast<int>(static_cast<uint32_t>(static_cast<uint64_t>(d)));  // wraps, as the totals do
}

const MoveModel& compiled_in_model() {
    static const MoveModel m = prepare_moves(turner2004());
    return m;
}

}  // namespace

MoveModel prepare_moves(const ParamSet& p) {
    const int64_t au = mag(p.terminal_au);
    const int64_t hairpin =
        std::max({special_max(p.triloops), special_max(p.tetraloops), special_max(p.hexaloops), mag(p.hairpin[3]) + au,
                  max_abs(p.hairpin + 3, kMaxLoop - 2) + pair_table_max(p.mismatch_hairpin)});
    const int64_t stack = two_pair_table_max(p.stack);
    const int64_t mm_big = std::max(pair_table_max(p.mismatch_interior), pair_table_max(p.mismatch_interior_1n));
    const int64_t interior =
        std::max({stack + mag(p.bulge[1]), max_abs(p.bulge + 1, kMaxLoop) + 2 * au, two_pair_table_max(p.int11),
                  two_pair_table_max(p.int21), two_pair_table_max(p.int22),
                  max_abs(p.interior + 4, kMaxLoop - 3) + mag(p.max_ninio) + 2 * mm_big,
                  mag(p.interior[5]) + mag(p.ninio) + 2 * pair_table_max(p.mismatch_interior_23)});
    const int64_t dangle = std::max(pair_table_max(p.dangle5), pair_table_max(p.dangle3));
    const int64_t multi_stem = mag(p.ml_intern) + au + std::max(dangle, pair_table_max(p.mismatch_multi));
    const int64_t exterior_stem = au + std::max(dangle, pair_table_max(p.mismatch_exterior));
    MoveModel m;
    m.params = &p;
    m.pair_bound = std::max({hairpin, interior, mag(p.ml_closing) + multi_stem}) + std::max(multi_stem, exterior_stem);
    m.base_bound = mag(p.ml_base) + (p.ninio < 0 ? mag(p.ninio) : 0);
    // The bound grows with n: the longest length it allows, found by bisection.
    int lo = 0, hi = 1 << 30;
    while (lo < hi) {
        const int mid = lo + (hi - lo + 1) / 2;
        if (plain_sums(p, m.pair_bound, m.base_bound, mid))
            lo = mid;
        else
            hi = mid - 1;
    }
    m.max_length = lo;
    return m;
}

int move_delta(const MoveModel& m, const EncodedSequence& s, const std::vector<int>& pt, int i, int j, int dangles) {
    const bool adding = check_move(s, pt, i, j, dangles);
    const int n = s.length();
    if (j - i <= 3 || has_short_pair(pt.data(), n) || n > m.max_length)
        return full_delta(*m.params, s, pt, i, j, adding, dangles);
    const int d = local_delta(*m.params, s, pt.data(), i + 1, j + 1, dangles, work());
    return adding ? d : -d;
}

int move_delta(const ParamSet& p, const EncodedSequence& s, const std::vector<int>& pt, int i, int j, int dangles) {
    if (&p == &turner2004()) return move_delta(compiled_in_model(), s, pt, i, j, dangles);
    const bool adding = check_move(s, pt, i, j, dangles);
    return full_delta(p, s, pt, i, j, adding, dangles);
}

int energy_dcal_pt(const ParamSet& p, const EncodedSequence& s, const std::vector<int>& pt, int dangles) {
    const int n = s.length();
    if (static_cast<long>(pt.size()) != n) {
        throw std::invalid_argument("partner table size " + std::to_string(pt.size()) +
                                    " differs from sequence length " + std::to_string(n));
    }
    MoveWork& w = work();
    w.db.assign(n, '.');
    w.open.clear();
    for (int k = 0; k < n; ++k) {
        const int q = pt[k];
        if (q == -1) continue;
        if (q < -1 || q >= n || q == k || pt[q] != k) {
            throw std::invalid_argument("partner table: position " + std::to_string(k) + " has partner " +
                                        std::to_string(q) + " that does not pair back");
        }
        if (q > k) {
            w.db[k] = '(';
            w.open.push_back(k);
        } else {
            if (w.open.empty() || w.open.back() != q) {
                throw std::invalid_argument("partner table: pair (" + std::to_string(q) + "," + std::to_string(k) +
                                            ") crosses another pair");
            }
            w.open.pop_back();
            w.db[k] = ')';
        }
    }
    return energy_dcal(p, s, w.db, dangles);
}

}  // namespace nnmodel
