// Platform services that need no display: text conversion, clock, sleep, processes, events.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "runtime/platform/clock.h"
#include "runtime/platform/events.h"
#include "runtime/platform/process.h"
#include "runtime/platform/window.h"
#include "tests/support/child_program.h"
#include "tests/support/files.h"

namespace korvane::platform {
namespace {

TEST(Windows1252Test, EveryByteOfTheHighRangeConverts) {
  struct Row {
    unsigned char byte;
    const char* utf8;
  };
  // 0x80..0x9F one row each (the undefined five become U+FFFD), then samples above.
  const Row rows[] = {
      {0x80, "\u20AC"}, {0x81, "\uFFFD"}, {0x82, "\u201A"}, {0x83, "\u0192"}, {0x84, "\u201E"},
      {0x85, "\u2026"}, {0x86, "\u2020"}, {0x87, "\u2021"}, {0x88, "\u02C6"}, {0x89, "\u2030"},
      {0x8A, "\u0160"}, {0x8B, "\u2039"}, {0x8C, "\u0152"}, {0x8D, "\uFFFD"}, {0x8E, "\u017D"},
      {0x8F, "\uFFFD"}, {0x90, "\uFFFD"}, {0x91, "\u2018"}, {0x92, "\u2019"}, {0x93, "\u201C"},
      {0x94, "\u201D"}, {0x95, "\u2022"}, {0x96, "\u2013"}, {0x97, "\u2014"}, {0x98, "\u02DC"},
      {0x99, "\u2122"}, {0x9A, "\u0161"}, {0x9B, "\u203A"}, {0x9C, "\u0153"}, {0x9D, "\uFFFD"},
      {0x9E, "\u017E"}, {0x9F, "\u0178"}, {0xA0, "\u00A0"}, {0xE9, "\u00E9"}, {0xFC, "\u00FC"},
      {0xFF, "\u00FF"}, {'A', "A"},       {'\n', "\n"},
  };
  for (const Row& row : rows) {
    std::string in(1, static_cast<char>(row.byte));
    EXPECT_EQ(windows1252ToUtf8(in), row.utf8) << std::hex << int(row.byte);
  }
  EXPECT_EQ(windows1252ToUtf8("unterst\xFCtzt!"), "unterst\u00FCtzt!");
}

TEST(ClockTest, MonotonicMillisecondsAdvanceAndSleepWaits) {
  double start = monotonicMilliseconds();
  sleepMilliseconds(15);
  double slept = monotonicMilliseconds() - start;
  EXPECT_GE(slept, 15);
  // Nothing to sleep: no time passes to speak of (a sleep of "for ever" would hang here).
  start = monotonicMilliseconds();
  sleepMilliseconds(0);
  sleepMilliseconds(-1);
  EXPECT_LT(monotonicMilliseconds() - start, 1000);
}

TEST(ProcessTest, DirectoriesAndDetachedCommands) {
  auto dir = std::filesystem::path("/tmp") / ("korvane-platform-" + std::to_string(getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  std::string before = currentDirectory();
  ASSERT_TRUE(setCurrentDirectory(dir.string()));
  EXPECT_EQ(currentDirectory(), dir.string());
  EXPECT_FALSE(setCurrentDirectory((dir / "missing").string()));
  ASSERT_TRUE(setCurrentDirectory(before));

  std::string exe = executablePath();
  EXPECT_EQ(std::filesystem::path(exe).filename(), "platform_test");

  // The command runs through the shell, without being waited for.
  auto marker = dir / "marker";
  ASSERT_TRUE(startDetached("echo 'ran here' > '" + marker.string() + "'"));
  std::string text;
  testing::waitUntil([&] { return !(text = testing::readFile(marker)).empty(); });
  EXPECT_EQ(text, "ran here\n");
  std::filesystem::remove_all(dir);
}

TEST(ProcessTest, TemporaryDirectoryFollowsTmpdirAndEndsInASlash) {
  setenv("TMPDIR", "/tmp/korvane-tmpdir-check", 1);
  EXPECT_EQ(temporaryDirectory(), "/tmp/korvane-tmpdir-check/");
  unsetenv("TMPDIR");
  std::string own = temporaryDirectory();
  EXPECT_EQ(own.back(), '/');
}

TEST(EventsTest, NothingIsPendingBeforeVideoStarts) {
  Event event;
  EXPECT_FALSE(pollEvent(event));
  EXPECT_FALSE(dispatchOneEvent());
  EXPECT_EQ(pumpEvents(), 0);
}

}  // namespace
}  // namespace korvane::platform
