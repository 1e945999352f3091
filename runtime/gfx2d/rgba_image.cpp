#include "runtime/gfx2d/rgba_image.h"

#include <new>

namespace korvane {

bool RgbaImage::resize(int32_t newWidth, int32_t newHeight) {
  if (!imageSizeAllowed(newWidth, newHeight)) {
    clear();
    return false;
  }
  const size_t bytes = static_cast<size_t>(newWidth) * static_cast<size_t>(newHeight) * 4;
  if (bytes > capacity || !pixels) {
    pixels.reset(new (std::nothrow) uint8_t[bytes]);
    if (!pixels) {
      clear();
      return false;
    }
    capacity = bytes;
  }
  width = newWidth;
  height = newHeight;
  return true;
}

void RgbaImage::clear() {
  pixels.reset();
  capacity = 0;
  width = 0;
  height = 0;
}

}  // namespace korvane
