#include "model/fast_structure.h"

#include <algorithm>

#include "error/fatal_error.h"

std::vector<int> partner_table(const std::string& s) {
    std::vector<int> partner(s.size(), -1);
    for (const BP& p : s2v(s)) {
        partner[p.lp] = p.rp;
        partner[p.rp] = p.lp;
    }
    return partner;
}

std::vector<int> partner_table(const RStruct& rs) {
    int n = std::max(rs.len, static_cast<int>(rs.str.size()));
    for (const BP& p : rs.vbp) n = std::max(n, std::max(p.lp, p.rp) + 1);
    std::vector<int> z(n, -1);
    for (const BP& p : rs.vbp) {
        z[p.lp] = p.rp;
        z[p.rp] = p.lp;
    }
    return z;
}

RStruct structure_at(const std::string& start, const std::vector<Action>& va, int step) {
    RStruct rs(start);
    for (int i = 0; i < step; ++i) rs.applyAction(va[i]);
    return rs;
}

bool add_clashes(const std::vector<int>& partner, const BP& bp) {
    const int i = bp.lp, j = bp.rp;
    if (partner[i] != -1 || partner[j] != -1) return true;
    // Walk the positions between the two ends, jumping over every pair that
    // starts there; a pair that leaves the interval crosses bp.
    for (int p = i + 1; p < j;) {
        const int z = partner[p];
        if (z == -1) {
            ++p;
        } else if (z > p) {
            if (z > j) return true;
            p = z + 1;
        } else {
            return true;  // closes a pair opened before i
        }
    }
    return false;
}

std::vector<int> loop_table(const std::vector<int>& partner) {
    const int n = static_cast<int>(partner.size());
    std::vector<int> loop(n, -1), open;
    for (int p = 0; p < n; ++p) {
        const int z = partner[p];
        if (z != -1 && z < p && !open.empty()) open.pop_back();
        loop[p] = open.empty() ? -1 : open.back();
        if (z > p) open.push_back(p);
    }
    return loop;
}

namespace {

bool well_formed(const std::vector<Action>& va, int len) {
    for (const Action& x : va)
        if (x.b.lp < 0 || x.b.lp >= x.b.rp || x.b.rp >= len) return false;
    return true;
}

}  // namespace

bool replay_clashes(const std::string& start, const std::vector<Action>& va) {
    const int len = static_cast<int>(start.size());
    if (!well_formed(va, len)) {
        // Unusual pairs (reversed, degenerate or outside the structure) go through
        // the structure model itself, which also reports them.
        ActionChain c;
        c.va = va;
        return RStruct(start).checkclash(c);
    }
    std::vector<int> partner = partner_table(start);
    for (const Action& x : va) {
        const int i = x.b.lp, j = x.b.rp;
        if (x.a == del) {
            if (partner[i] != j) return true;
            partner[i] = partner[j] = -1;
        } else {
            if (add_clashes(partner, x.b)) return true;
            partner[i] = j;
            partner[j] = i;
        }
    }
    return false;
}

PathStructure::PathStructure(const std::string& s) : rs(s), partner(partner_table(s)) {}

void PathStructure::apply(const Action& x) {
    const bool ok = rs.applyAction(x);
    ZENTROLA_CHECK(ok);
    (void)ok;
    if (x.a == del) {
        partner[x.b.lp] = partner[x.b.rp] = -1;
    } else {
        partner[x.b.lp] = x.b.rp;
        partner[x.b.rp] = x.b.lp;
    }
}
