/*
 * The program's own source: draws in [0, 1) and a different sequence for every instance.
 */
#include "systemuniformsource.h"

#include <gtest/gtest.h>

TEST(SystemUniformSource, DrawsLieInTheHalfOpenInterval) {
    EXPECT_EQ(UniformSource::fromBits(0), 0.0f);
    EXPECT_LT(UniformSource::fromBits(0xFFFFFFFFu), 1.0f);

    SystemUniformSource first;
    SystemUniformSource second;
    bool differ = false;
    for (int i = 0; i < 10000; ++i) {
        const float a = first.next();
        const float b = second.next();
        ASSERT_GE(a, 0.0f);
        ASSERT_LT(a, 1.0f);
        differ = differ || a != b;
    }
    // Seeded from the system, two sources do not repeat each other.
    EXPECT_TRUE(differ);
}
