// The runtime's clock: milliseconds as a double from the monotonic clock.
// Tests replace the source to drive the frame pacing deterministically.
#pragma once

namespace korvane {

// Milliseconds from the clock source (CLOCK_MONOTONIC unless a test set another).
double readClock();

// 1: the high-resolution clock is usable (always on this system).
int hasPerformanceClock();

// Ticks per second of the high-resolution clock (its counter is in nanoseconds).
double performanceFrequency();

// Replaces the clock source; nullptr restores the monotonic clock. For tests.
using ClockSource = double (*)();
void setClockSource(ClockSource source);

}  // namespace korvane
