#include "model/stem.h"

#include <algorithm>
#include <string>

#include "error/fatal_error.h"
#include "model/structure.h"

bool stem::operator==(const stem& o) const { return outer == o.outer && inner == o.inner; }

bool stem::conflictwithBP(const BP& b) const {
    // Wholly before or after the helix.
    if (b.rp < outer.lp || b.lp > outer.rp) return false;
    // Inside the loop closed by the innermost pair.
    if (inner.lp < b.lp && b.rp < inner.rp) return false;
    if (b.lp >= outer.lp) return true;
    // b starts left of the helix: it crosses it unless it encloses the whole helix.
    return b.rp <= outer.rp;
}

bool stem::containBP(const BP& b) const {
    return outer.lp <= b.lp && b.lp <= inner.lp && inner.rp <= b.rp && b.rp <= outer.rp &&
           b.lp - outer.lp == outer.rp - b.rp;
}

bool stem::enclose(const stem& o) const { return inner.lp < o.inner.lp && inner.rp > o.inner.rp; }

// The pairing flag of cell (i, r) is computed on the fly instead of being stored in an
// n x n table: a maximal run of stackable pairs is walked once from its outer end, so the
// whole list costs O(n^2) time and no extra memory.
stemlist::stemlist(const std::string& seq, const int& minlen) : sequence(seq) {
    const int n = static_cast<int>(seq.size());
    auto canpair = [&seq](int i, int r) { return r - i > 3 && match(seq[i], seq[r], 1); };
    for (int i = 0; i < n; ++i) {
        for (int r = n - 1; r > i + 3; --r) {
            if (!canpair(i, r)) continue;
            // Only the outer end of a run starts a helix.
            if (i > 0 && r < n - 1 && canpair(i - 1, r + 1)) continue;
            int k = i, m = r;
            while (k + 1 < n && m - 1 >= 0 && canpair(k + 1, m - 1)) {
                ++k;
                --m;
            }
            if (k - i + 1 >= minlen) stems.push_back(stem(BP(i, r), BP(k, m)));
        }
    }
}

const std::vector<stem>& stems_of(const std::string& sequence) {
    thread_local std::string cached_for;
    thread_local std::vector<stem> cached;
    thread_local bool filled = false;
    if (!filled || cached_for != sequence) {
        cached = stemlist(sequence, 3).stems;
        cached_for = sequence;
        filled = true;
    }
    return cached;
}

std::vector<stem> RStruct::create_stems() {
    std::vector<stem> ret;
    if (vbp.empty()) return ret;
    std::sort(vbp.begin(), vbp.end(), ascendingsortBP);
    BP first = vbp[0];
    for (std::size_t k = 1; k < vbp.size(); ++k) {
        const BP& p = vbp[k - 1];
        const BP& c = vbp[k];
        if (c.lp == p.lp + 1 && c.rp == p.rp - 1) continue;
        ret.push_back(stem(first, p));
        first = c;
    }
    ret.push_back(stem(first, vbp.back()));
    return ret;
}

int getindx(const std::vector<stem>& v, const stem& x, const int& start, const int& direction) {
    const int n = static_cast<int>(v.size());
    if (direction == 1) {
        for (int i = std::max(start, 0); i < n; ++i)
            if (v[i] == x) return i;
        return -1;
    }
    if (direction == -1) {
        if (start < 0) return -1;
        for (int i = std::min(start, n - 1); i >= 0; --i)
            if (v[i] == x) return i;
        return -1;
    }
    throw FatalError({"direction can either be 1 or -1 while it is " + std::to_string(direction)});
}
