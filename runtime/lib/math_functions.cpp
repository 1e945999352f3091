// Degree trigonometry, remainders, box overlap and bounded random integers.
#include "runtime/lib/math_functions.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "runtime/lib/random_generator.h"
#include "runtime/values/conversions.h"

namespace korvane {

double sinDeg(double degrees) { return std::sin(degrees / kDegreeFactor); }
double cosDeg(double degrees) { return std::cos(degrees / kDegreeFactor); }
double tanDeg(double degrees) { return std::tan(degrees / kDegreeFactor); }

double arcSinDeg(double x) {
  if (x >= 1) return 90;
  if (x <= -1) return -90;
  return std::asin(x) * kDegreeFactor;
}

double arcCosDeg(double x) {
  if (x >= 1) return 0;
  if (x <= -1) return 180;
  return std::acos(x) * kDegreeFactor;
}

double arcTan2Deg(double y, double x) { return std::atan2(y, x) * kDegreeFactor; }

double squareRoot(double x) { return std::sqrt(x); }

double absolute(double x) { return x >= 0 ? x : -x; }

double power(double base, double exponent) { return std::pow(base, exponent); }

double integerRemainder(double a, double b) {
  if (b == 0) return 0;
  const int32_t divisor = truncateToInt32(b);
  const int32_t dividend = truncateToInt32(a);
  if (divisor == 0) return 0;
  if (divisor == -1) return 0;  // also spares INT32_MIN % -1, which traps
  return dividend % divisor;
}

namespace {

struct Span {
  double low;
  double high;
};

Span spanOf(double position, double extent) {
  const double end = position + extent;
  return end < position ? Span{end, position} : Span{position, end};
}

// max(starts) <= min(ends), spelled so that a NaN anywhere fails the test.
bool spansMeet(Span a, Span b) { return a.low <= b.high && b.low <= a.high; }

}  // namespace

double boxesOverlap(double x1, double y1, double w1, double h1, double x2, double y2, double w2,
                    double h2) {
  const bool overlap =
      spansMeet(spanOf(x1, w1), spanOf(x2, w2)) && spansMeet(spanOf(y1, h1), spanOf(y2, h2));
  return overlap ? 1 : 0;
}

double randomInteger(double n) {
  const uint32_t m = static_cast<uint32_t>(truncateToInt64(n));
  const uint32_t r = randomGenerator().next();
  if (m == std::numeric_limits<uint32_t>::max()) return r;
  return r % (m + 1);
}

}  // namespace korvane
