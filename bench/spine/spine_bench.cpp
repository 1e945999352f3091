// Frame pacing and start-up time of the runtime on a real display (run under tools/with-display).
// Pacing: 600 frames at 60 per second, each interval's distance from 1000/60 ms.
// Start-up: exec of a fresh process to its "Init OK", less the time its warning box waited.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/core/frame_loop.h"
#include "runtime/core/startup.h"
#include "runtime/core/stop/clock.h"
#include "runtime/core/stop/error_stop.h"
#include "runtime/core/stop/project_settings.h"
#include "runtime/platform/clock.h"
#include "runtime/platform/process.h"
#include "runtime/platform/window.h"

namespace {

constexpr int kFrames = 600;
constexpr double kTargetMs = 1000.0 / 60;
constexpr const char* kChildFlag = "--startup-child";

bool runtimeStarted = false;

void startOnce() {
  if (runtimeStarted) return;
  korvane::projectSettings().framesPerSecond = 60;
  if (korvane::startRuntime(nullptr, nullptr, "", korvane::kShowDefault, "Ondrel") != 0) {
    korvane::endAfterDisplayFailure();
  }
  runtimeStarted = true;
}

double percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  size_t rank = static_cast<size_t>(std::ceil(fraction * values.size()));
  return values[std::min(values.size() - 1, rank == 0 ? 0 : rank - 1)];
}

// One start-up of a fresh process: the time to its "Init OK" less its box wait.
double startUpOnce() {
  std::string command = "exec '" + korvane::platform::executablePath() + "' " + kChildFlag;
  double start = korvane::platform::monotonicMilliseconds();
  FILE* child = popen(command.c_str(), "r");
  if (child == nullptr) return -1;
  double initOk = -1;
  double box = 0;
  char line[256];
  while (std::fgets(line, sizeof line, child) != nullptr) {
    if (std::strncmp(line, "Init OK", 7) == 0) initOk = korvane::platform::monotonicMilliseconds();
    if (std::strncmp(line, "box ", 4) == 0) box = std::atof(line + 4);
  }
  pclose(child);
  return initOk < 0 ? -1 : initOk - start - box;
}

void BM_StartUp(benchmark::State& state) {
  std::vector<double> times;
  for (auto _ : state) {
    double ms = startUpOnce();
    if (ms < 0) {
      state.SkipWithError("the child did not start");
      return;
    }
    times.push_back(ms);
  }
  double sum = 0;
  for (double t : times) sum += t;
  state.counters["startup_mean_ms"] = sum / times.size();
  state.counters["startup_min_ms"] = *std::min_element(times.begin(), times.end());
  state.counters["startup_max_ms"] = *std::max_element(times.begin(), times.end());
  std::printf(
      "start-up to \"Init OK\" (warning box wait excluded): mean %.1f ms, min %.1f ms, "
      "max %.1f ms over %zu runs\n",
      sum / times.size(), *std::min_element(times.begin(), times.end()),
      *std::max_element(times.begin(), times.end()), times.size());
}
// Runs first: a runtime already holding the pointer in this process would make each child's
// pointer grab wait for it.
BENCHMARK(BM_StartUp)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_PacedFrames(benchmark::State& state) {
  startOnce();
  for (auto _ : state) {
    korvane::presentFrame();  // settle on the deadline grid first
    double last = korvane::readClock();
    std::vector<double> intervals;
    intervals.reserve(kFrames);
    for (int i = 0; i < kFrames; ++i) {
      korvane::presentFrame();
      double now = korvane::readClock();
      intervals.push_back(now - last);
      last = now;
    }
    std::vector<double> deviations;
    double sum = 0;
    for (double interval : intervals) {
      sum += interval;
      deviations.push_back(std::fabs(interval - kTargetMs));
    }
    double mean = sum / intervals.size();
    double p50 = percentile(deviations, 0.50);
    double p99 = percentile(deviations, 0.99);
    double worst = *std::max_element(deviations.begin(), deviations.end());
    state.counters["mean_period_ms"] = mean;
    state.counters["dev_p50_ms"] = p50;
    state.counters["dev_p99_ms"] = p99;
    state.counters["dev_max_ms"] = worst;
    std::printf(
        "paced frames: %d, mean period %.4f ms, |interval - %.3f| p50 %.4f ms, p99 %.4f ms, "
        "max %.4f ms\n",
        kFrames, mean, kTargetMs, p50, p99, worst);
  }
}
BENCHMARK(BM_PacedFrames)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], kChildFlag) == 0) {
    startOnce();
    std::printf("box %.3f\n", korvane::platform::lastMessageBoxMilliseconds());
    std::fflush(stdout);
    korvane::endProgram();
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  // Through the one way out, so the display goes down in order.
  korvane::endProgram();
}
