#include "operators/candidates.h"

#include <numeric>
#include <utility>

#include "model/structure.h"
#include "operators/random.h"

std::vector<ActionChain> draw_candidates(const int& count, const std::function<ActionChain(int)>& make,
                                         const std::string& A, const int& n, const int& strategy) {
    std::vector<ActionChain> ret;
    std::vector<int> left(count > 0 ? count : 0);
    std::iota(left.begin(), left.end(), 0);
    const RStruct start(A);
    int accepted = 0;
    while (accepted < n && !left.empty()) {
        const int r = myrand(static_cast<int>(left.size()));
        const int k = left[r];
        left.erase(left.begin() + r);
        ActionChain c = make(k);
        if (start.checkclash(c)) continue;
        c.strategy = strategy;
        ret.push_back(std::move(c));
        ++accepted;
    }
    return ret;
}

std::vector<ActionChain> draw_candidates(std::vector<ActionChain> candidates, const std::string& A, const int& n,
                                         const int& strategy) {
    return draw_candidates(
        static_cast<int>(candidates.size()), [&candidates](int k) { return std::move(candidates[k]); }, A, n, strategy);
}
