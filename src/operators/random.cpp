#include "operators/random.h"

#include <cmath>
#include <cstdlib>

#include "error/fatal_error.h"

int myrand(int n) {
    if (n == 0) return 0;
    return next_random() % n;
}

namespace {

// k / 1000.0 for k = 0..1000, so that a term costs a look-up instead of a division.
struct Thousandths {
    double v[1001];
    Thousandths() {
        for (int k = 0; k <= 1000; ++k) v[k] = k / 1000.0;
    }
};
const Thousandths thousandths;

double gaussian_from(RandomStream& s) {
    double sum = 0.0;
    for (int i = 0; i < 10; ++i) sum += thousandths.v[s.next() % 1001];
    double g = (sum - 10 * 0.5) / std::sqrt(10.0);
    if (g < -1) g = -1;
    if (g > 1) g = 1;
    return g;
}

}  // namespace

double mygaussian() { return gaussian_from(random_stream()); }

int mygaussian_left(RandomStream& s, int lb, int ub) {
    if (lb == ub) return lb;
    ZENTROLA_CHECK(lb < ub);
    const double g = std::fabs(gaussian_from(s));
    return ub - static_cast<int>((ub - lb) * g);
}

int mygaussian_left(const int& lb, const int& ub) { return mygaussian_left(random_stream(), lb, ub); }

int mygaussian_right(const int& lb, const int& ub) {
    if (lb == ub) return lb;
    ZENTROLA_CHECK(lb < ub);
    const double g = std::fabs(mygaussian());
    return lb + static_cast<int>((ub - lb) * g);
}
