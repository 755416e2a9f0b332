#include <cstdlib>
#include <ctime>
#include <exception>
#include <fstream>
#include <iostream>

#include "search/driver.h"
#include "front/run.h"
#include "pathout/pathout.h"
#include "random/random_stream.h"
#include "version/version.h"

int main(int argc, char** argv) {
    try {
        init_env(argc, argv);
        if (version_requested) {
            std::cout << version_text();
            return 0;
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
    } catch (const std::exception& e) {
        std::cout.flush();
        std::cerr << e.what() << std::endl;
        return 1;
    }
    return 0;
}
