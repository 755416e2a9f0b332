// Move energies. Adding (i,j) to the loop L that holds i and j splits L into the loop closed
// by (i,j) (the branches of L between i and j) and L with those branches replaced by (i,j);
// deleting (i,j) merges the two back. Every other loop keeps its energy, so the change is
//   E(loop closed by (i,j)) + E(L with (i,j)) - E(L without (i,j))
// as long as the total is a plain sum of loop energies, which the bound of MoveModel checks.
// The loop energies come from the routines of the full evaluation (loops_internal.h). When L is
// a multiloop or the exterior loop on both sides, E(L with) - E(L without) needs only the stems
// next to the move: the d0/d2 terms are per branch, and the d1 choice couples only stems one
// base apart.
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
    std::vector<Stem> inner, with, without;  // branches of the loops a move touches, stems next to it
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
    // Unsigned pt[k] - k - 1 is below 3 exactly for such a pair (unpaired: -1, 5' ends: negative).
    typedef unsigned ULanes __attribute__((vector_size(32)));
    if (n < 32) {
        unsigned least = ~0u;
        for (int k = 0; k < n; ++k) least = std::min(least, static_cast<unsigned>(pt[k] - k - 1));
        return least < 3u;
    }
    const ULanes first = {1, 2, 3, 4, 5, 6, 7, 8};
    ULanes at0 = first, at1 = first + 8u, at2 = first + 16u, at3 = first + 24u;
    ULanes low0 = ~ULanes{}, low1 = low0, low2 = low0, low3 = low0;
    int k = 0;
    for (; k + 32 <= n; k += 32) {  // four independent chains
        ULanes x0, x1, x2, x3;
        LOAD_LANES(x0, pt + k);
        LOAD_LANES(x1, pt + k + 8);
        LOAD_LANES(x2, pt + k + 16);
        LOAD_LANES(x3, pt + k + 24);
        x0 -= at0;
        x1 -= at1;
        x2 -= at2;
        x3 -= at3;
        low0 = x0 < low0 ? x0 : low0;
        low1 = x1 < low1 ? x1 : low1;
        low2 = x2 < low2 ? x2 : low2;
        low3 = x3 < low3 ? x3 : low3;
        at0 += 32u;
        at1 += 32u;
        at2 += 32u;
        at3 += 32u;
    }
    for (; k < n; k += 8) {  // the rest in blocks of 8, the last one overlapping the one before
        const int start = std::min(k, n - 8);
        ULanes x;
        LOAD_LANES(x, pt + start);
        x -= first + static_cast<unsigned>(start);
        low0 = x < low0 ? x : low0;
    }
    low0 = low1 < low0 ? low1 : low0;
    low2 = low3 < low2 ? low3 : low2;
    low0 = low2 < low0 ? low2 : low0;
    const Lanes short_lanes = reinterpret_cast<Lanes>(low0 < 3u);
    return any_lane(&short_lanes);
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

// The AVX2 clone is chosen by a resolver that runs while the program is being loaded, before
// ThreadSanitizer's runtime is up; the instrumented resolver would crash there.
#ifdef __SANITIZE_THREAD__
#define ZENTROLA_SCAN_CLONES
#else
#define ZENTROLA_SCAN_CLONES __attribute__((target_clones("avx2", "default")))
#endif

// Both scans a move needs, in one call (one choice of clone): true when a short pair is
// present; otherwise *enclosing = enclosing_open(pt, i) unless *enclosing >= -1 already.
ZENTROLA_SCAN_CLONES bool scan_structure(const int* pt, int n, int i, int* enclosing) {
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

// The d1 contacts (dcal/mol) of consecutive stems of one loop (a multiloop's closing pair (a,b)
// among them written (b,a)), entered and left through links that are not shared: built from
// the 3' end of the stem before them (0 at the 5' end), fed the stems 5' to 3', finished with
// the 5' end of the stem after them (n + 1 at the 3' end). A stem's contacts wait for the
// next stem, whose 5' end tells whether its 3' neighbour is free.
template <bool multi>
struct Run {
    const ParamSet& P;
    const int8_t* S;
    int n;
    int prev_q;
    int free = 0, taken = detail::kNever;
    bool first = true;
    Stem last{0, 0};  // fed, contacts not added yet (when !pending_empty)
    bool pending_empty = true;

    __attribute__((always_inline)) void feed(const Stem& e) {
        if (!pending_empty) add(e.p);
        last = e;
        pending_empty = false;
    }
    __attribute__((always_inline)) int finish(int next_p) {
        if (!pending_empty) add(next_p);
        return std::min(free, taken);
    }
    __attribute__((always_inline)) void add(int after) {
        const int p = last.p, q = last.q;
        const auto& mm = multi ? P.mismatch_multi : P.mismatch_exterior;
        const detail::Contact c = detail::contact(P, mm, detail::pair_type(S[p], S[q]), S[p - 1], S[q + 1],
                                                  p - 1 > prev_q, (multi || q < n) && q + 1 < after);
        detail::step(free, taken, c, !first && prev_q + 2 == p, !multi);
        first = false;
        prev_q = q;
    }
};

// run(left, X, right) - run(left, inner, right) for the stems left[wl-1..0] (nearest last),
// right[0..wr).
template <bool multi>
int run_difference(const ParamSet& P, const int8_t* S, int n, const Stem* left, int wl, int prev_q, Stem x,
                   const Stem* inner, int m_in, const Stem* right, int wr, int next_p) {
    Run<multi> with{P, S, n, prev_q};
    for (int k = wl - 1; k >= 0; --k) with.feed(left[k]);
    Run<multi> without = with;  // the stems before the nearest one are shared
    with.feed(x);
    for (int k = 0; k < m_in; ++k) without.feed(inner[k]);
    for (int k = 0; k < wr; ++k) {
        with.feed(right[k]);
        without.feed(right[k]);
    }
    return with.finish(next_p) - without.finish(next_p);
}

// E(L with (i,j)) - E(L without it), 1-based, for the loop L around (i,j) (closed by (a,b), or
// the exterior loop when a == 0) from the stems near (i,j) only, when L is the exterior loop or
// a multiloop both with and without (i,j). Positions l < i and r > j start the walks over L (all
// bases between them and (i,j) unpaired). inner[0..m_in): the branches of (i,j); u_in: its
// unpaired bases. False when L must be evaluated in full (d1: every link of the multiloop's ring
// is shared).
bool near_delta(const ParamSet& P, const EncodedSequence& s, const int* pt, int i, int j, int a, int b, int l, int r,
                const Stem* inner, int m_in, int u_in, int dangles, MoveWork& w, int& out) {
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
    // Two unpaired bases next to (i,j) on one side cut the run there: the stem beyond them
    // keeps its contacts.
    Stem* const left = w.without.data();
    Stem* const right = w.with.data();
    int wl = 0, wr = 0, prev_q = i - 3, next_p = j + 3;
    if (i - l < 3) {
        int nl = 0;
        bool end = false;  // at the 5' end (exterior loop)
        for (int k = l, stop = a, wrapped = 0;;) {
            Stem e;
            if (k <= stop) {
                if (!multi) {
                    end = true;
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
        wl = end ? nl : nl - 1;
        prev_q = end ? 0 : left[nl - 1].q;
    }
    if (r - j < 3) {
        int nr = 0;
        bool end = false;  // at the 3' end (exterior loop)
        for (int k = r, stop = b, wrapped = 0;;) {
            Stem e;
            if (k >= stop) {
                if (!multi) {
                    end = true;
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
        wr = end ? nr : nr - 1;
        next_p = end ? n + 1 : right[nr - 1].p;
    }
    if (multi)
        out += run_difference<true>(P, S, n, left, wl, prev_q, {i, j}, inner, m_in, right, wr, next_p);
    else
        out += run_difference<false>(P, S, n, left, wl, prev_q, {i, j}, inner, m_in, right, wr, next_p);
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
        w.inner.resize(n + 4);
    }
    auto partner = [pt](int k) { return pt[k - 1] + 1; };  // 1-based, 0 when unpaired
    Stem* const inner = w.inner.data();
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
    // The loop around (i,j), closed by (a,b) or the exterior loop, and its nearest branches on
    // either side of (i,j): one ends at l > a, one starts at r < b.
    const int a = x + 1, b = x >= 0 ? pt[x] + 1 : n + 1;
    int l = i - 1, r = j + 1;
    if (x >= 0 || dangles == 1) {  // the exterior loop's d0/d2 terms need no neighbours
        while (l > a && partner(l) == 0) --l;
        while (r < b && partner(r) == 0) ++r;
    }
    int near = 0;
    if (x < 0) {
        near_delta(P, s, pt, i, j, a, b, l, r, inner, m_in, u_in, dangles, w, near);
        return e_inner + near;
    }
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
    // The outermost stems that open in [from, to), appended to `with` from index m; the new count.
    auto stems_between = [&](int from, int to, int m) {
        for (int k = from; k < to;) {
            const int q = partner(k);
            if (q == 0) {
                ++k;
                continue;
            }
            with[m++] = {k, q};
            k = q + 1;
        }
        return m;
    };
    const int m_left = stems_between(a + 1, i, 0);
    with[m_left] = {i, j};
    const int m_with = stems_between(j + 1, b, m_left + 1);
    std::copy(with, with + m_left, without);
    std::copy(inner, inner + m_in, without + m_left);
    std::copy(with + m_left + 1, with + m_with, without + m_left + m_in);
    const int m_without = m_with - 1 + m_in;
    return e_inner + detail::loop_energy(P, s, a, b, with, m_with, dangles) -
           detail::loop_energy(P, s, a, b, without, m_without, dangles);
}

// Throws the error of the first argument of move_delta that check_move rejects.
[[noreturn]] __attribute__((cold, noinline)) void invalid_move(const EncodedSequence& s, const std::vector<int>& pt,
                                                               int i, int j, int dangles) {
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
    throw std::invalid_argument("move (" + std::to_string(i) + "," + std::to_string(j) +
                                "): neither both unpaired nor paired with each other");
}

// Checks the arguments; true when the move adds (i,j), false when it deletes it.
inline bool check_move(const EncodedSequence& s, const std::vector<int>& pt, int i, int j, int dangles) {
    const int n = s.length();
    if (static_cast<long>(pt.size()) == n && dangles >= 0 && dangles <= 2 && i >= 0 && j < n && i < j) {
        if (pt[i] == j && pt[j] == i) return false;
        if (pt[i] == -1 && pt[j] == -1) return true;
    }
    invalid_move(s, pt, i, j, dangles);
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
    static const ParamSet* const compiled_in = &turner2004();
    if (&p == compiled_in) return move_delta(compiled_in_model(), s, pt, i, j, dangles);
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
