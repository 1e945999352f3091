// Placeholders until the sprite, tiled-image and offscreen-target tables exist: with no rows
// and no targets there is nothing to release or leave.
#include "runtime/gfx2d/texture_release.h"

#include "runtime/gfx2d/opengl_rainbows.h"

namespace korvane {

void releaseSpriteTextures(OpenGLRainbows&) {}

void leaveOffscreenTarget(OpenGLRainbows&) {}

void releaseOffscreenTargets(OpenGLRainbows&) {}

}  // namespace korvane
