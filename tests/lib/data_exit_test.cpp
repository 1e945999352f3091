// Every way out of a running program writes a changed data file and INI document back: the quit
// keys, the close box, a runtime error, the main program returning, endAndRun and the signals
// that ask a program to end. Each way runs the probe program in a child process.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/support/child_program.h"
#include "tests/support/files.h"

namespace korvane {
namespace {

using korvane::testing::ChildProgram;
using korvane::testing::commandOutput;
using korvane::testing::readFile;
using korvane::testing::xDriver;
using korvane::testing::xDriverPath;

struct ExitCase {
  const char* name;
  const char* way;     // the probe's argument
  const char* action;  // what the test does once the probe is ready: keys, close or a signal
};

void PrintTo(const ExitCase& c, std::ostream* out) { *out << c.name; }

class DataExitTest : public ::testing::TestWithParam<ExitCase> {
 protected:
  void SetUp() override {
    // A test runner that started this suite in the background left SIGINT ignored, and an
    // ignored signal stays ignored in the probe; the probe must start with the usual handling.
    signal(SIGINT, SIG_DFL);
    dir_ = std::filesystem::temp_directory_path() /
           ("korvane-data-exit-" + std::to_string(getpid()) + "-" + GetParam().name);
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

void pressAndRelease(const std::string& window, const std::string& keys) {
  commandOutput("xdotool windowfocus --sync " + window);
  // Held for a few frames so the keyboard poll sees them down together.
  commandOutput(xDriverPath() + " keys down " + keys);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  commandOutput(xDriverPath() + " keys up " + keys);
}

TEST_P(DataExitTest, WritesBothDocumentsBack) {
  const ExitCase& c = GetParam();
  ChildProgram program("cd / && TMPDIR=" + dir_.string() + "/ " + KORVANE_DATA_PROBE + " " +
                       dir_.string() + " " + c.way);
  ASSERT_FALSE(program.readUntil("ready").empty()) << "the probe did not start";
  const std::string window = program.value("window");
  const std::string action = c.action;
  if (action == "close") {
    EXPECT_EQ(xDriver("close " + window), "closed");
  } else if (action == "SIGINT" || action == "SIGTERM") {
    commandOutput("kill -" + action.substr(3) + " " + program.value("pid"));
  } else if (!action.empty()) {
    pressAndRelease(window, action);
  }
  EXPECT_EQ(program.exitCode(), 0);
  EXPECT_EQ(readFile(dir_ / "data.txt"), std::string("\r\n") + c.way + "\r\n");
  EXPECT_EQ(readFile(dir_ / "prefs.ini"), std::string("[End]\r\nway=") + c.way + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(Ways, DataExitTest,
                         ::testing::Values(ExitCase{"Escape", "frames", "Escape"},
                                           ExitCase{"AltF4", "frames", "Alt_L F4"},
                                           ExitCase{"CloseBox", "frames", "close"},
                                           ExitCase{"RuntimeError", "error", ""},
                                           ExitCase{"MainProgramReturns", "return", ""},
                                           ExitCase{"EndAndRun", "end-and-run", ""},
                                           ExitCase{"Interrupt", "frames", "SIGINT"},
                                           ExitCase{"Terminate", "frames", "SIGTERM"}),
                         [](const ::testing::TestParamInfo<ExitCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace korvane
