// Entry functions of the fuzz targets: each hands arbitrary bytes to one reader of the
// program, exactly as the program calls it. Rejected input (FatalError, or the std
// exception a reader documents) is a normal outcome and returns. Anything else escapes
// as an exception: a broken invariant (FatalError with kInvariantStatus), a violated
// property (FuzzFinding), or a stray exception. The fuzz targets and the regression test
// share these functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace fuzzentry {

// A property of an accepted input that does not hold.
struct FuzzFinding : std::logic_error {
    using std::logic_error::logic_error;
};

// The four lines of the input file (name, sequence, A, B), read by readin().
void input_file(const uint8_t* data, std::size_t size);
// The configuration file, read by Config::setConfig().
void config_file(const uint8_t* data, std::size_t size);
// Output of an RNAeval batch, read by readEnergyfromFile().
void rnaeval_output(const uint8_t* data, std::size_t size);
// A parameter file in the ViennaRNA 2.0 format; an accepted set then scores a few records.
void param_file(const uint8_t* data, std::size_t size);
// Standard input of the RNAeval-compatible command. The first byte picks the options
// (dangles = byte % 3, --noconv when bit 2 is set).
void rnaeval_records(const uint8_t* data, std::size_t size);
// Lines sequence, A, B. When check_input() accepts them (and the sequence has at most
// kSearchMaxLength bases), a tiny search runs with the built-in energies and its best
// path must lead from A to B in single-pair steps, with barrier = highest energy - E(A)
// and each energy the built-in model's.
constexpr std::size_t kSearchMaxLength = 80;
void search(const uint8_t* data, std::size_t size);

// Dispatch by target name ("input_file", "config", ...); false for an unknown name.
bool run(const std::string& target, const uint8_t* data, std::size_t size);

}  // namespace fuzzentry
