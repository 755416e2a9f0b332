#include "energy/pathstructs.h"

#include <cassert>
#include <cstdlib>
#include <iostream>

bool eq(double x, double y) {
    if (x >= y) return precision >= x - y;
    return precision >= y - x;
}

std::string getSfromAC(const std::string& s, const Action& in_a) {
    std::string ret = s;
    assert((int)ret.size() > in_a.b.lp && (int)ret.size() > in_a.b.rp);
    assert(in_a.b.lp >= 0 && in_a.b.rp >= 0);
    const int lp = in_a.b.lp;
    const int rp = in_a.b.rp;
    if (in_a.a == add) {
        ret[lp] = '(';
        ret[rp] = ')';
        return ret;
    }
    if (in_a.a == del) {
        if (ret[lp] == '(' && ret[rp] == ')') {
            ret[lp] = '.';
            ret[rp] = '.';
            return ret;
        }
        std::cerr << "The action is del (" << lp << "," << rp << ")" << std::endl;
        std::cerr << "The structure s=" << s << std::endl;
        std::cerr << "s[" << lp << "]=" << s[lp] << " and s[" << rp << "]=" << s[rp] << std::endl;
        std::exit(1);
    }
    std::cerr << "Error: Action.a is neither add nor del but " << static_cast<int>(in_a.a) << std::endl;
    std::exit(1);
}

std::vector<std::string> getVSfromAC(const std::string& s, const ActionChain& ac) {
    std::vector<std::string> vs;
    vs.reserve(ac.va.size() + 1);
    vs.push_back(s);
    for (const Action& x : ac.va) vs.push_back(getSfromAC(vs.back(), x));
    return vs;
}
