#include "energy/pathstructs.h"

#include "error/fatal_error.h"

bool eq(double x, double y) {
    if (x >= y) return precision >= x - y;
    return precision >= y - x;
}

std::string getSfromAC(const std::string& s, const Action& in_a) {
    std::string ret = s;
    ZENTROLA_CHECK((int)ret.size() > in_a.b.lp && (int)ret.size() > in_a.b.rp);
    ZENTROLA_CHECK(in_a.b.lp >= 0 && in_a.b.rp >= 0);
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
        throw FatalError({"The action is del (" + std::to_string(lp) + "," + std::to_string(rp) + ")",
                          "The structure s=" + s,
                          "s[" + std::to_string(lp) + "]=" + s[lp] + " and s[" + std::to_string(rp) + "]=" + s[rp]});
    }
    throw FatalError({"Error: Action.a is neither add nor del but " + std::to_string(static_cast<int>(in_a.a))});
}

std::vector<std::string> getVSfromAC(const std::string& s, const ActionChain& ac) {
    std::vector<std::string> vs;
    vs.reserve(ac.va.size() + 1);
    vs.push_back(s);
    for (const Action& x : ac.va) vs.push_back(getSfromAC(vs.back(), x));
    return vs;
}
