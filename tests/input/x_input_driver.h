// Drives the real window with real X events (XTEST, through xdotool) and waits for the
// runtime to see them.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "runtime/platform/clock.h"
#include "runtime/platform/events.h"
#include "runtime/platform/window.h"
#include "tests/support/child_program.h"

namespace korvane::testing_input {

// Runs xdotool with `arguments`; true when it succeeded.
inline bool xdotool(const std::string& arguments) {
  return std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

// One X driver for the whole test process, fed a command a line: a suite sends hundreds of
// keys, and starting the interpreter for each costs seconds apiece on a loaded machine.
class KeyServer {
 public:
  KeyServer() {
    int toServer[2], fromServer[2];
    if (pipe2(toServer, O_CLOEXEC) != 0) return;
    if (pipe2(fromServer, O_CLOEXEC) != 0) {
      close(toServer[0]);
      close(toServer[1]);
      return;
    }
    const std::string driver = testing::xDriverPath();
    pid_ = fork();
    if (pid_ == 0) {
      dup2(toServer[0], 0);
      dup2(fromServer[1], 1);
      execl(driver.c_str(), driver.c_str(), "serve", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(toServer[0]);
    close(fromServer[1]);
    if (pid_ < 0) {
      close(toServer[1]);
      close(fromServer[0]);
      return;
    }
    to_ = fdopen(toServer[1], "w");
    from_ = fdopen(fromServer[0], "r");
  }
  ~KeyServer() {
    if (to_ != nullptr) std::fclose(to_);  // the server ends at the end of its input
    if (from_ != nullptr) std::fclose(from_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
  }
  KeyServer(const KeyServer&) = delete;
  KeyServer& operator=(const KeyServer&) = delete;

  // True once the server has sent the command's events to the X server.
  bool run(const std::string& command) {
    if (to_ == nullptr || from_ == nullptr) return false;
    if (std::fprintf(to_, "%s\n", command.c_str()) < 0 || std::fflush(to_) != 0) return false;
    char reply[16];
    return std::fgets(reply, sizeof reply, from_) != nullptr && std::string(reply) == "ok\n";
  }

 private:
  pid_t pid_ = -1;
  std::FILE* to_ = nullptr;
  std::FILE* from_ = nullptr;
};

// Presses (`down`) or releases keys by keysym name, space-separated. Sent as plain XTEST key
// events: xdotool adds the left modifier to a right one on its own.
inline bool keys(bool down, const std::string& names) {
  static KeyServer server;
  return server.run((down ? "keys down " : "keys up ") + names);
}
inline bool keyDown(const std::string& names) { return keys(true, names); }
inline bool keyUp(const std::string& names) { return keys(false, names); }

// Dispatches events and checks `done` until it holds or `timeoutMs` passed.
inline bool waitFor(const std::function<bool()>& done, double timeoutMs = 3000) {
  const double start = platform::monotonicMilliseconds();
  while (platform::monotonicMilliseconds() - start < timeoutMs) {
    platform::pumpEvents();
    if (done()) return true;
    platform::sleepMilliseconds(5);
  }
  return done();
}

// Keeps dispatching for `ms` (state is read once per frame, so presses are held this long).
inline void holdFor(double ms) {
  waitFor([] { return false; }, ms);
}

// There is no window manager on the test display: the window is shown and focused by hand.
inline bool focusWindow(platform::Window* window) {
  platform::showWindow(window);
  const std::string id = std::to_string(platform::nativeWindowId(window));
  if (!xdotool("windowfocus --sync " + id)) return false;
  return waitFor([&] { return platform::windowHasFocus(window); });
}

inline std::string windowArgument(platform::Window* window) {
  return "--window " + std::to_string(platform::nativeWindowId(window));
}

}  // namespace korvane::testing_input
