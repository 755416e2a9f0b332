#include "model/structure.h"

#include <algorithm>
#include <iostream>

#include "error/fatal_error.h"
#include "model/stem.h"

std::vector<BP> s2v(const std::string& s) {
    std::vector<BP> ret;
    std::vector<int> sta;
    for (int i = 0; i < static_cast<int>(s.size()); ++i) {
        if (s[i] == '(') {
            sta.push_back(i);
        } else if (s[i] == ')') {
            ZENTROLA_CHECK((int)sta.size() != 0);
            ret.push_back(BP(sta.back(), i));
            sta.pop_back();
        }
    }
    ZENTROLA_CHECK((int)sta.size() == 0);
    return ret;
}

std::vector<int> getunp(const std::string& s) {
    std::vector<int> ret;
    for (int i = 0; i < static_cast<int>(s.size()); ++i)
        if (s[i] != '(' && s[i] != ')') ret.push_back(i);
    return ret;
}

namespace {

[[noreturn]] void bad_direction(int direction) {
    throw FatalError({"direction can either be 1 or -1 while it is " + std::to_string(direction)});
}

template <typename T, typename Eq>
int find_from(const std::vector<T>& v, const T& x, int start, int direction, Eq eq) {
    const int n = static_cast<int>(v.size());
    if (direction == 1) {
        for (int i = std::max(start, 0); i < n; ++i)
            if (eq(v[i], x)) return i;
        return -1;
    }
    if (direction == -1) {
        if (start < 0) return -1;
        for (int i = std::min(start, n - 1); i >= 0; --i)
            if (eq(v[i], x)) return i;
        return -1;
    }
    bad_direction(direction);
}

}  // namespace

int getindx(const std::vector<int>& v, const int& x, const int& start, const int& direction) {
    return find_from(v, x, start, direction, [](int a, int b) { return a == b; });
}

int getindx(const std::vector<BP>& v, const BP& x, const int& start, const int& direction) {
    return find_from(v, x, start, direction, [](const BP& a, const BP& b) { return a.lp == b.lp && a.rp == b.rp; });
}

int getindx(const std::vector<Action>& v, const Action& x, const int& start, const int& direction) {
    return find_from(v, x, start, direction, [](const Action& a, const Action& b) { return a == b; });
}

int getindx(const std::vector<ActionChain>& v, const ActionChain& x, const int& start, const int& direction) {
    return find_from(v, x, start, direction, [](const ActionChain& a, const ActionChain& b) { return a == b; });
}

bool mycheckclash(const BP& bp, const std::vector<BP>& vbp) {
    const int i = bp.lp, j = bp.rp;
    for (const BP& p : vbp) {
        const int k = p.lp, l = p.rp;
        if (k < i && i < l && l < j) return true;
        if (i < k && k < j && j < l) return true;
        if (i == k || i == l || j == k || j == l) return true;
    }
    return false;
}

bool match(const char& x, const char& y, const int& gu) {
    const bool wobble = gu == 1;
    switch (x) {
        case 'A': return y == 'U' || y == 'T';
        case 'U':
        case 'T': return y == 'A' || (wobble && y == 'G');
        case 'G': return y == 'C' || (wobble && (y == 'U' || y == 'T'));
        case 'C': return y == 'G';
        default: return false;
    }
}

RStruct::RStruct(const std::string& s) : str(s), vbp(s2v(s)), vunp(getunp(s)), len(static_cast<int>(s.size())) {}

int RStruct::pairwithwhich(const int& i) const {
    for (const BP& p : vbp) {
        if (p.lp == i) return p.rp;
        if (p.rp == i) return p.lp;
    }
    return -1;
}

bool RStruct::checkclash(const Action& x) const {
    if (x.a == del) return pairwithwhich(x.b.lp) != x.b.rp;
    if (x.a == add) return mycheckclash(x.b, vbp);
    throw FatalError({"Action = " + std::to_string(static_cast<int>(x.a)), "This action is neither add nor del"});
}

bool RStruct::checkclash(const ActionChain& c) const {
    RStruct fresh(str);
    return !fresh.applyActionChain_checkclash(c);
}

void RStruct::show() const { show(std::cout); }

void RStruct::show(std::ostream& out) const {
    out << str << std::endl;
    for (const BP& p : vbp) {
        p.show(out);
        out << std::endl;
    }
}

bool RStruct::add_bp(const int& i, const int& j) {
    int ki = getindx(vunp, i, 0, 1);
    if (ki == -1) return false;
    vunp.erase(vunp.begin() + ki);
    int kj = getindx(vunp, j, 0, 1);
    if (kj == -1) return false;
    vunp.erase(vunp.begin() + kj);
    vbp.push_back(BP(i, j));
    str[i] = '(';
    str[j] = ')';
    return true;
}

bool RStruct::add_bp(const BP& b) { return add_bp(b.lp, b.rp); }

bool RStruct::del_bp(const BP& b) {
    int k = getindx(vbp, b, 0, 1);
    if (k == -1) return false;
    return del_bp_with_indx(k);
}

bool RStruct::del_bp_with_indx(const int& k) {
    ZENTROLA_CHECK((int)vbp.size() > k && k >= 0);
    const BP p = vbp[k];
    vunp.push_back(p.lp);
    vunp.push_back(p.rp);
    str[p.lp] = '.';
    str[p.rp] = '.';
    vbp.erase(vbp.begin() + k);
    return true;
}

bool RStruct::applyAction(const Action& x) {
    if (x.a == add) return add_bp(x.b);
    if (x.a == del) return del_bp(x.b);
    throw FatalError({"Action = " + std::to_string(static_cast<int>(x.a)), "The action is neither add nor del"});
}

bool RStruct::applyActionChain(const ActionChain& c) {
    for (const Action& x : c.va) {
        if (!applyAction(x)) {
            c.show();
            return false;
        }
    }
    return true;
}

bool RStruct::applyActionChain_checkclash(const ActionChain& c) {
    for (int k = 0; k < static_cast<int>(c.va.size()); ++k) {
        if (checkclash(c.va[k])) return false;
        if (!applyAction(c.va[k])) {
            std::cerr << "why this actionchain does not lead to clash but can not be applied?" << std::endl
                      << str << std::endl;
            c.show();
            std::cerr << "current index = " << k << std::endl;
            return false;
        }
    }
    return true;
}

ActionChain RStruct::convertfrom(const RStruct& from, int deldesc, int adddesc) {
    ActionChain ret;
    RStruct w = from;
    std::sort(w.vbp.begin(), w.vbp.end(), deldesc ? descendingsortBP : ascendingsortBP);
    for (int k = 0; k < static_cast<int>(w.vbp.size());) {
        if (getindx(vbp, w.vbp[k], 0, 1) == -1) {
            ret.push_back(del, w.vbp[k]);
            w.del_bp_with_indx(k);
        } else {
            ++k;
        }
    }
    std::sort(vbp.begin(), vbp.end(), adddesc ? descendingsortBP : ascendingsortBP);
    for (const BP& p : vbp) {
        if (getindx(w.vbp, p, 0, 1) == -1) {
            ret.push_back(add, p);
            w.add_bp(p);
        }
    }
    return ret;
}

std::vector<ActionChain> RStruct::convertfrom_multipleActionChains(const RStruct& from) {
    std::vector<ActionChain> ret;
    ret.push_back(convertfrom(from, 0, 0));
    ret.push_back(convertfrom(from, 0, 1));
    ret.push_back(convertfrom(from, 1, 0));
    ret.push_back(convertfrom(from, 1, 1));
    return ret;
}
