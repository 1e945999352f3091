// Arbitrary bytes through the number reader, checked against the C library's strtod on the
// characters the decimal form can contain, and the value's text read back.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/values/number_text.h"
#include "runtime/values/rt_string.h"

namespace {

// strtod reads exactly the decimal form once nothing else (hexadecimal digits, x, words) can
// appear; cut the text at the first other character.
bool decimalCharacter(char c) {
  return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E' ||
         c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool sameDouble(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "number text fuzz: %s\n", what);
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const double value = korvane::textToNumber(text.c_str());
  check(sameDouble(value, korvane::textToNumber(text.data(), text.size())), "length form");
  check(sameDouble(value, korvane::toNumber(korvane::RtString(text.c_str()))), "toNumber");
  check(!std::isnan(value), "NaN read");

  std::string decimal;
  for (char c : text) {
    if (!decimalCharacter(c)) break;
    decimal += c;
  }
  check(sameDouble(value, std::strtod(decimal.c_str(), nullptr)), "differs from strtod");

  // The value's text: bounded, without exponent letters other than "e", and it reads back as
  // the value rounded to 10 significant digits.
  const korvane::RtString shown = korvane::numberToText(value);
  check(korvane::lengthOf(shown) < korvane::kNumberTextCapacity, "text too long");
  if (std::isfinite(value)) {
    char tenDigits[64];
    std::snprintf(tenDigits, sizeof tenDigits, "%.9e", value);
    const double rounded = std::strtod(tenDigits, nullptr);
    check(korvane::textToNumber(korvane::textOf(shown)) == rounded, "text does not read back");
  }

  // Width and decimals taken from the input: the text always fits the 512-byte buffer.
  if (size >= 2) {
    const double width = static_cast<int8_t>(data[0]) * 5.0;
    const double decimals = static_cast<int8_t>(data[1]) * 5.0;
    const korvane::RtString formatted = korvane::formatNumber(width, decimals, value);
    check(korvane::lengthOf(formatted) <= 511 && formatted.capacity() == 512, "format length");
  }
  return 0;
}
