// Screen grabs, saved screens and sprites, offscreen targets and the background cross-fade on a
// real GL context. The suite is built three times, each a process of its own: the window's
// framebuffer without alpha bits (transparency from the colour key) and with framebuffer objects,
// the same with framebuffer objects switched off (emulated targets), and a framebuffer with 8
// alpha bits (grabs copy the alpha).
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "runtime/core/stop/upward_calls.h"
#include "runtime/gfx2d/display_extensions_internal.h"
#include "runtime/gfx2d/gfx2d_commands.h"
#include "runtime/gfx2d/image_readers.h"
#include "runtime/gfx2d/opengl_rainbows_internal.h"
#include "runtime/gfx2d/screen_grabs_internal.h"
#include "runtime/gfx2d/texture_release.h"
#include "runtime/platform/gl_context.h"
#include "tests/gfx2d/image_test_files.h"
#include "tests/support/files.h"
#include "tests/support/gl_pixels.h"

#ifndef KORVANE_GRABS_ALPHA_BITS
#define KORVANE_GRABS_ALPHA_BITS 0
#endif
#ifndef KORVANE_GRABS_NO_FRAMEBUFFER_OBJECTS
#define KORVANE_GRABS_NO_FRAMEBUFFER_OBJECTS 0
#endif

namespace korvane {
namespace {

namespace fs = std::filesystem;

constexpr bool kAlphaProcess = KORVANE_GRABS_ALPHA_BITS > 0;
constexpr bool kEmulatedProcess = KORVANE_GRABS_NO_FRAMEBUFFER_OBJECTS != 0;
constexpr bool kDefaultProcess = !kAlphaProcess && !kEmulatedProcess;

// An odd width: rows of 3-byte pixels are not a multiple of 4 bytes long.
constexpr int kScreenWidth = 321;
constexpr int kScreenHeight = 240;
constexpr int32_t kKey = 0x8000FF;
constexpr int32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF;

int32_t colourAt(int x, int y) {
  const testing::Rgb p = testing::backBufferPixel(x, y, kScreenHeight);
  return p[0] | p[1] << 8 | p[2] << 16;
}

// The whole back buffer as RGB rows.
std::vector<uint8_t> screenshot() {
  glFinish();
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  std::vector<uint8_t> rgb(static_cast<size_t>(kScreenWidth) * kScreenHeight * 3);
  glReadPixels(0, 0, kScreenWidth, kScreenHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  return rgb;
}

// Texel (x, textureRow) of the sprite's texture as 0xAABBGGRR.
uint32_t texel(const SpriteEntry& row, int x, int textureRow) {
  std::vector<uint8_t> texels(static_cast<size_t>(row.textureWidth) * row.textureHeight * 4);
  glBindTexture(GL_TEXTURE_2D, row.texture);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  const uint8_t* t = &texels[(static_cast<size_t>(textureRow) * row.textureWidth + x) * 4];
  return uint32_t{t[0]} | uint32_t{t[1]} << 8 | uint32_t{t[2]} << 16 | uint32_t{t[3]} << 24;
}
uint32_t opaque(int32_t colour) { return static_cast<uint32_t>(colour) | 0xFF000000u; }

fs::path outputDir() {
  const fs::path dir = fs::path(testing::writeTempFile("anchor", {})).parent_path() / "out";
  fs::create_directories(dir);
  return dir;
}

class GrabsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setFramebufferObjectsOffForTesting(kEmulatedProcess);
    setFramebufferAlphaBitsForTesting(KORVANE_GRABS_ALPHA_BITS);
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
    d().setTransparentColour(kKey);
    d().resetView(0, 0, 0, 0);
    d().setAlphaMode(0);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
  void TearDown() override {
    if (d().currentTarget() >= 0) d().leaveTarget();
    d().deleteAllImages();
    setReportedMaxTextureSizeForTesting(0);
    registerUpwardCalls(UpwardCalls{});
  }

  static OpenGLRainbows& d() { return *display_; }

  // A screen without a pixel of the transparent colour: bands of colour over the whole screen.
  static void drawBands() {
    const int32_t colours[] = {0x204060, 0x50A0F0, 0x0080FF, 0xC0C0C0, 0x102030, 0x00FF80};
    for (int i = 0; i < kScreenWidth; i += 7) {
      d().drawRect(static_cast<float>(i), 0, 7, kScreenHeight, colours[(i / 7) % 6]);
    }
    d().drawRect(0, 0, 5, 5, 0x0A0B0C);  // under the key probe's pixel (2, 2)
  }

  static OpenGLRainbows* display_;
};
OpenGLRainbows* GrabsTest::display_ = nullptr;

TEST_F(GrabsTest, EachProcessTakesItsOwnPath) {
  GLint alphaBits = -1;
  glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
  if (kAlphaProcess) {
    EXPECT_GT(alphaBits, 0);
  } else {
    EXPECT_EQ(alphaBits, 0);
  }
  const GlExtensionTable& gl = d().glExtensions();
  const void* entryPoints[] = {
      reinterpret_cast<void*>(gl.glBindRenderbufferEXT),
      reinterpret_cast<void*>(gl.glDeleteRenderbuffersEXT),
      reinterpret_cast<void*>(gl.glGenRenderbuffersEXT),
      reinterpret_cast<void*>(gl.glRenderbufferStorageEXT),
      reinterpret_cast<void*>(gl.glBindFramebufferEXT),
      reinterpret_cast<void*>(gl.glDeleteFramebuffersEXT),
      reinterpret_cast<void*>(gl.glGenFramebuffersEXT),
      reinterpret_cast<void*>(gl.glCheckFramebufferStatusEXT),
      reinterpret_cast<void*>(gl.glFramebufferTexture2DEXT),
      reinterpret_cast<void*>(gl.glFramebufferRenderbufferEXT),
  };
  for (const void* entry : entryPoints) EXPECT_EQ(entry == nullptr, kEmulatedProcess);
}

TEST_F(GrabsTest, ReadPixelGivesTheColourNumberDrawn) {
  const int32_t colours[] = {0x000000, 0xFFFFFF, 0x123456, 0x8000FE, kGreen, 0x010203};
  for (int i = 0; i < 6; ++i) d().drawPoint(static_cast<float>(10 + i), 7, colours[i]);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(d().readPixel(10 + i, 7), colours[i]) << i;
    EXPECT_EQ(getPixel(10.7 + i, 7.2), colours[i]) << i;  // the command truncates
  }
  EXPECT_EQ(d().readPixel(kScreenWidth - 1, kScreenHeight - 1), 0);
}

TEST_F(GrabsTest, TenByTenGrabFillsA32TextureBottomUp) {
  // Top row red, the rest green, one pixel of the transparent colour at (55, 55).
  d().drawRect(50, 50, 10, 10, kGreen);
  d().drawRect(50, 50, 10, 1, kRed);
  d().drawPoint(55, 55, kKey);
  ASSERT_EQ(d().grabSprite(7, 50, 50, 10, 10), 1);
  const SpriteEntry& row = *d().spriteEntry(7);
  EXPECT_EQ(row.textureWidth, 32);
  EXPECT_EQ(row.textureHeight, 32);
  EXPECT_EQ(row.width, 10);
  EXPECT_EQ(row.height, 10);
  EXPECT_EQ(texel(row, 0, 9), opaque(kRed));  // texture row 9: the area's top row
  EXPECT_EQ(texel(row, 9, 0), opaque(kGreen));
  EXPECT_EQ(texel(row, 5, 4) >> 24, 0u);  // the transparent colour's pixel
  glClear(GL_COLOR_BUFFER_BIT);
  d().drawSprite(7, 100, 100);
  EXPECT_EQ(colourAt(100, 100), kRed);
  EXPECT_EQ(colourAt(109, 109), kGreen);
  EXPECT_EQ(colourAt(105, 105), 0);  // alpha-tested away
  EXPECT_EQ(colourAt(110, 105), 0);
}

TEST_F(GrabsTest, TransparencyComesFromTheFramebufferOrTheKey) {
  // Cleared with alpha 0; a white square on it.
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT);
  d().drawRect(0, 0, 4, 4, kWhite);
  ASSERT_EQ(d().grabSprite(8, 0, 0, 8, 8), 1);
  const SpriteEntry& row = *d().spriteEntry(8);
  EXPECT_EQ(texel(row, 1, 6), opaque(kWhite));
  // Outside the square: black, which is not the key. Copied alpha says 0; the key path has no
  // alpha to copy and keeps it opaque.
  EXPECT_EQ(texel(row, 6, 1) >> 24, kAlphaProcess ? 0u : 255u);
  if (kAlphaProcess) return;

  // Key -1 (none): white is not made transparent.
  d().setTransparentColour(-1);
  ASSERT_EQ(d().grabSprite(8, 0, 0, 8, 8), 1);
  EXPECT_EQ(texel(row, 1, 6), opaque(kWhite));
  EXPECT_EQ(texel(row, 6, 1), opaque(0));
  // Key 0: black is transparent, found without a probe.
  d().setTransparentColour(0);
  ASSERT_EQ(d().grabSprite(8, 0, 0, 8, 8), 1);
  EXPECT_EQ(texel(row, 1, 6), opaque(kWhite));
  EXPECT_EQ(texel(row, 6, 1) >> 24, 0u);
}

TEST_F(GrabsTest, KeyProbeDrawsOpaqueAndPutsEverythingBack) {
  d().drawPoint(2, 2, 0x336699);
  d().drawRect(20, 20, 4, 4, kGreen);
  d().drawPoint(21, 21, kKey);
  // Translucent drawing at half level: the probe must not be blended.
  d().setAlphaMode(-0.5f);
  ASSERT_EQ(d().grabSprite(9, 20, 20, 4, 4), 1);
  const SpriteEntry& row = *d().spriteEntry(9);
  EXPECT_EQ(texel(row, 1, 2) >> 24, 0u);  // the key pixel, picture (1, 1)
  EXPECT_EQ(texel(row, 2, 2), opaque(kGreen));
  EXPECT_EQ(colourAt(2, 2), 0x336699);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  GLint source = 0, destination = 0;
  glGetIntegerv(GL_BLEND_SRC, &source);
  glGetIntegerv(GL_BLEND_DST, &destination);
  EXPECT_EQ(source, GL_SRC_ALPHA);
  EXPECT_EQ(destination, GL_ONE_MINUS_SRC_ALPHA);
  EXPECT_FLOAT_EQ(gfx2dState(d()).alphaLevel, 0.5f);
  GLfloat colour[4] = {};
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_FLOAT_EQ(colour[3], 0.5f);
}

TEST_F(GrabsTest, SizesAndIds) {
  struct Side {
    int32_t size, side;
  };
  const Side sides[] = {{1, 32}, {32, 32}, {33, 64}, {1000, 1024}, {INT32_MAX, 1 << 30}};
  for (const Side& s : sides) EXPECT_EQ(grabTextureSideFor(s.size), s.side) << s.size;

  EXPECT_EQ(d().grabSprite(-1, 0, 0, 10, 10), 0);
  EXPECT_EQ(d().grabSprite(65536, 0, 0, 10, 10), 0);
  EXPECT_EQ(d().grabSprite(10, 0, 0, 0, 10), 0);
  EXPECT_EQ(d().spriteEntry(10)->textureWidth, -1);
  // Cut to the largest texture.
  setReportedMaxTextureSizeForTesting(64);
  ASSERT_EQ(d().grabSprite(10, 0, 0, 100, 40), 1);
  const SpriteEntry& row = *d().spriteEntry(10);
  EXPECT_EQ(row.textureWidth, 64);
  EXPECT_EQ(row.textureHeight, 64);
  EXPECT_EQ(row.width, 64);
  EXPECT_EQ(row.height, 40);
  // A grab into a row of the same texture size keeps the texture name.
  const GLuint name = row.texture;
  ASSERT_EQ(d().grabSprite(10, 5, 5, 50, 60), 1);
  EXPECT_EQ(row.texture, name);
  EXPECT_EQ(row.width, 50);
}

TEST_F(GrabsTest, SavedScreenReadsBackAsDrawn) {
  drawBands();
  d().drawPoint(kScreenWidth - 1, kScreenHeight - 1, kRed);
  d().drawPoint(0, kScreenHeight - 1, kBlue);
  d().drawPoint(100, 100, kKey);
  const std::vector<uint8_t> screen = screenshot();
  const fs::path dir = outputDir();
  for (const char* name : {"screen.bmp", "screen.png"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(saveScreen(RtString((dir / name).string().c_str())), 1.0);
    RgbaImage image;
    ASSERT_TRUE(readImageFile(image, (dir / name).string(), -1));
    ASSERT_EQ(image.width, kScreenWidth);
    ASSERT_EQ(image.height, kScreenHeight);
    int mismatches = 0;
    for (int y = 0; y < kScreenHeight; ++y) {
      for (int x = 0; x < kScreenWidth; ++x) {
        const uint8_t* p = image.pixel(x, y);
        const uint8_t* s =
            &screen[(static_cast<size_t>(kScreenHeight - 1 - y) * kScreenWidth + x) * 3];
        mismatches += p[0] != s[0] || p[1] != s[1] || p[2] != s[2];
      }
    }
    EXPECT_EQ(mismatches, 0);
    auto at = [&](int x, int y) {
      const uint8_t* p = image.pixel(x, y);
      return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
    };
    EXPECT_EQ(at(kScreenWidth - 1, kScreenHeight - 1), opaque(kRed));
    EXPECT_EQ(at(0, kScreenHeight - 1), opaque(kBlue));
    // The transparent colour: 0x8000FF in the BMP, alpha 0 in the PNG.
    EXPECT_EQ(at(100, 100), std::string(name).ends_with(".png") ? uint32_t{kKey} : opaque(kKey));
  }
}

TEST_F(GrabsTest, ThreePixelWideScreenSavesTwelveByteRows) {
  d().setScreenSize(3, 5);
  d().drawRect(0, 0, 3, 5, 0x112233);
  d().drawPoint(2, 0, kRed);
  const fs::path path = outputDir() / "narrow.bmp";
  const uint8_t saved = d().saveScreen(path.string());
  d().setScreenSize(kScreenWidth, kScreenHeight);
  ASSERT_EQ(saved, 1);
  const std::string file = testing::readFile(path);
  ASSERT_EQ(file.size(), 12u * 5 + 54);
  // The top row is the file's last; its pixel 2 is red, then 3 bytes of padding.
  EXPECT_EQ(file.substr(54 + 4 * 12 + 6, 3), std::string("\x00\x00\xFF", 3));
  EXPECT_EQ(file.substr(54 + 4 * 12 + 9, 3), std::string(3, '\0'));
  EXPECT_EQ(file.substr(54, 3), std::string("\x11\x22\x33", 3));  // blue, green, red
}

TEST_F(GrabsTest, SavedSpriteHoldsOnlyItsPicture) {
  d().drawRect(30, 40, 10, 6, kGreen);
  d().drawPoint(30, 40, kRed);  // the picture's top-left
  ASSERT_EQ(d().grabSprite(11, 30, 40, 10, 6), 1);
  const fs::path dir = outputDir();
  for (const char* name : {"sprite.bmp", "sprite.PNG"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(saveSprite(11, RtString((dir / name).string().c_str())), 1.0);
    RgbaImage image;
    ASSERT_TRUE(readImageFile(image, (dir / name).string(), -1));
    ASSERT_EQ(image.width, 10);
    ASSERT_EQ(image.height, 6);
    EXPECT_EQ(image.pixel(0, 0)[0], 255);  // red
    EXPECT_EQ(image.pixel(0, 0)[1], 0);
    EXPECT_EQ(image.pixel(9, 5)[1], 255);  // green
    EXPECT_EQ(image.pixel(9, 5)[0], 0);
  }
  // Nothing to write: an empty row, an id outside the table.
  EXPECT_EQ(d().saveSprite(12, (dir / "empty.bmp").string()), 0);
  EXPECT_EQ(saveSprite(70000, RtString((dir / "outside.png").string().c_str())), 0.0);
  EXPECT_FALSE(fs::exists(dir / "empty.bmp"));
  EXPECT_FALSE(fs::exists(dir / "outside.png"));
}

TEST_F(GrabsTest, DrawingIntoATargetLeavesTheScreenAsItWas) {
  drawBands();
  const std::vector<uint8_t> before = screenshot();
  d().createTarget(3, 20, 40, 30);
  const SpriteEntry& row = *d().spriteEntry(20);
  EXPECT_EQ(row.textureWidth, 64);
  EXPECT_EQ(row.textureHeight, 32);
  EXPECT_EQ(row.width, 40);
  EXPECT_EQ(row.height, 30);
  const OffscreenTarget& target = *d().offscreenTarget(3);
  EXPECT_EQ(target.sprite, 20);
  EXPECT_EQ(target.framebuffer != 0, !kEmulatedProcess);
  EXPECT_EQ(target.width, kEmulatedProcess ? 0 : 64);

  d().useTarget(3);
  EXPECT_EQ(d().currentTarget(), 3);
  d().drawRect(0, 0, 10, 10, kRed);
  d().drawRect(30, 20, 10, 10, kBlue);
  EXPECT_EQ(d().readPixel(1, 1), kRed);
  EXPECT_EQ(d().readPixel(35, 25), kBlue);
  d().leaveTarget();
  EXPECT_EQ(d().currentTarget(), -1);
  EXPECT_EQ(d().viewWidth(), kScreenWidth);

  const std::vector<uint8_t> after = screenshot();
  size_t changed = 0;
  for (size_t i = 0; i < before.size(); ++i) changed += before[i] != after[i];
  EXPECT_EQ(changed, 0u);

  // The sprite holds the drawing, bottom-up; what was not drawn on is transparent.
  EXPECT_EQ(texel(row, 1, 28), opaque(kRed));
  EXPECT_EQ(texel(row, 35, 4), opaque(kBlue));
  EXPECT_EQ(texel(row, 20, 25) >> 24, 0u);
  glClear(GL_COLOR_BUFFER_BIT);
  d().drawSprite(20, 100, 100);
  EXPECT_EQ(colourAt(101, 101), kRed);
  EXPECT_EQ(colourAt(135, 125), kBlue);
  EXPECT_EQ(colourAt(120, 105), 0);
}

TEST_F(GrabsTest, TargetUsedTwiceKeepsWhatWasDrawn) {
  createScreen(5, 21, 32, 32);
  createScreen(32, 22, 32, 32);  // no such target
  EXPECT_EQ(d().spriteEntry(22)->textureWidth, -1);
  useScreen(5);
  setPixel(3, 3, kRed);
  useScreen(5.9);  // truncated: target 5 again
  setPixel(20, 20, kGreen);
  useScreen(32);  // ignored
  EXPECT_EQ(d().currentTarget(), 5);
  useScreen(-1);
  EXPECT_EQ(d().currentTarget(), -1);
  const SpriteEntry& row = *d().spriteEntry(21);
  EXPECT_EQ(texel(row, 3, 28), opaque(kRed));
  EXPECT_EQ(texel(row, 20, 11), opaque(kGreen));
}

TEST_F(GrabsTest, TargetSizesAreCutAndBadIdsIgnored) {
  d().createTarget(9, 70000, 16, 16);
  d().createTarget(9, 27, 0, 16);
  EXPECT_EQ(d().offscreenTarget(9)->sprite, 0);
  EXPECT_EQ(d().spriteEntry(27)->textureWidth, -1);
  EXPECT_EQ(d().offscreenTarget(32), nullptr);
  setReportedMaxTextureSizeForTesting(64);
  d().createTarget(9, 27, 100, 3);
  const SpriteEntry& row = *d().spriteEntry(27);
  EXPECT_EQ(row.textureWidth, 64);
  EXPECT_EQ(row.textureHeight, 4);
  EXPECT_EQ(row.width, 64);
  EXPECT_EQ(row.height, 3);
  EXPECT_EQ(d().offscreenTarget(9)->sprite, 27);
}

TEST_F(GrabsTest, TargetsDrawOpaqueWhateverTheProgramSet) {
  drawBands();
  const std::vector<uint8_t> before = screenshot();
  d().createTarget(4, 23, 16, 16);
  d().setAlphaMode(0.5f);  // additive, half level
  d().useTarget(4);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_FLOAT_EQ(gfx2dState(d()).alphaLevel, 0.5f);
  d().setAlphaMode(0);
  d().drawRect(0, 0, 4, 4, kWhite);
  d().setAlphaMode(-0.25f);
  d().leaveTarget();
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_FLOAT_EQ(gfx2dState(d()).alphaLevel, 0.25f);
  d().setAlphaMode(0);
  const std::vector<uint8_t> after = screenshot();
  size_t changed = 0;
  for (size_t i = 0; i < before.size(); ++i) changed += before[i] != after[i];
  EXPECT_EQ(changed, 0u);
  const SpriteEntry& row = *d().spriteEntry(23);
  EXPECT_EQ(texel(row, 1, 14), opaque(kWhite));
  EXPECT_EQ(texel(row, 10, 5) >> 24, 0u);
}

TEST_F(GrabsTest, PresentingAFrameLeavesTheTarget) {
  d().createTarget(6, 24, 8, 8);
  d().useTarget(6);
  d().swapAndClear();
  EXPECT_EQ(d().currentTarget(), -1);
  GLint framebuffer = -1;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &framebuffer);
  EXPECT_EQ(framebuffer, 0);
  EXPECT_EQ(d().viewWidth(), kScreenWidth);
}

TEST_F(GrabsTest, ReleasingTheTargetsDeletesTheirFramebuffers) {
  if (kEmulatedProcess) GTEST_SKIP() << "emulated targets hold no framebuffer";
  auto isFramebuffer =
      reinterpret_cast<PFNGLISFRAMEBUFFEREXTPROC>(platform::glProcAddress("glIsFramebufferEXT"));
  ASSERT_NE(isFramebuffer, nullptr);
  d().createTarget(7, 25, 8, 8);
  d().createTarget(8, 26, 8, 8);
  const GLuint first = d().offscreenTarget(7)->framebuffer;
  const GLuint second = d().offscreenTarget(8)->framebuffer;
  ASSERT_TRUE(isFramebuffer(first));
  // Re-creating a target lets its old framebuffer go.
  d().createTarget(7, 25, 8, 8);
  EXPECT_FALSE(isFramebuffer(first) && d().offscreenTarget(7)->framebuffer != first);
  d().useTarget(8);
  releaseOffscreenTargets(d());
  EXPECT_EQ(d().currentTarget(), -1);
  EXPECT_FALSE(isFramebuffer(second));
  for (int n = 0; n < 32; ++n) EXPECT_EQ(d().offscreenTarget(n)->framebuffer, 0u);
}

// The cross-fade presents its frames through the registered frame call: each is seen here.
std::vector<int32_t> fadeFrames;
void recordFrame() {
  fadeFrames.push_back(colourAt(50, 50));
  display()->swapAndClear();
}

TEST_F(GrabsTest, CrossFadeGoesFromTheOldScreenToTheNewPicture) {
  if (!kDefaultProcess) GTEST_SKIP() << "one process is enough for the fade";
  const std::vector<uint8_t> blue = [] {
    std::vector<uint8_t> rgba;
    for (int i = 0; i < 64 * 64; ++i) rgba.insert(rgba.end(), {0, 0, 255, 255});
    return rgba;
  }();
  const std::string path = testing::writeTempFile("fade.png", testing::makePng(64, 64, 4, 8, blue));
  d().drawRect(0, 0, kScreenWidth, kScreenHeight, kRed);
  fadeFrames.clear();
  UpwardCalls calls;
  calls.presentFrame = recordFrame;
  registerUpwardCalls(calls);
  loadBackgroundFading(RtString(path.c_str()));
  ASSERT_GE(fadeFrames.size(), 3u);
  const int32_t first = fadeFrames.front();
  EXPECT_GT(first & 0xFF, 200);         // mostly the old red
  EXPECT_LT((first >> 16) & 0xFF, 60);  // a little of the new blue
  EXPECT_EQ(fadeFrames.back(), kBlue);  // the last frame: the picture alone
  // The first frame is drawn at 0.9, the next from the time left, just under 1; from there the
  // old screen only fades.
  for (size_t i = 2; i + 1 < fadeFrames.size(); ++i) {
    EXPECT_LE(fadeFrames[i] & 0xFF, fadeFrames[i - 1] & 0xFF) << "frame " << i;
  }
}

TEST_F(GrabsTest, ScreenToBackgroundReproducesTheScreen) {
  drawBands();
  const std::vector<uint8_t> before = screenshot();
  screenToBackground();
  EXPECT_EQ(d().tiledImage(kBackgroundSlot)->columns, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  d().drawTiledImage(kBackgroundSlot);
  EXPECT_EQ(screenshot(), before);
  d().deleteTiledImage(kBackgroundSlot);
}

}  // namespace
}  // namespace korvane
