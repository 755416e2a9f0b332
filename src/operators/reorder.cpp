#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <iostream>

#include "candidates.h"
#include "chain.h"
#include "random.h"
#include "stem.h"
#include "structure.h"

int ActionChain::getindx_conflict(const int& start, const BP& bp) const {
    const int n = static_cast<int>(va.size());
    for (int k = std::max(start, 0); k < n; ++k) {
        const Action& x = va[k];
        if (x.a == add) {
            if (x.b.conflictwithBP(bp)) return k;
        } else if (x.b.lp == bp.lp || x.b.lp == bp.rp || x.b.rp == bp.lp || x.b.rp == bp.rp) {
            return k;
        }
    }
    return n;
}
