// Runs one of the methods for the command line: writes the result and log files in the
// layout of the evolutionary search, prints the best path as the path report prints it and
// ends standard output with "barrier=B lower_bound=L status=S stop=R" (kcal/mol, two decimals).
#pragma once

#include <iosfwd>
#include <string>

#include "methods/combined.h"

namespace methods {

// Throws std::invalid_argument for an unknown method (anything but direct, exact, auto) and
// std::runtime_error when a file cannot be written. Returns the best path.
PathResult run_for_cli(const std::string& method, const Problem& pb, const Options& opt, const SearchConfig& cf,
                       const EvolutionFiles& files, std::ostream& out);

// The path as the path report prints it: barrier, sequence, every structure with its energy.
void print_path(std::ostream& out, const std::string& sequence, const PathResult& r);
// One line: "moves (1-based positions in the sequence): del 25 58; add 3 40; ..." (the
// coordinates of path.tsv).
void print_moves(std::ostream& out, const PathResult& r);

}  // namespace methods
