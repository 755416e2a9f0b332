// The exact search against flooding of every secondary structure, and the beam search
// against every direct path, on random short sequences.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <functional>
#include <map>
#include <numeric>
#include <random>

#include "decompose/decompose.h"
#include "methods/loop_moves.h"
#include "methods/methods.h"
#include "random_instance.h"

namespace {

bool can_pair(char a, char b) {
    const std::string p{a, b};
    return p == "AU" || p == "UA" || p == "GC" || p == "CG" || p == "GU" || p == "UG";
}

struct Landscape {
    std::vector<std::string> s;
    std::vector<int> e;
    std::vector<std::vector<int>> nb;  // one-move neighbours
    std::map<std::string, int> id;
};

// Every structure with canonical pairs and hairpins of at least 3, reached from the open chain
// by additions; each addition joins two neighbours.
Landscape landscape(const std::string& seq) {
    Landscape L;
    auto visit = [&](const std::string& t) {
        const auto [at, fresh] = L.id.emplace(t, static_cast<int>(L.s.size()));
        if (fresh) L.s.push_back(t), L.e.push_back(methods::structure_energy(seq, t)), L.nb.emplace_back();
        return at->second;
    };
    visit(std::string(seq.size(), '.'));
    const int n = static_cast<int>(seq.size());
    for (std::size_t k = 0; k < L.s.size(); ++k) {
        const std::string cur = L.s[k];
        for (int i = 0; i < n; ++i)
            for (int j = i + 1, depth = 0; j < n && depth >= 0; depth += (cur[j] == '(') - (cur[j] == ')'), ++j) {
                // depth: brackets of cur[i + 1 .. j - 1]
                if (j - i < 4 || cur[i] != '.' || cur[j] != '.' || depth != 0 || !can_pair(seq[i], seq[j])) continue;
                std::string t = cur;
                t[i] = '(';
                t[j] = ')';
                const int o = visit(t);
                L.nb[k].push_back(o);
                L.nb[o].push_back(static_cast<int>(k));
            }
    }
    return L;
}

// Lowest barrier from a to b: join structures in increasing energy until a and b connect.
int flood(const Landscape& L, int a, int b) {
    std::vector<int> order(L.s.size()), root(L.s.size(), -1);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) { return L.e[x] < L.e[y]; });
    std::function<int(int)> find = [&](int x) { return root[x] == x ? x : root[x] = find(root[x]); };
    for (int v : order) {
        root[v] = v;
        for (int w : L.nb[v])
            if (root[w] >= 0) root[find(w)] = find(v);
        if (root[a] >= 0 && root[b] >= 0 && find(a) == find(b)) return L.e[v] - L.e[a];
    }
    ADD_FAILURE() << "a and b never connect";
    return 0;
}

// Lowest barrier over direct paths, by every subset of the moves.
int best_direct(const std::string& seq, const std::string& A, const std::string& B) {
    const methods::PairTable pa = methods::pair_table(A), pb = methods::pair_table(B);
    std::vector<std::pair<int, int>> del, add;
    for (int i = 0; i < static_cast<int>(A.size()); ++i) {
        if (pa[i] > i && pb[i] != pa[i]) del.push_back({i, pa[i]});
        if (pb[i] > i && pa[i] != pb[i]) add.push_back({i, pb[i]});
    }
    const int nd = static_cast<int>(del.size()), d = nd + static_cast<int>(add.size());
    const int inf = 1 << 29;
    std::vector<int> best(1 << d, inf), energy(1 << d, inf);
    for (int mask = 0; mask < (1 << d); ++mask) {
        std::vector<std::pair<int, int>> pairs;
        for (int i = 0; i < static_cast<int>(A.size()); ++i)
            if (pa[i] > i && pb[i] == pa[i]) pairs.push_back({i, pa[i]});
        for (int m = 0; m < d; ++m)
            if ((m < nd) != static_cast<bool>(mask >> m & 1)) pairs.push_back(m < nd ? del[m] : add[m - nd]);
        std::string s(A.size(), '.');
        bool ok = true;
        for (const auto& [i, j] : pairs) {
            ok = ok && s[i] == '.' && s[j] == '.';
            s[i] = '(';
            s[j] = ')';
        }
        if (!ok) continue;
        const methods::PairTable pt = methods::pair_table(s);
        for (const auto& [i, j] : pairs) ok = ok && pt[i] == j;  // crossing pairs match differently
        if (!ok) continue;
        energy[mask] = methods::structure_energy(seq, s);
        if (mask == 0) best[0] = energy[0];
        for (int m = 0; m < d; ++m)
            if ((mask >> m & 1) && best[mask ^ (1 << m)] < inf)
                best[mask] = std::min(best[mask], std::max(best[mask ^ (1 << m)], energy[mask]));
    }
    return best.back() - energy[0];
}

TEST(Exact, EqualsFloodingOfAllStructures) {
    std::mt19937 g(5);
    int pairs = 0, detours = 0, hard = 0;
    for (int round = 0; pairs < 520; ++round) {
        const int n = 12 + round % 11;
        const std::string seq = random_sequence(g, n);
        const Landscape L = landscape(seq);
        if (L.s.size() < 8) continue;
        // Low structures as ends: between them the landscape has barriers worth the name.
        std::vector<int> low(L.s.size());
        std::iota(low.begin(), low.end(), 0);
        std::stable_sort(low.begin(), low.end(), [&](int x, int y) { return L.e[x] < L.e[y]; });
        low.resize(std::min<std::size_t>(low.size(), 30));
        for (int k = 0; k < 20; ++k, ++pairs) {
            const int a = low[g() % low.size()], b = low[g() % low.size()];
            methods::Options opt;
            opt.width = 1 + static_cast<int>(g() % 3);  // weak first bounds leave the exact search work to do
            // Both directions, one and two threads: the same proofs, and the same path for either count.
            for (int dir = 0; dir < 2; ++dir) {
                const methods::Problem pb{seq, L.s[dir ? b : a], L.s[dir ? a : b]};
                opt.threads = 1;
                const methods::PathResult r = methods::exact_path(pb, opt);
                const int want = flood(L, dir ? b : a, dir ? a : b);
                ASSERT_TRUE(r.proved) << seq << " " << pb.A << " " << pb.B;
                ASSERT_EQ(r.barrier, want) << seq << "\n" << pb.A << "\n" << pb.B;
                EXPECT_EQ(r.lower_bound, want);
                opt.threads = 2;
                const methods::PathResult r2 = methods::exact_path(pb, opt);
                EXPECT_EQ(r2.structures, r.structures);
                EXPECT_EQ(r2.states, r.states);
                // The path replays from A to B with the energies reported.
                ASSERT_EQ(r.structures.front(), pb.A);
                ASSERT_EQ(r.structures.back(), pb.B);
                const methods::PathResult again = methods::path_of(seq, r.structures);
                EXPECT_EQ(again.energies, r.energies);
                EXPECT_EQ(again.barrier, r.barrier);
                if (dir) continue;
                const methods::PathResult direct = methods::direct_path(pb, opt);
                EXPECT_GE(direct.barrier, want);  // no heuristic path beats a proof
                detours += direct.barrier > want;
                hard += want > std::max(0, again.energies.back() - again.energies.front());
            }
        }
    }
    // The instances are not all trivial, and some need paths outside A and B.
    EXPECT_GT(hard, 100);
    EXPECT_GT(detours, 20);
}

// dsrA: the best barrier by a short path (the floods meet on a long detour).
TEST(Exact, ShortestBestPathOnDsrA) {
    const methods::Problem pb{"ACACAUCAGAUUUCCUGGUGUAACGAAUUUUUUAAGUGCUUCUUGCUUAAGCAAGUUUCAUCCCGACCCCCUCAGGGUCGGGAUU",
                              "..(((((((.....)))))))...(((((((((((((.......))))))).)))))).((((((((((.....)))))))))).",
                              "..(((((((.....)))))))................(...(((((....)))))...)((((((((((.....))))))))))."};
    for (int threads : {1, 2}) {
        methods::Options opt;
        opt.threads = threads;
        const methods::PathResult r = methods::exact_path(pb, opt);
        EXPECT_EQ(r.barrier, 790);
        EXPECT_TRUE(r.proved);
        EXPECT_LE(r.moves.size(), 23u);
    }
}

// The budget holds on long problems: copies of dsrA switch one after the other, far too many
// structures to prove; time and the bytes reported stay within generous limits of -t and -M,
// and a cap below what the path itself needs is an error, not an overrun.
TEST(Exact, BudgetHoldsUpTo20000Nucleotides) {
    for (const int copies : {58, 235}) {  // 5,000 and 19,999 nt
        methods::Problem pb;
        for (int copy = 0; copy < copies; ++copy) {
            pb.sequence += "ACACAUCAGAUUUCCUGGUGUAACGAAUUUUUUAAGUGCUUCUUGCUUAAGCAAGUUUCAUCCCGACCCCCUCAGGGUCGGGAUU";
            pb.A += "..(((((((.....)))))))...(((((((((((((.......))))))).)))))).((((((((((.....)))))))))).";
            pb.B += "..(((((((.....)))))))................(...(((((....)))))...)((((((((((.....)))))))))).";
        }
        const std::size_t pad = copies == 58 ? 70 : 24;
        pb.sequence += std::string(pad, 'A'), pb.A += std::string(pad, '.'), pb.B += std::string(pad, '.');
        // A first bound without the beam: the copies switch one by one along the best path of one.
        methods::Options opt;
        const methods::PathResult one =
            methods::exact_path({pb.sequence.substr(0, 85), pb.A.substr(0, 85), pb.B.substr(0, 85)}, opt);
        std::vector<std::string> path{pb.A};
        for (int copy = 0; copy < copies; ++copy)
            for (std::size_t k = 1; k < one.structures.size(); ++k) {
                std::string s = path.back();
                path.push_back(s.replace(85 * copy, 85, one.structures[k]));
            }
        const methods::PathResult known = methods::path_of(pb.sequence, path);
        opt.seconds = 1;
        opt.memory_mib = 64;
        if (copies == 235) {  // the path's structures alone take about 90 MiB
            EXPECT_THROW(methods::exact_path(pb, opt, &known), std::invalid_argument);
            // The beam past its time on a part longer than the local move energies reach: the
            // energies summed from the parts equal those of whole structures.
            methods::Options quick = opt;
            quick.seconds = 0.2;
            quick.memory_mib = 256;
            const methods::PathResult beam = methods::direct_path(pb, quick);
            EXPECT_EQ(beam.energies, methods::path_of(pb.sequence, beam.structures).energies);
            opt.keep_structures = false;  // A and the moves: the cap of 64 MiB holds
        }
        const methods::PathResult r = methods::exact_path(pb, opt, &known);
        EXPECT_LT(r.seconds, 3 * opt.seconds);
        EXPECT_LE(r.peak_bytes, opt.memory_mib << 20);
        EXPECT_GT(r.peak_bytes, std::size_t{12} << 20);  // the program and the path are counted
        EXPECT_FALSE(r.proved);
        EXPECT_LE(r.lower_bound, r.barrier);
        EXPECT_EQ(r.structures.size(), opt.keep_structures ? r.moves.size() + 1 : 1u);
    }
}

TEST(Direct, WideBeamFindsTheBestDirectPath) {
    std::mt19937 g(8);
    int checked = 0;
    for (int round = 0; checked < 150; ++round) {
        const int n = 20 + static_cast<int>(g() % 40);
        const std::string seq = random_sequence(g, n);
        const methods::Problem pb{seq, random_structure(g, seq, n / 3), random_structure(g, seq, n / 3)};
        const methods::PairTable pa = methods::pair_table(pb.A), pbt = methods::pair_table(pb.B);
        int d = 0;
        for (int i = 0; i < n; ++i) d += (pa[i] > i && pbt[i] != pa[i]) + (pbt[i] > i && pa[i] != pbt[i]);
        if (d > 12) continue;
        ++checked;
        methods::Options opt;
        const methods::PathResult beam = methods::direct_path(pb, opt);
        // A valid direct path: every step moves a pair of A not in B or of B not in A.
        ASSERT_EQ(static_cast<int>(beam.moves.size()), d);
        for (const methods::Move& m : beam.moves) EXPECT_EQ(m.add ? pbt[m.i] : pa[m.i], m.j);
        const methods::PathResult replayed = methods::path_of(seq, beam.structures);
        EXPECT_EQ(replayed.barrier, beam.barrier);
        EXPECT_EQ(beam.barrier, *std::max_element(beam.energies.begin(), beam.energies.end()) - beam.energies[0]);
        opt.width = 1000;  // above every layer's size: the beam keeps every direct path
        EXPECT_EQ(methods::direct_path(pb, opt).barrier, best_direct(seq, pb.A, pb.B)) << seq << "\n"
                                                                                       << pb.A << "\n"
                                                                                       << pb.B;
    }
}

// A random structure of stacked helices (three or more pairs each): low energies, so that the
// barriers between two of them are worth the name.
std::string helix_structure(std::mt19937& g, const std::string& seq) {
    const int n = static_cast<int>(seq.size());
    std::string s(n, '.');
    for (int t = 0; t < 4 * n; ++t) {
        const int i = static_cast<int>(g() % n), j = static_cast<int>(g() % n);
        int len = 0;
        while (j - i - 2 * len >= 4 && s[i + len] == '.' && s[j - len] == '.' && can_pair(seq[i + len], seq[j - len]))
            ++len;
        if (len < 3) continue;
        int depth = 0;
        for (int k = i + 1; k < j && depth >= 0; ++k) depth += (s[k] == '(') - (s[k] == ')');
        if (depth != 0) continue;
        for (int k = 0; k < len; ++k) s[i + k] = '(', s[j - k] = ')';
    }
    return s;
}

// B keeps about half of A's pairs and adds random ones: problems that split at shared pairs.
std::string sharing_structure(std::mt19937& g, const std::string& seq, const std::string& A) {
    std::string B(A.size(), '.');
    const methods::PairTable pa = methods::pair_table(A);
    for (int i = 0; i < static_cast<int>(A.size()); ++i)
        if (pa[i] > i && g() % 2) B[i] = '(', B[pa[i]] = ')';
    for (int t = 0; t < static_cast<int>(A.size()); ++t) {
        const int i = static_cast<int>(g() % A.size()), j = static_cast<int>(g() % A.size());
        if (j - i < 4 || B[i] != '.' || B[j] != '.' || !can_pair(seq[i], seq[j])) continue;
        int depth = 0;
        for (int k = i + 1; k < j && depth >= 0; ++k) depth += (B[k] == '(') - (B[k] == ')');
        if (depth == 0) B[i] = '(', B[j] = ')';
    }
    return B;
}

TEST(DirectExact, EqualsEveryOrderOfTheMoves) {
    std::mt19937 g(21);
    int checked = 0, improved = 0;
    for (int round = 0; checked < 300; ++round) {
        const int n = 20 + static_cast<int>(g() % 41);
        const std::string seq = random_sequence(g, n);
        const std::string A = helix_structure(g, seq);
        const methods::Problem pb{seq, A, round % 2 ? helix_structure(g, seq) : sharing_structure(g, seq, A)};
        const methods::PairTable pa = methods::pair_table(pb.A), pbt = methods::pair_table(pb.B);
        int d = 0;
        for (int i = 0; i < n; ++i) d += (pa[i] > i && pbt[i] != pa[i]) + (pbt[i] > i && pa[i] != pbt[i]);
        if (d > 14 || d < 6) continue;
        ++checked;
        methods::Options opt;
        opt.width = 1;  // a weak first bound leaves the search work to do
        const methods::PathResult beam = methods::direct_path(pb, opt);
        const methods::PathResult r = methods::direct_exact_path(pb, opt, &beam);
        const int want = best_direct(seq, pb.A, pb.B);
        ASSERT_TRUE(r.proved);
        EXPECT_EQ(r.stop, methods::StopReason::proved);
        ASSERT_EQ(r.barrier, want) << seq << "\n" << pb.A << "\n" << pb.B;
        EXPECT_EQ(r.lower_bound, want);
        ASSERT_EQ(static_cast<int>(r.moves.size()), d);
        for (const methods::Move& m : r.moves) EXPECT_EQ(m.add ? pbt[m.i] : pa[m.i], m.j);
        EXPECT_EQ(methods::path_of(seq, r.structures).energies, r.energies);
        improved += r.barrier < beam.barrier;
        // Without time the search stops at once with the beam's path and a bound below it.
        opt.seconds = 1e-9;
        const methods::PathResult none = methods::direct_exact_path(pb, opt, &beam);
        EXPECT_EQ(none.barrier, beam.barrier);
        EXPECT_LE(none.lower_bound, want);
        EXPECT_EQ(none.stop, beam.proved ? methods::StopReason::proved : methods::StopReason::budget);
    }
    EXPECT_GE(improved, 15);  // the beam of width 1 is not always the best
}

TEST(Decompose, PartsAddUpAndMergeWell) {
    std::mt19937 g(22);
    int split = 0, equal = 0, checked = 0;
    for (int round = 0; checked < 150; ++round) {
        const int n = 20 + static_cast<int>(g() % 41);
        const std::string seq = random_sequence(g, n);
        const std::string A = helix_structure(g, seq);
        const methods::Problem pb{seq, A, sharing_structure(g, seq, A)};
        const std::vector<decompose::Part> parts = decompose::split(seq, pb.A, pb.B);
        // Every move of the problem is in exactly one part, at its own position.
        int moves = 0;
        for (const decompose::Part& p : parts)
            for (std::size_t k = 0; k < p.at.size(); ++k) {
                ASSERT_EQ(p.at[k] < 0 ? 'N' : seq[p.at[k]], p.sequence[k]);
                if (p.A[k] == '(' && p.at[k] >= 0) {
                    EXPECT_EQ(pb.A[p.at[k]], '(');
                }
                moves += p.A[k] != p.B[k];
            }
        const methods::PairTable pa = methods::pair_table(pb.A), pbt = methods::pair_table(pb.B);
        int d = 0;
        for (int i = 0; i < n; ++i) d += (pa[i] > i && pbt[i] != pa[i]) + (pbt[i] > i && pa[i] != pbt[i]);
        EXPECT_LE(moves, 2 * d);
        if (d > 14 || parts.size() < 2) continue;
        ++checked;
        split += 1;
        methods::Options opt;
        opt.width = 1 << 14;  // every part's best direct path (direct_path checks that the energies add up)
        const methods::PathResult r = methods::direct_path(pb, opt);
        const int want = best_direct(seq, pb.A, pb.B);
        ASSERT_GE(r.barrier, want);
        equal += r.barrier == want;
        opt.split = false;
        EXPECT_EQ(methods::direct_path(pb, opt).barrier, want);
    }
    EXPECT_EQ(equal, checked) << "of " << split;
}

TEST(Decompose, MergeOfTwoPathsIsExact) {
    std::mt19937 g(23);
    for (int t = 0; t < 2000; ++t) {
        std::vector<std::vector<int>> e(2 + t % 3);
        for (auto& p : e) {
            p.assign(1, static_cast<int>(g() % 100));
            for (int s = g() % 7; s >= 0; --s) p.push_back(p.back() + static_cast<int>(g() % 601) - 300);
        }
        const std::vector<int> order = decompose::merge(e);
        for (std::size_t p = 0; p < e.size(); ++p)
            ASSERT_EQ(std::count(order.begin(), order.end(), static_cast<int>(p)), static_cast<long>(e[p].size() - 1));
        const int got = decompose::merged_peak(e, order), best = decompose::merge_exact(e);
        if (e.size() == 2) {
            ASSERT_EQ(got, best);
        }
        ASSERT_GE(got, best);
    }
}

// The time budget holds on a long problem (a generous limit: three times the budget), and a
// cancelled search stops at once; either way the answer is a valid direct path.
TEST(DirectExact, StopsWithinTheBudget) {
    // A generated 2,000-nt instance (bench/direct/long.tsv), base-pair distance 583.
    std::ifstream in(std::string(ZENTROLA_SOURCE) + "/bench/direct/long.tsv");
    std::string line, id;
    while (std::getline(in, line) && line.rfind("len2000_s22_1\t", 0) != 0) {
    }
    std::istringstream f(line);
    methods::Problem pb;
    std::getline(f, id, '\t');
    std::getline(f, pb.sequence, '\t');
    std::getline(f, pb.A, '\t');
    std::getline(f, pb.B, '\t');
    ASSERT_EQ(pb.sequence.size(), 2000u);
    std::atomic<bool> stop{false};
    methods::Options opt;
    // The memory cap: below the path's own needs an error; a small one stops the proof search.
    opt.memory_mib = 1;
    EXPECT_THROW(methods::direct_exact_path(pb, opt), std::invalid_argument);
    opt.memory_mib = 20;
    opt.width = 1;
    const methods::PathResult capped = methods::direct_exact_path(pb, opt);
    EXPECT_EQ(capped.stop, methods::StopReason::memory);
    EXPECT_LE(capped.peak_bytes, opt.memory_mib << 20);
    EXPECT_EQ(capped.structures.back(), pb.B);
    opt = methods::Options();
    opt.seconds = 2;
    opt.cancel = &stop;
    for (bool cancel : {false, true}) {
        stop = cancel;
        const auto t0 = std::chrono::steady_clock::now();
        const methods::PathResult r = methods::direct_exact_path(pb, opt);
        const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        EXPECT_LT(took, 3 * opt.seconds);
        EXPECT_GT(r.moves.size(), 100u);
        EXPECT_EQ(r.structures.back(), pb.B);
        EXPECT_EQ(r.stop, cancel ? methods::StopReason::interrupted : methods::StopReason::budget);
        EXPECT_LT(r.lower_bound, r.barrier);
    }
}

}  // namespace
