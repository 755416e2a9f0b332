// Shared helpers: counting next_random() draws, building chains, checking offspring.
#pragma once

#include <map>
#include <ostream>
#include <sstream>
#include <utility>

#include "model/chain.h"
#include "random/random_stream.h"
#include "model/structure.h"

// How many next_random() values f() consumes after seed_random(seed); -1 if not found.
template <typename F>
int count_draws(unsigned seed, F&& f, int limit = 2000000) {
    seed_random(seed);
    f();
    const int next = next_random();
    seed_random(seed);
    for (int k = 0; k < limit; ++k)
        if (next_random() == next) return k;
    return -1;
}

inline void PrintTo(const ActionChain& c, std::ostream* os) {  // readable failures, in the C() notation
    for (const Action& x : c.va) *os << (x.a == add ? " +" : " -") << x.b.lp << "," << x.b.rp;
    *os << " (strategy " << c.strategy << ")";
}

// C("-1,5 +2,9"): delete (1,5), then add (2,9).
inline ActionChain C(const std::string& s) {
    ActionChain c;
    std::istringstream in(s);
    char kind, comma;
    int lp, rp;
    while (in >> kind >> lp >> comma >> rp) c.push_back(kind == '+' ? add : del, lp, rp);
    return c;
}

inline bool same_chain(const ActionChain& x, const ActionChain& y) {
    return x.va == y.va && x.mde == y.mde && x.avge == y.avge && x.vde == y.vde && x.strategy == y.strategy;
}

inline bool valid_from(const std::string& A, const ActionChain& c) { return !RStruct(A).checkclash(c); }

inline RStruct at_step(const std::string& A, const ActionChain& p, int step) {
    RStruct rs(A);
    for (int i = 0; i < step; ++i) rs.applyAction(p.va[i]);
    return rs;
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
