// The candidate tables of the two reordering operators, apart from their draws: a table depends
// only on the parent, the sequence and A (no draw), so the tables of many parents can be built
// at once on several threads and the draws made later, one parent after another, in the order
// the operators would make them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "model/chain.h"

struct ReorderTables {
    bool has_del = false, has_del2 = false;  // which tables were built
    // reorder_del: (parent step, helix index) of every candidate, in draw-list order.
    std::vector<std::pair<int, int>> del;
    // reorder_del2: the helix of every candidate, the positions its core call draws (ten
    // stream values each), the first candidate of each parent step, and all the draws of the
    // enumeration. A candidate's first draw is found from the position counts: their sum is
    // kept at every kCheckpoint-th candidate. Counts above 254 are 255 here and kept in
    // del2_many (candidate, count), in candidate order.
    static const int kCheckpoint = 4096;
    std::vector<int> del2_stem;
    std::vector<std::uint8_t> del2_places;
    std::vector<std::pair<int, int>> del2_many;
    std::vector<std::uint64_t> del2_checkpoint;  // draws before candidate k * kCheckpoint
    std::vector<int> del2_step_begin;
    std::uint64_t del2_total = 0;
    // Stream values drawn before candidate k's core call.
    std::uint64_t del2_draws_before(int k) const;
};

// Builds the tables asked for (del: reorder_del's, del2: reorder_del2's). No draw; safe to call
// on several threads at once for different parents.
ReorderTables reorder_tables(const ActionChain& parent, const std::string& sequence, const std::string& A, bool del,
                             bool del2);

// reorder_del(sequence, A, n) and reorder_del2(sequence, A, n) of the parent with its tables
// built beforehand: the same draws and offspring.
std::vector<ActionChain> reorder_del_drawn(const ActionChain& parent, const ReorderTables& t,
                                           const std::string& sequence, const std::string& A, int n);
std::vector<ActionChain> reorder_del2_drawn(const ActionChain& parent, const ReorderTables& t,
                                            const std::string& sequence, const std::string& A, int n);
