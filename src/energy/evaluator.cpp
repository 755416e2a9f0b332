#include "energy/evaluator.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>

#include "error/fatal_error.h"
#include "files/files.h"
#include "nnmodel/nnmodel.h"
#include "random/random_stream.h"

extern char** environ;

namespace {

// The process-wide choice (set on the main thread before a search starts) and the innermost
// scope of the calling thread.
std::shared_ptr<const EnergySetting> process_setting = std::make_shared<const EnergySetting>();
thread_local EnergyScope* current_scope = nullptr;

// Energies from the chosen parameters and dangle model (by default Turner 2004 and d1, the
// model the configured command uses). The encoded sequence is kept for the next call, since
// one search evaluates the same sequence over and over.
std::vector<double> builtinEnergies(const std::string& seq, const std::vector<std::string>& vs) {
    thread_local std::string encoded_for;
    thread_local std::optional<nnmodel::EncodedSequence> encoded;
    if (!encoded || encoded_for != seq) {
        encoded = nnmodel::encode_sequence(seq);
        encoded_for = seq;
    }
    const nnmodel::ParamSet& params = energy_params();
    const int dangles = energy_choice().dangles;
    std::vector<double> ve;
    ve.reserve(vs.size());
    std::vector<std::string> warnings;
    for (const std::string& s : vs) {
        warnings.clear();
        int dcal = 0;
        try {
            dcal = nnmodel::energy_dcal(params, *encoded, s, dangles, &warnings);
        } catch (const std::exception& e) {
            throw FatalError({"The built-in energy model failed on " + s + ": " + e.what()});
        }
        for (const std::string& w : warnings) std::cerr << w << '\n';
        ve.push_back(dcal / 100.0);
    }
    return ve;
}

// Runs the program directly, stdin from `in`, stdout to `out` (created or truncated).
// True only when it could be started and exited normally with status 0.
bool runCommand(const EvalCommand& c, const std::string& in, const std::string& out) {
    posix_spawn_file_actions_t fa;
    if (posix_spawn_file_actions_init(&fa) != 0) return false;
    posix_spawn_file_actions_addopen(&fa, STDIN_FILENO, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(c.program.c_str()));
    for (const std::string& a : c.args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int rc = posix_spawn(&pid, c.program.c_str(), &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) return false;

    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string tmpName(const std::string& pid, const int& r, const char* ext) {
    return "tmp_" + pid + "_" + std::to_string(r) + ext;
}

}  // namespace

EvalCommand parseRNAevalCmd(const std::string& prefix) {
    EvalCommand c;
    std::string p = prefix;
    for (;;) {
        while (!p.empty() && p.back() == ' ') p.pop_back();
        const std::string::size_type sp = p.rfind(' ');
        if (sp == std::string::npos || sp + 1 >= p.size() || p[sp + 1] != '-') break;
        c.args.insert(c.args.begin(), p.substr(sp + 1));
        p.erase(sp);
    }
    c.program = p;
    return c;
}

namespace {
std::atomic<long long> evaluated_count{0};
}

namespace {
std::mutex directories_lock;
std::vector<std::string> added_directories;
}

void add_parameter_directory(const std::string& dir) {
    const std::lock_guard<std::mutex> lock(directories_lock);
    added_directories.push_back(dir);
}

std::string find_parameter_file(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos || fexists(name.c_str())) return name;
    std::vector<std::string> dirs;
    {
        const std::lock_guard<std::mutex> lock(directories_lock);
        dirs = added_directories;
    }
    dirs.push_back(ZENTROLA_INSTALLED_DATA);
    dirs.push_back(ZENTROLA_SOURCE_DATA);
    for (const std::string& dir : dirs)
        for (const std::string& file : {name, name + ".par", "rna_" + name + ".par"}) {
            const std::string path = dir + "/" + file;
            if (fexists(path.c_str())) return path;
        }
    return name;
}

std::shared_ptr<const EnergySetting> make_energy_setting(const EnergyChoice& given) {
    if (given.dangles < 0 || given.dangles > 2)
        throw std::invalid_argument("the dangle model must be 0, 1 or 2, not " + std::to_string(given.dangles));
    EnergyChoice choice = given;
    choice.params_file = find_parameter_file(given.params_file);
    std::shared_ptr<const nnmodel::ParamSet> params;
    if (!choice.params_file.empty())
        params = std::make_shared<const nnmodel::ParamSet>(nnmodel::read_parameter_file(choice.params_file));
    // Rescaled once here, never per evaluation; 37 C keeps the set as read.
    if (choice.temperature != 37.0)
        params = std::make_shared<const nnmodel::ParamSet>(
            nnmodel::params_at(params ? *params : nnmodel::turner2004(), choice.temperature));
    return std::make_shared<const EnergySetting>(EnergySetting{choice, params});
}

EnergyScope::EnergyScope(std::shared_ptr<const EnergySetting> setting)
    : setting_(setting ? std::move(setting) : process_setting), saved_(current_scope) {
    current_scope = this;
}

EnergyScope::~EnergyScope() { current_scope = saved_; }

void set_energy_choice(const EnergyChoice& choice) {
    std::shared_ptr<const EnergySetting> s = make_energy_setting(choice);
    (current_scope ? current_scope->setting_ : process_setting) = std::move(s);
}

std::shared_ptr<const EnergySetting> current_energy_setting() {
    return current_scope ? current_scope->setting_ : process_setting;
}

const EnergySetting& current_setting() { return current_scope ? *current_scope->setting_ : *process_setting; }

const EnergyChoice& energy_choice() { return current_setting().choice; }

const nnmodel::ParamSet& energy_params() {
    const EnergySetting& s = current_setting();
    return s.params ? *s.params : nnmodel::turner2004();
}

long long evaluated_structures() { return evaluated_count; }

std::vector<double> getVSEnergy(const std::string& seq, const std::vector<std::string>& vs,
                                const std::string& cmdprefix) {
    evaluated_count.fetch_add(static_cast<long long>(vs.size()), std::memory_order_relaxed);
    if (cmdprefix.empty()) {
        // Same draw as the first temporary name, so both modes consume the stream alike.
        (void)next_random();
        return builtinEnergies(seq, vs);
    }

    const std::string pid = std::to_string(getpid());
    int r = next_random() % 10000 + 1;
    std::string in = tmpName(pid, r, ".in");
    std::string out = tmpName(pid, r, ".out");
    while (fexists(in.c_str()) || fexists(out.c_str())) {
        r = next_random() % 10000 + 1;
        in = tmpName(pid, r, ".in");
        out = tmpName(pid, r, ".out");
    }

    writeVS2file(in, seq, vs);

    const std::string cmd = cmdprefix + " < " + in + " > " + out;
    EvalCommand command = parseRNAevalCmd(cmdprefix);
    std::string shown = cmd;
    if (!energy_choice().params_file.empty()) {
        command.args.push_back("-P");
        command.args.push_back(energy_choice().params_file);
        shown = cmdprefix + " -P " + energy_choice().params_file + " < " + in + " > " + out;
    }
    if (!runCommand(command, in, out)) {
        throw FatalError({"The following command failed: " + shown});
    }

    std::vector<double> ve = readEnergyfromFile(out);
    if (ve.size() != vs.size()) {
        throw FatalError({"File " + out + " holds " + std::to_string(ve.size()) + " energy records for " +
                          std::to_string(vs.size()) + " structures sent"});
    }

    if (std::remove(in.c_str()) != 0) std::cerr << "Error deleting file " << in << std::endl;
    if (std::remove(out.c_str()) != 0) std::cerr << "Error deleting file " << out << std::endl;
    return ve;
}

void writeVS2file(const std::string& fname, const std::string& seq, const std::vector<std::string>& vs) {
    std::ofstream f(fname, std::ios::out | std::ios::trunc);
    for (const std::string& s : vs) f << seq << '\n' << s << '\n';
    f.close();
    if (f.fail()) {
        throw FatalError({"Can not write file " + fname});
    }
}

std::vector<double> readEnergyfromFile(const std::string& fname) {
    std::ifstream f(fname);
    if (!f) {
        throw FatalError({"Can not open file " + fname});
    }

    std::vector<double> ve;
    std::string line1, line2;
    while (!f.eof()) {
        std::getline(f, line1);
        if (f.eof() || f.fail()) break;
        std::getline(f, line2);

        // The structure is as long as the sequence; the energy follows it.
        std::string text = line2.size() > line1.size() ? line2.substr(line1.size()) : std::string();
        const std::string::size_type b = text.find_first_not_of(" (");
        const std::string::size_type e = text.find_last_not_of(" )");
        text = (b == std::string::npos) ? std::string() : text.substr(b, e - b + 1);

        const char* start = text.c_str();
        char* end = nullptr;
        const double v = text.empty() ? 0.0 : std::strtod(start, &end);
        if (text.empty() || end != start + text.size() || !std::isfinite(v)) {
            throw FatalError({"File " + fname + ": the energy of record " + std::to_string(ve.size() + 1) +
                              " is not a number: " + line2});
        }
        ve.push_back(v);
    }
    if (f.bad()) {
        throw FatalError({"Can not read file " + fname});
    }
    return ve;
}
