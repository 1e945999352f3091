// The picture files the runtime writes: screenshots and sprites as 24-bit BMP or RGBA PNG. The
// encoders build the whole file in memory, so a failure never leaves a part of one on disk.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// The largest picture the writers take: each side, and all pixels (1 GiB of RGBA).
inline constexpr int32_t kMaxWrittenSide = 32767;
inline constexpr int64_t kMaxWrittenPixels = int64_t{1} << 28;

// The picture the writers read: 3 bytes per pixel (blue, green, red), rows bottom-up (the first
// row is the bottom of the picture), `rowPitch` pixels from one row to the next.
struct BgrRows {
  const uint8_t* pixels = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t rowPitch = 0;
};

// True when the name is longer than 4 characters and ends in "." and p, n, g in any case.
bool isPngName(std::string_view name);

// The fields of the 54-byte BMP header in file order, little-endian. Fields whose value depends
// on the picture (file size, width, height) carry 0 here and are filled in by the encoder.
enum class BmpField {
  magic,
  fileSize,
  reserved1,
  reserved2,
  dataOffset,
  infoSize,
  width,
  height,
  planes,
  bitsPerPixel,
  compression,
  imageSize,
  xPixelsPerMetre,
  yPixelsPerMetre,
  coloursUsed,
  coloursImportant,
};
struct BmpHeaderField {
  BmpField field;
  uint32_t offset;
  uint32_t bytes;
  uint32_t value;
};
inline constexpr uint32_t kBmpHeaderBytes = 54;
inline constexpr std::array<BmpHeaderField, 16> kBmpHeaderFields = {{
    {BmpField::magic, 0, 2, 0x4D42},  // "B", "M"
    {BmpField::fileSize, 2, 4, 0},    // row size × height + 54
    {BmpField::reserved1, 6, 2, 0},
    {BmpField::reserved2, 8, 2, 0},
    {BmpField::dataOffset, 10, 4, kBmpHeaderBytes},
    {BmpField::infoSize, 14, 4, 40},
    {BmpField::width, 18, 4, 0},
    {BmpField::height, 22, 4, 0},  // positive: rows bottom-up
    {BmpField::planes, 26, 2, 1},
    {BmpField::bitsPerPixel, 28, 2, 24},
    {BmpField::compression, 30, 4, 0},
    {BmpField::imageSize, 34, 4, 0},
    {BmpField::xPixelsPerMetre, 38, 4, 10000},
    {BmpField::yPixelsPerMetre, 42, 4, 10000},
    {BmpField::coloursUsed, 46, 4, 0},
    {BmpField::coloursImportant, 50, 4, 0},
}};

// How a pixel of the transparent colour is written to a BMP: the default key 0x8000FF, so the
// file reads back transparent with the default key.
inline constexpr std::array<uint8_t, 3> kBmpTransparentBgr = {128, 0, 255};

// Bytes of one BMP row of `width` pixels: 3 × width rounded up to a multiple of 4.
int64_t bmpRowBytes(int32_t width);

// A 24-bit BMP of the picture, rows in buffer order and zero-padded; pixels equal to
// `transparentColour` (0x00BBGGRR, compared on all three channels; -1: none) are written as
// kBmpTransparentBgr. Empty when the picture is empty, larger than the limits above, or
// `rowPitch` is below the width.
std::vector<uint8_t> encodeBmp(const BgrRows& picture, int32_t transparentColour);

// An 8-bit RGBA PNG of the picture, rows top-down; alpha 255 except for pixels equal to
// `transparentColour` (all three channels; -1: none), which get alpha 0 as the BMP writer
// recognises them. Empty on the same conditions as encodeBmp and on any libpng error.
std::vector<uint8_t> encodePng(const BgrRows& picture, int32_t transparentColour);

// Writes the picture to `name` ("\" becomes "/"): PNG for isPngName names, else BMP. The file
// is replaced whole or left as it was (written in place only where its directory takes no new
// file). Returns 1 on success, 0 on any failure.
uint8_t writeImageFile(const std::string& name, const BgrRows& picture, int32_t transparentColour);

}  // namespace korvane
