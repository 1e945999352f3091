// The runtime as a whole program under a real X server: start-up, focus and pause, close.
// Runs on a display of its own, since it moves the input focus around.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/child_program.h"
#include "tests/support/files.h"

namespace korvane {
namespace {

using korvane::testing::ChildProgram;
using korvane::testing::commandOutput;
using korvane::testing::readFile;
using korvane::testing::waitUntil;
using korvane::testing::writeFile;
using korvane::testing::xDriver;
using korvane::testing::xDriverPath;

class SpineProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::path("/tmp") /
           (std::string("korvane-process-") + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // The probe started from the root directory with a private temporary directory.
  std::string probe(const std::string& arguments) const {
    return "cd / && TMPDIR=" + dir_.string() + " " + KORVANE_SPINE_PROBE + " " + arguments;
  }
  long frames() const { return std::atol(readFile(dir_ / "frames").c_str()); }
  std::string title(const std::string& window) const { return xDriver("title " + window); }

  std::filesystem::path dir_;
};

TEST_F(SpineProcessTest, StartUpShowsTheWindowAndStartsClean) {
  writeFile(dir_ / "ErrorLog.txt", "stale report\r\n");
  ChildProgram program(probe("--fps 5"));
  ASSERT_FALSE(program.readUntil("ready").empty()) << "the probe did not start";

  EXPECT_TRUE(program.sawLine("Init OK"));
  // Started from "/", it works in its own directory.
  EXPECT_EQ(program.value("cwd"),
            std::filesystem::path(KORVANE_SPINE_PROBE).parent_path().string());
  // At 5 frames per second the loading screen alone takes 200 ms: the clock restarts after it.
  EXPECT_LT(std::atof(program.value("programTime").c_str()), 100.0);
  EXPECT_EQ(program.value("visible"), "1");
  // The stale report, and the display's own notice, are gone.
  EXPECT_FALSE(std::filesystem::exists(dir_ / "ErrorLog.txt"));

  std::string window = program.value("window");
  std::string info = commandOutput("xwininfo -id " + window);
  EXPECT_NE(info.find("Width: 640"), std::string::npos) << info;
  EXPECT_NE(info.find("Height: 480"), std::string::npos) << info;
  EXPECT_NE(info.find("IsViewable"), std::string::npos) << info;
  EXPECT_EQ(title(window), "Ondrel");

  EXPECT_EQ(xDriver("close " + window), "closed");
  EXPECT_EQ(program.exitCode(), 0);
}

TEST_F(SpineProcessTest, HiddenStartLeavesNoVisibleWindowAndKeepsRunning) {
  ChildProgram program(probe("--hide --frames " + (dir_ / "frames").string()));
  ASSERT_FALSE(program.readUntil("ready").empty());
  std::string window = program.value("window");
  EXPECT_EQ(program.value("visible"), "0");
  EXPECT_EQ(xDriver("mapped " + window), "0");
  long before = frames();
  EXPECT_TRUE(waitUntil([&] { return frames() > before + 10; }));
  EXPECT_EQ(xDriver("close " + window), "closed");
  EXPECT_EQ(program.exitCode(), 0);
}

TEST_F(SpineProcessTest, LosingFocusPausesAndRegainingItResumes) {
  ChildProgram program(probe("--frames " + (dir_ / "frames").string()));
  ASSERT_FALSE(program.readUntil("ready").empty());
  std::string window = program.value("window");
  commandOutput("xdotool windowfocus " + window);
  ASSERT_TRUE(waitUntil([&] { return frames() > 5; }));

  {
    ChildProgram other(xDriverPath() + " steal-focus 3");
    ASSERT_FALSE(other.readUntil("focused").empty());
    EXPECT_TRUE(waitUntil([&] { return title(window) == "Ondrel <pause>"; }));
    // One frame may still be on its way out when the pause begins.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    long frozen = frames();
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    EXPECT_EQ(frames(), frozen) << "presentFrame went on while paused";
    other.exitCode();
  }

  commandOutput("xdotool windowfocus " + window);
  EXPECT_TRUE(waitUntil([&] { return title(window) == "Ondrel"; }));
  long resumed = frames();
  EXPECT_TRUE(waitUntil([&] { return frames() > resumed + 10; }));

  EXPECT_EQ(xDriver("close " + window), "closed");
  EXPECT_EQ(program.exitCode(), 0);
}

TEST_F(SpineProcessTest, InDebugModeLosingFocusNeitherPausesNorRetitles) {
  ChildProgram program(probe("--debug --frames " + (dir_ / "frames").string()));
  ASSERT_FALSE(program.readUntil("ready").empty());
  std::string window = program.value("window");
  commandOutput("xdotool windowfocus " + window);
  ASSERT_TRUE(waitUntil([&] { return frames() > 5; }));
  {
    ChildProgram other(xDriverPath() + " steal-focus 1.5");
    ASSERT_FALSE(other.readUntil("focused").empty());
    long before = frames();
    EXPECT_TRUE(waitUntil([&] { return frames() > before + 30; }));
    EXPECT_EQ(title(window), "Ondrel");
    other.exitCode();
  }
  EXPECT_EQ(xDriver("close " + window), "closed");
  EXPECT_EQ(program.exitCode(), 0);
}

TEST_F(SpineProcessTest, OndrelOpensAndEndsOnCloseWithExitZero) {
  if (!std::filesystem::exists(KORVANE_ONDREL)) GTEST_SKIP() << "ondrel is not built";
  ChildProgram program("cd / && TMPDIR=" + dir_.string() + " " + KORVANE_ONDREL);
  ASSERT_FALSE(program.readUntil("Init OK").empty());
  std::string window;
  ASSERT_TRUE(waitUntil([&] {
    window = commandOutput("xdotool search --name '^Ondrel$' | head -n 1");
    return !window.empty();
  }));
  EXPECT_EQ(title(window), "Ondrel");
  EXPECT_EQ(xDriver("close " + window), "closed");
  EXPECT_EQ(program.exitCode(), 0);
}

}  // namespace
}  // namespace korvane
