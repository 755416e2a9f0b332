#include <gtest/gtest.h>
TEST(Placeholder2, Build) {}
