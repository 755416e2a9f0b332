// Random structures shared by the energy benchmarks: helices of canonical pairs placed at
// random until about 60 % of the bases are paired. Deterministic for a given generator state.
#pragma once

#include <random>
#include <string>
#include <vector>

namespace benchstructures {

inline bool canonical(char a, char b) {
    const std::string ab{a, b};
    return ab == "AU" || ab == "UA" || ab == "CG" || ab == "GC" || ab == "GU" || ab == "UG";
}

inline std::string dot_bracket(const std::vector<int>& pt) {
    std::string db(pt.size(), '.');
    for (std::size_t k = 0; k < pt.size(); ++k)
        if (pt[k] >= 0) db[k] = pt[k] > static_cast<int>(k) ? '(' : ')';
    return db;
}

// Partner table (-1 unpaired) of a random structure of seq, built from random helices: a random
// canonical pair (i, j) that crosses no pair placed so far, extended inwards by up to 2..8
// stacked canonical pairs; spans mostly local, some long-range.
inline std::vector<int> random_structure(const std::string& seq, std::mt19937_64& rng) {
    const int n = static_cast<int>(seq.size());
    std::vector<int> pt(n, -1);
    auto fits = [&](int i, int j) {
        if (j - i - 1 < 3 || pt[i] >= 0 || pt[j] >= 0 || !canonical(seq[i], seq[j])) return false;
        for (int k = i + 1; k < j; ++k)
            if (pt[k] >= 0 && (pt[k] < i || pt[k] > j)) return false;
        return true;
    };
    int paired = 0;
    for (int tries = 0; tries < 50 * n && paired < n * 6 / 10; ++tries) {
        const int span = 4 + static_cast<int>(rng() % 4 == 0 ? rng() % n : rng() % 40);
        const int i = static_cast<int>(rng() % n);
        const int j = i + span;
        if (j >= n || !fits(i, j)) continue;
        const int want = 2 + static_cast<int>(rng() % 7);
        int len = 1;
        while (len < want && fits(i + len, j - len)) ++len;
        if (len < 2 && rng() % 8 != 0) continue;
        for (int k = 0; k < len; ++k) {
            pt[i + k] = j - k;
            pt[j - k] = i + k;
        }
        paired += 2 * len;
    }
    return pt;
}

}  // namespace benchstructures
