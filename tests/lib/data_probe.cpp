// A program on the runtime that changes a data file and an INI document, then leaves by the way
// its second argument names, so the tests see that every way out writes both back.
//   data_probe FOLDER frames|error|return|end-and-run
// It prints "window ID", "pid PID" and "ready" once both documents are changed; "frames" then
// presents frames until something outside ends it.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "runtime/core/frame_loop.h"
#include "runtime/core/program_end.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/startup.h"
#include "runtime/core/stop/error_stop.h"
#include "runtime/lib/data_file_cache.h"
#include "runtime/lib/ini_document.h"
#include "runtime/platform/window.h"

namespace {

void mainProgram(const std::string& folder, const std::string& way) {
  using namespace korvane;
  const std::string data = folder + "/data.txt";
  writeDataLine(RtString(std::string_view(data)), 1, RtString(std::string_view(way)));
  openIni(RtString(std::string_view(folder + "/prefs.ini")));
  writeIniValue("End", "way", RtString(std::string_view(way)));
  std::printf("window 0x%llx\n",
              static_cast<unsigned long long>(platform::nativeWindowId(mainWindow())));
  std::printf("pid %d\n", static_cast<int>(getpid()));
  std::printf("ready\n");
  std::fflush(stdout);
  if (way == "error") stopWithError(kIndexOutOfRange);
  if (way == "end-and-run") endAndRun("true");
  if (way == "return") return;
  for (;;) presentFrame();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace korvane;
  if (argc != 3) return 2;
  if (startRuntime(nullptr, nullptr, "", kShowDefault, "Ondrel") != 0) endAfterDisplayFailure();
  runtimeError() = RuntimeError{};
  mainProgram(argv[1], argv[2]);
  endProgram();
}
