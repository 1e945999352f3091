// The math commands over tables of cases, and randomInteger's truncation and range.
#include "runtime/lib/math_functions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <set>

#include "runtime/lib/random_generator.h"

namespace korvane {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

using Unary = double (*)(double);

struct UnaryRow {
  const char* name;
  Unary function;
  double argument;
  double expected;
  double tolerance;  // 0: exact
};

void checkRows(const UnaryRow* rows, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const UnaryRow& r = rows[i];
    const double got = r.function(r.argument);
    if (std::isnan(r.expected)) {
      EXPECT_TRUE(std::isnan(got)) << r.name << "(" << r.argument << ") = " << got;
    } else if (r.tolerance == 0) {
      EXPECT_EQ(got, r.expected) << r.name << "(" << r.argument << ")";
    } else {
      EXPECT_NEAR(got, r.expected, r.tolerance) << r.name << "(" << r.argument << ")";
    }
  }
}

TEST(MathFunctionsTest, DegreeTrigonometry) {
  const UnaryRow rows[] = {
      {"sinDeg", sinDeg, 90, 1, 0},       {"sinDeg", sinDeg, 30, 0.5, 1e-15},
      {"sinDeg", sinDeg, -90, -1, 0},     {"sinDeg", sinDeg, 0, 0, 0},
      {"cosDeg", cosDeg, 180, -1, 0},     {"cosDeg", cosDeg, 60, 0.5, 1e-15},
      {"cosDeg", cosDeg, 0, 1, 0},        {"tanDeg", tanDeg, 45, 1, 1e-15},
      {"tanDeg", tanDeg, -45, -1, 1e-15}, {"sinDeg", sinDeg, kInf, kNaN, 0},
  };
  checkRows(rows, std::size(rows));
}

TEST(MathFunctionsTest, InverseFunctionsClampAndReturnDegrees) {
  const UnaryRow rows[] = {
      {"arcSinDeg", arcSinDeg, 1, 90, 0},       {"arcSinDeg", arcSinDeg, 2, 90, 0},
      {"arcSinDeg", arcSinDeg, kInf, 90, 0},    {"arcSinDeg", arcSinDeg, -1, -90, 0},
      {"arcSinDeg", arcSinDeg, -7, -90, 0},     {"arcSinDeg", arcSinDeg, 0.5, 30, 1e-13},
      {"arcSinDeg", arcSinDeg, 0, 0, 0},        {"arcSinDeg", arcSinDeg, kNaN, kNaN, 0},
      {"arcCosDeg", arcCosDeg, 1, 0, 0},        {"arcCosDeg", arcCosDeg, 3, 0, 0},
      {"arcCosDeg", arcCosDeg, -1, 180, 0},     {"arcCosDeg", arcCosDeg, -5, 180, 0},
      {"arcCosDeg", arcCosDeg, 0.5, 60, 1e-13}, {"arcCosDeg", arcCosDeg, 0, 90, 0},
      {"arcCosDeg", arcCosDeg, kNaN, kNaN, 0},
  };
  checkRows(rows, std::size(rows));
}

TEST(MathFunctionsTest, ArcTan2DegCoversAllQuadrants) {
  struct Row {
    double y, x, expected;
  } const rows[] = {
      {1, 0, 90}, {0, -1, 180}, {-1, 0, -90}, {0, 1, 0}, {-0.0, -1, -180}, {0, 0, 0},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(arcTan2Deg(r.y, r.x), r.expected) << r.y << ", " << r.x;
  }
  EXPECT_NEAR(arcTan2Deg(1, 1), 45, 1e-13);
  EXPECT_NEAR(arcTan2Deg(-1, -1), -135, 1e-13);
}

TEST(MathFunctionsTest, RootAbsoluteAndPower) {
  const UnaryRow rows[] = {
      {"squareRoot", squareRoot, 9, 3, 0},     {"squareRoot", squareRoot, 2, std::sqrt(2.0), 0},
      {"squareRoot", squareRoot, -1, kNaN, 0}, {"absolute", absolute, -2.5, 2.5, 0},
      {"absolute", absolute, 2.5, 2.5, 0},     {"absolute", absolute, -kInf, kInf, 0},
  };
  checkRows(rows, std::size(rows));
  // Negative zero is not below 0, so it comes back unchanged.
  EXPECT_TRUE(std::signbit(absolute(-0.0)));
  EXPECT_TRUE(std::signbit(squareRoot(-0.0)));

  EXPECT_EQ(power(2, 10), 1024);
  EXPECT_EQ(power(2, -1), 0.5);
  EXPECT_EQ(power(9, 0.5), 3);
  EXPECT_EQ(power(0, 0), 1);
  EXPECT_EQ(power(kNaN, 0), 1);
  EXPECT_TRUE(std::isnan(power(-8, 1.0 / 3)));
}

TEST(MathFunctionsTest, IntegerRemainder) {
  constexpr double kMin32 = -2147483648.0;
  struct Row {
    double a, b, expected;
  } const rows[] = {
      {7.9, 3, 1},
      {-7, 3, -1},
      {7, -3, 1},
      {-7.9, -3.9, -1},
      {6, 3, 0},
      {5, 0, 0},
      {5, -0.0, 0},
      {5, 0.5, 0},  // b truncates to 0
      {5, -0.9, 0},
      {kMin32, -1, 0},  // the overflowing division
      {kMin32, -1.5, 0},
      {kMin32, 3, -2},
      {1e10, 7, -2},  // out of range: the most negative integer,
                      // -2147483648 % 7
      {kNaN, 7, -2},
      {5, kNaN, 5},  // divisor is the most negative integer
      {2147483647, 2, 1},
  };
  for (const Row& r : rows) {
    const double got = integerRemainder(r.a, r.b);
    EXPECT_EQ(got, r.expected) << r.a << " rem " << r.b;
  }
}

TEST(MathFunctionsTest, BoxesOverlap) {
  struct Row {
    double x1, y1, w1, h1, x2, y2, w2, h2, expected;
  } const rows[] = {
      {0, 0, 10, 10, 10, 0, 5, 5, 1},  // touching along an edge
      {0, 0, 10, 10, 10.5, 0, 5, 5, 0},
      {0, 0, 10, 10, 10, 10, 5, 5, 1},     // touching at a corner
      {0, 0, 10, 10, 2, 2, 3, 3, 1},       // contained
      {0, 0, 10, 10, 2, 10.5, 3, 3, 0},    // apart on y only
      {10, 10, -10, -10, 10, 0, 5, 5, 1},  // negative extents: same as 0,0 10x10
      {10, 10, -10, -10, 10.5, 0, 5, 5, 0},
      {10, 10, -10, -10, -5, -5, 5, 5, 1},
      {0, 0, 10, 10, 20, 20, -10, -10, 1},  // other box negative, touching at 10,10
      {0, 0, 10, 10, 21, 0, -10.5, 5, 0},
      {3, 3, 0, 0, 3, 3, 0, 0, 1},  // two points at the same place
      {0, 0, kNaN, 10, 0, 0, 10, 10, 0},
      {kNaN, 0, 10, 10, 0, 0, 10, 10, 0},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(boxesOverlap(r.x1, r.y1, r.w1, r.h1, r.x2, r.y2, r.w2, r.h2), r.expected)
        << r.x1 << "," << r.y1 << " " << r.w1 << "x" << r.h1 << " vs " << r.x2 << "," << r.y2 << " "
        << r.w2 << "x" << r.h2;
    // Overlap is symmetric.
    EXPECT_EQ(boxesOverlap(r.x2, r.y2, r.w2, r.h2, r.x1, r.y1, r.w1, r.h1), r.expected);
  }
}

class RandomIntegerTest : public ::testing::Test {
 protected:
  void SetUp() override { seedRandom(20240611); }
};

TEST_F(RandomIntegerTest, SixStaysInZeroToSixAndReachesEveryValue) {
  std::set<double> seen;
  for (int i = 0; i < 10000; ++i) {
    const double v = randomInteger(6);
    ASSERT_GE(v, 0);
    ASSERT_LE(v, 6);
    ASSERT_EQ(v, std::trunc(v));
    seen.insert(v);
  }
  EXPECT_EQ(seen.size(), 7u);
}

TEST_F(RandomIntegerTest, ZeroAlwaysGivesZero) {
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(randomInteger(0), 0);
}

// randomInteger(n) is the next generator result modulo (m + 1), m the low word of n truncated
// through 64 bits; the same draws from a twin generator show which m each n became.
TEST_F(RandomIntegerTest, BoundIsTruncatedThroughSixtyFourBitsToItsLowWord) {
  struct Row {
    double n;
    uint64_t modulus;  // m + 1
  } const rows[] = {
      {6, 7},
      {6.99, 7},
      {-0.5, 1},
      {4294967296.0 + 5, 6},        // 2^32 + 5: low word 5
      {3000000000.0, 3000000001u},  // above the 32-bit range but inside 64 bits
      {-2, 0xffffffffu},            // low word 0xfffffffe
      {kNaN, 1},                    // most negative 64-bit integer: low word 0
      {1e300, 1},
      {-kInf, 1},
  };
  for (const Row& r : rows) {
    IsaacGenerator twin = randomGenerator();
    for (int i = 0; i < 50; ++i) {
      const double expected = static_cast<double>(twin.next() % r.modulus);
      ASSERT_EQ(randomInteger(r.n), expected) << "n = " << r.n << ", draw " << i;
    }
  }
}

TEST_F(RandomIntegerTest, AllLowBitsSetReturnsTheWholeResult) {
  for (double n : {-1.0, 4294967295.0, 8589934591.0}) {
    IsaacGenerator twin = randomGenerator();
    bool sawHighBit = false;
    for (int i = 0; i < 200; ++i) {
      const uint32_t raw = twin.next();
      sawHighBit |= raw >= 0x80000000u;
      ASSERT_EQ(randomInteger(n), static_cast<double>(raw)) << "n = " << n;
    }
    EXPECT_TRUE(sawHighBit);
  }
}

}  // namespace
}  // namespace korvane
