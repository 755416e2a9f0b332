// Secondary structures and the dot-bracket utilities shared by the model and the operators.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "model/chain.h"

struct stem;

struct RStruct {
    std::string str;
    std::vector<BP> vbp;
    std::vector<int> vunp;
    int len;

    RStruct() : len(0) {}
    explicit RStruct(const std::string& s);
    RStruct(const RStruct& o) = default;
    RStruct& operator=(const RStruct& o) = default;

    int pairwithwhich(const int& i) const;
    bool checkclash(const Action& x) const;
    bool checkclash(const ActionChain& c) const;
    void show() const;  // the dot-bracket line, then one pair a line
    void show(std::ostream& out) const;

    bool add_bp(const int& i, const int& j);
    bool add_bp(const BP& b);
    bool del_bp(const BP& b);
    bool del_bp_with_indx(const int& k);
    bool applyAction(const Action& x);
    bool applyActionChain(const ActionChain& c);
    bool applyActionChain_checkclash(const ActionChain& c);

    // Direct pathway from `from` to this structure: deletions first, then additions.
    ActionChain convertfrom(const RStruct& from, int deldesc, int adddesc);
    std::vector<ActionChain> convertfrom_multipleActionChains(const RStruct& from);

    // Helices of the structure (sorts vbp by lp).
    std::vector<stem> create_stems();
};

std::vector<BP> s2v(const std::string& s);
std::vector<int> getunp(const std::string& s);

int getindx(const std::vector<int>& v, const int& x, const int& start, const int& direction);
int getindx(const std::vector<BP>& v, const BP& x, const int& start, const int& direction);
int getindx(const std::vector<Action>& v, const Action& x, const int& start, const int& direction);
int getindx(const std::vector<ActionChain>& v, const ActionChain& x, const int& start, const int& direction);

bool mycheckclash(const BP& bp, const std::vector<BP>& vbp);
// Bases x and y (upper case) can pair: Watson-Crick, and with gu == 1 also G with U or T (T is U).
bool match(const char& x, const char& y, const int& gu);
