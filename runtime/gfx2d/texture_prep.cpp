#include "runtime/gfx2d/texture_prep.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace korvane {

int32_t textureSideFor(int32_t size) {
  int32_t side = 2;
  while (side < size && side < (int32_t{1} << 30)) side <<= 1;
  return side;
}

TextureBuffer makeTextureBuffer(const RgbaImage& image, int32_t x, int32_t y, int32_t width,
                                int32_t height) {
  TextureBuffer buffer;
  buffer.width = textureSideFor(width);
  buffer.height = textureSideFor(height);
  buffer.texels.assign(static_cast<size_t>(buffer.width) * buffer.height * 4, 0);
  // Only the part of the region that lies inside the image is copied.
  const int64_t firstColumn = std::max<int64_t>(0, -int64_t{x});
  const int64_t lastColumn = std::min<int64_t>(width, int64_t{image.width} - x);
  if (lastColumn <= firstColumn) return buffer;
  for (int32_t r = 0; r < height; ++r) {
    const int64_t sourceRow = int64_t{y} + r;
    if (sourceRow < 0 || sourceRow >= image.height) continue;
    std::memcpy(buffer.texel(static_cast<int32_t>(firstColumn), height - 1 - r),
                image.pixel(static_cast<int32_t>(x + firstColumn), static_cast<int32_t>(sourceRow)),
                static_cast<size_t>(lastColumn - firstColumn) * 4);
  }
  return buffer;
}

void bleedColours(TextureBuffer& buffer) {
  const int32_t w = buffer.width;
  const int32_t h = buffer.height;
  for (int32_t row = 0; row < h; ++row) {
    for (int32_t x = 0; x < w; ++x) {
      uint8_t* t = buffer.texel(x, row);
      if (t[3] != 0) continue;
      int sum[3] = {0, 0, 0};
      int count = 0;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          if (dx == 0 && dy == 0) continue;
          const int32_t nx = x + dx;
          const int32_t ny = row + dy;
          if (nx < 1 || nx > w - 2 || ny < 1 || ny > h - 2) continue;
          const uint8_t* n = buffer.texel(nx, ny);
          if (n[3] == 0) continue;
          sum[0] += n[0], sum[1] += n[1], sum[2] += n[2];
          ++count;
        }
      }
      // Only transparent texels change, and they never feed an average, so in place is safe.
      for (int c = 0; c < 3; ++c) t[c] = count ? static_cast<uint8_t>(sum[c] / count) : 0;
    }
  }
}

void makeNormalMap(TextureBuffer& buffer) {
  const int32_t w = buffer.width;
  const int32_t h = buffer.height;
  std::vector<uint8_t> out(buffer.texels.size());
  auto v = [&](int32_t x, int32_t row) {
    x = (x + w) % w;
    row = (row + h) % h;
    return buffer.texel(x, row)[2] / 255.0f;
  };
  for (int32_t row = 0; row < h; ++row) {
    // The picture's row above is the texture row after this one (rows are stored bottom-up).
    const int32_t up = row + 1;
    const int32_t down = row - 1;
    for (int32_t x = 0; x < w; ++x) {
      const int32_t l = x - 1;
      const int32_t r = x + 1;
      const float nx =
          (v(l, up) + 2 * v(l, row) + v(l, down)) - (v(r, up) + 2 * v(r, row) + v(r, down));
      const float ny =
          (v(l, up) + 2 * v(x, up) + v(r, up)) - (v(l, down) + 2 * v(x, down) + v(r, down));
      const float k = 1.0f / std::sqrt(nx * nx + ny * ny + 1.0f);
      uint8_t* o = &out[(static_cast<size_t>(row) * w + x) * 4];
      o[0] = static_cast<uint8_t>((nx * k + 1.0f) * 0.5f * 255.0f);
      o[1] = static_cast<uint8_t>((ny * k + 1.0f) * 0.5f * 255.0f);
      o[2] = static_cast<uint8_t>((k + 1.0f) * 0.5f * 255.0f);
      o[3] = buffer.texel(x, row)[3];
    }
  }
  buffer.texels.swap(out);
}

void shrinkMipLevel(uint8_t* texels, int32_t& width, int32_t& height) {
  const int32_t sw = width;
  const int32_t w = std::max(1, width / 2);
  const int32_t h = std::max(1, height / 2);
  auto s = [&](int32_t x, int32_t y, int c) {
    return int{texels[(static_cast<size_t>(y) * sw + x) * 4 + c]};
  };
  // Texel (i, j) reads only at or after its own index in the old level, so writing in order
  // never clobbers a sample still to be read. The lower samples come from row 2j + 2.
  for (int32_t j = 0; j < h; ++j) {
    for (int32_t i = 0; i < w; ++i) {
      uint8_t value[4];
      for (int c = 0; c < 4; ++c) {
        int v;
        if (i < w - 1 && j < h - 1) {
          v = (4 * s(2 * i, 2 * j, c) + 2 * s(2 * i + 1, 2 * j, c) +
               2 * s(2 * i + 1, 2 * j + 2, c) + s(2 * i, 2 * j + 2, c)) /
              9;
        } else if (i < w - 1) {
          v = (2 * s(2 * i, 2 * j, c) + s(2 * i + 1, 2 * j, c)) / 3;
        } else if (j < h - 1) {
          v = (2 * s(2 * i, 2 * j, c) + s(2 * i, 2 * j + 2, c)) / 3;
        } else {
          v = s(2 * i, 2 * j, c);
        }
        value[c] = static_cast<uint8_t>(v);
      }
      std::memcpy(texels + (static_cast<size_t>(j) * w + i) * 4, value, 4);
    }
  }
  width = w;
  height = h;
}

}  // namespace korvane
