// The program: options, input and configuration, then the search. The only place that prints
// a fatal error (FatalError, thrown by everything below) and chooses the exit status.
#include <ctime>
#include <fstream>
#include <iostream>

#include "error/fatal_error.h"
#include "front/run.h"
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
    cf.selfcheck();

    std::ifstream in(infile.c_str());
    std::string name, seq, a, b;
    readin(in, name, seq, a, b);
    in.close();

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
