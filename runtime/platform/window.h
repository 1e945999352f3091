// The display window, display modes, message boxes and the alert sound.
// One window per display: fullscreen, windowed and hidden are states of it, so a handle stays
// valid until destroyWindow. Every call accepts a nullptr window: setters then do nothing and
// queries give zero, false or "". All calls: main thread only (the one that started the video
// system), except windows1252ToUtf8, which any thread may call.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::platform {

struct Window;              // opaque; the backend's window lives behind it
struct PixelFormatRequest;  // the OpenGL pixel format asked for (gl_context.h)

// Starts the video system once per process (later calls return the first result) and keeps
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

// The last failure reported by the window system or by this layer, for messages.
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

// True when the first display offers a mode of exactly width x height (a switch would
// otherwise take the nearest larger one). False while the video system is not running.
bool hasDisplayMode(int width, int height);

// Switches the window to fullscreen with the display mode width x height. Returns false (and
// leaves the window windowed) when no such mode exists or the switch fails.
bool enterFullscreenMode(Window* window, int width, int height);

// Leaves fullscreen and restores the desktop's mode; the window keeps its context. Returns
// false when the switch back failed.
bool leaveFullscreenMode(Window* window);
bool windowFullscreen(Window* window);

// The id this window's events carry (Event::windowId), and the native X11 window id (0 on
// other systems).
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
