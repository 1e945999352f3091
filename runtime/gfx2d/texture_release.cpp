// The display's calls into the 2D tables and the offscreen targets.
#include "runtime/gfx2d/texture_release.h"

#include "runtime/gfx2d/opengl_rainbows.h"

namespace korvane {

void releaseSpriteTextures(OpenGLRainbows& display) { display.deleteAllImages(); }

void leaveOffscreenTarget(OpenGLRainbows& display) {
  // Without a context there is nothing bound to leave, and no GL to call.
  if (display.currentTarget() >= 0 && display.contextReady()) display.leaveTarget();
}

void releaseOffscreenTargets(OpenGLRainbows& display) { display.releaseAllTargets(); }

}  // namespace korvane
