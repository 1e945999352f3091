// The 2D state held by the display object: sprite rows, alpha copies, tiled images, the text
// vertex buffer, the bound textures, the alpha level, transparent colours and target records.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <memory>
#include <new>

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

// Vertex arrays that only grow: past the capacity they become `firstSize` when that is enough,
// else the next multiple of `step` above what is needed; old contents are kept.
template <typename Vertex>
class GrowingVertexBuffer {
 public:
  GrowingVertexBuffer(int32_t step, int32_t firstSize) : step_(step), firstSize_(firstSize) {}

  // Grows to hold `needed` vertices by the rule above; callers decide when. False when the
  // memory cannot be had (the buffer is then unchanged).
  bool growTo(int64_t needed);
  Vertex* data() { return vertices_.get(); }
  int32_t capacity() const { return capacity_; }
  int32_t count = 0;

 private:
  int32_t step_;
  int32_t firstSize_;
  int32_t capacity_ = 0;
  std::unique_ptr<Vertex[]> vertices_;
};

struct TextVertex {
  float x, y, z, s, t;
};
static_assert(sizeof(TextVertex) == 20);

struct PolygonVertex {
  float x, y, s, t;
  float red, green, blue, alpha;
};
static_assert(sizeof(PolygonVertex) == 32);

inline constexpr int32_t kVertexGrowthStep = 128;
inline constexpr int32_t kVertexFirstSize = 512;

struct Gfx2dState {
  Gfx2dState();

  GrowingVertexBuffer<TextVertex> textVertices{kVertexGrowthStep, kVertexFirstSize};
  int32_t currentTexture = -1;
  int32_t secondTexture = -1;
  int32_t smooth = 0;
  std::unique_ptr<SpriteEntry[]> sprites;  // kSpriteCount rows
  float alphaLevel = 0;
  std::array<OffscreenTarget, kOffscreenTargetCount> targets{};
  int32_t currentTarget = -1;                                 // -1: drawing goes to the screen
  std::unique_ptr<std::unique_ptr<AlphaCopy>[]> pixelCopies;  // kSpriteCount, null when absent
  std::unique_ptr<TiledImage[]> tiledImages;                  // kTiledSlotCount
  int32_t spriteKey = kDefaultSpriteKey;
  int32_t fontKey = kDefaultFontKey;
  // The set-texture command's smoothing flag; cleared after every presented frame.
  int32_t textureSmoothing = 0;
  int32_t currentFont = 0;
};

template <typename Vertex>
bool GrowingVertexBuffer<Vertex>::growTo(int64_t needed) {
  const int64_t newCapacity = needed <= firstSize_ ? firstSize_ : step_ * (needed / step_ + 1);
  if (newCapacity > (int64_t{1} << 28)) return false;
  std::unique_ptr<Vertex[]> grown(new (std::nothrow) Vertex[newCapacity]);
  if (!grown) return false;
  for (int32_t i = 0; i < count && i < capacity_; ++i) grown[i] = vertices_[i];
  vertices_ = std::move(grown);
  capacity_ = static_cast<int32_t>(newCapacity);
  return true;
}

}  // namespace korvane
