#include "methods/loop_moves.h"

#include <stdexcept>

#include "nnmodel/move.h"

namespace methods {

PairTable pair_table(const std::string& db) {
    PairTable pt(db.size(), -1);
    std::vector<int> open;
    for (int k = 0; k < static_cast<int>(db.size()); ++k) {
        if (db[k] == '(') {
            open.push_back(k);
        } else if (db[k] == ')') {
            if (open.empty()) throw std::invalid_argument("unbalanced structure: " + db);
            pt[k] = open.back();
            pt[open.back()] = k;
            open.pop_back();
        }
    }
    if (!open.empty()) throw std::invalid_argument("unbalanced structure: " + db);
    return pt;
}

int enclosing_pair(const PairTable& pt, int k) {
    for (int m = k - 1; m >= 0; --m) {
        if (pt[m] < 0) continue;
        if (pt[m] < m) {
            m = pt[m];  // skip a whole branch
            continue;
        }
        return m;
    }
    return -1;
}

void ReducedLoop::emit(const nnmodel::EncodedSequence& s, int k, char c) {
    if (k >= 0) {
        index_[k] = static_cast<int>(db_.size());
        red_.letters.push_back(s.letters[k]);
        red_.codes.push_back(s.codes[k + 1]);
    } else {
        red_.letters.push_back('N');
        red_.codes.push_back(0);
    }
    db_.push_back(c);
}

void ReducedLoop::emit_inside(const nnmodel::EncodedSequence& s, const PairTable& pt, int from, int to, int open,
                              bool record) {
    for (int k = from; k < to; ++k) {
        if (pt[k] < 0) {
            emit(s, k, '.');
            if (record) unpaired_.push_back(k);
        } else {
            const int l = pt[k];
            emit(s, k, '(');
            if (k == open) {
                emit_inside(s, pt, k + 1, l, -1, false);
            } else {
                for (int d = 0; d < 3; ++d) emit(s, -1, '.');
            }
            emit(s, l, ')');
            k = l;
        }
    }
}

void ReducedLoop::build(const nnmodel::EncodedSequence& s, const PairTable& pt, int p, int open) {
    const int n = s.length();
    if (static_cast<int>(index_.size()) < n) index_.resize(n);
    red_.letters.reserve(n + 8);
    red_.codes.reserve(n + 10);
    db_.reserve(n + 8);
    red_.letters.clear();
    red_.codes.assign(1, 0);
    db_.clear();
    unpaired_.clear();
    if (p < 0) {
        emit_inside(s, pt, 0, n, open, true);
    } else {
        emit(s, p, '(');
        emit_inside(s, pt, p + 1, pt[p], open, true);
        emit(s, pt[p], ')');
    }
    red_.codes.push_back(0);
}

int ReducedLoop::energy(const nnmodel::ParamSet& par, int dangles) const {
    return nnmodel::energy_dcal(par, red_, db_, dangles);
}

int ReducedLoop::energy_toggled(const nnmodel::ParamSet& par, int dangles, int i, int j) {
    char& a = db_[index_[i]];
    char& b = db_[index_[j]];
    const char oa = a, ob = b;
    if (oa == '.') {
        a = '(';
        b = ')';
    } else {
        a = '.';
        b = '.';
    }
    const int e = nnmodel::energy_dcal(par, red_, db_, dangles);
    a = oa;
    b = ob;
    return e;
}

int move_delta(const nnmodel::ParamSet& p, const nnmodel::EncodedSequence& s, const std::vector<int>& pt, int i, int j,
               int dangles) {
    return nnmodel::move_delta(p, s, pt, i, j, dangles);
}

}  // namespace methods
