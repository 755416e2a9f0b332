// Base pairs, moves and folding pathways.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// Energy of a chain that has not been evaluated yet.
const double OOENERGY = 100000.0;

struct BP {
    int lp;
    int rp;

    BP() : lp(0), rp(0) {}
    BP(int l, int r) : lp(l), rp(r) {}

    // Same two positions, in either order.
    bool operator==(const BP& o) const;
    // True when the pairs share a base or cross each other.
    bool conflictwithBP(const BP& o) const;
    void show() const;  // to standard output
    void show(std::ostream& out) const;
};

bool ascendingsortBP(BP x, BP y);
bool descendingsortBP(BP x, BP y);

enum Act { del = 1, add = 2 };

struct Action {
    Act a;
    BP b;

    Action(const Action& o);
    Action(const Act& a, const int& lp, const int& rp);
    Action(const Act& a, const BP& b);
    Action(const std::string& word, const int& lp, const int& rp);
    Action& operator=(const Action& o) = default;

    bool operator==(const Action& o) const;
    bool operator!=(const Action& o) const;
    void show() const;
    void show(std::ostream& out) const;
    // Throws FatalError when the kind is neither del nor add.
    void check() const;
};

struct RStruct;
struct stem;

struct ActionChain {
    std::vector<Action> va;
    double mde;
    double avge;
    std::vector<double> vde;
    int strategy;

    ActionChain() : mde(OOENERGY), avge(OOENERGY), strategy(0) {}
    ActionChain(const ActionChain& o) = default;
    ActionChain& operator=(const ActionChain& o) = default;

    bool operator==(const ActionChain& o) const;
    void push_back(Action x);
    void push_back(Act a, int lp, int rp);
    void push_back(Act a, BP b);
    int size() const;
    void show() const;  // one move a line
    void show(std::ostream& out) const;
    int getsaddlepoint() const;

    // Listing of the moves, one "add\tlp\trp" / "del\tlp\trp" line each.
    void printout(std::ostream& out) const;

    // Reproduction: every operator in its fixed order.
    std::vector<ActionChain> reproduce(const std::string& seq, const std::string& start,
                                       const int& saddle, const int& n_reorder, const int& n_reorder2,
                                       const int& n_postpone, const int& n_bringforward,
                                       const int& n_adddel, const int& n_exchange,
                                       const int& n_perturb, const int& n_shift,
                                       const int& n_stack) const;

    // Perturbation.
    std::vector<ActionChain> perturb(const std::string& seq, const std::string& start, const int& n) const;
    std::vector<ActionChain> perturb2(const std::string& seq, const std::string& start, const int& n) const;
    std::vector<ActionChain> perturb3(const std::string& seq, const std::string& start, const int& n) const;

    // Exchange.
    std::vector<ActionChain> exchange(const std::string& seq, const std::string& start, const int& n) const;
    std::vector<ActionChain> exchange2(const std::string& seq, const std::string& start, const int& n) const;
    std::vector<ActionChain> exchange3(const std::string& seq, const std::string& start, const int& saddle,
                                       const int& n) const;

    // Deletion reordering.
    std::vector<ActionChain> reorder_del(const std::string& sequence, const std::string& A, const int& n) const;
    ActionChain reorder_del(const RStruct& rs, const int& indx, const stem& st, bool& ok) const;
    std::vector<ActionChain> reorder_del2(const std::string& sequence, const std::string& A, const int& n) const;
    ActionChain reorder_del4(const RStruct& rs, const int& indx, const stem& st, bool& ok) const;
    int getindx_conflict(const int& start, const BP& bp) const;

    // Shift.
    std::vector<ActionChain> shift(const std::string& sequence, const std::string& A, const int& n) const;
    bool set_vai(const int& i, const Action& a, int& ia, int& indx_ra);

    // Stack add/delete.
    std::vector<ActionChain> adddelstack(const std::string& sequence, const std::string& A, const int& n) const;
    ActionChain adddelstack(const RStruct& rs, const int& indx, const stem& st, bool& ok) const;

    // Postpone deletions / bring additions forward.
    ActionChain postpone_del(const std::string& sequence, const std::string& A) const;
    ActionChain postpone_del2(const std::string& sequence, const std::string& A) const;
    ActionChain bringforward_add(const std::string& sequence, const std::string& A) const;
    ActionChain bringforward_add2(const std::string& sequence, const std::string& A) const;

    // Add-delete detour.
    std::vector<ActionChain> adddel(const std::string& sequence, const std::string& A, const int& n) const;
};
