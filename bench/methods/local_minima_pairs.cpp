// Makes folding problems as pairs of local minima of the energy: per instance a uniformly
// random sequence, several structures each reached by descent from the open chain (random
// order of moves, a move taken when it lowers the energy, until none does; a move adds or
// deletes one pair, or adds a pair with its stacked inner neighbour), and
// as A the lowest minimum and as B the next lowest whose base-pair distance to A lies in
// [MINDIST, MAXDIST] (a sequence without such a pair is skipped).
// Prints a TSV with the columns of public.tsv that the benchmark script reads (id, sequence,
// A, B, len, bpdist, E_A, E_B, fp_w4d, exact_direct, exact_any; the anchors NA).
//
//   local_minima_pairs SEED COUNT MINLEN MAXLEN [MINDIST [MAXDIST]]
//   local_minima_pairs --descend SEED MINDIST MAXDIST < rows.tsv   (see descend_rows)
//   local_minima_pairs --sample SEED COUNT MINLEN MAXLEN MINDIST MAXDIST [minima]   (see sample_pairs)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "methods/common.h"

namespace {

bool can_pair(char a, char b) {
    const std::string p{a, b};
    return p == "AU" || p == "UA" || p == "GC" || p == "CG" || p == "GU" || p == "UG";
}

// Every pair the sequence allows: canonical or wobble, hairpin of at least 3.
std::vector<std::pair<int, int>> candidate_pairs(const std::string& seq) {
    const int n = static_cast<int>(seq.size());
    std::vector<std::pair<int, int>> cand;
    for (int i = 0; i < n; ++i)
        for (int j = i + 4; j < n; ++j)
            if (can_pair(seq[i], seq[j])) cand.push_back({i, j});
    return cand;
}

// Adds or removes (a, b) in both the pair table and the dot-bracket.
void set_pair(methods::PairTable& pt, std::string& s, int a, int b, bool add) {
    pt[a] = add ? b : -1;
    pt[b] = add ? a : -1;
    s[a] = add ? '(' : '.';
    s[b] = add ? ')' : '.';
}

// Descent to a local minimum: every pair (i, j) that can form without crossing and every pair
// present is a move; moves are tried in a random order and taken when they lower the energy.
std::string descend(std::mt19937& g, const std::string& seq, std::string s) {
    const nnmodel::EncodedSequence es = nnmodel::encode_sequence(seq);
    std::vector<std::pair<int, int>> cand = candidate_pairs(seq);
    for (bool moved = true; moved;) {
        moved = false;
        std::shuffle(cand.begin(), cand.end(), g);
        methods::PairTable pt = methods::pair_table(s);
        for (const auto& [i, j] : cand) {
            const bool present = pt[i] == j;
            if (!present) {
                if (pt[i] >= 0 || pt[j] >= 0) continue;
                bool crossing = false;
                for (int k = i + 1; k < j && !crossing; ++k) crossing = pt[k] >= 0 && (pt[k] < i || pt[k] > j);
                if (crossing) continue;
            }
            auto toggle = [&](int a, int b, bool add) { set_pair(pt, s, a, b, add); };
            const int d = methods::move_delta(methods::model_params(), es, pt, i, j, methods::model_dangles());
            if (d < 0) {
                toggle(i, j, !present);
                moved = true;
                continue;
            }
            // A lone pair rarely pays: a new pair with its stacked inner neighbour, as one move.
            if (present || j - i < 6 || pt[i + 1] >= 0 || pt[j - 1] >= 0 || !can_pair(seq[i + 1], seq[j - 1])) continue;
            toggle(i, j, true);
            if (d + methods::move_delta(methods::model_params(), es, pt, i + 1, j - 1, methods::model_dangles()) < 0) {
                toggle(i + 1, j - 1, true);
                moved = true;
            } else {
                toggle(i, j, false);
            }
        }
    }
    return s;
}

int distance(const std::string& a, const std::string& b) {
    const methods::PairTable pa = methods::pair_table(a), pb = methods::pair_table(b);
    int d = 0;
    for (int k = 0; k < static_cast<int>(a.size()); ++k) d += (pa[k] > k && pb[k] != pa[k]) + (pb[k] > k && pa[k] != pb[k]);
    return d;
}

// Both ends unpaired and in the same loop: skips over the helices between them.
bool compatible(const methods::PairTable& pt, int i, int j) {
    if (pt[i] >= 0 || pt[j] >= 0) return false;
    for (int k = i + 1; k < j;) {
        if (pt[k] < 0) {
            ++k;
        } else {
            if (pt[k] < k || pt[k] > j) return false;
            k = pt[k] + 1;
        }
    }
    return true;
}

// Metropolis chain at 37 degrees over the structures of `seq`, from the open chain. A proposal
// picks one candidate pair uniformly and toggles it (a deletion if present, an addition if it
// can form), or toggles it with its stacked inner neighbour when both are present or both can
// form together; every proposal is its own reverse with the same probability, so the chain's
// stationary law is the Boltzmann distribution at the final temperature. The temperature falls
// from 3 kT to kT over the first `burn` proposals; then `snapshots` structures are taken every
// `spacing` proposals.
std::vector<std::string> metropolis(std::mt19937& g, const std::string& seq, long burn, long spacing, int snapshots) {
    const int n = static_cast<int>(seq.size());
    const nnmodel::EncodedSequence es = nnmodel::encode_sequence(seq);
    std::vector<std::pair<int, int>> cand = candidate_pairs(seq);
    constexpr double kT37 = 61.632;  // dcal/mol at 310.15 K
    double kT = 3 * kT37;
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::string s(n, '.');
    methods::PairTable pt = methods::pair_table(s);
    auto toggle = [&](int a, int b, bool add) { set_pair(pt, s, a, b, add); };
    auto accept = [&](int d) { return d <= 0 || unit(g) < std::exp(-d / kT); };
    // Toggles (a, b) and returns the energy change.
    auto flip = [&](int a, int b) {
        const int d = methods::move_delta(methods::model_params(), es, pt, a, b, methods::model_dangles());
        toggle(a, b, pt[a] != b);
        return d;
    };
    std::vector<std::string> out;
    for (long step = 0; static_cast<int>(out.size()) < snapshots; ++step) {
        if (step < burn && step % 4096 == 0) kT = kT37 * (1 + 2 * double(burn - step) / burn);
        if (step == burn) kT = kT37;
        if (step >= burn && (step - burn) % spacing == 0) out.push_back(s);
        const auto [i, j] = cand[g() % cand.size()];
        const bool pair2 = (g() & 1) != 0;
        if (!pair2) {
            if (pt[i] != j && !compatible(pt, i, j)) continue;
            if (!accept(flip(i, j))) toggle(i, j, pt[i] != j);
            continue;
        }
        if (j - i < 6 || !can_pair(seq[i + 1], seq[j - 1])) continue;
        const bool both = pt[i] == j && pt[i + 1] == j - 1;
        if (!both && !(compatible(pt, i, j) && pt[i + 1] < 0 && pt[j - 1] < 0)) continue;
        // a double move in two steps: the inner pair goes first, the outer pair comes first
        const int a = both ? i + 1 : i, b = both ? j - 1 : j, c = both ? i : i + 1, e = both ? j : j - 1;
        int d = flip(a, b);
        d += flip(c, e);
        if (!accept(d)) toggle(c, e, pt[c] != e), toggle(a, b, pt[a] != b);
    }
    return out;
}

}  // namespace

// Pairs of structures sampled from the Boltzmann distribution, as the published benchmarks made
// theirs (two sampled structures of a random sequence at a given base-pair distance): per
// sequence, six independent chains, each cooled from 3 kT to kT over its burn-in, give 50
// snapshots each; a chain stays in one basin, so the two of lowest mean energy stand for the
// equilibrium (where the lowest basins hold most of the weight). Of their snapshot pairs whose
// distance lies in [MINDIST, MAXDIST] one is drawn uniformly (a sequence without one is skipped).
// With "minima", both are then taken down to local minima by descent (pairs of deep local minima,
// as a barrier benchmark lists them); the distance is checked after the descent.
int sample_pairs(std::mt19937& g, int count, int lo, int hi, int mindist, int maxdist, bool minima) {
    std::printf("id\tsequence\tA\tB\tlen\tbpdist\tE_A\tE_B\tfp_w4d\texact_direct\texact_any\n");
    for (int made = 0; made < count;) {
        const int n = lo + static_cast<int>(g() % (hi - lo + 1));
        std::string seq(n, 'A');
        for (char& c : seq) c = "ACGU"[g() % 4];
        std::vector<std::pair<double, std::vector<std::string>>> chains;
        for (int c = 0; c < 6; ++c) {
            const long unit = 20L * n * n;
            std::vector<std::string> x = metropolis(g, seq, 10 * unit, unit / 4, 50);
            double sum = 0;
            for (const std::string& y : x) sum += methods::structure_energy(seq, y);
            chains.push_back({sum / x.size(), std::move(x)});
        }
        std::stable_sort(chains.begin(), chains.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<std::string> snaps;
        for (int c = 0; c < 2; ++c)
            for (const std::string& x : chains[c].second) snaps.push_back(minima ? descend(g, seq, x) : x);
        std::vector<std::pair<int, int>> hits;
        for (std::size_t a = 0; a < snaps.size(); ++a)
            for (std::size_t b = a + 1; b < snaps.size(); ++b) {
                const int d = distance(snaps[a], snaps[b]);
                if (d >= mindist && d <= maxdist) hits.push_back({static_cast<int>(a), static_cast<int>(b)});
            }
        if (std::getenv("VERBOSE")) std::fprintf(stderr, "n=%d %zu pairs in range\n", n, hits.size());
        if (hits.empty()) continue;
        const auto [a, b] = hits[g() % hits.size()];
        const std::string& A = snaps[a];
        const std::string& B = snaps[b];
        std::printf("%s_%d\t%s\t%s\t%s\t%d\t%d\t%.2f\t%.2f\tNA\tNA\tNA\n", minima ? "sampmin" : "sampled", made,
                    seq.c_str(), A.c_str(), B.c_str(), n, distance(A, B), methods::structure_energy(seq, A) / 100.0,
                    methods::structure_energy(seq, B) / 100.0);
        std::fflush(stdout);
        ++made;
    }
    return 0;
}

// Reads rows "id sequence A B ..." (tab-separated, as longfold prints them), takes A and B down to
// local minima by the same descent and prints those whose distance lies in [MINDIST, MAXDIST].
int descend_rows(std::mt19937& g, int mindist, int maxdist) {
    std::printf("id\tsequence\tA\tB\tlen\tbpdist\tE_A\tE_B\tfp_w4d\texact_direct\texact_any\n");
    char buf[1 << 16];
    while (std::fgets(buf, sizeof buf, stdin)) {
        char id[256], seq[20001], a[20001], b[20001];
        if (std::sscanf(buf, "%255s %20000s %20000s %20000s", id, seq, a, b) != 4 || std::string(id) == "id") continue;
        const std::string A = descend(g, seq, a), B = descend(g, seq, b);
        const int d = distance(A, B);
        if (d < mindist || d > maxdist) continue;
        std::printf("%s\t%s\t%s\t%s\t%zu\t%d\t%.2f\t%.2f\tNA\tNA\tNA\n", id, seq, A.c_str(), B.c_str(),
                    A.size(), d, methods::structure_energy(seq, A) / 100.0, methods::structure_energy(seq, B) / 100.0);
    }
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--descend") {
        std::mt19937 g(static_cast<unsigned>(std::atoi(argv[2])));
        return descend_rows(g, std::atoi(argv[3]), std::atoi(argv[4]));
    }
    if (argc >= 8 && std::string(argv[1]) == "--sample") {
        std::mt19937 g(static_cast<unsigned>(std::atoi(argv[2])));
        return sample_pairs(g, std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]),
                            std::atoi(argv[7]), argc > 8 && std::string(argv[8]) == "minima");
    }
    if (argc < 5) {
        std::fprintf(stderr,
                     "usage: local_minima_pairs SEED COUNT MINLEN MAXLEN [MINDIST [MAXDIST]]\n"
                     "       local_minima_pairs --descend SEED MINDIST MAXDIST < rows.tsv\n"
                     "       local_minima_pairs --sample SEED COUNT MINLEN MAXLEN MINDIST MAXDIST [minima]\n");
        return 2;
    }
    std::mt19937 g(static_cast<unsigned>(std::atoi(argv[1])));
    const int count = std::atoi(argv[2]), lo = std::atoi(argv[3]), hi = std::atoi(argv[4]);
    const int mindist = argc > 5 ? std::atoi(argv[5]) : 10;
    const int maxdist = argc > 6 ? std::atoi(argv[6]) : 1 << 30;
    std::printf("id\tsequence\tA\tB\tlen\tbpdist\tE_A\tE_B\tfp_w4d\texact_direct\texact_any\n");
    for (int made = 0; made < count;) {
        const int n = lo + static_cast<int>(g() % (hi - lo + 1));
        std::string seq(n, 'A');
        for (char& c : seq) c = "ACGU"[g() % 4];
        std::vector<std::pair<int, std::string>> minima;
        for (int k = 0; k < 8; ++k) {
            const std::string s = descend(g, seq, std::string(n, '.'));
            minima.push_back({methods::structure_energy(seq, s), s});
        }
        std::sort(minima.begin(), minima.end());
        if (std::getenv("VERBOSE")) std::fprintf(stderr, "n=%d lowest %d %d\n", n, minima[0].first, minima.back().first);
        for (std::size_t b = 1; b < minima.size(); ++b) {
            const int d = distance(minima[0].second, minima[b].second);
            if (d < mindist || d > maxdist) continue;
            std::printf("minpair_%d\t%s\t%s\t%s\t%d\t%d\t%.2f\t%.2f\tNA\tNA\tNA\n", made, seq.c_str(),
                        minima[0].second.c_str(), minima[b].second.c_str(), n, d, minima[0].first / 100.0,
                        minima[b].first / 100.0);
            std::fflush(stdout);
            ++made;
            break;
        }
    }
}
