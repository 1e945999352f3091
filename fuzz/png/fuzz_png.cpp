// Feeds arbitrary bytes to the PNG reader; a decoded picture must be fully addressable.
#include <cstddef>
#include <cstdint>

#include "runtime/gfx2d/image_readers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  korvane::MemorySource source(data, size);
  korvane::RgbaImage image;
  if (korvane::decodePng(image, source, 0x8000FF, "fuzz.png")) {
    volatile uint8_t sink = 0;
    const size_t bytes = static_cast<size_t>(image.width) * image.height * 4;
    for (size_t i = 0; i < bytes; i += 4093) sink = sink + image.pixels[i];
    sink = sink + image.pixels[bytes - 1];
  }
  return 0;
}
