// Writes the path files of two synthetic paths into <dir>/nt1000 and <dir>/nt3000 and prints the
// size of each path.html: 1,000 nt, the direct path between two structures of 40-nt hairpins (735
// steps), and 3,000 nt, the same structures removed and added in turn for 5,000 steps. Energies
// are made up. Usage: path_html_bench <dir>; then bench/pathout/paint.py <dir> times the pages.
#include <sys/stat.h>

#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "pathout/pathout.h"

namespace {

// Hairpins of 15 pairs every 40 nt, starting at `offset`.
std::string hairpins(std::size_t n, std::size_t offset) {
    std::string s(n, '.');
    for (std::size_t h = offset; h + 40 <= n; h += 40)
        for (std::size_t k = 0; k < 15; ++k) s[h + k] = '(', s[h + 39 - k] = ')';
    return s;
}

// Partner of each position, or the position itself when unpaired.
std::vector<std::size_t> partners(const std::string& s) {
    std::vector<std::size_t> p(s.size()), open;
    for (std::size_t x = 0; x < s.size(); ++x) {
        p[x] = x;
        if (s[x] == '(') open.push_back(x);
        if (s[x] == ')') p[x] = open.back(), p[open.back()] = x, open.pop_back();
    }
    return p;
}

// The last structure's pairs that `to` lacks removed one by one, 5' first, then those of `to`
// added, up to `limit` steps in all.
void extend(pathout::Path& p, const std::string& to, std::size_t limit) {
    std::string s = p.structures.back();
    const std::vector<std::size_t> from = partners(s), goal = partners(to);
    for (std::size_t x = 0; x < s.size() && p.structures.size() <= limit; ++x)
        if (from[x] > x && goal[x] != from[x]) s[x] = s[from[x]] = '.', p.structures.push_back(s);
    for (std::size_t x = 0; x < s.size() && p.structures.size() <= limit; ++x)
        if (goal[x] > x && goal[x] != from[x]) s[x] = '(', s[goal[x]] = ')', p.structures.push_back(s);
}

void write(const std::string& dir, std::size_t n, std::size_t steps) {
    std::mt19937 g(static_cast<unsigned>(n));
    std::string seq(n, 'A');
    for (char& c : seq) c = "ACGU"[g() % 4];
    pathout::Path p;
    p.structures = {hairpins(n, 0)};
    for (int turn = 1; p.structures.size() <= steps; ++turn) extend(p, hairpins(n, turn % 2 ? 20 : 0), steps);
    for (std::size_t k = 0; k < p.structures.size(); ++k)
        p.energies.push_back(-0.1 * static_cast<double>(n) + 0.01 * static_cast<double>((k * 37) % 900));
    p.moves = pathout::moves_between(p.structures);
    ::mkdir(dir.c_str(), 0755);
    pathout::write_path_files(dir, "synthetic " + std::to_string(n) + " nt", seq, p);
    struct stat st {};
    ::stat((dir + "/path.html").c_str(), &st);
    std::cout << dir << "/path.html: " << n << " nt, " << p.moves.size() << " steps, " << st.st_size << " bytes\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: path_html_bench <dir>\n";
        return 1;
    }
    const std::string dir = argv[1];
    ::mkdir(dir.c_str(), 0755);
    write(dir + "/nt1000", 1000, 735);
    write(dir + "/nt3000", 3000, 5000);
    return 0;
}
