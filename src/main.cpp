// The program: options, input and configuration, then the search. The only place that prints
// a fatal error (FatalError, thrown by everything below) and chooses the exit status.
#include <ctime>
#include <fstream>
#include <iostream>

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
        best.structures = r.structures;
        for (int e : r.energies) best.energies.push_back(e / 100.0);
        for (const methods::Move& m : r.moves) best.moves.push_back({m.add, m.i + 1, m.j + 1});
        pathout::write_path_files(outdir, name, seq, best);
        return;
    }
    RPath problem(seq, a, b);
    const pathout::Path best = GenericAlgorithm(problem, outfile, logfile, outdir, cf);
    pathout::write_path_files(outdir, name, problem.sequence, best);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        run(argc, argv);
    } catch (const FatalError& e) {
        std::ostream& out = e.stream() == ErrorStream::out ? std::cout : std::cerr;
        for (const std::string& line : e.lines()) out << line << std::endl;
        return e.status();
    }
    return 0;
}
