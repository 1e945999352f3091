// Dye under the pointer and at its mirror images, checked in the cell buffer.
#include "app/dye_injection.h"

#include <gtest/gtest.h>

#include <cmath>

#include "app/fluid_grid.h"
#include "tests/app/app_test_support.h"

namespace ondrel {
namespace {

using testing_support::cellOf;
using testing_support::setUpProgramGrid;

struct Expected {
  int i, j;
  float red, green, blue;
};

void expectCell(const Expected& e) {
  const FluidCell& c = cellOf(*currentCells, e.i, e.j);
  EXPECT_EQ(c.red, e.red) << "cell " << e.i << "," << e.j;
  EXPECT_EQ(c.green, e.green) << "cell " << e.i << "," << e.j;
  EXPECT_EQ(c.blue, e.blue) << "cell " << e.i << "," << e.j;
}

TEST(DyeInjectionTest, FourMirroredPointsGetTheirColours) {
  struct Case {
    double x, y;
    Expected cells[4];
  };
  const Case cases[] = {
      {100,
       60,
       {{25, 15, 255, 0, 0}, {135, 15, 0, 255, 0}, {25, 105, 0, 0, 255}, {135, 105, 255, 200, 64}}},
      // At the centre all four fall on one cell: the last point wins.
      {320,
       240,
       {{80, 60, 255, 200, 64},
        {80, 60, 255, 200, 64},
        {80, 60, 255, 200, 64},
        {80, 60, 255, 200, 64}}},
      // Pixels inside one cell truncate to it: (103, 63) is still cell (25, 15).
      {103,
       63,
       {{25, 15, 255, 0, 0}, {134, 15, 0, 255, 0}, {25, 104, 0, 0, 255}, {134, 104, 255, 200, 64}}},
      // On the left and top pixel lines the mirror would be one past the grid: held at 159, 119.
      {0,
       0,
       {{0, 0, 255, 0, 0}, {159, 0, 0, 255, 0}, {0, 119, 0, 0, 255}, {159, 119, 255, 200, 64}}},
      {639,
       479,
       {{159, 119, 255, 0, 0}, {0, 119, 0, 255, 0}, {159, 0, 0, 0, 255}, {0, 0, 255, 200, 64}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "pointer " << c.x << "," << c.y);
    setUpProgramGrid();
    injectDye(c.x, c.y);
    for (const Expected& e : c.cells) expectCell(e);
  }
}

TEST(DyeInjectionTest, WritesOnlyTheCurrentBuffer) {
  setUpProgramGrid();
  currentCells = &cellBufferB;
  injectDye(100, 60);
  EXPECT_EQ(cellOf(cellBufferB, 25, 15).red, 255.0f);
  EXPECT_EQ(cellOf(cellBufferA, 25, 15).red, 0.0f);
}

TEST(DyeInjectionTest, IndexIsTruncatedAndHeldInsideTheGrid) {
  struct Case {
    double pixel, cells, index;
  };
  const Case cases[] = {
      {100, 160, 25},         {103.9, 160, 25}, {0, 160, 0},  {3, 160, 0},  {636, 160, 159},
      {640, 160, 159},        {640, 120, 119},  {-3, 160, 0}, {-9, 160, 0}, {1e12, 160, 159},
      {std::nan(""), 160, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(injectionIndex(c.pixel, c.cells), c.index) << c.pixel << " of " << c.cells;
  }
}

}  // namespace
}  // namespace ondrel
