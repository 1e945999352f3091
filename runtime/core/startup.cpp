// startRuntime and shutdownRuntime: the services up in a fixed order, and down again.
// Services of other modules plug in at the marked places ("----- name:").
#include "runtime/core/startup.h"

#include <cstdio>
#include <string>

#include "runtime/core/desktop_services_internal.h"
#include "runtime/core/frame_loop_internal.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/stop/clock.h"
#include "runtime/core/stop/error_stop.h"
#include "runtime/core/stop/project_settings.h"
#include "runtime/core/stop/upward_calls.h"
#include "runtime/core/window_events_internal.h"
#include "runtime/gfx2d/gfx2d_commands.h"
#include "runtime/gfx2d/gl_strings.h"
#include "runtime/gfx3d/rainbows3d.h"
#include "runtime/input/input_state.h"
#include "runtime/lib/library_functions.h"
#include "runtime/lib/media_resolver.h"
#include "runtime/lib/random_generator.h"
#include "runtime/net/net_session.h"
#include "runtime/platform/events.h"
#include "runtime/platform/heap.h"
#include "runtime/platform/process.h"
#include "runtime/platform/window.h"
#include "runtime/sound/sound_device.h"

namespace korvane {

namespace {
constexpr int kExitDisplayFailed = 1;

// Every call from a lower layer up into the spine, or across to the display, in one place.
void registerCalls() {
  UpwardCalls calls;
  calls.shutdown = shutdownRuntime;
  calls.presentFrame = presentFrame;
  calls.leave3d = leave3DMode;
  calls.mainWindow = mainWindow;
  calls.glStrings = currentGlStrings;
  registerUpwardCalls(calls);
  platform::setWindowEventHandler(handleWindowEvent);
}

void startProgramClock() {
  RuntimeState& state = runtimeState();
  double now = readClock();
  state.currentFrameTime = now;
  state.previousFrameTime = now;
  state.programStartTime = now;
}
}  // namespace

std::string programDirectory(const std::string& executablePath) {
  size_t cut = executablePath.find_last_of("/\\");
  return cut == std::string::npos ? executablePath : executablePath.substr(0, cut);
}

int startRuntime(InstanceHandle instance, InstanceHandle /*previousInstance*/,
                 const char* /*commandLine*/, int showCommand, const char* title) {
  // Before the GL driver is loaded: its per-frame memory must stay in the process.
  platform::keepFreedHeapTop();
  RuntimeState& state = runtimeState();
  const ProjectSettings& settings = projectSettings();
  state.autoPause = 1;
  registerCalls();

  createDisplay();
  OpenGLRainbows* d = display();
  if (d->createDisplay(instance, settings.screenWidth, settings.screenHeight, 0,
                       settings.framesPerSecond, settings.multisampleCount) == 0) {
    return kExitDisplayFailed;
  }

  // The display's window is the main window from here on.
  state.windowTitle = title;
  platform::setWindowTitle(d->window(), viewOf(state.windowTitle));

  // Every run starts without an old report (and without the display's own notices).
  deleteErrorLog();

  createInputState();
  createSoundDevice();  // with its 256 empty slots
  // Idle: no sockets, its lock initialised; the network library starts with the first session.
  createNetSession();
  createRainbows3D(d);

  // ----- random: seeded once from the clock (low 32 bits of the milliseconds).
  seedRandom(readClock());

  if (settings.fullscreen != 0) {
    d->enterFullscreen();
  } else {
    d->enterWindowed();
  }

  inputState()->initInput(instance, settings.captureMouse != 0);
  // Without a device every sound command quietly does nothing; no notice is due.
  openSoundDevice(*soundDevice(), d->window());
  setSoundWindow(*soundDevice(), d->window());

  const std::string directory = programDirectory(platform::executablePath());
  platform::setCurrentDirectory(directory);  // a failure is ignored

  // A directory is no pack: the first lookup switches pack lookups off and media come from disk.
  setMediaPackOfBoth(directory);

  // ----- 2D graphics: deleteTiledImage(0) here.
  d->deleteTiledImage(kBackgroundSlot);
  d->clearColourBuffer();

  startProgramClock();
  swapBuffersAndPace(*d);
  d->resetView(0, 0, 0, 0);

  // ----- 2D graphics: load font slot 0 from "" then from "smalfont.bmp", and draw
  //       "Loading..." centred with the font's character size here.
  showLoadingScreen(*d);
  presentFrame();

  state.paused = 0;
  // No pointer image is set over the client area: the program carries none.
  startProgramClock();

  if (showCommand == kShowHide) {
    d->hideDisplay();
    platform::hideWindow(d->window());
  }

  std::fputs("Init OK\n", stdout);
  std::fflush(stdout);
  return 0;
}

void shutdownRuntime() {
  // Changed data and INI files reach the disk first, whatever the rest of the shutdown meets.
  shutdownRuntimeLibrary();
  // ----- desktop services: stop and close the music window, forget its handle, here.
  // A video still open (the program ended inside playVideo) goes before the GL context.
  shutdownDesktopServices();

  // The 3D renderer holds the display, so it goes first.
  destroyRainbows3D();
  destroyDisplay();

  destroyInputState();
  closeSoundDevice();  // the slots from the last to the first, then the device
  // A Leave for every local player with an id, the worker stopped, sockets and library closed.
  destroyNetSession();
  releaseMediaResolvers();

  // The main window went with the display.
  platform::stopVideo();
}

void endAfterDisplayFailure() {
  std::fprintf(stderr,
               "Korvane: no window with OpenGL could be opened (%s). Run the program in a "
               "desktop session, or on a virtual display (xvfb-run, tools/with-display).\n",
               platform::lastError().c_str());
  endProgramWithExitCode(kExitDisplayFailed);
}

}  // namespace korvane
