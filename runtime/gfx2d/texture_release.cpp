// The display's calls into the 2D tables. No command creates an offscreen target yet, so there
// is never one to leave or release; the records exist so the display's shape stays fixed.
#include "runtime/gfx2d/texture_release.h"

#include "runtime/gfx2d/opengl_rainbows.h"

namespace korvane {

void releaseSpriteTextures(OpenGLRainbows& display) { display.deleteAllImages(); }

void leaveOffscreenTarget(OpenGLRainbows&) {}

void releaseOffscreenTargets(OpenGLRainbows&) {}

}  // namespace korvane
