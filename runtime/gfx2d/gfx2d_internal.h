// The display's 2D state, shared by its sprite, drawing and font code: the text and polygon
// vertex buffers, the sprite rows, alpha copies and tiled images, the bound textures, the alpha
// level, the offscreen targets, transparent colours, smoothing and the current font.
// Internal to gfx2d (and its tests): programs reach it only through the commands.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <memory>
#include <new>

#include "runtime/gfx2d/sprite_table.h"

namespace korvane {

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
  // The polygon being built between beginPolygon and endPolygon.
  GrowingVertexBuffer<PolygonVertex> polygonVertices{kVertexGrowthStep, kVertexFirstSize};
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
  // GL_ALPHA_BITS of the window's framebuffer once a query answered non-zero; 0 asks again.
  int32_t framebufferAlphaBits = 0;
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
