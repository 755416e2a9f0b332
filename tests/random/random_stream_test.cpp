#include <gtest/gtest.h>

#include <climits>
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
