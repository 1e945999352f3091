// Number text without the C library's locale: digits come from std::to_chars / from_chars
// (correctly rounded), the layout rules are applied here.
#include "runtime/values/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

#include "runtime/values/conversions.h"

namespace korvane {

namespace {
constexpr int kSignificantDigits = 10;
constexpr int kFixedLowestExponent = -1;
constexpr int kFixedHighestExponent = 9;
constexpr uint64_t kNumberReserve = 64;
constexpr uint64_t kFormatReserve = 256;
// formatNumber's text must leave room for the NUL in a 512-byte buffer.
constexpr int kFormatLongest = 511;
constexpr char kHexDigits[] = "0123456789ABCDEF";
static_assert(sizeof kHexDigits == 17);

std::size_t copyText(char* out, const char* text) {
  const std::size_t n = std::strlen(text);
  std::memcpy(out, text, n + 1);
  return n;
}

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The text of a non-finite value, shared by both formatters.
const char* nonFiniteText(double value) {
  if (std::isnan(value)) return "nan";
  return value > 0 ? "inf" : "-inf";
}

void setText(RtString& s, uint64_t reserved, const char* text, std::size_t length) {
  reserve(s, std::max<uint64_t>(reserved, length));
  s.assignBytes(text, length);
}
}  // namespace

std::size_t writeNumberText(double value, char* out) noexcept {
  if (!std::isfinite(value)) return copyText(out, nonFiniteText(value));
  if (value == 0.0) return copyText(out, "0");  // both zeros: a program has no use for "-0"

  // d.ddddddddde±XX: the ten rounded digits and the exponent after rounding, so that a value
  // such as 9999999999.5 that rounds up across a power of ten takes the exponent form.
  char sci[32];
  const auto result = std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific,
                                    kSignificantDigits - 1);
  *result.ptr = '\0';
  const char* p = sci;
  char* o = out;
  if (*p == '-') *o++ = *p++;
  char digits[kSignificantDigits];
  digits[0] = p[0];
  std::memcpy(digits + 1, p + 2, kSignificantDigits - 1);
  const char* e = std::strchr(p, 'e');
  int exponent = 0;
  std::from_chars(e + (e[1] == '+' ? 2 : 1), result.ptr, exponent);

  int kept = kSignificantDigits;  // digits left once trailing zeros are dropped
  while (kept > 1 && digits[kept - 1] == '0') --kept;

  if (exponent >= kFixedLowestExponent && exponent <= kFixedHighestExponent) {
    if (exponent < 0) {
      *o++ = '0';
      *o++ = '.';
      o = std::copy(digits, digits + kept, o);
    } else {
      const int integerDigits = exponent + 1;
      o = std::copy(digits, digits + integerDigits, o);
      if (kept > integerDigits) {
        *o++ = '.';
        o = std::copy(digits + integerDigits, digits + kept, o);
      }
    }
  } else {
    // The point stays even without fraction digits: it is not the last character.
    *o++ = digits[0];
    *o++ = '.';
    o = std::copy(digits + 1, digits + kept, o);
    *o++ = 'e';
    *o++ = exponent < 0 ? '-' : '+';
    const int magnitude = exponent < 0 ? -exponent : exponent;
    *o++ = static_cast<char>('0' + magnitude / 100);
    *o++ = static_cast<char>('0' + magnitude / 10 % 10);
    *o++ = static_cast<char>('0' + magnitude % 10);
  }
  *o = '\0';
  return static_cast<std::size_t>(o - out);
}

RtString integerToText(int32_t value) {
  char text[kNumberTextCapacity];
  const auto result = std::to_chars(text, text + sizeof text, value);
  RtString s;
  setText(s, kNumberReserve, text, static_cast<std::size_t>(result.ptr - text));
  return s;
}

RtString numberToText(double value) {
  char text[kNumberTextCapacity];
  const std::size_t length = writeNumberText(value, text);
  RtString s;
  setText(s, kNumberReserve, text, length);
  return s;
}

RtString numberToText(float value) { return numberToText(static_cast<double>(value)); }

double numberTextLength(double value) noexcept {
  char text[kNumberTextCapacity];
  return static_cast<double>(writeNumberText(value, text));
}

RtString formatNumber(double width, double decimals, double value) {
  // Clamped as doubles first, so NaN and the infinities never reach the integer conversion.
  const double w =
      std::isnan(width) ? 0.0 : std::clamp(width, -1.0 * kFormatLongest, 1.0 * kFormatLongest);
  const double d = std::isnan(decimals) ? 0.0 : std::clamp(decimals, 0.0, 1.0 * kFormatLongest);
  const int fieldWidth = truncateToInt32(w);
  int places = truncateToInt32(d);

  // Longest case: a sign, 309 integer digits, the point and 511 decimals.
  char text[1024];
  std::size_t length = 0;
  if (!std::isfinite(value)) {
    length = copyText(text, nonFiniteText(value));
  } else {
    for (;;) {
      const auto result =
          std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, places);
      length = static_cast<std::size_t>(result.ptr - text);
      if (length <= static_cast<std::size_t>(kFormatLongest) || places == 0) break;
      // Fewer decimals, never a cut-off text: each place dropped shortens the text by one.
      places = std::max(0, places - static_cast<int>(length - kFormatLongest));
    }
  }

  const std::size_t field = static_cast<std::size_t>(fieldWidth < 0 ? -fieldWidth : fieldWidth);
  const std::size_t padding = field > length ? field - length : 0;
  char padded[kFormatLongest + 1];
  char* o = padded;
  if (fieldWidth > 0) o = std::fill_n(o, padding, ' ');
  o = std::copy(text, text + length, o);
  if (fieldWidth < 0) o = std::fill_n(o, padding, ' ');
  RtString s;
  setText(s, kFormatReserve, padded, static_cast<std::size_t>(o - padded));
  return s;
}

RtString bytesToHex(const void* bytes, std::size_t count) {
  RtString s;
  if (count == 0 || bytes == nullptr) return s;
  reserve(s, 2 * static_cast<uint64_t>(count));
  const auto* in = static_cast<const unsigned char*>(bytes);
  char* out = s.buf();
  for (std::size_t i = 0; i < count; ++i) {
    out[2 * i] = kHexDigits[in[i] >> 4];
    out[2 * i + 1] = kHexDigits[in[i] & 0x0F];
  }
  out[2 * count] = '\0';
  resyncLength(s);
  return s;
}

double textToNumber(const char* text) noexcept {
  if (text == nullptr) return 0.0;
  return textToNumber(text, std::strlen(text));
}

double textToNumber(const char* text, std::size_t length) noexcept {
  if (text == nullptr) return 0.0;
  // A NUL ends the text early, as it would for a C text.
  if (const void* nul = std::memchr(text, '\0', length); nul != nullptr) {
    length = static_cast<std::size_t>(static_cast<const char*>(nul) - text);
  }
  std::size_t i = 0;
  while (i < length && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < length && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const std::size_t start = i;
  std::size_t integerDigits = 0;
  std::size_t fractionDigits = 0;
  // The value lies near 10^(magnitude - 1 + exponent), magnitude counted from the first
  // non-zero digit: it tells an overflow from an underflow below.
  int64_t magnitude = 0;
  bool nonZeroSeen = false;
  bool nonZeroInIntegerPart = false;
  bool afterPoint = false;
  for (; i < length; ++i) {
    const char c = text[i];
    if (isDigit(c)) {
      if (c != '0' && !nonZeroSeen) {
        nonZeroSeen = true;
        nonZeroInIntegerPart = !afterPoint;
        magnitude = afterPoint ? -static_cast<int64_t>(fractionDigits)
                               : -static_cast<int64_t>(integerDigits);
      }
      ++(afterPoint ? fractionDigits : integerDigits);
    } else if (c == '.' && !afterPoint) {
      afterPoint = true;
    } else {
      break;
    }
  }
  if (integerDigits + fractionDigits == 0) return 0.0;
  if (nonZeroInIntegerPart) magnitude += static_cast<int64_t>(integerDigits);
  int64_t exponent = 0;
  if (i < length && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    bool exponentNegative = false;
    if (j < length && (text[j] == '+' || text[j] == '-')) {
      exponentNegative = text[j] == '-';
      ++j;
    }
    if (j < length && isDigit(text[j])) {
      for (; j < length && isDigit(text[j]); ++j) {
        exponent = std::min<int64_t>(exponent * 10 + (text[j] - '0'), 1000000000);
      }
      if (exponentNegative) exponent = -exponent;
      i = j;
    }
  }

  double value = 0.0;
  const auto result = std::from_chars(text + start, text + i, value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    value = magnitude + exponent > 0 ? HUGE_VAL : 0.0;
  }
  return negative ? -value : value;
}

}  // namespace korvane
