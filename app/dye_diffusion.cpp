// clearBorder and diffuseDye over the checked cell buffers.
#include "app/dye_diffusion.h"

#include <algorithm>

#include "app/fluid_grid.h"

namespace ondrel {

using korvane::elementAt;

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
  korvane::RtArray<FluidCell>& source = *currentCells;
  korvane::RtArray<FluidCell>& target = currentCells == &cellBufferA ? cellBufferB : cellBufferA;
  const double w = gridWidth();
  const double h = gridHeight();
  for (double i = 0; i < w - 1; ++i) {
    const double right = std::min(w - 1, i + 1);
    const double left = std::max(0.0, i - 1);
    for (double j = 0; j < h - 1; ++j) {
      const double below = std::min(h - 1, j + 1);
      const double above = std::max(0.0, j - 1);
      const FluidCell& c = elementAt(source, i, j);
      const FluidCell& r = elementAt(source, right, j);
      const FluidCell& l = elementAt(source, left, j);
      const FluidCell& d = elementAt(source, i, below);
      const FluidCell& u = elementAt(source, i, above);
      FluidCell& out = elementAt(target, i, j);
      out.red = blend(c.red, r.red, l.red, d.red, u.red);
      out.green = blend(c.green, r.green, l.green, d.green, u.green);
      out.blue = blend(c.blue, r.blue, l.blue, d.blue, u.blue);
    }
  }
  currentCells = &target;
}

}  // namespace ondrel
