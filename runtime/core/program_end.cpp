#include "runtime/core/program_end.h"

#include <cstdio>

#include "runtime/core/runtime_state.h"
#include "runtime/core/stop/error_stop.h"
#include "runtime/input/input_state.h"
#include "runtime/platform/process.h"
#include "runtime/platform/window.h"

namespace korvane {

namespace {
constexpr size_t kNoticeCapacity = 32;
}  // namespace

void endAndRun(const RtString& command) { endProgramAndStart(std::string(viewOf(command))); }

std::string debuggerNoticeText(int32_t value) {
  char text[kNoticeCapacity];
  std::snprintf(text, sizeof text, "BP%x", static_cast<unsigned>(value));
  return text;
}

void notifyDebugger(int32_t value) {
  if (!platform::debuggerAttached()) return;
  RuntimeState& state = runtimeState();
  platform::hideWindow(mainWindow());
  platform::debugOutput(debuggerNoticeText(value));
  state.paused = 0;
  if (InputState* input = inputState(); input != nullptr) {
    input->pollKeyboard();
    input->setNewFrame();
  }
}

void openConsole() {
  // Standard input and output already exist and stay bound; only pending output is pushed.
  std::fflush(stdout);
}

}  // namespace korvane
