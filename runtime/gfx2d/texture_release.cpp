// The display's calls into the 2D tables. Offscreen targets are placeholders until targets can
// be created: with none there is nothing to leave or release.
#include "runtime/gfx2d/texture_release.h"

#include "runtime/gfx2d/opengl_rainbows.h"

namespace korvane {

void releaseSpriteTextures(OpenGLRainbows& display) { display.deleteAllImages(); }

void leaveOffscreenTarget(OpenGLRainbows&) {}

void releaseOffscreenTargets(OpenGLRainbows&) {}

}  // namespace korvane
