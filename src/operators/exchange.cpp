// Exchange: swap two actions that no action between them touches.
#include "operators/exchange.h"

#include <algorithm>
#include <utility>

#include "error/fatal_error.h"
#include "model/fast_structure.h"
#include "operators/random.h"

namespace {

const int kPassLimit = 100;

// Every pair (i, j), i < j, that exchange_conflict admits, ordered by i then j.
// An action k touches i before j is reached exactly when the nearest later action
// touching i comes at or before j, and likewise for the nearest earlier one of j.
std::vector<std::pair<int, int>> admissible_pairs(const std::vector<Action>& va) {
    const int m = static_cast<int>(va.size());
    int top = 0;
    for (const Action& x : va) top = std::max(top, std::max(x.b.lp, x.b.rp));
    std::vector<int> before(m, -1), after(m, m), last(top + 1, -1);
    for (int i = 0; i < m; ++i) {
        for (int p : {va[i].b.lp, va[i].b.rp}) {
            if (p < 0) continue;
            before[i] = std::max(before[i], last[p]);
            last[p] = i;
        }
    }
    std::fill(last.begin(), last.end(), m);
    for (int i = m - 1; i >= 0; --i) {
        for (int p : {va[i].b.lp, va[i].b.rp}) {
            if (p < 0) continue;
            after[i] = std::min(after[i], last[p]);
            last[p] = i;
        }
    }
    std::vector<std::pair<int, int>> pairs;
    for (int i = 0; i < m; ++i)
        for (int j = i + 1; j < after[i]; ++j)
            if (before[j] < i) pairs.emplace_back(i, j);
    return pairs;
}

// The common loop of exchange2 (x drawn) and exchange3 (x fixed before the saddle).
std::vector<ActionChain> exchange_near(const std::vector<Action>& va, const std::string& start, const int& n,
                                       int fixed_x) {
    std::vector<ActionChain> res;
    const int m = static_cast<int>(va.size());
    int t = 0, tries = 0;
    while (t < n) {
        int x = fixed_x;
        if (fixed_x < 0) x = myrand(m);
        const int y = myrand(m);
        ++tries;
        if (tries >= kPassLimit) return res;
        int j;
        if (y > x) {
            if (x == m - 1) {
                ++t;
                continue;
            }
            j = mygaussian_right(x + 1, m - 1);
        } else {
            if (x == 0) {
                ++t;
                continue;
            }
            j = mygaussian_left(0, x - 1);
        }
        if (exchange_conflict(va, x, j)) {
            ++t;
            continue;
        }
        ActionChain cand;
        cand.va = va;
        make_exchange(cand.va, x, j);
        if (!replay_clashes(start, cand.va)) {
            tries = 0;
            cand.strategy = kStrategyExchange;
            res.push_back(cand);
            ++t;
        }
    }
    return res;
}

}  // namespace

bool exchange_conflict(const std::vector<Action>& va, const int& i, const int& j) {
    if (shares_base(va[i].b, va[j].b)) return true;
    for (int k = i + 1; k < j; ++k)
        if (shares_base(va[k].b, va[i].b) || shares_base(va[k].b, va[j].b)) return true;
    return false;
}

void make_exchange(std::vector<Action>& va, const int& i, const int& j) {
    const Action tmp = va[i];
    va[i] = va[j];
    va[j] = tmp;
}

std::vector<ActionChain> ActionChain::exchange(const std::string&, const std::string& start, const int& n) const {
    std::vector<ActionChain> res;
    if (n == 0) return res;
    std::vector<std::pair<int, int>> pairs = admissible_pairs(va);
    while (static_cast<int>(res.size()) < n && !pairs.empty()) {
        const int r = myrand(static_cast<int>(pairs.size()));
        const std::pair<int, int> ij = pairs[r];
        pairs.erase(pairs.begin() + r);
        ActionChain cand;
        cand.va = va;
        make_exchange(cand.va, ij.first, ij.second);
        if (!replay_clashes(start, cand.va)) {
            cand.strategy = kStrategyExchange;
            res.push_back(cand);
        }
    }
    return res;
}

std::vector<ActionChain> ActionChain::exchange2(const std::string&, const std::string& start, const int& n) const {
    if (n == 0) return {};
    return exchange_near(va, start, n, -1);
}

std::vector<ActionChain> ActionChain::exchange3(const std::string&, const std::string& start, const int& saddle,
                                                const int& n) const {
    // Saddle 0: the start is the highest point; a negative saddle: the parent has
    // not been evaluated. Neither has a step onto the saddle.
    if (n == 0 || saddle <= 0) return {};
    ZENTROLA_CHECK(saddle <= (int)va.size());
    return exchange_near(va, start, n, saddle - 1);
}
