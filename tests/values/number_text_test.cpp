// Number text: the 10-digit layout, fixed-point formatting, hex dumps and the reading rule.
#include "runtime/values/number_text.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <string>

namespace korvane {
namespace {

std::string str(const RtString& s) { return std::string(viewOf(s)); }

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct TextRow {
  double value;
  const char* text;
};

// Every row is also checked through numberTextLength and writeNumberText.
const TextRow kNumberTexts[] = {
    {1, "1"},
    {2.5, "2.5"},
    {-3, "-3"},
    {1.0 / 3.0, "0.3333333333"},
    {-2.0 / 3.0, "-0.6666666667"},
    {1234.5678, "1234.5678"},
    {0.5, "0.5"},
    {0, "0"},
    {-0.0, "0"},
    {0.1 + 0.2, "0.3"},
    {100, "100"},
    {0.1, "0.1"},             // exponent -1: still fixed
    {0.099999999999, "0.1"},  // rounds up into the fixed range
    {0.05, "5.e-002"},        // exponent -2: exponent form, the point stays
    {-0.0123, "-1.23e-002"},
    {1e10, "1.e+010"},
    {9999999999.0, "9999999999"},  // ten digits, still fixed
    {9999999999.5, "1.e+010"},     // rounds up across the power of ten
    {999999999.95, "1000000000"},
    {1234567890123.0, "1.23456789e+012"},  // the tenth digit is a dropped zero
    {2147483647.0, "2147483647"},
    {-2147483648.0, "-2147483648"},
    {123456789012.0, "1.23456789e+011"},
    {1e100, "1.e+100"},
    {1.7976931348623157e308, "1.797693135e+308"},
    {2.2250738585072014e-308, "2.225073859e-308"},
    {4.9406564584124654e-324, "4.940656458e-324"},  // the smallest denormal
    {1e-5, "1.e-005"},
    {0.000123456789012, "1.23456789e-004"},
    {kInf, "inf"},
    {-kInf, "-inf"},
    {kNaN, "nan"},
    {-kNaN, "nan"},
};

TEST(NumberTextTest, NumberToTextFollowsTheTenDigitLayout) {
  for (const TextRow& row : kNumberTexts) {
    EXPECT_EQ(str(numberToText(row.value)), row.text) << "value " << row.value;
    EXPECT_EQ(numberTextLength(row.value), static_cast<double>(std::strlen(row.text)));
    char out[kNumberTextCapacity];
    EXPECT_EQ(writeNumberText(row.value, out), std::strlen(row.text));
    EXPECT_STREQ(out, row.text);
  }
  EXPECT_EQ(str(numberToText(0.1f)), "0.1000000015");  // floats are widened first
}

// The digits must be the correctly rounded ones: compare with the C library's exact %.9e over
// many values of every magnitude, through the text read back.
TEST(NumberTextTest, NumberToTextIsCorrectlyRoundedToTenDigits) {
  std::mt19937_64 random(20240611);
  std::uniform_int_distribution<uint64_t> bits;
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  std::uniform_int_distribution<int> magnitude(-4, 12);  // around the fixed range
  for (int i = 0; i < 200000; ++i) {
    double value;
    if (i % 2 == 0) {
      const uint64_t b = bits(random);
      std::memcpy(&value, &b, sizeof value);
      if (!std::isfinite(value)) continue;
    } else {
      value = mantissa(random) * std::pow(10.0, magnitude(random));
    }
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.9e", value);
    const double rounded = std::strtod(expected, nullptr);
    const RtString text = numberToText(value);
    ASSERT_EQ(textToNumber(textOf(text)), rounded) << expected << " gave " << textOf(text);
    const int exponent = std::atoi(std::strchr(expected, 'e') + 1);
    const bool fixed = rounded == 0 || (exponent >= -1 && exponent <= 9);
    ASSERT_EQ(std::strchr(textOf(text), 'e') == nullptr, fixed) << textOf(text);
  }
}

TEST(NumberTextTest, IntegerToTextIsPlainDecimal) {
  const std::pair<int32_t, const char*> rows[] = {
      {0, "0"}, {7, "7"}, {-42, "-42"}, {INT32_MAX, "2147483647"}, {INT32_MIN, "-2147483648"}};
  for (const auto& [value, text] : rows) {
    const RtString s = integerToText(value);
    EXPECT_EQ(str(s), text);
    EXPECT_EQ(s.capacity(), 512u);
  }
}

TEST(NumberTextTest, FormatNumberPrintsFixedPointInAField) {
  struct Row {
    double width, decimals, value;
    const char* text;
  };
  // clang-format off
  const Row rows[] = {
      {6, 2, 3.14159, "  3.14"},
      {8, 2, -3.14159, "   -3.14"},
      {0, 2, 3.14159, "3.14"},            // width 0: the shortest text
      {0, 0, 2.5, "2"},                   // ties go to even, as printf does
      {0, 0, 3.5, "4"},
      {2, 0, 5, " 5"},                    // two-character clock fields
      {2, 0, 12, "12"},
      {1, 3, 1e10, "10000000000.000"},    // never the exponent form
      {-6, 1, 2.5, "2.5   "},             // a negative width aligns left
      {5.9, 1.9, 1.25, "  1.2"},          // width and decimals truncated; 1.25 is a binary tie
      {0, -3, 7.7, "8"},                  // negative decimals count as 0
      {kNaN, kNaN, 1.5, "2"},             // NaN width and decimals count as 0
      {0, 2, -0.001, "-0.00"},
      {6, 2, kInf, "   inf"},
      {0, 2, -kInf, "-inf"},
      {0, 2, kNaN, "nan"},
  };
  // clang-format on
  for (const Row& row : rows) {
    const RtString s = formatNumber(row.width, row.decimals, row.value);
    EXPECT_EQ(str(s), row.text) << row.width << " " << row.decimals << " " << row.value;
    EXPECT_EQ(s.capacity(), 512u);
  }
}

TEST(NumberTextTest, FormatNumberStaysUnderFiveHundredTwelveCharacters) {
  // Huge widths and decimals are limited; the largest double with many decimals drops decimals
  // rather than being cut off.
  const RtString wide = formatNumber(1e9, 0, 1);
  EXPECT_EQ(lengthOf(wide), 511u);
  EXPECT_EQ(wide.capacity(), 512u);
  EXPECT_EQ(textOf(wide)[510], '1');
  EXPECT_EQ(lengthOf(formatNumber(-kInf, 0, 1)), 511u);
  EXPECT_EQ(lengthOf(formatNumber(kInf, 0, 1)), 511u);

  const RtString manyDecimals = formatNumber(0, 1e9, 0.5);
  EXPECT_EQ(lengthOf(manyDecimals), 511u);
  EXPECT_EQ(str(manyDecimals).substr(0, 4), "0.50");

  const RtString largest = formatNumber(0, 400, -1.7976931348623157e308);
  EXPECT_LE(lengthOf(largest), 511u);
  EXPECT_EQ(str(largest).substr(0, 5), "-1797");
  EXPECT_EQ(textToNumber(textOf(largest)), -1.7976931348623157e308);
}

TEST(NumberTextTest, BytesToHexWritesTwoUpperCaseDigitsPerByte) {
  const unsigned char bytes[] = {0x00, 0xAB, 0x7F, 0x10, 0xFF};
  EXPECT_EQ(str(bytesToHex(bytes, 2)), "00AB");
  EXPECT_EQ(str(bytesToHex(bytes, 5)), "00AB7F10FF");
  EXPECT_TRUE(bytesToHex(bytes, 0).usesSharedEmptyText());
  const std::string big(300, '\x5A');
  const RtString hex = bytesToHex(big.data(), big.size());
  EXPECT_EQ(lengthOf(hex), 600u);
  EXPECT_EQ(hex.capacity(), 1024u);
}

TEST(NumberTextTest, TextToNumberReadsTheLongestDecimalPrefix) {
  struct Row {
    const char* text;
    double value;
  };
  const Row rows[] = {
      {"7up", 7},
      {"up7", 0},
      {"", 0},
      {" \t\r\n\v\f-1.5e3x", -1500},
      {"+.5", 0.5},
      {"5.", 5},
      {".e5", 0},  // a point alone has no digits
      {"-", 0},
      {"1e", 1},  // an exponent without digits is not taken
      {"1e+", 1},
      {"2E-2", 0.02},
      {"00012.5e-1", 1.25},
      {"0.1", 0.1},
      {"1.7976931348623157e308", 1.7976931348623157e308},
      {"1e400", kInf},
      {"-1e400", -kInf},
      {"1e-400", 0},
      {"0.000001e-318", 0},     // underflow written with leading fraction zeros
      {"100000e-328", 1e-323},  // a denormal, correctly rounded
      {"4.9e-324", 4.9406564584124654e-324},
      {"1e99999999999999999999", kInf},
      {"1e-99999999999999999999", 0},
      {"inf", 0},  // no words, no hexadecimal
      {"nan", 0},
      {"-infinity", 0},
      {"0x1A", 0},
      {"1,5", 1},                                // the decimal point is always "."
      {"9007199254740993", 9007199254740992.0},  // ties to even
  };
  for (const Row& row : rows) {
    EXPECT_EQ(textToNumber(row.text), row.value) << row.text;
  }
  EXPECT_TRUE(std::signbit(textToNumber("-0")));
  EXPECT_TRUE(std::signbit(textToNumber("-1e-400")));
  EXPECT_EQ(textToNumber(nullptr), 0.0);
  // The length bound and an embedded NUL both end the text.
  EXPECT_EQ(textToNumber("12345", 3), 123.0);
  EXPECT_EQ(textToNumber("12\0"
                         "34",
                         5),
            12.0);
  // A long run of digits is read exactly (rounded once).
  const std::string longDigits = "0." + std::string(5000, '3');
  EXPECT_EQ(textToNumber(longDigits.c_str()), 1.0 / 3.0);
}

// Another locale's decimal comma must not leak into the number text, in either direction.
TEST(NumberTextTest, ConversionsIgnoreTheProcessLocale) {
  const auto dir = std::filesystem::temp_directory_path() / "korvane-values-locale";
  std::filesystem::create_directories(dir);
  const std::string make =
      "localedef -i de_DE -f ISO-8859-1 '" + (dir / "de_DE").string() + "' >/dev/null 2>&1";
  if (std::system(make.c_str()) != 0 && !std::filesystem::exists(dir / "de_DE")) {
    GTEST_SKIP() << "localedef cannot build a decimal-comma locale here";
  }
  setenv("LOCPATH", dir.c_str(), 1);
  if (std::setlocale(LC_ALL, "de_DE") == nullptr) GTEST_SKIP() << "locale did not load";
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.1f", 2.5);
  EXPECT_STREQ(probe, "2,5");  // the locale really is active

  EXPECT_EQ(str(numberToText(2.5)), "2.5");
  EXPECT_EQ(str(formatNumber(6, 2, 3.14159)), "  3.14");
  EXPECT_EQ(textToNumber("2.5"), 2.5);
  EXPECT_EQ(textToNumber("2,5"), 2.0);
  std::setlocale(LC_ALL, "C");
  unsetenv("LOCPATH");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace korvane
