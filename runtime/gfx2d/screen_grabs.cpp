// Reading back what was drawn: one pixel, an area into a sprite, the screen or a sprite into a
// picture file.
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <memory>
#include <new>

#include "runtime/gfx2d/display_extensions_internal.h"
#include "runtime/gfx2d/image_writer.h"
#include "runtime/gfx2d/opengl_rainbows.h"
#include "runtime/gfx2d/opengl_rainbows_internal.h"
#include "runtime/gfx2d/screen_grabs_internal.h"

namespace korvane {
namespace {

constexpr int32_t kSmallestGrabSide = 32;
constexpr int32_t kLargestSide = int32_t{1} << 30;
// Where the transparent colour is drawn to see how the framebuffer stores it.
constexpr int32_t kKeyProbeX = 2;
constexpr int32_t kKeyProbeY = 2;
constexpr int32_t kBlackKey = 0;

void setUnpackDefaults() {
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
}

// GL takes positions as GLint: keep far-off ones far off without overflowing.
GLint clampedPosition(int64_t value) {
  return static_cast<GLint>(std::clamp<int64_t>(value, -kLargestSide, kLargestSide));
}

std::unique_ptr<uint8_t[]> zeroedBytes(int64_t count) {
  if (count <= 0) return nullptr;
  return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[static_cast<size_t>(count)]());
}

}  // namespace

OpaqueDrawing::OpaqueDrawing(Gfx2dState& state) : state_(state) {
  blend_ = glIsEnabled(GL_BLEND);
  glGetIntegerv(GL_BLEND_SRC, &source_);
  glGetIntegerv(GL_BLEND_DST, &destination_);
  level_ = state.alphaLevel;
  glDisable(GL_BLEND);
  state.alphaLevel = 1;
  glColor4f(1, 1, 1, 1);
}

OpaqueDrawing::~OpaqueDrawing() {
  if (blend_) {
    glEnable(GL_BLEND);
  } else {
    glDisable(GL_BLEND);
  }
  glBlendFunc(static_cast<GLenum>(source_), static_cast<GLenum>(destination_));
  state_.alphaLevel = level_;
  glColor4f(level_, level_, level_, level_);
}

int32_t grabTextureSideFor(int32_t size) {
  int32_t side = kSmallestGrabSide;
  while (side < size && side < kLargestSide) side <<= 1;
  return side;
}

void setPackDefaults() {
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glPixelStorei(GL_PACK_SKIP_ROWS, 0);
  glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
}

int32_t OpenGLRainbows::drawingSurfaceHeight() const {
  const int32_t n = gfx2d_->currentTarget;
  if (n >= 0 && n < kOffscreenTargetCount && usesFramebuffer(gfx2d_->targets[n], glExtensions_)) {
    // The target's view fills the bottom of its framebuffer, as high as its sprite.
    const SpriteEntry* row = spriteEntry(gfx2d_->targets[n].sprite);
    return row ? row->height : 0;
  }
  return height();
}

void OpenGLRainbows::readFromDrawingSurface() {
  const int32_t n = gfx2d_->currentTarget;
  const bool framebuffer =
      n >= 0 && n < kOffscreenTargetCount && usesFramebuffer(gfx2d_->targets[n], glExtensions_);
  glReadBuffer(framebuffer ? GL_COLOR_ATTACHMENT0_EXT : GL_BACK);
  setPackDefaults();
}

int32_t OpenGLRainbows::framebufferAlphaBits() {
  if (gfx2d_->framebufferAlphaBits > 0) return gfx2d_->framebufferAlphaBits;
  // The window's own framebuffer is the one asked: a target's framebuffer object has alpha.
  const GlExtensionTable& gl = glExtensions_;
  GLint bound = 0;
  if (gl.glBindFramebufferEXT != nullptr) {
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
    if (bound != 0) gl.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  }
  GLint bits = 0;
  glGetIntegerv(GL_ALPHA_BITS, &bits);
  if (bound != 0) gl.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(bound));
  if (bits > 0) gfx2d_->framebufferAlphaBits = bits;
  return bits > 0 ? bits : 0;
}

int32_t OpenGLRainbows::readPixel(int32_t x, int32_t y) {
  readFromDrawingSurface();
  uint8_t rgb[3] = {};
  glReadPixels(x, clampedPosition(int64_t{drawingSurfaceHeight()} - y - 1), 1, 1, GL_RGB,
               GL_UNSIGNED_BYTE, rgb);
  return rgb[0] | rgb[1] << 8 | rgb[2] << 16;
}

int32_t OpenGLRainbows::transparentColourOnScreen() {
  const int32_t key = gfx2d_->spriteKey;
  if (key == kNoColourKey) return kNoColourKey;
  if ((static_cast<uint32_t>(key) & 0xFFFFFFu) == kBlackKey) return kBlackKey;
  // A framebuffer of fewer bits stores the colour rounded: draw it and see what it became.
  const int32_t x = viewX() + kKeyProbeX;
  const int32_t y = viewY() + kKeyProbeY;
  const int32_t saved = readPixel(x, y);
  OpaqueDrawing opaque(*gfx2d_);
  drawPoint(kKeyProbeX, kKeyProbeY, key);
  const int32_t seen = readPixel(x, y);
  drawPoint(kKeyProbeX, kKeyProbeY, saved);
  return seen;
}

uint8_t OpenGLRainbows::grabSprite(int32_t id, int32_t x, int32_t y, int32_t width,
                                   int32_t height) {
  SpriteEntry* row = spriteEntry(id);
  if (!row || width < 1 || height < 1) return 0;
  const int32_t largest = largestTextureSize();
  width = std::min(width, largest);
  height = std::min(height, largest);
  const int32_t textureWidth = std::min(grabTextureSideFor(width), largest);
  const int32_t textureHeight = std::min(grabTextureSideFor(height), largest);
  const bool copyAlpha = framebufferAlphaBits() > 0;
  const GLint left = x;
  const GLint bottom = clampedPosition(int64_t{drawingSurfaceHeight()} - y - height);

  std::unique_ptr<uint8_t[]> texels;
  if (!copyAlpha) {
    // Without destination alpha, transparency comes from the colour key.
    texels = zeroedBytes(int64_t{textureWidth} * textureHeight * 4);
    if (!texels) return 0;
    readFromDrawingSurface();
    glReadPixels(left, bottom, textureWidth, textureHeight, GL_BGRA, GL_UNSIGNED_BYTE,
                 texels.get());
    const int32_t key = transparentColourOnScreen();
    if (key != kNoColourKey) {
      const uint8_t red = key & 0xFF, green = (key >> 8) & 0xFF, blue = (key >> 16) & 0xFF;
      uint8_t* t = texels.get();
      const int64_t count = int64_t{textureWidth} * textureHeight;
      for (int64_t i = 0; i < count; ++i, t += 4) {
        if (t[0] == blue && t[1] == green && t[2] == red) t[3] = 0;
      }
    }
  }

  if (row->texture != 0 && row->textureWidth == textureWidth &&
      row->textureHeight == textureHeight) {
    glBindTexture(GL_TEXTURE_2D, row->texture);
  } else {
    if (contextReady()) {
      if (row->texture) glDeleteTextures(1, &row->texture);
      if (row->smoothTexture) glDeleteTextures(1, &row->smoothTexture);
    }
    row->texture = 0;
    row->smoothTexture = 0;
    glGenTextures(1, &row->texture);
    glBindTexture(GL_TEXTURE_2D, row->texture);
    setUnpackDefaults();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    if (copyAlpha) {
      glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, textureWidth, textureHeight, 0, GL_RGBA,
                   GL_UNSIGNED_BYTE, nullptr);
    }
  }
  if (copyAlpha) {
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, left, bottom, width, height);
  } else {
    setUnpackDefaults();
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, textureWidth, textureHeight, 0, GL_BGRA,
                 GL_UNSIGNED_BYTE, texels.get());
  }
  // Like a loaded sprite, the texture holds the area bottom-up, so it draws upright.
  row->textureWidth = static_cast<int16_t>(textureWidth);
  row->textureHeight = static_cast<int16_t>(textureHeight);
  row->width = static_cast<int16_t>(width);
  row->height = static_cast<int16_t>(height);
  return 1;
}

uint8_t OpenGLRainbows::saveScreen(const std::string& name) {
  const int32_t w = width();
  const int32_t h = height();
  if (w < 1 || h < 1) return 0;
  std::unique_ptr<uint8_t[]> pixels = zeroedBytes(int64_t{w} * h * 3);
  if (!pixels) return 0;
  readFromDrawingSurface();
  glReadPixels(0, 0, w, h, GL_BGR, GL_UNSIGNED_BYTE, pixels.get());
  return writeImageFile(name, pixels.get(), w, h, w);
}

uint8_t OpenGLRainbows::saveSprite(int32_t id, const std::string& name) {
  const SpriteEntry* row = spriteEntry(id);
  if (!row || row->texture == 0 || row->width < 1 || row->height < 1) return 0;
  glBindTexture(GL_TEXTURE_2D, row->texture);
  // The buffer follows the texture as GL holds it, whatever the row says.
  GLint textureWidth = 0, textureHeight = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &textureWidth);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &textureHeight);
  if (textureWidth < 1 || textureHeight < 1) return 0;
  std::unique_ptr<uint8_t[]> texels = zeroedBytes(int64_t{textureWidth} * textureHeight * 3);
  if (!texels) return 0;
  setPackDefaults();
  glGetTexImage(GL_TEXTURE_2D, 0, GL_BGR, GL_UNSIGNED_BYTE, texels.get());
  // Only the picture's part of the texture, read at the texture's pitch.
  return writeImageFile(name, texels.get(), std::min<int32_t>(row->width, textureWidth),
                        std::min<int32_t>(row->height, textureHeight), textureWidth);
}

uint8_t OpenGLRainbows::writeImageFile(const std::string& name, const uint8_t* pixels,
                                       int32_t width, int32_t height, int32_t rowPitch) {
  return ::korvane::writeImageFile(name, BgrRows{pixels, width, height, rowPitch},
                                   gfx2d_->spriteKey);
}

}  // namespace korvane
