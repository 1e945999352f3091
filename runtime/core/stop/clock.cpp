#include "runtime/core/stop/clock.h"

#include "runtime/platform/clock.h"

namespace korvane {

namespace {
ClockSource clockSource = nullptr;
}  // namespace

double readClock() {
  return clockSource != nullptr ? clockSource() : platform::monotonicMilliseconds();
}

int hasPerformanceClock() { return 1; }

double performanceFrequency() { return 1e9; }

void setClockSource(ClockSource source) { clockSource = source; }

}  // namespace korvane
