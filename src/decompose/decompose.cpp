#include "decompose/decompose.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace decompose {
namespace {

std::vector<int> partners(const std::string& db) {
    std::vector<int> pt(db.size(), -1), open;
    for (int k = 0; k < static_cast<int>(db.size()); ++k) {
        if (db[k] == '(') open.push_back(k);
        if (db[k] == ')') {
            if (open.empty()) throw std::invalid_argument("unbalanced structure");
            pt[k] = open.back();
            pt[open.back()] = k;
            open.pop_back();
        }
    }
    if (!open.empty()) throw std::invalid_argument("unbalanced structure");
    return pt;
}

}  // namespace

std::vector<Part> split(const std::string& sequence, const std::string& A, const std::string& B) {
    const int n = static_cast<int>(sequence.size());
    if (static_cast<int>(A.size()) != n || static_cast<int>(B.size()) != n)
        throw std::invalid_argument("the structures are not as long as the sequence");
    const std::vector<int> pa = partners(A), pb = partners(B);
    auto shared = [&](int k) { return pa[k] > k && pb[k] == pa[k]; };
    // owner[k]: 5' position of the innermost shared pair strictly around k, -1 outside all.
    std::vector<int> owner(n, -1), stack;
    for (int k = 0; k < n; ++k) {
        if (pa[k] >= 0 && pa[k] < k && shared(pa[k])) stack.pop_back();
        owner[k] = stack.empty() ? -1 : stack.back();
        if (shared(k)) stack.push_back(k);
    }
    std::vector<char> has_moves(n + 1, 0);  // by region, index owner + 1
    for (int k = 0; k < n; ++k)
        if ((pa[k] > k && pb[k] != pa[k]) || (pb[k] > k && pa[k] != pb[k])) has_moves[owner[k] + 1] = 1;
    std::vector<Part> parts;
    for (int r = -1; r < n; ++r) {
        if (!has_moves[r + 1]) continue;
        Part part;
        const int lo = r < 0 ? 0 : r, hi = r < 0 ? n - 1 : pa[r];
        auto emit = [&](int k) {
            part.sequence += sequence[k];
            part.A += A[k];
            part.B += B[k];
            part.at.push_back(k);
        };
        for (int k = lo; k <= hi;) {
            emit(k);
            if (k != r && shared(k)) {  // a nested shared pair: a fixed branch around NNN
                part.sequence += "NNN";
                part.A += "...";
                part.B += "...";
                part.at.insert(part.at.end(), 3, -1);
                k = pa[k];
                emit(k);
            }
            ++k;
        }
        parts.push_back(std::move(part));
    }
    return parts;
}

std::vector<int> merge_two(const std::vector<int>& e0, const std::vector<int>& e1) {
    const std::size_t a = e0.size(), b = e1.size();
    if (a == 0 || b == 0) throw std::invalid_argument("a path has at least one structure");
    // Two rows of (peak, sum) and one bit per cell for the way back: a x b / 8 bytes, so long
    // paths of two parts (thousands of steps each) merge in a few MiB.
    std::vector<int> peak(b), prev_peak(b);
    std::vector<int64_t> sum(b), prev_sum(b);
    std::vector<uint64_t> from((a * b + 63) / 64, 0);  // bit set: a step of path 1 led here, else of path 0
    for (std::size_t u = 0; u < a; ++u) {
        peak.swap(prev_peak);
        sum.swap(prev_sum);
        for (std::size_t v = 0; v < b; ++v) {
            const int e = e0[u] + e1[v];
            if (u == 0 && v == 0) {
                peak[v] = e;
                sum[v] = e;
                continue;
            }
            bool take1 = u == 0;
            if (u > 0 && v > 0)
                take1 = peak[v - 1] < prev_peak[v] || (peak[v - 1] == prev_peak[v] && sum[v - 1] < prev_sum[v]);
            const int pk = take1 ? peak[v - 1] : prev_peak[v];
            const int64_t sm = take1 ? sum[v - 1] : prev_sum[v];
            peak[v] = std::max(pk, e);
            sum[v] = sm + e;
            if (take1) from[(u * b + v) >> 6] |= uint64_t{1} << ((u * b + v) & 63);
        }
    }
    std::vector<int> order;
    for (std::size_t u = a - 1, v = b - 1; u > 0 || v > 0;) {
        const std::size_t x = u * b + v;
        const int s = static_cast<int>(from[x >> 6] >> (x & 63) & 1);
        order.push_back(s);
        (s ? v : u) -= 1;
    }
    std::reverse(order.begin(), order.end());
    return order;
}

std::vector<int> merge(const std::vector<std::vector<int>>& energies) {
    if (energies.empty()) return {};
    std::vector<int> order(energies[0].size() - 1, 0), cur = energies[0];
    for (std::size_t p = 1; p < energies.size(); ++p) {
        const std::vector<int>& ep = energies[p];
        const std::vector<int> two = merge_two(cur, ep);
        std::vector<int> next_order, next{cur[0] + ep[0]};
        std::size_t u = 0, v = 0;
        for (int s : two) {
            if (s) {
                next_order.push_back(static_cast<int>(p));
                ++v;
            } else {
                next_order.push_back(order[u]);
                ++u;
            }
            next.push_back(cur[u] + ep[v]);
        }
        order.swap(next_order);
        cur.swap(next);
    }
    return order;
}

int merge_exact(const std::vector<std::vector<int>>& energies) {
    const std::size_t m = energies.size();
    std::vector<std::size_t> stride(m + 1, 1);
    for (std::size_t p = 0; p < m; ++p) {
        stride[p + 1] = stride[p] * energies[p].size();
        if (stride[p + 1] > (std::size_t{1} << 26)) throw std::invalid_argument("too many merged states");
    }
    std::vector<int> best(stride[m]);
    for (std::size_t x = 0; x < stride[m]; ++x) {
        int e = 0, below = std::numeric_limits<int>::max();
        for (std::size_t p = 0; p < m; ++p) {
            const std::size_t k = x / stride[p] % energies[p].size();
            e += energies[p][k];
            if (k > 0) below = std::min(below, best[x - stride[p]]);
        }
        best[x] = x == 0 ? e : std::max(e, below);
    }
    return m == 0 ? 0 : best.back();
}

int merged_peak(const std::vector<std::vector<int>>& energies, const std::vector<int>& order) {
    std::vector<std::size_t> k(energies.size(), 0);
    int e = 0;
    for (const std::vector<int>& ep : energies) e += ep.at(0);
    int peak = e;
    for (int p : order) {
        const std::vector<int>& ep = energies.at(p);
        e += ep.at(k[p] + 1) - ep[k[p]];
        ++k[p];
        peak = std::max(peak, e);
    }
    return peak;
}

}  // namespace decompose
