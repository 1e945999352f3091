// Start-up shows "Loading..." centred in the built-in font (no "smalfont.bmp" beside the test).
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "runtime/core/startup.h"
#include "runtime/core/stop/project_settings.h"
#include "runtime/gfx2d/image_readers.h"
#include "runtime/gfx2d/opengl_rainbows_internal.h"

namespace korvane {
namespace {

using Rgb = std::array<int, 3>;

// The presented frame as the X server shows it (reading GL_FRONT is not reliable under a
// software renderer): the window captured by name into a PNG and read back.
bool captureWindow(const char* title, RgbaImage& image) {
  const std::string path = ::testing::TempDir() + "korvane_loading_capture.png";
  const std::string command = std::string("import -window '") + title + "' '" + path + "'";
  if (std::system(command.c_str()) != 0) return false;
  const bool read = readPng(image, path, kNoColourKey);
  std::remove(path.c_str());
  return read;
}

Rgb pixelOf(const RgbaImage& image, int x, int y) {
  const uint8_t* p = image.pixel(x, y);
  return {p[0], p[1], p[2]};
}

TEST(LoadingScreenTest, StartUpShowsLoadingCentred) {
  projectSettings() = ProjectSettings{};  // 640 x 480
  ASSERT_EQ(startRuntime(nullptr, nullptr, "", kShowDefault, "Loading test"), 0);
  OpenGLRainbows* d = display();
  ASSERT_NE(d, nullptr);
  int32_t cellWidth = 0, cellHeight = 0;
  d->fontCellSize(0, cellWidth, cellHeight);
  EXPECT_EQ(cellWidth, 8);
  EXPECT_EQ(cellHeight, 8);
  RgbaImage shot;
  ASSERT_TRUE(captureWindow("Loading test", shot));
  ASSERT_EQ(shot.width, 640);
  ASSERT_EQ(shot.height, 480);
  // Ten cells of 8: x = (640 - 80) / 2 = 280, y = (480 - 8) / 2 = 236. The presented frame
  // holds the text; 'L' has its stroke in cell column 2 and its foot in cell row 5.
  EXPECT_EQ(pixelOf(shot, 282, 237), (Rgb{255, 255, 255}));
  EXPECT_EQ(pixelOf(shot, 284, 241), (Rgb{255, 255, 255}));
  EXPECT_EQ(pixelOf(shot, 281, 237), (Rgb{8, 8, 8}));
  EXPECT_EQ(pixelOf(shot, 279, 237), (Rgb{0, 0, 0}));
  // The last '.' (code 46, one dot in cell column 3, row 6) of the tenth cell at x 352.
  EXPECT_EQ(pixelOf(shot, 352 + 3, 236 + 6), (Rgb{255, 255, 255}));
  EXPECT_EQ(pixelOf(shot, 360 + 3, 236 + 6), (Rgb{0, 0, 0}));
  // After the frame the 2D state is opaque at level 1.
  EXPECT_FLOAT_EQ(gfx2dState(*d).alphaLevel, 1.0f);
}

}  // namespace
}  // namespace korvane
