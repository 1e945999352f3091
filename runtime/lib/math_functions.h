// The runtime's math commands: doubles in and out, angles in degrees.
#pragma once

namespace korvane {

// 180 / pi: forward functions divide their argument by it, inverse functions multiply by it.
inline constexpr double kDegreeFactor = 57.29577951308232;

double sinDeg(double degrees);
double cosDeg(double degrees);
double tanDeg(double degrees);

// Clamped: 90 for x >= 1, -90 for x <= -1, else asin(x) in degrees.
double arcSinDeg(double x);
// Clamped: 0 for x >= 1, 180 for x <= -1, else acos(x) in degrees.
double arcCosDeg(double x);
// atan2(y, x) in degrees, -180 to 180.
double arcTan2Deg(double y, double x);

// NaN for a negative x.
double squareRoot(double x);
// x when x >= 0 (so -0 stays -0), else -x.
double absolute(double x);
double power(double base, double exponent);

// a and b truncated toward zero to 32-bit integers, remainder with the sign of a. 0 when b is 0,
// when b truncates to 0, and for the one overflowing division (the most negative integer by -1).
double integerRemainder(double a, double b);

// 1 when the boxes overlap or touch, else 0. Extents may be negative: a box spans from the
// smaller to the larger of its position and position plus extent. Any NaN gives 0.
double boxesOverlap(double x1, double y1, double w1, double h1, double x2, double y2, double w2,
                    double h2);

// 0 to n inclusive: the next generator result modulo (m + 1), m being the low 32 bits of n
// truncated to 64 bits. When m is 0xffffffff the whole 32-bit result is returned.
double randomInteger(double n);

}  // namespace korvane
