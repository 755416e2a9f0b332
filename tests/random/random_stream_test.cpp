#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>

#include "random/random_stream.h"

#ifdef __GLIBC__
// The stream is the C library's rand() sequence, seed for seed (0 behaves as 1, as with srand).
TEST(RandomStream, SameNumbersAsTheCLibraryRand) {
    for (unsigned int seed : {0u, 1u, 2u, 42u, 1765000000u, static_cast<unsigned int>(INT_MAX) + 5u, UINT_MAX}) {
        srand(seed);
        seed_random(seed);
        for (int k = 0; k < 20000; ++k) ASSERT_EQ(next_random(), rand()) << "seed " << seed << " draw " << k;
    }
}
#endif

// Skipping ahead lands where drawing one value at a time does, for short and long skips.
TEST(RandomSkip, SameAsDrawing) {
    for (unsigned seed : {1u, 7u, 123456u}) {
        for (std::uint64_t n : {0ull, 1ull, 30ull, 31ull, 3843ull, 3844ull, 100000ull, 1234567ull}) {
            RandomStream drawn(seed), skipped(seed);
            for (std::uint64_t k = 0; k < n; ++k) drawn.next();
            skipped.skip(n);
            for (int k = 0; k < 40; ++k) ASSERT_EQ(drawn.next(), skipped.next()) << seed << " " << n << " " << k;
        }
    }
}
