// Move energies of the reduced loops (the exact search's) against full evaluation, along random walks.
#include <gtest/gtest.h>

#include <random>

#include "methods/loop_moves.h"
#include "random_instance.h"

namespace {

bool can_pair(char a, char b) {
    const std::string p{a, b};
    return p == "AU" || p == "UA" || p == "GC" || p == "CG" || p == "GU" || p == "UG";
}

TEST(ReducedLoop, RandomWalksAgreeWithFullEvaluation) {
    std::mt19937 g(11);
    const nnmodel::ParamSet& par = nnmodel::turner2004();
    int moves = 0;
    for (int round = 0; round < 24; ++round) {
        const int n = 20 + static_cast<int>(g() % 280);
        const int dangles = round % 3;
        const std::string seq = random_sequence(g, n);
        const nnmodel::EncodedSequence s = nnmodel::encode_sequence(seq);
        std::string db = random_structure(g, seq, n / 2);
        methods::PairTable pt = methods::pair_table(db);
        int e = nnmodel::energy_dcal(par, s, db, dangles);
        for (int step = 0; step < 300; ++step) {
            int i = static_cast<int>(g() % n), j = static_cast<int>(g() % n);
            if (i > j) std::swap(i, j);
            if (g() % 3 == 0 && pt[i] < 0) {  // delete the pair of a random paired position instead
                for (int k = 0; k < n; ++k)
                    if (pt[(i + k) % n] >= 0) {
                        i = std::min((i + k) % n, pt[(i + k) % n]);
                        j = pt[i];
                        break;
                    }
            }
            const bool remove = pt[i] == j && i != j;
            if (!remove) {
                if (j - i < 4 || pt[i] >= 0 || pt[j] >= 0 || !can_pair(seq[i], seq[j])) continue;
                if (methods::enclosing_pair(pt, i) != methods::enclosing_pair(pt, j)) continue;  // would cross
            }
            methods::ReducedLoop loop;
            loop.build(s, pt, methods::enclosing_pair(pt, i), remove ? i : -1);
            const int d = loop.energy_toggled(par, dangles, i, j) - loop.energy(par, dangles);
            db[i] = remove ? '.' : '(';
            db[j] = remove ? '.' : ')';
            pt[i] = remove ? -1 : j;
            pt[j] = remove ? -1 : i;
            const int full = nnmodel::energy_dcal(par, s, db, dangles);
            ASSERT_EQ(e + d, full) << seq << "\n" << db << " d" << dangles << " move " << i << "," << j;
            e = full;
            ++moves;
        }
    }
    EXPECT_GT(moves, 2000);
}

}  // namespace
