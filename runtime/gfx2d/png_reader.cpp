// PNG reader through libpng. Everything between setjmp and libpng's long jump is plain data:
// locals changed after the setjmp are volatile and freed by hand on the error path.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <new>

#include "runtime/gfx2d/image_readers.h"

namespace korvane {
namespace {

constexpr size_t kSignatureBytes = 8;

struct PngInput {
  const ByteSource* source;
  uint64_t position;
};

void readFromSource(png_structp png, png_bytep out, png_size_t count) {
  auto* input = static_cast<PngInput*>(png_get_io_ptr(png));
  if (!input->source->readAt(input->position, out, count)) png_error(png, "Read Error");
  input->position += count;
}

// Widens packed rows of `channels` bytes per pixel to RGBA in place, from the last pixel back,
// so no source byte is overwritten before it is read.
void expandToRgba(RgbaImage& image, int channels, int32_t colourKey) {
  const size_t count = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
  uint8_t* data = image.pixels.get();
  for (size_t i = count; i-- > 0;) {
    const uint8_t* in = data + i * channels;
    uint8_t* out = data + i * 4;
    if (channels == 4) continue;
    uint8_t r, g, b;
    if (channels == 3) {
      r = in[0], g = in[1], b = in[2];
    } else {
      r = g = b = in[0];
    }
    if (channels == 3 && matchesColourKey(colourKey, r, g, b)) {
      out[0] = out[1] = out[2] = out[3] = 0;
    } else {
      out[0] = r, out[1] = g, out[2] = b, out[3] = 255;
    }
  }
}

}  // namespace

bool decodePng(RgbaImage& image, const ByteSource& source, int32_t colourKey,
               const std::string& name) {
  png_byte signature[kSignatureBytes];
  // Not a PNG at all: fail quietly instead of letting libpng report it.
  if (!source.readAt(0, signature, kSignatureBytes) ||
      png_sig_cmp(signature, 0, kSignatureBytes) != 0) {
    image.clear();
    return false;
  }
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) {
    image.clear();
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    image.clear();
    return false;
  }
  PngInput input{&source, 0};
  png_bytep* volatile rows = nullptr;
  if (setjmp(png_jmpbuf(png))) {
    delete[] rows;
    png_destroy_read_struct(&png, &info, nullptr);
    image.clear();
    return false;
  }
  png_set_read_fn(png, &input, readFromSource);
  png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
  png_read_info(png, info);

  const int sourceType = png_get_color_type(png, info);
  const int sourceDepth = png_get_bit_depth(png, info);
  if (sourceType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (sourceType == PNG_COLOR_TYPE_GRAY && sourceDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  if (sourceDepth == 16) png_set_strip_16(png);
  if (sourceDepth < 8) png_set_packing(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);

  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  const int channels = png_get_channels(png, info);
  const int depth = png_get_bit_depth(png, info);
  const int type = png_get_color_type(png, info);
  bool accepted = true;
  if (channels != 1 && channels != 3 && channels != 4) {
    accepted = false;  // grey with alpha: refused without a message
  } else if (depth != 8) {
    std::printf(kPngMessages[kPngBitDepth], name.c_str(), depth);
    std::fputs(kPngMessages[kPngOnlyDepth8], stdout);
    accepted = false;
  } else if (type != PNG_COLOR_TYPE_GRAY && type != PNG_COLOR_TYPE_RGB &&
             type != PNG_COLOR_TYPE_RGB_ALPHA) {
    std::printf(kPngMessages[kPngColourType], name.c_str());
    std::fputs(kPngMessages[kPngSupportedTypes], stdout);
    accepted = false;
  }
  const size_t rowBytes = png_get_rowbytes(png, info);
  if (accepted && (rowBytes != static_cast<size_t>(width) * channels ||
                   !image.resize(static_cast<int32_t>(width), static_cast<int32_t>(height)))) {
    accepted = false;
  }
  if (!accepted) {
    png_destroy_read_struct(&png, &info, nullptr);
    image.clear();
    return false;
  }
  // The packed rows go to the front of the RGBA buffer and are widened in place afterwards.
  rows = new (std::nothrow) png_bytep[height];
  if (!rows) png_error(png, "Out of memory");
  for (png_uint_32 r = 0; r < height; ++r) rows[r] = image.pixels.get() + r * rowBytes;
  png_read_image(png, rows);

  delete[] rows;
  rows = nullptr;
  png_destroy_read_struct(&png, &info, nullptr);
  expandToRgba(image, channels, colourKey);
  return true;
}

bool readPng(RgbaImage& image, const std::string& path, int32_t colourKey) {
  FileSource file(path);
  if (!file.isOpen()) {
    image.clear();
    return false;
  }
  return decodePng(image, file, colourKey, path);
}

}  // namespace korvane
