#include "random/random_stream.h"

#include <cstring>

namespace {

const int kDegree = 31;

// Polynomials modulo x^31 - x^28 - 1 with coefficients modulo 2^32: x^n stands for the word
// n places ahead, so x^n reduced gives that word as a sum of the current 31.
struct Poly {
    std::uint32_t c[kDegree];
};

Poly times(const Poly& a, const Poly& b) {
    std::uint32_t p[2 * kDegree - 1] = {};
    for (int i = 0; i < kDegree; ++i) {
        if (a.c[i] == 0) continue;
        for (int j = 0; j < kDegree; ++j) p[i + j] += a.c[i] * b.c[j];
    }
    // x^k = x^(k-3) + x^(k-31), from the top down.
    for (int k = 2 * kDegree - 2; k >= kDegree; --k) {
        p[k - 3] += p[k];
        p[k - kDegree] += p[k];
    }
    Poly r;
    std::memcpy(r.c, p, sizeof r.c);
    return r;
}

RandomStream stream(1);
// The stream of the calling thread: the program's, or one a RandomScope put in place.
thread_local RandomStream* current = &stream;

}  // namespace

RandomStream::RandomStream(unsigned int seed) {
    int32_t word = static_cast<int32_t>(seed == 0 ? 1 : seed);
    state[0] = static_cast<uint32_t>(word);
    // Start words from the Park-Miller minimal standard generator (Schrage's method).
    for (int i = 1; i < kDegree; ++i) {
        const int32_t hi = word / 127773;
        const int32_t lo = word % 127773;
        word = 16807 * lo - 2836 * hi;
        if (word < 0) word += 2147483647;
        state[i] = static_cast<uint32_t>(word);
    }
    front = 3;
    for (int k = 0; k < 10 * kDegree; ++k) next();  // the first 310 outputs are discarded
}

void RandomStream::skip(std::uint64_t n) {
    if (n < 4 * kDegree * kDegree) {
        while (n-- > 0) next();
        return;
    }
    // Window w[k] = state[(front + k) % 31], oldest first; x^n mod the recurrence gives each
    // word of the new window from the old one.
    std::uint32_t w[kDegree];
    for (int k = 0; k < kDegree; ++k) w[k] = state[(front + k) % kDegree];
    Poly r{}, base{};
    r.c[0] = 1;
    base.c[1] = 1;
    for (std::uint64_t e = n; e > 0; e >>= 1) {
        if (e & 1) r = times(r, base);
        if (e > 1) base = times(base, base);
    }
    std::uint32_t out[kDegree];
    for (int k = 0; k < kDegree; ++k) {
        std::uint32_t v = 0;
        for (int j = 0; j < kDegree; ++j) v += r.c[j] * w[j];
        out[k] = v;
        // r times x: the next word ahead.
        const std::uint32_t top = r.c[kDegree - 1];
        for (int j = kDegree - 1; j > 0; --j) r.c[j] = r.c[j - 1];
        r.c[0] = 0;
        r.c[28] += top;
        r.c[0] += top;
    }
    std::memcpy(state, out, sizeof state);
    front = 0;
}

void seed_random(unsigned int seed) { *current = RandomStream(seed); }

int next_random() { return current->next(); }

RandomStream& random_stream() { return *current; }

RandomScope::RandomScope(RandomStream& s) : saved_(current) { current = &s; }

RandomScope::~RandomScope() { current = saved_; }
