// The best folding path as files people read and load: a table (path.tsv) and an energy
// profile picture (path.svg). Energies are in kcal/mol; positions are 1-based.
#pragma once

#include <string>
#include <vector>

namespace pathout {

// One step of a path: the base pair (i, j), i < j, 1-based, added or deleted.
struct PathMove {
    bool add = true;
    int i = 0;
    int j = 0;
};

// A folding path: structures[0] is A, the last is B; energies[k] (kcal/mol) belongs to
// structures[k]; moves[k] leads from structures[k] to structures[k + 1].
struct Path {
    std::vector<std::string> structures;
    std::vector<double> energies;
    std::vector<PathMove> moves;
};

// The moves between consecutive dot-bracket structures. Throws std::invalid_argument when
// two neighbours differ by anything but one added or deleted pair.
std::vector<PathMove> moves_between(const std::vector<std::string>& structures);

// Highest energy minus the first; 0 for an empty path.
double barrier(const Path& p);

// Index of the first structure of highest energy (0 for an empty path).
std::size_t saddle_index(const Path& p);

// path.tsv: a header line, then one line per structure: step, move (start/add/del), i, j
// (empty for the start), structure, energy with two decimals. Throws std::invalid_argument
// when the sizes of the three lists do not fit together or the path is empty.
std::string path_table(const Path& p);

// path.svg: energy against step, A, B and the saddle marked, the barrier written, the
// name as title. SVG 1.1 without external references. Same errors as path_table.
std::string path_svg(const std::string& name, const std::string& sequence, const Path& p);

// Writes `text` to `file` through a temporary file in the same directory and a rename, so
// a reader sees the old file or the whole new one. Throws FatalError (status 1) on failure.
void write_file_atomically(const std::string& file, const std::string& text);

// Writes path.tsv and path.svg into `dir` (with or without a trailing '/').
void write_path_files(const std::string& dir, const std::string& name, const std::string& sequence, const Path& p);

}  // namespace pathout
