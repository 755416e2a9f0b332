#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include "energy/evaluator.h"
#include "search/driver.h"
#include "front/run.h"
#include "random/random_stream.h"

int main(int argc, char** argv) {
    init_env(argc, argv);
    if (!seed_given) seed = static_cast<unsigned int>(std::time(nullptr));
    seed_random(seed);
    std::cout << "seed=" << seed << std::endl;

    try {
        cf.setConfig(configfile);
        set_builtin_temperature(cf.TEMPERATURE);
    } catch (const std::exception& e) {
        std::cerr << e.what() << std::endl;
        return 1;
    }
    cf.selfcheck();

    std::ifstream in(infile.c_str());
    std::string name, seq, a, b;
    readin(in, name, seq, a, b);
    in.close();

    RPath problem(seq, a, b);
    GenericAlgorithm(problem, outfile, logfile, outdir, cf);
    return 0;
}
