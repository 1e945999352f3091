// The display object's seams for tests and for the runtime's own modules: not for programs.
#pragma once

#include "runtime/gfx2d/opengl_rainbows.h"

namespace korvane {

// Installs a display made elsewhere (a test's own) as the process-wide one, or none; the caller
// keeps ownership and removes it before deleting it.
void setDisplay(OpenGLRainbows* display);

}  // namespace korvane
