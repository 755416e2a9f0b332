// Add-delete detour: one extra pair next to a helix, added at a step and deleted again
// before the first later step it would block.
#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "model/chain.h"
#include "model/fast_structure.h"
#include "model/structure.h"
#include "operators/candidates.h"

namespace {

const int kWindow = 3;

struct Detour {
    int t;
    BP bp;
    int ic;
};

}  // namespace

std::vector<ActionChain> ActionChain::adddel(const std::string& sequence, const std::string& A, const int& n) const {
    if (n == 0) return {};
    const int L = static_cast<int>(sequence.size());
    const int m = static_cast<int>(va.size());

    // Pairs the parent adds or deletes anywhere.
    std::vector<std::pair<int, int>> moved;
    for (const Action& x : va) moved.emplace_back(x.b.lp, x.b.rp);
    std::sort(moved.begin(), moved.end());

    // Candidates are kept as (step, pair) and built when drawn. Two candidates are equal
    // only when both are made at the same step for the same pair: the parent never adds
    // the pair, so the first addition of it in a candidate stands at its step.
    std::vector<Detour> found;
    PathStructure cur(A);
    const std::vector<int>& z = cur.partner;
    const int tab = static_cast<int>(z.size());
    std::set<std::pair<int, int>> proposed;  // pairs proposed at the current step

    auto test = [&](int t, int x, int w, const std::vector<int>& loop) {
        if (w >= tab || x >= L || z[w] != -1) return;
        const BP bp(std::min(x, w), std::max(x, w));
        if (!match(sequence[bp.lp], sequence[bp.rp], 1)) return;
        if (loop[bp.lp] != loop[bp.rp]) return;  // both ends are free: crossing is the only clash
        if (bp.rp - bp.lp <= 3) return;
        if (std::binary_search(moved.begin(), moved.end(), std::make_pair(bp.lp, bp.rp))) return;
        const int ic = getindx_conflict(t, bp);
        if (ic - t <= 1) return;
        if (!proposed.insert(std::make_pair(bp.lp, bp.rp)).second) return;
        found.push_back(Detour{t, bp, ic});
    };

    for (int t = 0; t < m; ++t) {
        const std::vector<int> loop = loop_table(z);
        proposed.clear();
        for (const int x : cur.rs.vunp) {
            for (int y = x - 1; y >= x - kWindow && y >= 0 && y < L; --y) {
                const int zy = y < tab ? z[y] : -1;
                if (zy == -1) continue;
                for (int w = zy - 1; w >= zy - kWindow && w >= 0 && w < L; --w) test(t, x, w, loop);
            }
            for (int y = x + 1; y <= x + kWindow && y >= 0 && y < L; ++y) {
                const int zy = y < tab ? z[y] : -1;
                if (zy == -1) continue;
                for (int w = zy + 1; w <= zy + kWindow && w >= 0 && w < L; ++w) test(t, x, w, loop);
            }
        }
        cur.apply(va[t]);
    }

    auto make = [&](int k) {
        const Detour& d = found[k];
        ActionChain c;
        c.va = va;
        c.va.insert(c.va.begin() + d.t, Action(add, d.bp));
        c.va.insert(c.va.begin() + d.ic + 1, Action(del, d.bp));
        return c;
    };
    return draw_candidates(static_cast<int>(found.size()), make, A, n, kStrategyAddDel);
}
