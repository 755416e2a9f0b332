#include "search/reports.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <iostream>

#include "energy/report.h"
#include "error/fatal_error.h"
#include "files/files.h"

void open_run_files(RunFiles& files, const std::string& outfile, const std::string& logfile,
                    const std::string& outdir) {
    files.result.open(outfile.c_str());
    files.log.open(logfile.c_str());
    if (!files.result.good() || !files.log.good())
        throw FatalError({"iostream error: can not write to either file " + outfile + " or " + logfile});
    files.gendir = outdir + "generation/";
}

std::string now_asctime() {
    const std::time_t t = std::time(nullptr);
    return std::asctime(std::localtime(&t));
}

void write_problem(std::ostream& log, const RPath& p, const std::string& tseq, const std::string& tA,
                   const std::string& tB) {
    log << "Sequence & A & B (original):" << std::endl
        << p.sequence << std::endl
        << p.A.str << std::endl
        << p.B.str << std::endl
        << "sequence & A & B (trimmed) :" << std::endl
        << tseq << std::endl
        << tA << std::endl
        << tB << std::endl;
}

std::string individual_tag(int i, std::size_t n) {
    return "[" + std::to_string(i) + "/" + std::to_string(static_cast<long>(n) - 1) + "]";
}

namespace {

void make_generation_dir(const std::string& dir) {
    if (fexists(dir.c_str())) return;
    if (::mkdir(dir.c_str(), 0777) != 0) {
        const int err = errno;
        throw FatalError({"The following command failed: mkdir " + dir,
                          "Can not create the directory " + dir + ": " + std::strerror(err)});
    }
}

}  // namespace

void save_initial_population(const std::string& gendir, const std::string& seq, const std::string& A,
                             const std::vector<ActionChain>& image, EnergyCache& cache, const std::string& cmd) {
    make_generation_dir(gendir);
    const std::string ini = gendir + "gen_ini";
    std::cout << std::endl
              << "Genetic Agorithm begins, the size of population is " << image.size() << "." << std::endl
              << "Creating a file:" << ini << " for saving the initial population." << std::endl;
    std::ofstream gen(ini.c_str());
    for (std::size_t i = 0; i < image.size(); ++i) {
        gen << "Individual" << individual_tag(static_cast<int>(i), image.size()) << " of the initial population."
            << std::endl;
        visualize_Path(gen, seq, A, image[i], cache, cmd);
        gen << std::endl;
    }
}

void open_generation_file(std::ofstream& gen, const std::string& gendir, int g, std::size_t popsize) {
    const std::string genfile = gendir + "gen_" + std::to_string(g);
    std::cout << std::endl
              << "Generation = " << g << ", the size of population = " << popsize << "." << std::endl
              << "Creating a file:" << genfile << " for saving individuals in generation " << g << "." << std::endl;
    gen.open(genfile.c_str());
}

void save_offspring(std::ofstream& gen, int i, std::size_t n, const std::string& seq, const std::string& A,
                    const std::vector<ActionChain>& image, EnergyCache& cache, const std::string& cmd) {
    const std::string tag = individual_tag(i, n);
    gen << "Individual" << tag << " has produced " << image.size() << " offspring." << std::endl;
    for (std::size_t j = 0; j < image.size(); ++j) {
        gen << std::endl << "individual" << tag << ".offspring[" << j << "/" << image.size() << "]" << std::endl;
        image[j].printout(gen);
        visualize_Path(gen, seq, A, image[j], cache, cmd);
        gen << std::endl;
    }
    gen << std::string(60, '#') << std::endl;
}

void report_generation(RunFiles& files, int g, const std::vector<ActionChain>& pool, double best,
                       const std::string& seq, const std::string& A, const ActionChain& bestever_image,
                       EnergyCache& cache, const std::string& cmd) {
    std::cout << "Barrier energies of the top 100 paths are " << std::endl;
    for (std::size_t k = 0; k < pool.size() && k < 100; ++k) std::cout << pool[k].mde << std::endl;
    std::cout << "The optimal barrier energy is " << best << " kcal/mol." << std::endl;
    files.log << "Here is the optimal folding pathway of generation [" << g << "], ";
    visualize_Path(files.log, seq, A, bestever_image, cache, cmd);
    files.result << g << "\t" << best << std::endl;
    // Keep every finished generation on disk should the run be stopped.
    files.result.flush();
    files.log.flush();
}

void report_final(RunFiles& files, double best, const ActionChain& bestever, const std::string& seq,
                  const std::string& A, const ActionChain& bestever_image, EnergyCache& cache, const std::string& cmd,
                  bool show_chain) {
    files.log << "The optimal folding pathways has barrier energy " << best << "." << std::endl;
    if (show_chain) bestever.show();
    visualize_Path(std::cout, seq, A, bestever_image, cache, cmd);
    files.result << now_asctime() << std::endl;
    files.result.close();
    files.log.close();
}
