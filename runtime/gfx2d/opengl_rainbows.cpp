// The display object's window, context, pixel format, modes and 2D view.
#include "runtime/gfx2d/opengl_rainbows.h"

#include <array>
#include <cstring>
#include <string>
#include <string_view>

#include "runtime/core/stop/clock.h"
#include "runtime/core/stop/error_stop.h"
#include "runtime/gfx2d/opengl_rainbows_internal.h"
#include "runtime/gfx2d/texture_release.h"
#include "runtime/platform/gl_context.h"
#include "runtime/platform/window.h"

namespace korvane {

namespace {
OpenGLRainbows* currentDisplay = nullptr;

// The warning is shown once per process, however many displays are made.
bool softwareRendererWarned = false;
std::string rendererName;
bool rendererNameRead = false;

constexpr std::string_view kSoftwareWarningCaption = "!!OpenGL Software Emulation!!";
// Windows-1252 text: \xFC is the u-umlaut.
constexpr std::string_view kSoftwareWarningText =
    "Please update your GFX adapter's driver\nso it can render OpenGL by HARDWARE\n\n\n"
    "Bitte aktualisieren Sie Ihren\nGrafkkartentreiber, damit er OpenGL\n"
    "per HARDWARE unterst\xFCtzt!";
constexpr std::string_view kSoftwareWarningLog = "OpenGL Software Emulation";
constexpr std::string_view kNoFullscreenLog = "No Fullscreen Mode available";

// Renderer names of Mesa's software rasterisers; the generic Windows driver must match whole.
constexpr std::array<std::string_view, 3> kSoftwareRendererParts = {
    "llvmpipe",
    "softpipe",
    "Software Rasterizer",
};
constexpr std::string_view kGenericWindowsRenderer = "Mesa Windows GDI Driver";

constexpr int kMaxSearchSteps = 32;

int32_t requestedAlphaBits = 0;

constexpr int kDepthBits = 24;
constexpr int kStencilBits = 8;
constexpr GLfloat kAlphaTestReference = 0.15f;
}  // namespace

void createDisplay() {
  if (currentDisplay == nullptr) currentDisplay = new OpenGLRainbows;
}

void destroyDisplay() {
  // Forgotten first: nothing the destructor reaches may find a half-destroyed display.
  OpenGLRainbows* d = currentDisplay;
  currentDisplay = nullptr;
  delete d;
}

OpenGLRainbows* display() { return currentDisplay; }
void setDisplay(OpenGLRainbows* display) { currentDisplay = display; }

bool isSoftwareRenderer(const char* renderer) {
  if (renderer == nullptr) return false;
  std::string_view name(renderer);
  if (name == kGenericWindowsRenderer) return true;
  for (std::string_view part : kSoftwareRendererParts) {
    if (name.find(part) != std::string_view::npos) return true;
  }
  return false;
}

int multisampleSearchOrder(int32_t request, int32_t* out, int capacity) {
  int count = 0;
  for (int32_t samples = request; samples > 0; samples >>= 1) {
    if (count < capacity) out[count] = samples;
    ++count;
  }
  return count;
}

Gfx2dState& gfx2dState(OpenGLRainbows& display) { return *display.gfx2d_; }

void setMultisampleAttemptForTesting(OpenGLRainbows& display, MultisampleAttempt attempt) {
  display.multisampleAttempt_ = std::move(attempt);
}

void setFramebufferAlphaBitsForTesting(int32_t bits) { requestedAlphaBits = bits; }

OpenGLRainbows::OpenGLRainbows() : gfx2d_(std::make_unique<Gfx2dState>()) {
  useHighResolutionCounter_ = hasPerformanceClock();
  counterFrequency_ = useHighResolutionCounter_ ? performanceFrequency() : 0;
  timeBase_ = readClock();
}

OpenGLRainbows::~OpenGLRainbows() {
  releaseOffscreenTargets(*this);
  closeDisplay();
  platform::deleteContext(glContext_);
  glContext_ = nullptr;
  // The entry points belonged to the context just deleted.
  glExtensions_ = GlExtensionTable{};
}

bool OpenGLRainbows::makeWindowAndContext(int32_t samples) {
  platform::PixelFormatRequest format;
  format.colourBits = colourBits_ != 0 ? colourBits_ : platform::desktopColourBits();
  format.depthBits = kDepthBits;
  format.stencilBits = kStencilBits;
  format.samples = samples;
  format.alphaBits = requestedAlphaBits;
  window_ = platform::createWindow(width_, height_, format, "Korvane");
  if (window_ == nullptr) return false;
  // A kept context carries its textures over to the new window; a multisampled format needs
  // a context of its own.
  if (glContext_ != nullptr && samples == 0 && platform::makeCurrent(window_, glContext_)) {
    return true;
  }
  platform::deleteContext(glContext_);
  glContext_ = platform::createContext(window_);
  if (glContext_ == nullptr) {
    platform::destroyWindow(window_);
    window_ = nullptr;
    return false;
  }
  return true;
}

void OpenGLRainbows::releaseWindowAndContext() {
  if (window_ == nullptr) return;
  platform::makeCurrent(window_, nullptr);
  platform::destroyWindow(window_);
  window_ = nullptr;
}

int32_t OpenGLRainbows::chooseMultisamplePixelFormat(int32_t samples) {
  int32_t order[kMaxSearchSteps];
  int count = multisampleSearchOrder(samples, order, kMaxSearchSteps);
  for (int i = 0; i < count && i < kMaxSearchSteps; ++i) {
    bool made = false;
    if (multisampleAttempt_) {
      made = multisampleAttempt_(order[i]);
    } else {
      releaseWindowAndContext();
      made = makeWindowAndContext(order[i]);
    }
    if (made) return order[i];
  }
  return 0;
}

uint8_t OpenGLRainbows::createDisplay(InstanceHandle instance, int32_t width, int32_t height,
                                      int32_t colourBits, int32_t framesPerSecond,
                                      int32_t multisample) {
  setFrameRate(framesPerSecond);
  if (!platform::startVideo()) return 0;
  instance_ = instance;
  multisample_ = multisample;
  releaseWindowAndContext();
  width_ = width;
  height_ = height;
  colourBits_ = colourBits;

  if (multisample_ != 0) {
    int32_t obtained = chooseMultisamplePixelFormat(multisample_);
    if (obtained == 0) multisample_ = 0;
    // The search may keep the window it made; the stored request stays what was asked.
  }
  if (window_ == nullptr && !makeWindowAndContext(0)) return 0;

  platform::Size size = platform::windowSize(window_);
  if (width_ == 0) width_ = size.width;
  if (height_ == 0) height_ = size.height;
  if (colourBits_ == 0) colourBits_ = platform::desktopColourBits();
  fullscreen_ = 0;

  warnIfSoftwareRenderer();

  timeBase_ = readClock();
  nextFrameDeadline_ = timeBase_;

  const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  loadGlExtensions(glExtensions_, extensions != nullptr ? extensions : "");

  platform::showWindow(window_);
  resetView(0, 0, 0, 0);
  contextReady_ = 1;
  return 1;
}

void OpenGLRainbows::warnIfSoftwareRenderer() {
  if (softwareRendererWarned) return;
  if (!rendererNameRead) {
    const GLubyte* name = glGetString(GL_RENDERER);
    if (name == nullptr) return;  // no context: look again with the next display
    rendererName = reinterpret_cast<const char*>(name);
    rendererNameRead = true;
  }
  if (!isSoftwareRenderer(rendererName.c_str())) return;
  softwareRendererWarned = true;
  platform::showWarningBox(kSoftwareWarningCaption, kSoftwareWarningText);
  appendErrorLog(kSoftwareWarningLog);
}

uint8_t OpenGLRainbows::enterFullscreen() {
  if (window_ == nullptr) return 0;
  if (!fullscreen_ && platform::windowVisible(window_)) {
    const platform::Position normal = platform::windowPosition(window_);
    normalX_ = normal.x;
    normalY_ = normal.y;
    hasNormalPosition_ = true;
  }
  if (!platform::enterFullscreenMode(window_, width_, height_)) {
    platform::beep();
    appendErrorLog(kNoFullscreenLog);
    enterWindowed();
    return 0;
  }
  platform::setWindowBordered(window_, false);
  platform::showWindow(window_);
  platform::raiseWindow(window_);
  resetView(0, 0, 0, 0);
  nextFrameDeadline_ = readClock();
  fullscreen_ = 1;
  return 1;
}

uint8_t OpenGLRainbows::enterWindowed() {
  if (window_ == nullptr) return 1;
  if (fullscreen_ || platform::windowFullscreen(window_)) {
    platform::leaveFullscreenMode(window_);
    restoreDesktopWindows();
  }
  platform::setWindowBordered(window_, true);
  platform::setWindowSize(window_, width_, height_);
  if (hasNormalPosition_) {
    platform::setWindowPosition(window_, normalX_, normalY_);
  } else {
    platform::centreWindow(window_);
  }
  platform::showWindow(window_);
  platform::raiseWindow(window_);
  resetView(0, 0, 0, 0);
  fullscreen_ = 0;
  return 1;
}

uint8_t OpenGLRainbows::hideDisplay() {
  if (window_ == nullptr) return 1;
  if (fullscreen_ || platform::windowFullscreen(window_)) {
    platform::leaveFullscreenMode(window_);
  } else if (platform::windowVisible(window_)) {
    const platform::Position normal = platform::windowPosition(window_);
    normalX_ = normal.x;
    normalY_ = normal.y;
    hasNormalPosition_ = true;
  }
  platform::hideWindow(window_);
  fullscreen_ = 0;
  return 1;
}

uint8_t OpenGLRainbows::setDisplayMode(int32_t width, int32_t height, int32_t colourBits,
                                       int32_t fullscreen) {
  if (width != 0) width_ = width;
  if (height != 0) height_ = height;
  if (colourBits != 0) colourBits_ = colourBits;
  uint8_t result = fullscreen != 0 ? enterFullscreen() : enterWindowed();
  nextFrameDeadline_ = readClock();
  return result;
}

uint8_t OpenGLRainbows::closeDisplay() {
  releaseSpriteTextures(*this);
  if (window_ == nullptr) return 0;
  // Only the desktop's mode needs restoring; showing a window about to go would flicker.
  if (fullscreen_ || platform::windowFullscreen(window_)) {
    platform::leaveFullscreenMode(window_);
    fullscreen_ = 0;
  }
  releaseWindowAndContext();
  width_ = 0;
  height_ = 0;
  // No window means no current context: nothing more can be deleted through GL.
  contextReady_ = 0;
  return 1;
}

void OpenGLRainbows::resetView(int32_t x, int32_t y, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) {
    width = width_;
    height = height_;
  }
  viewX_ = x;
  viewY_ = y;
  viewWidth_ = width;
  viewHeight_ = height;
  // The view's y counts from the top, GL's from the bottom.
  glViewport(x, height_ - height - y, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, width, height, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  glEnable(GL_TEXTURE_2D);
  glEnable(GL_CULL_FACE);
  glFrontFace(GL_CCW);
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, kAlphaTestReference);
  glDisable(GL_DEPTH_TEST);

  glColor4f(1, 1, 1, 1);
  glClearColor(0, 0, 0, 1);
  glShadeModel(GL_FLAT);

  constexpr GLenum kDisabled[] = {
      GL_DITHER,
      GL_FOG,
      GL_LINE_SMOOTH,
      GL_POINT_SMOOTH,
      GL_POLYGON_SMOOTH,
      GL_STENCIL_TEST,
      GL_POLYGON_OFFSET_POINT,
      GL_COLOR_MATERIAL,
      GL_AUTO_NORMAL,
      GL_NORMALIZE,
      GL_LIGHTING,
  };
  for (GLenum state : kDisabled) glDisable(state);

  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
  glHint(GL_POLYGON_SMOOTH_HINT, GL_FASTEST);
}

void OpenGLRainbows::setScreenSize(int32_t width, int32_t height) {
  width_ = width;
  height_ = height;
  resetView(0, 0, 0, 0);
}

void OpenGLRainbows::setFrameRate(int32_t framesPerSecond) {
  framePeriod_ = framesPerSecond > 0 ? 1000.0 / framesPerSecond : 2.0;
}

uint8_t OpenGLRainbows::hasGlExtension(const char* name) const {
  if (name == nullptr) return 0;
  const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  if (extensions == nullptr) return 0;
  return containsExtensionWord(extensions, name) ? 1 : 0;
}

void OpenGLRainbows::saveDesktopWindows() {}

void OpenGLRainbows::restoreDesktopWindows() {}

void OpenGLRainbows::swapAndClear() {
  leaveOffscreenTarget(*this);
  platform::swapWindow(window_);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void OpenGLRainbows::clearColourBuffer() { glClear(GL_COLOR_BUFFER_BIT); }

void OpenGLRainbows::useNoShaderProgram() {
  if (glExtensions().glUseProgramObjectARB != nullptr) glExtensions().glUseProgramObjectARB(0);
}

}  // namespace korvane
