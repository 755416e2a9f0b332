// Structures stored by the exact search, compactly and without an allocation per structure.
//
// A record is the structure packed 2 bits a position (ceil(n/4) bytes; position k in bits
// 2(k mod 4)..+1 of byte k/4: 00 unpaired, 01 '(', 10 ')') followed by one 32-bit word: bits
// 0..30 the index of the record it was first reached from (itself for a root), bit 31 the side
// of the search that reached it (0 from A, 1 from B). Records live in blocks of about 1 MiB, so
// growing never copies them. The hash table holds, per slot, a 32-bit record index (0 empty,
// else index + 1) and one byte of the hash, so that most probes that miss never touch a record;
// open addressing, linear probing, load at most 3/4.
//
// Bytes per stored structure: ceil(n/4) + 4 + 5 / load, the load between 3/8 and 3/4 (so
// between ceil(n/4) + 10.7 and ceil(n/4) + 17.3), plus less than one block.
//
// Structures outside the store are handled as W = ceil(n/32) 64-bit words with the same bit
// layout (little-endian bytes of the words), zero beyond position n - 1.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace methods {

class StateStore {
public:
    static constexpr uint32_t kMaxRecords = (uint32_t{1} << 31) - 2;  // indices fit 31 bits

    explicit StateStore(int n)
        : W_((2 * n + 63) / 64), R_((n + 3) / 4), rec_(R_ + 4), bits_(10), slot_(std::size_t{1} << 10, 0),
          tag_(std::size_t{1} << 10, 0) {
        int shift = 0;
        while ((std::size_t{2} << shift) * rec_ <= (std::size_t{1} << 20)) ++shift;
        shift_ = shift;
    }

    int words() const { return W_; }
    std::size_t size() const { return count_; }

    // The structure of record idx, into W words.
    void load(uint32_t idx, uint64_t* w) const {
        w[W_ - 1] = 0;
        std::memcpy(w, rec(idx), R_);
    }
    uint32_t parent(uint32_t idx) const { return meta(idx) & 0x7FFFFFFFu; }
    int side(uint32_t idx) const { return static_cast<int>(meta(idx) >> 31); }

    std::size_t bytes() const { return blocks_.size() * (rec_ << shift_) + slot_.size() * 5; }
    // The most bytes held while `more` records are inserted: a growing table holds its old
    // arrays and the new ones, twice as large, at the same time.
    std::size_t bytes_with(std::size_t more) const {
        const std::size_t per_block = std::size_t{1} << shift_;
        const std::size_t blocks = std::max(blocks_.size(), (count_ + more + per_block - 1) / per_block);
        std::size_t slots = slot_.size();
        while (4 * (count_ + more) > 3 * slots) slots *= 2;
        return blocks * (rec_ << shift_) + (slots + (slots > slot_.size() ? slots / 2 : 0)) * 5;
    }

    // Whether storing `more` records doubles the table, and about how many seconds that takes
    // (from the last doubling, which read half as many records; 0 before any).
    bool grows_with(std::size_t more) const { return 4 * (count_ + more) > 3 * slot_.size(); }
    double grow_seconds() const { return 2 * last_grow_seconds_; }

    static uint64_t hash(const uint64_t* w, int W) {
        uint64_t h = 0x243F6A8885A308D3ULL;
        for (int k = 0; k < W; ++k) {
            h ^= w[k];
            h *= 0x9E3779B97F4A7C15ULL;
            h ^= h >> 31;
        }
        h *= 0xBF58476D1CE4E5B9ULL;
        return h ^ (h >> 29);
    }
    uint64_t hash(const uint64_t* w) const { return hash(w, W_); }

    // Brings the slot a lookup of hash h starts at into the cache.
    void prefetch(uint64_t h) const {
        __builtin_prefetch(&slot_[home(h)]);
        __builtin_prefetch(&tag_[home(h)]);
    }

    static constexpr uint32_t kNone = ~uint32_t{0};

    // Index of the stored structure w (hash h), or kNone.
    uint32_t find(const uint64_t* w, uint64_t h) const {
        const std::size_t mask = slot_.size() - 1;
        const uint8_t t = static_cast<uint8_t>(h);
        for (std::size_t s = home(h);; s = (s + 1) & mask) {
            const uint32_t v = slot_[s];
            if (v == 0) return kNone;
            if (tag_[s] == t && std::memcmp(rec(v - 1), w, R_) == 0) return v - 1;
        }
    }

    // Stores w (not yet stored; hash h) reached from `parent` by `side`; returns its index.
    // The caller keeps size() below kMaxRecords.
    uint32_t insert(const uint64_t* w, uint64_t h, uint32_t parent, int side) {
        const uint32_t idx = static_cast<uint32_t>(count_++);
        if ((idx & ((uint32_t{1} << shift_) - 1)) == 0) blocks_.emplace_back(new uint8_t[rec_ << shift_]);
        uint8_t* r = blocks_[idx >> shift_].get() + (idx & ((uint32_t{1} << shift_) - 1)) * rec_;
        std::memcpy(r, w, R_);
        const uint32_t m = parent | static_cast<uint32_t>(side) << 31;
        std::memcpy(r + R_, &m, 4);
        place(idx, h);
        if (4 * count_ > 3 * slot_.size()) grow();
        return idx;
    }

private:
    const uint8_t* rec(uint32_t idx) const {
        return blocks_[idx >> shift_].get() + (idx & ((uint32_t{1} << shift_) - 1)) * rec_;
    }
    uint32_t meta(uint32_t idx) const {
        uint32_t m;
        std::memcpy(&m, rec(idx) + R_, 4);
        return m;
    }
    std::size_t home(uint64_t h) const { return static_cast<std::size_t>(h >> (64 - bits_)); }

    void place(uint32_t idx, uint64_t h) {
        const std::size_t mask = slot_.size() - 1;
        std::size_t s = home(h);
        while (slot_[s] != 0) s = (s + 1) & mask;
        slot_[s] = idx + 1;
        tag_[s] = static_cast<uint8_t>(h);
    }

    // Doubles the table; the records are read in order (hashes are not kept).
    void grow() {
        const auto start = std::chrono::steady_clock::now();
        ++bits_;
        slot_.assign(std::size_t{1} << bits_, 0);
        slot_.shrink_to_fit();
        tag_.assign(std::size_t{1} << bits_, 0);
        tag_.shrink_to_fit();
        // Records in runs of kRun: their hashes first, with the slots they start at fetched into
        // the cache, then placed, so that the table's cache misses overlap.
        constexpr std::size_t kRun = 32;
        std::vector<uint64_t> w(W_);
        uint64_t h[kRun];
        for (std::size_t from = 0; from < count_; from += kRun) {
            const std::size_t m = std::min(kRun, count_ - from);
            for (std::size_t k = 0; k < m; ++k) {
                load(static_cast<uint32_t>(from + k), w.data());
                h[k] = hash(w.data());
                prefetch(h[k]);
            }
            for (std::size_t k = 0; k < m; ++k) place(static_cast<uint32_t>(from + k), h[k]);
        }
        last_grow_seconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    int W_, R_, rec_;
    int shift_;  // log2 of the records per block
    int bits_;   // log2 of the number of slots
    std::size_t count_ = 0;
    double last_grow_seconds_ = 0;
    std::vector<std::unique_ptr<uint8_t[]>> blocks_;
    std::vector<uint32_t> slot_;
    std::vector<uint8_t> tag_;
};

}  // namespace methods
