// drawGrid on a real GL context under the virtual display, read back with glReadPixels.
#include "app/grid_drawing.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>

#include "app/fluid_grid.h"
#include "runtime/gfx2d/opengl_rainbows_internal.h"
#include "tests/app/app_test_support.h"
#include "tests/support/gl_pixels.h"

namespace ondrel {
namespace {

using korvane::testing::Rgb;
using testing_support::cellOf;

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// One display per process: the death test's child makes its own.
korvane::OpenGLRainbows* sharedDisplay() {
  static korvane::OpenGLRainbows* display = [] {
    auto* d = new korvane::OpenGLRainbows;
    if (d->createDisplay(nullptr, kWidth, kHeight, 0, 60, 0) != 1) {
      delete d;
      return static_cast<korvane::OpenGLRainbows*>(nullptr);
    }
    korvane::setDisplay(d);
    return d;
  }();
  return display;
}

Rgb pixel(int x, int y) { return korvane::testing::backBufferPixel(x, y, kHeight); }

class GridDrawingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(sharedDisplay(), nullptr);
    sharedDisplay()->resetView(0, 0, 0, 0);
    // Magenta shows wherever the grid draws nothing.
    glClearColor(1, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    testing_support::setUpProgramGrid();
  }
};

TEST_F(GridDrawingTest, CoversTheGridAreaWithUnscaledColours) {
  // Channels of 1 or more show at full strength; below 1 they are fractions of it.
  testing_support::fillColour(*currentCells, 0);
  for (int j = 0; j < 120; ++j) {
    for (int i = 0; i < 160; ++i) {
      FluidCell& c = cellOf(*currentCells, i, j);
      c.red = 0.5f;
      c.green = 3;
    }
  }
  drawGrid();
  const Rgb inside[] = {pixel(0, 0), pixel(320, 240), pixel(635, 475)};
  for (const Rgb& p : inside) {
    EXPECT_NEAR(p[0], 128, 2);
    EXPECT_EQ(p[1], 255);
    EXPECT_EQ(p[2], 0);
  }
  // Past the last vertex column and row nothing is drawn.
  EXPECT_EQ(pixel(636, 100), (Rgb{255, 0, 255}));
  EXPECT_EQ(pixel(100, 476), (Rgb{255, 0, 255}));
}

TEST_F(GridDrawingTest, DrawsTheCurrentBufferSmoothlyShaded) {
  // Only cell (80, 60) of the current buffer is lit; the other buffer is lit everywhere.
  testing_support::fillColour(cellBufferB, 255);
  cellOf(cellBufferA, 80, 60).blue = 1;
  drawGrid();
  // The vertex sits at the corner of pixel (320, 240): across the pixels to its right blue
  // falls linearly, a quarter of full strength a pixel, to nothing at the next vertex.
  const int expected[] = {191, 128, 64, 0};
  for (int k = 0; k < 4; ++k)
    EXPECT_NEAR(pixel(320 + k, 240)[2], expected[k], 3) << "x " << 320 + k;
  EXPECT_EQ(pixel(324, 240), (Rgb{0, 0, 0}));
  EXPECT_EQ(pixel(300, 240), (Rgb{0, 0, 0}));
}

TEST_F(GridDrawingTest, LeavesFlatShadingAndTheArraysOff) {
  glEnable(GL_CULL_FACE);
  glEnable(GL_TEXTURE_2D);
  glShadeModel(GL_SMOOTH);
  drawGrid();
  GLint shadeModel = 0;
  glGetIntegerv(GL_SHADE_MODEL, &shadeModel);
  EXPECT_EQ(shadeModel, GL_FLAT);
  const GLenum off[] = {GL_COLOR_MATERIAL, GL_DITHER,       GL_CULL_FACE,
                        GL_TEXTURE_2D,     GL_VERTEX_ARRAY, GL_COLOR_ARRAY};
  for (GLenum cap : off) EXPECT_FALSE(glIsEnabled(cap)) << "capability 0x" << std::hex << cap;
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

class GridDrawingDeathTest : public testing_support::AppStopDeathTest {};

TEST_F(GridDrawingDeathTest, EmptyGridStopsWithCode9) {
  EXPECT_EXIT(
      {
        if (sharedDisplay() == nullptr) std::exit(3);
        setupGrid(0, 0);
        drawGrid();
      },
      ::testing::ExitedWithCode(0), "");
  // Creating the display logged its renderer notice first.
  const std::string log = report();
  const std::string expected = testing_support::kIndexStopReport;
  ASSERT_GE(log.size(), expected.size()) << log;
  EXPECT_EQ(log.substr(log.size() - expected.size()), expected);
}

}  // namespace
}  // namespace ondrel
