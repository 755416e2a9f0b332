// Makes long test instances for the direct and combined methods: random sequences, A the
// lowest-energy structure of a simple stacking model (below), B the lowest one with a window of a
// fifth of the sequence kept unpaired. The model only has to give realistic, nested, stacked
// structures; the benchmarks evaluate them with the program's own energy model.
//
// Model (dcal/mol): stacks -(w(p) + w(q)) / 2 with w(GC) = 300, w(AU) = 100, w(GU) = 50;
// hairpins 400 + 10 x size (size >= 3, capped at 30); bulges and interior loops up to 8 unpaired
// bases 200 + 30 x size; multiloops 340 + 40 per branch; 50 per AU or GU closing a branch.
//
// Usage: longfold LENGTH SEED COUNT [TRIES [SPAN [disjoint]]] — prints COUNT rows "id sequence A
// B bp_distance" (tab-separated); of TRIES windows per sequence (default 1) the one with the
// largest distance; pairs span at most SPAN positions (default 600; the cost is n x SPAN^2). With
// "disjoint", B may not use a pair of A (large distances).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kInf = 1 << 28, kMaxLoop = 8, kMultiA = 340, kMultiB = 40, kTerminal = 50;

int weight(char a, char b) {
    const std::string p{a, b};
    if (p == "GC" || p == "CG") return 300;
    if (p == "AU" || p == "UA") return 100;
    if (p == "GU" || p == "UG") return 50;
    return 0;
}

struct Folder {
    std::string s;
    std::vector<char> free_only;  // 1: position must stay unpaired
    std::vector<int> banned;      // banned[i] == j: the pair (i, j) may not form (-1: none)
    int n;
    std::vector<int> V, WM, W;
    int& v(int i, int j) { return V[static_cast<std::size_t>(i) * n + j]; }
    int& wm(int i, int j) { return WM[static_cast<std::size_t>(i) * n + j]; }
    int span = 1 << 30;           // pairs (i, j) with j - i <= span only
    bool pairs(int i, int j) const {
        return j - i <= span && !free_only[i] && !free_only[j] && banned[i] != j && weight(s[i], s[j]) > 0;
    }
    int term(int i, int j) const { return weight(s[i], s[j]) == 300 ? 0 : kTerminal; }

    std::string fold() {
        n = static_cast<int>(s.size());
        V.assign(static_cast<std::size_t>(n) * n, kInf);
        WM.assign(static_cast<std::size_t>(n) * n, kInf);
        for (int len = 4; len < n && len <= span; ++len)
            for (int i = 0; i + len < n; ++i) {
                const int j = i + len;
                if (pairs(i, j)) {
                    int best = 400 + 10 * std::min(j - i - 1, 30);
                    for (int p = i + 1; p <= i + 1 + kMaxLoop && p < j; ++p)
                        for (int q = j - 1; q > p + 3 && (p - i - 1) + (j - q - 1) <= kMaxLoop; --q) {
                            if (v(p, q) >= kInf) continue;
                            const int size = (p - i - 1) + (j - q - 1);
                            const int e = size == 0 ? -(weight(s[i], s[j]) + weight(s[p], s[q])) / 2 : 200 + 30 * size;
                            best = std::min(best, e + v(p, q));
                        }
                    for (int k = i + 2; k < j - 1; ++k)
                        if (wm(i + 1, k) < kInf && wm(k + 1, j - 1) < kInf)
                            best = std::min(best, kMultiA + kMultiB + term(i, j) + wm(i + 1, k) + wm(k + 1, j - 1));
                    v(i, j) = best;
                }
                int m = std::min(wm(i + 1, j), wm(i, j - 1));
                if (v(i, j) < kInf) m = std::min(m, v(i, j) + kMultiB + term(i, j));
                for (int k = i + 4; k < j - 4; ++k)
                    if (wm(i, k) < kInf && wm(k + 1, j) < kInf) m = std::min(m, wm(i, k) + wm(k + 1, j));
                wm(i, j) = m;
            }
        W.assign(n + 1, 0);  // W[j]: lowest energy of positions 0..j-1
        for (int j = 1; j <= n; ++j) {
            W[j] = W[j - 1];
            for (int i = std::max(0, j - 1 - span); i + 4 < j; ++i)
                if (v(i, j - 1) < kInf) W[j] = std::min(W[j], W[i] + v(i, j - 1) + term(i, j - 1));
        }
        std::string db(n, '.');
        std::vector<std::pair<char, std::pair<int, int>>> todo{{'W', {0, n}}};
        while (!todo.empty()) {
            const char kind = todo.back().first;
            const int i = todo.back().second.first, j = todo.back().second.second;
            todo.pop_back();
            if (kind == 'W') {  // positions i..j-1 with i == 0
                if (j == 0) continue;
                if (W[j] == W[j - 1]) {
                    todo.push_back({'W', {0, j - 1}});
                    continue;
                }
                for (int k = std::max(0, j - 1 - span); k + 4 < j; ++k)
                    if (v(k, j - 1) < kInf && W[j] == W[k] + v(k, j - 1) + term(k, j - 1)) {
                        todo.push_back({'W', {0, k}});
                        todo.push_back({'V', {k, j - 1}});
                        break;
                    }
            } else if (kind == 'V') {
                db[i] = '(';
                db[j] = ')';
                const int e = v(i, j);
                if (e == 400 + 10 * std::min(j - i - 1, 30)) continue;
                bool done = false;
                for (int p = i + 1; !done && p <= i + 1 + kMaxLoop && p < j; ++p)
                    for (int q = j - 1; !done && q > p + 3 && (p - i - 1) + (j - q - 1) <= kMaxLoop; --q) {
                        if (v(p, q) >= kInf) continue;
                        const int size = (p - i - 1) + (j - q - 1);
                        const int l = size == 0 ? -(weight(s[i], s[j]) + weight(s[p], s[q])) / 2 : 200 + 30 * size;
                        if (e == l + v(p, q)) todo.push_back({'V', {p, q}}), done = true;
                    }
                for (int k = i + 2; !done && k < j - 1; ++k)
                    if (wm(i + 1, k) < kInf && wm(k + 1, j - 1) < kInf &&
                        e == kMultiA + kMultiB + term(i, j) + wm(i + 1, k) + wm(k + 1, j - 1)) {
                        todo.push_back({'M', {i + 1, k}});
                        todo.push_back({'M', {k + 1, j - 1}});
                        done = true;
                    }
            } else {
                const int e = wm(i, j);
                if (i < j && e == wm(i + 1, j)) {
                    todo.push_back({'M', {i + 1, j}});
                } else if (i < j && e == wm(i, j - 1)) {
                    todo.push_back({'M', {i, j - 1}});
                } else if (v(i, j) < kInf && e == v(i, j) + kMultiB + term(i, j)) {
                    todo.push_back({'V', {i, j}});
                } else {
                    for (int k = i + 4; k < j - 4; ++k)
                        if (wm(i, k) < kInf && wm(k + 1, j) < kInf && e == wm(i, k) + wm(k + 1, j)) {
                            todo.push_back({'M', {i, k}});
                            todo.push_back({'M', {k + 1, j}});
                            break;
                        }
                }
            }
        }
        return db;
    }
};

int distance(const std::string& a, const std::string& b) {
    std::vector<int> pa(a.size(), -1), pb(b.size(), -1), st;
    for (int pass = 0; pass < 2; ++pass) {
        const std::string& x = pass ? b : a;
        std::vector<int>& pt = pass ? pb : pa;
        for (int k = 0; k < static_cast<int>(x.size()); ++k)
            if (x[k] == '(') st.push_back(k);
            else if (x[k] == ')') pt[k] = st.back(), pt[st.back()] = k, st.pop_back();
    }
    int d = 0;
    for (int k = 0; k < static_cast<int>(a.size()); ++k) d += (pa[k] > k && pb[k] != pa[k]) + (pb[k] > k && pa[k] != pb[k]);
    return d;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: longfold LENGTH SEED COUNT [TRIES]\n");
        return 1;
    }
    const int len = std::atoi(argv[1]), seed = std::atoi(argv[2]), count = std::atoi(argv[3]);
    const int tries = argc > 4 ? std::atoi(argv[4]) : 1, span = argc > 5 ? std::atoi(argv[5]) : 600;
    const bool disjoint = argc > 6 && std::string(argv[6]) == "disjoint";
    std::mt19937 g(seed);
    for (int c = 0; c < count; ++c) {
        Folder f;
        f.span = span;
        for (int k = 0; k < len; ++k) f.s += "ACGU"[g() % 4];
        f.free_only.assign(len, 0);
        f.banned.assign(len, -1);
        const std::string A = f.fold();
        if (disjoint) {
            std::vector<int> open;
            for (int k = 0; k < len; ++k)
                if (A[k] == '(') open.push_back(k);
                else if (A[k] == ')') f.banned[open.back()] = k, open.pop_back();
        }
        std::string B;
        int best = -1;
        for (int t = 0; t < tries; ++t) {
            const int start = static_cast<int>(g() % (len - len / 5 + 1));
            f.free_only.assign(len, 0);
            std::fill(f.free_only.begin() + start, f.free_only.begin() + start + len / 5, 1);
            const std::string b = f.fold();
            if (distance(A, b) > best) best = distance(A, b), B = b;
        }
        std::printf("len%d_s%d_%d\t%s\t%s\t%s\t%d\n", len, seed, c, f.s.c_str(), A.c_str(), B.c_str(), best);
        std::fflush(stdout);
    }
    return 0;
}
