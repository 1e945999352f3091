// Windows bitmap reader: file header and info header field by field, then the pixel rows.
#include <array>
#include <cstdlib>
#include <vector>

#include "runtime/gfx2d/image_readers.h"

namespace korvane {
namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
// Where a palette starts after a 40-byte info header; data beyond it means a palette is there.
constexpr uint32_t kInfoPaletteStart = kFileHeaderSize + kInfoHeaderSize;
constexpr uint32_t kCorePaletteStart = kFileHeaderSize + kCoreHeaderSize;
constexpr int kPaletteEntries = 256;

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

struct Palette {
  // Entries past `count` stay black.
  std::array<std::array<uint8_t, 3>, kPaletteEntries> rgb{};
  int count = 0;
};

// Reads up to 256 entries of `entryBytes` (blue, green, red[, reserved]) from `start`, never past
// the data offset or the end of the file.
void readPalette(const ByteSource& source, uint64_t start, uint64_t dataOffset, int entryBytes,
                 Palette& palette) {
  const uint64_t end = std::min<uint64_t>(dataOffset, source.size());
  if (end <= start) return;
  const uint64_t fit = (end - start) / static_cast<uint64_t>(entryBytes);
  const int count = static_cast<int>(std::min<uint64_t>(fit, kPaletteEntries));
  std::vector<uint8_t> bytes(static_cast<size_t>(count) * entryBytes);
  if (count == 0 || !source.readAt(start, bytes.data(), bytes.size())) return;
  for (int i = 0; i < count; ++i) {
    const uint8_t* e = &bytes[static_cast<size_t>(i) * entryBytes];
    palette.rgb[i] = {e[2], e[1], e[0]};
  }
  palette.count = count;
}

bool fail(RgbaImage& image) {
  image.clear();
  return false;
}

}  // namespace

bool decodeBmp(RgbaImage& image, const ByteSource& source, int32_t colourKey) {
  uint8_t fileHeader[kFileHeaderSize];
  if (!source.readAt(0, fileHeader, sizeof fileHeader)) return fail(image);
  if (fileHeader[0] != 'B' || fileHeader[1] != 'M') return fail(image);
  const uint32_t dataOffset = le32(fileHeader + 10);  // the stored file size is not trusted

  uint8_t sizeField[4];
  if (!source.readAt(kFileHeaderSize, sizeField, 4)) return fail(image);
  const uint32_t headerSize = le32(sizeField);
  int64_t width = 0;
  int64_t height = 0;
  int bitsPerPixel = 0;
  uint8_t fields[kInfoHeaderSize - 4];
  if (headerSize == kCoreHeaderSize) {
    if (!source.readAt(kFileHeaderSize + 4, fields, kCoreHeaderSize - 4)) return fail(image);
    width = le16(fields);
    height = le16(fields + 2);
    bitsPerPixel = le16(fields + 6);
  } else if (headerSize == kInfoHeaderSize) {
    if (!source.readAt(kFileHeaderSize + 4, fields, kInfoHeaderSize - 4)) return fail(image);
    width = static_cast<int32_t>(le32(fields));
    height = static_cast<int32_t>(le32(fields + 4));
    bitsPerPixel = le16(fields + 10);
  } else {
    return fail(image);
  }
  height = std::abs(height);  // 64-bit, so even the most negative height is safe
  if (bitsPerPixel != 8 && bitsPerPixel != 24 && bitsPerPixel != 32) return fail(image);
  if (!imageSizeAllowed(width, height)) return fail(image);

  Palette palette;
  if (bitsPerPixel == 8) {
    if (dataOffset > kInfoPaletteStart) {
      if (headerSize == kCoreHeaderSize) {
        readPalette(source, kCorePaletteStart, dataOffset, 3, palette);
      } else {
        readPalette(source, kInfoPaletteStart, dataOffset, 4, palette);
      }
    }
    if (palette.count == 0) return fail(image);
  }

  const int bytesPerPixel = bitsPerPixel / 8;
  const uint64_t rowSize = (static_cast<uint64_t>(width) * bytesPerPixel + 3) / 4 * 4;
  const uint64_t areaSize = rowSize * static_cast<uint64_t>(height);
  if (dataOffset > source.size() || areaSize > source.size() - dataOffset) return fail(image);

  const int32_t w = static_cast<int32_t>(width);
  const int32_t h = static_cast<int32_t>(height);
  if (!image.resize(w, h)) return false;
  std::vector<uint8_t> row(rowSize);
  for (int32_t y = 0; y < h; ++y) {
    const uint64_t fileRow = static_cast<uint64_t>(h - 1 - y);
    if (!source.readAt(dataOffset + fileRow * rowSize, row.data(), rowSize)) return fail(image);
    for (int32_t x = 0; x < w; ++x) {
      uint8_t* out = image.pixel(x, y);
      if (bitsPerPixel == 8) {
        const auto& rgb = palette.rgb[row[x]];  // entries past the palette are black
        out[0] = rgb[0];
        out[1] = rgb[1];
        out[2] = rgb[2];
      } else {
        const uint8_t* in = &row[static_cast<size_t>(x) * bytesPerPixel];
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
      }
      out[3] = 255;
      if (matchesColourKey(colourKey, out[0], out[1], out[2]))
        out[0] = out[1] = out[2] = out[3] = 0;
    }
  }
  return true;
}

bool readBmp(RgbaImage& image, const std::string& path, int32_t colourKey) {
  FileSource file(path);
  if (!file.isOpen()) return fail(image);
  return decodeBmp(image, file, colourKey);
}

bool readImageFile(RgbaImage& image, const std::string& path, int32_t colourKey) {
  return readBmp(image, path, colourKey) || readPng(image, path, colourKey);
}

}  // namespace korvane
