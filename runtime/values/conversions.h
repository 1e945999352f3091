// How a program's doubles become integers and flags. C++ leaves the conversion of NaN, the
// infinities and out-of-range values undefined; here every double has a defined result.
#pragma once

#include <cstdint>

namespace korvane {

// Truncated toward zero. NaN, the infinities and values outside the 32-bit range give
// INT32_MIN (the x86 conversion's "integer indefinite"), so a NaN index is out of range.
constexpr int32_t truncateToInt32(double value) {
  // Written as a range test rather than the conversion intrinsic: compilers fold the intrinsic
  // with constant arguments as if it were the undefined C++ conversion.
  if (value > -2147483649.0 && value < 2147483648.0) return static_cast<int32_t>(value);
  return INT32_MIN;
}

// The same rule at 64 bits: INT64_MIN for NaN, the infinities and values outside the range.
// Writes that keep the low 32 bits of a value use this, so that an unsigned 32-bit value read
// from a file is written back unchanged.
constexpr int64_t truncateToInt64(double value) {
  if (value >= -9223372036854775808.0 && value < 9223372036854775808.0) {
    return static_cast<int64_t>(value);
  }
  return INT64_MIN;
}

// A flag: any value other than 0 is true, NaN included.
constexpr bool isTrue(double value) { return value != 0.0; }

}  // namespace korvane
