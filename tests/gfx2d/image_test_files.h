// Builders for the small BMP and PNG files the image tests read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvane::testing {

// A bitmap with the given info header size (12 or 40), palette bytes and pixel area; the data
// offset is placed right after the palette unless `dataOffset` is given.
std::vector<uint8_t> makeBmp(int headerSize, int32_t width, int32_t height, int bitsPerPixel,
                             const std::vector<uint8_t>& palette,
                             const std::vector<uint8_t>& pixelArea, int64_t dataOffset = -1);

// A 24-bit bitmap of the RGBA picture (alpha dropped), rows bottom-up with padding.
std::vector<uint8_t> makeBmp24(int32_t width, int32_t height, const std::vector<uint8_t>& rgba);

// A PNG written by libpng: `channels` 1, 2, 3 or 4 at `bitDepth` 8 or 16, rows top-down,
// samples big-endian for 16 bits. `trnsGrey` >= 0 adds a grey tRNS chunk.
std::vector<uint8_t> makePng(int32_t width, int32_t height, int channels, int bitDepth,
                             const std::vector<uint8_t>& samples, int trnsGrey = -1);

// The PNG with its IHDR width and height replaced (and the checksum made valid again).
std::vector<uint8_t> withPngSize(std::vector<uint8_t> png, uint32_t width, uint32_t height);

// Writes bytes to a new file under a private directory of the test; returns its path.
std::string writeTempFile(const std::string& name, const std::vector<uint8_t>& bytes);

}  // namespace korvane::testing
