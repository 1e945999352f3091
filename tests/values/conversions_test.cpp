// Double to integer and flag conversions, defined for every double.
#include "runtime/values/conversions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace korvane {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Constant arguments must give the same results as run-time ones (a compiler may fold them).
static_assert(truncateToInt32(kNaN) == INT32_MIN);
static_assert(truncateToInt32(-kInf) == INT32_MIN);
static_assert(truncateToInt32(3e10) == INT32_MIN);
static_assert(truncateToInt32(-7.9) == -7);
static_assert(truncateToInt64(kNaN) == INT64_MIN);
static_assert(isTrue(kNaN) && !isTrue(0.0));

TEST(ConversionsTest, TruncateToInt32TowardZeroElseTheMostNegative) {
  struct Row {
    double value;
    int32_t expected;
  };
  const Row rows[] = {
      {0.0, 0},
      {-0.5, 0},
      {0.999, 0},
      {-1.999, -1},
      {1e9 + 0.7, 1000000000},
      {2147483647.0, INT32_MAX},
      {2147483647.9, INT32_MAX},
      {-2147483648.0, INT32_MIN},
      {-2147483648.9, INT32_MIN},
      {2147483648.0, INT32_MIN},  // just out of range
      {-2147483649.0, INT32_MIN},
      {1e300, INT32_MIN},
      {kInf, INT32_MIN},
      {-kInf, INT32_MIN},
      {kNaN, INT32_MIN},
      {std::numeric_limits<double>::denorm_min(), 0},
  };
  for (const Row& row : rows) EXPECT_EQ(truncateToInt32(row.value), row.expected) << row.value;
  // Folded at compile time inside an expression, as an index literal would be.
  EXPECT_EQ(truncateToInt32(std::numeric_limits<double>::quiet_NaN()), INT32_MIN);
  EXPECT_EQ(truncateToInt32(1e10), INT32_MIN);
}

TEST(ConversionsTest, TruncateToInt64KeepsUnsigned32BitValues) {
  struct Row {
    double value;
    int64_t expected;
  };
  const Row rows[] = {
      {4294967295.0, 4294967295},  // an unsigned 32-bit value from a file survives
      {-7.9, -7},
      {9007199254740993.0, 9007199254740992},
      {9223372036854774784.0, 9223372036854774784},  // the largest double below 2^63
      {9223372036854775808.0, INT64_MIN},            // 2^63: out of range
      {-9223372036854775808.0, INT64_MIN},           // -2^63 itself
      {kInf, INT64_MIN},
      {-kInf, INT64_MIN},
      {kNaN, INT64_MIN},
  };
  for (const Row& row : rows) EXPECT_EQ(truncateToInt64(row.value), row.expected) << row.value;
  EXPECT_EQ(static_cast<uint32_t>(truncateToInt64(4294967295.0)), 0xFFFFFFFFu);
}

TEST(ConversionsTest, AnythingButZeroIsTrue) {
  EXPECT_FALSE(isTrue(0.0));
  EXPECT_FALSE(isTrue(-0.0));
  for (double v : {1.0, -1.0, 0.5, 1e-320, kInf, -kInf, kNaN}) EXPECT_TRUE(isTrue(v)) << v;
}

}  // namespace
}  // namespace korvane
