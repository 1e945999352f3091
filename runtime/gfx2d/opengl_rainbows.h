// OpenGLRainbows: the one display object: window, GL context, pixel format, modes, the 2D view
// and the frame clock; the sprite, drawing, font and offscreen-target state lives in it too.
// Every method runs on the thread that created the window.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "runtime/gfx2d/display_extensions.h"
#include "runtime/gfx2d/rgba_image.h"
#include "runtime/gfx2d/sprite_table.h"

namespace korvane {

// The window-system handles the display holds; programs never call the platform themselves.
namespace platform {
struct Window;
struct GlContext;
}  // namespace platform

struct Gfx2dState;  // gfx2d_internal.h

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
  // The entry points loaded for this display's context (all null before createDisplay, and
  // again once the context is gone).
  const GlExtensionTable& glExtensions() const { return glExtensions_; }

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

  // ===== 2D graphics state: sprite table, pixel copies, tiled images, text vertex buffer,
  // ===== current textures and smoothing, alpha level, offscreen targets and the current
  // ===== target, transparent colours. Owned by the sprite, drawing and font code; members
  // ===== are initialised here (default member initialisers) or in that code's own structs.
  // ----- begin 2D graphics section -----
  // Sprite table and images (sprites.cpp). Ids outside 0..65535 touch no row: loads fail and
  // the other operations do nothing.
  // Reads the file (BMP, else PNG) and uploads it to row `id`; 1 on success, else 0 and the
  // row stays empty.
  uint8_t loadSprite(int32_t id, const std::string& path, int32_t colourKey, uint8_t normalMap);
  // Deletes both textures (through GL only while the context is ready) and the alpha copy; the
  // row becomes empty, its frame size is kept.
  void deleteSprite(int32_t id);
  void setFrameSize(int32_t id, int32_t frameWidth, int32_t frameHeight);
  void spriteSize(int32_t id, int32_t& width, int32_t& height) const;
  // Sets the sprite and the font colour key.
  void setTransparentColour(int32_t colour);
  // Uploads the region (x, y, width, height; 0 = up to the image's edge, cut to the largest
  // texture) into a new texture `*textureName` (the old one is deleted), and a mipmapped copy
  // into `*smoothTextureName` when given. Font mode: nearest filtering, no colour bleeding.
  // Returns 0 when the region is empty; the sizes used go to usedWidth / usedHeight.
  uint8_t uploadImage(const RgbaImage& image, int32_t x, int32_t y, int32_t width, int32_t height,
                      GLuint* textureName, GLuint* smoothTextureName, uint8_t normalMap,
                      uint8_t fontMode, int32_t* usedWidth = nullptr,
                      int32_t* usedHeight = nullptr);
  // Tiled pictures, slots 0..15 (slot 0 is the background drawn behind every frame).
  uint8_t loadTiledImage(int32_t slot, const std::string& path);
  void deleteTiledImage(int32_t slot);
  // Copies the back buffer into the slot's tiles, so drawing the slot reproduces the screen.
  void grabScreenToTiled(int32_t slot);
  // Empties every sprite row and every tiled slot.
  void deleteAllImages();
  // 1 when an opaque texel of each sprite falls on the same screen pixel (top-left corners).
  uint8_t spritesCollide(int32_t id1, int32_t x1, int32_t y1, int32_t id2, int32_t x2, int32_t y2);
  SpriteEntry* spriteEntry(int32_t id);  // nullptr outside the table
  const SpriteEntry* spriteEntry(int32_t id) const;
  const TiledImage* tiledImage(int32_t slot) const;  // nullptr outside 0..15

  // Drawing (drawing.cpp), in screen pixels from the view's top-left corner.
  // level 0: opaque; > 0 additive; < 0 translucent; the stored level is |level| up to 1.
  void setAlphaMode(float level);
  // Binds row `id` (its smooth texture when `smooth`), with `secondId` on unit 0 and `id` on
  // unit 1 when multitexturing; id < 0 unbinds. `explicitNames`, when given, holds one GL name
  // per sprite id and replaces the rows' names.
  void bindSprite(int32_t id, int32_t secondId, int32_t smooth,
                  const GLuint* explicitNames = nullptr);
  void drawSprite(int32_t id, float x, float y);
  void drawStretched(int32_t id, float x, float y, float width, float height);
  // The zoom command: scaled about the sprite's centre.
  void drawZoomed(int32_t id, float x, float y, float zoomX, float zoomY);
  void drawRotated(int32_t id, float x, float y, float angle, float zoom);
  void drawFrame(int32_t id, int32_t frame, float x, float y);
  void drawTiledImage(int32_t slot);
  // The fading load-background command, with `path` already resolved: presents frames for
  // about 1.5 s.
  void fadeToBackground(const std::string& path);
  void beginPolygon(int32_t id);
  void addPolygonVertex(float x, float y, float s, float t, int32_t colour);
  void endPolygon();
  void drawPoint(float x, float y, int32_t colour);
  void drawLine(float x1, float y1, float x2, float y2, int32_t colour);
  void drawRect(float x, float y, float width, float height, int32_t colour);

  // Screen grabs and picture files (screen_grabs.cpp). Screen positions count from the top-left
  // of the surface drawn on: the window, or the framebuffer of the current offscreen target.
  // The colour 0x00BBGGRR of one pixel of the back buffer.
  int32_t readPixel(int32_t x, int32_t y);
  // Copies the area into sprite `id` (textures at least 32 texels a side, cut to the largest
  // texture). Without destination alpha, pixels of the sprite transparent colour become
  // transparent. Returns 1, or 0 (nothing done) for an id outside the table or an empty area.
  uint8_t grabSprite(int32_t id, int32_t x, int32_t y, int32_t width, int32_t height);
  // The whole screen, or the picture part of a sprite, as a BMP or PNG file (see
  // image_writer.h). 1 on success; 0 when nothing was written (the old file is kept).
  uint8_t saveScreen(const std::string& name);
  uint8_t saveSprite(int32_t id, const std::string& name);
  // The common writer: 3 bytes per pixel (blue, green, red), rows bottom-up, `rowPitch` pixels
  // apart; the sprite transparent colour is written as 0x8000FF (BMP) or alpha 0 (PNG).
  uint8_t writeImageFile(const std::string& name, const uint8_t* pixels, int32_t width,
                         int32_t height, int32_t rowPitch);

  // Offscreen targets 0..31 (offscreen_targets.cpp): drawing redirected into a sprite, through
  // a framebuffer object where the driver has them, else emulated on the back buffer's top-left
  // corner. Other target numbers and sprite ids outside the table are ignored.
  // Makes sprite `id` an empty picture of width × height and target n draw into it.
  void createTarget(int32_t n, int32_t id, int32_t width, int32_t height);
  // Leaves the current target, if any, and draws into target n from now on.
  void useTarget(int32_t n);
  // Drawing goes to the screen again; the target's sprite keeps what was drawn.
  void leaveTarget();
  int32_t currentTarget() const;
  const OffscreenTarget* offscreenTarget(int32_t n) const;  // nullptr outside 0..31

  // Fonts (fonts.cpp): slot n is sprite row 0xFFE0 + n.
  // Loads the font picture into slot `font`, or the built-in font when that fails (0 then).
  uint8_t loadFont(int32_t font, const std::string& path);
  void printText(int32_t font, const char* text, float x, float y, float z);
  void fontCellSize(int32_t font, int32_t& width, int32_t& height) const;

 private:
  friend Gfx2dState& gfx2dState(OpenGLRainbows& display);
  friend void setMultisampleAttemptForTesting(OpenGLRainbows& display,
                                              std::function<bool(int32_t samples)> attempt);

  const AlphaCopy* alphaCopy(int32_t id);
  bool isTransparentColour(int32_t colour) const;
  int32_t framebufferAlphaBits();
  int32_t drawingSurfaceHeight() const;
  void readFromDrawingSurface();
  int32_t transparentColourOnScreen();
  void releaseTarget(int32_t n);
  void releaseAllTargets();
  friend void releaseOffscreenTargets(OpenGLRainbows& display);
  void beginPrimitive(int32_t colour);
  void endPrimitive();
  void presentFromDrawing();
  std::unique_ptr<Gfx2dState> gfx2d_;

 public:
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
  GlExtensionTable glExtensions_;
  double nextFrameDeadline_ = 0;
  // The position the window had when last windowed, restored on the way back.
  int32_t normalX_ = 0;
  int32_t normalY_ = 0;
  bool hasNormalPosition_ = false;
  std::function<bool(int32_t samples)> multisampleAttempt_;
};

// The process-wide display, owned here: the runtime start-up creates it (no window yet: its
// createDisplay method opens one) and its shutdown destroys it, window and context with it.
// display() is nullptr before and after. Main thread only.
void createDisplay();
void destroyDisplay();
OpenGLRainbows* display();

// The renderer string names one of Mesa's software rasterisers (or the generic Windows one).
bool isSoftwareRenderer(const char* renderer);

// The multisample search order of a request: 8 -> 8, 4, 2, 1; 6 -> 6, 3, 1; 0 -> none.
// Writes at most `capacity` values and returns how many there are.
int multisampleSearchOrder(int32_t request, int32_t* out, int capacity);

}  // namespace korvane
