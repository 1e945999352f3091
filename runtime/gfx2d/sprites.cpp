// The sprite table: loading pictures into rows, uploading textures, tiled images and
// pixel-exact collision.
#include <GL/gl.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "runtime/gfx2d/display_extensions_internal.h"
#include "runtime/gfx2d/image_readers.h"
#include "runtime/gfx2d/opengl_rainbows.h"
#include "runtime/gfx2d/opengl_rainbows_internal.h"
#include "runtime/gfx2d/texture_prep.h"

namespace korvane {
namespace {

bool validSpriteId(int32_t id) { return id >= 0 && id < kSpriteCount; }
bool validTiledSlot(int32_t slot) { return slot >= 0 && slot < kTiledSlotCount; }

void setUnpackDefaults() {
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
}

}  // namespace

const TiledImage* OpenGLRainbows::tiledImage(int32_t slot) const {
  return slot >= 0 && slot < kTiledSlotCount ? &gfx2d_->tiledImages[slot] : nullptr;
}

SpriteEntry* OpenGLRainbows::spriteEntry(int32_t id) {
  return validSpriteId(id) ? &gfx2d_->sprites[id] : nullptr;
}

const SpriteEntry* OpenGLRainbows::spriteEntry(int32_t id) const {
  return validSpriteId(id) ? &gfx2d_->sprites[id] : nullptr;
}

void OpenGLRainbows::deleteSprite(int32_t id) {
  SpriteEntry* row = spriteEntry(id);
  if (!row) return;
  if (contextReady()) {
    if (row->texture) glDeleteTextures(1, &row->texture);
    if (row->smoothTexture) glDeleteTextures(1, &row->smoothTexture);
  }
  row->texture = 0;
  row->smoothTexture = 0;
  row->textureWidth = -1;
  row->textureHeight = -1;
  row->width = 0;
  row->height = 0;
  gfx2d_->pixelCopies[id].reset();
}

void OpenGLRainbows::setFrameSize(int32_t id, int32_t frameWidth, int32_t frameHeight) {
  SpriteEntry* row = spriteEntry(id);
  if (!row) return;
  row->frameWidth = static_cast<int16_t>(frameWidth);
  row->frameHeight = static_cast<int16_t>(frameHeight);
}

void OpenGLRainbows::spriteSize(int32_t id, int32_t& width, int32_t& height) const {
  const SpriteEntry* row = spriteEntry(id);
  width = row ? row->width : 0;
  height = row ? row->height : 0;
}

void OpenGLRainbows::setTransparentColour(int32_t colour) {
  gfx2d_->spriteKey = colour;
  gfx2d_->fontKey = colour;
}

uint8_t OpenGLRainbows::loadSprite(int32_t id, const std::string& path, int32_t colourKey,
                                   uint8_t normalMap) {
  SpriteEntry* row = spriteEntry(id);
  if (!row) return 0;
  deleteSprite(id);
  RgbaImage image;
  if (!readImageFile(image, path, colourKey) || image.width == 0 || image.height == 0) return 0;
  const bool font = id >= kFontSlotBase;
  int32_t width = 0;
  int32_t height = 0;
  if (!uploadImage(image, 0, 0, 0, 0, &row->texture, font ? nullptr : &row->smoothTexture,
                   font ? 0 : normalMap, font ? 1 : 0, &width, &height)) {
    return 0;
  }
  // The sizes actually uploaded: a picture beyond the largest texture is cut to it.
  row->textureWidth = static_cast<int16_t>(textureSideFor(width));
  row->textureHeight = static_cast<int16_t>(textureSideFor(height));
  row->width = static_cast<int16_t>(width);
  row->height = static_cast<int16_t>(height);
  return 1;
}

uint8_t OpenGLRainbows::uploadImage(const RgbaImage& image, int32_t x, int32_t y, int32_t width,
                                    int32_t height, GLuint* textureName, GLuint* smoothTextureName,
                                    uint8_t normalMap, uint8_t fontMode, int32_t* usedWidth,
                                    int32_t* usedHeight) {
  const GLint maxSize = largestTextureSize();
  if (width == 0) width = image.width - x;
  if (height == 0) height = image.height - y;
  if (width < 1 || height < 1) return 0;
  width = std::min<int32_t>(width, maxSize);
  height = std::min<int32_t>(height, maxSize);
  if (usedWidth) *usedWidth = width;
  if (usedHeight) *usedHeight = height;

  TextureBuffer buffer = makeTextureBuffer(image, x, y, width, height);
  if (!fontMode) bleedColours(buffer);
  if (normalMap) makeNormalMap(buffer);

  setUnpackDefaults();
  if (*textureName) glDeleteTextures(1, textureName);
  glGenTextures(1, textureName);
  glBindTexture(GL_TEXTURE_2D, *textureName);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  const GLint filter = fontMode ? GL_NEAREST : GL_LINEAR;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, buffer.width, buffer.height, 0, GL_RGBA,
               GL_UNSIGNED_BYTE, buffer.texels.data());

  if (smoothTextureName) {
    glGenTextures(1, smoothTextureName);
    glBindTexture(GL_TEXTURE_2D, *smoothTextureName);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    int32_t w = buffer.width;
    int32_t h = buffer.height;
    GLint level = 0;
    glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 buffer.texels.data());
    while (w >= 2 || h >= 2) {
      shrinkMipLevel(buffer.texels.data(), w, h);
      glTexImage2D(GL_TEXTURE_2D, ++level, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                   buffer.texels.data());
    }
  }
  return 1;
}

void OpenGLRainbows::deleteTiledImage(int32_t slot) {
  if (!validTiledSlot(slot)) return;
  TiledImage& tiled = gfx2d_->tiledImages[slot];
  if (contextReady()) {
    for (int32_t c = 0; c < tiled.columns; ++c) {
      for (int32_t r = 0; r < tiled.rows; ++r) {
        GLuint& name = tiled.textures[c * kTileGridColumns + r];
        if (name) glDeleteTextures(1, &name);
      }
    }
  }
  tiled = TiledImage{};
}

uint8_t OpenGLRainbows::loadTiledImage(int32_t slot, const std::string& path) {
  if (!validTiledSlot(slot)) return 0;
  RgbaImage image;
  if (!readImageFile(image, path, kNoColourKey) || image.width == 0 || image.height == 0) return 0;
  const int32_t tile = std::min<int32_t>(largestTextureSize(), kMaxTileSize);
  deleteTiledImage(slot);
  TiledImage& tiled = gfx2d_->tiledImages[slot];
  int32_t row = 0;
  for (int32_t top = 0; top < image.height && row < kTileGridColumns; top += tile, ++row) {
    int32_t column = 0;
    for (int32_t left = 0; left < image.width && column < kTileGridColumns;
         left += tile, ++column) {
      const int32_t index = column * kTileGridColumns + row;
      uploadImage(image, left, top, tile, tile, &tiled.textures[index], nullptr, 0, 0);
      tiled.textureWidths[index] = tile;
      tiled.textureHeights[index] = tile;
      tiled.widths[index] = tile;
      tiled.heights[index] = tile;
    }
    tiled.columns = std::max(tiled.columns, column);
  }
  tiled.rows = row;
  return 1;
}

void OpenGLRainbows::grabScreenToTiled(int32_t slot) {
  if (!validTiledSlot(slot)) return;
  TiledImage& tiled = gfx2d_->tiledImages[slot];
  const int32_t screenWidth = width();
  const int32_t screenHeight = height();
  // One tile as large as the screen needs, not the largest texture the driver allows (which
  // can be 16384 squared, a gigabyte per grab).
  const int32_t tile =
      std::min<int32_t>(largestTextureSize(), textureSideFor(std::max(screenWidth, screenHeight)));
  int32_t row = 0;
  for (int32_t y0 = 0; y0 < screenHeight && row < kTileGridColumns; y0 += tile, ++row) {
    int32_t column = 0;
    for (int32_t x0 = 0; x0 < screenWidth && column < kTileGridColumns; x0 += tile, ++column) {
      const int32_t index = column * kTileGridColumns + row;
      GLuint& name = tiled.textures[index];
      if (name == 0 || tiled.textureWidths[index] != tile || tiled.textureHeights[index] != tile) {
        if (name) glDeleteTextures(1, &name);
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, tile, tile, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
      } else {
        glBindTexture(GL_TEXTURE_2D, name);
      }
      const int32_t tileWidth = std::min(tile, screenWidth - x0);
      const int32_t tileHeight = std::min(tile, screenHeight - y0);
      glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, x0, screenHeight - y0 - tileHeight, tileWidth,
                          tileHeight);
      tiled.textureWidths[index] = tile;
      tiled.textureHeights[index] = tile;
      tiled.widths[index] = tileWidth;
      tiled.heights[index] = tileHeight;
    }
    tiled.columns = std::max(tiled.columns, column);
  }
  tiled.rows = std::max(tiled.rows, row);
}

void OpenGLRainbows::deleteAllImages() {
  for (int32_t id = 0; id < kSpriteCount; ++id) {
    if (gfx2d_->sprites[id].texture || gfx2d_->sprites[id].smoothTexture ||
        gfx2d_->sprites[id].textureWidth != -1 || gfx2d_->pixelCopies[id]) {
      deleteSprite(id);
    }
  }
  for (int32_t slot = 0; slot < kTiledSlotCount; ++slot) deleteTiledImage(slot);
}

const AlphaCopy* OpenGLRainbows::alphaCopy(int32_t id) {
  const SpriteEntry* row = spriteEntry(id);
  if (!row || row->texture == 0 || row->textureWidth < 1 || row->textureHeight < 1) {
    return nullptr;
  }
  std::unique_ptr<AlphaCopy>& copy = gfx2d_->pixelCopies[id];
  if (copy && copy->textureWidth == row->textureWidth &&
      copy->textureHeight == row->textureHeight) {
    return copy.get();
  }
  auto made = std::make_unique<AlphaCopy>();
  const size_t bytes = static_cast<size_t>(row->textureWidth) * row->textureHeight;
  made->alpha.reset(new (std::nothrow) uint8_t[bytes]);
  if (!made->alpha) return nullptr;
  made->textureWidth = row->textureWidth;
  made->textureHeight = row->textureHeight;
  // Rows of a 2-texel-wide alpha texture are 2 bytes: no padding to 4 on the way out.
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glBindTexture(GL_TEXTURE_2D, row->texture);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, made->alpha.get());
  copy = std::move(made);
  return copy.get();
}

uint8_t OpenGLRainbows::spritesCollide(int32_t id1, int32_t x1, int32_t y1, int32_t id2, int32_t x2,
                                       int32_t y2) {
  const SpriteEntry* a = spriteEntry(id1);
  const SpriteEntry* b = spriteEntry(id2);
  if (!a || !b) return 0;
  const int64_t left = std::max<int64_t>(x1, x2);
  const int64_t top = std::max<int64_t>(y1, y2);
  const int64_t right = std::min<int64_t>(int64_t{x1} + a->width, int64_t{x2} + b->width);
  const int64_t bottom = std::min<int64_t>(int64_t{y1} + a->height, int64_t{y2} + b->height);
  if (right < left || bottom < top) return 0;
  if (right == left || bottom == top) return 0;  // touching only: the scan is empty
  const AlphaCopy* alphaA = alphaCopy(id1);
  const AlphaCopy* alphaB = alphaCopy(id2);
  if (!alphaA || !alphaB) return 0;
  auto alphaAt = [](const AlphaCopy& copy, int64_t height, int64_t x, int64_t y, int64_t px,
                    int64_t py) {
    const int64_t column = px - x;
    const int64_t textureRow = y + height - 1 - py;
    // A row whose picture outgrew its texture (a grab) must not read past the copy.
    if (column >= copy.textureWidth || textureRow < 0 || textureRow >= copy.textureHeight) {
      return uint8_t{0};
    }
    return copy.alpha[static_cast<size_t>(textureRow * copy.textureWidth + column)];
  };
  // Even rows and columns first: a large overlap is usually found in the first quarter.
  for (int rowPhase = 0; rowPhase < 2; ++rowPhase) {
    for (int columnPhase = 0; columnPhase < 2; ++columnPhase) {
      for (int64_t py = top + rowPhase; py < bottom; py += 2) {
        for (int64_t px = left + columnPhase; px < right; px += 2) {
          if (alphaAt(*alphaA, a->height, x1, y1, px, py) != 0 &&
              alphaAt(*alphaB, b->height, x2, y2, px, py) != 0) {
            return 1;
          }
        }
      }
    }
  }
  return 0;
}

}  // namespace korvane
