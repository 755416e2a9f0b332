// Skipping ahead lands where drawing one value at a time does, for short and long skips.
#include <gtest/gtest.h>

#include <cstdint>

#include "random/random_stream.h"

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
