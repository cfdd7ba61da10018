#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "scenes/truncation.h"

namespace {

TEST(Truncation, Int32TruncatesTowardZeroInsideTheRange) {
    EXPECT_EQ(truncToInt32(-8.41), -8);
    EXPECT_EQ(truncToInt32(5.99), 5);
    EXPECT_EQ(truncToInt32(2147483647.9), 2147483647);
    EXPECT_EQ(truncToInt32(-2147483648.9), INT32_MIN);
}

TEST(Truncation, Int32OutsideTheRangeGivesTheIndefiniteValue) {
    EXPECT_EQ(truncToInt32(2147483648.0), INT32_MIN);
    EXPECT_EQ(truncToInt32(-2147483649.0), INT32_MIN);
    EXPECT_EQ(truncToInt32(1e300), INT32_MIN);
    EXPECT_EQ(truncToInt32(std::numeric_limits<double>::infinity()), INT32_MIN);
    EXPECT_EQ(truncToInt32(std::nan("")), INT32_MIN);
}

TEST(Truncation, Int64KeepsTheLow32Bits) {
    EXPECT_EQ(truncToInt64Low32(4294967295.9), 0xFFFFFFFFu);
    EXPECT_EQ(truncToInt64Low32(4294967296.5), 0u);
    EXPECT_EQ(truncToInt64Low32(4294967298.0), 2u);
    EXPECT_EQ(truncToInt64Low32(-1.5), 0xFFFFFFFFu);
    EXPECT_EQ(truncToInt64Low32(-0.99), 0u);
    EXPECT_EQ(truncToInt64Low32(-9223372036854775808.0), 0u);
    EXPECT_EQ(truncToInt64Low32(9223372036854774784.0), 0xFFFFFC00u);  // largest double below 2^63
}

TEST(Truncation, Int64OutsideTheRangeGivesZeroLowBits) {
    EXPECT_EQ(truncToInt64Low32(9223372036854775808.0), 0u);
    EXPECT_EQ(truncToInt64Low32(-1e300), 0u);
    EXPECT_EQ(truncToInt64Low32(std::nan("")), 0u);
}

}  // namespace
