// Numbers to text and back, independent of the process locale: the fixed 10-significant-digit
// layout, fixed-point formatting, hexadecimal dumps and the decimal reading rule.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/values/rt_string.h"

namespace korvane {

// Room that writeNumberText needs (the longest text, "-1.234567891e-308", is 17 bytes).
inline constexpr std::size_t kNumberTextCapacity = 32;

// Decimal digits, a leading minus for negative values.
RtString integerToText(int32_t value);

// 10 significant digits, correctly rounded. Fixed notation when the decimal exponent (after
// rounding) is -1 to 9, else one digit, the point, the remaining digits, "e", a sign and three
// exponent digits. Trailing fraction zeros are dropped, and so is a point left at the very end:
// 1 -> "1", 0.05 -> "5.e-002", 1e10 -> "1.e+010", 1/3 -> "0.3333333333".
// Zero of either sign prints "0"; the infinities print "inf" and "-inf"; NaN prints "nan".
// The result has capacity 512 (64 bytes reserved).
RtString numberToText(double value);
RtString numberToText(float value);

// The same text written to `out` (at least kNumberTextCapacity bytes), NUL-terminated; returns
// its length. No allocation.
std::size_t writeNumberText(double value, char* out) noexcept;

// The value right-aligned in at least `width` characters (left-aligned when width is negative),
// rounded to `decimals` places, never in exponent form: width 6, decimals 2, 3.14159 -> "  3.14".
// NaN width or decimals count as 0, negative decimals as 0; both are limited, and the decimals
// reduced further if needed, so that the text stays under 512 characters.
RtString formatNumber(double width, double decimals, double value);

// Two characters from "0123456789ABCDEF" per byte, high half first.
RtString bytesToHex(const void* bytes, std::size_t count);

// Leading white space skipped, then the longest prefix of the form
// [sign] digits [. digits] [(e|E) [sign] digits] (at least one digit before or after the point)
// is converted, correctly rounded; 0 when there is none. No hexadecimal, "inf" or "nan".
// Values beyond the double range give +/- infinity. A null text reads as 0.
double textToNumber(const char* text) noexcept;
// The same over `length` bytes (stopping early at a NUL).
double textToNumber(const char* text, std::size_t length) noexcept;

// The length of numberToText(value), as a double.
double numberTextLength(double value) noexcept;

}  // namespace korvane
