// Shared helpers of the variation-operator tests.
#pragma once

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "chain.h"
#include "random_instance.h"
#include "structure.h"
#include "random_stream.h"

// A chain built from a list of moves.
inline ActionChain chain_of(const std::vector<Action>& va) {
    ActionChain c;
    c.va = va;
    return c;
}

// Validity by the structure model itself.
inline bool applies_from(const std::string& A, const ActionChain& c) { return !RStruct(A).checkclash(c); }

// Number of next_random() draws made since seed_random(seed), given the value r drawn right after
// the call under test: r is the (k+1)-th value of the stream when k draws were made.
inline int draws_made(unsigned seed, int r) {
    seed_random(seed);
    for (int k = 0; k < 10000000; ++k)
        if (next_random() == r) return k;
    return -1;
}

// Runs f() after seed_random(seed) and returns how many draws it made.
template <typename F>
int count_draws(unsigned seed, F f) {
    seed_random(seed);
    f();
    const int r = next_random();
    return draws_made(seed, r);
}

// A random structure made of helices: each pair that can be added is grown inward while
// the bases keep pairing, as in folded RNA.
inline std::string random_helix_structure(std::mt19937& g, const std::string& seq, int attempts) {
    const int n = static_cast<int>(seq.size());
    RStruct rs(std::string(n, '.'));
    for (int t = 0; t < attempts && n > 4; ++t) {
        int i = static_cast<int>(g() % n), j = static_cast<int>(g() % n);
        if (i > j) std::swap(i, j);
        while (j - i > 3 && match(seq[i], seq[j], 1) && !mycheckclash(BP(i, j), rs.vbp)) {
            rs.add_bp(i, j);
            ++i;
            --j;
        }
    }
    return rs.str;
}

// Like random_instance, with helix-rich structures.
inline RandomInstance random_helix_instance(std::mt19937& g, int n) {
    RandomInstance ri;
    ri.seq = random_sequence(g, n);
    ri.A = random_helix_structure(g, ri.seq, n / 2);
    ri.B = random_helix_structure(g, ri.seq, n / 2);
    RStruct a(ri.A), b(ri.B);
    ri.parents = b.convertfrom_multipleActionChains(a);
    return ri;
}

// Random problems with the parents to try: the four direct paths, plus the offspring
// that `more` makes from them (called with a fresh srand per instance).
struct ParentSet {
    RandomInstance inst;
    std::vector<ActionChain> parents;
};

// Every other instance has helix-rich structures.
template <typename More>
std::vector<ParentSet> random_parent_sets(unsigned seed, int count, More more, int max_len = 80) {
    std::mt19937 g(seed);
    std::vector<ParentSet> sets;
    for (int c = 0; c < count; ++c) {
        ParentSet ps;
        const int len = 20 + static_cast<int>(g() % (max_len - 19));  // 20..max_len bases
        ps.inst = c % 2 ? random_helix_instance(g, len) : random_instance(g, len);
        ps.parents = ps.inst.parents;
        seed_random(seed + c);
        for (const ActionChain& p : ps.inst.parents) {
            for (const ActionChain& o : more(ps.inst, p)) ps.parents.push_back(o);
        }
        sets.push_back(ps);
    }
    return sets;
}

inline std::vector<ActionChain> no_more(const RandomInstance&, const ActionChain&) { return {}; }
