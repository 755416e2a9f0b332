// Exact bottleneck search from both ends. Two floods, one from A and one from B, share a
// threshold T (integer dcal/mol) that rises one step at a time: every structure a flood reaches
// through structures at most T is stored and expanded before T rises. Each flood is a stack, so
// it floods everything reachable at T before the next level is touched.
//
//   - A flood reaching a structure the other flood holds joins A and B by a path whose highest
//     energy is max(T, energy of that structure); when that is T the path is optimal.
//   - When either flood runs out of structures at T without meeting the other, no path stays
//     at or below T (it would have led that flood to the other's end): T + 1 - E(A) is a proved
//     lower bound and T rises for both.
//   - The flood whose stack at T is smaller is expanded first, so the smaller basin proves the
//     bound.
//
// A move to a structure above T is not stored: it waits, as the stored structure it leaves and
// the move (8 bytes), in a list per flood and energy. When T reaches that energy the list is
// replayed: structures already stored are dropped, one the other flood holds is a meeting at T,
// the rest are stored and flooded. Most moves a flood finds lead above T and most of those are
// never needed, so the store holds the floods themselves and little else.
//
// Structures are expanded in batches of kBatch taken from one flood's stack, by every thread;
// their moves are handled in the batch's order, so the search (and its result) is the same for
// any number of threads. Only structures strictly below the best barrier known are kept.
//
// Once the barrier is known, the path returned is the one with the fewest moves among the
// stored structures at or below the saddle (breadth-first from A); among those of equal length,
// each structure keeps the predecessor whose path so far has the lower highest, then
// second-highest energy.
#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <unordered_map>

#include "error/fatal_error.h"
#include "methods/common.h"
#include "methods/state_store.h"
#include "parallel/pool.h"
#include "nnmodel/move.h"

namespace methods {
namespace {

// Canonical pairs by base code (1 A, 2 C, 3 G, 4 U): AU, CG, GC, GU, UA, UG.
bool canonical(int a, int b) {
    const int x = a * 5 + b;
    return x == 1 * 5 + 4 || x == 2 * 5 + 3 || x == 3 * 5 + 2 || x == 3 * 5 + 4 || x == 4 * 5 + 1 || x == 4 * 5 + 3;
}

constexpr std::size_t kBatch = 64;             // structures expanded together
constexpr int kCachedUnpaired = 400;  // larger loops are not kept in the move cache

// What every thread reads: the problem and the model, read once in the calling thread.
struct Model {
    const Prepared& pr;
    nnmodel::MoveModel moves;
    int n;
    // The pair (a, b), a < b, may be formed: a hairpin of at least 3, canonical or of A or B.
    bool allowed(int a, int b) const {
        return b - a >= 4 &&
               (canonical(pr.seq.codes[a + 1], pr.seq.codes[b + 1]) || pr.ptA[a] == b || pr.ptB[a] == b);
    }
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
    // Null when the loop has more than kCachedUnpaired unpaired bases: `loop` is then built
    // and the caller takes each addition's energy from move_delta.
    const LoopAdditions* additions(int li, const Model& m, const PairTable& pt, ReducedLoop& loop) {
        name(li, -1);
        auto it = adds_.find(key_);
        if (it != adds_.end()) return &it->second;
        loop.build(m.pr.seq, pt, closing_[li], -1);
        const std::vector<int>& un = loop.unpaired();
        if (static_cast<int>(un.size()) > kCachedUnpaired) return nullptr;
        LoopAdditions la;
        for (std::size_t x = 0; x < un.size(); ++x) {
            for (std::size_t y = x + 1; y < un.size(); ++y) {
                if (!m.allowed(un[x], un[y])) continue;
                la.pair.push_back(static_cast<uint32_t>(un[x]) << 16 | static_cast<uint32_t>(un[y]));
                la.delta.push_back(nnmodel::move_delta(m.moves, m.pr.seq, pt, un[x], un[y], m.pr.dangles));
            }
        }
        bytes_ += key_.size() * 4 + la.pair.size() * 8 + 96;
        return &adds_.emplace(key_, std::move(la)).first->second;
    }

    // Energy change of deleting the pair that closes loop `li` (li > 0).
    int deletion(int li, const Model& m, const PairTable& pt, ReducedLoop& loop) {
        name(outer_[li], li);
        auto it = dels_.find(key_);
        if (it != dels_.end()) return it->second;
        const int a = closing_[li];
        if (loop_unpaired(outer_[li], pt) > kCachedUnpaired)  // a large loop: not worth keeping
            return nnmodel::move_delta(m.moves, m.pr.seq, pt, a, pt[a], m.pr.dangles);
        loop.build(m.pr.seq, pt, closing_[outer_[li]], a);
        const int d = loop.energy_toggled(*m.pr.params, m.pr.dangles, a, pt[a]) - loop.energy(*m.pr.params, m.pr.dangles);
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
    // Unpaired bases of loop li, from its name.
    int loop_unpaired(int li, const PairTable& pt) const {
        const int p = closing_[li];
        int u = (p < 0 ? static_cast<int>(pt.size()) : pt[p] - p - 1);
        for (int k = start_[li] + 2; k < start_[li + 1]; k += 2) u -= names_[k + 1] - names_[k] + 1;
        return u;
    }

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


// One move of a stored structure: to the structure with hash `hash` and energy `energy`.
struct Offer {
    uint64_t hash;
    int energy;
    uint32_t i;
    uint32_t j;  // bit 31: the move adds (i, j)
};

// A stored structure waiting for expansion and its energy (dcal/mol).
struct Entry {
    uint32_t idx;
    int energy;
};

// A structure above the threshold, not stored: a move from record `from`, as i | j << 15 |
// add << 30 (positions below 2^15).
struct Pending {
    uint32_t from;
    uint32_t move;
    static uint32_t code(const Offer& o) { return o.i | (o.j & 0x7FFFu) << 15 | (o.j >> 31) << 30; }
    Offer offer() const { return {0, 0, move & 0x7FFFu, (move >> 15 & 0x7FFFu) | (move >> 30) << 31}; }
};

// Waiting moves of one flood at one energy, in blocks of 16, 32, ... up to 4096 entries, so
// that neither many short lists nor a long one hold much more than their entries.
class PendingList {
public:
    bool empty() const { return size_ == 0; }
    std::size_t bytes() const { return capacity_ * sizeof(Pending); }
    void push(Pending p) {
        if (size_ == capacity_) {
            const std::size_t b = blocks_.empty() ? 16 : std::min<std::size_t>(4096, 2 * last_);
            blocks_.emplace_back(new Pending[b]);
            last_ = b;
            capacity_ += b;
        }
        const std::size_t used = size_ - (capacity_ - last_);
        blocks_.back()[used] = p;
        ++size_;
    }
    template <class F>
    void for_each(F f) const {  // in the order pushed; stops when f returns false
        std::size_t left = size_, b = 16;
        for (const auto& block : blocks_) {
            for (std::size_t k = 0; k < std::min(b, left); ++k)
                if (!f(block[k])) return;
            left -= std::min(b, left);
            b = std::min<std::size_t>(4096, 2 * b);
        }
    }
    void clear() { *this = PendingList(); }

private:
    std::vector<std::unique_ptr<Pending[]>> blocks_;
    std::size_t size_ = 0, capacity_ = 0, last_ = 0;
};

enum class Halt { none, time, cancel, offers };

// Scratch of one thread.
struct Worker {
    std::string db;
    PairTable pt;
    ReducedLoop loop;
    MoveCache cache;
    std::vector<uint64_t> w;
};

class ExactSearch {
public:
    // `held`: bytes held beside the tables (the program, the paths), counted against the cap;
    // `reported`: those of them held for certain (the program and the best path known).
    ExactSearch(const Problem& pb, const Prepared& pr, const Options& opt, std::chrono::steady_clock::time_point t0,
                int cut, std::size_t held, std::size_t reported)
        : pb_(pb),
          pr_(pr),
          opt_(opt),
          t0_(t0),
          model_{pr, nnmodel::prepare_moves(*pr.params), pr.seq.length()},
          store_(pr.seq.length()),
          workers_(opt.threads > 0 ? opt.threads : parallel::hardware_threads()),
          worker_(workers_.threads()),
          held_(held),
          reported_(reported),
          cap_((opt.memory_mib << 20) > held_ ? (opt.memory_mib << 20) - held_ : 0),
          max_offers_(std::max<std::size_t>(4096, cap_ / 8 / sizeof(Offer))),
          cut_(cut) {}

    PathResult run(PathResult best);

private:
    // `more` records about to be stored: a doubling of the table they would cause is not begun
    // when it would run past the budget (it cannot be interrupted).
    bool stop_now(StopReason& why, std::size_t more = 0) const {
        if (cancelled(opt_)) return why = StopReason::interrupted, true;
        const double left = until_ - seconds_since(t0_);
        if (left <= 0 || (store_.grows_with(more) && store_.grow_seconds() > left))
            return why = StopReason::budget, true;
        return false;
    }
    // The tables with `more` records and `pending` bytes of waiting moves more exceed the cap. A quarter
    // of the cap is kept for the move caches and the moves of a batch, whatever they hold, so
    // the point where the cap stops the search does not depend on the number of threads.
    bool over_cap(std::size_t more, std::size_t pending) const {
        return store_.size() + more >= StateStore::kMaxRecords ||
               store_.bytes_with(more) + queued_ * 2 * sizeof(Entry) + pending_ + pending + cap_ / 4 > cap_;
    }
    void note_peak() { peak_ = std::max(peak_, store_.bytes() + queued_ * 2 * sizeof(Entry) + pending_); }
    Halt expand(Worker& wk, uint32_t idx, int E, int cut, std::vector<Offer>& out, std::atomic<std::size_t>& count);
    // Expands entries[0..m) into offers[0..m) with every thread; the first halt met, if any.
    Halt expand_all(const Entry* entries, std::size_t m, int cut, std::vector<std::vector<Offer>>& offers);
    // The structure of record idx with the move of o applied, into w (W words); returns w.
    const uint64_t* moved(uint32_t idx, const Offer& o, std::vector<uint64_t>& w) const {
        store_.load(idx, w.data());
        set_code(w.data(), o.i, o.j >> 31 ? 1 : 0);
        set_code(w.data(), o.j & 0x7FFFFFFFu, o.j >> 31 ? 2 : 0);
        return w.data();
    }
    // Where the floods met: a stored structure `at` of one reached from `from` of the other.
    struct Meet {
        int value = INT_MAX;  // highest energy of the path through it
        uint32_t from = 0, at = 0;
        int side = 0;  // the flood of `from`
    };
    std::vector<std::string> chain(uint32_t idx) const;  // from record idx up to its root
    PathResult meet_path(const Meet& meet) const;       // A to B through the meeting
    std::vector<std::string> shortest(int saddle, const std::vector<std::string>& fallback);
    void progress(int T, int upper, const char* tail);

    const Problem& pb_;
    const Prepared& pr_;
    const Options& opt_;
    std::chrono::steady_clock::time_point t0_;
    Model model_;
    StateStore store_;
    parallel::Pool workers_;
    std::vector<Worker> worker_;
    std::size_t held_, reported_, cap_, max_offers_;
    std::size_t queued_ = 0;   // entries on the stacks
    std::size_t pending_ = 0;  // bytes of the waiting moves' lists
    std::size_t peak_ = 0;     // bytes
    int cut_;  // only structures strictly below it are stored
    double until_ = opt_.seconds;  // seconds: the search's end (the path's shortening may end sooner)
    double next_progress_ = 0;
};

Halt ExactSearch::expand(Worker& wk, uint32_t idx, int E, int cut, std::vector<Offer>& out,
                         std::atomic<std::size_t>& count) {
    const int W = store_.words();
    wk.w.resize(W);
    uint64_t* w = wk.w.data();
    store_.load(idx, w);
    unpack(w, model_.n, wk.db);
    wk.pt = pair_table(wk.db);
    if (wk.cache.bytes() > cap_ / 8 / worker_.size()) wk.cache.clear();
    wk.cache.load(wk.pt);
    const int headroom = cut - E;  // moves must lower the energy below this
    std::size_t tick = 0;
    Halt halt = Halt::none;
    auto emit = [&](int a, int b, bool add, int d) {
        set_code(w, a, add ? 1 : 0);
        set_code(w, b, add ? 2 : 0);
        const uint64_t h = StateStore::hash(w, W);
        set_code(w, a, add ? 0 : 1);
        set_code(w, b, add ? 0 : 2);
        out.push_back({h, E + d, static_cast<uint32_t>(a), static_cast<uint32_t>(b) | (add ? 1u << 31 : 0u)});
        if (count.fetch_add(1, std::memory_order_relaxed) >= max_offers_) halt = Halt::offers;
    };
    auto checked = [&] {  // every 256 candidates: the clock and the cancel flag
        if ((++tick & 255) != 0 || halt != Halt::none) return halt != Halt::none;
        if (cancelled(opt_))
            halt = Halt::cancel;
        else if (seconds_since(t0_) >= until_)
            halt = Halt::time;
        return halt != Halt::none;
    };
    for (int li = 0; li < static_cast<int>(wk.cache.loops()); ++li) {
        const LoopAdditions* la = wk.cache.additions(li, model_, wk.pt, wk.loop);
        if (la) {
            for (std::size_t c = 0; c < la->pair.size(); ++c) {
                if (la->delta[c] < headroom) emit(la->pair[c] >> 16, la->pair[c] & 0xFFFF, true, la->delta[c]);
                if (checked()) return halt;
            }
        } else {  // a large loop: each addition from the loops it touches, one at a time
            const std::vector<int> un = wk.loop.unpaired();
            for (std::size_t x = 0; x < un.size(); ++x)
                for (std::size_t y = x + 1; y < un.size(); ++y) {
                    if (checked()) return halt;
                    if (!model_.allowed(un[x], un[y])) continue;
                    const int d = nnmodel::move_delta(model_.moves, pr_.seq, wk.pt, un[x], un[y], pr_.dangles);
                    if (d < headroom) emit(un[x], un[y], true, d);
                }
        }
        if (li == 0) continue;
        const int d = wk.cache.deletion(li, model_, wk.pt, wk.loop);
        if (d < headroom) emit(wk.cache.closing(li), wk.pt[wk.cache.closing(li)], false, d);
        if (checked()) return halt;
    }
    return halt;
}

Halt ExactSearch::expand_all(const Entry* entries, std::size_t m, int cut, std::vector<std::vector<Offer>>& offers) {
    if (offers.size() < m) offers.resize(m);
    std::atomic<std::size_t> count{0};
    std::vector<Halt> halts(m, Halt::none);
    // One task a thread, each with its own scratch, taking structures in turn; results by index,
    // so they do not depend on which thread expanded what.
    std::atomic<std::size_t> next{0};
    workers_.run(workers_.threads(), [&](int t) {
        for (std::size_t k = next++; k < m; k = next++) {
            offers[k].clear();
            halts[k] = expand(worker_[t], entries[k].idx, entries[k].energy, cut, offers[k], count);
        }
    });
    for (Halt h : halts)
        if (h == Halt::cancel || h == Halt::time) return h;
    for (Halt h : halts)
        if (h != Halt::none) return h;
    return Halt::none;
}

std::vector<std::string> ExactSearch::chain(uint32_t idx) const {
    std::vector<std::string> out;
    std::vector<uint64_t> w(store_.words());
    std::string db;
    for (;; idx = store_.parent(idx)) {
        store_.load(idx, w.data());
        unpack(w.data(), model_.n, db);
        out.push_back(db);
        if (store_.parent(idx) == idx) return out;
    }
}

PathResult ExactSearch::meet_path(const Meet& meet) const {
    std::vector<std::string> path = chain(meet.side == 0 ? meet.from : meet.at);
    std::reverse(path.begin(), path.end());
    const std::vector<std::string> tail = chain(meet.side == 0 ? meet.at : meet.from);
    path.insert(path.end(), tail.begin(), tail.end());
    ZENTROLA_CHECK(path.front() == pb_.A && path.back() == pb_.B);
    PathResult r = path_of(pb_.sequence, path);
    ZENTROLA_CHECK(r.barrier <= meet.value - pr_.EA);
    return r;
}

void ExactSearch::progress(int T, int upper, const char* tail) {
    char line[200];
    std::snprintf(line, sizeof line, "exact: %.1f s, %zu structures stored, lower bound %.2f, upper bound %.2f kcal/mol%s",
                  seconds_since(t0_), store_.size(), (T - pr_.EA) / 100.0, (upper - pr_.EA) / 100.0, tail);
    *opt_.progress << line << std::endl;
}

// Breadth-first from A over the stored structures at or below `saddle`; the fallback when the
// time, the cap or the cancel flag ends it first.
std::vector<std::string> ExactSearch::shortest(int saddle, const std::vector<std::string>& fallback) {
    struct Node {
        uint32_t idx, prev;  // prev: position in the previous layer
        int energy, top, second;
    };
    const std::size_t count = store_.size();
    std::vector<uint64_t> seen((count + 63) / 64, 0);
    auto mark = [&](uint32_t x) { seen[x >> 6] |= uint64_t{1} << (x & 63); };
    auto marked = [&](uint32_t x) { return (seen[x >> 6] >> (x & 63) & 1) != 0; };
    std::vector<std::vector<Node>> layers(1, std::vector<Node>{{0, 0, pr_.EA, pr_.EA, INT_MIN}});
    mark(0);
    std::size_t held = 0;
    std::vector<std::vector<Offer>> offers;
    std::vector<Entry> entries;
    std::vector<uint64_t> w(store_.words());
    int64_t goal = -1;
    while (goal < 0 && !layers.back().empty()) {
        const std::vector<Node>& cur = layers.back();
        std::vector<Node> next;
        for (std::size_t from = 0; from < cur.size() && goal < 0; from += kBatch) {
            StopReason why;
            const std::size_t m = std::min(kBatch, cur.size() - from);
            held += m;
            if (stop_now(why) || store_.bytes() + held * sizeof(Node) + count / 8 + cap_ / 4 > cap_) return fallback;
            entries.clear();
            for (std::size_t k = 0; k < m; ++k) entries.push_back({cur[from + k].idx, cur[from + k].energy});
            if (expand_all(entries.data(), m, saddle + 1, offers) != Halt::none) return fallback;
            for (std::size_t k = 0; k < m; ++k) {
                const Node& p = cur[from + k];
                for (const Offer& o : offers[k]) {
                    const uint32_t x = store_.find(moved(p.idx, o, w), o.hash);
                    if (x == StateStore::kNone || marked(x)) continue;
                    Node nd{x, static_cast<uint32_t>(from + k), o.energy, p.top, p.second};
                    if (o.energy > nd.top)
                        nd.second = nd.top, nd.top = o.energy;
                    else if (o.energy > nd.second)
                        nd.second = o.energy;
                    next.push_back(nd);
                }
            }
        }
        // One node per structure: the lowest (highest, second-highest) energy so far.
        std::stable_sort(next.begin(), next.end(), [](const Node& a, const Node& b) {
            return a.idx != b.idx ? a.idx < b.idx : a.top != b.top ? a.top < b.top : a.second < b.second;
        });
        next.erase(std::unique(next.begin(), next.end(), [](const Node& a, const Node& b) { return a.idx == b.idx; }),
                   next.end());
        for (std::size_t k = 0; k < next.size(); ++k) {
            mark(next[k].idx);
            if (next[k].idx == 1) goal = static_cast<int64_t>(k);
        }
        layers.push_back(std::move(next));
    }
    if (goal < 0) return fallback;
    std::vector<std::string> path;
    std::string db;
    for (std::size_t layer = layers.size() - 1, at = static_cast<std::size_t>(goal);; --layer) {
        store_.load(layers[layer][at].idx, w.data());
        unpack(w.data(), model_.n, db);
        path.push_back(db);
        if (layer == 0) break;
        at = layers[layer][at].prev;
    }
    std::reverse(path.begin(), path.end());
    return path;
}

PathResult ExactSearch::run(PathResult best) {
    const int W = store_.words();
    const int T0 = std::max(pr_.EA, pr_.EB);  // every structure is flooded at T0 or above
    std::vector<uint64_t> w(W);
    std::array<std::vector<Entry>, 2> stack;                  // stored, to expand at T
    std::array<std::vector<PendingList>, 2> waiting;  // by energy - T0, above T
    for (auto& b : waiting) b.resize(cut_ - T0);
    pack(pb_.A, w.data(), W);
    store_.insert(w.data(), store_.hash(w.data()), 0, 0);
    pack(pb_.B, w.data(), W);
    store_.insert(w.data(), store_.hash(w.data()), 1, 1);
    stack[0].push_back({0, pr_.EA});
    stack[1].push_back({1, pr_.EB});
    queued_ = 2;

    Meet meet;
    next_progress_ = opt_.progress_every;
    std::vector<std::vector<Offer>> offers;
    std::vector<Entry> batch;
    std::size_t single = 0;  // batch members to expand one at a time (their moves overflowed)
    std::size_t most_offers = 0;  // the most moves a batch held
    bool stopped = false;
    StopReason why = StopReason::budget;
    int T = T0;
    double last_rise = 0;  // seconds: when T last rose
    bool stall_called = false;
    // The moves waiting at energy T of both floods, into the store and onto the stacks.
    auto release = [&]() {
        for (int side = 0; side < 2 && meet.value > T; ++side) {
            PendingList& list = waiting[side][T - T0];
            std::size_t done = 0;
            bool halted = false;
            list.for_each([&](const Pending& p) {
                if ((done++ & 1023) == 0) {
                    if (!stop_now(why, 1024) && over_cap(1024, 0)) {
                        why = StopReason::memory;
                        halted = true;
                    } else {
                        halted = stop_now(why, 1024);
                    }
                    if (halted) return false;
                }
                const uint64_t* st = moved(p.from, p.offer(), w);
                const uint64_t h = StateStore::hash(st, W);
                const uint32_t x = store_.find(st, h);
                if (x == StateStore::kNone) {
                    stack[side].push_back({store_.insert(st, h, p.from, side), T});
                    ++queued_;
                } else if (store_.side(x) != side) {
                    meet = {T, p.from, x, side};
                    cut_ = T;
                    return false;
                }
                return true;
            });
            note_peak();
            if (halted) return false;
            pending_ -= list.bytes();
            list.clear();
        }
        return true;
    };
    while (meet.value > T && T < cut_) {
        if (stack[0].empty() || stack[1].empty()) {  // a flood is exhausted at T: no path stays at or below it
            ++T;
            last_rise = seconds_since(t0_);
            if (T < cut_ && !release()) {
                stopped = true;
                break;
            }
            continue;
        }
        if (stop_now(why)) {
            stopped = true;
            break;
        }
        if (opt_.on_stall && !stall_called) {
            const double el = seconds_since(t0_);
            if (el >= opt_.seconds / 4 && el - last_rise >= el / 2) {
                stall_called = true;
                const PathResult* better = opt_.on_stall(meet.value < pr_.EA + best.barrier ? meet_path(meet) : best);
                if (better && better->barrier < best.barrier) {
                    ZENTROLA_CHECK(better->structures.front() == pb_.A && better->structures.back() == pb_.B);
                    const int lower = std::max(0, pr_.EB - pr_.EA);
                    best = *better;
                    best.lower_bound = lower;
                    cut_ = std::min(cut_, pr_.EA + best.barrier);
                }
                continue;
            }
        }
        if (opt_.progress && seconds_since(t0_) >= next_progress_) {
            progress(T, std::min(meet.value, pr_.EA + best.barrier), "");
            next_progress_ = seconds_since(t0_) + opt_.progress_every;
        }
        if (over_cap(0, 0)) {
            stopped = true;
            why = StopReason::memory;
            break;
        }
        const int side = stack[0].size() <= stack[1].size() ? 0 : 1;
        std::vector<Entry>& front = stack[side];
        const std::size_t m = std::min(single > 0 ? std::size_t{1} : kBatch, front.size());
        batch.assign(front.end() - static_cast<std::ptrdiff_t>(m), front.end());
        std::reverse(batch.begin(), batch.end());  // the stack's order
        const Halt halt = expand_all(batch.data(), m, cut_, offers);
        if (halt == Halt::offers && m > 1) {
            single = m;
            continue;
        }
        if (halt != Halt::none) {
            stopped = true;
            why = halt == Halt::cancel ? StopReason::interrupted : halt == Halt::time ? StopReason::budget
                                                                                      : StopReason::memory;
            break;
        }
        std::size_t low = 0, high = 0;  // moves to T or below, above T
        for (std::size_t k = 0; k < m; ++k)
            for (const Offer& o : offers[k]) ++(o.energy <= T ? low : high);
        most_offers = std::max(most_offers, low + high);
        if (over_cap(low, (high + 2 * 4096) * sizeof(Pending))) {
            stopped = true;
            why = StopReason::memory;
            break;
        }
        if (stop_now(why, low)) {
            stopped = true;
            break;
        }
        note_peak();
        front.resize(front.size() - m);
        queued_ -= m;
        if (single > 0) --single;
        for (std::size_t k = 0; k < m && meet.value > T; ++k) {
            const uint32_t from = batch[k].idx;
            const std::vector<Offer>& os = offers[k];
            for (std::size_t o = 0; o < os.size(); ++o) {
                if (o + 8 < os.size()) store_.prefetch(os[o + 8].hash);
                const int E = os[o].energy;
                if (E >= cut_) continue;
                const uint64_t* s = moved(from, os[o], w);
                const uint32_t x = store_.find(s, os[o].hash);
                if (x == StateStore::kNone) {
                    if (E <= T) {
                        front.push_back({store_.insert(s, os[o].hash, from, side), E});
                        ++queued_;
                    } else {
                        PendingList& list = waiting[side][E - T0];
                        pending_ -= list.bytes();
                        list.push({from, Pending::code(os[o])});
                        pending_ += list.bytes();
                    }
                } else if (store_.side(x) != side && std::max(T, E) < meet.value) {
                    meet = {std::max(T, E), from, x, side};
                    cut_ = meet.value;  // only structures below it can improve
                    if (meet.value == T) break;
                }
            }
        }
    }

    best.states = store_.size();
    note_peak();
    best.peak_bytes = reported_ + peak_;
    for (const Worker& wk : worker_) best.peak_bytes += wk.cache.bytes();
    best.peak_bytes += most_offers * sizeof(Offer);
    const int lower = meet.value <= T ? meet.value : T;
    if (meet.value < pr_.EA + best.barrier) {  // the floods met below the first bound
        // The shortening may take as long as the search took (at least a second), within the budget.
        until_ = std::min(opt_.seconds, 2 * seconds_since(t0_) + 1);
        PathResult r = path_of(pb_.sequence, shortest(meet.value, meet_path(meet).structures));
        ZENTROLA_CHECK(r.barrier <= meet.value - pr_.EA);
        r.states = best.states;
        r.peak_bytes = best.peak_bytes;
        best = std::move(r);
    }
    best.method = "exact";
    best.lower_bound = std::max(std::max(0, pr_.EB - pr_.EA), lower - pr_.EA);
    ZENTROLA_CHECK(best.lower_bound <= best.barrier);  // a bound above a path found: a wrong move energy
    best.proved = best.lower_bound == best.barrier;
    best.stop = best.proved ? StopReason::proved : stopped ? why : StopReason::budget;
    if (opt_.progress) {
        char tail[120];
        std::snprintf(tail, sizeof tail, ", %.1f bytes per structure stored, stop=%s",
                      static_cast<double>(store_.bytes()) / std::max<std::size_t>(1, store_.size()),
                      stop_name(best.stop));
        progress(best.lower_bound + pr_.EA, best.barrier + pr_.EA, tail);
    }
    return best;
}

}  // namespace

PathResult exact_path(const Problem& pb, const Options& opt, const PathResult* known) {
    const auto t0 = std::chrono::steady_clock::now();
    const Prepared pr = prepare(pb);
    check_memory_floor(pr, opt);
    Options beam_opt = opt;  // the first bound may take a quarter of the budget (where the beam keeps one)
    beam_opt.seconds = opt.seconds / 4;
    PathResult best = known ? *known : direct_path(pb, beam_opt);
    best.method = "exact";
    const int floor = std::max(0, pr.EB - pr.EA);
    best.lower_bound = floor;
    best.proved = best.barrier == floor;
    best.stop = best.proved ? StopReason::proved : StopReason::budget;
    if (!best.proved && pb.A != pb.B) {
        // The best path known and the one the search returns (the program's own bytes besides).
        const std::size_t path = path_bytes(pb.sequence.size(), best.moves.size(), opt.keep_structures);
        ExactSearch search(pb, pr, opt, t0, pr.EA + best.barrier, kBaseBytes + 2 * path, kBaseBytes + path);
        const std::size_t first = best.peak_bytes;  // the first bound's search, when it ran here
        best = search.run(std::move(best));
        best.peak_bytes = std::max(best.peak_bytes, first);
        if (!opt.keep_structures) best.structures.resize(1);
    }
    best.seconds = seconds_since(t0);
    return best;
}

}  // namespace methods
