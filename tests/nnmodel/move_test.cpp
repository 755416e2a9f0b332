// Move energies against full evaluation: every step of random walks (random sequences,
// reference structures, altered parameter sets) compares move_delta with the difference of two
// energy_dcal values of the dot-bracket strings.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "nnmodel/move.h"
#include "nnmodel/nnmodel.h"

namespace {

using nnmodel::EncodedSequence;
using nnmodel::ParamSet;

std::string dot_bracket(const std::vector<int>& pt) {
    std::string db(pt.size(), '.');
    for (std::size_t k = 0; k < pt.size(); ++k)
        if (pt[k] >= 0) db[k] = pt[k] > static_cast<int>(k) ? '(' : ')';
    return db;
}

// Applies the move and checks its delta (and energy_dcal_pt) against full evaluation.
// model == nullptr: the entry point taking the parameter set.
void move_and_check(const ParamSet& p, const nnmodel::MoveModel* model, const EncodedSequence& s, std::vector<int>& pt,
                    int i, int j, int d) {
    const std::string before = dot_bracket(pt);
    const int e0 = nnmodel::energy_dcal(p, s, before, d);
    const int delta = model ? nnmodel::move_delta(*model, s, pt, i, j, d) : nnmodel::move_delta(p, s, pt, i, j, d);
    const bool add = pt[i] < 0;
    pt[i] = add ? j : -1;
    pt[j] = add ? i : -1;
    const std::string after = dot_bracket(pt);
    const int e1 = nnmodel::energy_dcal(p, s, after, d);
    ASSERT_EQ(delta, e1 - e0) << (add ? "add (" : "delete (") << i << "," << j << ") d" << d << "\n"
                              << s.letters << "\n"
                              << before << "\n"
                              << after;
    ASSERT_EQ(nnmodel::energy_dcal_pt(p, s, pt, d), e1) << after;
}

bool canonical(char a, char b) {
    const std::string ab{a, b};
    return ab == "AU" || ab == "UA" || ab == "CG" || ab == "GC" || ab == "GU" || ab == "UG";
}

// One step of a random walk over canonical structures with hairpins of at least 3 bases:
// deletes a random pair, extends a random helix, or adds a random pair inside the loop of a
// random unpaired base.
void random_step(const std::string& seq, std::vector<int>& pt, std::mt19937& rng, int& i, int& j) {
    const int n = static_cast<int>(seq.size());
    auto addable = [&](int a, int b) {
        return a >= 0 && b < n && b - a >= 4 && pt[a] < 0 && pt[b] < 0 && canonical(seq[a], seq[b]);
    };
    std::vector<int> paired;
    for (int k = 0; k < n; ++k)
        if (pt[k] > k) paired.push_back(k);
    for (;;) {
        const unsigned r = rng() % 100;
        if (r < 35 && !paired.empty()) {
            i = paired[rng() % paired.size()];
            j = pt[i];
            return;
        }
        if (r < 65 && !paired.empty()) {  // stack on a helix end; both candidates share its loops
            const int k = paired[rng() % paired.size()];
            const int a = rng() % 2 ? k - 1 : k + 1, b = a < k ? pt[k] + 1 : pt[k] - 1;
            if (addable(a, b)) {
                i = a;
                j = b;
                return;
            }
            continue;
        }
        i = static_cast<int>(rng() % n);
        if (pt[i] >= 0) continue;
        int start = i - 1;  // opening of the enclosing pair, -1 for the exterior loop
        while (start >= 0 && pt[start] < start) start = pt[start] < 0 ? start - 1 : pt[start] - 1;
        const int end = start >= 0 ? pt[start] : n;
        std::vector<int> mates;
        for (int k = start + 1; k<end; k = pt[k]> k ? pt[k] + 1 : k + 1)
            if (addable(std::min(i, k), std::max(i, k))) mates.push_back(k);
        if (mates.empty()) continue;
        j = mates[rng() % mates.size()];
        if (j < i) std::swap(i, j);
        return;
    }
}

void random_walks(const ParamSet& p, const nnmodel::MoveModel* model, const std::vector<int>& lengths,
                  int steps_per_base, unsigned seed) {
    std::mt19937 rng(seed);
    for (int n : lengths) {
        std::string seq(n, 'A');
        for (char& c : seq) c = "ACGU"[rng() % 4];
        const EncodedSequence s = nnmodel::encode_sequence(seq);
        for (int d = 0; d <= 2; ++d) {
            std::vector<int> pt(n, -1);
            const int steps = std::min(steps_per_base * n, 3000);
            for (int step = 0; step < steps; ++step) {
                int i = 0, j = 0;
                random_step(seq, pt, rng, i, j);
                ASSERT_NO_FATAL_FAILURE(move_and_check(p, model, s, pt, i, j, d)) << "step " << step;
            }
        }
    }
}

TEST(MoveDelta, RandomWalksOnRandomSequences) {
    random_walks(nnmodel::turner2004(), nullptr, {20, 23, 31, 47, 64, 100, 157, 300, 512, 1000}, 6, 11);
}

// Tables scaled up until the sums come near the sentinel, and INF in tables the loops reach:
// the bound must send these to full evaluation exactly when local sums would differ.
TEST(MoveDelta, RandomWalksOnAlteredParameterSets) {
    const ParamSet& base = nnmodel::turner2004();
    for (int scale : {1, 3, 40, 400}) {
        ParamSet p = base;
        int* first = &p.stack[0][0];
        int* last = reinterpret_cast<int*>(&p.max_ninio + 1);
        for (int* v = first; v != last; ++v)
            if (*v != nnmodel::kInf) *v *= scale;
        p.ml_base = 3 * scale;
        p.ninio = -7 * scale;
        const nnmodel::MoveModel m = nnmodel::prepare_moves(p);
        random_walks(p, &m, {40, 300}, 4, 100 + scale);
    }
    ParamSet p = base;
    p.int22[1][2][1][1][1][1] = nnmodel::kInf;
    p.mismatch_interior[2][1][1] = nnmodel::kInf;
    p.int11[1][1][1][1] = nnmodel::kInf;
    const nnmodel::MoveModel m = nnmodel::prepare_moves(p);
    random_walks(p, &m, {60, 200}, 4, 7);
    random_walks(p, nullptr, {50}, 4, 8);  // an unprepared set other than the compiled-in one
}

// From every reference structure to the open chain and back, pairs in random order: non-canonical
// pairs, unknown bases, hairpins of fewer than 3 bases (the sentinel sums), every loop type.
TEST(MoveDelta, WalksThroughReferenceStructures) {
    std::mt19937 rng(5);
    int rows = 0;
    for (const char* file : {"energies.tsv", "rules.tsv"}) {
        std::ifstream in(std::string(NNMODEL_TEST_DATA_DIR) + "/" + file);
        ASSERT_TRUE(in) << file;
        std::string line;
        std::getline(in, line);
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string seq, db;
            fields >> seq >> db;
            const EncodedSequence s = nnmodel::encode_sequence(seq);
            std::vector<int> pt(db.size(), -1), open, pairs;
            for (int k = 0; k < static_cast<int>(db.size()); ++k) {
                if (db[k] == '(') open.push_back(k);
                if (db[k] != ')') continue;
                pt[k] = open.back();
                pt[open.back()] = k;
                pairs.push_back(open.back());
                open.pop_back();
            }
            const std::vector<int> target = pt;
            const int d = rows++ % 3;
            std::shuffle(pairs.begin(), pairs.end(), rng);
            for (int i : pairs)
                ASSERT_NO_FATAL_FAILURE(move_and_check(nnmodel::turner2004(), nullptr, s, pt, i, target[i], d));
            std::shuffle(pairs.begin(), pairs.end(), rng);
            for (int i : pairs)
                ASSERT_NO_FATAL_FAILURE(move_and_check(nnmodel::turner2004(), nullptr, s, pt, i, target[i], d));
            ASSERT_EQ(pt, target);
        }
    }
    EXPECT_EQ(rows, 8183 + 2849);
}

TEST(MoveDelta, RejectsInvalidMoves) {
    const EncodedSequence s = nnmodel::encode_sequence("GGGGAAACCCCAAAGGGAAAACCC");
    const ParamSet& p = nnmodel::turner2004();
    std::vector<int> pt(s.length(), -1);
    pt[1] = 9;
    pt[9] = 1;
    EXPECT_THROW(nnmodel::move_delta(p, s, pt, 5, 12, 1), std::invalid_argument);  // crosses (1,9)
    EXPECT_THROW(nnmodel::move_delta(p, s, pt, 0, 5, 1), std::invalid_argument);   // crosses (1,9)
    EXPECT_THROW(nnmodel::move_delta(p, s, pt, 1, 10, 1), std::invalid_argument);  // 1 is paired
    EXPECT_THROW(nnmodel::move_delta(p, s, pt, 12, 12, 1), std::invalid_argument);
    EXPECT_THROW(nnmodel::move_delta(p, s, pt, 0, 20, 3), std::invalid_argument);
    pt.pop_back();
    EXPECT_THROW(nnmodel::move_delta(p, s, pt, 0, 20, 1), std::invalid_argument);
    EXPECT_THROW(nnmodel::energy_dcal_pt(p, s, pt, 1), std::invalid_argument);
}

}  // namespace
