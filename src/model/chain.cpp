#include "model/chain.h"

#include <iostream>

#include "error/fatal_error.h"

bool BP::operator==(const BP& o) const { return (lp == o.lp && rp == o.rp) || (lp == o.rp && rp == o.lp); }

bool BP::conflictwithBP(const BP& o) const {
    return (o.lp <= lp && lp <= o.rp && o.rp <= rp) || (lp <= o.lp && o.lp <= rp && rp <= o.rp);
}

void BP::show() const { show(std::cout); }
void BP::show(std::ostream& out) const { out << "(" << lp << " " << rp << ")"; }

bool ascendingsortBP(BP x, BP y) { return x.lp < y.lp; }
bool descendingsortBP(BP x, BP y) { return x.lp > y.lp; }

Action::Action(const Act& k, const int& lp, const int& rp) : a(k), b(lp, rp) { check(); }

Action::Action(const Act& k, const BP& p) : a(k), b(p) { check(); }

Action::Action(const std::string& word, const int& lp, const int& rp) : a(static_cast<Act>(0)) {
    if (word == "add")
        a = add;
    else if (word == "del")
        a = del;
    check();
    b = BP(lp, rp);
}

bool Action::operator==(const Action& o) const { return a == o.a && b.lp == o.b.lp && b.rp == o.b.rp; }

bool Action::operator!=(const Action& o) const { return !(*this == o); }

void Action::show() const { show(std::cout); }

void Action::show(std::ostream& out) const {
    if (a == del)
        out << "del ";
    else if (a == add)
        out << "add ";
    check();
    b.show(out);
}

void Action::check() const {
    if (a != del && a != add) {
        throw FatalError({"Action = " + std::to_string(static_cast<int>(a))});
    }
}

bool ActionChain::operator==(const ActionChain& o) const { return va == o.va; }

void ActionChain::push_back(Action x) { va.push_back(x); }
void ActionChain::push_back(Act a, int lp, int rp) { va.push_back(Action(a, lp, rp)); }
void ActionChain::push_back(Act a, BP b) { va.push_back(Action(a, b.lp, b.rp)); }

int ActionChain::size() const { return static_cast<int>(va.size()); }

void ActionChain::show() const { show(std::cout); }

void ActionChain::show(std::ostream& out) const {
    for (const Action& x : va) {
        x.show(out);
        out << std::endl;
    }
}

int ActionChain::getsaddlepoint() const {
    double best = -OOENERGY;
    int indx = -1;
    for (int k = 0; k < static_cast<int>(vde.size()); ++k) {
        if (vde[k] > best) {
            best = vde[k];
            indx = k;
        }
    }
    return indx;
}

void ActionChain::printout(std::ostream& out) const {
    for (const Action& x : va) out << (x.a == add ? "add\t" : "del\t") << x.b.lp << "\t" << x.b.rp << "\n";
}
