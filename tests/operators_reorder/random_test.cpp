#include <gtest/gtest.h>

#include <cmath>

#include "draws.h"
#include "fatal.h"
#include "operators/random.h"

namespace {

// mygaussian() before clipping, from the next ten values of the stream.
double raw_gaussian_from_stream() {
    double sum = 0.0;
    for (int i = 0; i < 10; ++i) sum += (next_random() % 1001) / 1000.0;
    return (sum - 5.0) / std::sqrt(10.0);
}

TEST(RandomDraws, ValuesDrawCountsAndClipping) {
    int v = -1;
    EXPECT_EQ(count_draws(3, [&] { v = myrand(0); }), 0);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(count_draws(3, [&] { v = myrand(1); }), 1);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(count_draws(9, [&] { v = mygaussian_left(5, 5); }), 0);
    EXPECT_EQ(v, 5);
    EXPECT_EQ(count_draws(9, [&] { v = mygaussian_right(5, 5); }), 0);
    EXPECT_EQ(v, 5);
    // Seeds 1..299 and the first seeds whose draws are clipped at +1 and at -1.
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
    int high = 0;
    for (unsigned seed : seeds) {
        seed_random(seed);
        const int first = next_random();
        seed_random(seed);
        EXPECT_EQ(myrand(7), first % 7);
        const double g = std::max(-1.0, std::min(1.0, raw_at(seed)));
        seed_random(seed);
        EXPECT_DOUBLE_EQ(mygaussian(), g);
        seed_random(seed);
        const int l = mygaussian_left(2, 40);
        EXPECT_EQ(l, 40 - static_cast<int>(38 * std::fabs(g)));  // 2 when clipped
        seed_random(seed);
        EXPECT_EQ(mygaussian_right(2, 40), 2 + static_cast<int>(38 * std::fabs(g)));
        seed_random(seed);
        EXPECT_EQ(mygaussian_right(0, 1), std::fabs(g) == 1.0 ? 1 : 0);
        EXPECT_EQ(count_draws(seed, [] { myrand(1000); }), 1);
        EXPECT_EQ(count_draws(seed, [] { mygaussian(); }), 10);
        EXPECT_EQ(count_draws(seed, [] { mygaussian_left(2, 40); }), 10);
        EXPECT_EQ(count_draws(seed, [] { mygaussian_right(2, 40); }), 10);
        high += seed < 300 && l > 30;
    }
    EXPECT_GE(high, 150);  // mostly close to ub: more than half of the 299 draws
}

TEST(RandomDraws, LowerBoundAboveUpperBoundStops) {
    expect_fatal([&] { mygaussian_left(4, 3); }, "lb<ub|lb < ub", ErrorStream::err, kInvariantStatus);
    expect_fatal([&] { mygaussian_right(4, 3); }, "lb<ub|lb < ub", ErrorStream::err, kInvariantStatus);
}

}  // namespace
