#include "search/driver.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>

#include "energy/energy.h"
#include "energy/evaluator.h"
#include "error/fatal_error.h"
#include "model/trim.h"
#include "operators/random.h"
#include "operators/reorder_tables.h"
#include "parallel/pool.h"
#include "random/random_stream.h"
#include "search/reports.h"
#include "search/strategy.h"

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

std::vector<ActionChain> carry_over(const std::vector<ActionChain>& vac, const SearchConfig& cf) {
    const int n = static_cast<int>(vac.size());
    if (n <= cf.PRESERVETOPNUM) return vac;
    // A negative count carries no chain over by rank; the random picks then range over all.
    const int top = cf.PRESERVETOPNUM > 0 ? cf.PRESERVETOPNUM : 0;
    std::vector<ActionChain> pool(vac.begin(), vac.begin() + top);
    for (int k = 0; k < cf.PRESERVERANNUM; ++k) pool.push_back(vac[top + myrand(n - top)]);
    return pool;
}

namespace {

// Barriers of trimmed chains, computed on their images in full coordinates (whose energy
// fields are filled) and copied back.
std::vector<double> evaluate(std::vector<ActionChain>& vac, std::vector<ActionChain>& image, const std::string& seq,
                             const std::string& A, EnergyCache& cache, const std::string& cmd) {
    std::vector<double> d = getVMDEfromVAC(seq, A, image, cache, cmd);
    copy_VAC_de(image, vac);
    return d;
}

// The problem as the operators see it: the helices shared by A and B (and never touched) are
// cut out; `aux` maps trimmed positions back.
struct Trimmed {
    Auxiliary aux;
    std::string seq, A, B;
};

Trimmed trim_problem(const RPath& p) {
    Trimmed t{Auxiliary(p.A, p.B), "", "", ""};
    t.seq = remove_unused_stems(p.sequence, t.aux);
    t.A = remove_unused_stems(p.A.str, t.aux);
    t.B = remove_unused_stems(p.B.str, t.aux);
    return t;
}

// What one generation hands to the next.
struct SearchState {
    Population pop;
    double best = OOENERGY;  // lowest barrier so far (kcal/mol)
    ActionChain bestever;    // its chain (trimmed) and the chain in full coordinates
    ActionChain bestever_image;
    int g = 0;
    int noimprove = 0;  // generations since `best` last went down
    Allotment allot;
};

// The stop rule: up to MAXGEN generations while fewer than MAXNOIMPROVE fail to improve, and
// beyond MAXGEN only while each one improves.
bool keep_going(const SearchState& s, const SearchConfig& cf) {
    return (s.g <= cf.MAXGEN && s.noimprove <= cf.MAXNOIMPROVE) || (s.g > cf.MAXGEN && s.noimprove <= 0);
}

// Breeds parent i: its offspring are evaluated and the best five join the pool.
void breed_parent(std::size_t i, const SearchState& s, const Trimmed& t, const RPath& p, std::ofstream& gen,
                  std::vector<ActionChain>& pool, EnergyCache& cache, const SearchConfig& cf,
                  const ReorderTables* tables) {
    const std::size_t N = s.pop.vac.size();
    const ActionChain& parent = s.pop.vac[i];
    const Allotment& a = s.allot;
    std::cout << "Generation[" << s.g << "].Individual" << individual_tag(static_cast<int>(i), N) << " ";
    const int saddle = parent.getsaddlepoint();
    std::vector<ActionChain> newvac = parent.reproduce(
        t.seq, t.A, saddle, a.n[kSlotReorderDel], a.n[kSlotReorderDel2], a.n[kSlotPostpone], a.n[kSlotBringForward],
        a.n[kSlotAddDel], a.n[kSlotExchange], a.n[kSlotPerturb], a.n[kSlotShift], a.n[kSlotStack], tables);
    std::cout << "is producing " << newvac.size() << " offspring." << std::endl;
    std::vector<ActionChain> image = convertVAC_coordination_t2o(newvac, t.aux);
    if (cf.SAVEGENE) save_offspring(gen, static_cast<int>(i), N, p.sequence, p.A.str, image, cache, cf.RNAevalCmd);
    const std::vector<double> newd = evaluate(newvac, image, p.sequence, p.A.str, cache, cf.RNAevalCmd);
    ZENTROLA_CHECK((int)newd.size() == (int)newvac.size());
    rank_chains(newvac);
    const std::size_t keep = newvac.size() < 5 ? newvac.size() : 5;
    pool.insert(pool.end(), newvac.begin(), newvac.begin() + keep);
}

// Breeds every parent in order. With several threads the parents' reordering tables (no draw)
// are built a batch ahead on all threads while one of them breeds the previous batch, which
// makes every draw in the same order as one thread does.
// `late` (may be empty) tells that the time is up or the search is cancelled: the parents not bred
// yet are left out (it is asked before each parent, so a parent whose tables were skipped is never
// bred).
void breed_all(const SearchState& s, const Trimmed& t, const RPath& p, std::ofstream& gen,
               std::vector<ActionChain>& pool, EnergyCache& cache, const SearchConfig& cf, parallel::Pool& workers,
               const std::function<bool()>& late) {
    const std::size_t N = s.pop.vac.size();
    if (workers.threads() == 1) {
        for (std::size_t i = 0; i < N && !(late && late()); ++i) {
            breed_parent(i, s, t, p, gen, pool, cache, cf, nullptr);
            if (pool.empty()) break;
        }
        return;
    }
    const bool del = s.allot.n[kSlotReorderDel] > 0, del2 = s.allot.n[kSlotReorderDel2] > 0;
    // Two batches of tables are held at once (about 10 MB a parent at 1000 bases), hence the cap.
    const std::size_t batch = std::min<std::size_t>(2 * static_cast<std::size_t>(workers.threads()), 16);
    std::vector<ReorderTables> ready, next;
    bool stop = false;
    // Breeding draws from the caller's stream and evaluates with the caller's energy setting on
    // whichever thread takes task 0.
    RandomStream& stream = random_stream();
    const std::shared_ptr<const EnergySetting> energy = current_energy_setting();
    // Round r builds the tables of batch r while task 0 breeds batch r - 1.
    for (std::size_t b = 0; b < N + batch && !stop; b += batch) {
        const std::size_t from = b < N ? b : N, to = std::min(N, b + batch);
        next.assign(to - from, ReorderTables());
        workers.run(static_cast<int>(to - from) + 1, [&](int k) {
            if (k > 0) {  // tables past the time limit are never used: the parent is not bred
                if (!(late && late())) next[k - 1] = reorder_tables(s.pop.vac[from + k - 1], t.seq, t.A, del, del2);
                return;
            }
            const RandomScope same_stream(stream);
            const EnergyScope same_energy(energy);
            for (std::size_t j = 0; j < ready.size() && !stop; ++j) {
                const std::size_t i = b - batch + j;
                stop = late && late();
                if (!stop) breed_parent(i, s, t, p, gen, pool, cache, cf, &ready[j]);
                stop = stop || pool.empty();
            }
        });
        ready.swap(next);
    }
}

// Keeps the best chain of the ranked pool when it beats the best so far.
void record_best(SearchState& s, const std::vector<ActionChain>& pool, const Auxiliary& aux) {
    if (s.bestever.mde > pool[0].mde) {
        s.bestever = pool[0];
        s.bestever_image = convertAC_coordination_t2o(s.bestever, aux);
    }
    if (s.best > pool[0].mde) {
        s.best = pool[0].mde;
        s.noimprove = 0;
    } else {
        s.noimprove += 1;
    }
}

// The next population: the distinct best chains of the ranked pool, at most MAXPOP + 1.
std::vector<ActionChain> next_population(const std::vector<ActionChain>& pool, const SearchConfig& cf) {
    std::vector<ActionChain> next;
    next.push_back(pool[0]);
    for (std::size_t k = 1; static_cast<int>(next.size()) <= cf.MAXPOP && k < pool.size(); ++k)
        if (getindx(next, pool[k], 0, 1) == -1) next.push_back(pool[k]);
    return next;
}

// The seeds that stay clear of the trimmed helices, in trimmed coordinates.
void add_seeds(std::vector<ActionChain>& vac, const std::vector<ActionChain>& seeds, const Auxiliary& aux) {
    for (const ActionChain& ac : seeds) {
        ActionChain t;
        bool inside = true;
        for (const Action& x : ac.va) {
            const int l = aux.o2t[x.b.lp], r = aux.o2t[x.b.rp];
            inside = inside && l >= 0 && r >= 0;
            if (inside) t.push_back(x.a, l, r);
        }
        if (inside) vac.push_back(t);
    }
}

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

pathout::Path GenericAlgorithm(RPath p, const std::string& outfile, const std::string& logfile,
                               const std::string& outdir, const SearchConfig& cf, SearchHook* hook) {
    const auto started = std::chrono::steady_clock::now();
    const std::string& seq = p.sequence;
    const std::string& A = p.A.str;
    const std::string& cmd = cf.RNAevalCmd;

    // Set-up and trimming.
    RunFiles files;
    open_run_files(files, outfile, logfile, outdir);
    files.result << now_asctime() << std::endl;
    const Trimmed t = trim_problem(p);
    write_problem(files.log, p, t.seq, t.A, t.B);

    parallel::Pool workers(cf.THREADS > 0 ? cf.THREADS : parallel::hardware_threads());
    // With a time limit or a cancel flag, a long generation stops breeding once the time is up or
    // the flag is set.
    std::function<bool()> late;
    if (hook && (hook->seconds > 0 || hook->cancel))
        late = [&] {
            if (hook->cancel && hook->cancel->load(std::memory_order_relaxed)) return true;
            return hook->seconds > 0 &&
                   std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count() >= hook->seconds;
        };

    // Generation 0: the direct paths from A to B, evaluated and ranked.
    EnergyCache cache;
    SearchState s;
    s.pop.vac = RStruct(t.B).convertfrom_multipleActionChains(RStruct(t.A));
    if (hook) add_seeds(s.pop.vac, hook->seeds, t.aux);
    std::vector<ActionChain> initial_image = convertVAC_coordination_t2o(s.pop.vac, t.aux);
    evaluate(s.pop.vac, initial_image, seq, A, cache, cmd);
    // No path from A to B stays below max(E(A), E(B)): the barrier is at least max(0, E(B) - E(A)).
    const double minbarrier = std::max(0.0, cache.find(p.B.str)->second - cache.find(A)->second);
    std::cout << "minbarrier=" << minbarrier << std::endl;
    rank_chains(s.pop.vac);
    s.best = s.pop.vac[0].mde;
    files.result << "0\t" << s.best << std::endl;
    if (cf.SAVEGENE) save_initial_population(files.gendir, seq, A, initial_image, cache, cmd);
    s.allot = initial_allotment(static_cast<int>(s.pop.vac.size()), cf);

    while (keep_going(s, cf)) {
        std::ofstream gen;
        if (cf.SAVEGENE) open_generation_file(gen, files.gendir, s.g, s.pop.vac.size());
        files.log << std::endl
                  << "Generation = " << s.g << ", the size of population = " << s.pop.vac.size() << "." << std::endl;

        // Breeding: the carried-over chains and the best offspring of every parent.
        std::vector<ActionChain> pool = carry_over(s.pop.vac, cf);
        breed_all(s, t, p, gen, pool, cache, cf, workers, late);

        // Ranking and reports.
        rank_chains(pool);
        if (pool.empty()) throw FatalError({"Nothing has been generated."});
        record_best(s, pool, t.aux);
        report_generation(files, s.g, pool, s.best, seq, A, s.bestever_image, cache, cmd);

        // The next pool and the stop rule.
        s.pop.vac = next_population(pool, cf);
        s.allot = update_allotment(s.allot, count_strategy(s.pop.vac), s.g, cf);
        s.g += 1;
        if (gen.is_open()) gen.close();
        if (eq(s.best, minbarrier)) break;
        if (late && late()) break;
    }
    if (hook) {
        hook->best = s.bestever_image;
        hook->best_barrier = s.bestever.mde;
    }

    // Within another method the path is printed by that method, its moves in the user's coordinates.
    report_final(files, s.best, s.bestever, seq, A, s.bestever_image, cache, cmd, hook == nullptr);
    // Without a finished generation the best initial path stands.
    if (s.bestever.mde >= OOENERGY && !s.pop.vac.empty())
        s.bestever_image = convertAC_coordination_t2o(s.pop.vac[0], t.aux);
    return best_path(seq, A, s.bestever_image, cache, cmd);
}
