// Random folding problems for property tests: a sequence, two valid structures on it
// and the four direct pathways between them. Uses its own generator so that the
// program's random stream is left alone.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "model/chain.h"
#include "model/structure.h"

struct RandomInstance {
    std::string seq;
    std::string A;
    std::string B;
    std::vector<ActionChain> parents;  // the four direct pathways from A to B
};

inline std::string random_sequence(std::mt19937& g, int n) {
    static const char letters[] = "ACGU";
    std::string s(n, 'A');
    for (char& c : s) c = letters[g() % 4];
    return s;
}

// A random nested structure whose pairs can all form (G-U allowed); every pair
// spans more than three positions, so every hairpin has at least three unpaired bases.
inline std::string random_structure(std::mt19937& g, const std::string& seq, int attempts) {
    const int n = static_cast<int>(seq.size());
    RStruct rs(std::string(n, '.'));
    for (int t = 0; t < attempts && n > 4; ++t) {
        int i = static_cast<int>(g() % n), j = static_cast<int>(g() % n);
        if (i > j) std::swap(i, j);
        if (j - i <= 3 || !match(seq[i], seq[j], 1)) continue;
        if (mycheckclash(BP(i, j), rs.vbp)) continue;
        rs.add_bp(i, j);
    }
    return rs.str;
}

inline RandomInstance random_instance(std::mt19937& g, int n) {
    RandomInstance ri;
    ri.seq = random_sequence(g, n);
    ri.A = random_structure(g, ri.seq, n);
    ri.B = random_structure(g, ri.seq, n);
    RStruct a(ri.A), b(ri.B);
    ri.parents = b.convertfrom_multipleActionChains(a);
    return ri;
}
