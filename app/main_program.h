// The application's main program; it leaves through endProgram and never returns normally.
#pragma once

namespace ondrel {

// The mouse as the last frame read it: client pixels from the top-left, buttons 1.0 or 0.0.
extern double mouseX;
extern double mouseY;
extern double mouseLeft;
extern double mouseRight;  // read, not used

// Sizes the grid from the screen, then steps, draws and presents frames until the runtime
// ends the program (quit keys, window closed, or a runtime error).
[[noreturn]] void mainProgram();

// The two halves of one frame before it is presented, apart so they can be timed apart.
// Reads the mouse, clears the border, diffuses, and injects dye while the left button is down.
void stepSimulation();
// The white backdrop, the grid and the pointer mark "X".
void drawScene();

}  // namespace ondrel
