// Beam search over direct paths (Flamm et al. 2001): every kept partial path is extended
// by every valid move; partial paths that reach the same structure merge, keeping the lower
// saddle; the best `width` survive, ranked by saddle, then current energy, then the set of
// moves done (so the result never depends on hash order). The problem is first split at the
// pairs A and B share (decompose/); each part is searched on its own and the parts' paths are
// merged in the order that keeps the summed energy lowest.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <stdexcept>

#include "decompose/decompose.h"
#include "methods/common.h"

namespace methods {
namespace {

constexpr int kUnknown = 1 << 30;
// The default width is 4 x the part's distance up to this: above it the cost of a beam grows
// with the square of the distance (steps x width x moves), not the cube.
constexpr int kMaxDefaultWidth = 100;

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
    uint64_t hash = 0;  // XOR of the keys of the moves done
};

// Its done-set is its parent's with `move` added; `hash` is the XOR of the moves' keys.
struct Candidate {
    int energy;
    int saddle;
    int parent;  // index in the kept layer
    int move;    // index in the move list
    uint64_t hash;
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

// Above this many moves x bases, a beam past its time finishes its path without evaluating it.
constexpr int64_t kUnevaluatedFinish = 4000000;

// One beam search from `from` to `to`; the moves of its best path and its saddle (dcal/mol).
// Once `late()` says the time is up, the remaining steps keep one partial path each.
// `bytes` rises to the most its layers and candidates held.
std::vector<Move> beam(const nnmodel::EncodedSequence& seq, const PairTable& from, const PairTable& to, int efrom,
                       int width_option, std::size_t memory, std::size_t& bytes, int& saddle,
                       const std::function<bool()>& late) {
    std::vector<Move> moves = pairs_missing(from, to);
    for (Move m : pairs_missing(to, from)) {
        m.add = true;
        moves.push_back(m);
    }
    const int d = static_cast<int>(moves.size());
    int width = width_option > 0 ? width_option : default_width(d);
    const int words = (d + 63) / 64;
    // Two layers of kept paths and their candidates stay within `memory` bytes.
    const std::size_t per_kept = 2 * (8 * static_cast<std::size_t>(seq.length()) + 4 * d + 8 * words + 64) + 64;
    width = static_cast<int>(std::max<std::size_t>(1, std::min<std::size_t>(width, memory / per_kept)));
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
    std::vector<int> table;  // open addressing over candidates by done-set; -1 empty
    std::vector<uint64_t> key(d);  // a fixed random key per move (splitmix64)
    for (int m = 0; m < d; ++m) {
        uint64_t z = 0x9E3779B97F4A7C15ULL * static_cast<uint64_t>(m + 1);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        key[m] = z ^ (z >> 31);
    }
    auto word = [&](const Candidate& c, int w) {  // word w of c's done-set
        const uint64_t v = done[static_cast<std::size_t>(c.parent) * words + w];
        return w == c.move >> 6 ? v | uint64_t{1} << (c.move & 63) : v;
    };
    auto same_bits = [&](const Candidate& x, const Candidate& y) {
        if (x.hash != y.hash) return false;
        for (int w = 0; w < words; ++w)
            if (word(x, w) != word(y, w)) return false;
        return true;
    };
    auto bits_less = [&](const Candidate& x, const Candidate& y) {
        for (int w = 0; w < words; ++w)
            if (word(x, w) != word(y, w)) return word(x, w) < word(y, w);
        return false;
    };
    std::vector<int64_t> keys;
    auto rank_key = [](int saddle, int energy) { return static_cast<int64_t>(saddle) * (int64_t{1} << 32) + energy; };
    // Past the time on a long problem: the best partial path's remaining deletions, then its
    // remaining additions, unevaluated (one step's move energies may take seconds there). The
    // saddle is then unknown (INT_MAX); the caller evaluates the path.
    const bool long_problem = static_cast<int64_t>(d) * seq.length() > kUnevaluatedFinish;
    auto unevaluated = [&](int step) {
        std::vector<Move> path;
        for (int back = step - 1, at = 0; back >= 0; --back) {
            path.push_back(moves[history[back][at].second]);
            at = history[back][at].first;
        }
        std::reverse(path.begin(), path.end());
        for (int pass = 0; pass < 2; ++pass)
            for (int m = 0; m < d; ++m)
                if (!(done[m >> 6] >> (m & 63) & 1) && moves[m].add == (pass == 1)) path.push_back(moves[m]);
        saddle = std::numeric_limits<int>::max();
        return path;
    };
    for (int step = 0; step < d; ++step) {
        if (width > 1 && late()) width = 1;
        if (width == 1 && layer.size() == 1 && long_problem && late()) return unevaluated(step);
        // Only candidates ranked (saddle, energy) among the best 2 x width of all can be kept,
        // unless merging leaves fewer than `width` of them: then every candidate is taken.
        keys.clear();
        for (int e = 0; e < static_cast<int>(layer.size()); ++e) {
            if ((e & 255) == 255 && late()) break;  // time is up: the candidates so far suffice
            Kept& k = layer[e];
            const uint64_t* kd = done.data() + static_cast<std::size_t>(e) * words;
            for (int m = 0; m < d; ++m) {
                if (long_problem && (m & 63) == 63 && late()) return unevaluated(step);
                if (kd[m >> 6] >> (m & 63) & 1) continue;
                const Move& mv = moves[m];
                if (mv.add && (k.pt[mv.i] >= 0 || k.pt[mv.j] >= 0 || k.loop[mv.i] != k.loop[mv.j])) continue;
                if (k.delta[m] == kUnknown) k.delta[m] = move_delta(par, seq, k.pt, mv.i, mv.j, model_dangles());
                const int energy = k.energy + k.delta[m];
                keys.push_back(rank_key(std::max(k.saddle, energy), energy));
            }
        }
        int64_t limit = std::numeric_limits<int64_t>::max();
        const std::size_t slack = 2 * static_cast<std::size_t>(width);
        std::size_t within = keys.size();  // candidates at or below the limit
        if (keys.size() > 2 * slack) {
            std::nth_element(keys.begin(), keys.begin() + slack, keys.end());
            limit = keys[slack];
            within = std::count_if(keys.begin(), keys.end(), [&](int64_t x) { return x <= limit; });
        }
        for (bool all = limit == std::numeric_limits<int64_t>::max();; all = true) {
            cand.clear();
            std::size_t expect = 1;
            while (expect < 2 * (all ? keys.size() : within) + 2) expect *= 2;
            table.assign(expect, -1);
            for (int e = 0; e < static_cast<int>(layer.size()); ++e) {
                const Kept& k = layer[e];
                const uint64_t* kd = done.data() + static_cast<std::size_t>(e) * words;
                for (int m = 0; m < d; ++m) {
                    if (kd[m >> 6] >> (m & 63) & 1) continue;
                    const Move& mv = moves[m];
                    if (mv.add && (k.pt[mv.i] >= 0 || k.pt[mv.j] >= 0 || k.loop[mv.i] != k.loop[mv.j])) continue;
                    Candidate c{k.energy + k.delta[m], 0, e, m, k.hash ^ key[m]};
                    c.saddle = std::max(k.saddle, c.energy);
                    if (!all && rank_key(c.saddle, c.energy) > limit) continue;
                    const uint64_t h = c.hash * 0xBF58476D1CE4E5B9ULL;
                    std::size_t slot = (h ^ (h >> 31)) & (table.size() - 1);
                    while (table[slot] >= 0 && !same_bits(cand[table[slot]], c)) slot = (slot + 1) & (table.size() - 1);
                    if (table[slot] < 0) {
                        table[slot] = static_cast<int>(cand.size());
                        cand.push_back(c);
                    } else {
                        Candidate& old = cand[table[slot]];
                        if (c.saddle < old.saddle) old = c;
                    }
                }
            }
            if (all || cand.size() >= static_cast<std::size_t>(width)) break;
        }
        const std::size_t keep = std::min<std::size_t>(cand.size(), static_cast<std::size_t>(width));
        std::partial_sort(cand.begin(), cand.begin() + keep, cand.end(), [&](const Candidate& x, const Candidate& y) {
            if (x.saddle != y.saddle) return x.saddle < y.saddle;
            if (x.energy != y.energy) return x.energy < y.energy;
            return bits_less(x, y);
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
            for (int w = 0; w < words; ++w) next_done[r * words + w] = word(c, w);
            k.hash = c.hash;
            history.back().emplace_back(c.parent, c.move);
        }
        layer.swap(next);
        done.swap(next_done);
        bytes = std::max(bytes, layer.size() * per_kept + keys.capacity() * 8 + cand.capacity() * sizeof(Candidate));
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

// One part of the problem with the best path found for it so far.
struct PartRun {
    const decompose::Part* part;
    Prepared sp;
    int width = 0;
    std::size_t bytes = 0;      // the most its beams held
    std::vector<Move> moves;    // in the whole problem's positions
    std::vector<int> energies;  // dcal/mol of the part's own structures along them
};

// Searches `run` with its width: the better of the two beams (from A and from B), as moves from
// A, with the part's energies checked against the beams' own.
void search_part(PartRun& run, std::size_t memory, const std::function<bool()>& late) {
    const Prepared& sp = run.sp;
    int forward = 0, backward = 0;
    std::vector<Move> moves = beam(sp.seq, sp.ptA, sp.ptB, sp.EA, run.width, memory, run.bytes, forward, late);
    const std::vector<Move> bw = beam(sp.seq, sp.ptB, sp.ptA, sp.EB, run.width, memory, run.bytes, backward, late);
    if (backward < forward) {
        moves.clear();
        for (auto it = bw.rbegin(); it != bw.rend(); ++it) moves.push_back({!it->add, it->i, it->j});
    }
    std::vector<int> energies = path_energies(sp, moves);
    for (Move& m : moves) {
        m.i = run.part->at[m.i];
        m.j = run.part->at[m.j];
    }
    if (std::min(forward, backward) != std::numeric_limits<int>::max() &&
        *std::max_element(energies.begin(), energies.end()) != std::min(forward, backward))
        throw std::logic_error("beam search: move energies disagree with the beam's");
    run.moves = std::move(moves);
    run.energies = std::move(energies);
}

}  // namespace

int default_width(int distance) { return std::max(1, std::min(4 * distance, kMaxDefaultWidth)); }

// Both directions: a beam that starts at the end it finds harder to leave often does better.
// Without -w further rounds widen the beams (up to 4 x each part's distance) as far as the next
// round is expected to end within `share` of the budget; the best merged path of the rounds stands.
PathResult direct_beam(const Problem& pb, const Options& opt, double share) {
    const auto t0 = std::chrono::steady_clock::now();
    const Prepared pr = prepare(pb);
    std::vector<decompose::Part> parts;
    if (opt.split) {
        parts = decompose::split(pb.sequence, pb.A, pb.B);
    } else {
        parts.push_back({pb.sequence, pb.A, pb.B, std::vector<int>(pb.sequence.size())});
        for (std::size_t k = 0; k < pb.sequence.size(); ++k) parts[0].at[k] = static_cast<int>(k);
    }
    std::vector<PartRun> runs(parts.size());
    for (std::size_t p = 0; p < parts.size(); ++p) {
        runs[p].part = &parts[p];
        runs[p].sp = prepare({parts[p].sequence, parts[p].A, parts[p].B});
    }
    const int floor = std::max(0, pr.EB - pr.EA);
    check_memory_floor(pr, opt);
    // The beams' share of the memory cap: what the program, the best path and a round's path leave.
    const std::size_t n = pb.sequence.size(), cap = opt.memory_mib << 20;
    const std::size_t held = kBaseBytes + 2 * path_bytes(n, static_cast<std::size_t>(pr.bpdist), opt.keep_structures);
    const std::size_t memory = cap > held ? (cap - held) / 2 : 0;
    PathResult best;
    double factor = 1;  // how much wider the next round's beams may be
    for (int round = 0;; ++round) {
        const double started = seconds_since(t0);
        const double until = round == 0 ? opt.seconds : opt.seconds * share;
        const std::function<bool()> late = [&] { return cancelled(opt) || seconds_since(t0) >= until; };
        bool wider = round == 0;  // the first round also when A equals B
        for (PartRun& run : runs) {
            const int most = std::max(1, 4 * run.sp.bpdist);
            const int width = opt.width > 0 ? opt.width
                              : round == 0  ? default_width(run.sp.bpdist)
                                            : static_cast<int>(std::min<double>(most, run.width * factor));
            if (round > 0 && width == run.width) continue;
            run.width = width;
            wider = true;
            search_part(run, memory, late);
        }
        if (!wider) break;
        PathResult r;
        std::vector<std::vector<int>> energies;
        for (const PartRun& run : runs) energies.push_back(run.energies);
        std::vector<std::size_t> next(runs.size(), 0);
        const std::vector<int> order = decompose::merge(energies);
        for (int p : order) r.moves.push_back(runs[p].moves[next[p]++]);
        int offset = pr.EA;
        for (const std::vector<int>& e : energies) offset -= e[0];
        if (static_cast<int64_t>(r.moves.size()) * static_cast<int64_t>(n) <= kUnevaluatedFinish) {
            replay(pb, pr, r, opt.keep_structures);
            if (r.barrier + pr.EA != offset + decompose::merged_peak(energies, order))
                throw std::logic_error("beam search: the parts' energies do not add up to the whole");
        } else {  // a long path: the parts' energies summed, the whole evaluated only at B
            std::string s = pb.A;
            int sum = pr.EA;
            r.structures.reserve(opt.keep_structures ? r.moves.size() + 1 : 1);
            r.structures.assign(1, s);
            r.energies.assign(1, sum);
            std::fill(next.begin(), next.end(), 0);
            for (std::size_t k = 0; k < order.size(); ++k) {
                const int p = order[k];
                const Move& m = r.moves[k];
                s[m.i] = m.add ? '(' : '.';
                s[m.j] = m.add ? ')' : '.';
                sum += energies[p][next[p] + 1] - energies[p][next[p]];
                ++next[p];
                if (opt.keep_structures) r.structures.push_back(s);
                r.energies.push_back(sum);
            }
            if (s != pb.B || sum != pr.EB)
                throw std::logic_error("beam search: the parts' energies do not add up to the whole");
            r.barrier = *std::max_element(r.energies.begin(), r.energies.end()) - pr.EA;
        }
        if (round == 0 || r.barrier < best.barrier) best = std::move(r);
        // A beam's time grows with its width: the next round is as wide as the rest of the share
        // allows (with a margin of 20 %), at least twice as wide, else there is none.
        const double took = std::max(1e-6, seconds_since(t0) - started);
        factor = (opt.seconds * share - seconds_since(t0)) / (1.2 * took);
        if (opt.width > 0 || best.barrier == floor || cancelled(opt) || factor < 2) break;
    }
    best.method = "direct";
    best.peak_bytes = kBaseBytes + 2 * path_bytes(n, best.moves.size(), opt.keep_structures);
    std::size_t beams = 0;
    for (const PartRun& run : runs) beams = std::max(beams, run.bytes);
    best.peak_bytes += beams;
    best.lower_bound = floor;
    best.proved = best.barrier == best.lower_bound;
    best.stop = best.proved ? StopReason::proved : cancelled(opt) ? StopReason::interrupted : StopReason::budget;
    best.seconds = seconds_since(t0);
    return best;
}

PathResult direct_path(const Problem& pb, const Options& opt) { return direct_beam(pb, opt, kBeamShare); }

}  // namespace methods
