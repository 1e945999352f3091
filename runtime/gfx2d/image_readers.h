// BMP and PNG readers producing RgbaImage. On failure every reader empties the image (width,
// height and capacity 0, buffer freed) and returns false. `colourKey` is a 0x00BBGGRR colour
// whose pixels become (0, 0, 0, 0), or kNoColourKey.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "runtime/gfx2d/rgba_image.h"
#include "runtime/lib/byte_source.h"

namespace korvane {

// What readPng prints on standard output for a depth or colour type it cannot take. The first
// line of each pair names the file (and the depth).
enum PngMessageId { kPngBitDepth, kPngOnlyDepth8, kPngColourType, kPngSupportedTypes };
inline constexpr std::array<const char*, 4> kPngMessages = {
    "File %s has bit depth %d.\n",                   // kPngBitDepth
    "Only bit depth of 8 is supported.",             // kPngOnlyDepth8
    "File %s has unsupported color type.\n",         // kPngColourType
    "Types GRAY, RGB and RGB_ALPHA are supported.",  // kPngSupportedTypes
};
static_assert(kPngMessages.size() == kPngSupportedTypes + 1);

// Windows bitmaps with the 12- or 40-byte info header, 8 (palette), 24 or 32 bits per pixel.
// Rows are always read bottom-up, also when the stored height is negative.
bool readBmp(RgbaImage& image, const std::string& path, int32_t colourKey);
bool decodeBmp(RgbaImage& image, const ByteSource& source, int32_t colourKey);

// PNG pictures through libpng, expanded and stripped to 8-bit grey, RGB or RGBA. Unsupported
// depths and colour types print two lines naming `name` on standard output; other channel
// counts (grey with alpha) fail without a word.
bool readPng(RgbaImage& image, const std::string& path, int32_t colourKey);
bool decodePng(RgbaImage& image, const ByteSource& source, int32_t colourKey,
               const std::string& name);

// readBmp, and readPng when that fails: how every picture file is read.
bool readImageFile(RgbaImage& image, const std::string& path, int32_t colourKey);

}  // namespace korvane
