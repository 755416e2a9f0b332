// Shared helpers of the variation-operator tests.
#pragma once

#include <string>
#include <vector>

#include "model/chain.h"
#include "random_instance.h"
#include "random/random_stream.h"
#include "model/structure.h"

using Chains = std::vector<ActionChain>;

inline ActionChain chain_of(const std::vector<Action>& va) {
    ActionChain c;
    c.va = va;
    return c;
}

inline bool applies_from(const std::string& A, const ActionChain& c) { return !RStruct(A).checkclash(c); }

// Runs f() after seed_random(seed) and returns how many next_random() draws it made.
template <typename F>
int count_draws(unsigned seed, F f) {
    seed_random(seed);
    f();
    const int r = next_random();
    seed_random(seed);
    for (int k = 0; k < 10000000; ++k)
        if (next_random() == r) return k;
    return -1;
}

// True when f() returns no offspring without drawing.
template <typename F>
bool nothing_drawn(F f) {
    Chains out{ActionChain()};
    return count_draws(1, [&] { out = f(); }) == 0 && out.empty();
}
