// Internal pieces of the nnmodel library shared between its source files.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

#include "nnmodel/nnmodel.h"

namespace nnmodel {
namespace detail {

// The text of data/rna_turner2004.par, embedded at build time (generated source file).
extern const char kTurner2004Text[];
extern const std::size_t kTurner2004Size;

// A parameter set with every slot set to kInf and every scalar to 0, no special loops.
void fill_blank(ParamSet& p);

// Reads a parameter file over the values already in p (slots the file does not set keep
// their value), then applies the post-processing every loaded set gets: positive dangles
// and exterior/multiloop mismatches become 0 and the int22 slots the file cannot hold
// (non-standard pairs, unknown bases) are derived. source names the input in messages.
void parse_parameters(std::istream& in, ParamSet& p, std::vector<std::string>* warnings,
                      const std::string& source);

}  // namespace detail
}  // namespace nnmodel
