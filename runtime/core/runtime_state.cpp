#include "runtime/core/runtime_state.h"

#include "runtime/gfx2d/opengl_rainbows.h"

namespace korvane {

RuntimeState& runtimeState() {
  static RuntimeState state;
  return state;
}

platform::Window* mainWindow() {
  const OpenGLRainbows* d = display();
  return d != nullptr ? d->window() : nullptr;
}

}  // namespace korvane
