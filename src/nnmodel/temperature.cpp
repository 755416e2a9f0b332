// Free energies at another temperature, from the 37 C free energies g37 and the enthalpies
// h of a parameter file: g(T) = h - (h - g37) * T / 310.15 K, truncated to whole dcal/mol.
//
// Order matters where a value is derived from others: the int22 slots a file cannot hold
// are derived (maximum over the explicit entries) from g37 and from h separately and then
// rescaled like any other slot; the clamping of positive dangles and exterior/multiloop
// mismatches comes after the rescaling. Both orders are what reproduces RNAeval -T.
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "nnmodel/nnmodel.h"
#include "nnmodel/params_internal.h"

namespace nnmodel {
namespace {

int rescale(int g37, int h, double factor) {
    return static_cast<int>(h - (h - g37) * factor);  // towards zero
}

void rescale_loops(std::vector<SpecialHairpin>& g, const std::vector<SpecialHairpin>& h, double factor) {
    // Both lists come from the same lines of the file, so they have the same entries.
    for (std::size_t k = 0; k < g.size() && k < h.size(); ++k) g[k].energy = rescale(g[k].energy, h[k].energy, factor);
}

}  // namespace

ParamSet params_at(const ParamSet& p, double celsius) {
    if (!(celsius >= -kKelvin && celsius <= kMaxCelsius)) {  // NaN fails both
        char text[64];
        std::snprintf(text, sizeof text, "%g", celsius);
        throw std::invalid_argument(std::string("temperature ") + text + " C is outside the range -273.15 to 100 C");
    }
    if (!p.source) throw std::invalid_argument("the parameter set has no enthalpies to rescale from");
    const double factor = (celsius + kKelvin) / (37.0 + kKelvin);
    ParamSet r = p.source->dg37;
    ParamSet h = p.source->dh;
    detail::derive_int22(r);
    detail::derive_int22(h);
    const std::vector<detail::Table> rt = detail::tables(r), ht = detail::tables(h);
    for (std::size_t t = 0; t < rt.size(); ++t)
        for (std::size_t k = 0; k < rt[t].size; ++k)
            rt[t].values[k] = rescale(rt[t].values[k], ht[t].values[k], factor);
    rescale_loops(r.triloops, h.triloops, factor);
    rescale_loops(r.tetraloops, h.tetraloops, factor);
    rescale_loops(r.hexaloops, h.hexaloops, factor);
    r.ml_base = rescale(r.ml_base, h.ml_base, factor);
    r.ml_closing = rescale(r.ml_closing, h.ml_closing, factor);
    r.ml_intern = rescale(r.ml_intern, h.ml_intern, factor);
    r.ninio = rescale(r.ninio, h.ninio, factor);  // its cap MAX_NINIO has no enthalpy
    r.duplex_init = rescale(r.duplex_init, h.duplex_init, factor);
    r.terminal_au = rescale(r.terminal_au, h.terminal_au, factor);
    detail::clamp_loaded(r);
    r.celsius = celsius;
    detail::set_loop_growth(r, kLxc37 * factor);
    r.source = p.source;
    return r;
}

ParamSet turner2004_at(double celsius) { return params_at(turner2004(), celsius); }

}  // namespace nnmodel
