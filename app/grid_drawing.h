// The grid drawn as smooth-shaded triangle strips straight from the current cell buffer.
#pragma once

namespace ondrel {

// Draws currentCells as gridHeight - 1 strips of GL_UNSIGNED_INT indices from stripIndices,
// with the buffer itself as the client vertex and colour arrays (colours unscaled: GL clamps
// every channel of 1 or more to full strength). Leaves texturing, culling and the client
// arrays off, flat shading on. An empty grid stops the program with code 9.
void drawGrid();

}  // namespace ondrel
