// Perturbation: move one action inside its free window, move a block later, or
// reverse a block.
#include <algorithm>
#include <iostream>
#include <vector>

#include "error/fatal_error.h"
#include "model/chain.h"
#include "model/fast_structure.h"
#include "model/structure.h"
#include "operators/random.h"

namespace {

const int kPassLimit = 100;

// Index of the nearest earlier / later action sharing a position with each action
// (-1 / size when there is none).
void touching_neighbours(const std::vector<Action>& va, std::vector<int>& before, std::vector<int>& after) {
    const int m = static_cast<int>(va.size());
    int top = 0;
    for (const Action& x : va) top = std::max(top, std::max(x.b.lp, x.b.rp));
    before.assign(m, -1);
    after.assign(m, m);
    std::vector<int> last(top + 1, -1);
    for (int i = 0; i < m; ++i) {
        const int l = va[i].b.lp, r = va[i].b.rp;
        if (l >= 0) before[i] = std::max(before[i], last[l]);
        if (r >= 0) before[i] = std::max(before[i], last[r]);
        if (l >= 0) last[l] = i;
        if (r >= 0) last[r] = i;
    }
    std::fill(last.begin(), last.end(), m);
    for (int i = m - 1; i >= 0; --i) {
        const int l = va[i].b.lp, r = va[i].b.rp;
        if (l >= 0) after[i] = std::min(after[i], last[l]);
        if (r >= 0) after[i] = std::min(after[i], last[r]);
        if (l >= 0) last[l] = i;
        if (r >= 0) last[r] = i;
    }
}

// The common loop of perturb2 (block moved later) and perturb3 (block reversed).
std::vector<ActionChain> perturb_block(const std::vector<Action>& va, const std::string& start, const int& n,
                                       bool reverse) {
    std::vector<ActionChain> res;
    const int m = static_cast<int>(va.size());
    // Below three actions no block start is ever usable.
    if (n == 0 || m < 3) return res;
    int t = 0, tries = 0, dupes = 0;
    while (t < n) {
        ++tries;
        const int r = myrand(m);
        if (r > m - 3) continue;
        ActionChain cand;
        cand.va = va;
        if (reverse) {
            const int l = mygaussian_right(3, m - r);
            if (!(l >= 3 && r + l <= m)) std::cout << "sz(va)=" << m << ", start=" << r << ", len=" << l << std::endl;
            ZENTROLA_CHECK(l >= 3 && r + l <= (int)va.size());
            std::reverse(cand.va.begin() + r, cand.va.begin() + r + l);
        } else {
            const int l = mygaussian_right(2, m - r - 1);
            const int h = r + l + 1 + myrand(m - r - l);
            if (!(l >= 2 && r + l <= m && h >= 0 && h <= m))
                std::cout << "sz(va)=" << m << ", start=" << r << ", len=" << l << ", insert=" << h << std::endl;
            ZENTROLA_CHECK(l >= 2 && r + l <= (int)va.size() && h >= 0 && h <= (int)va.size());
            std::rotate(cand.va.begin() + r, cand.va.begin() + r + l, cand.va.begin() + h);
        }
        if (replay_clashes(start, cand.va)) {
            --t;
        } else if (getindx(res, cand, 0, 1) != -1) {
            ++dupes;
        } else {
            cand.strategy = kStrategyPerturb;
            res.push_back(cand);
            tries = 0;
            dupes = 0;
        }
        if (tries >= kPassLimit || dupes >= kPassLimit) return res;
        ++t;
    }
    return res;
}

}  // namespace

std::vector<ActionChain> ActionChain::perturb(const std::string&, const std::string& start, const int& n) const {
    std::vector<ActionChain> res;
    if (n == 0) return res;
    const int m = static_cast<int>(va.size());
    std::vector<int> before, after;
    touching_neighbours(va, before, after);

    // The pool lists, for every action i in order, the targets k = lo..hi except i.
    // It is kept as ranges: first[i] is the pool index of the first target of i.
    std::vector<long> first(m + 1, 0);
    for (int i = 0; i < m; ++i) first[i + 1] = first[i] + (after[i] - (before[i] + 1));
    long remaining = first[m];
    std::vector<long> taken;  // pool indices already drawn, ascending

    while (static_cast<int>(res.size()) < n && remaining > 0) {
        long g = myrand(static_cast<int>(remaining));
        // Skip over the entries already drawn to find the g-th one still in the pool.
        for (long x : taken) {
            if (x <= g)
                ++g;
            else
                break;
        }
        taken.insert(std::upper_bound(taken.begin(), taken.end(), g), g);
        --remaining;

        const int i = static_cast<int>(std::upper_bound(first.begin(), first.end(), g) - first.begin()) - 1;
        int k = before[i] + 1 + static_cast<int>(g - first[i]);
        if (k >= i) ++k;

        ActionChain cand;
        cand.va = va;
        if (k < i)
            std::rotate(cand.va.begin() + k, cand.va.begin() + i, cand.va.begin() + i + 1);
        else
            std::rotate(cand.va.begin() + i, cand.va.begin() + i + 1, cand.va.begin() + k);
        if (!replay_clashes(start, cand.va)) {
            cand.strategy = kStrategyPerturb;
            res.push_back(cand);
        }
    }
    return res;
}

std::vector<ActionChain> ActionChain::perturb2(const std::string&, const std::string& start, const int& n) const {
    return perturb_block(va, start, n, false);
}

std::vector<ActionChain> ActionChain::perturb3(const std::string&, const std::string& start, const int& n) const {
    return perturb_block(va, start, n, true);
}
