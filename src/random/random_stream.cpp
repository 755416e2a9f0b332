#include "random/random_stream.h"

#include <cstdint>

namespace {

const int kDegree = 31;
const int kSeparation = 3;

struct Stream {
    uint32_t state[kDegree];
    int front;  // x[i] = x[i-3] + x[i-31] is formed in state[front] from state[rear]
    int rear;
};

uint32_t step(Stream& s) {
    s.state[s.front] += s.state[s.rear];
    const uint32_t x = s.state[s.front];
    if (++s.front >= kDegree) s.front = 0;
    if (++s.rear >= kDegree) s.rear = 0;
    return x;
}

Stream make_stream(unsigned int seed) {
    Stream s;
    int32_t word = static_cast<int32_t>(seed == 0 ? 1 : seed);
    s.state[0] = static_cast<uint32_t>(word);
    // Start words from the Park-Miller minimal standard generator (Schrage's method).
    for (int i = 1; i < kDegree; ++i) {
        const int32_t hi = word / 127773;
        const int32_t lo = word % 127773;
        word = 16807 * lo - 2836 * hi;
        if (word < 0) word += 2147483647;
        s.state[i] = static_cast<uint32_t>(word);
    }
    s.front = kSeparation;
    s.rear = 0;
    for (int k = 0; k < 10 * kDegree; ++k) step(s);  // the first 310 outputs are discarded
    return s;
}

Stream stream = make_stream(1);

}  // namespace

void seed_random(unsigned int seed) { stream = make_stream(seed); }

int next_random() { return static_cast<int>(step(stream) >> 1); }
