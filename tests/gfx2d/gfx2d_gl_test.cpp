// Sprites, drawing and fonts on a real GL context under the virtual display: textures are read
// back with glGetTexImage and drawings with glReadPixels.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "runtime/gfx2d/display_extensions_internal.h"
#include "runtime/gfx2d/gfx2d_commands.h"
#include "runtime/gfx2d/opengl_rainbows_internal.h"
#include "tests/gfx2d/image_test_files.h"
#include "tests/support/gl_pixels.h"

namespace korvane {
namespace {

using korvane::testing::makePng;
using korvane::testing::writeTempFile;
using testing::Rgb;

constexpr int kScreenWidth = 320;
constexpr int kScreenHeight = 240;

Rgb pixel(int x, int y) { return testing::backBufferPixel(x, y, kScreenHeight); }

class Gfx2dGlTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    display_ = new OpenGLRainbows;
    ASSERT_EQ(display_->createDisplay(nullptr, kScreenWidth, kScreenHeight, 0, 60, 0), 1);
    setDisplay(display_);
  }
  static void TearDownTestSuite() {
    setDisplay(nullptr);
    delete display_;
    display_ = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(display_, nullptr);
    d().setTransparentColour(0x8000FF);
    d().resetView(0, 0, 0, 0);
    d().setAlphaMode(0);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
  void TearDown() override {
    d().deleteAllImages();
    setReportedMaxTextureSizeForTesting(0);
  }

  static OpenGLRainbows& d() { return *display_; }

  // Texture level `level` of `name` as RGBA bytes.
  static std::vector<uint8_t> textureLevel(GLuint name, int level, int& width, int& height) {
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
    std::vector<uint8_t> texels(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (!texels.empty()) {
      glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    }
    return texels;
  }

  // Loads an RGBA picture (rows top-down) into sprite `id` through a PNG file.
  static void loadRgba(int id, int width, int height, const std::vector<uint8_t>& rgba,
                       int32_t key = -1) {
    const std::string path =
        writeTempFile("sprite" + std::to_string(id) + ".png", makePng(width, height, 4, 8, rgba));
    ASSERT_EQ(d().loadSprite(id, path, key, 0), 1);
  }

  static std::vector<uint8_t> solid(int width, int height, Rgb colour, int alpha = 255) {
    std::vector<uint8_t> rgba;
    for (int i = 0; i < width * height; ++i) {
      rgba.insert(rgba.end(), {static_cast<uint8_t>(colour[0]), static_cast<uint8_t>(colour[1]),
                               static_cast<uint8_t>(colour[2]), static_cast<uint8_t>(alpha)});
    }
    return rgba;
  }

  static OpenGLRainbows* display_;
};
OpenGLRainbows* Gfx2dGlTest::display_ = nullptr;

const Rgb kBlack = {0, 0, 0};
const Rgb kWhite = {255, 255, 255};

// ---------------------------------------------------------------- sprite table and upload

TEST_F(Gfx2dGlTest, PictureIsStoredBottomUpInAPowerOfTwoTexture) {
  std::vector<uint8_t> rgba;
  for (int y = 0; y < 50; ++y) {
    for (int x = 0; x < 100; ++x) rgba.insert(rgba.end(), {static_cast<uint8_t>(y), 7, 9, 255});
  }
  const std::string path = writeTempFile("picture.bmp", korvane::testing::makeBmp24(100, 50, rgba));
  ASSERT_EQ(d().loadSprite(3, path, 0x8000FF, 0), 1);
  const SpriteEntry& row = *d().spriteEntry(3);
  EXPECT_EQ(row.textureWidth, 128);
  EXPECT_EQ(row.textureHeight, 64);
  EXPECT_EQ(row.width, 100);
  EXPECT_EQ(row.height, 50);
  int w = 0, h = 0;
  const std::vector<uint8_t> texels = textureLevel(row.texture, 0, w, h);
  ASSERT_EQ(w, 128);
  ASSERT_EQ(h, 64);
  auto at = [&](int x, int textureRow) { return &texels[(textureRow * 128 + x) * 4]; };
  EXPECT_EQ(at(0, 0)[0], 49);   // texture row 0 holds the picture's bottom row
  EXPECT_EQ(at(99, 49)[0], 0);  // texture row 49 its top row
  EXPECT_EQ(at(50, 20)[0], 29);
  EXPECT_EQ(at(99, 0)[3], 255);
  EXPECT_EQ(at(100, 0)[3], 0);  // outside the picture: transparent
  EXPECT_EQ(at(0, 50)[3], 0);

  int32_t sw = 0, sh = 0;
  d().spriteSize(3, sw, sh);
  EXPECT_EQ(sw, 100);
  EXPECT_EQ(sh, 50);
  d().deleteSprite(3);
  EXPECT_EQ(row.texture, 0u);
  EXPECT_EQ(row.textureWidth, -1);
  EXPECT_EQ(row.width, 0);
}

TEST_F(Gfx2dGlTest, OnePixelWidePictureGetsATextureTwoWide) {
  loadRgba(4, 1, 3, solid(1, 3, {1, 2, 3}));
  EXPECT_EQ(d().spriteEntry(4)->textureWidth, 2);
  EXPECT_EQ(d().spriteEntry(4)->textureHeight, 4);
}

TEST_F(Gfx2dGlTest, TransparentTexelsTakeTheColourOfOpaqueInteriorNeighbours) {
  // A 4 x 4 picture, rows top-down. Texture rows are bottom-up, so picture row y is texture
  // row 3 - y. Opaque: red at picture (1, 2), green at (2, 2) - texture row 1 - and blue at the
  // border pixel (0, 1), texture row 2, which is outside the interior and never averaged.
  std::vector<uint8_t> rgba(4 * 4 * 4, 0);
  auto put = [&](int x, int y, std::array<uint8_t, 4> c) {
    std::copy(c.begin(), c.end(), rgba.begin() + (y * 4 + x) * 4);
  };
  put(1, 2, {200, 0, 0, 255});
  put(2, 2, {0, 100, 0, 255});
  put(0, 1, {0, 0, 255, 255});
  loadRgba(5, 4, 4, rgba);
  int w = 0, h = 0;
  const std::vector<uint8_t> t = textureLevel(d().spriteEntry(5)->texture, 0, w, h);
  auto texel = [&](int x, int row) {
    const uint8_t* p = &t[(row * 4 + x) * 4];
    return std::vector<int>{p[0], p[1], p[2], p[3]};
  };
  EXPECT_EQ(texel(1, 2), (std::vector<int>{100, 50, 0, 0}));   // above both, beside the blue
  EXPECT_EQ(texel(0, 0), (std::vector<int>{200, 0, 0, 0}));    // corner: only the red
  EXPECT_EQ(texel(3, 3), (std::vector<int>{0, 0, 0, 0}));      // no opaque neighbour: black
  EXPECT_EQ(texel(1, 1), (std::vector<int>{200, 0, 0, 255}));  // opaque texels are kept
  EXPECT_EQ(texel(0, 2), (std::vector<int>{0, 0, 255, 255}));
}

TEST_F(Gfx2dGlTest, SmoothTextureLevelsFollowTheMipmapWeights) {
  // Texture texel (x, row) has red 10x + 40row: picture pixel (x, y) is texture row 3 - y.
  std::vector<uint8_t> rgba;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      rgba.insert(rgba.end(), {static_cast<uint8_t>(10 * x + 40 * (3 - y)), 0, 0, 255});
    }
  }
  loadRgba(6, 4, 4, rgba);
  const SpriteEntry& row = *d().spriteEntry(6);
  ASSERT_NE(row.smoothTexture, 0u);
  int w = 0, h = 0;
  const std::vector<uint8_t> level1 = textureLevel(row.smoothTexture, 1, w, h);
  ASSERT_EQ(w, 2);
  ASSERT_EQ(h, 2);
  // (4 S(0,0) + 2 S(1,0) + 2 S(1,2) + S(0,2)) / 9 = (0 + 20 + 180 + 80) / 9
  EXPECT_EQ(level1[0], 31);
  // last column: (2 S(2,0) + S(2,2)) / 3 = (40 + 100) / 3
  EXPECT_EQ(level1[4], 46);
  // last row: (2 S(0,2) + S(1,2)) / 3 = (160 + 90) / 3
  EXPECT_EQ(level1[8], 83);
  // last column and row: S(2,2)
  EXPECT_EQ(level1[12], 100);
  EXPECT_EQ(level1[3], 255);
  const std::vector<uint8_t> level2 = textureLevel(row.smoothTexture, 2, w, h);
  ASSERT_EQ(w, 1);
  ASSERT_EQ(h, 1);
  EXPECT_EQ(level2[0], 31);
  textureLevel(row.smoothTexture, 3, w, h);
  EXPECT_EQ(w, 0);  // the chain stops at 1 x 1

  // A long thin picture halves each side down to 1 until both are 1: 8x2, 4x1, 2x1, 1x1.
  loadRgba(9, 8, 2, solid(8, 2, {90, 80, 70}));
  const GLuint thin = d().spriteEntry(9)->smoothTexture;
  const int expected[][2] = {{8, 2}, {4, 1}, {2, 1}, {1, 1}, {0, 0}};
  for (int level = 0; level < 5; ++level) {
    const std::vector<uint8_t> texels = textureLevel(thin, level, w, h);
    EXPECT_EQ(w, expected[level][0]) << level;
    EXPECT_EQ(h, expected[level][1]) << level;
    if (!texels.empty()) {
      EXPECT_EQ(texels[0], 90) << level;  // a flat colour stays flat
    }
  }

  GLint minFilter = 0;
  glBindTexture(GL_TEXTURE_2D, row.smoothTexture);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
  EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
}

TEST_F(Gfx2dGlTest, FontSlotsUseNearestFilteringAndNoSmoothTexture) {
  d().loadFont(2, "");
  const SpriteEntry& font = *d().spriteEntry(kFontSlotBase + 2);
  ASSERT_NE(font.texture, 0u);
  EXPECT_EQ(font.smoothTexture, 0u);
  EXPECT_EQ(font.width, 128);
  EXPECT_EQ(font.textureHeight, 64);
  GLint mag = 0, min = 0;
  glBindTexture(GL_TEXTURE_2D, font.texture);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
  EXPECT_EQ(mag, GL_NEAREST);
  EXPECT_EQ(min, GL_NEAREST);

  loadRgba(7, 2, 2, solid(2, 2, kWhite));
  glBindTexture(GL_TEXTURE_2D, d().spriteEntry(7)->texture);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
  EXPECT_EQ(mag, GL_LINEAR);
}

TEST_F(Gfx2dGlTest, BumpTextureBecomesANormalMap) {
  // A flat blue picture has no slope: every texel is the straight-up normal.
  const std::string path = writeTempFile("bump.png", makePng(4, 4, 4, 8, solid(4, 4, {0, 0, 200})));
  ASSERT_EQ(d().loadSprite(8, path, 0x8000FF, 1), 1);
  int w = 0, h = 0;
  const std::vector<uint8_t> t = textureLevel(d().spriteEntry(8)->texture, 0, w, h);
  EXPECT_EQ(t[0], 127);  // (0 + 1) / 2 * 255
  EXPECT_EQ(t[1], 127);
  EXPECT_EQ(t[2], 255);  // (1 + 1) / 2 * 255
  EXPECT_EQ(t[3], 255);
}

TEST_F(Gfx2dGlTest, IdsOutsideTheTableTouchNoRow) {
  const std::string path = writeTempFile("outside.png", makePng(2, 2, 4, 8, solid(2, 2, kWhite)));
  EXPECT_EQ(d().loadSprite(65536, path, -1, 0), 0);
  EXPECT_EQ(d().loadSprite(-1, path, -1, 0), 0);
  EXPECT_EQ(d().spriteEntry(65536), nullptr);
  d().deleteSprite(70000);
  d().setFrameSize(-5, 3, 3);
  d().drawSprite(65536, 0, 0);
  d().drawFrame(1 << 20, 0, 0, 0);
  int32_t w = 1, h = 1;
  d().spriteSize(65536, w, h);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(d().spritesCollide(-1, 0, 0, 70000, 0, 0), 0);
}

TEST_F(Gfx2dGlTest, TiledPictureKeepsPartialTilesTransparentAndDrawsAtItsSize) {
  std::vector<uint8_t> rgba;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 600; ++x) {
      rgba.insert(rgba.end(), {static_cast<uint8_t>(x < 512 ? 200 : 50), 60, 70, 255});
    }
  }
  const std::string path = writeTempFile("wide.png", makePng(600, 40, 4, 8, rgba));
  ASSERT_EQ(d().loadTiledImage(kBackgroundSlot, path), 1);
  const TiledImage& tiled = *d().tiledImage(kBackgroundSlot);
  EXPECT_EQ(tiled.columns, 2);
  EXPECT_EQ(tiled.rows, 1);
  EXPECT_EQ(tiled.widths[0], 512);
  int w = 0, h = 0;
  const std::vector<uint8_t> right = textureLevel(tiled.textures[kTileGridColumns], 0, w, h);
  ASSERT_EQ(w, 512);
  ASSERT_EQ(h, 512);
  // Texture row 511 is the picture's top row; column 87 is picture column 599, 88 is past it.
  EXPECT_EQ(right[(511 * 512 + 87) * 4 + 3], 255);
  EXPECT_EQ(right[(511 * 512 + 0) * 4], 50);  // picture column 512
  EXPECT_EQ(right[(511 * 512 + 88) * 4 + 3], 0);
  EXPECT_EQ(right[(400 * 512 + 10) * 4 + 3], 0);  // below the picture

  d().drawTiledImage(kBackgroundSlot);
  EXPECT_EQ(pixel(10, 10), (Rgb{200, 60, 70}));
  EXPECT_EQ(pixel(100, 39), (Rgb{200, 60, 70}));
  // Drawn without the alpha test: past the picture's edge comes one row of bled colour, then
  // the black of texels that have no opaque neighbour.
  EXPECT_EQ(pixel(100, 40), (Rgb{200, 60, 70}));
  EXPECT_EQ(pixel(100, 41), kBlack);

  d().deleteTiledImage(kBackgroundSlot);
  EXPECT_EQ(d().tiledImage(kBackgroundSlot)->columns, 0);
  EXPECT_EQ(d().loadTiledImage(kBackgroundSlot, path + ".missing"), 0);
}

// Pictures past the largest texture: each pixel names its own position, red x & 255 and green
// y & 255, blue 100 + (x >> 8) + (y >> 8), so a drawn pixel shows which picture pixel it came from.
Rgb positionColour(int x, int y) { return {x & 255, y & 255, 100 + (x >> 8) + (y >> 8)}; }

std::string writePositionBmp(int width, int height) {
  std::vector<uint8_t> rgba;
  rgba.reserve(static_cast<size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgb c = positionColour(x, y);
      rgba.insert(rgba.end(), {static_cast<uint8_t>(c[0]), static_cast<uint8_t>(c[1]),
                               static_cast<uint8_t>(c[2]), 255});
    }
  }
  return writeTempFile("position" + std::to_string(width) + "x" + std::to_string(height) + ".bmp",
                       korvane::testing::makeBmp24(width, height, rgba));
}

GLint driverMaxTextureSize() {
  GLint size = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
  return size;
}

// A 20000-pixel side (a 120 KB file) loads and is cut from the top-left corner to the largest
// texture: with the limit lowered, with the driver's own (16384 on the software renderer), and
// where a driver allows 32768, which a signed 16-bit row cannot hold as a texture size.
TEST_F(Gfx2dGlTest, PictureBeyondTheLargestTextureIsCutFromItsTopLeftCorner) {
  const GLint driver = driverMaxTextureSize();
  ::testing::Test::RecordProperty("GL_MAX_TEXTURE_SIZE", driver);
  ASSERT_GE(driver, 64);
  const int32_t driverCut = std::min<int32_t>(driver, 16384);
  struct Case {
    int32_t reported;  // 0: the driver's answer
    int width, height;
    int32_t cut;
  };
  for (const Case c : {Case{64, 20000, 2, 64}, Case{64, 2, 20000, 64}, Case{0, 20000, 2, driverCut},
                       Case{0, 2, 20000, driverCut}, Case{32768, 20000, 2, 16384}}) {
    SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height << ", reported "
                                      << (c.reported ? c.reported : driver));
    setReportedMaxTextureSizeForTesting(c.reported);
    EXPECT_EQ(largestTextureSize(), c.cut);
    ASSERT_EQ(d().loadSprite(40, writePositionBmp(c.width, c.height), -1, 0), 1);
    const SpriteEntry& row = *d().spriteEntry(40);
    const bool wide = c.width > c.height;
    EXPECT_EQ(row.width, wide ? c.cut : c.width);
    EXPECT_EQ(row.height, wide ? c.height : c.cut);
    EXPECT_EQ(row.textureWidth, wide ? c.cut : 2);
    EXPECT_EQ(row.textureHeight, wide ? 2 : c.cut);
    int32_t w = 0, h = 0;
    d().spriteSize(40, w, h);
    EXPECT_EQ(w, row.width);
    EXPECT_EQ(h, row.height);

    // The left (or top) part is drawn from the picture's first pixel on.
    glClear(GL_COLOR_BUFFER_BIT);
    d().drawSprite(40, 100, 100);
    EXPECT_EQ(pixel(100, 100), positionColour(0, 0));
    EXPECT_EQ(pixel(101, 101), positionColour(1, 1));
    EXPECT_EQ(pixel(100 + 37, 100), wide ? positionColour(37, 0) : kBlack);
    EXPECT_EQ(pixel(100, 100 + 37), wide ? kBlack : positionColour(0, 37));
    // Moved so the last kept pixel lands at 9: the cut is exactly there, nothing follows it.
    glClear(GL_COLOR_BUFFER_BIT);
    if (wide) {
      d().drawSprite(40, static_cast<float>(10 - c.cut), 0);
      EXPECT_EQ(pixel(9, 0), positionColour(c.cut - 1, 0));
      EXPECT_EQ(pixel(9, 1), positionColour(c.cut - 1, 1));
      EXPECT_EQ(pixel(10, 0), kBlack);
    } else {
      d().drawSprite(40, 0, static_cast<float>(10 - c.cut));
      EXPECT_EQ(pixel(0, 9), positionColour(0, c.cut - 1));
      EXPECT_EQ(pixel(1, 9), positionColour(1, c.cut - 1));
      EXPECT_EQ(pixel(0, 10), kBlack);
    }
  }
}

// Backgrounds are cut at 64 tiles a side whatever the tile size: with 64-pixel tiles a 20000
// pixel side keeps 4096 pixels; with the driver's limit the tiles are 512 and all 40 are kept.
TEST_F(Gfx2dGlTest, BackgroundIsCutAtSixtyFourTilesASide) {
  struct Case {
    int32_t reported;
    int width, height;
    int32_t tile, tiles;
  };
  for (const Case c :
       {Case{64, 20000, 2, 64, 64}, Case{64, 2, 20000, 64, 64}, Case{0, 20000, 2, 512, 40}}) {
    SCOPED_TRACE(::testing::Message()
                 << c.width << " x " << c.height << ", reported " << c.reported);
    setReportedMaxTextureSizeForTesting(c.reported);
    ASSERT_EQ(d().loadTiledImage(kBackgroundSlot, writePositionBmp(c.width, c.height)), 1);
    const TiledImage& tiled = *d().tiledImage(kBackgroundSlot);
    const bool wide = c.width > c.height;
    EXPECT_EQ(tiled.columns, wide ? c.tiles : 1);
    EXPECT_EQ(tiled.rows, wide ? 1 : c.tiles);
    // The last tile kept: its first texel of the picture's first row (or column).
    const int32_t last = c.tiles - 1;
    const int32_t index = wide ? last * kTileGridColumns : last;
    EXPECT_EQ(tiled.widths[index], c.tile);
    int w = 0, h = 0;
    const std::vector<uint8_t> texels = textureLevel(tiled.textures[index], 0, w, h);
    ASSERT_EQ(w, c.tile);
    ASSERT_EQ(h, c.tile);
    const uint8_t* first = &texels[static_cast<size_t>(c.tile - 1) * c.tile * 4];  // top row
    const Rgb expected = wide ? positionColour(last * c.tile, 0) : positionColour(0, last * c.tile);
    EXPECT_EQ((Rgb{first[0], first[1], first[2]}), expected);

    glClear(GL_COLOR_BUFFER_BIT);
    d().drawTiledImage(kBackgroundSlot);
    EXPECT_EQ(pixel(wide ? 70 : 1, wide ? 1 : 70),
              wide ? positionColour(70, 1) : positionColour(1, 70));
  }
}

// ---------------------------------------------------------------- drawing

TEST_F(Gfx2dGlTest, SpritePositionsAreRoundedUp) {
  loadRgba(10, 4, 4, solid(4, 4, kWhite));
  d().drawSprite(10, 10.2f, 5.0f);
  EXPECT_EQ(pixel(10, 6), kBlack);
  EXPECT_EQ(pixel(11, 6), kWhite);
  EXPECT_EQ(pixel(14, 6), kWhite);
  EXPECT_EQ(pixel(15, 6), kBlack);
  d().drawSprite(10, -0.5f, 20.0f);
  EXPECT_EQ(pixel(0, 21), kWhite);
  EXPECT_EQ(pixel(3, 21), kWhite);
  EXPECT_EQ(pixel(4, 21), kBlack);
}

TEST_F(Gfx2dGlTest, PrimitivesCoverTheirPixels) {
  d().drawRect(10, 30, -3, 2, 0xFFFFFF);
  EXPECT_EQ(pixel(7, 30), kBlack);
  EXPECT_EQ(pixel(8, 30), kWhite);
  EXPECT_EQ(pixel(10, 31), kWhite);
  EXPECT_EQ(pixel(11, 30), kBlack);
  EXPECT_EQ(pixel(9, 32), kBlack);

  d().drawRect(50, 50, 4, -2, 0x00FF00);  // extends up from row 50: rows 49 and 50
  EXPECT_EQ(pixel(50, 48), kBlack);
  EXPECT_EQ(pixel(50, 49), (Rgb{0, 255, 0}));
  EXPECT_EQ(pixel(53, 50), (Rgb{0, 255, 0}));
  EXPECT_EQ(pixel(50, 51), kBlack);

  d().drawLine(0, 0, 5, 0, 0x0000FF);  // red in the low byte
  EXPECT_EQ(pixel(0, 0), (Rgb{255, 0, 0}));
  EXPECT_EQ(pixel(5, 0), (Rgb{255, 0, 0}));
  EXPECT_EQ(pixel(6, 0), kBlack);

  d().drawPoint(100, 100, 0x123456);
  EXPECT_EQ(pixel(100, 100), (Rgb{0x56, 0x34, 0x12}));
  EXPECT_EQ(pixel(101, 100), kBlack);
}

TEST_F(Gfx2dGlTest, TransparentColourIsInvisibleUnderTranslucency) {
  d().drawRect(0, 0, 40, 40, 0xFFFFFF);
  d().setAlphaMode(-1);
  d().drawRect(10, 10, 10, 10, 0x8000FF);
  d().drawRect(25, 10, 10, 10, 0x8000FE);
  EXPECT_EQ(pixel(15, 15), kWhite);
  EXPECT_EQ(pixel(30, 15), (Rgb{0xFE, 0, 0x80}));
}

TEST_F(Gfx2dGlTest, AlphaModeTwoIsClampedAndAdditive) {
  d().setAlphaMode(2);
  EXPECT_FLOAT_EQ(gfx2dState(d()).alphaLevel, 1.0f);
  GLint src = 0, dst = 0;
  glGetIntegerv(GL_BLEND_SRC, &src);
  glGetIntegerv(GL_BLEND_DST, &dst);
  EXPECT_EQ(src, GL_ONE);
  EXPECT_EQ(dst, GL_ONE);
  d().drawRect(0, 0, 4, 4, 0x003264);  // red 100, green 50
  EXPECT_EQ(pixel(1, 1), (Rgb{100, 50, 0}));
  d().drawRect(0, 0, 4, 4, 0x003264);
  EXPECT_EQ(pixel(1, 1), (Rgb{200, 100, 0}));

  d().setAlphaMode(-0.5f);
  EXPECT_FLOAT_EQ(gfx2dState(d()).alphaLevel, 0.5f);
  d().setAlphaMode(0);
  EXPECT_FLOAT_EQ(gfx2dState(d()).alphaLevel, 1.0f);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST_F(Gfx2dGlTest, FramesAreLaidOutOverTheTextureWidth) {
  // 96 x 64 sheet of 32-pixel frames: texture 128 wide, so four frames per row; frame 3 lies
  // beyond the picture and frame 4 is the first of the second row.
  const Rgb colours[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
  std::vector<uint8_t> rgba;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 96; ++x) {
      const Rgb c = y < 32 ? colours[x / 32] : (x < 32 ? colours[3] : kBlack);
      rgba.insert(rgba.end(), {static_cast<uint8_t>(c[0]), static_cast<uint8_t>(c[1]),
                               static_cast<uint8_t>(c[2]), 255});
    }
  }
  loadRgba(11, 96, 64, rgba);
  d().setFrameSize(11, 32, 32);
  d().drawFrame(11, 1, 0, 0);
  d().drawFrame(11, 3, 40, 0);
  d().drawFrame(11, 4, 80, 0);
  EXPECT_EQ(pixel(16, 16), (Rgb{0, 255, 0}));
  EXPECT_EQ(pixel(56, 16), kBlack);
  EXPECT_EQ(pixel(96, 16), (Rgb{255, 255, 0}));
  EXPECT_EQ(pixel(16, 33), kBlack);  // a frame is 32 pixels high

  // A frame wider than the texture leaves no frame per row: nothing is drawn, nothing divides
  // by zero; nor does an emptied row that kept its frame size.
  d().setFrameSize(11, 256, 32);
  d().drawFrame(11, 5, 0, 100);
  EXPECT_EQ(pixel(16, 116), kBlack);
  d().setFrameSize(11, 32, 32);
  d().deleteSprite(11);
  d().drawFrame(11, 5, 0, 100);
  EXPECT_EQ(pixel(16, 116), kBlack);
}

TEST_F(Gfx2dGlTest, NegativeStretchMirrorsAndStaysVisibleWithCulling) {
  // 8 x 8: left half red, right half green.
  std::vector<uint8_t> rgba;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      rgba.insert(rgba.end(), {static_cast<uint8_t>(x < 4 ? 255 : 0),
                               static_cast<uint8_t>(x < 4 ? 0 : 255), 0, 255});
    }
  }
  loadRgba(12, 8, 8, rgba);
  ASSERT_TRUE(glIsEnabled(GL_CULL_FACE));
  d().drawStretched(12, 0, 0, 8, 8);
  EXPECT_EQ(pixel(1, 4), (Rgb{255, 0, 0}));
  EXPECT_EQ(pixel(6, 4), (Rgb{0, 255, 0}));
  d().drawStretched(12, 28, 0, -8, 8);  // covers 20..27, mirrored
  EXPECT_EQ(pixel(21, 4), (Rgb{0, 255, 0}));
  EXPECT_EQ(pixel(26, 4), (Rgb{255, 0, 0}));
  d().drawStretched(12, 48, 8, -8, -8);  // both negative: turned half round, still visible
  EXPECT_EQ(pixel(41, 4), (Rgb{0, 255, 0}));
  EXPECT_EQ(pixel(46, 4), (Rgb{255, 0, 0}));
  GLint front = 0;
  glGetIntegerv(GL_FRONT_FACE, &front);
  EXPECT_EQ(front, GL_CCW);

  // The zoom command scales about the centre: 8 pixels zoomed by 2 from x 100 cover 96..111.
  d().drawZoomed(12, 100, 100, 2, 2);
  EXPECT_EQ(pixel(95, 108), kBlack);
  EXPECT_EQ(pixel(97, 108), (Rgb{255, 0, 0}));
  EXPECT_EQ(pixel(110, 108), (Rgb{0, 255, 0}));
  EXPECT_EQ(pixel(112, 108), kBlack);
}

TEST_F(Gfx2dGlTest, RotationTurnsCounterClockwiseAboutTheCentre) {
  // 8 x 8: top half red, bottom half green. A quarter turn counter-clockwise puts red on the
  // left.
  std::vector<uint8_t> rgba;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      rgba.insert(rgba.end(), {static_cast<uint8_t>(y < 4 ? 255 : 0),
                               static_cast<uint8_t>(y < 4 ? 0 : 255), 0, 255});
    }
  }
  loadRgba(13, 8, 8, rgba);
  d().drawRotated(13, 50, 50, 90, 1);
  EXPECT_EQ(pixel(51, 54), (Rgb{255, 0, 0}));
  EXPECT_EQ(pixel(56, 54), (Rgb{0, 255, 0}));
}

TEST_F(Gfx2dGlTest, PolygonsWithAndWithoutTexture) {
  d().beginPolygon(-1);
  d().addPolygonVertex(10, 10, 0, 0, 0x00FF00);
  d().addPolygonVertex(10, 30, 0, 0, 0x00FF00);
  d().addPolygonVertex(30, 30, 0, 0, 0x00FF00);
  d().addPolygonVertex(30, 10, 0, 0, 0x00FF00);
  d().endPolygon();
  EXPECT_EQ(pixel(20, 20), (Rgb{0, 255, 0}));
  EXPECT_EQ(pixel(35, 20), kBlack);

  // Textured: s and t are picture pixels from the top-left; white vertices show the texture.
  std::vector<uint8_t> rgba;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      rgba.insert(rgba.end(), {0, 0, static_cast<uint8_t>(y < 4 ? 255 : 100), 255});
    }
  }
  loadRgba(14, 8, 8, rgba);
  d().beginPolygon(14);
  d().addPolygonVertex(50, 10, 0, 0, 0xFFFFFF);
  d().addPolygonVertex(50, 18, 0, 8, 0xFFFFFF);
  d().addPolygonVertex(58, 18, 8, 8, 0xFFFFFF);
  d().addPolygonVertex(58, 10, 8, 0, 0xFFFFFF);
  d().endPolygon();
  EXPECT_EQ(pixel(53, 11), (Rgb{0, 0, 255}));
  EXPECT_EQ(pixel(53, 16), (Rgb{0, 0, 100}));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));

  // More vertices than the first buffer holds.
  d().beginPolygon(-1);
  for (int i = 0; i < 600; ++i)
    d().addPolygonVertex(100 + (i % 2) * 20, 100 + (i / 2 % 2) * 20, 0, 0, 0xFFFFFF);
  d().endPolygon();
}

// ---------------------------------------------------------------- fonts

// Code 65's cell of the built-in font: '#' white, 'o' outline, '.' transparent.
constexpr const char* kLetterA[8] = {
    "..ooo...", ".o###o..", ".o#o#o..", ".o###o..", ".o#o#o..", ".o#o#o..", "..o.o...", "........",
};

void expectLetterA(int left, int top) {
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      SCOPED_TRACE(::testing::Message() << "cell x " << x << " y " << y);
      const Rgb expected =
          kLetterA[y][x] == '#' ? kWhite : (kLetterA[y][x] == 'o' ? Rgb{8, 8, 8} : kBlack);
      EXPECT_EQ(pixel(left + x, top + y), expected);
    }
  }
}

TEST_F(Gfx2dGlTest, BuiltinFontWithoutAFile) {
  loadFont(0, RtString("no such font.bmp"));
  double w = 0, h = 0;
  fontSize(w, h);
  EXPECT_EQ(w, 8);
  EXPECT_EQ(h, 8);
  print("A", 20, 20);
  expectLetterA(20, 20);
}

TEST_F(Gfx2dGlTest, CharactersAdvanceByTheCellFromARoundedUpStart) {
  d().loadFont(0, "");
  d().printText(0, "AA", 10.5f, 40.0f, 0);
  expectLetterA(11, 40);
  expectLetterA(19, 40);
}

TEST_F(Gfx2dGlTest, HighBytesWrapInAHundredAndTwentyEightCodeFont) {
  d().loadFont(0, "");
  d().printText(0, "\xC1", 60, 60, 0);
  expectLetterA(60, 60);
}

TEST_F(Gfx2dGlTest, FontGridFollowsThePictureShape) {
  struct Case {
    int width, height, cellWidth, cellHeight;
  };
  for (const Case c : {Case{256, 128, 16, 16}, Case{128, 256, 8, 16}, Case{100, 50, 6, 6}}) {
    SCOPED_TRACE(c.width);
    const std::string path = writeTempFile(
        "font.png", makePng(c.width, c.height, 4, 8, solid(c.width, c.height, kWhite)));
    ASSERT_EQ(d().loadFont(3, path), 1);
    int32_t w = 0, h = 0;
    d().fontCellSize(3, w, h);
    EXPECT_EQ(w, c.cellWidth);
    EXPECT_EQ(h, c.cellHeight);
  }
}

TEST_F(Gfx2dGlTest, LoadingTextIsCentred) {
  showLoadingScreen(d());
  // 10 cells of 8 pixels: x = (320 - 80) / 2 = 120, y = (240 - 8) / 2 = 116. The first 'L'
  // (code 76, 0x00E10842) has its vertical stroke in cell column 2.
  EXPECT_EQ(pixel(122, 117), kWhite);
  EXPECT_EQ(pixel(121, 117), (Rgb{8, 8, 8}));
  EXPECT_EQ(pixel(119, 117), kBlack);
}

// ---------------------------------------------------------------- collision

TEST_F(Gfx2dGlTest, CollisionNeedsOpaqueTexelsOnTheSamePixel) {
  // A: 4 x 4 opaque. B: 4 x 4 whose left two columns have the transparent colour.
  std::vector<uint8_t> b;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      if (x < 2) {
        b.insert(b.end(), {255, 0, 128, 255});
      } else {
        b.insert(b.end(), {9, 9, 9, 255});
      }
    }
  }
  loadRgba(20, 4, 4, solid(4, 4, kWhite));
  const std::string path = writeTempFile("half.bmp", korvane::testing::makeBmp24(4, 4, b));
  ASSERT_EQ(d().loadSprite(21, path, 0x8000FF, 0), 1);
  struct Case {
    int x2, y2, expected;
  };
  for (const Case c : {Case{4, 0, 0}, Case{0, 4, 0}, Case{2, 0, 0}, Case{1, 0, 1}, Case{-1, 3, 1},
                       Case{-3, 0, 1}, Case{-4, 0, 0}, Case{0, -4, 0}}) {
    SCOPED_TRACE(::testing::Message() << c.x2 << "," << c.y2);
    EXPECT_EQ(d().spritesCollide(20, 0, 0, 21, c.x2, c.y2), c.expected);
  }
  // Two-texel-wide textures read back unpadded.
  loadRgba(22, 2, 2, solid(2, 2, kWhite));
  EXPECT_EQ(d().spritesCollide(22, 10, 10, 22, 11, 11), 1);
  EXPECT_EQ(d().spritesCollide(22, 10, 10, 22, 12, 10), 0);
  // A reload replaces the alpha copy.
  std::vector<uint8_t> clear(4 * 4 * 4, 0);
  loadRgba(20, 4, 4, clear);
  EXPECT_EQ(d().spritesCollide(20, 0, 0, 21, 1, 0), 0);
}

// ---------------------------------------------------------------- the program's commands

TEST_F(Gfx2dGlTest, LoadCommandsResolveNamesAndEmptyTheRowOnFailure) {
  const std::string path = writeTempFile("command.png", makePng(4, 2, 4, 8, solid(4, 2, kWhite)));
  loadSprite(30.9, RtString(path.c_str()));  // ids are truncated
  double w = 0, h = 0;
  spriteSize(30, w, h);
  EXPECT_EQ(w, 4);
  EXPECT_EQ(h, 2);
  loadSprite(30, RtString("no such picture.png"));
  spriteSize(30, w, h);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(d().spriteEntry(30)->texture, 0u);

  // An animation keeps its frame size only when the picture loaded.
  loadAnimation(31, RtString(path.c_str()), 2, 2);
  EXPECT_EQ(d().spriteEntry(31)->frameWidth, 2);
  loadAnimation(31, RtString("no such picture.png"), 1, 1);
  EXPECT_EQ(d().spriteEntry(31)->frameWidth, 2);

  loadBumpTexture(32, RtString(path.c_str()));
  EXPECT_NE(d().spriteEntry(32)->texture, 0u);
  EXPECT_EQ(spriteCollision(30, 0, 0, 32, 1, 1), 0);  // row 30 is empty
  loadSprite(30, RtString(path.c_str()));
  EXPECT_EQ(spriteCollision(30, 0.5, 0, 32, 3.9, 1), 1);  // 0 and 3: one column of overlap
}

TEST_F(Gfx2dGlTest, FontCommandsClampTheSlot) {
  loadFont(40, RtString(""));
  EXPECT_EQ(gfx2dState(d()).currentFont, 31);
  EXPECT_EQ(d().spriteEntry(kFontSlotBase + 31)->width, 128);
  setFont(-3);
  EXPECT_EQ(gfx2dState(d()).currentFont, 0);
  loadFont(0, RtString(""));
  printNumber(7, 100, 100);
  // '7' (0x0042210E): top bar in cell columns 2..4 of cell row 1.
  EXPECT_EQ(pixel(102, 101), kWhite);
  EXPECT_EQ(pixel(104, 101), kWhite);
  EXPECT_EQ(pixel(101, 101), (Rgb{8, 8, 8}));
}

TEST_F(Gfx2dGlTest, SetTextureBindsTheSmoothTextureWhileSmoothingIsOn) {
  loadRgba(33, 4, 4, solid(4, 4, kWhite));
  const SpriteEntry& row = *d().spriteEntry(33);
  auto bound = [] {
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return static_cast<GLuint>(name);
  };
  setTexture(33, -1);
  EXPECT_EQ(bound(), row.texture);
  textureSmoothing(1);
  setTexture(33, -1);
  EXPECT_EQ(bound(), row.smoothTexture);
  prepareNext2dFrame(d());  // every presented frame turns smoothing off again
  EXPECT_EQ(gfx2dState(d()).textureSmoothing, 0);
  setTexture(-1, -1);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(Gfx2dGlTest, ScreenSizeAndViewport) {
  double w = 0, h = 0;
  screenSize(w, h);
  EXPECT_EQ(w, kScreenWidth);
  EXPECT_EQ(h, kScreenHeight);
  viewport(10, 20, 100, 50);
  drawRect(0, 0, 2, 2, 0xFFFFFF);
  EXPECT_EQ(pixel(10, 20), kWhite);
  EXPECT_EQ(pixel(9, 20), kBlack);
  EXPECT_EQ(pixel(0, 0), kBlack);
}

TEST_F(Gfx2dGlTest, BackgroundCommandsAndTheScreenGrab) {
  const std::string path =
      writeTempFile("background.png", makePng(8, 8, 4, 8, solid(8, 8, {10, 20, 30})));
  loadBackground(RtString(path.c_str()));
  EXPECT_EQ(pixel(4, 4), (Rgb{10, 20, 30}));  // drawn at once
  EXPECT_EQ(d().tiledImage(kBackgroundSlot)->columns, 1);
  loadBackground(RtString("no such background.png"));
  EXPECT_EQ(d().tiledImage(kBackgroundSlot)->columns, 0);
  EXPECT_EQ(pixel(4, 4), kBlack);  // cleared

  // A grab reproduces the screen when drawn.
  d().drawRect(100, 100, 5, 5, 0x00FF00);
  d().grabScreenToTiled(kFadeOutSlot);
  glClear(GL_COLOR_BUFFER_BIT);
  d().drawTiledImage(kFadeOutSlot);
  EXPECT_EQ(pixel(102, 102), (Rgb{0, 255, 0}));
  EXPECT_EQ(pixel(99, 102), kBlack);
  EXPECT_EQ(pixel(319, 239), kBlack);
  d().deleteTiledImage(kFadeOutSlot);

  // The fade ends with the picture as the background and the fade slots released.
  loadBackgroundFading(RtString(path.c_str()));
  EXPECT_EQ(d().tiledImage(kBackgroundSlot)->columns, 1);
  EXPECT_EQ(d().tiledImage(kFadeInSlot)->columns, 0);
  EXPECT_EQ(d().tiledImage(kFadeOutSlot)->columns, 0);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  clearBackground();
  EXPECT_EQ(d().tiledImage(kBackgroundSlot)->columns, 0);
}

}  // namespace
}  // namespace korvane
