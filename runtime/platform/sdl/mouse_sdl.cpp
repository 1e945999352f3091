#include <SDL.h>
#include <SDL_syswm.h>
#include <dlfcn.h>

#include "runtime/platform/mouse.h"
#include "runtime/platform/sdl/sdl_window.h"

namespace korvane::platform {

namespace {

// SDL answers the global pointer query from a cache that only pointer-device motion
// refreshes, so a pointer moved by a warp would read stale. On X11 the server is asked
// directly, through the libX11 that SDL has already loaded.
using QueryPointerFunction = int (*)(Display*, ::Window, ::Window*, ::Window*, int*, int*, int*,
                                     int*, unsigned int*);

QueryPointerFunction x11QueryPointer() {
  static QueryPointerFunction query = [] {
    void* x11 = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    return x11 != nullptr ? reinterpret_cast<QueryPointerFunction>(dlsym(x11, "XQueryPointer"))
                          : nullptr;
  }();
  return query;
}

bool queryX11Pointer(SDL_Window* sdl, int& x, int& y) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(sdl, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) {
    return false;
  }
  QueryPointerFunction query = x11QueryPointer();
  if (query == nullptr) return false;
  ::Window root = 0, child = 0;
  int rootX = 0, rootY = 0;
  unsigned int mask = 0;
  // Coordinates relative to the window are given even when the pointer is outside it, as
  // long as it is on the same screen.
  return query(info.info.x11.display, info.info.x11.window, &root, &child, &rootX, &rootY, &x, &y,
               &mask) != 0;
}

}  // namespace

void pumpInputEvents() {
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0) SDL_PumpEvents();
}

bool setRelativeMouseMode(bool on) {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
  bool ok = SDL_SetRelativeMouseMode(on ? SDL_TRUE : SDL_FALSE) == 0;
  int ignored = 0;
  SDL_GetRelativeMouseState(&ignored, &ignored);  // motion from before the switch is not new
  return ok;
}

void takeRelativeMotion(int& dx, int& dy) {
  dx = dy = 0;
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0) SDL_GetRelativeMouseState(&dx, &dy);
}

int takeWheelSteps() {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return 0;
  int steps = 0;
  SDL_Event events[16];
  int n = 0;
  while ((n = SDL_PeepEvents(events, 16, SDL_GETEVENT, SDL_MOUSEWHEEL, SDL_MOUSEWHEEL)) > 0) {
    for (int i = 0; i < n; ++i) {
      const SDL_MouseWheelEvent& w = events[i].wheel;
      steps += w.direction == SDL_MOUSEWHEEL_FLIPPED ? -w.y : w.y;
    }
  }
  return steps;
}

MouseButtons mouseButtons() {
  MouseButtons b;
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return b;
  Uint32 mask = SDL_GetMouseState(nullptr, nullptr);
  b.left = (mask & SDL_BUTTON_LMASK) != 0;
  b.right = (mask & SDL_BUTTON_RMASK) != 0;
  b.middle = (mask & SDL_BUTTON_MMASK) != 0;
  return b;
}

bool pointerInWindow(Window* window, int& x, int& y) {
  x = y = 0;
  SDL_Window* sdl = sdlWindow(window);
  if (sdl == nullptr) return false;
  if (queryX11Pointer(sdl, x, y)) return true;
  int gx = 0, gy = 0, wx = 0, wy = 0;
  SDL_GetGlobalMouseState(&gx, &gy);
  SDL_GetWindowPosition(sdl, &wx, &wy);
  x = gx - wx;
  y = gy - wy;
  return true;
}

void warpPointer(Window* window, int x, int y) {
  if (SDL_Window* sdl = sdlWindow(window); sdl != nullptr) SDL_WarpMouseInWindow(sdl, x, y);
}

void showArrowPointer(bool show) {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
  if (show) {
    static SDL_Cursor* arrow = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    if (arrow != nullptr) SDL_SetCursor(arrow);
  }
  SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

}  // namespace korvane::platform
