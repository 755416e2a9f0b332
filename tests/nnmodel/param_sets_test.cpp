// The shipped parameter sets and other temperatures, in-process and through the command: every
// reference row of each file (RNAeval 2.7.1 with -P FILE -dN), the reference table at 10, 25, 50
// and 70 C (-T), every file at 50 C against a plain rescaling of its text, and 37 C left exactly
// as read.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "nnmodel/nnmodel.h"
#include "run_command.h"
#include "text.h"

namespace {

struct Row {
    std::string seq, structure;
    std::vector<std::string> printed;  // by column: d0 d1 d2, or T10_d0 ... T70_d2
};

std::vector<Row> load_rows(const std::string& file) {
    std::vector<Row> rows;
    for (const auto& f : read_tsv(std::string(NNMODEL_TEST_DATA_DIR) + "/" + file))
        rows.push_back({f[0], f[1], std::vector<std::string>(f.begin() + 2, f.end())});
    EXPECT_EQ(rows.size(), 2000u);
    return rows;
}

std::string printed(const nnmodel::ParamSet& p, const Row& r, int dangles) {
    std::string s =
        nnmodel::format_energy(nnmodel::energy_dcal(p, nnmodel::encode_sequence(r.seq), r.structure, dangles));
    return s.substr(s.find_first_not_of(' '));
}

// Runs RNAeval -d<dangles> <args> on the records of rows and checks every printed energy,
// and the in-process one of p, against want(row).
void expect_rows(const std::vector<Row>& rows, int dangles, const std::string& args, const nnmodel::ParamSet& p,
                 const std::function<std::string(const Row&)>& want) {
    const std::string dir = make_scratch_dir("param_sets");
    std::string records;
    for (const Row& r : rows) records += r.seq + '\n' + r.structure + '\n';
    write_file(dir + "/in", records);
    const std::string cmd = std::string("'") + RNAEVAL_EXE + "' -d" + std::to_string(dangles) + " " + args + " < in";
    const CommandResult c = run_in(dir, cmd);
    EXPECT_EQ(c.status, 0) << cmd;
    const std::vector<std::string> out = lines_of(c.out);
    ASSERT_EQ(out.size(), 2 * rows.size()) << cmd;
    int wrong = 0;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const std::string& line = out[2 * k + 1];
        const std::size_t open = line.find_first_not_of(' ', line.rfind('(') + 1);
        const std::string by_command = line.substr(open, line.size() - 1 - open);
        const std::string w = want(rows[k]), in_process = printed(p, rows[k], dangles);
        if ((by_command != w || in_process != w) && ++wrong <= 3)
            ADD_FAILURE() << cmd << ": command " << by_command << ", in-process " << in_process << ", expected " << w
                          << "\n  " << rows[k].seq << "\n  " << rows[k].structure;
    }
    EXPECT_EQ(wrong, 0) << cmd;
    remove_scratch_dir(dir);
}

TEST(ParamSets, EveryShippedFileGivesEveryReferenceRow) {
    for (const char* name : {"rna_turner1999", "rna_andronescu2007", "rna_langdon2018"}) {
        const std::vector<Row> rows = load_rows(std::string("params/") + name + ".tsv");
        const std::string path = std::string(NNMODEL_DATA_DIR) + "/" + name + ".par";
        for (int d = 0; d < 3; ++d)
            expect_rows(rows, d, "-P '" + path + "'", nnmodel::read_parameter_file(path),
                        [&](const Row& r) { return r.printed[d]; });
    }
}

TEST(Temperature, ReferenceTableInProcessAndByTheCommand) {
    const std::vector<Row> rows = load_rows("temperature.tsv");
    const int temperatures[] = {10, 25, 50, 70};
    for (int t = 0; t < 4; ++t) {
        const nnmodel::ParamSet p = nnmodel::turner2004_at(temperatures[t]);
        for (int d = 0; d < 3; ++d)
            expect_rows(rows, d, "-T " + std::to_string(temperatures[t]), p,
                        [&](const Row& r) { return r.printed[3 * t + d]; });
    }
}

// A plain reading of the rescaling: the file's text with every free energy g replaced by
// trunc(h - (h - g) * T / 310.15 K), h the enthalpy at the same place, one value per line.
std::string rescaled_text(const std::string& path, double celsius) {
    std::ifstream in(path);
    std::map<std::string, std::vector<std::string>> tokens;
    std::vector<std::string> order;
    std::string line, name, tok;
    std::getline(in, line);
    while (std::getline(in, line)) {
        if (line[0] == '#') {
            std::istringstream(line.substr(1)) >> name;
            order.push_back(name);
            continue;
        }
        const std::size_t c = line.find("/*");
        if (c != std::string::npos) line.erase(c, line.find("*/") + 2 - c);
        std::istringstream words(line);
        while (words >> tok) tokens[name].push_back(tok);
    }
    const double f = (celsius + 273.15) / 310.15;
    auto num = [](const std::string& s) { return s == "INF" ? 10000000 : std::atoi(s.c_str()); };
    auto at = [&](const std::string& g, const std::string& h) {
        return std::to_string(static_cast<int>(num(h) - (num(h) - num(g)) * f));
    };
    std::string out = "## RNAfold parameter file v2.0\n";
    for (const std::string& s : order) {
        const std::vector<std::string>& g = tokens[s];
        if (s == "END" || s.find("_enthalpies") != std::string::npos) continue;
        out += "# " + s + "\n";
        if (s == "Triloops" || s == "Tetraloops" || s == "Hexaloops") {
            for (std::size_t k = 0; k + 2 < g.size(); k += 3) out += g[k] + " " + at(g[k + 1], g[k + 2]) + " 0\n";
            out += "\n";
        } else if (s == "ML_params" || s == "NINIO" || s == "Misc") {
            const std::size_t pairs = s == "ML_params" ? 3 : s == "NINIO" ? 1 : 2;
            for (std::size_t k = 0; k < pairs; ++k) out += at(g[2 * k], g[2 * k + 1]) + " 0\n";
            if (s == "NINIO") out += g[2] + "\n";  // the cap has no enthalpy
        } else {
            const std::vector<std::string>& h = tokens[s + "_enthalpies"];
            EXPECT_EQ(g.size(), h.size()) << path << " " << s;
            for (std::size_t k = 0; k < g.size() && k < h.size(); ++k) out += at(g[k], h[k]) + "\n";
        }
    }
    return out;
}

bool canonical_pairs_only(const Row& r) {
    std::vector<int> open;
    for (std::size_t k = 0; k < r.structure.size(); ++k) {
        if (r.structure[k] == '(') open.push_back(static_cast<int>(k));
        if (r.structure[k] != ')') continue;
        const std::string pair = {r.seq[open.back()], r.seq[k]};
        open.pop_back();
        if (!std::strstr("AU UA GC CG GU UG", pair.c_str())) return false;
    }
    return true;
}

// The int22 slots of non-standard pairs are derived before rescaling, which a rescaled file
// cannot express; so this comparison keeps to structures of canonical pairs.
TEST(Temperature, ShippedFilesAt50CAgreeWithAPlainRescaling) {
    std::vector<Row> rows;
    for (const Row& r : load_rows("temperature.tsv"))
        if (canonical_pairs_only(r)) rows.push_back(r);
    ASSERT_GT(rows.size(), 1500u);
    for (const char* name : {"rna_turner2004", "rna_turner1999", "rna_andronescu2007", "rna_langdon2018"}) {
        const std::string path = std::string(NNMODEL_DATA_DIR) + "/" + name + ".par";
        std::istringstream text(rescaled_text(path, 50));
        nnmodel::ParamSet plain = nnmodel::read_parameter_file(text);
        plain.lxc = nnmodel::kLxc37 * (50 + 273.15) / 310.15;
        for (int L = nnmodel::kMaxLoop + 1; L < nnmodel::kGrowthLengths; ++L)
            plain.loop_growth[L] = static_cast<int>(plain.lxc * std::log(L / 30.0));
        const nnmodel::ParamSet p = nnmodel::params_at(nnmodel::read_parameter_file(path), 50);
        for (int d = 0; d < 3; ++d)
            expect_rows(rows, d, "-T50 -P '" + path + "'", p, [&](const Row& r) { return printed(plain, r, d); });
    }
}

// Every value from the first table to the last scalar, as raw bytes.
std::string table_bytes(const nnmodel::ParamSet& p) {
    const char* b = reinterpret_cast<const char*>(&p.stack);
    return std::string(b, reinterpret_cast<const char*>(&p.terminal_au + 1) - b);
}

TEST(Temperature, At37CEverySetIsExactlyAsRead) {
    for (const char* name : {"rna_turner2004", "rna_turner1999", "rna_andronescu2007", "rna_langdon2018"}) {
        const nnmodel::ParamSet read =
            nnmodel::read_parameter_file(std::string(NNMODEL_DATA_DIR) + "/" + name + ".par");
        const nnmodel::ParamSet at37 = nnmodel::params_at(read, 37);
        EXPECT_TRUE(table_bytes(at37) == table_bytes(read)) << name;
        EXPECT_EQ(at37.lxc, nnmodel::kLxc37);
        EXPECT_EQ(0, std::memcmp(at37.loop_growth, read.loop_growth, sizeof read.loop_growth)) << name;
        for (std::size_t k = 0; k < read.tetraloops.size(); ++k)
            EXPECT_EQ(at37.tetraloops[k].energy, read.tetraloops[k].energy) << name;
    }
}

TEST(Temperature, OutOfRangeIsAnErrorInProcessAndStatus1ByTheCommand) {
    for (double t : {std::nan(""), -273.16, 100.01, HUGE_VAL})
        EXPECT_THROW(nnmodel::turner2004_at(t), std::invalid_argument) << t;
    for (double t : {-273.15, 100.0}) EXPECT_NO_THROW(nnmodel::turner2004_at(t)) << t;
    for (const char* arg : {"-T abc", "-T 101", "--temp=-274", "-T", "-T 50x", "-T nan"}) {
        const std::string cmd = std::string("echo | '") + RNAEVAL_EXE + "' " + arg + " > /dev/null 2>&1";
        const int raw = std::system(cmd.c_str());
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 1) << arg;
    }
}

}  // namespace
