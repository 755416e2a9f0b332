// The problem: a sequence, the start structure A and the final structure B.
#pragma once

#include <string>
#include <utility>

#include "model/structure.h"

struct RPath {
    std::string sequence;
    RStruct A;
    RStruct B;

    RPath(std::string s, const std::string& a, const std::string& b) : sequence(std::move(s)), A(a), B(b) {}
};
