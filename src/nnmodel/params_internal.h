// Internal pieces of the nnmodel library shared between its source files.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "nnmodel/nnmodel.h"

namespace nnmodel {
namespace detail {

// The text of data/rna_turner2004.par, embedded at build time (generated source file).
extern const char kTurner2004Text[];
extern const std::size_t kTurner2004Size;

// One table of a ParamSet seen as a flat array of int.
struct Table {
    int* values;
    std::size_t size;
};
// Every table of p (not the scalars and special loops), in declaration order.
std::vector<Table> tables(ParamSet& p);

// Sets p.lxc and the growth table that goes with it.
void set_loop_growth(ParamSet& p, double lxc);

// A parameter set with every slot set to kInf and every scalar to 0, no special loops, 37 C.
void fill_blank(ParamSet& p);

// Reads a parameter file over the values already in raw (slots the file does not set keep
// their value): free energies into raw.dg37, enthalpies into raw.dh. source names the input
// in messages.
void parse_parameters(std::istream& in, ParamSource& raw, std::vector<std::string>* warnings,
                      const std::string& source);

// Positive dangles and exterior/multiloop mismatches become 0 (every loaded set, at any
// temperature, after the rescaling).
void clamp_loaded(ParamSet& p);
// Fills the int22 slots a file cannot hold (non-standard pairs, unknown bases) with the
// maximum of the explicit entries they stand for.
void derive_int22(ParamSet& p);

// The 37 C set of a file as read: its free energies with the adjustments applied.
ParamSet loaded_set(std::shared_ptr<const ParamSource> source);

}  // namespace detail
}  // namespace nnmodel
