#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "error/fatal_error.h"
#include "pathout/pathout.h"
#include "pathout/pathout_internal.h"

namespace pathout {

std::string kcal_text(double kcal) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", kcal);
    std::string s = buf;
    if (s == "-0.00") s = "0.00";
    return s;
}

void check_path(const Path& p) {
    if (p.structures.empty()) throw std::invalid_argument("a path holds at least one structure");
    if (p.structures.size() == 1 && !p.moves.empty()) {  // A alone: the others follow from the moves
        if (p.energies.size() != p.moves.size() + 1)
            throw std::invalid_argument("a path needs one energy per structure (" +
                                        std::to_string(p.moves.size() + 1) + " structures, " +
                                        std::to_string(p.energies.size()) + " energies)");
        return;
    }
    if (p.energies.size() != p.structures.size())
        throw std::invalid_argument("a path needs one energy per structure (" + std::to_string(p.structures.size()) +
                                    " structures, " + std::to_string(p.energies.size()) + " energies)");
    if (p.moves.size() + 1 != p.structures.size())
        throw std::invalid_argument("a path needs one move per step (" + std::to_string(p.structures.size() - 1) +
                                    " steps, " + std::to_string(p.moves.size()) + " moves)");
}

std::vector<PathMove> moves_between(const std::vector<std::string>& structures) {
    std::vector<PathMove> moves;
    for (std::size_t k = 1; k < structures.size(); ++k) {
        const std::string& s = structures[k - 1];
        const std::string& t = structures[k];
        const std::string where = "structures " + std::to_string(k - 1) + " and " + std::to_string(k);
        if (s.size() != t.size()) throw std::invalid_argument(where + " differ in length");
        std::vector<std::size_t> diff;
        for (std::size_t x = 0; x < s.size(); ++x)
            if (s[x] != t[x]) diff.push_back(x);
        if (diff.size() != 2) throw std::invalid_argument(where + " do not differ by one base pair");
        const std::size_t a = diff[0], b = diff[1];
        PathMove m;
        m.i = static_cast<int>(a) + 1;
        m.j = static_cast<int>(b) + 1;
        if (s[a] == '.' && s[b] == '.' && t[a] == '(' && t[b] == ')') {
            m.add = true;
        } else if (s[a] == '(' && s[b] == ')' && t[a] == '.' && t[b] == '.') {
            m.add = false;
        } else {
            throw std::invalid_argument(where + " do not differ by one base pair");
        }
        moves.push_back(m);
    }
    return moves;
}

double barrier(const Path& p) {
    if (p.energies.empty()) return 0.0;
    return p.energies[saddle_index(p)] - p.energies.front();
}

std::size_t saddle_index(const Path& p) {
    std::size_t best = 0;
    for (std::size_t k = 1; k < p.energies.size(); ++k)
        if (p.energies[k] > p.energies[best]) best = k;
    return best;
}

double lower_bound(const Path& p) {
    if (p.info.lower_bound) return *p.info.lower_bound;
    return p.energies.empty() ? 0.0 : std::max(0.0, p.energies.back() - p.energies.front());
}

std::string status(const Path& p) {
    if (!p.info.status.empty()) return p.info.status;
    return std::lround(barrier(p) * 100) == std::lround(lower_bound(p) * 100) ? "optimal" : "bounded";
}

std::string params_name(const std::string& file) {
    if (file.empty()) return "Turner 2004";
    std::string base = file.substr(file.find_last_of('/') + 1);
    if (base.size() > 4 && base.compare(base.size() - 4, 4, ".par") == 0) base.resize(base.size() - 4);
    return base;
}

std::string model_text(const PathInfo& info) {
    char celsius[32];
    std::snprintf(celsius, sizeof celsius, "%g", info.celsius);
    return "Energy model " + info.params + ", dangles " + std::to_string(info.dangles) + ", " + celsius + " \u00B0C";
}

std::string display_name(const std::string& name) {
    std::size_t from = 0;
    while (from < name.size() && (name[from] == '>' || name[from] == ' ' || name[from] == '\t')) ++from;
    std::size_t to = name.size();
    while (to > from && (name[to - 1] == ' ' || name[to - 1] == '\t' || name[to - 1] == '\r')) --to;
    return name.substr(from, to - from);
}

const std::string& structure_at(const Path& p, std::size_t k, std::string& s) {
    if (p.structures.size() > 1 || k == 0) return p.structures[k];
    const PathMove& m = p.moves[k - 1];
    const bool fits = m.i >= 1 && m.i < m.j && static_cast<std::size_t>(m.j) <= s.size() &&
                      s[m.i - 1] == (m.add ? '.' : '(') && s[m.j - 1] == (m.add ? '.' : ')');
    if (!fits)
        throw std::invalid_argument("move " + std::to_string(k) + " does not fit structure " + std::to_string(k - 1));
    s[m.i - 1] = m.add ? '(' : '.';
    s[m.j - 1] = m.add ? ')' : '.';
    return s;
}

namespace {

// Row k of the table (the header for k == -1), `s` the structure before (see structure_at).
void table_row(const Path& p, long k, std::string& s, std::string& out) {
    if (k < 0) {
        out += "step\tmove\ti\tj\tstructure\tenergy_kcal_mol\n";
        return;
    }
    out += std::to_string(k);
    if (k == 0) {
        out += "\tstart\t\t";
    } else {
        const PathMove& m = p.moves[k - 1];
        out += std::string(m.add ? "\tadd\t" : "\tdel\t") + std::to_string(m.i) + "\t" + std::to_string(m.j);
    }
    out += "\t" + structure_at(p, static_cast<std::size_t>(k), s) + "\t" + kcal_text(p.energies[k]) + "\n";
}

}  // namespace

std::string path_table(const Path& p) {
    check_path(p);
    std::string out, s = p.structures[0];
    for (long k = -1; k < static_cast<long>(p.moves.size() + 1); ++k) table_row(p, k, s, out);
    return out;
}

namespace {

// Writes what `write` puts into the stream to a temporary file, then renames it to `file`.
template <class Writer>
void write_atomically(const std::string& file, const Writer& write) {
    // Same directory, so the rename never crosses file systems; the pid keeps parallel runs apart.
    const std::string tmp = file + ".tmp." + std::to_string(::getpid());
    {
        std::ofstream f(tmp, std::ios::out | std::ios::trunc | std::ios::binary);
        write(f);
        f.close();
        if (f.fail()) {
            std::remove(tmp.c_str());
            throw FatalError({"Can not write file " + tmp});
        }
    }
    if (std::rename(tmp.c_str(), file.c_str()) != 0) {
        const int err = errno;
        std::remove(tmp.c_str());
        throw FatalError({"Can not rename " + tmp + " to " + file + ": " + std::strerror(err)});
    }
}

}  // namespace

void write_file_atomically(const std::string& file, const std::string& text) {
    write_atomically(file, [&](std::ostream& f) { f << text; });
}

void write_path_files(const std::string& dir, const std::string& name, const std::string& sequence, const Path& p) {
    const std::string d = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    check_path(p);
    const std::string picture = path_svg(name, sequence, p);
    const std::string page = path_html(name, sequence, p);
    // The table row by row: a long path's table is as large as its structures.
    write_atomically(d + "path.tsv", [&](std::ostream& f) {
        std::string row, s = p.structures[0];
        for (long k = -1; k < static_cast<long>(p.moves.size() + 1); ++k) {
            row.clear();
            table_row(p, k, s, row);
            f << row;
        }
    });
    write_file_atomically(d + "path.svg", picture);
    write_file_atomically(d + "path.html", page);
}

}  // namespace pathout
