// One dye step and the border clear, on the 160 by 120 grid.
#include "app/dye_diffusion.h"

#include <gtest/gtest.h>

#include "app/fluid_grid.h"
#include "tests/app/app_test_support.h"

namespace ondrel {
namespace {

using testing_support::cellOf;
using testing_support::fillColour;
using testing_support::setUpProgramGrid;

TEST(DyeDiffusionTest, BlackFieldStaysBlack) {
  setUpProgramGrid();
  for (int step = 0; step < 3; ++step) {
    clearBorder();
    diffuseDye();
  }
  for (auto* buffer : {&cellBufferA, &cellBufferB}) {
    for (int j = 0; j < 120; ++j) {
      for (int i = 0; i < 160; ++i) {
        const FluidCell& c = cellOf(*buffer, i, j);
        ASSERT_EQ(c.red, 0.0f);
        ASSERT_EQ(c.green, 0.0f);
        ASSERT_EQ(c.blue, 0.0f);
      }
    }
  }
}

TEST(DyeDiffusionTest, StepAlternatesTheBuffers) {
  setUpProgramGrid();
  diffuseDye();
  EXPECT_EQ(currentCells, &cellBufferB);
  diffuseDye();
  EXPECT_EQ(currentCells, &cellBufferA);
}

TEST(DyeDiffusionTest, SingleInteriorCellSpreadsToItsFourNeighbours) {
  setUpProgramGrid();
  cellOf(cellBufferA, 50, 40).red = 255;
  diffuseDye();
  ASSERT_EQ(currentCells, &cellBufferB);
  EXPECT_EQ(cellOf(cellBufferB, 50, 40).red, static_cast<float>(255 * 1.05 / 5.1));
  EXPECT_NEAR(cellOf(cellBufferB, 50, 40).red, 52.5, 0.01);
  const int neighbours[][2] = {{51, 40}, {49, 40}, {50, 41}, {50, 39}};
  for (const auto& n : neighbours) {
    const FluidCell& c = cellOf(cellBufferB, n[0], n[1]);
    EXPECT_EQ(c.red, 50.0f) << n[0] << "," << n[1];
    EXPECT_EQ(c.green, 0.0f);
    EXPECT_EQ(c.blue, 0.0f);
  }
  // Diagonals and cells two away get nothing in one step; the source is left as it was.
  const int untouched[][2] = {{51, 41}, {49, 39}, {52, 40}, {50, 42}};
  for (const auto& n : untouched) EXPECT_EQ(cellOf(cellBufferB, n[0], n[1]).red, 0.0f);
  EXPECT_EQ(cellOf(cellBufferA, 50, 40).red, 255.0f);
}

TEST(DyeDiffusionTest, UniformFieldFadesByTheWeightRatio) {
  setUpProgramGrid();
  fillColour(cellBufferA, 100);
  diffuseDye();
  for (int j = 1; j < 119; ++j) {
    for (int i = 1; i < 159; ++i) {
      const FluidCell& c = cellOf(cellBufferB, i, j);
      ASSERT_FLOAT_EQ(c.red, 100 * 5.05 / 5.1) << i << "," << j;
      ASSERT_FLOAT_EQ(c.green, 100 * 5.05 / 5.1);
      ASSERT_FLOAT_EQ(c.blue, 100 * 5.05 / 5.1);
    }
  }
}

TEST(DyeDiffusionTest, MissingLeftOrUpperNeighbourIsTheCellItself) {
  struct Case {
    int i, j;
    double weight;  // of the cell's own value
  };
  const Case cases[] = {
      {0, 30, 2.05},  // left edge
      {70, 0, 2.05},  // top edge
      {0, 0, 3.05},   // top-left corner: both missing
  };
  for (const Case& c : cases) {
    setUpProgramGrid();
    cellOf(cellBufferA, c.i, c.j).green = 100;
    diffuseDye();
    EXPECT_FLOAT_EQ(cellOf(cellBufferB, c.i, c.j).green, 100 * c.weight / 5.1) << c.i << "," << c.j;
  }
}

TEST(DyeDiffusionTest, LastColumnAndRowKeepWhatTheBufferHeldTwoStepsBefore) {
  setUpProgramGrid();
  cellOf(cellBufferA, 159, 10).red = 77;
  cellOf(cellBufferA, 20, 119).blue = 9;
  cellOf(cellBufferB, 159, 10).red = 33;

  diffuseDye();  // A -> B
  EXPECT_EQ(cellOf(cellBufferB, 159, 10).red, 33.0f);
  EXPECT_EQ(cellOf(cellBufferB, 20, 119).blue, 0.0f);
  // The last column is still read as a right neighbour.
  EXPECT_FLOAT_EQ(cellOf(cellBufferB, 158, 10).red, 77 / 5.1);

  diffuseDye();  // B -> A
  EXPECT_EQ(cellOf(cellBufferA, 159, 10).red, 77.0f);
  EXPECT_EQ(cellOf(cellBufferA, 20, 119).blue, 9.0f);
}

TEST(DyeDiffusionTest, ClearBorderBlackensEveryEdgeOfTheCurrentBufferOnly) {
  setUpProgramGrid();
  fillColour(cellBufferA, 5);
  fillColour(cellBufferB, 5);
  currentCells = &cellBufferB;
  clearBorder();
  for (int j = 0; j < 120; ++j) {
    for (int i = 0; i < 160; ++i) {
      const bool border = i == 0 || j == 0 || i == 159 || j == 119;
      const FluidCell& b = cellOf(cellBufferB, i, j);
      ASSERT_EQ(b.red, border ? 0.0f : 5.0f) << i << "," << j;
      ASSERT_EQ(b.green, b.red);
      ASSERT_EQ(b.blue, b.red);
      ASSERT_EQ(cellOf(cellBufferA, i, j).red, 5.0f);
    }
  }
}

using DyeDiffusionDeathTest = testing_support::AppStopDeathTest;

// The program never sizes the buffers apart, but every access of the step is still checked.
TEST_F(DyeDiffusionDeathTest, TargetSmallerThanTheGridStopsWithCode9) {
  EXPECT_EXIT(
      {
        setUpProgramGrid();
        korvane::dimensionArray(cellBufferB, 10, 10);
        diffuseDye();
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(report(), testing_support::kIndexStopReport);
}

}  // namespace
}  // namespace ondrel
