// Every way out of a running runtime, in child processes with a real window.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "runtime/core/frame_loop.h"
#include "runtime/core/program_end.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/startup.h"
#include "runtime/core/stop/error_stop.h"
#include "runtime/core/stop/project_settings.h"
#include "runtime/platform/window.h"
#include "tests/support/child_program.h"
#include "tests/support/files.h"
#include "tests/support/private_tmpdir.h"

namespace korvane {
namespace {

using korvane::testing::readFile;
using korvane::testing::waitUntil;
using korvane::testing::xDriverPath;

std::string windowText() { return std::to_string(platform::nativeWindowId(mainWindow())); }

void startOrFail() {
  if (startRuntime(nullptr, nullptr, "", kShowDefault, "Ondrel") != 0) {
    endAfterDisplayFailure();
  }
}

// Asks the X server to close our window, as the close box does (from another process, which
// keeps asking until the window is gone), then presents frames until the request arrives.
[[noreturn]] void closeFromOutside() {
  std::string command = xDriverPath() + " close " + windowText() + " >/dev/null &";
  if (std::system(command.c_str()) != 0) std::fputs("x driver failed\n", stderr);
  for (;;) presentFrame();
}

class SpineEndDeathTest : public testing::PrivateTmpDirTest {
 protected:
  SpineEndDeathTest() : PrivateTmpDirTest("korvane-end-") {}
};

TEST_F(SpineEndDeathTest, CloseRequestEndsWithExitZeroAndNoReport) {
  EXPECT_EXIT(
      {
        startOrFail();
        closeFromOutside();
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "ErrorLog.txt"));
}

TEST_F(SpineEndDeathTest, DebugRunsLeaveOnlyTheLastReport) {
  struct Run {
    double code;
    const char* report;
  };
  // Position tag 4 and line 12 when the code is set: the report gives the line minus 1.
  const Run runs[] = {
      {9, "-End On Line\r\n9\r\n11\r\n12\r\n4\r\n"},
      {3, "-End On Line\r\n3\r\n11\r\n12\r\n4\r\n"},
  };
  for (const Run& run : runs) {
    EXPECT_EXIT(
        {
          projectSettings().debugMode = 1;
          startOrFail();
          runtimeError() = RuntimeError{};
          setSourcePosition(4, 12);
          setErrorCode(run.code);
          closeFromOutside();
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(log(), run.report);
  }
}

TEST_F(SpineEndDeathTest, FatalErrorShutsTheDisplayDownAndExitsZero) {
  EXPECT_EXIT(
      {
        projectSettings().debugMode = 1;
        startOrFail();
        runtimeError() = RuntimeError{};
        stopWithError(9);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(log(), "-End On Line\r\n9\r\n-1\r\n0\r\n0\r\n");
}

TEST_F(SpineEndDeathTest, EndAndRunStartsItsCommandAfterShutdown) {
  const std::string marker = (dir_ / "marker").string();
  // The command looks for the window: it must already be gone when the command runs.
  const std::string command =
      "if xwininfo -id \"$PROBE_WINDOW\" >/dev/null 2>&1; then echo alive; "
      "else echo gone; fi > " +
      marker;
  EXPECT_EXIT(
      {
        startOrFail();
        setenv("PROBE_WINDOW", windowText().c_str(), 1);
        endAndRun(RtString(command.c_str()));
      },
      ::testing::ExitedWithCode(0), "");
  ASSERT_TRUE(waitUntil([&] { return readFile(marker).size() > 0; }));
  EXPECT_EQ(readFile(marker), "gone\n");
}

TEST_F(SpineEndDeathTest, NoDisplayIsReportedInOneLineAndEndsWithNonZeroExit) {
  // Without a driver named by the user SDL would fall back to one that renders off screen; the
  // program must not then run with no visible window. The one line on standard error names the
  // display tried and what to do; nothing comes before it (a Wayland probe without
  // XDG_RUNTIME_DIR would print its own complaint first).
  struct Case {
    const char* display;  // "" leaves DISPLAY unset
    const char* driver;   // "" leaves SDL_VIDEODRIVER unset
    const char* named;    // how the line names the display
  };
  const Case cases[] = {
      {"", "", "no DISPLAY set"},
      {"", "x11", "no DISPLAY set"},
      // No server listens on this number: the display numbers of the test servers start low.
      {":4093", "", "DISPLAY=\":4093\" could not be opened"},
  };
  for (const Case& c : cases) {
    const std::string oneLine =
        std::string("^Korvane: [^\n]*") + c.named + "[^\n]*xvfb-run[^\n]*\n$";
    EXPECT_EXIT(
        {
          unsetenv("WAYLAND_DISPLAY");
          unsetenv("XDG_RUNTIME_DIR");
          if (c.display[0] == '\0') {
            unsetenv("DISPLAY");
          } else {
            setenv("DISPLAY", c.display, 1);
          }
          if (c.driver[0] == '\0') {
            unsetenv("SDL_VIDEODRIVER");
          } else {
            setenv("SDL_VIDEODRIVER", c.driver, 1);
          }
          startOrFail();
          std::fputs("started without a display\n", stderr);
        },
        ::testing::ExitedWithCode(1), oneLine)
        << "DISPLAY '" << c.display << "', driver '" << c.driver << "'";
  }
}

}  // namespace
}  // namespace korvane
