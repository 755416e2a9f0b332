// Beam search over direct paths (Flamm et al. 2001): every kept partial path is extended
// by every valid move; partial paths that reach the same structure merge, keeping the lower
// saddle; the best `width` survive, ranked by saddle, then current energy, then the set of
// moves done (so the result never depends on hash order).
#include <algorithm>
#include <cstdint>
#include <unordered_map>

#include "methods/common.h"

namespace methods {
namespace {

using Bits = std::vector<uint64_t>;  // bit m set: move m done

struct BitsHash {
    std::size_t operator()(const Bits& b) const {
        uint64_t h = 0x9E3779B97F4A7C15ULL;
        for (uint64_t w : b) h = (h ^ w) * 0xBF58476D1CE4E5B9ULL + (h >> 29);
        return static_cast<std::size_t>(h);
    }
};

struct Candidate {
    Bits done;
    int energy;  // dcal/mol
    int saddle;  // highest energy on the way, dcal/mol
    int parent;  // index in the previous layer
    int move;    // index in the move list
};

bool ranks_before(const Candidate& x, const Candidate& y) {
    if (x.saddle != y.saddle) return x.saddle < y.saddle;
    if (x.energy != y.energy) return x.energy < y.energy;
    return x.done < y.done;
}

bool crosses(const PairTable& pt, int i, int j) {
    for (int k = i + 1; k < j; ++k)
        if (pt[k] >= 0 && (pt[k] < i || pt[k] > j)) return true;
    return false;
}

// One beam search from `from` to `to`; the moves of its best path and its saddle (dcal/mol).
std::vector<Move> beam(const nnmodel::EncodedSequence& seq, const PairTable& from, const PairTable& to, int efrom,
                       int width_option, int& saddle) {
    std::vector<Move> moves = pairs_missing(from, to);
    for (Move m : pairs_missing(to, from)) {
        m.add = true;
        moves.push_back(m);
    }
    const int d = static_cast<int>(moves.size());
    const int width = width_option > 0 ? width_option : std::max(1, 4 * d);
    const std::size_t words = (d + 63) / 64;
    const nnmodel::ParamSet& par = nnmodel::turner2004();

    struct Kept {
        PairTable pt;
        Candidate c;
    };
    std::vector<Kept> layer{{from, {Bits(words, 0), efrom, efrom, -1, -1}}};
    std::vector<std::vector<std::pair<int, int>>> history;  // per layer: (parent, move) of each kept entry

    std::vector<Candidate> cand;
    std::unordered_map<Bits, int, BitsHash> seen;
    for (int step = 0; step < d; ++step) {
        cand.clear();
        seen.clear();
        for (int e = 0; e < static_cast<int>(layer.size()); ++e) {
            const Kept& k = layer[e];
            for (int m = 0; m < d; ++m) {
                if (k.c.done[m >> 6] >> (m & 63) & 1) continue;
                const Move& mv = moves[m];
                if (mv.add && (k.pt[mv.i] >= 0 || k.pt[mv.j] >= 0 || crosses(k.pt, mv.i, mv.j))) continue;
                Candidate c{k.c.done, 0, 0, e, m};
                c.done[m >> 6] |= uint64_t{1} << (m & 63);
                c.energy = k.c.energy + move_delta(par, seq, k.pt, mv.i, mv.j, kDangles);
                c.saddle = std::max(k.c.saddle, c.energy);
                auto it = seen.find(c.done);
                if (it == seen.end()) {
                    seen.emplace(c.done, static_cast<int>(cand.size()));
                    cand.push_back(std::move(c));
                } else if (c.saddle < cand[it->second].saddle) {
                    cand[it->second] = std::move(c);
                }
            }
        }
        const std::size_t keep = std::min<std::size_t>(cand.size(), static_cast<std::size_t>(width));
        std::partial_sort(cand.begin(), cand.begin() + keep, cand.end(), ranks_before);
        std::vector<Kept> next;
        next.reserve(keep);
        history.emplace_back();
        for (std::size_t r = 0; r < keep; ++r) {
            Kept k{layer[cand[r].parent].pt, cand[r]};
            const Move& mv = moves[cand[r].move];
            k.pt[mv.i] = mv.add ? mv.j : -1;
            k.pt[mv.j] = mv.add ? mv.i : -1;
            history.back().emplace_back(cand[r].parent, cand[r].move);
            next.push_back(std::move(k));
        }
        layer = std::move(next);
    }

    std::vector<Move> path;
    int at = 0;
    saddle = layer.empty() ? efrom : layer[0].c.saddle;
    for (int step = d - 1; step >= 0; --step) {
        path.push_back(moves[history[step][at].second]);
        at = history[step][at].first;
    }
    std::reverse(path.begin(), path.end());
    return path;
}

}  // namespace

// Both directions: a beam that starts at the end it finds harder to leave often does better.
PathResult direct_path(const Problem& pb, const Options& opt) {
    const auto t0 = std::chrono::steady_clock::now();
    const Prepared pr = prepare(pb);
    int forward = 0, backward = 0;
    std::vector<Move> fw = beam(pr.seq, pr.ptA, pr.ptB, pr.EA, opt.width, forward);
    std::vector<Move> bw = beam(pr.seq, pr.ptB, pr.ptA, pr.EB, opt.width, backward);
    PathResult r;
    r.method = "direct";
    if (backward < forward) {
        for (auto it = bw.rbegin(); it != bw.rend(); ++it) r.moves.push_back({!it->add, it->i, it->j});
    } else {
        r.moves = fw;
    }
    replay(pb, pr, r);
    r.lower_bound = std::max(0, pr.EB - pr.EA);
    r.proved = r.barrier == r.lower_bound;
    r.seconds = seconds_since(t0);
    return r;
}

}  // namespace methods
