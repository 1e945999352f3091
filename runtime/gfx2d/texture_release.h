// Calls from the display object into the sprite, tiled-image and offscreen-target code.
// The display's window and context code owns when they run; the 2D code owns what they do.
#pragma once

namespace korvane {

class OpenGLRainbows;

// Deletes every sprite row's GL textures and pixel copy and every tiled image's textures
// (through GL only while display.contextReady()), leaving the rows empty. Called by
// closeDisplay before the window goes away.
void releaseSpriteTextures(OpenGLRainbows& display);

// Leaves the current offscreen target, so that drawing goes to the window again. Called
// before a frame is presented.
void leaveOffscreenTarget(OpenGLRainbows& display);

// Leaves the current offscreen target and releases all 32 targets. Called by the destructor.
void releaseOffscreenTargets(OpenGLRainbows& display);

}  // namespace korvane
