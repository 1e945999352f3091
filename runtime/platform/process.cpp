// Process services over POSIX and /proc.
#include "runtime/platform/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace korvane::platform {

void exitProcess(int exitCode) {
  std::fflush(nullptr);
  std::exit(exitCode);
}

std::string executablePath() {
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  return std::string(buffer, static_cast<size_t>(n));
}

std::string temporaryDirectory() {
  const char* env = std::getenv("TMPDIR");
  if (env != nullptr && env[0] != '\0') {
    std::string dir(env);
    if (dir.back() != '/') dir += '/';
    return dir;
  }
  std::string dir = "/tmp/korvane-" + std::to_string(getuid());
  mkdir(dir.c_str(), 0700);  // fails harmlessly when it exists
  struct stat st;
  // A directory someone else planted must not receive our files.
  if (lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid()) {
    return dir + "/";
  }
  return "/tmp/";
}

long long minorPageFaults() {
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
  return usage.ru_minflt;
}

bool debuggerAttached() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("TracerPid:", 0) == 0) {
      return std::atoi(line.c_str() + 10) != 0;
    }
  }
  return false;
}

void debugOutput(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

bool setCurrentDirectory(const std::string& path) { return chdir(path.c_str()) == 0; }

std::string currentDirectory() {
  char buffer[4096];
  if (getcwd(buffer, sizeof buffer) == nullptr) return {};
  return buffer;
}

bool startDetached(const std::string& command) {
  // Output already buffered must not appear twice or after the child's.
  std::fflush(nullptr);
  pid_t child = 0;
  const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
  // Every descriptor the runtime opens is close-on-exec, so only the standard streams pass.
  return posix_spawn(&child, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv),
                     environ) == 0;
}

}  // namespace korvane::platform
