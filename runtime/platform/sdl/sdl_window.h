// Inside the platform layer only: the SDL window behind a platform::Window, for the input and
// GL code (relative mouse mode, warping, keyboard focus checks, contexts), and the GL
// attributes a window is created with.
#pragma once

#include <SDL.h>

#include "runtime/platform/window.h"

namespace korvane::platform {

// The SDL window of `window`; nullptr for nullptr.
SDL_Window* sdlWindow(Window* window);

// Sets SDL's GL attributes from `format`, for the next window created.
void applyPixelFormat(const PixelFormatRequest& format);

}  // namespace korvane::platform
