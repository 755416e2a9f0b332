#include "energy/report.h"

#include <ostream>
#include <vector>

#include "energy/evaluator.h"
#include "energy/pathstructs.h"
#include "error/fatal_error.h"

void visualize_Path(std::ostream& out, const std::string& seq, const std::string& start, const ActionChain& ac,
                    EnergyCache& cache, const std::string& cmdprefix) {
    if (!out.good()) {
        throw FatalError({"iostream error: can not write to the output file"});
    }

    const std::vector<std::string> vs = getVSfromAC(start, ac);
    const std::vector<double> ve = path_energies(seq, vs, cache, cmdprefix, false);
    ZENTROLA_CHECK((int)ve.size() == (int)vs.size());
    const double barrier = barrier_of(ve);

    out << "the barrier energy is " << barrier << std::endl;
    out << seq << std::endl;
    for (int i = 0; i < (int)vs.size(); ++i) out << vs[i] << "   (" << ve[i] << ")" << std::endl;
}
