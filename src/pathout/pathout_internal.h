// Helpers shared by the table and the picture writers.
#pragma once

#include <string>

#include "pathout/pathout.h"

namespace pathout {

// kcal/mol with two decimals, never "-0.00".
std::string kcal_text(double kcal);

// Throws std::invalid_argument unless the path is non-empty with one energy per structure
// and one move per step.
void check_path(const Path& p);

}  // namespace pathout
