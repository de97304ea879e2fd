#include "update.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(LearningValueFor, GivesEachFrequencyTheLevelItReaches) {
    const std::int32_t frequencies[] = {-1, 0, 4, 5, 9, 10, 19, 20, 500};
    const std::int32_t values[] = {0, 0, 0, 1, 1, 2, 2, 3, 3};
    for (std::size_t i = 0; i < std::size(frequencies); ++i) {
        EXPECT_EQ(learning_value_for(frequencies[i], 5, 10, 20), values[i]) << frequencies[i];
    }
}

TEST(LearningValueFor, ComparesSignedAtTheBounds) {
    constexpr std::int32_t int_max = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t int_min = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(learning_value_for(int_min, 1, 2, 3), 0);
    EXPECT_EQ(learning_value_for(int_max, 1, 2, int_max), 3);
    EXPECT_EQ(learning_value_for(int_max - 1, 1, 2, int_max), 2);
    // Tested from level 3 down: the highest level reached wins.
    EXPECT_EQ(learning_value_for(7, 1, 8, 7), 3);
}

}  // namespace
