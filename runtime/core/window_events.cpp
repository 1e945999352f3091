// The window procedure: what focus changes and close requests do to the program; and the
// music's restart at its end.
#include "runtime/core/desktop_services_internal.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/stop/error_stop.h"
#include "runtime/core/stop/project_settings.h"
#include "runtime/core/window_events_internal.h"
#include "runtime/platform/window.h"
#include "runtime/values/conversions.h"

namespace korvane {

namespace {
constexpr const char* kPauseSuffix = " <pause>";
}  // namespace

void handleWindowEvent(const platform::Event& event) {
  RuntimeState& state = runtimeState();
  bool pausing = projectSettings().debugMode == 0 && state.autoPause != 0;
  switch (event.kind) {
    case platform::EventKind::kFocusGained:
      if (pausing) {
        platform::setWindowTitle(mainWindow(), viewOf(state.windowTitle));
        state.paused = 0;
      }
      break;
    case platform::EventKind::kFocusLost:
      // A hidden window is never given the focus back, so it must not freeze the program.
      if (pausing && platform::windowVisible(mainWindow())) {
        platform::setWindowTitle(mainWindow(), viewOf(state.windowTitle + kPauseSuffix));
        state.paused = 1;
      }
      break;
    case platform::EventKind::kCloseRequest:
      endProgram();
    default:
      break;
  }
}

void setAutoPause(double value) { runtimeState().autoPause = isTrue(value) ? 1 : 0; }

void keepMusicLooping() {
  DesktopState& desktop = desktopState();
  if (desktop.music == nullptr || !platform::mediaFinished(desktop.music)) return;
  if (platform::mediaFailed(desktop.music)) {
    // Restarting would fail the same way at once, and again, for ever.
    stopMusic();
    return;
  }
  platform::restartMedia(desktop.music);
}

}  // namespace korvane
