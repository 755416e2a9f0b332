// Counting the next_random() draws made by a call, and checking that operators leave their parent alone.
#pragma once

#include <cstdlib>
#include <map>
#include <ostream>
#include <utility>

#include "chain.h"
#include "structure.h"
#include "random_stream.h"

// Runs f() after seed_random(seed) and returns how many next_random() values it consumed: the next value
// drawn after f() is looked up in a fresh stream from the same seed. -1 if not found.
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

// Readable chains in failure messages.
inline void PrintTo(const ActionChain& c, std::ostream* os) {
    *os << "[";
    for (const Action& x : c.va) *os << " " << (x.a == add ? "add" : "del") << "(" << x.b.lp << "," << x.b.rp << ")";
    *os << " ] strategy " << c.strategy;
}

inline bool same_chain(const ActionChain& x, const ActionChain& y) {
    return x.va == y.va && x.mde == y.mde && x.avge == y.avge && x.vde == y.vde && x.strategy == y.strategy;
}

// Replays from A without a clash.
inline bool valid_from(const std::string& A, const ActionChain& c) { return !RStruct(A).checkclash(c); }

inline std::map<std::pair<int, std::pair<int, int>>, int> action_counts(const ActionChain& c) {
    std::map<std::pair<int, std::pair<int, int>>, int> m;
    for (const Action& x : c.va) ++m[{static_cast<int>(x.a), {x.b.lp, x.b.rp}}];
    return m;
}

// The offspring holds every action of the parent and, beyond them, only matching deletion and
// addition pairs of the same base pair.
inline bool parent_plus_detours(const ActionChain& parent, const ActionChain& child) {
    auto pc = action_counts(parent), cc = action_counts(child);
    for (const auto& kv : pc)
        if (cc[kv.first] < kv.second) return false;
    for (const auto& kv : cc) {
        if (kv.first.first != del) continue;
        const int extra_del = kv.second - pc[kv.first];
        const auto addkey = std::make_pair(static_cast<int>(add), kv.first.second);
        if (cc[addkey] - pc[addkey] != extra_del) return false;
    }
    for (const auto& kv : cc) {
        if (kv.first.first != add) continue;
        const auto delkey = std::make_pair(static_cast<int>(del), kv.first.second);
        if (kv.second - pc[kv.first] != cc[delkey] - pc[delkey]) return false;
    }
    return true;
}
