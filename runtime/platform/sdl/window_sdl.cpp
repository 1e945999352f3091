// The display window, display modes and message boxes over SDL2.
#include <SDL.h>
#include <SDL_syswm.h>

#include <array>
#include <cstdio>
#include <cstdlib>

#include "runtime/platform/clock.h"
#include "runtime/platform/gl_context.h"
#include "runtime/platform/sdl/sdl_window.h"
#include "runtime/platform/window.h"

namespace korvane::platform {

struct Window {
  SDL_Window* sdl = nullptr;
  std::string title1252;
};

namespace {
int videoState = 0;  // 0 not tried, 1 running, -1 failed
std::string ownError;
double messageBoxMs = 0;

// Windows-1252 bytes 0x80..0x9F; 0 marks a byte the code page leaves undefined.
constexpr std::array<char32_t, 32> kWindows1252High = {
    0x20AC,                                                          // 0x80 euro sign
    0,                                                               // 0x81
    0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030,  // 0x82..0x89
    0x0160, 0x2039, 0x0152,                                          // 0x8A..0x8C
    0,                                                               // 0x8D
    0x017D,                                                          // 0x8E
    0,                                                               // 0x8F
    0,                                                               // 0x90
    0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC,  // 0x91..0x98
    0x2122, 0x0161, 0x203A, 0x0153,                                  // 0x99..0x9C
    0,                                                               // 0x9D
    0x017E, 0x0178,                                                  // 0x9E..0x9F
};
static_assert(kWindows1252High.size() == 0xA0 - 0x80);

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

SDL_Window* sdlWindow(Window* window) { return window != nullptr ? window->sdl : nullptr; }

namespace {
// An environment variable's value; empty when unset.
std::string environmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// Why no display could be had, naming the one that was tried.
std::string missingDisplayText(const std::string& userDriver) {
  const std::string x11 = environmentValue("DISPLAY");
  const std::string wayland = environmentValue("WAYLAND_DISPLAY");
  const std::string x11Text = "the X display DISPLAY=\"" + x11 + "\"";
  const std::string waylandText = "the Wayland display WAYLAND_DISPLAY=\"" + wayland + "\"";
  std::string text;
  if (x11.empty() && wayland.empty()) {
    text = "no DISPLAY set";
  } else if (wayland.empty()) {
    text = x11Text + " could not be opened";
  } else if (x11.empty()) {
    text = waylandText + " could not be opened";
  } else {
    text = "neither " + x11Text + " nor " + waylandText + " could be opened";
  }
  if (!userDriver.empty()) text += "; SDL_VIDEODRIVER=" + userDriver + ": " + SDL_GetError();
  return text;
}
}  // namespace

bool startVideo() {
  if (videoState != 0) return videoState > 0;
  // A fullscreen program that loses the focus stays where it is, as a topmost window would.
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  // Only desktop drivers, and only those whose display is named in the environment: without
  // one SDL would fall back to a driver that renders off screen, and the program would run with
  // no window anyone can see; probing Wayland with no WAYLAND_DISPLAY has the Wayland library
  // print a complaint about XDG_RUNTIME_DIR first. A user's own SDL_VIDEODRIVER still wins.
  const std::string userDriver = environmentValue("SDL_VIDEODRIVER");
  if (userDriver.empty()) {
    std::string drivers;
    if (!environmentValue("DISPLAY").empty()) drivers = "x11";
    if (!environmentValue("WAYLAND_DISPLAY").empty())
      drivers += drivers.empty() ? "wayland" : ",wayland";
    if (drivers.empty()) {
      videoState = -1;
      ownError = missingDisplayText(userDriver);
      return false;
    }
    SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
  }
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    videoState = -1;
    ownError = missingDisplayText(userDriver);
    return false;
  }
  SDL_DisableScreenSaver();
  videoState = 1;
  return true;
}

void stopVideo() {
  if (videoState > 0) SDL_EnableScreenSaver();
}

bool screenSaverEnabled() { return SDL_IsScreenSaverEnabled() == SDL_TRUE; }

std::string lastError() {
  if (!ownError.empty()) return ownError;
  return SDL_GetError();
}

int desktopColourBits() {
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return 0;
  return static_cast<int>(SDL_BITSPERPIXEL(mode.format));
}

Size desktopSize() {
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return {};
  return {mode.w, mode.h};
}

Window* createWindow(int width, int height, const PixelFormatRequest& format,
                     std::string_view title) {
  ownError.clear();
  if (!startVideo()) return nullptr;
  applyPixelFormat(format);
  std::string titleText(title);
  SDL_Window* sdl = SDL_CreateWindow(
      titleText.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width < 1 ? 1 : width,
      height < 1 ? 1 : height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (sdl == nullptr) return nullptr;
  auto* window = new Window;
  window->sdl = sdl;
  window->title1252 = titleText;
  return window;
}

void destroyWindow(Window* window) {
  if (window == nullptr) return;
  if (SDL_GL_GetCurrentWindow() == window->sdl) SDL_GL_MakeCurrent(window->sdl, nullptr);
  SDL_HideWindow(window->sdl);
  SDL_DestroyWindow(window->sdl);
  delete window;
}

void setWindowTitle(Window* window, std::string_view title1252) {
  if (window == nullptr) return;
  window->title1252 = std::string(title1252);
  SDL_SetWindowTitle(window->sdl, windows1252ToUtf8(title1252).c_str());
}

std::string windowTitle(Window* window) { return window != nullptr ? window->title1252 : ""; }

Size windowSize(Window* window) {
  Size size;
  if (window != nullptr) SDL_GetWindowSize(window->sdl, &size.width, &size.height);
  return size;
}

void setWindowSize(Window* window, int width, int height) {
  if (window != nullptr)
    SDL_SetWindowSize(window->sdl, width < 1 ? 1 : width, height < 1 ? 1 : height);
}

void centreWindow(Window* window) {
  if (window != nullptr) {
    SDL_SetWindowPosition(window->sdl, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  }
}

Position windowPosition(Window* window) {
  Position p;
  if (window != nullptr) SDL_GetWindowPosition(window->sdl, &p.x, &p.y);
  return p;
}

void setWindowPosition(Window* window, int x, int y) {
  if (window != nullptr) SDL_SetWindowPosition(window->sdl, x, y);
}

void showWindow(Window* window) {
  if (window != nullptr) SDL_ShowWindow(window->sdl);
}

void hideWindow(Window* window) {
  if (window != nullptr) SDL_HideWindow(window->sdl);
}

bool windowVisible(Window* window) {
  if (window == nullptr) return false;
  Uint32 flags = SDL_GetWindowFlags(window->sdl);
  return (flags & SDL_WINDOW_SHOWN) != 0 && (flags & SDL_WINDOW_HIDDEN) == 0;
}

void raiseWindow(Window* window) {
  if (window != nullptr) SDL_RaiseWindow(window->sdl);
}

bool windowHasFocus(Window* window) {
  if (window == nullptr) return false;
  return (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_INPUT_FOCUS) != 0;
}

void setWindowBordered(Window* window, bool bordered) {
  if (window != nullptr) SDL_SetWindowBordered(window->sdl, bordered ? SDL_TRUE : SDL_FALSE);
}

namespace {
bool findMode(int width, int height, SDL_DisplayMode& found) {
  int count = SDL_GetNumDisplayModes(0);
  bool any = false;
  for (int i = 0; i < count; ++i) {
    SDL_DisplayMode mode;
    if (SDL_GetDisplayMode(0, i, &mode) != 0) continue;
    if (mode.w != width || mode.h != height) continue;
    // The list is sorted best first: the first exact size has the most bits and the
    // highest refresh rate.
    if (!any) found = mode;
    any = true;
  }
  return any;
}
}  // namespace

bool hasDisplayMode(int width, int height) {
  SDL_DisplayMode mode;
  return videoState > 0 && findMode(width, height, mode);
}

bool enterFullscreenMode(Window* window, int width, int height) {
  if (window == nullptr) return false;
  SDL_DisplayMode mode;
  if (!findMode(width, height, mode)) {
    ownError = "no display mode of " + std::to_string(width) + "x" + std::to_string(height);
    return false;
  }
  if (SDL_SetWindowDisplayMode(window->sdl, &mode) != 0) return false;
  SDL_SetWindowSize(window->sdl, width, height);
  if (SDL_SetWindowFullscreen(window->sdl, SDL_WINDOW_FULLSCREEN) != 0) {
    SDL_SetWindowFullscreen(window->sdl, 0);
    return false;
  }
  return true;
}

bool leaveFullscreenMode(Window* window) {
  if (window == nullptr) return false;
  return SDL_SetWindowFullscreen(window->sdl, 0) == 0;
}

bool windowFullscreen(Window* window) {
  if (window == nullptr) return false;
  return (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_FULLSCREEN) != 0;
}

uint32_t windowId(Window* window) { return window != nullptr ? SDL_GetWindowID(window->sdl) : 0; }

uint64_t nativeWindowId(Window* window) {
  if (window == nullptr) return 0;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window->sdl, &info) != SDL_TRUE) return 0;
#if defined(SDL_VIDEO_DRIVER_X11)
  if (info.subsystem == SDL_SYSWM_X11) return static_cast<uint64_t>(info.info.x11.window);
#endif
  return 0;
}

bool showWarningBox(std::string_view caption1252, std::string_view text1252) {
  double start = monotonicMilliseconds();
  int result =
      SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, windows1252ToUtf8(caption1252).c_str(),
                               windows1252ToUtf8(text1252).c_str(), nullptr);
  messageBoxMs = monotonicMilliseconds() - start;
  return result == 0;
}

double lastMessageBoxMilliseconds() { return messageBoxMs; }

void beep() {
  std::fputc('\a', stderr);
  std::fflush(stderr);
}

std::string windows1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    auto byte = static_cast<unsigned char>(ch);
    if (byte >= 0x80 && byte < 0xA0) {
      char32_t c = kWindows1252High[byte - 0x80];
      appendUtf8(out, c != 0 ? c : U'\uFFFD');
    } else {
      appendUtf8(out, byte);  // ASCII and Latin-1 map to the same code point
    }
  }
  return out;
}

}  // namespace korvane::platform
