#include "report.h"

#include <cassert>
#include <cstdlib>
#include <iostream>
#include <vector>

#include "evaluator.h"
#include "pathstructs.h"

void visualize_Path(std::ostream& out, const std::string& seq, const std::string& start, const ActionChain& ac,
                    EnergyCache& cache, const std::string& cmdprefix) {
    if (!out.good()) {
        std::cerr << "iostream error: can not write to the output file" << std::endl;
        std::exit(1);
    }

    const std::vector<std::string> vs = getVSfromAC(start, ac);
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
    assert((int)ve_notinM.size() == (int)vs_notinM.size());
    for (int k = 0; k < (int)vs_notinM.size(); ++k) ve[vi_notinM[k]] = ve_notinM[k];

    assert((int)ve.size() == (int)vs.size());
    double maxe = -OOENERGY;
    for (int i = 0; i < (int)ve.size(); ++i) {
        assert(! eq(ve[i],OOENERGY) && ! eq(ve[i],-OOENERGY));
        if (ve[i] > maxe) maxe = ve[i];
    }
    const double barrier = maxe - ve[0];

    out << "the barrier energy is " << barrier << std::endl;
    out << seq << std::endl;
    for (int i = 0; i < (int)vs.size(); ++i) out << vs[i] << "   (" << ve[i] << ")" << std::endl;
}
