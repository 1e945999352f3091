// One Ondrel frame on the real display, in three parts timed apart and without the pacing
// wait: the simulation (mouse, border, step, dye held down), the drawing (ended with glFinish,
// since a software rasteriser does its work at the flush) and the swap with the next frame's
// 2D set-up. CPU time is the whole process's, so the rasteriser's threads count; "faults" are
// the process's page faults per frame, memory the system had to hand over again.
// Run it on a display: tools/with-display build/<tree>/benchmarks/app_frame_bench
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdio>

#include "app/dye_injection.h"
#include "app/fluid_grid.h"
#include "app/main_program.h"
#include "runtime/core/frame_loop_internal.h"
#include "runtime/core/startup.h"
#include "runtime/core/stop/error_stop.h"
#include "runtime/core/stop/project_settings.h"
#include "runtime/gfx2d/gfx2d_commands.h"
#include "runtime/gfx2d/opengl_rainbows.h"
#include "runtime/platform/process.h"

namespace {

bool runtimeStarted = false;

// The held button the benchmark has no user for: dye at (100, 60) and its mirrors each step.
void simulate() {
  ondrel::stepSimulation();
  ondrel::injectDye(100, 60);
}

void draw() {
  ondrel::drawScene();
  glFinish();
}

void swap() {
  korvane::OpenGLRainbows& d = *korvane::display();
  d.swapAndClear();
  korvane::pumpMessages(d);
  korvane::prepareNext2dFrame(d);
  d.resetView(0, 0, 0, 0);
  glFinish();
}

void countFaults(benchmark::State& state, long long before) {
  state.counters["faults"] =
      benchmark::Counter(static_cast<double>(korvane::platform::minorPageFaults() - before),
                         benchmark::Counter::kAvgIterations);
}

template <void (*part)()>
void framePart(benchmark::State& state) {
  if (!runtimeStarted) {
    state.SkipWithError("no display: run under tools/with-display");
    return;
  }
  const long long faults = korvane::platform::minorPageFaults();
  for (auto _ : state) part();
  countFaults(state, faults);
}

void wholeFrame(benchmark::State& state) {
  if (!runtimeStarted) {
    state.SkipWithError("no display: run under tools/with-display");
    return;
  }
  const long long faults = korvane::platform::minorPageFaults();
  for (auto _ : state) {
    simulate();
    draw();
    swap();
  }
  countFaults(state, faults);
}

BENCHMARK(framePart<simulate>)
    ->Name("frameSimulation")
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(framePart<draw>)
    ->Name("frameDrawing")
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(framePart<swap>)
    ->Name("frameSwap")
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(wholeFrame)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  korvane::ProjectSettings& settings = korvane::projectSettings();
  settings.screenWidth = 640;
  settings.screenHeight = 480;
  settings.framesPerSecond = 60;
  settings.captureMouse = 1;
  runtimeStarted =
      korvane::startRuntime(nullptr, nullptr, "", korvane::kShowDefault, "Ondrel") == 0;
  if (runtimeStarted) {
    korvane::screenSize(ondrel::viewWidth, ondrel::viewHeight);
    ondrel::setupGrid(ondrel::viewWidth / ondrel::kCellPixels,
                      ondrel::viewHeight / ondrel::kCellPixels);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::fflush(stdout);
  if (runtimeStarted) korvane::endProgram();
  return 0;
}
