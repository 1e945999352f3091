// The calls that lower layers make into the layers above them or beside them. The start-up
// registers all of them in one go, before the first service is created; a member left null is
// skipped by its caller (the display then only swaps, the viewport command has no 3D to leave,
// the program end only writes its report, and input sees no window).
// Main thread only: registered before any other thread exists and never changed while one runs.
#pragma once

namespace korvane {

namespace platform {
struct Window;
}  // namespace platform

struct UpwardCalls {
  // Takes every service down in order; the program end runs it once.
  void (*shutdown)() = nullptr;
  // The whole per-frame command; the fading background presents frames with it.
  void (*presentFrame)() = nullptr;
  // Leaves 3D mode before a 2D viewport is set.
  void (*leave3d)() = nullptr;
  // The display's window, for the services that act on it but live beside the display.
  platform::Window* (*mainWindow)() = nullptr;
  // The current GL context's GL_VERSION and GL_EXTENSIONS strings, each set to nullptr when
  // there is no context; the platform query answers entry-point questions from them.
  void (*glStrings)(const char** version, const char** extensions) = nullptr;
};

// Replaces every call at once.
void registerUpwardCalls(const UpwardCalls& calls);
const UpwardCalls& upwardCalls();

}  // namespace korvane
