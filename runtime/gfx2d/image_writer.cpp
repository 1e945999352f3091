// BMP and PNG encoders into memory, and the one call that puts a picture file on disk.
#include "runtime/gfx2d/image_writer.h"

#include <png.h>

#include <csetjmp>
#include <memory>
#include <new>
#include <utility>

#include "runtime/lib/file_paths.h"
#include "runtime/platform/files.h"

namespace korvane {
namespace {

constexpr std::string_view kPngSuffix = ".png";

bool validPicture(const BgrRows& picture) {
  return picture.pixels != nullptr && picture.width >= 1 && picture.height >= 1 &&
         picture.width <= kMaxWrittenSide && picture.height <= kMaxWrittenSide &&
         picture.rowPitch >= picture.width &&
         int64_t{picture.width} * picture.height <= kMaxWrittenPixels;
}

bool isKey(int32_t key, const uint8_t* bgr) {
  if (key == -1) return false;
  const uint32_t rgb = uint32_t{bgr[2]} | uint32_t{bgr[1]} << 8 | uint32_t{bgr[0]} << 16;
  return rgb == (static_cast<uint32_t>(key) & 0xFFFFFFu);
}

const uint8_t* rowOf(const BgrRows& picture, int32_t row) {
  return picture.pixels + static_cast<size_t>(row) * static_cast<size_t>(picture.rowPitch) * 3;
}

void putLittleEndian(uint8_t* at, uint32_t bytes, uint32_t value) {
  for (uint32_t i = 0; i < bytes; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

void appendToVector(png_structp png, png_bytep data, png_size_t size) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  // No C++ exception may cross libpng's C frames: a failed growth becomes its own error.
  bool grown = true;
  try {
    out->insert(out->end(), data, data + size);
  } catch (...) {
    grown = false;
  }
  if (!grown) png_error(png, "Out of memory");
}

void noFlush(png_structp) {}

}  // namespace

bool isPngName(std::string_view name) {
  if (name.size() <= kPngSuffix.size()) return false;
  const std::string_view tail = name.substr(name.size() - kPngSuffix.size());
  for (size_t i = 0; i < kPngSuffix.size(); ++i) {
    char c = tail[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kPngSuffix[i]) return false;
  }
  return true;
}

int64_t bmpRowBytes(int32_t width) { return (int64_t{width} * 3 + 3) / 4 * 4; }

std::vector<uint8_t> encodeBmp(const BgrRows& picture, int32_t transparentColour) {
  std::vector<uint8_t> file;
  if (!validPicture(picture)) return file;
  const int64_t rowBytes = bmpRowBytes(picture.width);
  const int64_t fileSize = rowBytes * picture.height + kBmpHeaderBytes;
  if (fileSize > INT32_MAX) return file;
  try {
    file.assign(static_cast<size_t>(fileSize), 0);
  } catch (...) {
    return {};
  }
  for (const BmpHeaderField& f : kBmpHeaderFields) {
    uint32_t value = f.value;
    if (f.field == BmpField::fileSize) value = static_cast<uint32_t>(fileSize);
    if (f.field == BmpField::width) value = static_cast<uint32_t>(picture.width);
    if (f.field == BmpField::height) value = static_cast<uint32_t>(picture.height);
    putLittleEndian(file.data() + f.offset, f.bytes, value);
  }
  uint8_t* out = file.data() + kBmpHeaderBytes;
  for (int32_t r = 0; r < picture.height; ++r, out += rowBytes) {
    const uint8_t* in = rowOf(picture, r);
    for (int32_t x = 0; x < picture.width; ++x, in += 3) {
      const uint8_t* bgr = isKey(transparentColour, in) ? kBmpTransparentBgr.data() : in;
      out[x * 3] = bgr[0];
      out[x * 3 + 1] = bgr[1];
      out[x * 3 + 2] = bgr[2];
    }
  }
  return file;
}

std::vector<uint8_t> encodePng(const BgrRows& picture, int32_t transparentColour) {
  if (!validPicture(picture)) return {};
  const size_t rowBytes = static_cast<size_t>(picture.width) * 4;
  std::unique_ptr<uint8_t[]> rgba(new (std::nothrow)
                                      uint8_t[rowBytes * static_cast<size_t>(picture.height)]);
  std::unique_ptr<png_bytep[]> rows(new (std::nothrow)
                                        png_bytep[static_cast<size_t>(picture.height)]);
  if (!rgba || !rows) return {};
  // Picture row r (top-down) is buffer row height - 1 - r.
  for (int32_t r = 0; r < picture.height; ++r) {
    const uint8_t* in = rowOf(picture, picture.height - 1 - r);
    uint8_t* out = rgba.get() + static_cast<size_t>(r) * rowBytes;
    rows[static_cast<size_t>(r)] = out;
    for (int32_t x = 0; x < picture.width; ++x, in += 3, out += 4) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
      out[3] = isKey(transparentColour, in) ? 0 : 255;
    }
  }

  // The bytes live on the heap behind a pointer that never changes: a local changed between
  // setjmp and libpng's long jump would be indeterminate afterwards.
  const auto file = std::make_unique<std::vector<uint8_t>>();
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return {};
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return {};
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, file.get(), appendToVector, noFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
               static_cast<png_uint_32>(picture.height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows.get());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return std::move(*file);
}

uint8_t writeImageFile(const std::string& name, const BgrRows& picture, int32_t transparentColour) {
  const std::vector<uint8_t> file = isPngName(name) ? encodePng(picture, transparentColour)
                                                    : encodeBmp(picture, transparentColour);
  if (file.empty()) return 0;
  // A directory that takes no new file still lets a writable picture be rewritten in place.
  return platform::replaceFileWhole(toSystemPath(name), file.data(), file.size(),
                                    platform::FileReplacement::WhenNoSpareFile::writeInPlace)
             ? 1
             : 0;
}

}  // namespace korvane
