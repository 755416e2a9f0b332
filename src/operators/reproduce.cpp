// Reproduction: every operator on one parent, in the fixed order that fixes the draws.
#include <utility>
#include <vector>

#include "model/chain.h"
#include "operators/reorder_tables.h"

namespace {

void append(std::vector<ActionChain>& out, std::vector<ActionChain> more) {
    for (ActionChain& c : more) out.push_back(std::move(c));
}

}  // namespace

std::vector<ActionChain> ActionChain::reproduce(const std::string& seq, const std::string& start, const int& saddle,
                                                const int& n_reorder, const int& n_reorder2, const int& n_postpone,
                                                const int& n_bringforward, const int& n_adddel, const int& n_exchange,
                                                const int& n_perturb, const int& n_shift, const int& n_stack,
                                                const ReorderTables* tables) const {
    std::vector<ActionChain> out;
    if (tables) {
        append(out, reorder_del_drawn(*this, *tables, seq, start, n_reorder));
        append(out, reorder_del2_drawn(*this, *tables, seq, start, n_reorder2));
    } else {
        append(out, reorder_del(seq, start, n_reorder));
        append(out, reorder_del2(seq, start, n_reorder2));
    }
    out.push_back(postpone_del(seq, start));
    out.push_back(bringforward_add(seq, start));
    for (int k = 0; k < n_postpone; ++k) out.push_back(postpone_del2(seq, start));
    for (int k = 0; k < n_bringforward; ++k) out.push_back(bringforward_add2(seq, start));
    append(out, adddel(seq, start, n_adddel));
    const int n_ex = n_exchange / 3;
    append(out, exchange(seq, start, n_ex));
    append(out, exchange2(seq, start, n_ex));
    append(out, exchange3(seq, start, saddle, n_ex));
    append(out, shift(seq, start, n_shift));
    const int n_pe = n_perturb / 3;
    append(out, perturb(seq, start, n_pe));
    append(out, perturb2(seq, start, n_pe));
    append(out, perturb3(seq, start, n_pe));
    append(out, adddelstack(seq, start, n_stack));
    return out;
}
