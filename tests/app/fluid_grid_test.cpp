// The grid after set-up: sizes, positions, strip indices, the two buffers, setCellColour.
#include "app/fluid_grid.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/app/app_test_support.h"

namespace ondrel {
namespace {

using testing_support::cellOf;
using testing_support::setUpProgramGrid;

TEST(FluidGridTest, ProgramGridSizesAndPositions) {
  setUpProgramGrid();
  for (auto* buffer : {&cellBufferA, &cellBufferB}) {
    EXPECT_EQ(korvane::dimensionSize(*buffer, 0), 160);
    EXPECT_EQ(korvane::dimensionSize(*buffer, 1), 120);
  }
  EXPECT_EQ(korvane::dimensionSize(stripIndices, 0), 38400);
  EXPECT_EQ(currentCells, &cellBufferA);

  for (int j = 0; j < 120; ++j) {
    for (int i = 0; i < 160; ++i) {
      const FluidCell& c = cellOf(cellBufferA, i, j);
      ASSERT_EQ(c.x, 4.0f * i) << i << "," << j;
      ASSERT_EQ(c.y, 4.0f * j) << i << "," << j;
      ASSERT_EQ(c.reserved0, 0.0f);
      ASSERT_EQ(c.reserved1, 0.0f);
      ASSERT_EQ(c.red + c.green + c.blue, 0.0f);
    }
  }
  EXPECT_EQ(cellOf(cellBufferA, 159, 119).x, 636.0f);
  EXPECT_EQ(cellOf(cellBufferA, 159, 119).y, 476.0f);
  // The vertex number OpenGL sees is the element's place in the block.
  EXPECT_EQ(&cellOf(cellBufferA, 159, 119) - cellBufferA.data(), 19199);
}

TEST(FluidGridTest, StripIndicesAlternateBetweenTwoRows) {
  setUpProgramGrid();
  struct Row {
    int element;
    int32_t vertex;
  };
  const Row rows[] = {
      // Row 0 starts at (0, 0), then (0, 1), then (1, 0) ...
      {0, 0},
      {1, 160},
      {2, 1},
      {3, 161},
      // ... and row 1 one row down.
      {320, 160},
      {321, 320},
      // The last drawn strip ends here.
      {38078, 159 + 160 * 118},
      {38079, 159 + 160 * 119},
      // The last row's strip names a row that does not exist; it is never drawn.
      {38398, 19199},
      {38399, 19359},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(korvane::elementAt(stripIndices, r.element), r.vertex) << "element " << r.element;
  }
}

TEST(FluidGridTest, SetUpLeavesBothBuffersEqualAndBlack) {
  setUpProgramGrid();
  testing_support::fillColour(cellBufferA, 9);
  testing_support::fillColour(cellBufferB, 3);
  currentCells = &cellBufferB;

  setUpProgramGrid();
  EXPECT_EQ(currentCells, &cellBufferA);
  ASSERT_EQ(cellBufferB.size0(), 160);
  ASSERT_EQ(cellBufferB.size1(), 120);
  EXPECT_EQ(std::memcmp(cellBufferA.data(), cellBufferB.data(), 160 * 120 * sizeof(FluidCell)), 0);
  for (int j = 0; j < 120; ++j) {
    for (int i = 0; i < 160; ++i) {
      const FluidCell& c = cellOf(cellBufferB, i, j);
      ASSERT_EQ(c.red + c.green + c.blue, 0.0f) << i << "," << j;
    }
  }
}

TEST(FluidGridTest, FractionalSizeCoversTheWholeCellsOnly) {
  viewWidth = 642;
  viewHeight = 482;
  setupGrid(160.5, 120.5);
  ASSERT_EQ(cellBufferA.size0(), 160);
  ASSERT_EQ(cellBufferA.size1(), 120);
  EXPECT_EQ(cellOf(cellBufferA, 159, 119).x, 636.0f);
  // Every index of the strips that are drawn names a vertex inside the buffer.
  for (int e = 0; e < 2 * 160 * 119; ++e) {
    const int32_t v = korvane::elementAt(stripIndices, e);
    ASSERT_GE(v, 0);
    ASSERT_LT(v, 160 * 120) << "element " << e;
  }
}

TEST(FluidGridTest, SetCellColourWritesTheCurrentBufferAtTruncatedIndices) {
  setUpProgramGrid();
  setCellColour(3.9, 2.2, 1, 2, 3);
  const FluidCell& a = cellOf(cellBufferA, 3, 2);
  EXPECT_EQ(a.red, 1.0f);
  EXPECT_EQ(a.green, 2.0f);
  EXPECT_EQ(a.blue, 3.0f);
  EXPECT_EQ(a.x, 12.0f);  // the position is left alone
  EXPECT_EQ(cellOf(cellBufferB, 3, 2).red, 0.0f);

  currentCells = &cellBufferB;
  setCellColour(159, 119, 255, 200, 64);
  EXPECT_EQ(cellOf(cellBufferB, 159, 119).green, 200.0f);
  EXPECT_EQ(cellOf(cellBufferA, 159, 119).green, 0.0f);
}

using FluidGridDeathTest = testing_support::AppStopDeathTest;

TEST_F(FluidGridDeathTest, ColourOutsideTheGridStopsWithCode9) {
  struct Case {
    double i, j;
  };
  const Case cases[] = {{160, 0}, {0, 120}, {-1, 0}, {0, -1.5}};
  for (const Case& c : cases) {
    removeReport();
    EXPECT_EXIT(
        {
          setUpProgramGrid();
          setCellColour(c.i, c.j, 255, 0, 0);
        },
        ::testing::ExitedWithCode(0), "")
        << c.i << "," << c.j;
    EXPECT_EQ(report(), testing_support::kIndexStopReport) << c.i << "," << c.j;
  }
}

}  // namespace
}  // namespace ondrel
