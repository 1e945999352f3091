// Screen grabs, saved screens and offscreen targets on a real display (run under
// tools/with-display): saving a 640 × 480 screen as PNG and as BMP, grabbing the screen into a
// tiled image, and one frame drawn into a target through a framebuffer object and emulated.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "runtime/gfx2d/opengl_rainbows.h"
#include "runtime/gfx2d/opengl_rainbows_internal.h"

namespace {

using korvane::OpenGLRainbows;

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kTarget = 0;
constexpr int kTargetSprite = 100;
constexpr int kTargetSide = 256;
constexpr int kRectsPerFrame = 200;

// The one display of the process; nullptr when none can be made.
OpenGLRainbows* theDisplay() {
  static OpenGLRainbows* display = [] {
    auto* d = new OpenGLRainbows;
    if (!d->createDisplay(nullptr, kWidth, kHeight, 0, 60, 0)) {
      delete d;
      return static_cast<OpenGLRainbows*>(nullptr);
    }
    korvane::setDisplay(d);
    return d;
  }();
  return display;
}

// Something worth saving: bands of colour over the whole screen.
void drawScreen(OpenGLRainbows& d) {
  for (int x = 0; x < kWidth; x += 8) {
    d.drawRect(static_cast<float>(x), 0, 8, kHeight, 0x102030 * (x / 8 % 7 + 1));
  }
  glFinish();
}

std::string outputPath(const char* name) {
  return (std::filesystem::temp_directory_path() / name).string();
}

void saveScreenAs(benchmark::State& state, const char* name) {
  if (theDisplay() == nullptr) {
    state.SkipWithError("no display");
    return;
  }
  OpenGLRainbows& d = *theDisplay();
  drawScreen(d);
  const std::string path = outputPath(name);
  for (auto _ : state) {
    if (!d.saveScreen(path)) state.SkipWithError("save failed");
  }
  std::filesystem::remove(path);
}

void BM_SaveScreenPng(benchmark::State& state) { saveScreenAs(state, "korvane-bench-screen.png"); }
BENCHMARK(BM_SaveScreenPng)->Unit(benchmark::kMillisecond);

void BM_SaveScreenBmp(benchmark::State& state) { saveScreenAs(state, "korvane-bench-screen.bmp"); }
BENCHMARK(BM_SaveScreenBmp)->Unit(benchmark::kMillisecond);

void BM_GrabScreenToTiled(benchmark::State& state) {
  if (theDisplay() == nullptr) {
    state.SkipWithError("no display");
    return;
  }
  OpenGLRainbows& d = *theDisplay();
  drawScreen(d);
  for (auto _ : state) {
    d.grabScreenToTiled(3);
    glFinish();
  }
  d.deleteTiledImage(3);
}
BENCHMARK(BM_GrabScreenToTiled)->Unit(benchmark::kMillisecond);

// One frame into the target: enter, 200 rectangles, leave, finished.
void frameIntoTarget(benchmark::State& state, bool emulated) {
  if (theDisplay() == nullptr) {
    state.SkipWithError("no display");
    return;
  }
  OpenGLRainbows& d = *theDisplay();
  drawScreen(d);
  d.createTarget(kTarget, kTargetSprite, kTargetSide, kTargetSide);
  if (emulated) {
    // A target without a framebuffer size is drawn on the back buffer.
    korvane::OffscreenTarget& target = korvane::gfx2dState(d).targets[kTarget];
    target.width = 0;
    target.height = 0;
  } else if (d.offscreenTarget(kTarget)->width == 0) {
    state.SkipWithError("no framebuffer objects on this driver");
    return;
  }
  for (auto _ : state) {
    d.useTarget(kTarget);
    for (int i = 0; i < kRectsPerFrame; ++i) {
      d.drawRect(static_cast<float>(i % 240), static_cast<float>(i), 16, 16, 0x00FF00 + i);
    }
    d.leaveTarget();
    glFinish();
  }
  d.deleteSprite(kTargetSprite);
}

void BM_FrameIntoFramebufferTarget(benchmark::State& state) { frameIntoTarget(state, false); }
BENCHMARK(BM_FrameIntoFramebufferTarget)->Unit(benchmark::kMillisecond);

void BM_FrameIntoEmulatedTarget(benchmark::State& state) { frameIntoTarget(state, true); }
BENCHMARK(BM_FrameIntoEmulatedTarget)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
