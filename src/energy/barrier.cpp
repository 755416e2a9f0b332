#include "energy/barrier.h"

#include "error/fatal_error.h"

#include "energy/evaluator.h"
#include "energy/pathstructs.h"

std::vector<double> path_energies(const std::string& seq, const std::vector<std::string>& vs, EnergyCache& cache,
                                  const std::string& cmdprefix, bool fill_cache) {
    std::vector<double> ve(vs.size(), OOENERGY);
    std::vector<std::string> vs_notinM;
    std::vector<int> vi_notinM;
    for (int i = 0; i < (int)vs.size(); ++i) {
        const EnergyCache::const_iterator it = cache.find(vs[i]);
        if (it != cache.end()) {
            ve[i] = it->second;
        } else {
            vs_notinM.push_back(vs[i]);
            vi_notinM.push_back(i);
        }
    }

    const std::vector<double> ve_notinM = getVSEnergy(seq, vs_notinM, cmdprefix);
    ZENTROLA_CHECK((int)ve_notinM.size() == (int)vs_notinM.size());
    for (int k = 0; k < (int)vs_notinM.size(); ++k) {
        if (fill_cache) cache[vs_notinM[k]] = ve_notinM[k];
        ve[vi_notinM[k]] = ve_notinM[k];
    }
    return ve;
}

double barrier_of(const std::vector<double>& ve) {
    double maxe = -OOENERGY;
    // A parameter file may forbid rare loops (INF entries, as rna_langdon2018.par does); a structure
    // with such a loop has the model's INF energy, 100000 kcal/mol, the same number as OOENERGY.
    // The compiled-in set forbids only loops that the input check already refuses.
    const bool inf_possible = !energy_choice().params_file.empty();
    for (int i = 0; i < (int)ve.size(); ++i) {
        ZENTROLA_CHECK(inf_possible || (!eq(ve[i], OOENERGY) && !eq(ve[i], -OOENERGY)));
        if (ve[i] > maxe) maxe = ve[i];
    }
    return maxe - ve[0];
}

double getMDEfromAC(const std::string& seq, const std::string& start, ActionChain& in_ac, EnergyCache& cache,
                    const std::string& cmdprefix) {
    const std::vector<double> ve = path_energies(seq, getVSfromAC(start, in_ac), cache, cmdprefix, true);
    in_ac.mde = barrier_of(ve);
    in_ac.vde = ve;
    ZENTROLA_CHECK((int)in_ac.vde.size() != 0);
    double sum = 0.0;
    for (int i = 0; i < (int)in_ac.vde.size(); ++i) sum += in_ac.vde[i];
    in_ac.avge = sum / in_ac.vde.size();
    return in_ac.mde;
}

std::vector<double> getVMDEfromVAC(const std::string& seq, const std::string& start, std::vector<ActionChain>& vac,
                                   EnergyCache& cache, const std::string& cmdprefix) {
    std::vector<double> vmde;
    vmde.reserve(vac.size());
    for (ActionChain& ac : vac) vmde.push_back(getMDEfromAC(seq, start, ac, cache, cmdprefix));
    return vmde;
}
