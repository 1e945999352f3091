// Library functions by name with the cache, the debug output with and without a tracer, and the
// runtime library's shutdown.
#include "runtime/lib/library_functions.h"

#include <gtest/gtest.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "runtime/core/stop/project_settings.h"
#include "runtime/lib/file_channels.h"
#include "runtime/platform/process.h"
#include "tests/lib/data_files_test_support.h"

namespace korvane {
namespace {

using testing::readFile;
using testing::writeFile;

class LibraryFunctionsTest : public testing_files::DocumentFixture {
 protected:
  void TearDown() override {
    shutdownRuntimeLibrary();
    DocumentFixture::TearDown();
  }
};

TEST_F(LibraryFunctionsTest, AFunctionIsFoundAndItsLibraryLoadedOnce) {
  void* pointer = &pointer;
  findLibraryFunction("libm.so.6", "cos", pointer);
  ASSERT_NE(pointer, nullptr);
  EXPECT_EQ(reinterpret_cast<double (*)(double)>(pointer)(0.0), 1.0);
  ASSERT_EQ(libraryCache().names.size(), 1u);
  EXPECT_EQ(libraryCache().names[0], "libm.so.6");

  // This spelling names no file here; it is found only because the cache knows the library.
  void* again = nullptr;
  findLibraryFunction("LIBM.So.6", "sin", again);
  EXPECT_NE(again, nullptr);
  EXPECT_EQ(libraryCache().names.size(), 1u);

  void* missingFunction = &pointer;
  findLibraryFunction("libm.so.6", "noSuchFunction", missingFunction);
  EXPECT_EQ(missingFunction, nullptr);
}

TEST_F(LibraryFunctionsTest, AMissingLibraryGivesNullAndIsNotCached) {
  // Library names are case-sensitive on this system: the upper-case spelling loads nothing.
  for (const char* name : {"libkorvane-no-such.so", "LIBM.SO.6"}) {
    void* pointer = &pointer;
    findLibraryFunction(name, "cos", pointer);
    EXPECT_EQ(pointer, nullptr) << name;
  }
  EXPECT_TRUE(libraryCache().names.empty());
}

TEST_F(LibraryFunctionsTest, TheProgramsOwnDirectoryIsSearchedFirst) {
  const std::filesystem::path beside =
      std::filesystem::path(platform::executablePath()).parent_path() /
      ("libkorvane-beside-" + std::to_string(getpid()) + ".so");
  std::filesystem::copy_file("/lib/x86_64-linux-gnu/libm.so.6", beside);
  void* pointer = nullptr;
  findLibraryFunction(RtString(std::string_view(beside.filename().string())), "cos", pointer);
  std::filesystem::remove(beside);  // the loaded copy stays mapped
  EXPECT_NE(pointer, nullptr);
}

TEST_F(LibraryFunctionsTest, ShutdownWritesDocumentsBackClosesChannelsAndUnloads) {
  const std::string data = path("data.txt");
  const std::string ini = path("prefs.ini");
  writeDataLine(rt(data), 0, "kept");
  openIni(rt(ini));
  writeIniValue("S", "k", "v");
  ASSERT_EQ(openFile(2, rt(path("channel.bin")), 0), 1);
  void* pointer = nullptr;
  findLibraryFunction("libm.so.6", "cos", pointer);
  ASSERT_FALSE(libraryCache().names.empty());

  shutdownRuntimeLibrary();
  EXPECT_EQ(readFile(data), "kept\r\n");
  EXPECT_EQ(readFile(ini), "[S]\r\nk=v\r\n");
  EXPECT_EQ(fileChannel(2).handle, platform::kNoFileHandle);
  EXPECT_TRUE(libraryCache().handles.empty());
  EXPECT_TRUE(libraryCache().names.empty());
}

// Runs `body` in a child whose standard error goes to `errFile`, traced by this process when
// `traced`; returns the child's exit status.
int runChild(bool traced, const std::string& errFile, void (*body)()) {
  const pid_t child = fork();
  if (child == 0) {
    if (std::freopen(errFile.c_str(), "w", stderr) == nullptr) _exit(90);
    if (traced && ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) _exit(91);
    if (platform::debuggerAttached() != traced) _exit(92);
    body();
    std::fflush(stderr);
    _exit(0);
  }
  int status = 0;
  for (;;) {
    if (waitpid(child, &status, 0) != child) return -1;
    if (!WIFSTOPPED(status)) return status;
    ptrace(PTRACE_CONT, child, nullptr,
           reinterpret_cast<void*>(static_cast<long>(WSTOPSIG(status))));
  }
}

void failToLoadInDebugMode() {
  projectSettings().debugMode = 1;
  void* pointer = nullptr;
  findLibraryFunction("LibNoSuch.SO", "f", pointer);
  debugOutput("hello");
}

TEST_F(LibraryFunctionsTest, DebugOutputReachesATracerOnly) {
  const struct {
    bool traced;
    const char* expected;
  } cases[] = {{true, "TXFailed to load: libnosuch.so\nTXhello\n"}, {false, ""}};
  for (const auto& c : cases) {
    const std::string err = path(c.traced ? "traced.err" : "plain.err");
    const int status = runChild(c.traced, err, failToLoadInDebugMode);
    if (c.traced && WIFEXITED(status) && WEXITSTATUS(status) == 91) {
      GTEST_SKIP() << "this system refuses tracing";
    }
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(readFile(err), c.expected) << (c.traced ? "traced" : "untraced");
  }
}

}  // namespace
}  // namespace korvane
