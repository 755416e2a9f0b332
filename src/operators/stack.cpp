// Stack add/delete: a temporary helix inserted right after a deletion.
#include <algorithm>
#include <utility>
#include <vector>

#include "error/fatal_error.h"
#include "model/chain.h"
#include "model/fast_structure.h"
#include "model/stem.h"
#include "model/structure.h"
#include "operators/candidates.h"

namespace {}  // namespace

ActionChain ActionChain::adddelstack(const RStruct& rs, const int& indx, const stem& st, bool& ok) const {
    ok = false;
    ActionChain ac;
    ac.va = va;
    RStruct ws = rs;
    int ix = indx;
    for (int x = st.outer.lp; x <= st.inner.lp; ++x) {
        const BP bp(x, st.outer.lp + st.outer.rp - x);
        const Action a(add, bp);
        if (ws.checkclash(a)) continue;
        if (getindx(ac.va, a, 0, 1) != -1) continue;
        int ic = ac.getindx_conflict(ix, bp);
        if (!(ic > ix)) continue;
        ac.va.insert(ac.va.begin() + ix, a);
        ++ix;
        ++ic;
        ac.va.insert(ac.va.begin() + ic, Action(del, bp));
        ok = true;
        ws.applyAction(a);
    }
    return ac;
}

std::vector<ActionChain> ActionChain::adddelstack(const std::string& sequence, const std::string& A,
                                                  const int& n) const {
    if (n == 0) return {};
    const std::vector<stem>& stems = stems_of(sequence);
    const int m = static_cast<int>(va.size());

    // Pairs that the parent adds somewhere, for the look-up of step 2 of the core.
    std::vector<std::pair<int, int>> added;
    for (const Action& x : va)
        if (x.a == add) added.emplace_back(x.b.lp, x.b.rp);
    std::sort(added.begin(), added.end());

    // Every (step, stem) for which the core reports ok, in the order the core would be
    // called. The core inserts a helix pair exactly when the pair can be added to the
    // structure before the step, the parent never adds it, and the parent's action at the
    // step does not block it: the pairs inserted before it are nested in it and their
    // deletions stand after the step, so they change none of the three answers.
    std::vector<std::pair<int, int>> found;
    PathStructure cur(A);
    const int len = static_cast<int>(cur.partner.size());
    for (int i = 0; i < m; ++i) {
        if (i > 0 && va[i - 1].a == del) {
            const BP d = va[i - 1].b;
            const std::vector<int>& z = cur.partner;
            const std::vector<int> loop = loop_table(z);
            for (int s = 0; s < static_cast<int>(stems.size()); ++s) {
                const stem& st = stems[s];
                if (st.containBP(d)) continue;
                for (int x = st.outer.lp; x <= st.inner.lp; ++x) {
                    const int y = st.outer.lp + st.outer.rp - x;
                    if (y >= len || z[x] != -1 || z[y] != -1 || loop[x] != loop[y]) continue;
                    if (std::binary_search(added.begin(), added.end(), std::make_pair(x, y))) continue;
                    if (move_blocks(va[i], BP(x, y))) continue;
                    found.emplace_back(i, s);
                    break;
                }
            }
        }
        cur.apply(va[i]);
    }

    auto make = [&](int k) {
        const int i = found[k].first;
        const RStruct rs = structure_at(A, va, i);
        bool ok = false;
        ActionChain c = adddelstack(rs, i, stems[found[k].second], ok);
        ZENTROLA_CHECK(ok);
        return c;
    };
    return draw_candidates(static_cast<int>(found.size()), make, A, n, kStrategyStack);
}
