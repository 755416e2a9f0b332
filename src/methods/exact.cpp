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
#include <stdexcept>
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
// Records live in blocks of kBlock so that growing never copies them; a table of 64-bit
// slots (upper 32 bits of the hash, record index; open addressing, linear probing, load <= 1/2)
// finds them by content.
class StateStore {
public:
    static constexpr std::size_t kBlock = 1 << 16;

    explicit StateStore(int n) : W_((2 * n + 63) / 64), bits_(12), slots_(std::size_t{1} << 12, kEmpty) {}

    int words() const { return W_; }
    std::size_t size() const { return count_; }
    const uint64_t* at(uint32_t idx) const { return blocks_[idx / kBlock].get() + (idx % kBlock) * (W_ + 1); }
    int energy(uint32_t idx) const { return static_cast<int32_t>(static_cast<uint32_t>(at(idx)[W_])); }
    uint32_t parent(uint32_t idx) const { return static_cast<uint32_t>(at(idx)[W_] >> 32); }

    std::size_t bytes() const { return blocks_.size() * kBlock * (W_ + 1) * 8 + slots_.size() * 8; }
    // The most bytes held while `more` records are inserted: a growing slot table holds its
    // old array and the new one, twice as large, at the same time.
    std::size_t bytes_with(std::size_t more) const {
        const std::size_t blocks = std::max(blocks_.size(), (count_ + more + kBlock - 1) / kBlock);
        std::size_t slots = slots_.size();
        while (2 * (count_ + more) > slots) slots *= 2;
        return blocks * kBlock * (W_ + 1) * 8 + (slots + (slots > slots_.size() ? slots / 2 : 0)) * 8;
    }

    // Index of the stored structure `s`, or inserts it and returns its new index with
    // `inserted` set.
    uint32_t find_or_insert(const uint64_t* s, int energy, uint32_t parent, bool& inserted) {
        return find_or_insert(s, hash(s), energy, parent, inserted);
    }
    // Same with the hash given (from hash()).
    uint32_t find_or_insert(const uint64_t* s, uint64_t h, int energy, uint32_t parent, bool& inserted) {
        const std::size_t mask = slots_.size() - 1;
        const uint64_t tag = h >> 32 << 32;
        for (std::size_t at_slot = home(tag);; at_slot = (at_slot + 1) & mask) {
            const uint64_t v = slots_[at_slot];
            if (v == kEmpty) {
                const uint32_t idx = static_cast<uint32_t>(count_++);
                if (idx % kBlock == 0) blocks_.emplace_back(new uint64_t[kBlock * (W_ + 1)]);
                uint64_t* rec = blocks_[idx / kBlock].get() + (idx % kBlock) * (W_ + 1);
                std::copy(s, s + W_, rec);
                rec[W_] = (static_cast<uint64_t>(parent) << 32) | static_cast<uint32_t>(energy);
                slots_[at_slot] = tag | idx;
                if (2 * count_ > slots_.size()) grow();
                inserted = true;
                return idx;
            }
            if ((v ^ tag) >> 32 == 0 && same(at(static_cast<uint32_t>(v)), s)) {
                inserted = false;
                return static_cast<uint32_t>(v);
            }
        }
    }

    // Brings the slot a lookup of hash h starts at into the cache.
    void prefetch(uint64_t h) const { __builtin_prefetch(&slots_[home(h)]); }

    uint64_t hash(const uint64_t* s) const {
        uint64_t h = 0x243F6A8885A308D3ULL;
        for (int w = 0; w < W_; ++w) {
            h ^= s[w];
            h *= 0x9E3779B97F4A7C15ULL;
            h ^= h >> 31;
        }
        h *= 0xBF58476D1CE4E5B9ULL;
        return h ^ (h >> 29);
    }

private:
    // Slots hold the upper half of the hash over the record index, so most probes that do
    // not match never touch a record.
    static constexpr uint64_t kEmpty = ~uint64_t{0};

    bool same(const uint64_t* a, const uint64_t* b) const {
        for (int w = 0; w < W_; ++w)
            if (a[w] != b[w]) return false;
        return true;
    }

    // A lookup starts at the slot named by the top bits of the hash, which the slot keeps:
    // growing moves slots without reading a record.
    std::size_t home(uint64_t h) const { return static_cast<std::size_t>(h >> (64 - bits_)); }

    void grow() {
        std::vector<uint64_t> old(slots_.size() * 2, kEmpty);
        old.swap(slots_);
        ++bits_;
        const std::size_t mask = slots_.size() - 1;
        for (uint64_t v : old) {
            if (v == kEmpty) continue;
            std::size_t h = home(v);
            while (slots_[h] != kEmpty) h = (h + 1) & mask;
            slots_[h] = v;
        }
    }

    int W_;
    int bits_;  // log2 of the number of slots
    std::size_t count_ = 0;
    std::vector<std::unique_ptr<uint64_t[]>> blocks_;
    std::vector<uint64_t> slots_;
};

inline void set_code(uint64_t* s, int k, uint64_t code) {
    const int sh = 2 * (k & 31);
    s[k >> 5] = (s[k >> 5] & ~(uint64_t{3} << sh)) | (code << sh);
}

void pack(const std::string& db, uint64_t* s, int W) {
    std::fill(s, s + W, 0);
    for (int k = 0; k < static_cast<int>(db.size()); ++k) set_code(s, k, db[k] == '(' ? 1 : db[k] == ')' ? 2 : 0);
}

void unpack(const uint64_t* s, int n, std::string& db) {
    db.assign(n, '.');
    for (int k = 0; k < n; ++k) {
        const uint64_t c = s[k >> 5] >> (2 * (k & 31)) & 3;
        if (c == 1)
            db[k] = '(';
        else if (c == 2)
            db[k] = ')';
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
        const nnmodel::ParamSet& par = model_params();
        int base = 0;
        for (std::size_t x = 0; x < un.size(); ++x) {
            const uint8_t* row = &allowed[static_cast<std::size_t>(un[x]) * n];
            for (std::size_t y = x + 1; y < un.size(); ++y) {
                if (!row[un[y]]) continue;
                if (la.pair.empty()) base = loop.energy(par, model_dangles());
                la.pair.push_back(static_cast<uint32_t>(un[x]) << 16 | static_cast<uint32_t>(un[y]));
                la.delta.push_back(loop.energy_toggled(par, model_dangles(), un[x], un[y]) - base);
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
        const nnmodel::ParamSet& par = model_params();
        const int d = loop.energy_toggled(par, model_dangles(), a, pt[a]) - loop.energy(par, model_dangles());
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
    best.stop = best.proved ? StopReason::proved : StopReason::budget;
    if (best.proved || pb.A == pb.B) {
        best.seconds = seconds_since(t0);
        return best;
    }

    const int n = pr.seq.length();
    const int cut = pr.EA + best.barrier;  // only structures strictly below it can improve
    std::vector<uint8_t> allowed(static_cast<std::size_t>(n) * n, 0);
    for (int a = 0; a < n; ++a)
        for (int b = a + 4; b < n; ++b)
            allowed[a * n + b] =
                canonical(pr.seq.codes[a + 1], pr.seq.codes[b + 1]) || pr.ptA[a] == b || pr.ptB[a] == b;

    StateStore store(n);
    const int W = store.words();
    std::vector<uint64_t> startw(W), goalw(W);
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
    StopReason why = StopReason::budget;
    std::size_t expansions = 0;

    // The neighbours of one structure are packed and hashed first and looked up after, so
    // that the table's cache misses overlap.
    struct Offer {
        uint64_t hash;
        int energy;
    };
    std::vector<Offer> offers;
    std::vector<uint64_t> packed;
    auto offer = [&](uint32_t from, int a, int b, bool add, int e) {
        const std::size_t at = packed.size();
        packed.insert(packed.end(), store.at(from), store.at(from) + W);
        set_code(packed.data() + at, a, add ? 1 : 0);
        set_code(packed.data() + at, b, add ? 2 : 0);
        const uint64_t h = store.hash(packed.data() + at);
        store.prefetch(h);
        offers.push_back({h, e});
    };
    // Queued indices take 4 bytes, and up to as much again in the buckets' spare capacity.
    auto over_cap = [&](std::size_t more) {
        return store.bytes_with(more) + queued * 8 + cache.bytes() + static_cast<std::size_t>(n) * n > cap;
    };
    auto settle = [&](uint32_t from, int key) {
        if (over_cap(offers.size())) {  // stop before the table outgrows the cap
            stopped = true;
            why = StopReason::memory;
            offers.clear();
            packed.clear();
            return;
        }
        for (std::size_t o = 0; o < offers.size() && found < 0; ++o) {
            const uint64_t* w = packed.data() + o * W;
            bool fresh = false;
            const uint32_t idx = store.find_or_insert(w, offers[o].hash, offers[o].energy, from, fresh);
            if (!fresh) continue;
            bucket[std::max(key, offers[o].energy) - pr.EA].push_back(idx);
            ++queued;
            if (std::equal(w, w + W, goalw.begin())) found = idx;
        }
        offers.clear();
        packed.clear();
    };

    while (level < cut) {
        std::vector<uint32_t>& here = bucket[level - pr.EA];
        while (!here.empty() && found < 0 && !stopped) {
            const uint32_t cur = here.back();
            here.pop_back();
            --queued;
            if ((++expansions & 63) == 0) {
                const double el = seconds_since(t0);
                if (el >= opt.seconds || over_cap(0) || cancelled(opt)) {
                    stopped = true;
                    why = cancelled(opt) ? StopReason::interrupted
                          : el >= opt.seconds ? StopReason::budget
                                              : StopReason::memory;
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
                        offer(cur, la.pair[c] >> 16, la.pair[c] & 0xFFFF, true, E + la.delta[c]);
                if (li == 0 || found >= 0) continue;
                const int d = cache.deletion(li, pr.seq, pt, loop);
                if (d < headroom) offer(cur, cache.closing(li), pt[cache.closing(li)], false, E + d);
            }
            settle(cur, level);
        }
        if (found >= 0 || stopped) break;
        std::vector<uint32_t>().swap(here);
        ++level;
    }

    best.states = store.size();
    best.peak_bytes = store.bytes() + queued * 8 + cache.bytes();
    if (found >= 0) {
        std::vector<std::string> path;
        for (uint32_t v = static_cast<uint32_t>(found);; v = store.parent(v)) {
            unpack(store.at(v), n, db);
            path.push_back(db);
            if (v == 0) break;
        }
        std::reverse(path.begin(), path.end());
        PathResult r = path_of(pb.sequence, path);
        if (r.barrier != std::max(level, pr.EB) - pr.EA)
            throw std::logic_error("exact search: move energies disagree with full evaluation");
        r.method = "exact";
        r.lower_bound = r.barrier;  // the first key of B is its lowest
        r.proved = true;
        r.stop = StopReason::proved;
        r.states = best.states;
        r.peak_bytes = best.peak_bytes;
        r.seconds = seconds_since(t0);
        return r;
    }
    // Every key below `level` is exhausted: no path stays below it.
    best.lower_bound = std::max(floor, level - pr.EA);
    best.lower_bound = std::min(best.lower_bound, best.barrier);
    best.proved = best.lower_bound == best.barrier;
    best.stop = best.proved ? StopReason::proved : why;
    best.seconds = seconds_since(t0);
    return best;
}

}  // namespace methods
