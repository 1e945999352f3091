// Child processes with real programs: exit codes, start failures, what a child inherits, and
// detached children collected by the reaper.
#include "runtime/platform/process.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace korvane::platform {
namespace {

TEST(ChildProcessTest, ExitCodesOfRealChildren) {
  setenv("KORVANE_CHILD_CHECK", "seen", 1);
  struct Row {
    std::vector<std::string> argv;
    int exitCode;
  };
  const Row rows[] = {
      {{"/bin/true"}, 0},
      {{"/bin/false"}, 1},
      {{"/bin/sh", "-c", "exit 3"}, 3},
      {{"sh", "-c", "exit 7"}, 7},  // a bare name is looked up in PATH
      // Arguments pass one by one, never through a shell that would split them.
      {{"/bin/sh", "-c", "test \"$0\" = 'two words;' && test $# = 1", "two words;", "x y"}, 0},
      {{"/bin/sh", "-c", "test \"$KORVANE_CHILD_CHECK\" = seen"}, 0},  // the environment passes
      {{"/bin/sh", "-c", "kill -TERM $$"}, kSignalExitBase + 15},
  };
  for (const Row& row : rows) {
    const ProcessId child = startProcess(row.argv);
    ASSERT_NE(child, kNoProcess) << row.argv.back();
    EXPECT_EQ(waitForExit(child), row.exitCode) << row.argv.back();
    // Collected once: a second wait has no child left to collect.
    EXPECT_EQ(waitForExit(child), -1) << row.argv.back();
  }
  unsetenv("KORVANE_CHILD_CHECK");
}

TEST(ChildProcessTest, WhatCannotStartGivesNoProcess) {
  EXPECT_EQ(startProcess({}), kNoProcess);
  EXPECT_EQ(startProcess({""}), kNoProcess);
  EXPECT_EQ(startProcess({"/nonexistent/korvane-program"}), kNoProcess);
  EXPECT_EQ(startProcess({"korvane-no-such-program-anywhere"}), kNoProcess);
  EXPECT_EQ(waitForExit(kNoProcess), -1);
}

TEST(ChildProcessTest, ChildrenInheritOnlyTheStandardStreams) {
  // A descriptor opened without close-on-exec, as a library might open one.
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  for (int fd : {0, 1, 2, ends[0], ends[1]}) {
    const std::string probe = "test -e /proc/self/fd/" + std::to_string(fd);
    const ProcessId child = startProcess({"/bin/sh", "-c", probe});
    ASSERT_NE(child, kNoProcess);
    EXPECT_EQ(waitForExit(child), fd <= 2 ? 0 : 1) << "descriptor " << fd;
  }
  close(ends[0]);
  close(ends[1]);
}

// Collects detached children for up to ten seconds; returns how many were reaped.
int reapFor(int wanted) {
  int reaped = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (int round = 0; round < 1000 && reaped < wanted; ++round) {
    reaped += reapDetachedChildren();
    if (std::chrono::steady_clock::now() > end) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return reaped;
}

// Nothing of this process's is left to collect, not even a zombie.
bool noChildrenLeft() { return waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD; }

TEST(ChildProcessTest, SleepingDetachedChildIsReapedAfterItEnds) {
  ASSERT_TRUE(startDetached("sleep 1"));
  // Still asleep: nothing to collect yet, and the reaper does not wait for it.
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(reapDetachedChildren(), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(500));
  EXPECT_FALSE(noChildrenLeft());

  EXPECT_EQ(reapFor(1), 1);
  EXPECT_TRUE(noChildrenLeft());
  EXPECT_EQ(reapDetachedChildren(), 0);
}

TEST(ChildProcessTest, ReaperTakesOnlyTheChildrenHandedToIt) {
  const ProcessId waited = startProcess({"/bin/sh", "-c", "exit 5"});
  const ProcessId handedOver = startProcess({"/bin/true"});
  ASSERT_NE(waited, kNoProcess);
  ASSERT_NE(handedOver, kNoProcess);
  detachChild(handedOver);
  EXPECT_EQ(waitForExit(handedOver), -1);  // nobody waits for a detached child

  EXPECT_EQ(reapFor(1), 1);
  // The reaper left the waited-for child alone, ended or not.
  EXPECT_EQ(waitForExit(waited), 5);
  EXPECT_TRUE(noChildrenLeft());
}

TEST(ChildProcessTest, CommandProgramIsLookedUpAsTheShellWould) {
  const std::string plainFile = ::testing::TempDir() + "korvane-not-a-program";
  ASSERT_EQ(std::system(("echo x > '" + plainFile + "' && chmod 644 '" + plainFile + "'").c_str()),
            0);
  struct Row {
    std::string command;
    bool found;
  };
  const Row rows[] = {
      {"sh -c \"exit 3\"", true},
      {"  /bin/true", true},
      {"exit 3", true},  // the shell's own words need no program
      {"cd /tmp && ls", true},
      {"FOO=1 BAR=two sh -c true", true},
      {"'sh' -c true", true},
      {"\"$SHELL\" -c true", true},  // only the shell knows what it expands to
      {"(true)", true},
      {"korvane-no-such-program-anywhere --flag", false},
      {"FOO=1 korvane-no-such-program-anywhere", false},
      {"/nonexistent/korvane-program", false},
      {"/tmp", false},     // a folder is no program
      {plainFile, false},  // nor a file without execute permission
      {"", false},
      {"   ", false},
      {"''", false},
      {"FOO=1", false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(commandProgramFound(row.command), row.found) << row.command;
  }
  EXPECT_EQ(findProgram("sh").empty(), false);
  EXPECT_EQ(findProgram("/bin/sh"), "/bin/sh");
  EXPECT_EQ(findProgram("korvane-no-such-program-anywhere"), "");
  std::remove(plainFile.c_str());
}

TEST(ChildProcessTest, OutputIsCapturedAndCappedWhileTheChildRunsToItsEnd) {
  std::string output;
  EXPECT_EQ(runForOutput({"/bin/sh", "-c", "printf 'a b\\nc\\n'; exit 4"}, output, 100), 4);
  EXPECT_EQ(output, "a b\nc\n");
  // Far more than a pipe holds: the child must not block on it, and only the limit is kept.
  EXPECT_EQ(runForOutput({"/bin/sh", "-c", "head -c 300000 /dev/zero | tr '\\0' x"}, output, 10),
            0);
  EXPECT_EQ(output, "xxxxxxxxxx");
  EXPECT_EQ(runForOutput({"korvane-no-such-program-anywhere"}, output, 10), -1);
  EXPECT_EQ(output, "");
}

}  // namespace
}  // namespace korvane::platform
