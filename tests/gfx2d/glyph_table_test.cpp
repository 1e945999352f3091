// The built-in font: the glyph words and the 128 x 64 picture made from them.
#include "runtime/gfx2d/glyph_table.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace korvane {
namespace {

// The glyph words for codes 32..127 as published, sixteen per line.
constexpr const char* kPublishedWords[] = {
    "00000000 08021080 00002940 15F57D40 08E619C4 14222140 0ED114E0 00001080 08210880 04421040 "
    "09575480 08471080 04400000 00070000 08000000 04222100",
    "00E5294E 004210C4 00E1390E 00E4390E 0084394A 00E4384E 00E5384E 0042210E 00E5394E 00E4394E "
    "00020080 00220080 00820888 000701C0 00222082 0040310E",
    "00E0B526 00A5394E 00E5194E 00E5094E 00E52946 00E1384E 0021384E 00E5284E 00A5394A 00E2108E "
    "00E5210C 00A5194A 00E10842 015AD6BF 00A5294E 00E5294E",
    "0021394E 00F294A7 00A5194E 00E4384E 0042108E 00E5294A 0045294A 01FAD6B5 00A5114A 0042394A "
    "00E1110E 00610846 01041041 00621086 00000144 00E00000",
    "00000082 00E53000 00E53842 00E13800 00E53908 08273800 00423888 08873800 00A51842 00421004 "
    "04421004 00A32842 00421084 015ABC00 00A51800 00E53800",
    "04E51800 10E53000 00253800 00E409C0 00C23884 00C52800 00452800 00EAD400 00A22800 1C872800 "
    "00E121C0 00821888 00421084 00223082 0002A800 3F18C63F",
};

TEST(GlyphTableTest, WordsMatchThePublishedTable) {
  int code = kFirstGlyphCode;
  for (const char* line : kPublishedWords) {
    std::istringstream words(line);
    std::string word;
    while (words >> word) {
      SCOPED_TRACE(code);
      ASSERT_LT(code, 128);
      EXPECT_EQ(kGlyphWords[code - kFirstGlyphCode], std::stoul(word, nullptr, 16));
      ++code;
    }
  }
  EXPECT_EQ(code, 128);
}

// The letter A: strokes in cell columns 2..4 of rows 1..5, dark outline around them.
TEST(GlyphTableTest, BuiltinCellOfCodeSixtyFive) {
  constexpr const char* kExpected[8] = {
      // x: 0123456 7   ('#' white, 'o' outline, '.' transparent)
      "..ooo...",  //
      ".o###o..",  //
      ".o#o#o..",  //
      ".o###o..",  //
      ".o#o#o..",  //
      ".o#o#o..",  //
      "..o.o...",  //
      "........",
  };
  RgbaImage font;
  ASSERT_TRUE(makeBuiltinFont(font));
  ASSERT_EQ(font.width, 128);
  ASSERT_EQ(font.height, 64);
  const int left = 8 * (65 % 16);
  const int top = 8 * (65 / 16);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      SCOPED_TRACE(::testing::Message() << "x " << x << " y " << y);
      const uint8_t* p = font.pixel(left + x, top + y);
      const std::vector<uint8_t> got(p, p + 4);
      switch (kExpected[y][x]) {
        case '#':
          EXPECT_EQ(got, (std::vector<uint8_t>{255, 255, 255, 255}));
          break;
        case 'o':
          EXPECT_EQ(got, (std::vector<uint8_t>{8, 8, 8, 255}));
          break;
        default:
          EXPECT_EQ(got, (std::vector<uint8_t>{0, 0, 0, 0}));
      }
    }
  }
}

TEST(GlyphTableTest, ControlCodesAndTheLastCellColumnStayEmpty) {
  RgbaImage font;
  ASSERT_TRUE(makeBuiltinFont(font));
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 128; ++x) {
      const bool controlRow = y < 16;      // cell rows 0 and 1: codes 0..31
      const bool lastColumn = x % 8 == 7;  // outlines stop at cell column 6
      if (controlRow || lastColumn) {
        ASSERT_EQ(font.pixel(x, y)[3], 0) << x << "," << y;
      }
    }
  }
  // Code 127 is a full frame, so its outline reaches cell column 6 and row 7.
  EXPECT_EQ(font.pixel(8 * 15 + 6, 8 * 7 + 3)[0], 8);
  EXPECT_EQ(font.pixel(8 * 15 + 3, 8 * 7 + 7)[0], 8);
}

}  // namespace
}  // namespace korvane
