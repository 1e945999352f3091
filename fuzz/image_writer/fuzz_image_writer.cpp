// Round trip of the picture writers: the first bytes choose a size, a row pitch and a
// transparent colour, the rest are the pixels. Both files must decode to the pixels written
// (pixels of the transparent colour as the writers mark them); anything else stops the run.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "runtime/gfx2d/image_readers.h"
#include "runtime/gfx2d/image_writer.h"

namespace {

constexpr size_t kHeaderBytes = 4;
constexpr int32_t kMaxSide = 64;

bool isKey(int32_t key, const uint8_t* bgr) {
  if (key == korvane::kNoColourKey) return false;
  return (uint32_t{bgr[2]} | uint32_t{bgr[1]} << 8 | uint32_t{bgr[0]} << 16) ==
         (static_cast<uint32_t>(key) & 0xFFFFFFu);
}

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeaderBytes) return 0;
  const int32_t width = 1 + data[0] % kMaxSide;
  const int32_t height = 1 + data[1] % kMaxSide;
  const int32_t pitch = width + data[2] % 4;
  // Most inputs: no transparent colour; otherwise the colour of the first pixel.
  const bool keyed = data[3] % 2 == 1;
  std::vector<uint8_t> rows(static_cast<size_t>(pitch) * height * 3, 0);
  for (size_t i = 0; i < rows.size() && kHeaderBytes + i < size; ++i) {
    rows[i] = data[kHeaderBytes + i];
  }
  const int32_t key = keyed ? (rows[2] | rows[1] << 8 | rows[0] << 16) : korvane::kNoColourKey;
  const korvane::BgrRows picture{rows.data(), width, height, pitch};

  const std::vector<uint8_t> bmp = korvane::encodeBmp(picture, key);
  const std::vector<uint8_t> png = korvane::encodePng(picture, key);
  korvane::RgbaImage fromBmp, fromPng;
  korvane::MemorySource bmpSource(bmp.data(), bmp.size());
  korvane::MemorySource pngSource(png.data(), png.size());
  check(korvane::decodeBmp(fromBmp, bmpSource, korvane::kNoColourKey));
  check(korvane::decodePng(fromPng, pngSource, korvane::kNoColourKey, "fuzz.png"));
  check(fromBmp.width == width && fromBmp.height == height);
  check(fromPng.width == width && fromPng.height == height);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const uint8_t* in = &rows[(static_cast<size_t>(height - 1 - y) * pitch + x) * 3];
      const bool transparent = isKey(key, in);
      const uint8_t* b = fromBmp.pixel(x, y);
      const uint8_t* p = fromPng.pixel(x, y);
      // In a BMP the transparent colour becomes 0x8000FF; a PNG keeps it with alpha 0.
      const uint8_t expected[3] = {transparent ? uint8_t{255} : in[2],
                                   transparent ? uint8_t{0} : in[1],
                                   transparent ? uint8_t{128} : in[0]};
      check(b[0] == expected[0] && b[1] == expected[1] && b[2] == expected[2] && b[3] == 255);
      check(p[0] == in[2] && p[1] == in[1] && p[2] == in[0] && p[3] == (transparent ? 0 : 255));
    }
  }
  return 0;
}
