// The decoded picture the image readers produce, and the limits every reader enforces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>

namespace korvane {

// Each side of a picture: the most the sprite row's signed 16-bit sizes hold. A side beyond the
// largest texture is cut when uploaded, so this is not tied to any driver's limit.
inline constexpr int32_t kMaxImageSide = std::numeric_limits<int16_t>::max();
// Total pixels of one picture (256 MiB of RGBA): the guard against huge allocations.
inline constexpr int64_t kMaxImagePixels = int64_t{1} << 26;

// True when a picture of this size may be decoded.
constexpr bool imageSizeAllowed(int64_t width, int64_t height) {
  return width >= 1 && height >= 1 && width <= kMaxImageSide && height <= kMaxImageSide &&
         width * height <= kMaxImagePixels;
}

// RGBA bytes (red, green, blue, alpha), row 0 the top of the picture.
struct RgbaImage {
  int32_t width = 0;
  int32_t height = 0;
  std::unique_ptr<uint8_t[]> pixels;
  size_t capacity = 0;  // bytes allocated at `pixels`

  // Makes room for width × height pixels, reusing the buffer when it is large enough. The
  // contents are unspecified. Returns false (image emptied) when the size is not allowed or
  // the allocation fails.
  bool resize(int32_t newWidth, int32_t newHeight);

  // Width, height and capacity 0, buffer freed.
  void clear();

  uint8_t* pixel(int32_t x, int32_t y) {
    return pixels.get() + (static_cast<size_t>(y) * static_cast<size_t>(width) + x) * 4;
  }
  const uint8_t* pixel(int32_t x, int32_t y) const {
    return pixels.get() + (static_cast<size_t>(y) * static_cast<size_t>(width) + x) * 4;
  }
};

// Colour key meaning "no colour is transparent".
inline constexpr int32_t kNoColourKey = -1;

// True when (red, green, blue) is the key's colour; the key's top byte is ignored.
constexpr bool matchesColourKey(int32_t key, uint8_t red, uint8_t green, uint8_t blue) {
  if (key == kNoColourKey) return false;
  const uint32_t rgb = uint32_t{red} | uint32_t{green} << 8 | uint32_t{blue} << 16;
  return rgb == (static_cast<uint32_t>(key) & 0xFFFFFFu);
}

}  // namespace korvane
