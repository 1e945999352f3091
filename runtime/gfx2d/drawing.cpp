// Immediate-mode 2D drawing: alpha modes, binding, sprites, frames, tiled pictures, polygons
// and the primitives.
#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>

#include "runtime/core/stop/upward_calls.h"
#include "runtime/gfx2d/gfx2d_commands.h"
#include "runtime/gfx2d/opengl_rainbows.h"
#include "runtime/gfx2d/opengl_rainbows_internal.h"
#include "runtime/platform/clock.h"

namespace korvane {
namespace {

bool validSpriteId(int32_t id) { return id >= 0 && id < kSpriteCount; }

bool multitexturing(const GlExtensionTable& gl) { return gl.glActiveTextureARB != nullptr; }

// Beyond which an initial polygon buffer is big enough not to be grown at the start.
constexpr int32_t kPolygonMinimumCapacity = 8;

// Moves integer coordinates onto pixel centres.
constexpr float kPixelCentreOffset = 0.375f;

constexpr double kFadeMilliseconds = 1500.0;
constexpr double kFadeStart = 0.9;

}  // namespace

void OpenGLRainbows::presentFromDrawing() {
  if (auto present = upwardCalls().presentFrame) {
    present();
  } else {
    swapAndClear();
  }
}

void OpenGLRainbows::setAlphaMode(float level) {
  if (level != 0) {
    glEnable(GL_BLEND);
    if (level > 0) {
      glBlendFunc(GL_ONE, GL_ONE);
    } else {
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
  } else {
    glDisable(GL_BLEND);
    level = 1;
  }
  float stored = std::fabs(level);
  if (!(stored <= 1.0f)) stored = 1.0f;  // NaN too
  gfx2d_->alphaLevel = stored;
  glColor4f(stored, stored, stored, stored);
}

void OpenGLRainbows::bindSprite(int32_t id, int32_t secondId, int32_t smooth,
                                const GLuint* explicitNames) {
  gfx2d_->currentTexture = id;
  gfx2d_->secondTexture = secondId;
  gfx2d_->smooth = smooth;
  // Ids past the table bind no texture of it.
  auto nameOf = [&](int32_t sprite) -> GLuint {
    if (!validSpriteId(sprite)) return 0;
    if (explicitNames) return explicitNames[sprite];
    const SpriteEntry& row = gfx2d_->sprites[sprite];
    return smooth ? row.smoothTexture : row.texture;
  };
  if (multitexturing(glExtensions_)) {
    const GlExtensionTable& gl = glExtensions();
    gl.glActiveTextureARB(GL_TEXTURE1_ARB);
    if (secondId < 0 || id < 0) {
      glDisable(GL_TEXTURE_2D);
    } else {
      glBindTexture(GL_TEXTURE_2D, nameOf(id));
      glEnable(GL_TEXTURE_2D);
    }
    gl.glActiveTextureARB(GL_TEXTURE0_ARB);
    if (id < 0) {
      glDisable(GL_TEXTURE_2D);
      return;
    }
    glBindTexture(GL_TEXTURE_2D, nameOf(secondId >= 0 ? secondId : id));
    glEnable(GL_TEXTURE_2D);
    return;
  }
  if (id < 0) {
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_COLOR_MATERIAL);
    return;
  }
  glBindTexture(GL_TEXTURE_2D, nameOf(id));
  glEnable(GL_TEXTURE_2D);
}

void OpenGLRainbows::drawSprite(int32_t id, float x, float y) {
  if (!validSpriteId(id)) return;
  x = std::ceil(x);
  y = std::ceil(y);
  bindSprite(id, -1, 0);
  const SpriteEntry& row = gfx2d_->sprites[id];
  const float w = row.width, h = row.height;
  const float s = w / row.textureWidth, t = h / row.textureHeight;
  glBegin(GL_QUADS);
  glTexCoord2f(s, t);
  glVertex2f(x + w, y);
  glTexCoord2f(0, t);
  glVertex2f(x, y);
  glTexCoord2f(0, 0);
  glVertex2f(x, y + h);
  glTexCoord2f(s, 0);
  glVertex2f(x + w, y + h);
  glEnd();
}

void OpenGLRainbows::drawStretched(int32_t id, float x, float y, float width, float height) {
  if (!validSpriteId(id)) return;
  x = std::ceil(x);
  y = std::ceil(y);
  width = std::ceil(width);
  height = std::ceil(height);
  // One negative extent mirrors the quad's winding; both turn the picture half round.
  const bool mirrored = (width < 0) != (height < 0);
  bindSprite(id, -1, 0);
  const SpriteEntry& row = gfx2d_->sprites[id];
  const float s = static_cast<float>(row.width) / row.textureWidth;
  const float t = static_cast<float>(row.height) / row.textureHeight;
  if (mirrored) glFrontFace(GL_CW);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2f(x, y + height);
  glTexCoord2f(s, 0);
  glVertex2f(x + width, y + height);
  glTexCoord2f(s, t);
  glVertex2f(x + width, y);
  glTexCoord2f(0, t);
  glVertex2f(x, y);
  glEnd();
  if (mirrored) glFrontFace(GL_CCW);
}

void OpenGLRainbows::drawZoomed(int32_t id, float x, float y, float zoomX, float zoomY) {
  const SpriteEntry* row = spriteEntry(id);
  if (!row) return;
  const float w = row->width, h = row->height;
  drawStretched(id, x - (zoomX * w - w) / 2, y - (zoomY * h - h) / 2, zoomX * w, zoomY * h);
}

void OpenGLRainbows::drawRotated(int32_t id, float x, float y, float angle, float zoom) {
  if (!validSpriteId(id)) return;
  const SpriteEntry& row = gfx2d_->sprites[id];
  const float w = row.width, h = row.height;
  const float W = row.textureWidth, H = row.textureHeight;
  const float hw = zoom * w / 2, hh = zoom * h / 2;
  bindSprite(id, -1, 0);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glTranslatef(x + row.width / 2, y + row.height / 2, 0);
  glRotatef(angle, 0, 0, -1);
  glBegin(GL_QUADS);
  glTexCoord2f(0.5f / W, 0.5f / H);
  glVertex2f(-hw, hh);
  glTexCoord2f(w / W, 0.5f / H);
  glVertex2f(hw, hh);
  glTexCoord2f(w / W, h / H);
  glVertex2f(hw, -hh);
  glTexCoord2f(0.5f / W, h / H);
  glVertex2f(-hw, -hh);
  glEnd();
  glPopMatrix();
}

void OpenGLRainbows::drawFrame(int32_t id, int32_t frame, float x, float y) {
  if (!validSpriteId(id)) return;
  const SpriteEntry& row = gfx2d_->sprites[id];
  const int32_t fw = row.frameWidth, fh = row.frameHeight;
  if (fw == 0 || fh == 0) return;
  // Frames are laid out over the texture's width; a frame wider than the texture (or an empty
  // row) leaves no whole frame per row and draws nothing.
  const int32_t perRow = row.textureWidth / fw;
  if (perRow == 0) return;
  const int32_t r = frame / perRow;
  const int32_t c = frame % perRow;
  x = std::ceil(x);
  y = std::ceil(y);
  const float W = row.textureWidth, H = row.textureHeight;
  const float s0 = c * fw / W, s1 = s0 + fw / W;
  const float t0 = (row.height - (r + 1) * static_cast<float>(fh)) / H, t1 = t0 + fh / H;
  bindSprite(id, -1, 0);
  glBegin(GL_QUADS);
  glTexCoord2f(s1, t1);
  glVertex2f(x + fw, y);
  glTexCoord2f(s0, t1);
  glVertex2f(x, y);
  glTexCoord2f(s0, t0);
  glVertex2f(x, y + fh);
  glTexCoord2f(s1, t0);
  glVertex2f(x + fw, y + fh);
  glEnd();
}

void OpenGLRainbows::drawTiledImage(int32_t slot) {
  if (slot < 0 || slot >= kTiledSlotCount) return;
  const TiledImage& tiled = gfx2d_->tiledImages[slot];
  glDisable(GL_ALPHA_TEST);
  if (multitexturing(glExtensions_)) {
    glExtensions().glActiveTextureARB(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);
    glExtensions().glActiveTextureARB(GL_TEXTURE0_ARB);
  }
  glEnable(GL_TEXTURE_2D);
  gfx2d_->currentTexture = 0;
  const int32_t tile = tiled.textureWidths[0];
  float x = 0;
  for (int32_t c = 0; c < tiled.columns; ++c) {
    float y = 0;
    for (int32_t r = 0; r < tiled.rows; ++r) {
      const int32_t i = c * kTileGridColumns + r;
      const float tw = tiled.widths[i], th = tiled.heights[i];
      const float TW = tiled.textureWidths[i], TH = tiled.textureHeights[i];
      glBindTexture(GL_TEXTURE_2D, tiled.textures[i]);
      glBegin(GL_QUADS);
      glTexCoord2f(0, 0);
      glVertex2f(x, y + th);
      glTexCoord2f(tw / TW, 0);
      glVertex2f(x + tw, y + th);
      glTexCoord2f(tw / TW, th / TH);
      glVertex2f(x + tw, y);
      glTexCoord2f(0, th / TH);
      glVertex2f(x, y);
      glEnd();
      y += tile;
    }
    x += tile;
  }
  glEnable(GL_ALPHA_TEST);
  bindSprite(-1, -1, 0);
}

void OpenGLRainbows::fadeToBackground(const std::string& path) {
  grabScreenToTiled(kFadeOutSlot);
  loadTiledImage(kFadeInSlot, path);
  deleteTiledImage(kBackgroundSlot);
  clearColourBuffer();
  double p = kFadeStart;
  const double end = platform::monotonicMilliseconds() + kFadeMilliseconds;
  do {
    setAlphaMode(static_cast<float>(p));
    drawTiledImage(kFadeOutSlot);
    setAlphaMode(static_cast<float>(1 - p));
    drawTiledImage(kFadeInSlot);
    presentFromDrawing();
    p = (end - platform::monotonicMilliseconds()) / kFadeMilliseconds;
  } while (p > 0 && p < 1);
  deleteTiledImage(kFadeInSlot);
  deleteTiledImage(kFadeOutSlot);
  loadTiledImage(kBackgroundSlot, path);
  setAlphaMode(0);
  drawTiledImage(kBackgroundSlot);
  presentFromDrawing();
}

void OpenGLRainbows::beginPolygon(int32_t id) {
  bindSprite(validSpriteId(id) ? id : -1, -1, 0);
  GrowingVertexBuffer<PolygonVertex>& buffer = gfx2d_->polygonVertices;
  if (buffer.capacity() <= kPolygonMinimumCapacity) buffer.growTo(kPolygonMinimumCapacity);
  buffer.count = 0;
}

void OpenGLRainbows::addPolygonVertex(float x, float y, float s, float t, int32_t colour) {
  GrowingVertexBuffer<PolygonVertex>& buffer = gfx2d_->polygonVertices;
  if (buffer.count + 1 > buffer.capacity() && !buffer.growTo(int64_t{buffer.count} + 1)) return;
  PolygonVertex& v = buffer.data()[buffer.count++];
  v.x = x;
  v.y = y;
  const SpriteEntry* row = spriteEntry(gfx2d_->currentTexture);
  if (row) {
    v.s = s / row->textureWidth;
    v.t = (row->height - t) / row->textureHeight;
  } else {
    v.s = v.t = 0;
  }
  const float level = gfx2d_->alphaLevel;
  v.red = (colour & 0xFF) / 255.0f * level;
  v.green = ((colour >> 8) & 0xFF) / 255.0f * level;
  v.blue = ((colour >> 16) & 0xFF) / 255.0f * level;
  v.alpha = isTransparentColour(colour) ? 0.0f : 1.0f;
}

void OpenGLRainbows::endPolygon() {
  GrowingVertexBuffer<PolygonVertex>& buffer = gfx2d_->polygonVertices;
  const bool textured = spriteEntry(gfx2d_->currentTexture) != nullptr;
  glEnable(GL_COLOR_MATERIAL);
  glEnable(GL_DITHER);
  glShadeModel(GL_SMOOTH);
  if (buffer.count > 0) {
    const PolygonVertex* v = buffer.data();
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(2, GL_FLOAT, sizeof(PolygonVertex), &v->x);
    if (textured) {
      glEnableClientState(GL_TEXTURE_COORD_ARRAY);
      glTexCoordPointer(2, GL_FLOAT, sizeof(PolygonVertex), &v->s);
    }
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_FLOAT, sizeof(PolygonVertex), &v->red);
    glDrawArrays(GL_TRIANGLE_FAN, 0, buffer.count);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
  }
  glShadeModel(GL_FLAT);
  glEnable(GL_TEXTURE_2D);
  const float level = gfx2d_->alphaLevel;
  glColor4f(level, level, level, level);
  glDisable(GL_DITHER);
  glDisable(GL_COLOR_MATERIAL);
}

bool OpenGLRainbows::isTransparentColour(int32_t colour) const {
  return gfx2d_->spriteKey != kNoColourKey &&
         (static_cast<uint32_t>(colour) & 0xFFFFFFu) ==
             (static_cast<uint32_t>(gfx2d_->spriteKey) & 0xFFFFFFu);
}

void OpenGLRainbows::beginPrimitive(int32_t colour) {
  glDisable(GL_ALPHA_TEST);
  const float level = gfx2d_->alphaLevel;
  auto scaled = [level](int32_t channel) { return static_cast<GLubyte>(channel * level); };
  glColor4ub(scaled(colour & 0xFF), scaled((colour >> 8) & 0xFF), scaled((colour >> 16) & 0xFF),
             isTransparentColour(colour) ? 0 : static_cast<GLubyte>(level * 255));
  bindSprite(-1, -1, 0);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glTranslatef(kPixelCentreOffset, kPixelCentreOffset, 0);
}

void OpenGLRainbows::endPrimitive() {
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  const float level = gfx2d_->alphaLevel;
  glColor4f(level, level, level, level);
  glEnable(GL_ALPHA_TEST);
}

void OpenGLRainbows::drawPoint(float x, float y, int32_t colour) {
  beginPrimitive(colour);
  glBegin(GL_POINTS);
  glVertex2f(x, y);
  glEnd();
  endPrimitive();
}

void OpenGLRainbows::drawLine(float x1, float y1, float x2, float y2, int32_t colour) {
  beginPrimitive(colour);
  glBegin(GL_LINES);
  glVertex2f(x1, y1);
  glVertex2f(x2, y2);
  glEnd();
  // Lines leave out their last pixel; the point puts it back.
  glBegin(GL_POINTS);
  glVertex2f(x2, y2);
  glEnd();
  endPrimitive();
}

void OpenGLRainbows::drawRect(float x, float y, float width, float height, int32_t colour) {
  // A negative size extends left or up from the starting pixel, which stays covered.
  if (width < 0) {
    x = x + width + 1;
    width = -width;
  }
  if (height < 0) {
    y = y + height + 1;
    height = -height;
  }
  beginPrimitive(colour);
  glBegin(GL_QUADS);
  glVertex2f(x, y + height);
  glVertex2f(x + width, y + height);
  glVertex2f(x + width, y);
  glVertex2f(x, y);
  glEnd();
  endPrimitive();
}

}  // namespace korvane
