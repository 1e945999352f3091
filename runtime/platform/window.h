// The display window and its OpenGL context over SDL2 (X11 or Wayland).
// One SDL window per display: fullscreen, windowed and hidden are states of it, so a handle
// stays valid until destroyWindow. All calls: main thread only (the one that created it).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::platform {

struct Window;     // opaque; the SDL window lives behind it (see window_sdl.h inside platform)
struct GlContext;  // opaque OpenGL context

// What the window's pixel format must carry.
struct PixelFormatRequest {
  int colourBits = 24;  // 15/16 gives 5-6-5 channels, else 8 per channel
  int depthBits = 24;
  int stencilBits = 8;
  int samples = 0;  // multisample samples per pixel; 0 = none
};

// Starts SDL's video system once per process (later calls return the first result) and keeps
// the screen saver off while it runs. Unless SDL_VIDEODRIVER names a driver, only X11 (when
// DISPLAY is set) and Wayland (when WAYLAND_DISPLAY is set) are tried. Returns false when there
// is no display to talk to; lastError() then names the display tried, or says none is set.
bool startVideo();

// Ends the runtime's use of the video system: restores the screen saver. The connection to the
// display stays open until the process exits: closing it makes Mesa's software rasteriser join
// its worker threads, which can deadlock at exit.
void stopVideo();

// False while the runtime holds the screen saver off.
bool screenSaverEnabled();

// The last failure reported by SDL or by this layer, for messages.
std::string lastError();

// Bits per pixel of the desktop (24 or 32 on a true-colour desktop); 0 when unknown.
int desktopColourBits();

// Size of the desktop of the first display; {0, 0} when unknown.
struct Size {
  int width = 0;
  int height = 0;
};
Size desktopSize();

// Creates a hidden window whose client area is width x height (at least 1 x 1), centred on the
// desktop, with an OpenGL pixel format as requested, titled `title` (UTF-8). Returns nullptr
// when no such window or pixel format can be had (a multisample request the driver cannot
// meet fails here).
Window* createWindow(int width, int height, const PixelFormatRequest& format,
                     std::string_view title);

// Destroys the window (hiding it first). nullptr is ignored. A context made current on it is
// released from it, not deleted.
void destroyWindow(Window* window);

// Creates a compatibility-profile context for the window and makes it current. nullptr on
// failure.
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

// Title in the runtime's own code page (Windows-1252 bytes); converted to UTF-8 for display.
void setWindowTitle(Window* window, std::string_view title1252);
std::string windowTitle(Window* window);  // as set, in Windows-1252

// Client-area size in pixels.
Size windowSize(Window* window);
void setWindowSize(Window* window, int width, int height);
void centreWindow(Window* window);

// Outer position of the window (client area origin) on the desktop.
struct Position {
  int x = 0;
  int y = 0;
};
Position windowPosition(Window* window);
void setWindowPosition(Window* window, int x, int y);

void showWindow(Window* window);
void hideWindow(Window* window);
bool windowVisible(Window* window);
// Brings the window to the top and asks for the input focus.
void raiseWindow(Window* window);
bool windowHasFocus(Window* window);
// Decorations (caption and borders) on or off.
void setWindowBordered(Window* window, bool bordered);

// True when the first display offers a mode of exactly width x height (SDL would otherwise
// pick the nearest larger one).
bool hasDisplayMode(int width, int height);

// Switches the window to fullscreen with the display mode width x height. Returns false (and
// leaves the window windowed) when no such mode exists or the switch fails.
bool enterFullscreenMode(Window* window, int width, int height);

// Leaves fullscreen and restores the desktop's mode; the window keeps its context. Returns
// false when the switch back failed.
bool leaveFullscreenMode(Window* window);
bool windowFullscreen(Window* window);

// The SDL window id the events carry, and the native X11 window id (0 on other systems).
uint32_t windowId(Window* window);
uint64_t nativeWindowId(Window* window);

// Shows a modal message box with no owner window; texts are Windows-1252 bytes (converted to
// UTF-8 for display). Blocks until dismissed. Returns false when no box could be shown.
bool showWarningBox(std::string_view caption1252, std::string_view text1252);

// Milliseconds spent waiting in the last message box (the user's reaction time).
double lastMessageBoxMilliseconds();

// The system's alert sound: a terminal bell on standard error.
void beep();

// Windows-1252 bytes to UTF-8 (the code page's undefined bytes become U+FFFD).
std::string windows1252ToUtf8(std::string_view text);

}  // namespace korvane::platform
