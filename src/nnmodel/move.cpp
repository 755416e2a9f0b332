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
inline __attribute__((always_inline)) bool has_short_pair(const int* pt, int n) {
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
inline __attribute__((always_inline)) int enclosing_open(const int* pt, int i) {
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

// Both scans a move needs, in one call (one choice of clone): true when a short pair is
// present; otherwise *enclosing = enclosing_open(pt, i) unless *enclosing >= -1 already.
__attribute__((target_clones("avx2", "default"))) bool scan_structure(const int* pt, int n, int i, int* enclosing) {
    if (has_short_pair(pt, n)) return true;
    if (*enclosing < -1) *enclosing = enclosing_open(pt, i);
    return false;
}

// enclosing_open by a walk over the loop of i that gives up after a few steps (then -2): most
// moves sit in a small loop, whose closing pair a walk finds sooner than a scan. (0-based)
inline int enclosing_nearby(const int* pt, int i) {
    int k = i - 1;
    for (int steps = 0; steps < 8 && k >= 0; ++steps) {
        const int q = pt[k];
        if (q > k) return k;  // no branch left of i opens here: the loop's closing pair
        k = q < 0 ? k - 1 : q - 1;
    }
    return k < 0 ? -1 : -2;
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

// Terms of stem (p,q) (1-based) as a branch of a multiloop (multi) or a stem of the exterior
// loop that do not depend on its neighbours: the AU penalty, the multiloop's per-branch term
// and, for d2, its mismatch or dangles. dcal/mol.
inline int branch_terms(const ParamSet& P, const int8_t* S, int n, int p, int q, int dangles, bool multi) {
    const int t = detail::pair_type(S[p], S[q]);
    int e = detail::terminal_au(P, t);
    if (multi) {
        e += P.ml_intern;
        if (dangles == 2) e += P.mismatch_multi[t][S[p - 1]][S[q + 1]];
    } else if (dangles == 2) {
        if (p > 1 && q < n)
            e += P.mismatch_exterior[t][S[p - 1]][S[q + 1]];
        else if (p > 1)
            e += P.dangle5[t][S[p - 1]];
        else if (q < n)
            e += P.dangle3[t][S[q + 1]];
    }
    return e;
}

// The d1 contacts (dcal/mol) of consecutive stems st[0..m) of one loop (a multiloop's closing
// pair (a,b) among them written (b,a)), entered and left through links that are not shared:
// prev_q is the 3' end of the stem before them (0 at the 5' end), next_p the 5' end of the
// stem after them (n + 1 at the 3' end).
int run_contacts(const ParamSet& P, const int8_t* S, int n, const Stem* st, int m, int prev_q, int next_p, bool multi) {
    const auto& mm = multi ? P.mismatch_multi : P.mismatch_exterior;
    int free = 0, taken = detail::kNever;
    for (int r = 0; r < m; ++r) {
        const int p = st[r].p, q = st[r].q;
        const int after = r + 1 < m ? st[r + 1].p : next_p;
        const detail::Contact c = detail::contact(P, mm, detail::pair_type(S[p], S[q]), S[p - 1], S[q + 1],
                                                  p - 1 > prev_q, q < n && q + 1 < after);
        detail::step(free, taken, c, r > 0 && prev_q + 2 == p, !multi);
        prev_q = q;
    }
    return std::min(free, taken);
}

// E(L with (i,j)) - E(L without it), 1-based, for the loop L around (i,j) (closed by (a,b), or
// the exterior loop when a == 0) from the stems near (i,j) only, when L is the exterior loop or
// a multiloop both with and without (i,j). Positions l < i and r > j start the walks over L (all
// bases between them and (i,j) unpaired). inner[0..m_in): the branches of (i,j), with room for
// n/2 + 2 stems before and after them (overwritten); u_in: its unpaired bases. False when L must
// be evaluated in full (d1: every link of the multiloop's ring is shared).
bool near_delta(const ParamSet& P, const EncodedSequence& s, const int* pt, int i, int j, int a, int b, int l, int r,
                Stem* inner, int m_in, int u_in, int dangles, MoveWork& w, int& out) {
    const int n = s.length();
    const int8_t* S = s.codes.data();
    const bool multi = a > 0;
    int fixed = branch_terms(P, S, n, i, j, dangles, multi);
    for (int k = 0; k < m_in; ++k) fixed -= branch_terms(P, S, n, inner[k].p, inner[k].q, dangles, multi);
    if (multi) fixed -= (u_in + 2) * P.ml_base;
    out = fixed;
    if (dangles != 1) return true;
    // d1: the elements of L joined to (i,j) by links of one shared base, then the first past a
    // link that is not shared (it only bounds the run), nearest first on each side. In a
    // multiloop the elements form a ring with the closing pair, written (b,a) so that its 5'
    // neighbour is b - 1 and its 3' neighbour a + 1; past it a walk goes on at the other end of
    // the loop, and gives up when it comes back to (i,j): no link of the ring ends the run.
    Stem* const left = w.without.data();
    Stem* const right = inner + m_in;
    int nl = 0, nr = 0;
    bool left_end = false, right_end = false;  // at an end of the chain (exterior loop)
    for (int k = l, stop = a, wrapped = 0;;) {
        Stem e;
        if (k <= stop) {
            if (!multi) {
                left_end = true;
                break;
            }
            if (wrapped) return false;
            e = {b, a};
            wrapped = 1;
            k = b - 1;
            stop = j;
        } else {
            const int q = pt[k - 1] + 1;
            if (q == 0) {
                --k;
                continue;
            }
            e = {q, k};
            k = q - 1;
        }
        left[nl++] = e;
        if (nl >= 2 && left[nl - 2].p - e.q != 2) break;
    }
    for (int k = r, stop = b, wrapped = 0;;) {
        Stem e;
        if (k >= stop) {
            if (!multi) {
                right_end = true;
                break;
            }
            if (wrapped) return false;
            e = {b, a};
            wrapped = 1;
            k = a + 1;
            stop = i;
        } else {
            const int q = pt[k - 1] + 1;
            if (q == 0) {
                ++k;
                continue;
            }
            e = {k, q};
            k = q + 1;
        }
        right[nr++] = e;
        if (nr >= 2 && e.p - right[nr - 2].q != 2) break;
    }
    const int wl = left_end ? nl : nl - 1;  // elements of the run
    const int wr = right_end ? nr : nr - 1;
    const int prev_q = left_end ? 0 : left[nl - 1].q;
    const int next_p = right_end ? n + 1 : right[nr - 1].p;
    Stem* const with = w.with.data();
    std::reverse_copy(left, left + wl, with);
    with[wl] = {i, j};
    std::copy(right, right + wr, with + wl + 1);
    // without: the same left elements, then inner and right, which already lie in a row.
    Stem* const without = inner - wl;
    std::copy(with, with + wl, without);
    out += run_contacts(P, S, n, with, wl + 1 + wr, prev_q, next_p, multi) -
           run_contacts(P, S, n, without, wl + m_in + wr, prev_q, next_p, multi);
    return true;
}

// The change of adding (i,j) (1-based; deleting is its negative) on the structure pt, from
// the two or three loops involved; x is the 0-based opening of the pair enclosing (i,j), -1 for the
// exterior loop. Throws when (i,j) would cross a pair.
int local_delta(const ParamSet& P, const EncodedSequence& s, const int* pt, int i, int j, int x, int dangles,
                MoveWork& w) {
    const int n = s.length();
    if (w.with.size() < static_cast<std::size_t>(n) + 4) {  // a loop has at most n/2 + 1 stems
        w.with.resize(n + 4);
        w.without.resize(n + 4);
        w.inner.resize(2 * n + 8);
    }
    auto partner = [pt](int k) { return pt[k - 1] + 1; };  // 1-based, 0 when unpaired
    // The branches of (i,j) sit in the middle of their buffer, so that near_delta can put the
    // stems before them in front and after them behind without copying them.
    Stem* const inner = w.inner.data() + n + 4;
    int m_in = 0, u_in = j - i - 1;
    for (int k = i + 1; k < j;) {
        const int q = partner(k);
        if (q == 0) {
            ++k;
            continue;
        }
        if (q < k || q >= j) crossing(i - 1, j - 1);
        inner[m_in++] = {k, q};
        u_in -= q - k + 1;
        k = q + 1;
    }
    const int8_t* S = s.codes.data();
    auto closed_by = [&](int p, int q, const Stem* br, int m) __attribute__((always_inline)) {
        if (m == 0) return detail::hairpin_energy(P, S, s.letters.data(), p, q);
        if (m == 1) return detail::interior_energy(P, S, p, q, br[0].p, br[0].q);
        return detail::loop_energy(P, s, p, q, br, m, dangles);
    };
    const int e_inner = closed_by(i, j, inner, m_in);
    int near = 0;
    if (x < 0) {
        near_delta(P, s, pt, i, j, 0, n + 1, i - 1, j + 1, inner, m_in, u_in, dangles, w, near);
        return e_inner + near;
    }
    const int a = x + 1, b = pt[x] + 1;
    // The nearest branches of (a,b) on either side of (i,j): one ends at l > a, one starts at r < b.
    int l = i - 1, r = j + 1;
    while (l > a && partner(l) == 0) --l;
    while (r < b && partner(r) == 0) ++r;
    if (l == a && r == b) return e_inner + detail::interior_energy(P, S, a, b, i, j) - closed_by(a, b, inner, m_in);
    if (m_in == 0 && (l == a || r == b)) {  // one other branch: is there a second?
        Stem other = l > a ? Stem{partner(l), l} : Stem{r, partner(r)};
        int k = l > a ? other.p - 1 : other.q + 1;
        if (l > a)
            while (k > a && partner(k) == 0) --k;
        else
            while (k < b && partner(k) == 0) ++k;
        if (k == a || k == b) {  // a multiloop of two branches with (i,j), an interior loop without
            Stem two[2] = {other, {i, j}};
            if (r < b) std::swap(two[0], two[1]);
            return e_inner + detail::loop_energy(P, s, a, b, two, 2, dangles) -
                   detail::interior_energy(P, S, a, b, other.p, other.q);
        }
    }
    if (near_delta(P, s, pt, i, j, a, b, l, r, inner, m_in, u_in, dangles, w, near)) return e_inner + near;
    // d1 with every link of the ring shared: the whole multiloop, with and without (i,j).
    Stem* const with = w.with.data();
    Stem* const without = w.without.data();
    int m_left = 0;
    for (int k = a + 1; k < i;) {
        const int q = partner(k);
        if (q == 0) {
            ++k;
            continue;
        }
        with[m_left++] = {k, q};
        k = q + 1;
    }
    int m_with = m_left;
    with[m_with++] = {i, j};
    for (int k = j + 1; k < b;) {
        const int q = partner(k);
        if (q == 0) {
            ++k;
            continue;
        }
        with[m_with++] = {k, q};
        k = q + 1;
    }
    std::copy(with, with + m_left, without);
    std::copy(inner, inner + m_in, without + m_left);
    std::copy(with + m_left + 1, with + m_with, without + m_left + m_in);
    const int m_without = m_with - 1 + m_in;
    return e_inner + detail::loop_energy(P, s, a, b, with, m_with, dangles) -
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
    if (j - i <= 3 || n > m.max_length) return full_delta(*m.params, s, pt, i, j, adding, dangles);
    int x = enclosing_nearby(pt.data(), i);
    if (scan_structure(pt.data(), n, i, &x)) return full_delta(*m.params, s, pt, i, j, adding, dangles);
    const int d = local_delta(*m.params, s, pt.data(), i + 1, j + 1, x, dangles, work());
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
