// The runtime's largest-texture query, kept out of the public headers together with the hook
// that lets tests stand in for the driver's answer.
#pragma once

#include <cstdint>
#include <limits>

namespace korvane {

// The largest power of two a sprite row's signed 16-bit texture sizes hold: a driver that
// allows 32768 still gets textures of at most this side from the sprite code.
inline constexpr int32_t kLargestRowTextureSide = 16384;
static_assert(kLargestRowTextureSide <= std::numeric_limits<int16_t>::max() &&
              kLargestRowTextureSide * 2 > std::numeric_limits<int16_t>::max());

// GL_MAX_TEXTURE_SIZE (or the stand-in set below), at most kLargestRowTextureSide and at least
// 64, the least GL guarantees. Needs a current context unless a stand-in is set.
int32_t largestTextureSize();

// Tests only: `size` is answered in place of GL_MAX_TEXTURE_SIZE before the cap above is
// applied; 0 goes back to asking the driver.
void setReportedMaxTextureSizeForTesting(int32_t size);

// Tests only: while on, displays created afterwards leave the ten framebuffer-object entry
// points null, as on a driver without the extension, so offscreen targets are emulated.
void setFramebufferObjectsOffForTesting(bool off);

}  // namespace korvane
