// OpenGLRainbows: the one display object: window, GL context, pixel format, modes, the 2D view
// and the frame clock; the sprite, drawing, font and offscreen-target state lives in it too.
// Every method runs on the thread that created the window.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <functional>

#include "runtime/gfx2d/display_extensions.h"
#include "runtime/platform/window.h"

namespace korvane {

// Module instance handle of the executable (no meaning on this system; kept for callers).
using InstanceHandle = void*;

class OpenGLRainbows {
 public:
  OpenGLRainbows();
  virtual ~OpenGLRainbows();
  OpenGLRainbows(const OpenGLRainbows&) = delete;
  OpenGLRainbows& operator=(const OpenGLRainbows&) = delete;

  // Creates the window (hidden until ready) and its GL context, loads the extension entry
  // points, shows the window and resets the view. A 0 width or height takes the created
  // window's size, 0 colour bits the desktop's. multisample 0 asks for none; otherwise the
  // request is halved until a window can be made (stored as 0 when none). Returns 1, or 0
  // when no window or context could be made (nothing is shown then).
  uint8_t createDisplay(InstanceHandle instance, int32_t width, int32_t height, int32_t colourBits,
                        int32_t framesPerSecond, int32_t multisample);

  // Fullscreen at a display mode of exactly the stored size. Without such a mode: a beep, the
  // log line "No Fullscreen Mode available", enterWindowed() and 0. Returns 1 on success.
  uint8_t enterFullscreen();
  // Windowed, decorated, at its normal position, shown and raised. Returns 1.
  uint8_t enterWindowed();
  // Leaves fullscreen and hides the window. Returns 1.
  uint8_t hideDisplay();
  // Each non-zero value replaces the stored one, then enterFullscreen or enterWindowed.
  uint8_t setDisplayMode(int32_t width, int32_t height, int32_t colourBits, int32_t fullscreen);
  // Releases the textures, leaves fullscreen, releases the context from the window and
  // destroys the window (the context itself is kept for the destructor). Returns 1 when a
  // window was destroyed.
  uint8_t closeDisplay();

  // Viewport x, y, width, height in screen pixels from the top-left; width or height 0 or less
  // means the whole screen (x and y are kept). Sets the 2D projection and every default state.
  void resetView(int32_t x, int32_t y, int32_t width, int32_t height);
  void setScreenSize(int32_t width, int32_t height);
  // Frame period = 1000 / fps ms, or 2.0 when fps is 0 or less.
  void setFrameRate(int32_t framesPerSecond);
  // Whole-word search of the GL extension string; 0 without a current context.
  uint8_t hasGlExtension(const char* name) const;

  // The multisample search: tries `samples`, then half of it, ... down to 1, each time with a
  // freshly made window and context. Returns the samples obtained or 0 (none could be made).
  int32_t chooseMultisamplePixelFormat(int32_t samples);
  // Kept for callers; no display operation records other programs' windows on this system.
  void saveDesktopWindows();
  void restoreDesktopWindows();

  // Shows the back buffer and clears colour and depth (the first half of presenting a frame).
  void swapAndClear();
  // Clears the colour buffer to the clear colour.
  void clearColourBuffer();
  // Switches shader programs off when the shader-object entry points were loaded.
  void useNoShaderProgram();

  platform::Window* window() const { return window_; }
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  int32_t colourBits() const { return colourBits_; }
  uint8_t fullscreen() const { return fullscreen_; }
  int32_t multisample() const { return multisample_; }
  int32_t viewX() const { return viewX_; }
  int32_t viewY() const { return viewY_; }
  int32_t viewWidth() const { return viewWidth_; }
  int32_t viewHeight() const { return viewHeight_; }
  uint8_t contextReady() const { return contextReady_; }
  double timeBase() const { return timeBase_; }
  double framePeriod() const { return framePeriod_; }
  double counterFrequency() const { return counterFrequency_; }
  int32_t useHighResolutionCounter() const { return useHighResolutionCounter_; }
  InstanceHandle instance() const { return instance_; }
  platform::GlContext* glContext() const { return glContext_; }
  // Clock reading after which the next presented frame may proceed (Part of the frame clock).
  double nextFrameDeadline() const { return nextFrameDeadline_; }
  void setNextFrameDeadline(double deadline) { nextFrameDeadline_ = deadline; }

  // Replaces the window-and-context attempt of the multisample search (tests count the tries).
  // The function gets the samples to try and returns whether a window could be made.
  using MultisampleAttempt = std::function<bool(int32_t samples)>;
  void setMultisampleAttemptForTesting(MultisampleAttempt attempt) {
    multisampleAttempt_ = std::move(attempt);
  }

  // ===== 2D graphics state: sprite table, pixel copies, tiled images, text vertex buffer,
  // ===== current textures and smoothing, alpha level, offscreen targets and the current
  // ===== target, transparent colours. Owned by the sprite, drawing and font code; members
  // ===== are initialised here (default member initialisers) or in that code's own structs.
  // ----- begin 2D graphics section -----

  // ----- end 2D graphics section -----

 private:
  bool makeWindowAndContext(int32_t samples);
  void releaseWindowAndContext();
  void warnIfSoftwareRenderer();

  platform::Window* window_ = nullptr;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t colourBits_ = 0;
  uint8_t fullscreen_ = 0;
  int32_t multisample_ = 0;
  int32_t viewX_ = 0;
  int32_t viewY_ = 0;
  int32_t viewWidth_ = 0;
  int32_t viewHeight_ = 0;
  uint8_t contextReady_ = 0;
  double timeBase_ = 0;
  double framePeriod_ = 0;
  double counterFrequency_ = 0;
  int32_t useHighResolutionCounter_ = 0;
  InstanceHandle instance_ = nullptr;
  platform::GlContext* glContext_ = nullptr;
  double nextFrameDeadline_ = 0;
  // The position the window had when last windowed, restored on the way back.
  platform::Position normalPosition_{};
  bool hasNormalPosition_ = false;
  MultisampleAttempt multisampleAttempt_;
};

// The process-wide display: created by the runtime start-up, destroyed by its shutdown;
// nullptr before and after.
OpenGLRainbows* display();
void setDisplay(OpenGLRainbows* display);

// The renderer string names one of Mesa's software rasterisers (or the generic Windows one).
bool isSoftwareRenderer(const char* renderer);

// The multisample search order of a request: 8 -> 8, 4, 2, 1; 6 -> 6, 3, 1; 0 -> none.
// Writes at most `capacity` values and returns how many there are.
int multisampleSearchOrder(int32_t request, int32_t* out, int capacity);

}  // namespace korvane
