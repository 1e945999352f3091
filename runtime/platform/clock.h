// The monotonic clock and sleeping.
#pragma once

namespace korvane::platform {

// Milliseconds of CLOCK_MONOTONIC as a double (sub-millisecond resolution). Never fails on
// Linux; any thread.
double monotonicMilliseconds();

// Sleeps the calling thread for `milliseconds`; 0 or less returns at once. Restarts after
// signals so the whole time is slept. Any thread.
void sleepMilliseconds(long long milliseconds);

}  // namespace korvane::platform
