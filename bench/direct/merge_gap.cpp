// How far the pairwise merge of several parts' paths is from the exact merge: random paths
// (energy steps uniform in -300..300 dcal/mol) of 2 to 5 parts with 1 to 8 steps each; prints, per
// number of parts, how often the pairwise merge's highest summed energy is above the exact one
// and by how much.
#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#include "decompose/decompose.h"

int main() {
    std::mt19937 g(1);
    for (int parts = 2; parts <= 5; ++parts) {
        int above = 0, worst = 0, trials = 20000;
        long long sum = 0;
        for (int t = 0; t < trials; ++t) {
            std::vector<std::vector<int>> e(parts);
            for (auto& p : e) {
                p.assign(1, 0);
                const int steps = 1 + static_cast<int>(g() % 8);
                for (int s = 0; s < steps; ++s) p.push_back(p.back() + static_cast<int>(g() % 601) - 300);
            }
            const int gap = decompose::merged_peak(e, decompose::merge(e)) - decompose::merge_exact(e);
            above += gap > 0;
            sum += gap;
            worst = std::max(worst, gap);
        }
        std::printf("%d parts: pairwise above exact in %d of %d (%.2f %%), mean gap %.2f dcal/mol, largest %d dcal/mol\n",
                    parts, above, trials, 100.0 * above / trials, static_cast<double>(sum) / trials, worst);
    }
    return 0;
}
