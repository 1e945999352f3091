// The CPU half of turning a picture into textures: the power-of-two buffer holding a region
// bottom-up, colour bleeding, the normal map and the hand-made mipmap levels.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/gfx2d/rgba_image.h"

namespace korvane {

// Smallest power of two that is at least 2 and at least `size`.
int32_t textureSideFor(int32_t size);

// RGBA texels, texture row 0 first (the bottom of the picture).
struct TextureBuffer {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> texels;

  uint8_t* texel(int32_t x, int32_t row) {
    return texels.data() + (static_cast<size_t>(row) * width + x) * 4;
  }
  const uint8_t* texel(int32_t x, int32_t row) const {
    return texels.data() + (static_cast<size_t>(row) * width + x) * 4;
  }
};

// A zeroed buffer of textureSideFor(width) × textureSideFor(height) holding the image's region
// (x, y, width, height) bottom-up: image row y + r lands in texture row height − 1 − r. Parts of
// the region outside the image stay (0, 0, 0, 0). Width and height must be at least 1.
TextureBuffer makeTextureBuffer(const RgbaImage& image, int32_t x, int32_t y, int32_t width,
                                int32_t height);

// Gives every fully transparent texel the average colour of its opaque neighbours in the
// texture's interior (black when there are none), so linear filtering shows no dark fringes.
void bleedColours(TextureBuffer& buffer);

// Replaces the colours by a normal map computed from the blue channel (edges wrap around);
// alpha is kept.
void makeNormalMap(TextureBuffer& buffer);

// Computes the next mipmap level from a level of `width` × `height` stored compactly at the
// start of `texels`, in place at the start of the same memory. Width and height are updated to
// the new level's (halved, never below 1).
void shrinkMipLevel(uint8_t* texels, int32_t& width, int32_t& height);

}  // namespace korvane
