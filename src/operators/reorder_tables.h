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
    // reorder_del2: the helix of every candidate, the stream draws made before its core call,
    // the first candidate of each parent step, and all the draws of the enumeration.
    std::vector<int> del2_stem;
    std::vector<std::uint64_t> del2_draws;
    std::vector<int> del2_step_begin;
    std::uint64_t del2_total = 0;
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
