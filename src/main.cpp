#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include "search/driver.h"
#include "front/run.h"
#include "methods/cli.h"
#include "random/random_stream.h"

int main(int argc, char** argv) {
    init_env(argc, argv);
    if (!seed_given) seed = static_cast<unsigned int>(std::time(nullptr));
    seed_random(seed);
    std::cout << "seed=" << seed << std::endl;

    cf.setConfig(configfile);
    if (method != "ea" && !cf.RNAevalCmd.empty()) {
        std::cout << "RNAeval (" << cf.RNAevalCmd << ") is not used by -m " << method
                  << ": energies come from the built-in model (d1)" << std::endl;
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
        opt.progress = &std::cerr;
        try {
            methods::run_for_cli(method, methods::Problem{seq, a, b}, opt, cf, {outfile, logfile, outdir}, std::cout);
        } catch (const std::exception& e) {
            std::cerr << "Error: " << e.what() << std::endl;
            return 1;
        }
        return 0;
    }
    RPath problem(seq, a, b);
    GenericAlgorithm(problem, outfile, logfile, outdir, cf);
    return 0;
}
