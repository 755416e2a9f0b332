// Python module `zentrola`: energies of the built-in model and folding-path searches.
// Energies are in kcal/mol (exact two-decimal values from the model's integer dcal/mol);
// positions in moves are 1-based. Bad arguments raise ValueError naming the argument.
// Searches run on a thread of their own without the GIL; the calling thread checks for
// signals every 0.1 s and, on Ctrl-C, stops the search and raises KeyboardInterrupt. Each call
// has its own energy setting and random stream, so calls in several threads give what the
// same calls give one after the other.
#include <dlfcn.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <thread>
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

// A bad argument: ValueError "name: reason".
[[noreturn]] void bad(const std::string& name, const std::string& reason) {
    throw std::invalid_argument(name + ": " + reason);
}

std::string joined(const FatalError& e) {
    std::string text;
    for (const std::string& line : e.lines()) text += (text.empty() ? "" : " ") + line;
    return text;
}

// Exact two-decimal kcal/mol from a value that stands for integer dcal/mol.
double two_decimals(double kcal) { return std::round(kcal * 100.0) / 100.0; }

std::string checked_sequence(const std::string& sequence) {
    std::string seq = sequence;
    const std::string problem = check_sequence(seq, "sequence");
    if (!problem.empty()) throw std::invalid_argument(problem);
    return seq;
}

void check_structure_of(const std::string& seq, const std::string& structure, const std::string& name) {
    std::string warnings;
    const std::string problem = check_structure(seq, structure, name, warnings);
    if (!problem.empty()) throw std::invalid_argument(problem);
}

// Energy settings (dangles, parameter file, temperature), each made once per process and
// shared: a file is read and rescaled once.
std::shared_ptr<const EnergySetting> setting_for(int dangles, const std::optional<std::string>& params,
                                                 std::optional<double> temperature) {
    static std::mutex lock;
    static std::map<std::tuple<int, std::string, double>, std::shared_ptr<const EnergySetting>> made;
    if (dangles < 0 || dangles > 2) bad("dangles", "must be 0, 1 or 2, not " + std::to_string(dangles));
    EnergyChoice choice;
    choice.dangles = dangles;
    choice.params_file = params ? find_parameter_file(*params) : "";
    if (params && params->empty()) bad("params", "is empty (None is the compiled-in Turner 2004 set)");
    choice.temperature = temperature.value_or(37.0);
    if (!std::isfinite(choice.temperature) || choice.temperature < -273.15 || choice.temperature > 100)
        bad("temperature", "must be a number of degrees Celsius from -273.15 to 100");
    const auto key = std::make_tuple(choice.dangles, choice.params_file, choice.temperature);
    const std::lock_guard<std::mutex> hold(lock);
    auto it = made.find(key);
    if (it != made.end()) return it->second;
    try {
        return made.emplace(key, make_energy_setting(choice)).first->second;
    } catch (const std::exception& e) {
        bad("params", e.what());
    }
}

std::vector<double> energies_of(const std::string& sequence, const std::vector<std::string>& structures, int dangles,
                                const std::optional<std::string>& params, std::optional<double> temperature) {
    const std::string seq = checked_sequence(sequence);
    for (std::size_t k = 0; k < structures.size(); ++k)
        check_structure_of(seq, structures[k], structures.size() == 1 ? "structure" : "structures[" + std::to_string(k) + "]");
    const std::shared_ptr<const EnergySetting> setting = setting_for(dangles, params, temperature);
    const nnmodel::ParamSet& p = setting->params ? *setting->params : nnmodel::turner2004();
    py::gil_scoped_release release;
    const nnmodel::EncodedSequence s = nnmodel::encode_sequence(seq);
    std::vector<double> out;
    out.reserve(structures.size());
    for (const std::string& st : structures) out.push_back(nnmodel::energy_dcal(p, s, st, dangles) / 100.0);
    return out;
}

// The search's progress report goes to standard output; library calls keep it quiet. The
// first of the calls running at once silences the stream, the last gives it back.
struct NullBuffer : std::streambuf {
    int overflow(int c) override { return c; }
};
class QuietCout {
public:
    QuietCout() {
        const std::lock_guard<std::mutex> hold(lock());
        if (users()++ == 0) saved() = std::cout.rdbuf(&null());
    }
    ~QuietCout() {
        const std::lock_guard<std::mutex> hold(lock());
        if (--users() == 0) std::cout.rdbuf(saved());
    }

private:
    static std::mutex& lock() {
        static std::mutex m;
        return m;
    }
    static int& users() {
        static int n = 0;
        return n;
    }
    static std::streambuf*& saved() {
        static std::streambuf* b = nullptr;
        return b;
    }
    static NullBuffer& null() {
        static NullBuffer b;
        return b;
    }
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
    pathout::PathInfo info;  // method and energy model, for save()'s pictures
};

// The configuration file as -c reads it; its energy choice goes to the calling thread's scope.
Config read_config(const std::optional<std::string>& file) {
    Config c;
    if (!file) return c;
    if (file->empty() || !fexists(file->c_str())) bad("config", "can not open the file '" + *file + "'");
    QuietCout quiet;
    try {
        c.setConfig(*file);
    } catch (const FatalError& e) {
        bad("config", joined(e));
    }
    if (!c.RNAevalCmd.empty()) {
        const std::string program = parseRNAevalCmd(c.RNAevalCmd).program;
        if (!fexists(program.c_str())) bad("config", "can not find RNAeval at " + program);
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
    for (const double e : best.energies) r.energies.push_back(two_decimals(e));
    for (const pathout::PathMove& m : best.moves) r.moves.emplace_back(m.add ? "add" : "del", m.i, m.j);
    r.barrier = two_decimals(*std::max_element(r.energies.begin(), r.energies.end()) - r.energies.front());
    // Any path climbs at least from E(A) to E(B).
    r.lower_bound = two_decimals(std::max(0.0, r.energies.back() - r.energies.front()));
    r.status = r.barrier == r.lower_bound ? "optimal" : "bounded";
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
    r.barrier = m.barrier / 100.0;
    r.lower_bound = m.lower_bound / 100.0;
    r.status = m.status();
    r.stop = methods::stop_name(m.stop);
    return r;
}
#endif

// Runs work(cancel) on a thread of its own while the GIL is free. The calling thread wakes
// every 0.1 s to let Python handle signals; when a handler raises (KeyboardInterrupt on
// Ctrl-C), the search is told to stop, joined, and the Python error propagates.
template <class R>
R run_interruptible(const std::function<R(const std::atomic<bool>&)>& work) {
    std::atomic<bool> cancel{false};
    std::mutex m;
    std::condition_variable finished;
    bool done = false;
    std::optional<R> result;
    std::exception_ptr error;
    std::thread t([&] {
        try {
            result.emplace(work(cancel));
        } catch (...) {
            error = std::current_exception();
        }
        const std::lock_guard<std::mutex> hold(m);
        done = true;
        finished.notify_all();
    });
    bool interrupted = false;
    for (;;) {
        {
            py::gil_scoped_release release;
            std::unique_lock<std::mutex> hold(m);
            if (finished.wait_for(hold, std::chrono::milliseconds(100), [&] { return done; })) break;
        }
        if (PyErr_CheckSignals() != 0) {
            interrupted = true;
            cancel.store(true);
            break;
        }
    }
    {
        py::gil_scoped_release release;
        t.join();
    }
    if (interrupted) throw py::error_already_set();
    if (error) std::rethrow_exception(error);
    return std::move(*result);
}

PathResult find_path(const std::string& sequence, const std::string& a, const std::string& b,
                     const std::optional<std::string>& method_arg, double seconds, std::optional<long long> seed_arg,
                     std::optional<int> width, const std::optional<std::string>& config, std::optional<long long> memory_mib,
                     std::optional<int> dangles, const std::optional<std::string>& params,
                     std::optional<double> temperature) {
    const std::vector<std::string> offered = offered_methods();
    const std::string method = method_arg ? *method_arg : offered.front();
    if (std::find(offered.begin(), offered.end(), method) == offered.end()) {
        std::string list;
        for (const std::string& m : offered) list += (list.empty() ? "" : ", ") + m;
        bad("method", "unknown method '" + method + "'; this build offers: " + list);
    }
    if (!(seconds > 0) || !std::isfinite(seconds)) bad("seconds", "the time budget must be a positive number");
    if (seed_arg && (*seed_arg < 0 || *seed_arg > UINT_MAX))
        bad("seed", "must be an integer from 0 to " + std::to_string(UINT_MAX) + ", not " + std::to_string(*seed_arg));
    if (width && *width < 1) bad("width", "the beam width must be at least 1, not " + std::to_string(*width));
    if (memory_mib && *memory_mib < 1) bad("memory_mib", "the memory cap must be at least 1 MiB");
    const std::string seq = checked_sequence(sequence);
    check_structure_of(seq, a, "a");
    check_structure_of(seq, b, "b");
    // The energy arguments checked (and their setting made) before the search starts.
    if (dangles || params || temperature) setting_for(dangles.value_or(1), params, temperature);
    const unsigned int seed = seed_arg ? static_cast<unsigned int>(*seed_arg) : static_cast<unsigned int>(std::time(nullptr));

    return run_interruptible<PathResult>([&](const std::atomic<bool>& cancel) {
        // This call's own energy setting and random stream.
        const EnergyScope energy(setting_for(1, std::nullopt, std::nullopt));
        RandomStream stream(seed);
        const RandomScope random(stream);
        Config c = read_config(config);
        c.SAVEGENE = false;  // the scratch directory keeps only the result and log files
        const EnergyChoice& configured = energy_choice();
        const EnergyScope chosen(setting_for(dangles.value_or(configured.dangles),
                                             params ? params : (configured.params_file.empty()
                                                                    ? std::nullopt
                                                                    : std::optional<std::string>(configured.params_file)),
                                             temperature ? temperature : std::optional<double>(configured.temperature)));
        const EnergyChoice& used = energy_choice();
        const ScratchDir dir;
        const QuietCout quiet;
        const auto described = [&](PathResult r) {
            r.info = {method, r.status, r.lower_bound, pathout::params_name(used.params_file), used.dangles,
                      used.temperature};
            return r;
        };
#if ZENTROLA_HAS_METHODS
        if (method != "ea") {
            const methods::Problem pb{seq, a, b};
            methods::Options opt;
            opt.width = width.value_or(0);
            opt.seconds = seconds;
            if (memory_mib) opt.memory_mib = static_cast<std::size_t>(*memory_mib);
            opt.cancel = &cancel;
            if (method == "direct") return described(result_of(seq, methods::direct_exact_path(pb, opt)));
            if (method == "exact") return described(result_of(seq, methods::exact_path(pb, opt)));
            bool wrote = false;
            const methods::EvolutionFiles files{dir.path() + "result.txt", dir.path() + "log.txt", dir.path()};
            return described(result_of(seq, methods::combined_path(pb, opt, c, files, wrote)));
        }
#endif
        SearchHook hook;  // no seeds, no time limit: the plain search, but it can be stopped
        hook.cancel = &cancel;
        return described(result_of(seq, GenericAlgorithm(RPath(seq, a, b), dir.path() + "result.txt",
                                                         dir.path() + "log.txt", dir.path(), c, &hook)));
    });
}

// Parameter files installed beside the module: PREFIX/lib/pythonX.Y/site-packages/zentrola*.so
// and PREFIX/share/zentrola, as `cmake --install` and `pip install` put them.
void add_installed_parameter_directories() {
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&add_installed_parameter_directories), &info) && info.dli_fname) {
        const std::string so = info.dli_fname;
        add_parameter_directory(so.substr(0, so.rfind('/') + 1) + "../../../share/zentrola");
    }
    add_parameter_directory(py::module_::import("sys").attr("prefix").cast<std::string>() + "/share/zentrola");
}

}  // namespace

PYBIND11_MODULE(zentrola, m) {
    m.doc() =
        "Zentrola: lowest-barrier folding paths of RNA between two secondary structures, and free energies of the\n"
        "built-in nearest-neighbour model (Turner 2004, as RNAeval -d1 computes them).\n\n"
        "Energies are in kcal/mol, exact to two decimals. Sequences: A, C, G, U, T, N in any case (T pairs as U).\n"
        "Structures: balanced dot-bracket strings as long as the sequence, hairpins of at least 3 unpaired bases.\n"
        "Every bad argument raises ValueError naming it; nothing in the module ends Python. Searches release the\n"
        "GIL, stop on Ctrl-C (KeyboardInterrupt) and may run in several threads at once.";
    m.attr("__version__") = zentrola_version();
    add_installed_parameter_directories();

    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const FatalError& e) {
            PyErr_SetString(PyExc_ValueError, joined(e).c_str());
        } catch (const std::invalid_argument& e) {
            PyErr_SetString(PyExc_ValueError, e.what());
        } catch (const std::runtime_error& e) {
            PyErr_SetString(PyExc_ValueError, e.what());
        }
    });

    const char* energy_args =
        "dangles: 0, 1 or 2, the dangling-end model of RNAeval -d0, -d1, -d2.\n"
        "params: None (the compiled-in Turner 2004 set) or a parameter file in the ViennaRNA 2.0 format: a path,\n"
        "    or the name of a shipped or installed file ('andronescu2007', 'rna_turner1999.par'; also\n"
        "    'langdon2018', 'turner2004').\n"
        "temperature: degrees Celsius, -273.15 to 100 (None: 37); the parameters are rescaled.\n";
    m.def("energy",
          [](const std::string& sequence, const std::string& structure, int dangles,
             const std::optional<std::string>& params, std::optional<double> temperature) {
              return energies_of(sequence, {structure}, dangles, params, temperature)[0];
          },
          py::arg("sequence"), py::arg("structure"), py::arg("dangles") = 1, py::arg("params") = py::none(),
          py::arg("temperature") = py::none(),
          (std::string("energy(sequence, structure, dangles=1, params=None, temperature=None) -> float\n\n"
                       "Free energy (kcal/mol) of a dot-bracket structure of the sequence, as RNAeval -dN [-P params]\n"
                       "prints it. The sequence and the structure are checked as find_path checks them.\n") +
           energy_args)
              .c_str());
    m.def("path_energies", &energies_of, py::arg("sequence"), py::arg("structures"), py::arg("dangles") = 1,
          py::arg("params") = py::none(), py::arg("temperature") = py::none(),
          (std::string("path_energies(sequence, structures, dangles=1, params=None, temperature=None) -> list\n\n"
                       "Free energies (kcal/mol) of the structures (a list of dot-bracket strings), in order; each\n"
                       "is checked (a bad one is named 'structures[k]').\n") +
           energy_args)
              .c_str());

    py::class_<PathResult>(m, "PathResult",
                           "A folding path from A to B with its barrier and what is known about the best barrier.")
        .def_readonly("barrier", &PathResult::barrier, "highest energy on the path minus E(A), kcal/mol")
        .def_readonly("lower_bound", &PathResult::lower_bound,
                      "no path through the method's structures has a lower barrier (for direct: no direct path), "
                      "kcal/mol")
        .def_readonly("status", &PathResult::status, "'optimal' when the barrier is proved lowest, else 'bounded'")
        .def_readonly("stop", &PathResult::stop,
                      "why the search ended: 'proved', 'budget' or 'memory' (an interrupted call raises instead)")
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
                p.info = r.info;
                if (directory.empty()) bad("directory", "is empty");
                if (!fexists(directory.c_str()) && !make_directories(directory))
                    bad("directory", "can not create the output directory " + directory);
                pathout::write_path_files(directory, name, r.sequence, p);
            },
            py::arg("directory"), py::arg("name") = "",
            "save(directory, name='')\n\nWrites path.tsv (the path table of the command line), path.svg (the energy "
            "profile, titled with name) and path.html (the path viewer) into the directory, made if missing; each "
            "file is written whole or not at all.")
        .def("__repr__", [](const PathResult& r) {
            char buf[128];
            std::snprintf(buf, sizeof buf, "<PathResult barrier=%.2f lower_bound=%.2f status=%s steps=%zu>", r.barrier,
                          r.lower_bound, r.status.c_str(), r.moves.size());
            return std::string(buf);
        });

    m.attr("METHODS") = offered_methods();
    m.def("find_path", &find_path, py::arg("sequence"), py::arg("a"), py::arg("b"), py::arg("method") = py::none(),
          py::arg("seconds") = 60.0, py::arg("seed") = py::none(), py::arg("width") = py::none(),
          py::arg("config") = py::none(), py::arg("memory_mib") = py::none(), py::arg("dangles") = py::none(),
          py::arg("params") = py::none(), py::arg("temperature") = py::none(),
          (std::string(
               "find_path(sequence, a, b, method=None, seconds=60, seed=None, width=None, config=None,\n"
               "          memory_mib=None, dangles=None, params=None, temperature=None) -> PathResult\n\n"
               "Lowest-barrier folding path from structure a to structure b, one base pair added or deleted per\n"
               "step; the same search and numbers as the command line with the same seed and configuration.\n\n"
               "method: one of METHODS, by default the first ('auto' where the methods beside 'ea' are built in).\n"
               "    'direct': direct paths only (pairs shared by a and b stay, only pairs of a not in b deleted, of b\n"
               "        not in a added): a beam search, then a best-first search that proves the best direct path\n"
               "        when it ends within the budget (status 'optimal': no direct path has a lower barrier).\n"
               "    'exact': best-first search over all secondary structures of the sequence (canonical pairs\n"
               "        including G-U and G-T, hairpins of at least 3 unpaired bases, no crossing pairs; the pairs\n"
               "        of a and b always allowed). When it ends in time the optimum over that space is proved\n"
               "        (status 'optimal': no path through such structures has a lower barrier); otherwise the\n"
               "        best path known and the lower bound reached.\n"
               "    'auto': the beam of direct, then exact with the whole budget, pausing for the evolutionary\n"
               "        search when its bound stalls; unproved, the evolutionary search takes the rest. Its lower\n"
               "        bound is exact's: no path through exact's structures has a lower barrier.\n"
               "    'ea': the evolutionary search; its lower bound is max(0, E(b) - E(a)).\n"
               "seconds: time budget of direct, exact and auto (> 0).  width: beam width of direct, exact and auto (>= 1;\n"
               "    default 4 x base-pair distance).  memory_mib: cap of the search's tables, the paths it holds and\n"
               "    12 MiB for the program (default 4096; reaching it ends the search with stop 'memory'; a cap\n"
               "    below what the shortest path needs raises ValueError).  seed: integer 0 .. 2**32-1 that makes ea and\n"
               "    auto repeatable (default: the clock).  config: a configuration file, as -c (search settings,\n"
               "    DANGLES, ENERGYPARAMS, TEMPERATURE, THREADS).  dangles, params, temperature: as for energy(),\n"
               "    overriding the configuration.\n\n"
               "The search runs without the GIL; Ctrl-C stops it within a fraction of a second and raises\n"
               "KeyboardInterrupt. Bad arguments raise ValueError naming the argument ('b: the '(' at position 1 is\n"
               "never closed'). The result: barrier, lower_bound, status ('optimal' or 'bounded'), stop ('proved',\n"
               "'budget' or 'memory'), structures, energies (kcal/mol), moves ((kind, i, j), 1-based) and save().\n"))
              .c_str());
}
