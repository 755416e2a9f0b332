#include "search/driver.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>

#include "error/fatal_error.h"
#include "energy/energy.h"
#include "operators/random.h"
#include "search/strategy.h"
#include "model/trim.h"

bool ascendingsortAC(const ActionChain& x, const ActionChain& y) {
    if (!eq(x.mde, y.mde)) return x.mde < y.mde;
    if (!eq(x.avge, y.avge)) return x.avge < y.avge;
    return false;
}

namespace {

void merge_sort(std::vector<ActionChain>& v, std::vector<ActionChain>& tmp, std::size_t lo, std::size_t hi) {
    if (hi - lo < 2) return;
    const std::size_t mid = lo + (hi - lo) / 2;
    merge_sort(v, tmp, lo, mid);
    merge_sort(v, tmp, mid, hi);
    std::size_t i = lo, j = mid, k = lo;
    while (i < mid && j < hi) {
        // Take from the right half only when it ranks strictly before: equal chains keep their order.
        if (ascendingsortAC(v[j], v[i]))
            tmp[k++] = v[j++];
        else
            tmp[k++] = v[i++];
    }
    while (i < mid) tmp[k++] = v[i++];
    while (j < hi) tmp[k++] = v[j++];
    for (std::size_t t = lo; t < hi; ++t) v[t] = tmp[t];
}

}  // namespace

void rank_chains(std::vector<ActionChain>& vac) {
    std::vector<ActionChain> tmp(vac.size());
    merge_sort(vac, tmp, 0, vac.size());
}

void copy_AC_de(const ActionChain& src, ActionChain& dst) {
    dst.mde = src.mde;
    dst.vde = src.vde;
    dst.avge = src.avge;
}

void copy_VAC_de(const std::vector<ActionChain>& vac_src, std::vector<ActionChain>& vac_dst) {
    ZENTROLA_CHECK((int)vac_src.size() == (int)vac_dst.size());
    for (std::size_t i = 0; i < vac_src.size(); ++i) copy_AC_de(vac_src[i], vac_dst[i]);
}

std::vector<ActionChain> carry_over(const std::vector<ActionChain>& vac, const Config& cf) {
    const int n = static_cast<int>(vac.size());
    if (n <= cf.PRESERVETOPNUM) return vac;
    // A negative count carries no chain over by rank; the random picks then range over all.
    const int top = cf.PRESERVETOPNUM > 0 ? cf.PRESERVETOPNUM : 0;
    std::vector<ActionChain> pool(vac.begin(), vac.begin() + top);
    for (int k = 0; k < cf.PRESERVERANNUM; ++k) pool.push_back(vac[top + myrand(n - top)]);
    return pool;
}

namespace {

std::string now_asctime() {
    const std::time_t t = std::time(nullptr);
    return std::asctime(std::localtime(&t));
}

// Barriers of trimmed chains, computed on their images in full coordinates (whose energy
// fields are filled) and copied back.
std::vector<double> evaluate(std::vector<ActionChain>& vac, std::vector<ActionChain>& image, const std::string& seq,
                             const std::string& A, EnergyCache& cache, const std::string& cmd) {
    std::vector<double> d = getVMDEfromVAC(seq, A, image, cache, cmd);
    copy_VAC_de(image, vac);
    return d;
}

void make_generation_dir(const std::string& dir) {
    if (fexists(dir.c_str())) return;
    if (::mkdir(dir.c_str(), 0777) != 0) {
        const int err = errno;
        throw FatalError({"The following command failed: mkdir " + dir,
                          "Can not create the directory " + dir + ": " + std::strerror(err)});
    }
}

std::string individual_tag(int i, std::size_t n) { return "[" + std::to_string(i) + "/" + std::to_string(static_cast<long>(n) - 1) + "]"; }

// The chain as structures, energies (from the cache, which holds every evaluated image) and 1-based moves.
pathout::Path best_path(const std::string& seq, const std::string& A, const ActionChain& image, EnergyCache& cache,
                        const std::string& cmd) {
    pathout::Path path;
    path.structures = getVSfromAC(A, image);
    path.energies = path_energies(seq, path.structures, cache, cmd, false);
    for (const Action& x : image.va) {
        pathout::PathMove m;
        m.add = x.a == add;
        m.i = std::min(x.b.lp, x.b.rp) + 1;
        m.j = std::max(x.b.lp, x.b.rp) + 1;
        path.moves.push_back(m);
    }
    return path;
}

}  // namespace

pathout::Path GenericAlgorithm(RPath p, const std::string& outfile, const std::string& logfile, const std::string& outdir,
                      const Config& cf) {
    // Set-up.
    std::ofstream result(outfile.c_str());
    std::ofstream log(logfile.c_str());
    if (!result.good() || !log.good()) {
        throw FatalError({"iostream error: can not write to either file " + outfile + " or " + logfile});
    }
    result << now_asctime() << std::endl;

    const std::string& seq = p.sequence;
    const std::string& A = p.A.str;
    const std::string& B = p.B.str;
    const Auxiliary aux(p.A, p.B);
    const std::string tseq = remove_unused_stems(seq, aux);
    const std::string tA = remove_unused_stems(A, aux);
    const std::string tB = remove_unused_stems(B, aux);
    RStruct tAs(tA), tBs(tB);

    log << "Sequence & A & B (original):" << std::endl
        << seq << std::endl
        << A << std::endl
        << B << std::endl
        << "sequence & A & B (trimmed) :" << std::endl
        << tseq << std::endl
        << tA << std::endl
        << tB << std::endl;

    EnergyCache cache;

    const std::vector<ActionChain> initial = tBs.convertfrom_multipleActionChains(tAs);
    Population pop;
    pop.vac = initial;
    std::vector<ActionChain> initial_image = convertVAC_coordination_t2o(pop.vac, aux);
    evaluate(pop.vac, initial_image, seq, A, cache, cf.RNAevalCmd);

    const double minbarrier = std::fabs(cache.find(A)->second - cache.find(B)->second);
    std::cout << "minbarrier=" << minbarrier << std::endl;

    rank_chains(pop.vac);
    double best = pop.vac[0].mde;
    result << "0\t" << best << std::endl;

    const std::string gendir = outdir + "generation/";
    if (cf.SAVEGENE) {
        make_generation_dir(gendir);
        const std::string ini = gendir + "gen_ini";
        std::cout << std::endl
                  << "Genetic Agorithm begins, the size of population is " << pop.vac.size() << "." << std::endl
                  << "Creating a file:" << ini << " for saving the initial population." << std::endl;
        std::ofstream gen(ini.c_str());
        for (std::size_t i = 0; i < initial_image.size(); ++i) {
            gen << "Individual" << individual_tag(static_cast<int>(i), pop.vac.size()) << " of the initial population."
                << std::endl;
            visualize_Path(gen, seq, A, initial_image[i], cache, cf.RNAevalCmd);
            gen << std::endl;
        }
    }

    ActionChain bestever;
    ActionChain bestever_image;
    int g = 0;
    int noimprove = 0;
    Allotment allot = initial_allotment(static_cast<int>(pop.vac.size()), cf);

    while ((g <= cf.MAXGEN && noimprove <= cf.MAXNOIMPROVE) || (g > cf.MAXGEN && noimprove <= 0)) {
        const std::size_t N = pop.vac.size();
        std::ofstream gen;
        if (cf.SAVEGENE) {
            const std::string genfile = gendir + "gen_" + std::to_string(g);
            std::cout << std::endl
                      << "Generation = " << g << ", the size of population = " << N << "." << std::endl
                      << "Creating a file:" << genfile << " for saving individuals in generation " << g << "."
                      << std::endl;
            gen.open(genfile.c_str());
        }
        log << std::endl << "Generation = " << g << ", the size of population = " << N << "." << std::endl;

        std::vector<ActionChain> pool = carry_over(pop.vac, cf);

        // Offspring.
        for (std::size_t i = 0; i < N; ++i) {
            const ActionChain& parent = pop.vac[i];
            std::cout << "Generation[" << g << "].Individual" << individual_tag(static_cast<int>(i), N) << " ";
            const int saddle = parent.getsaddlepoint();
            std::vector<ActionChain> newvac = parent.reproduce(tseq, tA, saddle, allot.n[0], allot.n[1], allot.n[2],
                                                               allot.n[3], allot.n[4], allot.n[5], allot.n[6],
                                                               allot.n[7], allot.n[8]);
            std::cout << "is producing " << newvac.size() << " offspring." << std::endl;
            std::vector<ActionChain> image = convertVAC_coordination_t2o(newvac, aux);
            if (cf.SAVEGENE) {
                const std::string tag = individual_tag(static_cast<int>(i), N);
                gen << "Individual" << tag << " has produced " << newvac.size() << " offspring." << std::endl;
                for (std::size_t j = 0; j < image.size(); ++j) {
                    gen << std::endl
                        << "individual" << tag << ".offspring[" << j << "/" << image.size() << "]" << std::endl;
                    image[j].printout(gen);
                    visualize_Path(gen, seq, A, image[j], cache, cf.RNAevalCmd);
                    gen << std::endl;
                }
                gen << std::string(60, '#') << std::endl;
            }
            const std::vector<double> newd = evaluate(newvac, image, seq, A, cache, cf.RNAevalCmd);
            ZENTROLA_CHECK((int)newd.size() == (int)newvac.size());
            rank_chains(newvac);
            const std::size_t keep = newvac.size() < 5 ? newvac.size() : 5;
            pool.insert(pool.end(), newvac.begin(), newvac.begin() + keep);
            if (pool.empty()) break;
        }

        rank_chains(pool);
        if (pool.empty()) {
            throw FatalError({"Nothing has been generated."});
        }

        std::cout << "Barrier energies of the top 100 paths are " << std::endl;
        for (std::size_t k = 0; k < pool.size() && k < 100; ++k) std::cout << pool[k].mde << std::endl;

        if (bestever.mde > pool[0].mde) {
            bestever = pool[0];
            bestever_image = convertAC_coordination_t2o(bestever, aux);
        }
        if (best > pool[0].mde) {
            best = pool[0].mde;
            noimprove = 0;
        } else {
            noimprove += 1;
        }

        std::cout << "The optimal barrier energy is " << best << " kcal/mol." << std::endl;
        log << "Here is the optimal folding pathway of generation [" << g << "], ";
        visualize_Path(log, seq, A, bestever_image, cache, cf.RNAevalCmd);
        result << g << "\t" << best << std::endl;
        // Keep every finished generation on disk should the run be stopped.
        result.flush();
        log.flush();

        // New population: the distinct best chains.
        pop.vac.clear();
        pop.vac.push_back(pool[0]);
        for (std::size_t k = 1; static_cast<int>(pop.vac.size()) <= cf.MAXPOP && k < pool.size(); ++k)
            if (getindx(pop.vac, pool[k], 0, 1) == -1) pop.vac.push_back(pool[k]);

        allot = update_allotment(allot, count_strategy(pop.vac), g, cf);
        g += 1;
        if (gen.is_open()) gen.close();
        if (eq(best, minbarrier)) break;
    }

    log << "The optimal folding pathways has barrier energy " << best << "." << std::endl;
    bestever.show();
    visualize_Path(std::cout, seq, A, bestever_image, cache, cf.RNAevalCmd);
    result << now_asctime() << std::endl;
    result.close();
    log.close();
    // Without a finished generation the best initial path stands.
    if (bestever.mde >= OOENERGY && !pop.vac.empty()) bestever_image = convertAC_coordination_t2o(pop.vac[0], aux);
    return best_path(seq, A, bestever_image, cache, cf.RNAevalCmd);
}
