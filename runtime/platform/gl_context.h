// The OpenGL side of the display window: the pixel format a window is created with, its
// rendering context, entry-point lookup and the buffer swap. Every call accepts nullptr
// handles (queries then give 0 or false). All calls: main thread only (a context is current on
// the thread that made it current, and the runtime draws from the main thread).
#pragma once

#include "runtime/platform/window.h"

namespace korvane::platform {

struct GlContext;  // opaque OpenGL context

// What the window's pixel format must carry; createWindow takes it.
struct PixelFormatRequest {
  int colourBits = 24;  // 15/16 gives 5-6-5 channels, else 8 per channel
  int depthBits = 24;
  int stencilBits = 8;
  int samples = 0;  // multisample samples per pixel; 0 = none
  // Bits of destination alpha; 0 asks for none.
  int alphaBits = 0;
};

// Creates a compatibility-profile context for the window and makes it current; a swap does
// not wait for the vertical retrace. nullptr on failure (lastError() says why).
GlContext* createContext(Window* window);

// Makes `context` current on `window`; nullptr context releases the current one. Returns
// false on failure.
bool makeCurrent(Window* window, GlContext* context);

// Deletes the context (releasing it first when it is current). nullptr is ignored.
void deleteContext(GlContext* context);

// Samples per pixel of the window's current pixel format (0 when not multisampled).
int windowSamples(Window* window);

// Looks up a GL entry point by name; nullptr when the driver has none. Under GLX any name
// gives non-null, so callers load only entry points whose extension is advertised.
void* glProcAddress(const char* name);

// Shows the back buffer of the window.
void swapWindow(Window* window);

}  // namespace korvane::platform
