// Exact bottleneck search: structures are settled in increasing order of their key, the
// lowest possible highest energy of a path from A to them. Keys are integer dcal/mol, so the
// queue is one bucket per key; within the current key the bucket is a stack, which floods
// everything reachable at that level before the next key is touched. A structure's first key
// is already its lowest (every key below it is exhausted), so each structure enters the
// tables once and B is settled the moment it is first reached.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>
#include <unordered_map>

#include "methods/common.h"

namespace methods {
namespace {

// Canonical pairs by base code (1 A, 2 C, 3 G, 4 U): AU, CG, GC, GU, UA, UG.
bool canonical(int a, int b) {
    const int x = a * 5 + b;
    return x == 1 * 5 + 4 || x == 2 * 5 + 3 || x == 3 * 5 + 2 || x == 3 * 5 + 4 || x == 4 * 5 + 1 || x == 4 * 5 + 3;
}

// Stored structures. Each record is W + 1 64-bit words:
//   words 0..W-1: the structure, 2 bits per position, position k in bits 2(k mod 32)..+1 of
//                 word k / 32: 00 unpaired, 01 '(', 10 ')';
//   word W:       bits 0..31 the energy (dcal/mol, two's complement), bits 32..63 the index
//                 of the structure it was first reached from (itself for A).
// Records live in blocks of kBlock so that growing never copies them; a table of 32-bit
// record indices (open addressing, linear probing, load <= 1/2) finds them by content.
class StateStore {
public:
    static constexpr std::size_t kBlock = 1 << 16;

    explicit StateStore(int n) : W_((2 * n + 63) / 64), slots_(1 << 12, kEmpty) {}

    int words() const { return W_; }
    std::size_t size() const { return count_; }
    const uint64_t* at(uint32_t idx) const { return blocks_[idx / kBlock].get() + (idx % kBlock) * (W_ + 1); }
    int energy(uint32_t idx) const { return static_cast<int32_t>(static_cast<uint32_t>(at(idx)[W_])); }
    uint32_t parent(uint32_t idx) const { return static_cast<uint32_t>(at(idx)[W_] >> 32); }

    std::size_t bytes() const {
        return blocks_.size() * kBlock * (W_ + 1) * 8 + slots_.size() * 4;
    }
    // Bytes the table would reach if the next insertion makes it grow.
    std::size_t bytes_after_growth() const {
        std::size_t b = bytes();
        if (2 * (count_ + 1) > slots_.size()) b += slots_.size() * 2 * 4;
        if (count_ % kBlock == 0) b += kBlock * (W_ + 1) * 8;
        return b;
    }

    // Index of the stored structure `s`, or inserts it and returns its new index with
    // `inserted` set.
    uint32_t find_or_insert(const uint64_t* s, int energy, uint32_t parent, bool& inserted) {
        const std::size_t mask = slots_.size() - 1;
        std::size_t h = hash(s) & mask;
        for (;; h = (h + 1) & mask) {
            const uint32_t v = slots_[h];
            if (v == kEmpty) break;
            if (std::memcmp(at(v), s, W_ * 8) == 0) {
                inserted = false;
                return v;
            }
        }
        const uint32_t idx = static_cast<uint32_t>(count_++);
        if (idx % kBlock == 0) blocks_.emplace_back(new uint64_t[kBlock * (W_ + 1)]);
        uint64_t* rec = blocks_[idx / kBlock].get() + (idx % kBlock) * (W_ + 1);
        std::memcpy(rec, s, W_ * 8);
        rec[W_] = (static_cast<uint64_t>(parent) << 32) | static_cast<uint32_t>(energy);
        slots_[h] = idx;
        if (2 * count_ > slots_.size()) grow();
        inserted = true;
        return idx;
    }

private:
    static constexpr uint32_t kEmpty = 0xFFFFFFFFu;

    std::size_t hash(const uint64_t* s) const {
        uint64_t h = 0x243F6A8885A308D3ULL;
        for (int w = 0; w < W_; ++w) {
            h ^= s[w];
            h *= 0x9E3779B97F4A7C15ULL;
            h ^= h >> 31;
        }
        return static_cast<std::size_t>(h ^ (h >> 29));
    }

    void grow() {
        std::vector<uint32_t> next(slots_.size() * 2, kEmpty);
        const std::size_t mask = next.size() - 1;
        for (uint32_t v : slots_) {
            if (v == kEmpty) continue;
            std::size_t h = hash(at(v)) & mask;
            while (next[h] != kEmpty) h = (h + 1) & mask;
            next[h] = v;
        }
        slots_.swap(next);
    }

    int W_;
    std::size_t count_ = 0;
    std::vector<std::unique_ptr<uint64_t[]>> blocks_;
    std::vector<uint32_t> slots_;
};

inline void set_code(uint64_t* s, int k, uint64_t code) {
    const int sh = 2 * (k & 31);
    s[k >> 5] = (s[k >> 5] & ~(uint64_t{3} << sh)) | (code << sh);
}

void pack(const std::string& db, uint64_t* s, int W) {
    std::fill(s, s + W, 0);
    for (int k = 0; k < static_cast<int>(db.size()); ++k)
        set_code(s, k, db[k] == '(' ? 1 : db[k] == ')' ? 2 : 0);
}

void unpack(const uint64_t* s, int n, std::string& db) {
    db.assign(n, '.');
    for (int k = 0; k < n; ++k) {
        const uint64_t c = s[k >> 5] >> (2 * (k & 31)) & 3;
        if (c == 1) db[k] = '(';
        else if (c == 2) db[k] = ')';
    }
}

// Energy changes of the moves inside one loop depend on that loop alone, those of a deletion
// on the two loops it merges; so they are computed once per loop and shared by every stored
// structure that has it. A loop is named by its closing pair (-1 -1: exterior) followed by
// the pairs of its branches; a deletion by its outer loop's name, -2, its inner loop's name.
struct NameHash {
    std::size_t operator()(const std::vector<int>& v) const {
        uint64_t h = 0x9E3779B97F4A7C15ULL ^ v.size();
        for (int x : v) h = (h ^ static_cast<uint32_t>(x)) * 0x100000001B3ULL + (h >> 27);
        return static_cast<std::size_t>(h);
    }
};

struct LoopAdditions {
    std::vector<uint32_t> pair;  // a << 16 | b
    std::vector<int> delta;      // dcal/mol
};

class MoveCache {
public:
    // The additions of loop `li` of the current structure (see load()).
    const LoopAdditions& additions(int li, const nnmodel::EncodedSequence& seq, const PairTable& pt,
                                   const std::vector<uint8_t>& allowed, ReducedLoop& loop) {
        name(li, -1);
        auto it = adds_.find(key_);
        if (it != adds_.end()) return it->second;
        LoopAdditions la;
        loop.build(seq, pt, closing_[li], -1);
        const std::vector<int>& un = loop.unpaired();
        const int n = static_cast<int>(pt.size());
        const nnmodel::ParamSet& par = nnmodel::turner2004();
        int base = 0;
        for (std::size_t x = 0; x < un.size(); ++x) {
            const uint8_t* row = &allowed[static_cast<std::size_t>(un[x]) * n];
            for (std::size_t y = x + 1; y < un.size(); ++y) {
                if (!row[un[y]]) continue;
                if (la.pair.empty()) base = loop.energy(par, kDangles);
                la.pair.push_back(static_cast<uint32_t>(un[x]) << 16 | static_cast<uint32_t>(un[y]));
                la.delta.push_back(loop.energy_toggled(par, kDangles, un[x], un[y]) - base);
            }
        }
        bytes_ += key_.size() * 4 + la.pair.size() * 8 + 96;
        return adds_.emplace(key_, std::move(la)).first->second;
    }

    // Energy change of deleting the pair that closes loop `li` (li > 0).
    int deletion(int li, const nnmodel::EncodedSequence& seq, const PairTable& pt, ReducedLoop& loop) {
        name(outer_[li], li);
        auto it = dels_.find(key_);
        if (it != dels_.end()) return it->second;
        const int a = closing_[li];
        loop.build(seq, pt, closing_[outer_[li]], a);
        const nnmodel::ParamSet& par = nnmodel::turner2004();
        const int d = loop.energy_toggled(par, kDangles, a, pt[a]) - loop.energy(par, kDangles);
        bytes_ += key_.size() * 4 + 80;
        dels_.emplace(key_, d);
        return d;
    }

    // Splits the structure into loops: 0 the exterior, then one per pair in 5' order.
    void load(const PairTable& pt) {
        const int n = static_cast<int>(pt.size());
        closing_.assign(1, -1);
        outer_.assign(1, -1);
        for (int k = 0; k < n; ++k)
            if (pt[k] > k) closing_.push_back(k);
        loop_of_.resize(n);
        for (std::size_t li = 0; li < closing_.size(); ++li)
            if (closing_[li] >= 0) loop_of_[closing_[li]] = static_cast<int>(li);
        outer_.resize(closing_.size());
        names_.clear();
        start_.assign(closing_.size() + 1, 0);
        for (std::size_t li = 0; li < closing_.size(); ++li) {
            start_[li] = static_cast<int>(names_.size());
            const int p = closing_[li];
            const int q = p < 0 ? n : pt[p];
            names_.push_back(p);
            names_.push_back(p < 0 ? -1 : q);
            for (int k = p + 1; k < q; ++k) {
                if (pt[k] < 0) continue;
                names_.push_back(k);
                names_.push_back(pt[k]);
                outer_[loop_of_[k]] = static_cast<int>(li);
                k = pt[k];
            }
        }
        start_.back() = static_cast<int>(names_.size());
    }

    std::size_t loops() const { return closing_.size(); }
    int closing(int li) const { return closing_[li]; }
    std::size_t bytes() const { return bytes_; }
    void clear() {
        adds_.clear();
        dels_.clear();
        bytes_ = 0;
    }

private:
    void name(int li, int inner) {
        key_.assign(names_.begin() + start_[li], names_.begin() + start_[li + 1]);
        if (inner >= 0) {
            key_.push_back(-2);
            key_.insert(key_.end(), names_.begin() + start_[inner], names_.begin() + start_[inner + 1]);
        }
    }

    std::unordered_map<std::vector<int>, LoopAdditions, NameHash> adds_;
    std::unordered_map<std::vector<int>, int, NameHash> dels_;
    std::size_t bytes_ = 0;
    std::vector<int> closing_, outer_, loop_of_, names_, start_, key_;
};

}  // namespace

PathResult exact_path(const Problem& pb, const Options& opt, const PathResult* known) {
    const auto t0 = std::chrono::steady_clock::now();
    const Prepared pr = prepare(pb);
    PathResult best = known ? *known : direct_path(pb, opt);
    best.method = "exact";
    const int floor = std::max(0, pr.EB - pr.EA);
    best.lower_bound = floor;
    best.proved = best.barrier == floor;
    if (best.proved || pb.A == pb.B) {
        best.seconds = seconds_since(t0);
        return best;
    }

    const int n = pr.seq.length();
    const int cut = pr.EA + best.barrier;  // only structures strictly below it can improve
    std::vector<uint8_t> allowed(static_cast<std::size_t>(n) * n, 0);
    for (int a = 0; a < n; ++a)
        for (int b = a + 4; b < n; ++b)
            allowed[a * n + b] = canonical(pr.seq.codes[a + 1], pr.seq.codes[b + 1]) || pr.ptA[a] == b ||
                                 pr.ptB[a] == b;

    StateStore store(n);
    const int W = store.words();
    std::vector<uint64_t> startw(W), goalw(W), nb(W);
    pack(pb.A, startw.data(), W);
    pack(pb.B, goalw.data(), W);
    std::vector<std::vector<uint32_t>> bucket(cut - pr.EA);
    std::size_t queued = 1;
    bool inserted = false;
    store.find_or_insert(startw.data(), pr.EA, 0, inserted);
    bucket[0].push_back(0);

    const std::size_t cap = opt.memory_mib * std::size_t{1} << 20;
    double next_progress = opt.progress_every;
    std::string db;
    PairTable pt;
    ReducedLoop loop;
    MoveCache cache;
    int64_t found = -1;  // index of B once reached
    int level = pr.EA;
    bool stopped = false;
    std::size_t expansions = 0;

    auto offer = [&](uint32_t from, int key, int a, int b, bool add, int e) {
        std::copy(store.at(from), store.at(from) + W, nb.begin());
        set_code(nb.data(), a, add ? 1 : 0);
        set_code(nb.data(), b, add ? 2 : 0);
        bool fresh = false;
        const uint32_t idx = store.find_or_insert(nb.data(), e, from, fresh);
        if (!fresh) return;
        const int k = std::max(key, e);
        bucket[k - pr.EA].push_back(idx);
        ++queued;
        if (std::equal(nb.begin(), nb.end(), goalw.begin())) found = idx;
    };

    while (level < cut) {
        std::vector<uint32_t>& here = bucket[level - pr.EA];
        while (!here.empty() && found < 0) {
            const uint32_t cur = here.back();
            here.pop_back();
            --queued;
            if ((++expansions & 63) == 0) {
                const double el = seconds_since(t0);
                if (el >= opt.seconds ||
                    store.bytes_after_growth() + queued * 4 + cache.bytes() + static_cast<std::size_t>(n) * n > cap) {
                    stopped = true;
                    break;
                }
                if (opt.progress && el >= next_progress) {
                    *opt.progress << "exact: " << store.size() << " structures stored, lower bound "
                                  << (std::max(level - pr.EA, floor)) / 100.0 << ", upper bound "
                                  << best.barrier / 100.0 << " kcal/mol" << std::endl;
                    next_progress = el + opt.progress_every;
                }
            }
            const int E = store.energy(cur);
            unpack(store.at(cur), n, db);
            pt = pair_table(db);
            if (cache.bytes() > cap / 4) cache.clear();
            cache.load(pt);
            const int headroom = cut - E;  // moves must lower the energy below this
            for (int li = 0; li < static_cast<int>(cache.loops()) && found < 0; ++li) {
                const LoopAdditions& la = cache.additions(li, pr.seq, pt, allowed, loop);
                for (std::size_t c = 0; c < la.pair.size() && found < 0; ++c)
                    if (la.delta[c] < headroom)
                        offer(cur, level, la.pair[c] >> 16, la.pair[c] & 0xFFFF, true, E + la.delta[c]);
                if (li == 0 || found >= 0) continue;
                const int d = cache.deletion(li, pr.seq, pt, loop);
                if (d < headroom) offer(cur, level, cache.closing(li), pt[cache.closing(li)], false, E + d);
            }
        }
        if (found >= 0 || stopped) break;
        std::vector<uint32_t>().swap(here);
        ++level;
    }

    best.states = store.size();
    best.peak_bytes = store.bytes() + queued * 4 + cache.bytes();
    if (found >= 0) {
        std::vector<std::string> path;
        for (uint32_t v = static_cast<uint32_t>(found);; v = store.parent(v)) {
            unpack(store.at(v), n, db);
            path.push_back(db);
            if (v == 0) break;
        }
        std::reverse(path.begin(), path.end());
        PathResult r = path_of(pb.sequence, path);
        r.method = "exact";
        r.lower_bound = r.barrier;  // the first key of B is its lowest
        r.proved = true;
        r.states = best.states;
        r.peak_bytes = best.peak_bytes;
        r.seconds = seconds_since(t0);
        return r;
    }
    // Every key below `level` is exhausted: no path stays below it.
    best.lower_bound = std::max(floor, level - pr.EA);
    best.lower_bound = std::min(best.lower_bound, best.barrier);
    best.proved = best.lower_bound == best.barrier;
    best.seconds = seconds_since(t0);
    return best;
}

}  // namespace methods
