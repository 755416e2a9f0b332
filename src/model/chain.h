// Base pairs, moves and folding pathways.
//
// Glossary
//   BP           a base pair (lp, rp), 0-based positions
//   Action       one move: add or del(ete) one base pair
//   ActionChain  a folding pathway from A: its moves in order, with
//     va         the moves
//     vde        the energy of every structure along the path, the start included (kcal/mol)
//     mde        the barrier: max(vde) - vde[0] (kcal/mol; OOENERGY until evaluated)
//     avge       the mean of vde (kcal/mol), the tie-break of the ranking
//     strategy   the operator that made the chain (StrategyId below)
//   In function names: AC an ActionChain, VAC a vector of them, S a dot-bracket structure,
//   VS a vector of structures, MDE the barrier (maximum energy difference), t2o/o2t trimmed to
//   original coordinates and back.
//   Operator members and their files (src/operators/): reorder_del, reorder_del2, reorder_del4,
//   getindx_conflict in reorder.cpp; postpone_del(2), bringforward_add(2) in postpone.cpp; adddel
//   in adddel.cpp; exchange, exchange2, exchange3 in exchange.cpp; perturb, perturb2, perturb3 in
//   perturb.cpp; shift, set_vai in shift.cpp; adddelstack in stack.cpp; reproduce (all of them in
//   their fixed order) in reproduce.cpp.
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

// Which operator made a chain (ActionChain::strategy); the search counts them in each
// population to share out the offspring. 3 and 11 to 16 are counted but never set.
enum StrategyId : int {
    kStrategyInitial = 0,       // a direct path of generation 0
    kStrategyReorderDel = 1,    // reorder_del
    kStrategyReorderDel2 = 2,   // reorder_del2
    kStrategyPostpone = 4,      // postpone_del, postpone_del2
    kStrategyBringForward = 5,  // bringforward_add, bringforward_add2
    kStrategyAddDel = 6,        // adddel
    kStrategyExchange = 7,      // exchange, exchange2, exchange3
    kStrategyPerturb = 8,       // perturb, perturb2, perturb3
    kStrategyStack = 9,         // adddelstack
    kStrategyShift = 10,        // shift
};
constexpr int kStrategyIds = 17;  // ids counted: 0 to 16

// The nine offspring counts of an allotment, in the order reproduce() takes them.
enum AllotmentSlot : int {
    kSlotReorderDel,
    kSlotReorderDel2,
    kSlotPostpone,
    kSlotBringForward,
    kSlotAddDel,
    kSlotExchange,
    kSlotPerturb,
    kSlotShift,
    kSlotStack,
    kAllotmentSlots
};
// Strategy id of each slot.
constexpr StrategyId kAllotmentIds[kAllotmentSlots] = {kStrategyReorderDel,   kStrategyReorderDel2, kStrategyPostpone,
                                                       kStrategyBringForward, kStrategyAddDel,      kStrategyExchange,
                                                       kStrategyPerturb,      kStrategyShift,       kStrategyStack};

struct Action {
    Act a;
    BP b;

    // A copy of a checked move needs no check: plain copies keep chains cheap to copy.
    Action(const Action& o) = default;
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
struct ReorderTables;

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

    // Reproduction: every operator in its fixed order. `tables`, when given, holds the parent's
    // reordering tables built beforehand (operators/reorder_tables.h); the offspring are the same.
    std::vector<ActionChain> reproduce(const std::string& seq, const std::string& start, const int& saddle,
                                       const int& n_reorder, const int& n_reorder2, const int& n_postpone,
                                       const int& n_bringforward, const int& n_adddel, const int& n_exchange,
                                       const int& n_perturb, const int& n_shift, const int& n_stack,
                                       const ReorderTables* tables = nullptr) const;

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
