// Removal of the hairpin helices that the start and final structures share.
#pragma once

#include <string>
#include <vector>

#include "model/chain.h"
#include "model/stem.h"
#include "model/structure.h"

struct Auxiliary {
    std::vector<stem> vstem;
    std::vector<int> o2t;
    std::vector<int> t2o;

    Auxiliary(RStruct A, RStruct B);
};

std::string remove_unused_stems(const std::string& s, const Auxiliary& aux);
ActionChain convertAC_coordination_t2o(const ActionChain& ac, const Auxiliary& aux);
std::vector<ActionChain> convertVAC_coordination_t2o(const std::vector<ActionChain>& vac, const Auxiliary& aux);
