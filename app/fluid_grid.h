// The dye grid: one vertex every 4 pixels, kept in two cell buffers (one read, one written per
// step) and a table of strip indices that turns the grid into horizontal triangle strips.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/values/rt_array.h"

namespace ondrel {

// One grid vertex. OpenGL reads the buffers as interleaved arrays, so the layout is fixed:
// position at byte 0, colour at byte 16, 28 bytes a vertex.
struct FluidCell {
  float x;
  float y;
  float reserved0;  // never read or written: stays 0
  float reserved1;
  float red;  // dye on a 0 to 255 scale
  float green;
  float blue;
};
static_assert(sizeof(FluidCell) == 28);
static_assert(offsetof(FluidCell, x) == 0);
static_assert(offsetof(FluidCell, red) == 16);

inline constexpr std::size_t kCellStride = sizeof(FluidCell);
inline constexpr std::size_t kCellColourOffset = offsetof(FluidCell, red);

// The screen size in pixels, read once when the main program starts.
extern double viewWidth;
extern double viewHeight;

// The two cell buffers, indexed (x index, y index); cell (i, j) is vertex i + j * gridWidth.
extern korvane::RtArray<FluidCell> cellBufferA;
extern korvane::RtArray<FluidCell> cellBufferB;
// The buffer holding the latest state: the one drawn and the next step's source.
extern korvane::RtArray<FluidCell>* currentCells;
// 2 * gridWidth * gridHeight vertex indices: the strip of row j alternates rows j and j + 1.
extern korvane::RtArray<int32_t> stripIndices;

// Sizes both buffers and the strip table for a grid of w by h cells, places the vertices at
// k * viewWidth / w, j * viewHeight / h, blackens every cell and makes cellBufferA current.
// A fractional size covers only the whole cells (the arrays are dimensioned truncated).
void setupGrid(double w, double h);

// Stores the colour into cell (i, j) of the current buffer; i and j are truncated. An index
// outside the grid stops the program with code 9.
void setCellColour(double i, double j, double red, double green, double blue);

// Grid size as the arrays hold it.
double gridWidth();
double gridHeight();

}  // namespace ondrel
