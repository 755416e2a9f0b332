// Beam search over direct paths (Flamm et al. 2001): every kept partial path is extended
// by every valid move; partial paths that reach the same structure merge, keeping the lower
// saddle; the best `width` survive, ranked by saddle, then current energy, then the set of
// moves done (so the result never depends on hash order). The problem is first split at the
// pairs A and B share (decompose/); each part is searched on its own and the parts' paths are
// merged in the order that keeps the summed energy lowest.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <stdexcept>

#include "decompose/decompose.h"
#include "methods/common.h"

namespace methods {
namespace {

constexpr int kUnknown = 1 << 30;
// The default width is 4 x the part's distance up to this: above it the cost of a beam grows
// with the square of the distance (steps x width x moves), not the cube.
constexpr int kMaxDefaultWidth = 400;

// A kept partial path. Its structure's loops are named by their closing position (-1:
// exterior); loop[k] is the loop position k lies in (as unpaired base or as 5' end of a
// branch). delta[m] is the energy change of move m from this structure, or kUnknown: it is
// inherited from the parent for every move whose loops the last move left alone.
struct Kept {
    PairTable pt;
    std::vector<int> loop;
    std::vector<int> delta;
    int energy;  // dcal/mol
    int saddle;  // highest energy on the way, dcal/mol
};

struct Candidate {
    int energy;
    int saddle;
    int parent;     // index in the kept layer
    int move;       // index in the move list
    uint32_t bits;  // offset of its done-set in the pool
};

void fill_loops(const PairTable& pt, std::vector<int>& loop) {
    const int n = static_cast<int>(pt.size());
    loop.resize(n);
    thread_local std::vector<int> open;
    open.assign(1, -1);
    for (int k = 0; k < n; ++k) {
        loop[k] = open.back();
        if (pt[k] > k)
            open.push_back(k);
        else if (pt[k] >= 0 && pt[k] < k)
            open.pop_back(), loop[k] = open.back();
    }
}

// Whether a move's energy change depends on a loop the move `m0` changes (loops as in `k`).
bool touched(const Kept& k, const Move& m, const Move& m0) {
    const int a = k.loop[m0.i], b = m0.add ? a : m0.i;  // the one or two loops m0 changes
    const int x = k.loop[m.i], y = m.add ? x : m.i;     // the one or two loops m depends on
    return x == a || x == b || y == a || y == b;
}

// One beam search from `from` to `to`; the moves of its best path and its saddle (dcal/mol).
// Once `late()` says the time is up, the remaining steps keep one partial path each.
std::vector<Move> beam(const nnmodel::EncodedSequence& seq, const PairTable& from, const PairTable& to, int efrom,
                       int width_option, int& saddle, const std::function<bool()>& late) {
    std::vector<Move> moves = pairs_missing(from, to);
    for (Move m : pairs_missing(to, from)) {
        m.add = true;
        moves.push_back(m);
    }
    const int d = static_cast<int>(moves.size());
    int width = width_option > 0 ? width_option : default_width(d);
    const int words = (d + 63) / 64;
    const nnmodel::ParamSet& par = model_params();

    std::vector<Kept> layer(1);
    layer[0].pt = from;
    fill_loops(from, layer[0].loop);
    layer[0].delta.assign(d, kUnknown);
    layer[0].energy = layer[0].saddle = efrom;
    std::vector<uint64_t> done(words, 0), next_done;
    std::vector<Kept> next;                                 // done-sets of the kept layer, `words` each
    std::vector<std::vector<std::pair<int, int>>> history;  // per step: (parent, move) of each kept entry

    std::vector<Candidate> cand;
    std::vector<uint64_t> pool;
    std::vector<int> table;  // open addressing over candidates by done-set; -1 empty
    auto same_bits = [&](uint32_t x, uint32_t y) {
        return std::equal(pool.begin() + x, pool.begin() + x + words, pool.begin() + y);
    };
    auto bits_less = [&](uint32_t x, uint32_t y) {
        return std::lexicographical_compare(pool.begin() + x, pool.begin() + x + words, pool.begin() + y,
                                            pool.begin() + y + words);
    };
    for (int step = 0; step < d; ++step) {
        if (width > 1 && late()) width = 1;
        cand.clear();
        pool.clear();
        std::size_t expect = 1;
        while (expect < 2 * layer.size() * static_cast<std::size_t>(d - step) + 2) expect *= 2;
        table.assign(expect, -1);
        for (int e = 0; e < static_cast<int>(layer.size()); ++e) {
            Kept& k = layer[e];
            const uint64_t* kd = done.data() + static_cast<std::size_t>(e) * words;
            for (int m = 0; m < d; ++m) {
                if (kd[m >> 6] >> (m & 63) & 1) continue;
                const Move& mv = moves[m];
                if (mv.add && (k.pt[mv.i] >= 0 || k.pt[mv.j] >= 0 || k.loop[mv.i] != k.loop[mv.j])) continue;
                if (k.delta[m] == kUnknown) k.delta[m] = move_delta(par, seq, k.pt, mv.i, mv.j, model_dangles());
                Candidate c{k.energy + k.delta[m], 0, e, m, static_cast<uint32_t>(pool.size())};
                c.saddle = std::max(k.saddle, c.energy);
                pool.insert(pool.end(), kd, kd + words);
                pool[c.bits + (m >> 6)] |= uint64_t{1} << (m & 63);
                uint64_t h = 0x9E3779B97F4A7C15ULL;
                for (int w = 0; w < words; ++w) h = (h ^ pool[c.bits + w]) * 0xBF58476D1CE4E5B9ULL + (h >> 29);
                std::size_t slot = (h ^ (h >> 31)) & (table.size() - 1);
                while (table[slot] >= 0 && !same_bits(cand[table[slot]].bits, c.bits))
                    slot = (slot + 1) & (table.size() - 1);
                if (table[slot] < 0) {
                    table[slot] = static_cast<int>(cand.size());
                    cand.push_back(c);
                } else {
                    pool.resize(c.bits);
                    Candidate& old = cand[table[slot]];
                    if (c.saddle < old.saddle) {
                        c.bits = old.bits;
                        old = c;
                    }
                }
            }
        }
        const std::size_t keep = std::min<std::size_t>(cand.size(), static_cast<std::size_t>(width));
        std::partial_sort(cand.begin(), cand.begin() + keep, cand.end(), [&](const Candidate& x, const Candidate& y) {
            if (x.saddle != y.saddle) return x.saddle < y.saddle;
            if (x.energy != y.energy) return x.energy < y.energy;
            return bits_less(x.bits, y.bits);
        });
        next.resize(keep);  // kept entries reuse their vectors' storage from step to step
        next_done.resize(keep * words);
        history.emplace_back();
        for (std::size_t r = 0; r < keep; ++r) {
            const Candidate& c = cand[r];
            const Kept& parent = layer[c.parent];
            const Move& m0 = moves[c.move];
            Kept& k = next[r];
            k.pt = parent.pt;
            k.pt[m0.i] = m0.add ? m0.j : -1;
            k.pt[m0.j] = m0.add ? m0.i : -1;
            fill_loops(k.pt, k.loop);
            k.delta = parent.delta;
            for (int m = 0; m < d; ++m)
                if (k.delta[m] != kUnknown && touched(parent, moves[m], m0)) k.delta[m] = kUnknown;
            k.energy = c.energy;
            k.saddle = c.saddle;
            std::copy(pool.begin() + c.bits, pool.begin() + c.bits + words, next_done.begin() + r * words);
            history.back().emplace_back(c.parent, c.move);
        }
        layer.swap(next);
        done.swap(next_done);
    }

    std::vector<Move> path;
    int at = 0;
    saddle = layer.empty() ? efrom : layer[0].saddle;
    for (int step = d - 1; step >= 0; --step) {
        path.push_back(moves[history[step][at].second]);
        at = history[step][at].first;
    }
    std::reverse(path.begin(), path.end());
    return path;
}

// The moves of the better of the two beams (from A and from B) over one part, as moves from A.
std::vector<Move> best_beam(const Problem& pb, const Prepared& pr, const Options& opt, const std::function<bool()>& late) {
    int forward = 0, backward = 0;
    std::vector<Move> fw = beam(pr.seq, pr.ptA, pr.ptB, pr.EA, opt.width, forward, late);
    std::vector<Move> bw = beam(pr.seq, pr.ptB, pr.ptA, pr.EB, opt.width, backward, late);
    (void)pb;
    if (backward >= forward) return fw;
    std::vector<Move> moves;
    for (auto it = bw.rbegin(); it != bw.rend(); ++it) moves.push_back({!it->add, it->i, it->j});
    return moves;
}

}  // namespace

int default_width(int distance) { return std::max(1, std::min(4 * distance, kMaxDefaultWidth)); }

// Both directions: a beam that starts at the end it finds harder to leave often does better.
PathResult direct_path(const Problem& pb, const Options& opt) {
    const auto t0 = std::chrono::steady_clock::now();
    const Prepared pr = prepare(pb);
    const std::function<bool()> late = [&] { return cancelled(opt) || seconds_since(t0) >= opt.seconds; };
    std::vector<decompose::Part> parts;
    if (opt.split) {
        parts = decompose::split(pb.sequence, pb.A, pb.B);
    } else {
        parts.push_back({pb.sequence, pb.A, pb.B, std::vector<int>(pb.sequence.size())});
        for (std::size_t k = 0; k < pb.sequence.size(); ++k) parts[0].at[k] = static_cast<int>(k);
    }
    std::vector<std::vector<Move>> part_moves;
    std::vector<std::vector<int>> part_energies;  // dcal/mol of each part's own structures
    for (const decompose::Part& part : parts) {
        const Problem sub{part.sequence, part.A, part.B};
        const Prepared sp = prepare(sub);
        std::vector<Move> moves = best_beam(sub, sp, opt, late);
        std::vector<int> energies{sp.EA};
        PairTable pt = sp.ptA;
        for (Move& m : moves) {
            energies.push_back(energies.back() + move_delta(model_params(), sp.seq, pt, m.i, m.j, model_dangles()));
            pt[m.i] = m.add ? m.j : -1;
            pt[m.j] = m.add ? m.i : -1;
            m.i = part.at[m.i];
            m.j = part.at[m.j];
        }
        part_moves.push_back(std::move(moves));
        part_energies.push_back(std::move(energies));
    }
    PathResult r;
    r.method = "direct";
    std::vector<std::size_t> next(parts.size(), 0);
    const std::vector<int> order = decompose::merge(part_energies);
    for (int p : order) r.moves.push_back(part_moves[p][next[p]++]);
    replay(pb, pr, r);
    int offset = pr.EA;
    for (const std::vector<int>& e : part_energies) offset -= e[0];
    if (r.barrier + pr.EA != offset + decompose::merged_peak(part_energies, order))
        throw std::logic_error("beam search: the parts' energies do not add up to the whole");
    r.lower_bound = std::max(0, pr.EB - pr.EA);
    r.proved = r.barrier == r.lower_bound;
    if (r.proved) r.stop = StopReason::proved;
    if (!r.proved && cancelled(opt)) r.stop = StopReason::interrupted;
    r.seconds = seconds_since(t0);
    return r;
}

}  // namespace methods
