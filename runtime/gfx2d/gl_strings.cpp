#include "runtime/gfx2d/gl_strings.h"

#include <GL/gl.h>

#include "runtime/gfx2d/opengl_rainbows.h"

namespace korvane {

void currentGlStrings(const char** version, const char** extensions) {
  *version = nullptr;
  *extensions = nullptr;
  const OpenGLRainbows* d = display();
  if (d == nullptr || d->contextReady() == 0) return;
  *version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  *extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
}

}  // namespace korvane
