#include "runtime/gfx2d/glyph_table.h"

#include <cstring>

namespace korvane {
namespace {

// Outlines reach one pixel past the glyph's 5 x 6 area but stay within the cell's 7 x 8 corner.
constexpr int kOutlineColumns = 7;
constexpr int kOutlineRows = 8;

bool inkAt(int code, int cellX, int cellY) {
  const int k = cellX - 1;
  const int r = cellY - 1;
  if (k < 0 || k >= kGlyphColumns || r < 0 || r >= kGlyphRows) return false;
  return glyphBit(code, r, k);
}

}  // namespace

bool makeBuiltinFont(RgbaImage& image) {
  if (!image.resize(kBuiltinFontWidth, kBuiltinFontHeight)) return false;
  std::memset(image.pixels.get(), 0,
              static_cast<size_t>(kBuiltinFontWidth) * kBuiltinFontHeight * 4);
  for (int code = kFirstGlyphCode; code < 128; ++code) {
    const int left = kBuiltinCellSize * (code % 16);
    const int top = kBuiltinCellSize * (code / 16);
    for (int y = 0; y < kOutlineRows; ++y) {
      for (int x = 0; x < kOutlineColumns; ++x) {
        const uint8_t* colour = nullptr;
        if (inkAt(code, x, y)) {
          colour = kGlyphInk;
        } else if (inkAt(code, x - 1, y) || inkAt(code, x + 1, y) || inkAt(code, x, y - 1) ||
                   inkAt(code, x, y + 1)) {
          colour = kGlyphOutline;
        }
        if (colour) std::memcpy(image.pixel(left + x, top + y), colour, 4);
      }
    }
  }
  return true;
}

}  // namespace korvane
