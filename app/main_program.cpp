// Ondrel's control flow: the grid sized from the screen, then one step, one draw and one
// presented frame after another.
#include "app/main_program.h"

#include "app/dye_diffusion.h"
#include "app/dye_injection.h"
#include "app/fluid_grid.h"
#include "app/grid_drawing.h"
#include "runtime/core/frame_loop.h"
#include "runtime/gfx2d/gfx2d_commands.h"
#include "runtime/input/input_state.h"
#include "runtime/values/conversions.h"

namespace ondrel {

constinit double mouseX = 0;
constinit double mouseY = 0;
constinit double mouseLeft = 0;
constinit double mouseRight = 0;

namespace {
// The backdrop is a fixed 640 by 480 from the top-left, whatever the screen size; only the
// pixels right of and below the last grid vertex show it.
constexpr double kBackdropWidth = 640;
constexpr double kBackdropHeight = 480;
constexpr double kWhite = 16777215;  // 0xFFFFFF
// The program's own pointer: the system pointer is hidden while the mouse is captured.
constexpr const char* kPointerMark = "X";
}  // namespace

void stepSimulation() {
  korvane::mouseState(mouseX, mouseY, mouseLeft, mouseRight);
  clearBorder();
  diffuseDye();
  if (korvane::isTrue(mouseLeft)) injectDye(mouseX, mouseY);
}

void drawScene() {
  korvane::drawRect(0, 0, kBackdropWidth, kBackdropHeight, kWhite);
  drawGrid();
  korvane::print(kPointerMark, mouseX, mouseY);
}

void mainProgram() {
  korvane::screenSize(viewWidth, viewHeight);
  setupGrid(viewWidth / kCellPixels, viewHeight / kCellPixels);
  for (;;) {
    stepSimulation();
    drawScene();
    korvane::presentFrame();
  }
}

}  // namespace ondrel
