#include "methods/cli.h"

#include "methods/common.h"

#include <cstdio>
#include <ctime>
#include <fstream>
#include <ostream>
#include <stdexcept>

#include "nnmodel/nnmodel.h"
#include "version/version.h"

namespace methods {
namespace {

std::string now_asctime() {
    const std::time_t t = std::time(nullptr);
    return std::asctime(std::localtime(&t));
}

std::ofstream open_for_writing(const std::string& path) {
    std::ofstream f(path.c_str());
    if (!f.good()) throw std::runtime_error("can not write to the file " + path);
    return f;
}

// barrier=B lower_bound=L status=S stop=R
std::string summary_line(const PathResult& r) {
    char line[160];
    std::snprintf(line, sizeof line, "barrier=%.2f lower_bound=%.2f status=%s stop=%s", r.barrier_kcal(),
                  r.lower_bound_kcal(), r.status(), stop_name(r.stop));
    return line;
}

}  // namespace

void print_path(std::ostream& out, const std::string& sequence, const PathResult& r) {
    out << "the barrier energy is " << r.barrier_kcal() << std::endl << sequence << std::endl;
    std::string s = r.structures.front();  // A alone kept: the others from the moves
    for (std::size_t k = 0; k < r.energies.size(); ++k) {
        if (k > 0 && r.structures.size() == 1) {
            const Move& m = r.moves[k - 1];
            s[m.i] = m.add ? '(' : '.';
            s[m.j] = m.add ? ')' : '.';
        }
        out << (r.structures.size() == 1 ? s : r.structures[k]) << "   (" << r.energies[k] / 100.0 << ")\n";
    }
    out.flush();
}

void print_moves(std::ostream& out, const PathResult& r) {
    out << "moves (1-based positions in the sequence):";
    for (const Move& m : r.moves) out << ' ' << (m.add ? "add" : "del") << ' ' << m.i + 1 << ' ' << m.j + 1 << ';';
    out << std::endl;
}

PathResult run_for_cli(const std::string& method, const Problem& pb, const Options& opt, const SearchConfig& cf,
                       const EvolutionFiles& files, std::ostream& out) {
    const std::string started = now_asctime();
    model_params();  // parsed once per process: the times printed are the search's own
    const std::clock_t cpu0 = std::clock();
    PathResult r;
    bool wrote_files = false;
    // exact and auto end early enough for the path to be written within the budget (direct
    // keeps that time itself).
    Options own = opt;
    own.seconds = std::max(opt.seconds / 10, opt.seconds - path_write_seconds(pb));
    if (method == "direct")
        r = direct_exact_path(pb, opt);
    else if (method == "exact")
        r = exact_path(pb, own);
    else if (method == "auto")
        r = combined_path(pb, own, cf, files, wrote_files);
    else
        throw std::invalid_argument("unknown method " + method);
    const double cpu = static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC;

    if (!wrote_files) {
        std::ofstream result = open_for_writing(files.outfile);
        std::ofstream log = open_for_writing(files.logfile);
        result << started << std::endl << "0\t" << r.barrier_kcal() << std::endl << now_asctime() << std::endl;
        log << "zentrola " << zentrola_version() << std::endl
            << "Sequence & A & B (original):" << std::endl
            << pb.sequence << std::endl
            << pb.A << std::endl
            << pb.B << std::endl;
        if (r.proved)
            log << "Here is the optimal folding pathway of the " << method << " search, ";
        else
            log << "Here is the best path found by the " << method << " search, ";
        print_path(log, pb.sequence, r);
        if (r.proved)
            log << "The optimal folding pathways has barrier energy " << r.barrier_kcal() << "." << std::endl;
        else
            log << "The best path found has barrier energy " << r.barrier_kcal() << "." << std::endl;
        log << summary_line(r) << std::endl;
        if (!result.good() || !log.good()) throw std::runtime_error("can not write the result or log file");
    }
    print_path(out, pb.sequence, r);
    print_moves(out, r);
    char line[160];
    std::snprintf(line, sizeof line, "%s: %.4f s (cpu %.4f s), %zu structures stored, %.1f MiB", method.c_str(),
                  r.seconds, cpu, r.states, r.peak_bytes / 1048576.0);
    out << line << std::endl;
    out << summary_line(r) << std::endl;
    return r;
}

}  // namespace methods
