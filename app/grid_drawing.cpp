// drawGrid: client arrays over the cell buffer, one strip call per pair of rows.
#include "app/grid_drawing.h"

#include <GL/gl.h>

#include "app/fluid_grid.h"
#include "runtime/gfx2d/gfx2d_commands.h"

namespace ondrel {

namespace {
constexpr double kNoSprite = -1;
constexpr GLint kPositionComponents = 2;
constexpr GLint kColourComponents = 3;
}  // namespace

void drawGrid() {
  korvane::setTexture(kNoSprite, kNoSprite);
  const double columns = gridWidth();
  const double rows = gridHeight();

  glEnable(GL_COLOR_MATERIAL);
  glEnable(GL_DITHER);
  glShadeModel(GL_SMOOTH);
  glDisable(GL_CULL_FACE);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);

  // The checked access of element 0 is what keeps OpenGL off an empty buffer.
  const FluidCell& first = korvane::elementAt(*currentCells, 0);
  glVertexPointer(kPositionComponents, GL_FLOAT, static_cast<GLsizei>(kCellStride), &first.x);
  glColorPointer(kColourComponents, GL_FLOAT, static_cast<GLsizei>(kCellStride), &first.red);
  static_assert(offsetof(FluidCell, red) == kCellColourOffset);

  const GLsizei stripLength = static_cast<GLsizei>(2 * columns);
  for (double r = 0; r < rows - 1; ++r) {
    const int32_t& start = korvane::elementAt(stripIndices, 2 * columns * r);
    glDrawElements(GL_TRIANGLE_STRIP, stripLength, GL_UNSIGNED_INT, &start);
  }

  glShadeModel(GL_FLAT);
  glDisable(GL_DITHER);
  glDisable(GL_COLOR_MATERIAL);
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_COLOR_ARRAY);
}

}  // namespace ondrel
