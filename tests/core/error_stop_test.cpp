// The program end in child processes: exit code, the shutdown hook and the debug report.
#include "runtime/core/stop/error_stop.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "runtime/core/stop/project_settings.h"
#include "runtime/core/stop/upward_calls.h"
#include "tests/support/files.h"
#include "tests/support/private_tmpdir.h"

namespace korvane {
namespace {

using testing::readFile;

class ErrorStopDeathTest : public testing::PrivateTmpDirTest {
 protected:
  ErrorStopDeathTest() : PrivateTmpDirTest("korvane-stop-") {}
};

TEST_F(ErrorStopDeathTest, IndexErrorInDebugModeWritesTheReportAndExitsZero) {
  EXPECT_EXIT(
      {
        projectSettings().debugMode = 1;
        stopWithError(9);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(log(), "-End On Line\r\n9\r\n-1\r\n0\r\n0\r\n");
}

TEST_F(ErrorStopDeathTest, ReportUsesLineAndTagTruncated) {
  EXPECT_EXIT(
      {
        projectSettings().debugMode = 1;
        setSourcePosition(7.9, 42.5);
        setErrorCode(3);
        setSourcePosition(8, 50);  // the error line stays the one of the failing statement
        endProgram();
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(log(), "-End On Line\r\n3\r\n41\r\n50\r\n8\r\n");
}

TEST_F(ErrorStopDeathTest, WithoutDebugModeNothingIsWritten) {
  EXPECT_EXIT(stopWithError(9), ::testing::ExitedWithCode(0), "");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "ErrorLog.txt"));
}

void shutdownThatPrints() {
  std::fputs("shutdown ran\n", stderr);
  // A fatal condition inside the shutdown must still end the process once, not loop.
  stopWithError(7);
}

TEST_F(ErrorStopDeathTest, ShutdownRunsOnceEvenWhenItStopsAgain) {
  EXPECT_EXIT(
      {
        registerUpwardCalls({.shutdown = shutdownThatPrints});
        endProgram();
      },
      ::testing::ExitedWithCode(0), "^shutdown ran\n$");
}

TEST_F(ErrorStopDeathTest, ChosenExitCodeIsPassedThrough) {
  EXPECT_EXIT(endProgramWithExitCode(3), ::testing::ExitedWithCode(3), "");
}

TEST(ErrorLogTest, AppendsCrLfLinesAndDeletes) {
  testing::ProcessTmpDir tmp("korvane-log-");
  const std::filesystem::path& dir = tmp.path();
  appendErrorLog("first");
  appendErrorLog("second");
  EXPECT_EQ(readFile(errorLogPath()), "first\r\nsecond\r\n");
  deleteErrorLog();
  EXPECT_FALSE(std::filesystem::exists(dir / "ErrorLog.txt"));
  // A planted link is never followed.
  std::filesystem::create_symlink(dir / "target", dir / "ErrorLog.txt");
  appendErrorLog("x");
  EXPECT_FALSE(std::filesystem::exists(dir / "target"));
}

}  // namespace
}  // namespace korvane
