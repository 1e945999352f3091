// Dye put in under the pointer and at its three mirror images, one colour per quadrant.
#pragma once

#include <array>

namespace ondrel {

// Pixels per grid cell in each direction.
inline constexpr double kCellPixels = 4;

struct InjectionPoint {
  bool mirrorX;  // x measured from the right edge: viewWidth - mouseX
  bool mirrorY;  // y measured from the bottom edge: viewHeight - mouseY
  double red;
  double green;
  double blue;
};

// In the order they are coloured: a later point wins where two fall on one cell.
inline constexpr std::array<InjectionPoint, 4> kInjectionPoints = {{
    {false, false, 255, 0, 0},   // under the pointer: red
    {true, false, 0, 255, 0},    // mirrored left to right: green
    {false, true, 0, 0, 255},    // mirrored top to bottom: blue
    {true, true, 255, 200, 64},  // both: white at full strength, orange as it fades
}};
static_assert(kInjectionPoints.size() == 4);

// The cell index of a pixel coordinate: truncated, then held inside 0 .. cells - 1 so that a
// pointer on the left or top pixel line colours the edge cell (its mirror would be one past).
double injectionIndex(double pixel, double cells);

// Colours the four points for a pointer at (mouseX, mouseY) in the current buffer.
void injectDye(double mouseX, double mouseY);

}  // namespace ondrel
