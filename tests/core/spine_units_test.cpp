// The spine's arithmetic and text rules, without a display.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "runtime/core/command_line.h"
#include "runtime/core/frame_loop_internal.h"
#include "runtime/core/program_end.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/startup.h"
#include "runtime/core/stop/clock.h"
#include "runtime/core/window_events.h"

namespace korvane {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(CommandLineTest, ArgumentPartSkipsTheProgramName) {
  struct Case {
    const char* line;
    const char* arguments;
  };
  const Case cases[] = {
      {"\"C:\\Program Files\\ondrel.exe\"   -x  y", "-x  y"},
      {"ondrel.exe", ""},
      {"\"C:\\unterminated -x y", ""},
      {"  \t ondrel.exe \t a b ", "a b "},
      {"ondrel.exe\tfirst", "first"},
      {"\"\"rest of it", "rest of it"},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(argumentPart(c.line), c.arguments) << c.line;
  }
}

TEST(CommandLineTest, ArgumentsAreJoinedBySingleBlanks) {
  const char* none[] = {"ondrel"};
  EXPECT_EQ(joinArguments(1, none), "");
  const char* some[] = {"ondrel", "-x", "two words", ""};
  EXPECT_EQ(joinArguments(4, some), "-x two words ");
}

TEST(StartupTest, ProgramDirectoryCutsAtTheLastSeparator) {
  struct Case {
    const char* path;
    const char* directory;
  };
  const Case cases[] = {
      {"/work/build/bin/ondrel", "/work/build/bin"},
      {"C:\\games\\ondrel.exe", "C:\\games"},
      {"/mixed\\dir/ondrel", "/mixed\\dir"},
      {"ondrel", "ondrel"},
      {"/ondrel", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(programDirectory(c.path), c.directory) << c.path;
}

TEST(FramePacingTest, NextDeadlineSkipsMissedSlots) {
  const double p = 1000.0 / 60;
  struct Case {
    double deadline, period, now, next;
  };
  const Case cases[] = {
      {100, p, 100.5, 100 + p},    // on time: one period on
      {100, p, 100 + p, 100 + p},  // exactly at the next deadline: not missed
      {0, p, 40, 3 * p},           // a 40 ms frame: first multiple at or after now
      {0, p, 50.01, 4 * p},
      {0, 2.0, 1e6 + 1, 1e6 + 2},   // a long stall
      {0, 0.0, 500, 0},             // no period: the deadline stays
      {0, 1000.0 / 2e9, 1e7, 1e7},  // a tiny period after a stall ends quickly
  };
  for (const Case& c : cases) {
    double next = nextFrameDeadline(c.deadline, c.period, c.now);
    EXPECT_NEAR(next, c.next, 1e-6) << c.deadline << " " << c.period << " " << c.now;
    if (c.period > 0) {
      EXPECT_GE(next, c.now);
    }
  }
  // Deadlines stay whole periods apart from the first.
  double k = nextFrameDeadline(0, p, 1000) / p;
  EXPECT_NEAR(k, std::round(k), 1e-6);
}

TEST(FramePacingTest, FrameDurationIsNeverZeroOrBelow) {
  struct Case {
    double current, previous, duration;
  };
  const Case cases[] = {{116.5, 100, 16.5}, {100, 100, 1.0}, {90, 100, 1.0}};
  for (const Case& c : cases) {
    runtimeState().currentFrameTime = c.current;
    runtimeState().previousFrameTime = c.previous;
    EXPECT_DOUBLE_EQ(frameDuration(), c.duration);
  }
}

double fixedClock() { return 5000; }

TEST(ClockTest, SourceCanBeReplacedAndRestored) {
  double before = readClock();
  setClockSource(fixedClock);
  EXPECT_EQ(readClock(), 5000);
  runtimeState().programStartTime = 4990;
  EXPECT_EQ(programTime(), 10);
  setClockSource(nullptr);
  EXPECT_GE(readClock(), before);
  EXPECT_EQ(hasPerformanceClock(), 1);
}

TEST(SleepTest, NegativeAndNaNDoNotSleep) {
  // Each of these would block for ever if taken as an unsigned count of milliseconds.
  for (double ms : {-1.0, -5.5, kNaN, -std::numeric_limits<double>::infinity(), 0.4}) {
    double start = readClock();
    sleepMs(ms);
    EXPECT_LT(readClock() - start, 1000) << ms;
  }
  double start = readClock();
  sleepMs(20.9);
  EXPECT_GE(readClock() - start, 20);
}

TEST(FlagCommandsTest, AnyNonZeroValueSetsTheFlag) {
  struct Case {
    double value;
    uint8_t flag;
  };
  const Case cases[] = {{0, 0}, {1, 1}, {-3, 1}, {0.25, 1}, {kNaN, 1}, {-0.0, 0}};
  for (const Case& c : cases) {
    setAutoPause(c.value);
    EXPECT_EQ(runtimeState().autoPause, c.flag) << c.value;
    setEscapeEnds(c.value);
    EXPECT_EQ(runtimeState().escapeEndsProgram, c.flag) << c.value;
  }
}

TEST(DebuggerNoticeTest, TextIsBpAndLowerCaseHex) {
  EXPECT_EQ(debuggerNoticeText(255), "BPff");
  EXPECT_EQ(debuggerNoticeText(0), "BP0");
  EXPECT_EQ(debuggerNoticeText(0x7ABCDEF0), "BP7abcdef0");
  EXPECT_EQ(debuggerNoticeText(-1), "BPffffffff");
}

}  // namespace
}  // namespace korvane
