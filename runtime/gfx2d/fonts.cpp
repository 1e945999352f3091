// Bitmap font text: 32 font slots in the sprite table, one textured quad per character.
#include <GL/gl.h>

#include <cmath>
#include <cstring>

#include "runtime/gfx2d/glyph_table.h"
#include "runtime/gfx2d/opengl_rainbows.h"
#include "runtime/gfx2d/opengl_rainbows_internal.h"

namespace korvane {
namespace {

constexpr int32_t kCellsPerRow = 16;
constexpr int32_t kTallGridRows = 16;  // codes 0..255 when the picture is taller than wide
constexpr int32_t kWideGridRows = 8;   // codes 0..127 otherwise

bool validFont(int32_t font) { return font >= 0 && font < kFontSlotCount; }

int32_t gridRows(int32_t width, int32_t height) {
  return width < height ? kTallGridRows : kWideGridRows;
}

}  // namespace

void OpenGLRainbows::fontCellSize(int32_t font, int32_t& width, int32_t& height) const {
  width = height = 0;
  if (!validFont(font)) return;
  const SpriteEntry& row = gfx2d_->sprites[kFontSlotBase + font];
  width = row.width / kCellsPerRow;
  height = row.height / gridRows(row.width, row.height);
}

uint8_t OpenGLRainbows::loadFont(int32_t font, const std::string& path) {
  if (!validFont(font)) return 0;
  const int32_t id = kFontSlotBase + font;
  if (!path.empty() && loadSprite(id, path, gfx2d_->fontKey, 0)) return 1;
  deleteSprite(id);
  RgbaImage image;
  SpriteEntry& row = gfx2d_->sprites[id];
  if (makeBuiltinFont(image)) uploadImage(image, 0, 0, 0, 0, &row.texture, nullptr, 0, 1);
  row.width = row.textureWidth = kBuiltinFontWidth;
  row.height = row.textureHeight = kBuiltinFontHeight;
  return 0;
}

void OpenGLRainbows::printText(int32_t font, const char* text, float x, float y, float z) {
  if (!text || text[0] == '\0' || !validFont(font)) return;
  const int32_t id = kFontSlotBase + font;
  bindSprite(id, -1, 0);
  const SpriteEntry& row = gfx2d_->sprites[id];
  const int32_t W = row.width, H = row.height;
  const int32_t rows = gridRows(W, H);
  const int32_t codes = kCellsPerRow * rows;
  const float cw = static_cast<float>(W / kCellsPerRow);
  const float ch = static_cast<float>(H / rows);
  const float th = static_cast<float>(H) / row.textureHeight / rows;
  const float tw = static_cast<float>(W) / row.textureWidth / kCellsPerRow;
  x = std::ceil(x);
  y = std::ceil(y);

  const size_t length = std::strlen(text);
  GrowingVertexBuffer<TextVertex>& buffer = gfx2d_->textVertices;
  const int64_t needed = 4 * static_cast<int64_t>(length);
  if (needed >= buffer.capacity() && !buffer.growTo(needed)) return;
  TextVertex* v = buffer.data();
  for (size_t i = 0; i < length; ++i) {
    const int32_t code = static_cast<unsigned char>(text[i]) % codes;
    const int32_t column = code % kCellsPerRow;
    const int32_t cellRow = code / kCellsPerRow;
    const float s0 = tw * column, s1 = s0 + tw;
    const float t0 = th * (rows - 1 - cellRow), t1 = t0 + th;
    *v++ = {x, y + ch, z, s0, t0};
    *v++ = {x + cw, y + ch, z, s1, t0};
    *v++ = {x + cw, y, z, s1, t1};
    *v++ = {x, y, z, s0, t1};
    x += cw;
  }
  buffer.count = static_cast<int32_t>(needed);

  const TextVertex* first = buffer.data();
  const bool textured = row.texture != 0;
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, sizeof(TextVertex), &first->x);
  if (textured) {
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, sizeof(TextVertex), &first->s);
  }
  glDrawArrays(GL_QUADS, 0, buffer.count);
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

}  // namespace korvane
