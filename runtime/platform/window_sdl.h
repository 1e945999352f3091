// Inside the platform layer only: the SDL window behind a platform::Window, for the input
// code (relative mouse mode, warping, keyboard focus checks).
#pragma once

#include <SDL.h>

#include "runtime/platform/window.h"

namespace korvane::platform {

// The SDL window of `window`; nullptr for nullptr.
SDL_Window* sdlWindow(Window* window);

}  // namespace korvane::platform
