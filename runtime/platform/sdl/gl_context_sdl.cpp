// The window's GL pixel format and rendering context over SDL2.
#include <SDL.h>

#include "runtime/platform/gl_context.h"
#include "runtime/platform/sdl/sdl_window.h"

namespace korvane::platform {

void applyPixelFormat(const PixelFormatRequest& format) {
  SDL_GL_ResetAttributes();
  int channel = format.colourBits == 15 || format.colourBits == 16 ? 5 : 8;
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, format.colourBits == 16 ? 6 : channel);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, format.alphaBits);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, format.depthBits);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, format.stencilBits);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, format.samples > 0 ? 1 : 0);
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, format.samples > 0 ? format.samples : 0);
  // Legacy 1.1 calls (immediate mode, client arrays) must keep working.
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

GlContext* createContext(Window* window) {
  SDL_Window* sdl = sdlWindow(window);
  if (sdl == nullptr) return nullptr;
  SDL_GLContext context = SDL_GL_CreateContext(sdl);
  if (context == nullptr) return nullptr;
  // The runtime paces frames itself; a swap must not also wait for the vertical retrace.
  SDL_GL_SetSwapInterval(0);
  return static_cast<GlContext*>(context);
}

bool makeCurrent(Window* window, GlContext* context) {
  SDL_Window* sdl = sdlWindow(window);
  if (sdl == nullptr) return false;
  return SDL_GL_MakeCurrent(sdl, static_cast<SDL_GLContext>(context)) == 0;
}

void deleteContext(GlContext* context) {
  if (context == nullptr) return;
  if (SDL_GL_GetCurrentContext() == static_cast<SDL_GLContext>(context)) {
    SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), nullptr);
  }
  SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context));
}

int windowSamples(Window* window) {
  if (window == nullptr) return 0;
  int buffers = 0;
  int samples = 0;
  if (SDL_GL_GetAttribute(SDL_GL_MULTISAMPLEBUFFERS, &buffers) != 0) return 0;
  if (SDL_GL_GetAttribute(SDL_GL_MULTISAMPLESAMPLES, &samples) != 0) return 0;
  return buffers > 0 ? samples : 0;
}

void* glProcAddress(const char* name) { return SDL_GL_GetProcAddress(name); }

void swapWindow(Window* window) {
  if (SDL_Window* sdl = sdlWindow(window); sdl != nullptr) SDL_GL_SwapWindow(sdl);
}

}  // namespace korvane::platform
