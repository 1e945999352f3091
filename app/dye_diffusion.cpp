// clearBorder and diffuseDye over the checked cell buffers.
#include "app/dye_diffusion.h"

#include <algorithm>
#include <cstdint>

#include "app/fluid_grid.h"
#include "runtime/values/rt_array.h"

namespace ondrel {

using korvane::elementAt;
using korvane::elementAtIndex;
using korvane::RtArray;

namespace {

void clearCell(double i, double j) {
  FluidCell& cell = elementAt(*currentCells, i, j);
  cell.red = 0;
  cell.green = 0;
  cell.blue = 0;
}

// Sums in double from the stored floats; only the result is narrowed.
float blend(float centre, float right, float left, float below, float above) {
  return static_cast<float>((kCentreWeight * centre + kNeighbourWeight * right +
                             kNeighbourWeight * left + kNeighbourWeight * below +
                             kNeighbourWeight * above) /
                            kDiffusionDivisor);
}
}  // namespace

void clearBorder() {
  const double w = gridWidth();
  const double h = gridHeight();
  for (double i = 0; i <= w - 1; ++i) {
    clearCell(i, 0);
    clearCell(i, h - 1);
  }
  for (double j = 0; j <= h - 1; ++j) {
    clearCell(0, j);
    clearCell(w - 1, j);
  }
}

void diffuseDye() {
  RtArray<FluidCell>& source = *currentCells;
  RtArray<FluidCell>& target = currentCells == &cellBufferA ? cellBufferB : cellBufferA;
  // The sizes are whole numbers, so whole-number counters visit exactly the cells that the
  // program's double counters would, without a truncation per access.
  const int32_t w = cellBufferA.size0();
  const int32_t h = cellBufferA.size1();
  for (int32_t i = 0; i < w - 1; ++i) {
    const int32_t right = std::min(w - 1, i + 1);
    const int32_t left = std::max(0, i - 1);
    // Walking down the column, the cell below becomes the next centre and the centre the next
    // cell above (at the top the cell above is the cell itself), so each source cell of the
    // column is fetched, and checked, once.
    const FluidCell* above = &elementAtIndex(source, i, 0);
    const FluidCell* centre = above;
    for (int32_t j = 0; j < h - 1; ++j) {
      const FluidCell& below = elementAtIndex(source, i, std::min(h - 1, j + 1));
      const FluidCell& r = elementAtIndex(source, right, j);
      const FluidCell& l = elementAtIndex(source, left, j);
      FluidCell& out = elementAtIndex(target, i, j);
      out.red = blend(centre->red, r.red, l.red, below.red, above->red);
      out.green = blend(centre->green, r.green, l.green, below.green, above->green);
      out.blue = blend(centre->blue, r.blue, l.blue, below.blue, above->blue);
      above = centre;
      centre = &below;
    }
  }
  currentCells = &target;
}

}  // namespace ondrel
