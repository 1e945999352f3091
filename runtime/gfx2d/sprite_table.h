// The sprite table's rows, alpha copies, tiled images and offscreen-target records, with their
// sizes. The rest of the display's 2D state is in gfx2d_internal.h.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <memory>

namespace korvane {

inline constexpr int32_t kSpriteCount = 65536;
// Font slot n (0..31) is sprite row 0xFFE0 + n.
inline constexpr int32_t kFontSlotBase = 0xFFE0;
inline constexpr int32_t kFontSlotCount = 32;
// Backup of the screen area an emulated offscreen target draws over.
inline constexpr int32_t kScreenBackupSprite = 0xFFDF;

inline constexpr int32_t kTiledSlotCount = 16;
// A tiled image's grid is indexed by column × 64 + row.
inline constexpr int32_t kTileGridColumns = 64;
inline constexpr int32_t kTileGridSize = kTileGridColumns * kTileGridColumns;
inline constexpr int32_t kMaxTileSize = 512;
// Background slots: 0 is drawn behind every frame, 1 and 2 serve the cross-fade.
inline constexpr int32_t kBackgroundSlot = 0;
inline constexpr int32_t kFadeInSlot = 1;
inline constexpr int32_t kFadeOutSlot = 2;

inline constexpr int32_t kOffscreenTargetCount = 32;

inline constexpr int32_t kDefaultSpriteKey = 0x8000FF;  // red 255, green 0, blue 128
inline constexpr int32_t kDefaultFontKey = 0;

struct SpriteEntry {
  GLuint texture = 0;
  GLuint smoothTexture = 0;   // mipmapped copy; never for font slots
  int16_t textureWidth = -1;  // power of two; -1 while the row is empty
  int16_t textureHeight = -1;
  int16_t width = 0;  // the picture's size
  int16_t height = 0;
  int16_t frameWidth = 0;
  int16_t frameHeight = 0;
};

// One alpha byte per texel of a row's texture (texture row order), with the texture size it was
// read at: a reload to another size makes it stale.
struct AlphaCopy {
  std::unique_ptr<uint8_t[]> alpha;
  int32_t textureWidth = 0;
  int32_t textureHeight = 0;
};

struct TiledImage {
  std::array<GLuint, kTileGridSize> textures{};
  std::array<int32_t, kTileGridSize> textureWidths{};
  std::array<int32_t, kTileGridSize> textureHeights{};
  std::array<int32_t, kTileGridSize> widths{};
  std::array<int32_t, kTileGridSize> heights{};
  int32_t columns = 0;
  int32_t rows = 0;
};

struct OffscreenTarget {
  GLuint framebuffer = 0;
  GLuint depthBuffer = 0;
  int32_t width = 0;  // 0 when emulated on the back buffer
  int32_t height = 0;
  int32_t sprite = 0;
};

}  // namespace korvane
