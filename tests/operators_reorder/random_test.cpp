#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "draws.h"
#include "random.h"

namespace {

// The value mygaussian() must produce from the next ten values of the stream, before clipping.
double raw_gaussian_from_stream() {
    double sum = 0.0;
    for (int i = 0; i < 10; ++i) sum += (next_random() % 1001) / 1000.0;
    return (sum - 5.0) / std::sqrt(10.0);
}

TEST(Myrand, DrawsOnceExceptForZero) {
    int v = -1;
    EXPECT_EQ(count_draws(3, [&] { v = myrand(0); }), 0);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(count_draws(3, [&] { v = myrand(1); }), 1);
    EXPECT_EQ(v, 0);
    for (unsigned seed = 1; seed < 40; ++seed) {
        seed_random(seed);
        const int first = next_random();
        seed_random(seed);
        EXPECT_EQ(myrand(7), first % 7);
        EXPECT_EQ(count_draws(seed, [] { myrand(1000); }), 1);
    }
}

TEST(Mygaussian, TenDrawsScaledAndClipped) {
    for (unsigned seed = 1; seed < 60; ++seed) {
        seed_random(seed);
        double expected = raw_gaussian_from_stream();
        expected = std::max(-1.0, std::min(1.0, expected));
        seed_random(seed);
        EXPECT_DOUBLE_EQ(mygaussian(), expected);
        EXPECT_EQ(count_draws(seed, [] { mygaussian(); }), 10);
    }
    // Find seeds whose first ten draws go beyond the clip bound in either direction; the value
    // is then exactly +-1, and the range draws reach the far end of their range.
    bool seen_high = false, seen_low = false;
    for (unsigned seed = 1; seed < 400000 && !(seen_high && seen_low); ++seed) {
        seed_random(seed);
        const double raw = raw_gaussian_from_stream();
        if (std::fabs(raw) <= 1.0) continue;
        (raw > 1.0 ? seen_high : seen_low) = true;
        seed_random(seed);
        EXPECT_EQ(mygaussian(), raw > 1.0 ? 1.0 : -1.0);
        seed_random(seed);
        EXPECT_EQ(mygaussian_left(3, 17), 3);
        seed_random(seed);
        EXPECT_EQ(mygaussian_right(3, 17), 17);
        seed_random(seed);
        EXPECT_EQ(mygaussian_right(0, 1), 1);
    }
    EXPECT_TRUE(seen_high);
    EXPECT_TRUE(seen_low);
}

TEST(MygaussianRange, EndsOfRangeAndTruncation) {
    int v = -1;
    EXPECT_EQ(count_draws(9, [&] { v = mygaussian_left(5, 5); }), 0);
    EXPECT_EQ(v, 5);
    EXPECT_EQ(count_draws(9, [&] { v = mygaussian_right(5, 5); }), 0);
    EXPECT_EQ(v, 5);
    int low = 0, high = 0;
    for (unsigned seed = 1; seed < 300; ++seed) {
        seed_random(seed);
        const double g = std::fabs(std::max(-1.0, std::min(1.0, raw_gaussian_from_stream())));
        seed_random(seed);
        const int l = mygaussian_left(2, 40);
        seed_random(seed);
        const int r = mygaussian_right(2, 40);
        EXPECT_EQ(l, 40 - static_cast<int>(38 * g));
        EXPECT_EQ(r, 2 + static_cast<int>(38 * g));
        EXPECT_EQ(count_draws(seed, [] { mygaussian_left(2, 40); }), 10);
        EXPECT_EQ(count_draws(seed, [] { mygaussian_right(2, 40); }), 10);
        seed_random(seed);
        const int b = mygaussian_right(0, 1);
        EXPECT_EQ(b, g == 1.0 ? 1 : 0);
        (l > 30 ? high : low) += 1;
    }
    // Most often close to ub for the left draw.
    EXPECT_GT(high, low);
}

TEST(MygaussianRangeDeathTest, LowerBoundAboveUpperBoundStops) {
    EXPECT_DEATH(mygaussian_left(4, 3), "lb<ub|lb < ub");
    EXPECT_DEATH(mygaussian_right(4, 3), "lb<ub|lb < ub");
}

}  // namespace
