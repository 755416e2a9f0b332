#include "search/strategy.h"

#include <climits>
#include <cmath>

#include "error/fatal_error.h"

std::vector<int> count_strategy(const std::vector<ActionChain>& vac) {
    std::vector<int> cnt(kStrategyIds, 0);
    for (const ActionChain& c : vac) {
        ZENTROLA_CHECK(c.strategy >= 0 && c.strategy < kStrategyIds);
        cnt[c.strategy] += 1;
    }
    return cnt;
}

Allotment initial_allotment(int popsize, const SearchConfig& cf) {
    Allotment a{};
    const int share = popsize > 0 ? cf.OFFSPRINGNUM / popsize : 0;
    a.n[kSlotReorderDel] = share;
    a.n[kSlotReorderDel2] = share;
    return a;
}

namespace {

// Truncation toward zero that stays a defined int for any double.
int clamp_to_int(double x) {
    if (std::isnan(x)) return 0;
    if (x >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (x <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(x);
}

}  // namespace

Allotment update_allotment(const Allotment& used, const std::vector<int>& cnt, int g, const SearchConfig& cf) {
    Allotment next{};
    if (g == 0) {
        for (int& v : next.n) v = cf.OFFSPRINGNUM / kAllotmentSlots;
        return next;
    }
    double rate[kAllotmentSlots];
    double sum = 0.0;
    for (int k = 0; k < kAllotmentSlots; ++k) {
        rate[k] = static_cast<double>(cnt[kAllotmentIds[k]]) / static_cast<double>(used.n[k]);
        sum += rate[k];
    }
    if (sum == 0.0 || !std::isfinite(sum)) {
        for (int& v : next.n) v = cf.MINSTRATEGYOFFSPRINGNUM;
        return next;
    }
    const double f = static_cast<double>(cf.OFFSPRINGNUM) / sum;
    for (int k = 0; k < kAllotmentSlots; ++k) {
        const int share = clamp_to_int(rate[k] * f);
        next.n[k] = share > cf.MINSTRATEGYOFFSPRINGNUM ? share : cf.MINSTRATEGYOFFSPRINGNUM;
    }
    return next;
}
