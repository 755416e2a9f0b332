// Postponing deletions and bringing additions forward, without adding or removing moves.
#include <sstream>

#include "error/fatal_error.h"
#include "model/chain.h"
#include "model/structure.h"
#include "operators/random.h"

namespace {

// Moves every deletion later, up to the first later addition of a pair that conflicts with the
// deleted one. `target(k, limit)` picks the insertion index in k + 1 .. limit.
template <typename Target>
ActionChain postpone(const std::vector<Action>& parent, Target&& target) {
    ActionChain ret;
    ret.va = parent;
    std::vector<Action> moved;
    std::vector<Action>& va = ret.va;
    const int len = static_cast<int>(va.size());
    int k = 0;
    while (k < len - 1) {
        if (va[k].a == add) {
            ++k;
            continue;
        }
        const BP d = va[k].b;
        int limit = len;
        for (int j = k + 1; j < len; ++j) {
            if (va[j].a == add && va[j].b.conflictwithBP(d)) {
                limit = j;
                break;
            }
        }
        if (getindx(moved, va[k], 0, 1) != -1) {
            k = limit;
            moved.clear();
            continue;
        }
        if (k + 1 < limit) {
            const int t = target(k, limit);
            const Action x = va[k];
            moved.push_back(x);
            va.insert(va.begin() + t, x);
            va.erase(va.begin() + k);
        } else {
            ++k;
        }
    }
    ret.strategy = kStrategyPostpone;
    return ret;
}

// Moves every addition earlier, up to just after the nearest earlier deletion of a pair that
// conflicts with the added one (index 1 when there is none). `target(limit, k)` picks the
// insertion index in limit + 1 .. k - 1.
template <typename Target>
ActionChain bringforward(const std::vector<Action>& parent, Target&& target) {
    ActionChain ret;
    ret.va = parent;
    std::vector<Action> moved;
    std::vector<Action>& va = ret.va;
    int k = static_cast<int>(va.size()) - 1;
    while (k >= 0) {
        if (va[k].a == del) {
            --k;
            continue;
        }
        const BP a = va[k].b;
        int limit = 0;
        for (int j = k - 1; j >= 0; --j) {
            if (va[j].a == del && va[j].b.conflictwithBP(a)) {
                limit = j;
                break;
            }
        }
        if (getindx(moved, va[k], 0, 1) != -1) {
            k = limit;
            moved.clear();
            continue;
        }
        if (limit < k - 1) {
            const int t = target(limit, k);
            const Action x = va[k];
            moved.push_back(x);
            va.insert(va.begin() + t, x);
            va.erase(va.begin() + k + 1);
        } else {
            --k;
        }
    }
    return ret;
}

}  // namespace

ActionChain ActionChain::postpone_del(const std::string&, const std::string&) const {
    return postpone(va, [](int, int limit) { return limit; });
}

ActionChain ActionChain::postpone_del2(const std::string&, const std::string&) const {
    return postpone(va, [](int k, int limit) { return mygaussian_right(k + 1, limit); });
}

ActionChain ActionChain::bringforward_add(const std::string&, const std::string&) const {
    ActionChain ret = bringforward(va, [](int limit, int) { return limit + 1; });
    ret.strategy = kStrategyBringForward;
    return ret;
}

ActionChain ActionChain::bringforward_add2(const std::string& sequence, const std::string& A) const {
    ActionChain ret = bringforward(va, [](int limit, int k) { return mygaussian_right(limit + 1, k - 1); });
    if (RStruct(A).checkclash(ret)) {
        std::ostringstream text;
        text << "Error:" << std::endl << sequence << std::endl << A << std::endl;
        ret.show(text);
        throw FatalError::from_text(text.str(), ErrorStream::out);
    }
    ret.strategy = kStrategyBringForward;
    return ret;
}
