#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>

#include "search/driver.h"
#include "front/run.h"
#include "random/random_stream.h"

int main(int argc, char** argv) {
    init_env(argc, argv);
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
    GenericAlgorithm(problem, outfile, logfile, outdir, cf);
    return 0;
}
