// The best folding path as files people read and load: a table (path.tsv), an energy
// profile picture (path.svg) and an interactive viewer (path.html). Energies are in kcal/mol;
// positions are 1-based.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pathout {

// One step of a path: the base pair (i, j), i < j, 1-based, added or deleted.
struct PathMove {
    bool add = true;
    int i = 0;
    int j = 0;
};

// How a path was found and with which energy model, for the pictures' subtitles. Every field
// has a default, so a caller fills in what it knows.
struct PathInfo {
    std::string method;                  // "ea", "direct", "exact", "auto"; empty: not said
    std::string status;                  // "optimal" or "bounded"; empty: judged from the lower bound
    std::optional<double> lower_bound;   // kcal/mol; none: E(B) - E(A) (at least 0), which any path climbs
    std::string params = "Turner 2004";  // parameter set (a file's base name, or the compiled-in set)
    int dangles = 1;                     // 0, 1 or 2
    double celsius = 37.0;               // temperature of the model, degrees Celsius
};

// A folding path: structures[0] is A, the last is B; energies[k] (kcal/mol) belongs to
// structures[k]; moves[k] leads from structures[k] to structures[k + 1]. A long path may hold
// A alone in `structures`: the others then follow from the moves (the files are the same).
struct Path {
    std::vector<std::string> structures;
    std::vector<double> energies;
    std::vector<PathMove> moves;
    PathInfo info;
};

// The moves between consecutive dot-bracket structures. Throws std::invalid_argument when
// two neighbours differ by anything but one added or deleted pair.
std::vector<PathMove> moves_between(const std::vector<std::string>& structures);

// Highest energy minus the first; 0 for an empty path.
double barrier(const Path& p);

// Index of the first structure of highest energy (0 for an empty path).
std::size_t saddle_index(const Path& p);

// The lower bound of the path's info, or E(B) - E(A) (at least 0) when it gives none; kcal/mol.
double lower_bound(const Path& p);

// "optimal" when the path is proved best (the info says so, or it says nothing and the barrier
// equals the lower bound to 0.01 kcal/mol), else "bounded".
std::string status(const Path& p);

// The parameter set's name as the pictures show it: the base name of a parameter file without
// its ".par", or "Turner 2004" for none.
std::string params_name(const std::string& file);

// path.tsv: a header line, then one line per structure: step, move (start/add/del), i, j
// (empty for the start), structure, energy with two decimals. Throws std::invalid_argument
// when the sizes of the three lists do not fit together or the path is empty.
std::string path_table(const Path& p);

// path.svg: energy against step, A, B and every structure at the saddle energy marked, the
// barrier written, additions and deletions as up and down triangles with a legend, the name
// (without a leading '>') as title and a subtitle with method, status, barrier, lower bound and
// energy model. Labels are placed clear of the curve, the points and each other. SVG 1.1
// without external references. Same errors as path_table.
std::string path_svg(const std::string& name, const std::string& sequence, const Path& p);

// path.html: one self-contained page (inline script and style, no request leaves it) with the
// energy profile, the current step's structure as an arc diagram and a radial drawing, its move,
// energy and dot-bracket; steps change by click, slider, arrow keys or the play button. The page
// opened with the fragment #step=N starts at step N; with #selftest it presses the right arrow
// four times and writes what it shows into the element with id "selftest". Same errors as
// path_table, and std::invalid_argument when a move does not fit the structures.
std::string path_html(const std::string& name, const std::string& sequence, const Path& p);

// Writes `text` to `file` through a temporary file in the same directory and a rename, so
// a reader sees the old file or the whole new one. Throws FatalError (status 1) on failure.
void write_file_atomically(const std::string& file, const std::string& text);

// Writes path.tsv, path.svg and path.html into `dir` (with or without a trailing '/').
void write_path_files(const std::string& dir, const std::string& name, const std::string& sequence, const Path& p);

}  // namespace pathout
