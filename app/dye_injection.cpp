// The four injection points, held inside the grid.
#include "app/dye_injection.h"

#include <algorithm>
#include <cmath>

#include "app/fluid_grid.h"

namespace ondrel {

double injectionIndex(double pixel, double cells) {
  // Clamped before any narrowing, so a huge coordinate lands on the far edge; NaN on cell 0.
  const double index = std::trunc(pixel / kCellPixels);
  return std::min(index >= 0 ? index : 0.0, cells - 1);
}

void injectDye(double mouseX, double mouseY) {
  const double columns = gridWidth();
  const double rows = gridHeight();
  for (const InjectionPoint& point : kInjectionPoints) {
    const double x = point.mirrorX ? viewWidth - mouseX : mouseX;
    const double y = point.mirrorY ? viewHeight - mouseY : mouseY;
    setCellColour(injectionIndex(x, columns), injectionIndex(y, rows), point.red, point.green,
                  point.blue);
  }
}

}  // namespace ondrel
