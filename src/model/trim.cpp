#include "model/trim.h"

#include <iostream>

#include "error/fatal_error.h"

namespace {

// The stems that close a hairpin loop: no other stem of the (nested, lp-ordered) list lies
// inside their innermost pair.
std::vector<stem> hairpin_stems(const std::vector<stem>& st) {
    std::vector<stem> ret;
    for (std::size_t k = 0; k < st.size(); ++k)
        if (k + 1 == st.size() || !st[k].enclose(st[k + 1])) ret.push_back(st[k]);
    return ret;
}

bool in_span(const stem& s, int i) { return s.outer.lp <= i && i <= s.outer.rp; }

}  // namespace

Auxiliary::Auxiliary(RStruct A, RStruct B) {
    const std::vector<stem> ka = hairpin_stems(A.create_stems());
    const std::vector<stem> kb = hairpin_stems(B.create_stems());
    for (const stem& s : ka)
        if (getindx(kb, s, 0, 1) != -1) vstem.push_back(s);

    const int n = static_cast<int>(A.str.size());
    if (vstem.empty()) {
        for (int i = 0; i < n; ++i) {
            o2t.push_back(i);
            t2o.push_back(i);
        }
        return;
    }
    int counter = -1;
    for (int i = 0; i < n; ++i) {
        bool removed = false;
        for (const stem& s : vstem) removed = removed || in_span(s, i);
        if (removed) {
            o2t.push_back(-1);
        } else {
            ++counter;
            o2t.push_back(counter);
            t2o.push_back(i);
        }
    }
}

std::string remove_unused_stems(const std::string& s, const Auxiliary& aux) {
    std::cout << s << std::endl;
    if (aux.vstem.empty()) return s;
    std::string ret;
    std::size_t k = 0;
    for (int i = 0; i < static_cast<int>(s.size()); ++i) {
        const stem& st = aux.vstem[k];
        if (!in_span(st, i)) ret += s[i];
        if (i == st.outer.rp && k + 1 < aux.vstem.size()) ++k;
    }
    std::cout << ret << std::endl;
    return ret;
}

ActionChain convertAC_coordination_t2o(const ActionChain& ac, const Auxiliary& aux) {
    ActionChain ret;
    ret.mde = ac.mde;
    ret.vde = ac.vde;
    ret.avge = ac.avge;
    const int tn = static_cast<int>(aux.t2o.size());
    for (const Action& x : ac.va) {
        ZENTROLA_CHECK(0 <= x.b.lp && x.b.lp < tn && 0 <= x.b.rp && x.b.rp < tn);
        ret.push_back(x.a, aux.t2o[x.b.lp], aux.t2o[x.b.rp]);
    }
    return ret;
}

std::vector<ActionChain> convertVAC_coordination_t2o(const std::vector<ActionChain>& vac, const Auxiliary& aux) {
    std::vector<ActionChain> ret;
    ret.reserve(vac.size());
    for (const ActionChain& ac : vac) ret.push_back(convertAC_coordination_t2o(ac, aux));
    return ret;
}
