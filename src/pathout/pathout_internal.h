// Helpers shared by the table and the picture writers.
#pragma once

#include <string>

#include "pathout/pathout.h"

namespace pathout {

// kcal/mol with two decimals, never "-0.00".
std::string kcal_text(double kcal);

// Throws std::invalid_argument unless the path is non-empty with one energy per structure
// and one move per step (structures: all, or A alone).
void check_path(const Path& p);

// Structure k of the path, k = 0, 1, ... in turn: from `structures`, or (A alone kept) by
// applying move k - 1 to `s`, the structure before. Throws std::invalid_argument when a move
// does not fit its structure.
const std::string& structure_at(const Path& p, std::size_t k, std::string& s);

// "Energy model <parameter set>, dangles <d>, <t> °C".
std::string model_text(const PathInfo& info);

// The name as a title: without leading '>' and surrounding blanks.
std::string display_name(const std::string& name);

// path_svg with the label placement switchable: with `avoid_overlaps` false every label goes to
// its first choice of place, overlapping or not (for tests that show the overlap check works).
std::string path_svg(const std::string& name, const std::string& sequence, const Path& p, bool avoid_overlaps);

// Units of the picture (SVG user units, px): estimated box of a text of `chars` characters at
// font size `size`, for the label placement. Generous, so the real glyphs stay inside.
double text_width(std::size_t chars, double size);

}  // namespace pathout
