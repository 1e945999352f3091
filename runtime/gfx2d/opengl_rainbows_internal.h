// The display object's seams for tests and for the runtime's own modules: not for programs.
#pragma once

#include <cstdint>
#include <functional>

#include "runtime/gfx2d/gfx2d_internal.h"
#include "runtime/gfx2d/opengl_rainbows.h"

namespace korvane {

// Installs a display made elsewhere (a test's own) as the process-wide one, or none; the caller
// keeps ownership and removes it before deleting it.
void setDisplay(OpenGLRainbows* display);

// The display's 2D state (for the commands and the tests that look inside).
Gfx2dState& gfx2dState(OpenGLRainbows& display);
inline const Gfx2dState& gfx2dState(const OpenGLRainbows& display) {
  return gfx2dState(const_cast<OpenGLRainbows&>(display));
}

// Replaces the window-and-context attempt of the multisample search (tests count the tries).
// The function gets the samples to try and returns whether a window could be made.
using MultisampleAttempt = std::function<bool(int32_t samples)>;
void setMultisampleAttemptForTesting(OpenGLRainbows& display, MultisampleAttempt attempt);

// Tests only: windows made afterwards ask for this many bits of destination alpha (0, the
// default, asks for none), so both ways of grabbing the screen can be seen.
void setFramebufferAlphaBitsForTesting(int32_t bits);

}  // namespace korvane
