// Shift: slide one strand of a stacked pair to nearby unpaired positions, and the
// writing of one move into a path.
#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "error/fatal_error.h"
#include "model/chain.h"
#include "model/fast_structure.h"
#include "model/structure.h"
#include "operators/candidates.h"

namespace {

const int kWindow = 3;

Action reverse_of(const Action& x) { return Action(x.a == add ? del : add, x.b); }

BP ordered(int x, int y) { return BP(std::min(x, y), std::max(x, y)); }

// One shift found by the scan: at step t, the stack at p, p+1 moves its p-side to r, r+1.
struct ShiftMove {
    int t;
    int p;
    int q;
    int r;
    bool up;
};

// The four moves of a shift, in the order they are written.
std::vector<Action> moves_of(const ShiftMove& s) {
    const int p = s.p, q = s.q, r = s.r;
    if (s.up)
        return {Action(del, ordered(p + 1, q - 1)), Action(add, ordered(r + 1, q - 1)), Action(del, ordered(p, q)),
                Action(add, ordered(r, q))};
    return {Action(del, ordered(p, q)), Action(add, ordered(r, q)), Action(del, ordered(p + 1, q - 1)),
            Action(add, ordered(r + 1, q - 1))};
}

// Writes the moves one after another from step t; false when set_vai refuses one.
bool write_moves(ActionChain& c, int t, const std::vector<Action>& moves) {
    int w = t;
    for (const Action& x : moves) {
        int ia = -1, ira = -1;
        if (!c.set_vai(w, x, ia, ira)) return false;
        if (ia == w) {
            ++w;
        } else if (ia == w - 1) {
            // The move stood earlier in the path and now follows the one written before it.
        } else {
            ZENTROLA_CHECK(false);
        }
    }
    return true;
}

std::uint64_t hash_of(const std::vector<Action>& va) {
    std::uint64_t h = 1469598103934665603ull;
    for (const Action& x : va) {
        const std::uint64_t v = (static_cast<std::uint64_t>(x.a) << 60) ^ (static_cast<std::uint64_t>(x.b.lp) << 30) ^
                                static_cast<std::uint64_t>(x.b.rp);
        h = (h ^ v) * 1099511628211ull;
        h ^= h >> 29;
    }
    return h;
}

}  // namespace

bool ActionChain::set_vai(const int& i, const Action& a, int& ia, int& indx_ra) {
    const Action x = a;  // a may refer into va
    const int j = getindx(va, x, 0, 1);
    if (j != -1) {
        va.insert(va.begin() + i, x);
        if (j < i) {
            va.erase(va.begin() + j);
            ia = i - 1;
        } else {
            va.erase(va.begin() + j + 1);
            ia = i;
        }
        indx_ra = -1;
        return true;
    }
    const Action rx = reverse_of(x);
    if (getindx(va, rx, 0, 1) != -1) {
        ia = -1;
        indx_ra = -1;
        return false;
    }
    va.insert(va.begin() + i, x);
    indx_ra = getindx_conflict(i + 1, x.b);
    ZENTROLA_CHECK(indx_ra > i);
    va.insert(va.begin() + indx_ra, rx);
    ia = i;
    return true;
}

std::vector<ActionChain> ActionChain::shift(const std::string& sequence, const std::string& A, const int& n) const {
    if (n == 0) return {};
    const int L = static_cast<int>(sequence.size());
    const int m = static_cast<int>(va.size());
    PathStructure cur(A);
    const std::vector<int>& z = cur.partner;
    auto paired = [&z](int x) { return x >= 0 && x < static_cast<int>(z.size()) && z[x] != -1; };
    auto partner = [&z](int x) { return x >= 0 && x < static_cast<int>(z.size()) ? z[x] : -1; };

    // Distinct candidates are kept as the shifts that make them and rebuilt when drawn;
    // the hash of each candidate's moves finds equal ones.
    std::vector<ShiftMove> kept;
    std::unordered_multimap<std::uint64_t, int> seen;
    auto build = [this](const ShiftMove& s, ActionChain& c) {
        c.va = va;
        return write_moves(c, s.t, moves_of(s));
    };
    auto consider = [&](const ShiftMove& s) {
        ActionChain c;
        if (!build(s, c)) return;
        const std::uint64_t h = hash_of(c.va);
        auto range = seen.equal_range(h);
        for (auto it = range.first; it != range.second; ++it) {
            ActionChain o;
            build(kept[it->second], o);
            if (o == c) return;
        }
        seen.emplace(h, static_cast<int>(kept.size()));
        kept.push_back(s);
    };
    // The new pairs (r, q) and (r+1, q-1): free bases, Watson-Crick, inner loop of three or more.
    auto fits = [&](int q, int r) {
        return !paired(r) && !paired(r + 1) && match(sequence[q], sequence[r], 0) &&
               match(sequence[q - 1], sequence[r + 1], 0) && (r - q >= 4 || q - r - 2 >= 4);
    };

    for (int t = 0; t < m; ++t) {
        for (int p = 0; p + 1 <= L - 1; ++p) {
            const int q = partner(p), q2 = partner(p + 1);
            if (q == -1 || q2 == -1 || q2 != q - 1) continue;
            if (p + 2 < L - 1 && !paired(p + 2) && q - 1 >= 0 && q < L) {
                for (int r = p + 1; r <= p + 2 + kWindow; ++r) {
                    if (!(r >= 0 && r + 1 < L)) continue;
                    if (fits(q, r)) consider(ShiftMove{t, p, q, r, true});
                }
            }
            if (p - 1 >= 0 && !paired(p - 1) && q - 1 >= 0 && q < L) {
                for (int r = p - 1; r >= p - 2 - kWindow; --r) {
                    if (!(r >= 0 && r + 1 < L)) continue;
                    if (fits(q, r)) consider(ShiftMove{t, p, q, r, false});
                }
            }
        }
        cur.apply(va[t]);
    }

    auto make = [&](int k) {
        ActionChain c;
        build(kept[k], c);
        return c;
    };
    return draw_candidates(static_cast<int>(kept.size()), make, A, n, kStrategyShift);
}
