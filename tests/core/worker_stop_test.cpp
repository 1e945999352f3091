// A stop raised on a worker thread: the worker ends, and the main thread runs the program end.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "runtime/core/stop/error_stop.h"
#include "runtime/core/stop/project_settings.h"
#include "runtime/core/stop/upward_calls.h"
#include "runtime/platform/process.h"
#include "runtime/platform/thread.h"
#include "tests/support/private_tmpdir.h"

namespace korvane {
namespace {

platform::Thread worker;

void shutdownThatJoinsTheWorker() {
  std::fputs(platform::isMainThread() ? "shutdown on main\n" : "shutdown on worker\n", stderr);
  worker.join();
}

struct UnwindWitness {
  ~UnwindWitness() { std::fputs("worker unwound\n", stderr); }
};

using WorkerStop = void (*)();

template <WorkerStop stop>
void runWorker(void*) {
  UnwindWitness witness;
  stop();
  std::fputs("worker went on\n", stderr);
}

void indexError() { stopWithError(kIndexOutOfRange); }
void chosenExitWithoutCode() { endProgramWithExitCode(3); }
void codeThenEnd() {
  setErrorCode(kTransferErrorCode);
  endProgram();
}

class WorkerStopDeathTest : public testing::PrivateTmpDirTest {
 protected:
  WorkerStopDeathTest() : PrivateTmpDirTest("korvane-worker-stop-") {}
};

TEST_F(WorkerStopDeathTest, AWorkerRecordsTheStopAndTheMainThreadEndsTheProgram) {
  struct Case {
    const char* name;
    platform::ThreadFunction body;
    int exitCode;
    const char* log;  // main's code is 4 at line 20 before the worker runs at line 42
  };
  const Case cases[] = {
      {"index error", runWorker<indexError>, 0, "-End On Line\r\n9\r\n41\r\n50\r\n8\r\n"},
      // No code set on the worker: the report keeps the main thread's.
      {"exit code only", runWorker<chosenExitWithoutCode>, 3,
       "-End On Line\r\n4\r\n19\r\n50\r\n8\r\n"},
      {"code then end", runWorker<codeThenEnd>, 0, "-End On Line\r\n3\r\n41\r\n50\r\n8\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(dir_ / "ErrorLog.txt");
    EXPECT_EXIT(
        {
          projectSettings().debugMode = 1;
          registerUpwardCalls({.shutdown = shutdownThatJoinsTheWorker});
          setSourcePosition(8, 20);
          setErrorCode(4);
          setSourcePosition(8, 42);
          stopIfWorkerFailed();  // nothing failed yet
          if (!worker.start(c.body, nullptr)) std::fputs("no worker\n", stderr);
          worker.join();  // the worker's thread ended, so this returns
          std::fputs("main goes on\n", stderr);
          setSourcePosition(8, 50);
          stopIfWorkerFailed();
          std::fputs("main was not stopped\n", stderr);
          platform::exitProcess(99);
        },
        ::testing::ExitedWithCode(c.exitCode),
        "^worker unwound\nmain goes on\nshutdown on main\n$");
    if (!::testing::internal::InDeathTestChild()) {
      EXPECT_EQ(log(), c.log);
    }
  }
}

void stopAfterAMoment(void* failures) {
  static_cast<std::atomic<int>*>(failures)->fetch_add(1);
  stopWithError(kIndexOutOfRange);
}

TEST_F(WorkerStopDeathTest, TheFirstOfTwoFailingWorkersIsReportedOnce) {
  EXPECT_EXIT(
      {
        projectSettings().debugMode = 1;
        std::atomic<int> failures{0};
        platform::Thread a;
        platform::Thread b;
        a.start(stopAfterAMoment, &failures);
        b.start(stopAfterAMoment, &failures);
        a.join();
        b.join();
        if (failures.load() != 2) std::fputs("a worker did not run\n", stderr);
        stopIfWorkerFailed();
        platform::exitProcess(99);
      },
      ::testing::ExitedWithCode(0), "^$");
  EXPECT_EQ(log(), "-End On Line\r\n9\r\n-1\r\n0\r\n0\r\n");
}

class ErrorLogThreadTest : public testing::PrivateTmpDirTest {
 protected:
  ErrorLogThreadTest() : PrivateTmpDirTest("korvane-log-threads-") {}
};

void appendLines(void* tag) {
  for (int i = 0; i < 200; ++i) {
    appendErrorLog(std::string(static_cast<const char*>(tag)) + std::to_string(i));
  }
}

TEST_F(ErrorLogThreadTest, FourThreadsAppendingLoseNoLine) {
  const char* tags[] = {"a", "b", "c", "d"};
  {
    platform::Thread threads[4];
    for (int t = 0; t < 4; ++t)
      ASSERT_TRUE(threads[t].start(appendLines, const_cast<char*>(tags[t])));
  }
  std::vector<std::string> want;
  for (const char* tag : tags) {
    for (int i = 0; i < 200; ++i) want.push_back(std::string(tag) + std::to_string(i));
  }
  std::vector<std::string> got;
  const std::string text = log();
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    got.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "the log ends in a partial line";
  std::sort(got.begin(), got.end());
  std::sort(want.begin(), want.end());
  EXPECT_EQ(got, want);
}

struct DirectorySeen {
  std::string dir;
};

void readTemporaryDirectory(void* seen) {
  static_cast<DirectorySeen*>(seen)->dir = platform::temporaryDirectory();
}

TEST_F(ErrorLogThreadTest, WorkersSeeTheMainThreadsTemporaryDirectory) {
  const std::string first = dir_.string() + "/";
  const std::string second = (dir_ / "later").string() + "/";
  DirectorySeen seen;
  EXPECT_EQ(platform::temporaryDirectory(), first);
  platform::Thread thread;
  ASSERT_TRUE(thread.start(readTemporaryDirectory, &seen));
  thread.join();
  EXPECT_EQ(seen.dir, first);

  setenv("TMPDIR", second.c_str(), 1);
  EXPECT_EQ(platform::temporaryDirectory(), second);  // the main thread sees the change at once
  ASSERT_TRUE(thread.start(readTemporaryDirectory, &seen));
  thread.join();
  EXPECT_EQ(seen.dir, second);
}

}  // namespace
}  // namespace korvane
