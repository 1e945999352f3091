#include "tests/gfx2d/image_test_files.h"

#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

namespace korvane::testing {
namespace {

void put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

void appendToVector(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}
void noFlush(png_structp) {}

}  // namespace

std::vector<uint8_t> makeBmp(int headerSize, int32_t width, int32_t height, int bitsPerPixel,
                             const std::vector<uint8_t>& palette,
                             const std::vector<uint8_t>& pixelArea, int64_t dataOffset) {
  const uint32_t offset = dataOffset >= 0 ? static_cast<uint32_t>(dataOffset)
                                          : 14 + headerSize + static_cast<uint32_t>(palette.size());
  std::vector<uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  put32(out, offset + static_cast<uint32_t>(pixelArea.size()));
  put16(out, 0);
  put16(out, 0);
  put32(out, offset);
  put32(out, headerSize);
  if (headerSize == 12) {
    put16(out, static_cast<uint32_t>(width));
    put16(out, static_cast<uint32_t>(height));
    put16(out, 1);
    put16(out, bitsPerPixel);
  } else {
    put32(out, static_cast<uint32_t>(width));
    put32(out, static_cast<uint32_t>(height));
    put16(out, 1);
    put16(out, bitsPerPixel);
    for (int i = 0; i < 6; ++i) put32(out, 0);
    while (out.size() < static_cast<size_t>(14 + headerSize)) out.push_back(0);
  }
  out.insert(out.end(), palette.begin(), palette.end());
  if (out.size() < offset) out.resize(offset, 0);
  out.insert(out.end(), pixelArea.begin(), pixelArea.end());
  return out;
}

std::vector<uint8_t> makeBmp24(int32_t width, int32_t height, const std::vector<uint8_t>& rgba) {
  const int32_t rowSize = (3 * width + 3) / 4 * 4;
  std::vector<uint8_t> area(static_cast<size_t>(rowSize) * height, 0);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
      uint8_t* q = &area[static_cast<size_t>(height - 1 - y) * rowSize + x * 3];
      q[0] = p[2], q[1] = p[1], q[2] = p[0];
    }
  }
  return makeBmp(40, width, height, 24, {}, area);
}

std::vector<uint8_t> makePng(int32_t width, int32_t height, int channels, int bitDepth,
                             const std::vector<uint8_t>& samples, int trnsGrey) {
  static const int kTypes[] = {0, PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA,
                               PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA};
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::abort();
  }
  png_set_write_fn(png, &out, appendToVector, noFlush);
  png_set_IHDR(png, info, width, height, bitDepth, kTypes[channels], PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (trnsGrey >= 0) {
    png_color_16 grey{};
    grey.gray = static_cast<png_uint_16>(trnsGrey);
    png_set_tRNS(png, info, nullptr, 0, &grey);
  }
  png_write_info(png, info);
  const size_t rowBytes = static_cast<size_t>(width) * channels * (bitDepth / 8);
  for (int32_t y = 0; y < height; ++y) {
    png_write_row(png, const_cast<png_bytep>(samples.data() + y * rowBytes));
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::vector<uint8_t> withPngSize(std::vector<uint8_t> png, uint32_t width, uint32_t height) {
  // Signature (8), chunk length (4), "IHDR" at 12, width at 16, height at 20, checksum at 29.
  for (int i = 0; i < 4; ++i) {
    png[16 + i] = static_cast<uint8_t>(width >> (24 - 8 * i));
    png[20 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
  }
  const uint32_t crc = static_cast<uint32_t>(::crc32(0, png.data() + 12, 17));
  for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
  return png;
}

std::string writeTempFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  // One private directory per process, removed when the process ends.
  struct Dir {
    std::filesystem::path path;
    Dir() {
      std::random_device random;
      path = std::filesystem::temp_directory_path() /
             ("korvane-gfx2d-test-" + std::to_string(random()) + std::to_string(random()));
      std::filesystem::create_directories(path);
    }
    ~Dir() {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
    }
  };
  static const Dir dir;
  const std::filesystem::path path = dir.path / name;
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return path.string();
}

}  // namespace korvane::testing
