// What the screen grabs and the offscreen targets share inside gfx2d.
#pragma once

#include <GL/gl.h>

#include <cstdint>

#include "runtime/gfx2d/display_extensions.h"
#include "runtime/gfx2d/gfx2d_internal.h"

namespace korvane {

// Draws opaque (blending off, alpha level 1) while it lives, then gives the program back its
// blending, blend function and alpha level: the runtime's own probe, fills and restores must
// not be blended with whatever the program set.
class OpaqueDrawing {
 public:
  explicit OpaqueDrawing(Gfx2dState& state);
  ~OpaqueDrawing();
  OpaqueDrawing(const OpaqueDrawing&) = delete;
  OpaqueDrawing& operator=(const OpaqueDrawing&) = delete;

 private:
  Gfx2dState& state_;
  GLboolean blend_ = GL_FALSE;
  GLint source_ = GL_ONE;
  GLint destination_ = GL_ZERO;
  float level_ = 1;
};

// Side of a grabbed sprite's texture: the smallest power of two that is at least 32 and at
// least `size` (never past 2^30, so huge sizes cannot overflow).
int32_t grabTextureSideFor(int32_t size);

// Pack state for reading pixels into tightly packed rows: with the default alignment of 4, a
// 3-byte-per-pixel row of odd width would be padded past the buffer.
void setPackDefaults();

// A target draws through its framebuffer object only when one was made complete for it and
// the driver can bind it; otherwise it is emulated on the back buffer.
inline bool usesFramebuffer(const OffscreenTarget& target, const GlExtensionTable& gl) {
  return target.width != 0 && target.height != 0 && gl.glBindFramebufferEXT != nullptr;
}

}  // namespace korvane
