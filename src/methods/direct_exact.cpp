// Best-first search over direct paths. A direct structure is named by the set of moves done
// (a bit per pair of A not in B and per pair of B not in A). Structures are settled in
// increasing order of their key, the lowest possible highest energy of a direct path from A to
// them; keys are integer dcal/mol, one bucket (a stack) per key, so a structure's first key is
// its lowest and B is settled the moment it is first reached. Structures at or above the
// known path's saddle are never entered: when the queue runs dry the known path is the best.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <utility>

#include "methods/common.h"

namespace methods {
namespace {

// Stored direct structures: W words of move bits, then one word with the energy (dcal/mol, low
// 32 bits) and the index of the structure first reached from (high 32 bits). Records live in
// blocks that never move; a slot table (open addressing, load <= 1/2) finds them by content.
class DirectStore {
public:
    static constexpr std::size_t kBlock = 1 << 14;
    static constexpr uint32_t kEmpty = std::numeric_limits<uint32_t>::max();

    explicit DirectStore(int words) : W_(words), slots_(1024, kEmpty) {}

    std::size_t size() const { return count_; }
    const uint64_t* bits(uint32_t idx) const { return blocks_[idx / kBlock].get() + (idx % kBlock) * (W_ + 1); }
    int energy(uint32_t idx) const { return static_cast<int32_t>(static_cast<uint32_t>(bits(idx)[W_])); }
    uint32_t parent(uint32_t idx) const { return static_cast<uint32_t>(bits(idx)[W_] >> 32); }
    std::size_t bytes() const { return blocks_.size() * kBlock * (W_ + 1) * 8 + slots_.size() * 4; }
    // Bytes held now, and at most while `more` records are inserted (a growing slot table holds
    // the old array and the new one at once).
    std::size_t bytes_with(std::size_t more) const {
        const std::size_t blocks = (count_ + more + kBlock - 1) / kBlock;
        std::size_t slots = slots_.size();
        while (2 * (count_ + more) > slots) slots *= 2;
        const std::size_t old_slots = slots > slots_.size() ? slots_.size() : 0;
        return std::max(blocks, blocks_.size()) * kBlock * (W_ + 1) * 8 + (slots + old_slots) * 4;
    }
    // `more` records more would reach the largest index.
    bool full(std::size_t more) const { return count_ + more >= kEmpty; }

    // Index of the stored set `s`, or inserts it (then `inserted` is set).
    uint32_t find_or_insert(const uint64_t* s, int energy, uint32_t parent, bool& inserted) {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t at = hash(s) & mask;; at = (at + 1) & mask) {
            const uint32_t v = slots_[at];
            if (v == kEmpty) {
                const uint32_t idx = static_cast<uint32_t>(count_++);
                if (idx % kBlock == 0) blocks_.emplace_back(new uint64_t[kBlock * (W_ + 1)]);
                uint64_t* rec = blocks_[idx / kBlock].get() + (idx % kBlock) * (W_ + 1);
                std::copy(s, s + W_, rec);
                rec[W_] = (static_cast<uint64_t>(parent) << 32) | static_cast<uint32_t>(energy);
                slots_[at] = idx;
                if (2 * count_ > slots_.size()) grow();
                inserted = true;
                return idx;
            }
            if (std::equal(s, s + W_, bits(v))) {
                inserted = false;
                return v;
            }
        }
    }

private:
    uint64_t hash(const uint64_t* s) const {
        uint64_t h = 0x9E3779B97F4A7C15ULL;
        for (int w = 0; w < W_; ++w) h = (h ^ s[w]) * 0xBF58476D1CE4E5B9ULL, h ^= h >> 31;
        return h;
    }
    void grow() {
        std::vector<uint32_t> old(slots_.size() * 2, kEmpty);
        old.swap(slots_);
        const std::size_t mask = slots_.size() - 1;
        for (uint32_t v : old) {
            if (v == kEmpty) continue;
            std::size_t at = hash(bits(v)) & mask;
            while (slots_[at] != kEmpty) at = (at + 1) & mask;
            slots_[at] = v;
        }
    }

    int W_;
    std::size_t count_ = 0;
    std::vector<std::unique_ptr<uint64_t[]>> blocks_;
    std::vector<uint32_t> slots_;
};

}  // namespace

// Besides the time to write the path (kSecondsPerPathByte), 8 % of the budget is kept for what
// runs between two looks at the clock (the slot table's doubling at millions of records).
constexpr double kClockShare = 0.92;

PathResult direct_exact_path(const Problem& pb, const Options& opt, const PathResult* known) {
    const auto t0 = std::chrono::steady_clock::now();
    const Prepared pr = prepare(pb);
    check_memory_floor(pr, opt);
    // The search ends early enough for its path to be checked and written within the budget.
    const std::size_t n = pb.sequence.size();
    const std::size_t one_path = path_bytes(n, static_cast<std::size_t>(pr.bpdist), opt.keep_structures);
    Options own = opt;
    own.seconds = std::max(0.0, opt.seconds * kClockShare - path_write_seconds(pb));
    PathResult best = known ? *known : direct_beam(pb, own, pr.bpdist > kProofDistance ? 0.9 : kBeamShare);
    best.method = "direct";
    const int floor = std::max(0, pr.EB - pr.EA);
    if (best.proved) {
        best.seconds = seconds_since(t0);
        return best;
    }
    std::vector<Move> moves = pairs_missing(pr.ptA, pr.ptB);
    for (Move m : pairs_missing(pr.ptB, pr.ptA)) {
        m.add = true;
        moves.push_back(m);
    }
    const int d = static_cast<int>(moves.size()), W = (d + 63) / 64;
    const int upper = pr.EA + best.barrier;  // saddles at or above it are not worth entering
    // The best path known and the one found are held beside the tables, with the program's bytes.
    const std::size_t held = kBaseBytes + 2 * one_path, total = opt.memory_mib << 20;
    const std::size_t cap = total > held ? total - held : 0;
    const nnmodel::ParamSet& par = model_params();

    DirectStore store(W);
    std::vector<std::vector<uint32_t>> bucket(static_cast<std::size_t>(upper - pr.EA));
    std::size_t queued_bytes = 0;
    std::vector<uint64_t> cur(W, 0), nb(W);
    bool inserted = false;
    bucket[0].push_back(store.find_or_insert(cur.data(), pr.EA, 0, inserted));
    PairTable pt;
    std::vector<int> loop(n), open;
    const std::size_t most = static_cast<std::size_t>(d);  // records one expansion may insert
    uint32_t found = DirectStore::kEmpty;
    bool stopped = false;
    StopReason why = StopReason::budget;
    int level = pr.EA;
    double next_progress = opt.progress_every;
    std::size_t expanded = 0;
    for (; level < upper && found == DirectStore::kEmpty && !stopped; ++level) {
        std::vector<uint32_t>& here = bucket[level - pr.EA];
        while (!here.empty() && found == DirectStore::kEmpty) {
            // Queued indices: 4 bytes each, up to twice that in the buckets' spare capacity.
            if (store.bytes_with(most) + 2 * (queued_bytes + 4 * most) > cap || store.full(most)) {
                stopped = true;
                why = StopReason::memory;
                break;
            }
            if (expanded++ % 8 == 0) {
                const double el = seconds_since(t0);
                if (cancelled(opt) || el >= own.seconds) {
                    stopped = true;
                    why = cancelled(opt) ? StopReason::interrupted : StopReason::budget;
                    break;
                }
                if (opt.progress && el >= next_progress) {
                    *opt.progress << "direct: " << store.size() << " structures stored, lower bound "
                                  << std::max(level - pr.EA, floor) / 100.0 << ", upper bound "
                                  << best.barrier / 100.0 << " kcal/mol" << std::endl;
                    next_progress = el + opt.progress_every;
                }
            }
            const uint32_t idx = here.back();
            here.pop_back();
            queued_bytes -= 4;
            const int E = store.energy(idx);
            std::copy(store.bits(idx), store.bits(idx) + W, cur.begin());
            pt = pr.ptA;
            int done = 0;
            for (int w = 0; w < W; ++w) done += __builtin_popcountll(cur[w]);
            for (int m = 0; m < d; ++m)
                if (cur[m >> 6] >> (m & 63) & 1) {
                    const Move& mv = moves[m];
                    pt[mv.i] = mv.add ? mv.j : -1;
                    pt[mv.j] = mv.add ? mv.i : -1;
                }
            open.assign(1, -1);  // loop[k]: 5' end of the pair closing the loop k lies in
            for (int k = 0; k < static_cast<int>(n); ++k) {
                if (pt[k] >= 0 && pt[k] < k) open.pop_back();
                loop[k] = open.back();
                if (pt[k] > k) open.push_back(k);
            }
            for (int m = 0; m < d && found == DirectStore::kEmpty; ++m) {
                if (cur[m >> 6] >> (m & 63) & 1) continue;
                const Move& mv = moves[m];
                if (mv.add && (pt[mv.i] >= 0 || pt[mv.j] >= 0 || loop[mv.i] != loop[mv.j])) continue;
                const int e = E + move_delta(par, pr.seq, pt, mv.i, mv.j, model_dangles());
                if (e >= upper) continue;
                nb = cur;
                nb[m >> 6] |= uint64_t{1} << (m & 63);
                const uint32_t to = store.find_or_insert(nb.data(), e, idx, inserted);
                if (!inserted) continue;
                if (done + 1 == d)
                    found = to;
                else {
                    bucket[std::max(level, e) - pr.EA].push_back(to);
                    queued_bytes += 4;
                }
            }
        }
        if (stopped || found != DirectStore::kEmpty) break;
    }

    PathResult r = std::move(best);
    if (found != DirectStore::kEmpty) {
        r.moves.clear();
        for (uint32_t at = found; at != 0; at = store.parent(at)) {
            const uint64_t* a = store.bits(at);
            const uint64_t* b = store.bits(store.parent(at));
            for (int w = 0; w < W; ++w)
                if (a[w] != b[w]) r.moves.push_back(moves[64 * w + __builtin_ctzll(a[w] ^ b[w])]);
        }
        std::reverse(r.moves.begin(), r.moves.end());
        replay(pb, pr, r, opt.keep_structures);
        if (r.barrier + pr.EA != std::max(level, pr.EB))
            throw std::logic_error("direct search: move energies disagree with full evaluation");
    }
    r.method = "direct";
    r.lower_bound = stopped ? std::max(floor, level - pr.EA) : r.barrier;
    r.proved = r.lower_bound == r.barrier;
    r.stop = r.proved ? StopReason::proved : why;
    r.states = store.size();
    r.peak_bytes = std::max(r.peak_bytes, kBaseBytes + one_path + store.bytes() + 2 * queued_bytes);
    r.seconds = seconds_since(t0);
    return r;
}

}  // namespace methods
