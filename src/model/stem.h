// Helices: runs of directly stacked base pairs.
#pragma once

#include <string>
#include <vector>

#include "model/chain.h"

struct stem {
    BP outer;
    BP inner;

    stem(BP o, BP i) : outer(o), inner(i) {}
    stem(const stem& o) = default;
    stem& operator=(const stem& o) = default;

    bool operator==(const stem& o) const;
    bool conflictwithBP(const BP& b) const;
    bool containBP(const BP& b) const;
    bool enclose(const stem& o) const;
};

// Every maximal helix of at least `minlen` stacked pairs that the sequence can form.
struct stemlist {
    std::vector<stem> stems;
    std::string sequence;

    stemlist(const std::string& sequence, const int& minlen);
};

// The helices of at least 3 pairs of the sequence (stemlist(sequence, 3).stems), built once
// per sequence and thread and kept until the thread asks for another sequence.
const std::vector<stem>& stems_of(const std::string& sequence);

int getindx(const std::vector<stem>& v, const stem& x, const int& start, const int& direction);
