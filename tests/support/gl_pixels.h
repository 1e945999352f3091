// Reading what was drawn: one back-buffer pixel, addressed from the top-left like the screen.
#pragma once

#include <GL/gl.h>

#include <array>

namespace korvane::testing {

using Rgb = std::array<int, 3>;

// Finishes the drawing first: the software rasteriser works at the flush.
inline Rgb backBufferPixel(int x, int y, int screenHeight) {
  glFinish();
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  unsigned char p[3] = {};
  glReadPixels(x, screenHeight - 1 - y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
  return {p[0], p[1], p[2]};
}

}  // namespace korvane::testing
