// The exit with started threads still running: they are asked to stop and joined, and one that
// does not end in time makes the exit skip the static tear-down instead of hanging or crashing.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "runtime/platform/process.h"
#include "runtime/platform/thread.h"

namespace korvane::platform {
namespace {

// Static, so that their destructors run in the tear-down after the exit has joined the threads.
Thread poller;
Thread sleeper;

struct TearDownWitness {
  ~TearDownWitness() { std::fputs("tear-down ran\n", stderr); }
};

void pollUntilAsked(void*) {
  while (!stopRequested()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::fputs("poller stopped\n", stderr);
}

void sleepForever(void*) {
  for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
}

class ThreadExitDeathTest : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(ThreadExitDeathTest, APollingWorkerIsStoppedAndTheTearDownRuns) {
  EXPECT_EXIT(
      {
        static TearDownWitness witness;
        if (!poller.start(pollUntilAsked, nullptr)) std::fputs("not started\n", stderr);
        exitProcess(5);
      },
      ::testing::ExitedWithCode(5), "^poller stopped\ntear-down ran\n$");
}

TEST_F(ThreadExitDeathTest, AWorkerThatIgnoresTheStopEndsTheExitWithoutTearDown) {
  EXPECT_EXIT(
      {
        static char buffer[4096];
        std::setvbuf(stderr, buffer, _IOFBF, sizeof buffer);  // only a flush shows these lines
        static TearDownWitness witness;
        if (!poller.start(pollUntilAsked, nullptr)) std::fputs("not started\n", stderr);
        if (!sleeper.start(sleepForever, nullptr)) std::fputs("not started\n", stderr);
        std::fputs("before the exit\n", stderr);
        exitProcess(6);
      },
      ::testing::ExitedWithCode(6), "^before the exit\npoller stopped\n$");
}

// A worker may itself call the exit; it does not wait for itself.
void exitFromHere(void*) { exitProcess(7); }

TEST_F(ThreadExitDeathTest, AnExitCalledOnAWorkerStillEnds) {
  EXPECT_EXIT(
      {
        if (!poller.start(exitFromHere, nullptr)) std::fputs("not started\n", stderr);
        for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
      },
      ::testing::ExitedWithCode(7), "");
}

}  // namespace
}  // namespace korvane::platform
