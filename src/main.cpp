// The program: options, input and configuration, then the search. The only place that prints
// a fatal error (FatalError, thrown by everything below) and chooses the exit status.
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <ctime>
#include <fstream>
#include <string>
#include <iostream>
#include <utility>

#include "energy/evaluator.h"
#include "error/fatal_error.h"
#include "front/run.h"
#include "methods/cli.h"
#include "model/problem.h"
#include "pathout/pathout.h"
#include "random/random_stream.h"
#include "search/driver.h"
#include "version/version.h"

namespace {

// SIGINT or SIGTERM during direct, exact or auto: the search stops at its next check, the best
// path known is written as usual, and the status tells the signal (128 + its number).
std::atomic<bool> interrupted{false};
volatile std::sig_atomic_t interrupting_signal = 0;
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");

extern "C" void on_signal(int sig) {
    interrupting_signal = sig;
    interrupted.store(true, std::memory_order_relaxed);
}

void catch_interruptions() {
    struct sigaction sa = {};
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

void run(int argc, char** argv) {
    init_env(argc, argv);
    if (version_requested) {
        std::cout << version_text();
        return;
    }
    if (!seed_given) seed = static_cast<unsigned int>(std::time(nullptr));
    seed_random(seed);
    std::cout << "seed=" << seed << std::endl;

    cf.setConfig(configfile);
    if (threads_option > 0) cf.THREADS = threads_option;
    if (method != "ea" && !cf.RNAevalCmd.empty()) {
        std::cout << "RNAeval (" << cf.RNAevalCmd << ") is not used by -m " << method
                  << ": energies come from the built-in model" << std::endl;
        cf.RNAevalCmd.clear();
    }
    cf.selfcheck();

    std::ifstream in(infile.c_str());
    std::string name, seq, a, b;
    readin(in, name, seq, a, b);
    in.close();

    if (method != "ea") {
        methods::Options opt;
        opt.width = beam_width;
        opt.seconds = budget_seconds;
        opt.memory_mib = static_cast<std::size_t>(memory_mib);
        opt.threads = cf.THREADS;
        opt.progress = &std::cerr;
        opt.cancel = &interrupted;
        opt.keep_structures = false;  // a long path's structures are written from its moves
        catch_interruptions();
        methods::PathResult r;
        try {
            r = methods::run_for_cli(method, methods::Problem{seq, a, b}, opt, cf, {outfile, logfile, outdir},
                                     std::cout);
        } catch (const FatalError&) {
            throw;
        } catch (const std::exception& e) {
            throw FatalError({std::string("Error: ") + e.what()});
        }
        pathout::Path best;
        best.structures = std::move(r.structures);  // A alone: the files replay the moves
        for (int e : r.energies) best.energies.push_back(e / 100.0);
        for (const methods::Move& m : r.moves) best.moves.push_back({m.add, m.i + 1, m.j + 1});
        best.info = {r.method, r.status(), r.lower_bound_kcal(), pathout::params_name(cf.ENERGYPARAMS), cf.DANGLES,
                     cf.TEMPERATURE};
        pathout::write_path_files(outdir, name, seq, best);
        if (r.stop == methods::StopReason::interrupted) {
            const int sig = interrupting_signal ? interrupting_signal : SIGINT;
            throw FatalError({std::string("Stopped by ") + (sig == SIGTERM ? "SIGTERM" : "SIGINT") +
                              ": the files hold the best path known"},
                             ErrorStream::err, 128 + sig);
        }
        return;
    }
    RPath problem(seq, a, b);
    pathout::Path best = GenericAlgorithm(problem, outfile, logfile, outdir, cf);
    best.info = {"ea", "", std::nullopt, pathout::params_name(cf.ENERGYPARAMS), cf.DANGLES, cf.TEMPERATURE};
    pathout::write_path_files(outdir, name, problem.sequence, best);
}

}  // namespace

int main(int argc, char** argv) {
    // Parameter files installed beside the program (PREFIX/bin/zentrola, PREFIX/share/zentrola).
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n > 0) {
        const std::string path(exe, static_cast<std::size_t>(n));
        add_parameter_directory(path.substr(0, path.rfind('/')) + "/../share/zentrola");
    }
    try {
        run(argc, argv);
    } catch (const FatalError& e) {
        std::ostream& out = e.stream() == ErrorStream::out ? std::cout : std::cerr;
        for (const std::string& line : e.lines()) out << line << std::endl;
        return e.status();
    }
    return 0;
}
