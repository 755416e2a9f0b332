#include <gtest/gtest.h>

#include <cmath>

#include "chains.h"
#include "fatal.h"
#include "operators/random.h"

namespace {

// mygaussian() before clipping, from the next ten values of the stream.
double raw_gaussian_from_stream() {
    double sum = 0.0;
    for (int i = 0; i < 10; ++i) sum += (next_random() % 1001) / 1000.0;
    return (sum - 5.0) / std::sqrt(10.0);
}

// The draws against their plain readings from the stream, over seeds 1..299 and the first seeds
// whose draws are clipped at +1 and at -1; empty ranges cost no draw.
TEST(RandomDraws, ValuesDrawCountsAndClipping) {
    EXPECT_EQ(count_draws(3, [] { EXPECT_EQ(myrand(0), 0); }), 0);
    EXPECT_EQ(count_draws(9, [] { EXPECT_EQ(mygaussian_left(5, 5), 5); }), 0);
    EXPECT_EQ(count_draws(9, [] { EXPECT_EQ(mygaussian_right(5, 5), 5); }), 0);
    std::vector<unsigned> seeds;
    for (unsigned seed = 1; seed < 300; ++seed) seeds.push_back(seed);
    auto raw_at = [](unsigned seed) {
        seed_random(seed);
        return raw_gaussian_from_stream();
    };
    for (double sign : {1.0, -1.0}) {
        unsigned seed = 1;
        while (seed < 400000 && sign * raw_at(seed) <= 1.0) ++seed;
        ASSERT_LT(seed, 400000u);
        seeds.push_back(seed);
    }
    for (unsigned seed : seeds) {
        seed_random(seed);
        const int first = next_random();
        const double g = std::max(-1.0, std::min(1.0, raw_at(seed)));
        EXPECT_EQ(count_draws(seed, [&] { EXPECT_EQ(myrand(7), first % 7); }), 1);
        EXPECT_EQ(count_draws(seed, [&] { EXPECT_DOUBLE_EQ(mygaussian(), g); }), 10);
        EXPECT_EQ(
            count_draws(seed, [&] { EXPECT_EQ(mygaussian_left(2, 40), 40 - static_cast<int>(38 * std::fabs(g))); }),
            10);
        EXPECT_EQ(
            count_draws(seed, [&] { EXPECT_EQ(mygaussian_right(2, 40), 2 + static_cast<int>(38 * std::fabs(g))); }),
            10);
    }
    // A lower bound above the upper one is an invariant breach.
    expect_fatal([&] { mygaussian_left(4, 3); }, "lb<ub|lb < ub", ErrorStream::err, kInvariantStatus);
    expect_fatal([&] { mygaussian_right(4, 3); }, "lb<ub|lb < ub", ErrorStream::err, kInvariantStatus);
}

}  // namespace
