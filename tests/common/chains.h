// Helpers of the operator tests: chains written as text, replay checks, counting draws.
#pragma once

#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "model/chain.h"
#include "model/structure.h"
#include "random/random_stream.h"

using Chains = std::vector<ActionChain>;

// C("-1,5 +2,9"): delete (1,5), then add (2,9).
inline ActionChain C(const std::string& s) {
    ActionChain c;
    std::istringstream in(s);
    char kind, comma;
    int lp, rp;
    while (in >> kind >> lp >> comma >> rp) c.push_back(kind == '+' ? add : del, lp, rp);
    return c;
}

inline ActionChain chain_of(const std::vector<Action>& va) {
    ActionChain c;
    c.va = va;
    return c;
}

inline bool valid_from(const std::string& A, const ActionChain& c) { return !RStruct(A).checkclash(c); }

// How many next_random() values f() consumes after seed_random(seed); -1 if not found.
template <typename F>
int count_draws(unsigned seed, F&& f) {
    seed_random(seed);
    f();
    const int next = next_random();
    seed_random(seed);
    for (int k = 0; k < 10000000; ++k)
        if (next_random() == next) return k;
    return -1;
}

// The child holds every action of the parent and, beyond them, only matching deletion/addition
// pairs of the same base pair (with equal sizes: a permutation of the parent).
inline bool parent_plus_detours(const ActionChain& parent, const ActionChain& child) {
    std::map<std::pair<int, int>, std::pair<int, int>> extra;  // pair -> (extra adds, extra dels)
    auto slot = [&](const Action& x) -> int& {
        auto& e = extra[{x.b.lp, x.b.rp}];
        return x.a == add ? e.first : e.second;
    };
    for (const Action& x : child.va) ++slot(x);
    for (const Action& x : parent.va) --slot(x);
    for (const auto& kv : extra)
        if (kv.second.first < 0 || kv.second.first != kv.second.second) return false;
    return true;
}
