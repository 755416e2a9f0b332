// Python module `zentrola`: energies of the built-in model and folding-path searches.
// Energies are in kcal/mol; positions in moves are 1-based. Errors raise ValueError.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <tuple>
#include <vector>

#include "energy/evaluator.h"
#include "error/fatal_error.h"
#include "files/files.h"
#include "front/config.h"
#include "front/run.h"
#include "nnmodel/nnmodel.h"
#include "pathout/pathout.h"
#include "random/random_stream.h"
#include "search/driver.h"
#include "version/version.h"

// The methods beside the evolutionary search, where this tree has them.
#if __has_include("methods/combined.h")
#include "methods/combined.h"
#define ZENTROLA_HAS_METHODS 1
#else
#define ZENTROLA_HAS_METHODS 0
#endif

namespace py = pybind11;

namespace {

// Parameter files read once per path; the compiled-in set for None.
const nnmodel::ParamSet& params_for(const std::optional<std::string>& file) {
    static std::map<std::string, nnmodel::ParamSet> read;
    if (!file) return nnmodel::turner2004();
    auto it = read.find(*file);
    if (it == read.end()) it = read.emplace(*file, nnmodel::read_parameter_file(*file)).first;
    return it->second;
}

std::vector<double> energies_of(const std::string& sequence, const std::vector<std::string>& structures, int dangles,
                                const std::optional<std::string>& params) {
    if (dangles < 0 || dangles > 2)
        throw std::invalid_argument("dangles must be 0, 1 or 2, not " + std::to_string(dangles));
    const nnmodel::ParamSet& p = params_for(params);
    const nnmodel::EncodedSequence s = nnmodel::encode_sequence(sequence);
    std::vector<double> out;
    out.reserve(structures.size());
    for (const std::string& st : structures) out.push_back(nnmodel::energy_dcal(p, s, st, dangles) / 100.0);
    return out;
}

// The search's progress report goes to standard output; a library call keeps it quiet.
struct NullBuffer : std::streambuf {
    int overflow(int c) override { return c; }
};
class QuietCout {
public:
    QuietCout() : saved_(std::cout.rdbuf(&null_)) {}
    ~QuietCout() { std::cout.rdbuf(saved_); }

private:
    NullBuffer null_;
    std::streambuf* saved_;
};

// A scratch output directory, removed with its files.
class ScratchDir {
public:
    ScratchDir() {
        char tmpl[] = "/tmp/zentrola_py_XXXXXX";
        if (!::mkdtemp(tmpl)) throw std::runtime_error("can not make a temporary directory");
        path_ = std::string(tmpl) + "/";
    }
    ~ScratchDir() {
        for (const char* f : {"result.txt", "log.txt"}) std::remove((path_ + f).c_str());
        ::rmdir(path_.c_str());
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

struct PathResult {
    std::string sequence;
    double barrier = 0;
    double lower_bound = 0;
    std::string status;
    std::string stop;
    std::vector<std::string> structures;
    std::vector<double> energies;
    std::vector<std::tuple<std::string, int, int>> moves;
};

Config read_config(const std::optional<std::string>& file) {
    Config c;
    if (!file) {
        set_energy_choice(EnergyChoice());
        return c;
    }
    QuietCout quiet;
    c.setConfig(*file);
    if (!c.RNAevalCmd.empty()) {
        const std::string program = parseRNAevalCmd(c.RNAevalCmd).program;
        if (!fexists(program.c_str())) throw std::invalid_argument("Can not find RNAeval at " + program);
    }
    return c;
}

// The methods find_path offers, the default first.
std::vector<std::string> offered_methods() {
#if ZENTROLA_HAS_METHODS
    return {"auto", "direct", "exact", "ea"};
#else
    return {"ea"};
#endif
}

PathResult result_of(const std::string& seq, const pathout::Path& best) {
    PathResult r;
    r.sequence = seq;
    r.structures = best.structures;
    r.energies = best.energies;
    for (const pathout::PathMove& m : best.moves) r.moves.emplace_back(m.add ? "add" : "del", m.i, m.j);
    r.barrier = pathout::barrier(best);
    // Any path climbs at least from E(A) to E(B).
    r.lower_bound = std::max(0.0, best.energies.back() - best.energies.front());
    r.status = std::lround(r.barrier * 100) == std::lround(r.lower_bound * 100) ? "optimal" : "bounded";
    r.stop = r.status == "optimal" ? "proved" : "budget";
    return r;
}

#if ZENTROLA_HAS_METHODS
PathResult result_of(const std::string& seq, const methods::PathResult& m) {
    PathResult r;
    r.sequence = seq;
    r.structures = m.structures;
    for (const int e : m.energies) r.energies.push_back(e / 100.0);
    for (const methods::Move& x : m.moves) r.moves.emplace_back(x.add ? "add" : "del", x.i + 1, x.j + 1);
    r.barrier = m.barrier_kcal();
    r.lower_bound = m.lower_bound_kcal();
    r.status = m.status();
    r.stop = methods::stop_name(m.stop);
    return r;
}
#endif

PathResult find_path(const std::string& sequence, const std::string& a, const std::string& b,
                     const std::optional<std::string>& method_arg, double seconds, std::optional<unsigned int> seed,
                     std::optional<int> width, const std::optional<std::string>& config) {
    const std::vector<std::string> offered = offered_methods();
    const std::string method = method_arg ? *method_arg : offered.front();
    if (std::find(offered.begin(), offered.end(), method) == offered.end()) {
        std::string list;
        for (const std::string& m : offered) list += (list.empty() ? "" : ", ") + m;
        throw std::invalid_argument("Unknown method " + method + "; this build offers: " + list);
    }
    if (!(seconds > 0)) throw std::invalid_argument("The time budget must be positive");
    if (width && *width < 1) throw std::invalid_argument("The width must be at least 1");
    std::string seq = sequence;
    std::string warnings;
    const std::string problem = check_input(seq, a, b, warnings);
    if (!problem.empty()) throw std::invalid_argument(problem);

    Config c = read_config(config);
    c.SAVEGENE = false;  // the scratch directory keeps only the result and log files
    seed_random(seed ? *seed : static_cast<unsigned int>(std::time(nullptr)));
    const ScratchDir dir;
    QuietCout quiet;
#if ZENTROLA_HAS_METHODS
    if (method != "ea") {
        const methods::Problem pb{seq, a, b};
        methods::Options opt;
        opt.width = width.value_or(0);
        opt.seconds = seconds;
        if (method == "direct") return result_of(seq, methods::direct_exact_path(pb, opt));
        if (method == "exact") return result_of(seq, methods::exact_path(pb, opt));
        bool wrote = false;
        const methods::EvolutionFiles files{dir.path() + "result.txt", dir.path() + "log.txt", dir.path()};
        return result_of(seq, methods::combined_path(pb, opt, c, files, wrote));
    }
#endif
    return result_of(
        seq, GenericAlgorithm(RPath(seq, a, b), dir.path() + "result.txt", dir.path() + "log.txt", dir.path(), c));
}

}  // namespace

PYBIND11_MODULE(zentrola, m) {
    m.doc() = "Zentrola: lowest-barrier folding paths of RNA and nearest-neighbour energies (kcal/mol).";
    m.attr("__version__") = zentrola_version();

    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const FatalError& e) {
            // The lines the command line would print, whatever its stream and status.
            std::string text;
            for (const std::string& line : e.lines()) text += (text.empty() ? "" : "\n") + line;
            PyErr_SetString(PyExc_ValueError, text.c_str());
        } catch (const std::invalid_argument& e) {
            PyErr_SetString(PyExc_ValueError, e.what());
        } catch (const std::runtime_error& e) {
            PyErr_SetString(PyExc_ValueError, e.what());
        }
    });

    m.def(
        "energy",
        [](const std::string& sequence, const std::string& structure, int dangles,
           const std::optional<std::string>& params) { return energies_of(sequence, {structure}, dangles, params)[0]; },
        py::arg("sequence"), py::arg("structure"), py::arg("dangles") = 1, py::arg("params") = py::none(),
        "Free energy (kcal/mol) of a dot-bracket structure, as RNAeval -dN [-P params] prints it.");
    m.def("path_energies", &energies_of, py::arg("sequence"), py::arg("structures"), py::arg("dangles") = 1,
          py::arg("params") = py::none(), "Free energies (kcal/mol) of the structures, in order.");

    py::class_<PathResult>(m, "PathResult")
        .def_readonly("barrier", &PathResult::barrier, "highest energy on the path minus E(A), kcal/mol")
        .def_readonly("lower_bound", &PathResult::lower_bound, "no path has a lower barrier, kcal/mol")
        .def_readonly("status", &PathResult::status, "'optimal' when the barrier is proved lowest, else 'bounded'")
        .def_readonly("stop", &PathResult::stop,
                      "why the search ended: 'proved', 'budget', 'memory' or 'interrupted'")
        .def_readonly("structures", &PathResult::structures, "dot-bracket structures from A to B")
        .def_readonly("energies", &PathResult::energies, "energy of each structure, kcal/mol")
        .def_readonly("moves", &PathResult::moves, "(kind, i, j) per step: 'add' or 'del', 1-based positions")
        .def_readonly("sequence", &PathResult::sequence, "the sequence, upper case")
        .def(
            "save",
            [](const PathResult& r, const std::string& directory, const std::string& name) {
                pathout::Path p;
                p.structures = r.structures;
                p.energies = r.energies;
                p.moves = pathout::moves_between(r.structures);
                if (!fexists(directory.c_str()) && !make_directories(directory))
                    throw std::invalid_argument("Can not create the output directory " + directory);
                pathout::write_path_files(directory, name, r.sequence, p);
            },
            py::arg("directory"), py::arg("name") = "",
            "Writes path.tsv and path.svg (the energy profile) into the directory, made if missing.")
        .def("__repr__", [](const PathResult& r) {
            char buf[96];
            std::snprintf(buf, sizeof buf, "<PathResult barrier=%.2f lower_bound=%.2f status=%s steps=%zu>", r.barrier,
                          r.lower_bound, r.status.c_str(), r.moves.size());
            return std::string(buf);
        });

    m.attr("METHODS") = offered_methods();
    m.def("find_path", &find_path, py::arg("sequence"), py::arg("a"), py::arg("b"), py::arg("method") = py::none(),
          py::arg("seconds") = 60.0, py::arg("seed") = py::none(), py::arg("width") = py::none(),
          py::arg("config") = py::none(),
          "Lowest-barrier folding path from structure a to b. method: one of METHODS, by default the first "
          "('auto' where the methods beside the evolutionary search 'ea' are built in); seconds: the budget of "
          "exact and auto; width: the beam width of direct and auto; seed makes the run repeatable; config "
          "names a configuration file as -c does.");
}
