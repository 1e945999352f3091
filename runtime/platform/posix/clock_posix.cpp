#include <cerrno>
#include <ctime>

#include "runtime/platform/clock.h"

namespace korvane::platform {

double monotonicMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

void sleepMilliseconds(long long milliseconds) {
  if (milliseconds <= 0) return;
  timespec left{static_cast<time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

}  // namespace korvane::platform
