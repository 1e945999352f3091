// The grid's storage and its one-time set-up.
#include "app/fluid_grid.h"

#include "runtime/values/conversions.h"

namespace ondrel {

using korvane::elementAt;

constinit double viewWidth = 0;
constinit double viewHeight = 0;
constinit korvane::RtArray<FluidCell> cellBufferA;
constinit korvane::RtArray<FluidCell> cellBufferB;
constinit korvane::RtArray<FluidCell>* currentCells = &cellBufferA;
constinit korvane::RtArray<int32_t> stripIndices;

double gridWidth() { return korvane::dimensionSize(cellBufferA, 0); }
double gridHeight() { return korvane::dimensionSize(cellBufferA, 1); }

void setupGrid(double w, double h) {
  korvane::dimensionArray(stripIndices, w * h * 2);
  korvane::dimensionArray(cellBufferA, w, h);

  // The loops and vertex numbers follow the dimensioned sizes: with a fractional size the
  // arrays hold only the whole cells, and a vertex number built from the fraction would point
  // past the buffer that OpenGL reads.
  const double columns = gridWidth();
  const double rows = gridHeight();
  double next = 0;
  for (double j = 0; j < rows; ++j) {
    for (double k = 0; k < columns; ++k) {
      FluidCell& cell = elementAt(cellBufferA, k, j);
      cell.x = static_cast<float>(k * viewWidth / w);
      cell.y = static_cast<float>(j * viewHeight / h);
      elementAt(stripIndices, next) = korvane::truncateToInt32(k + columns * j);
      elementAt(stripIndices, next + 1) = korvane::truncateToInt32(k + columns * (j + 1));
      next += 2;
    }
  }

  korvane::copyArray(cellBufferB, cellBufferA);
  currentCells = &cellBufferA;
}

void setCellColour(double i, double j, double red, double green, double blue) {
  FluidCell& cell = elementAt(*currentCells, i, j);
  cell.red = static_cast<float>(red);
  cell.green = static_cast<float>(green);
  cell.blue = static_cast<float>(blue);
}

}  // namespace ondrel
