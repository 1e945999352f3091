// Helpers for tests that start programs and look at their windows through the X server.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/files.h"

namespace korvane::testing {

// Runs a shell command and returns its standard output with the last line end removed.
inline std::string commandOutput(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    pclose(pipe);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

// Polls `condition` every 20 ms for up to `seconds`; true as soon as it holds.
inline bool waitUntil(const std::function<bool()>& condition, double seconds = 10) {
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return condition();
}

inline std::string xDriver(const std::string& arguments) {
  return commandOutput(std::string(KORVANE_X_DRIVER) + " " + arguments);
}

// A program started through the shell with its output read line by line. The shell appends
// "exit N" with the program's exit code, so the code is seen without waiting primitives.
class ChildProgram {
 public:
  explicit ChildProgram(const std::string& command) {
    std::string line = "{ " + command + "; echo \"exit $?\"; } 2>&1";
    pipe_ = popen(line.c_str(), "r");
  }
  ~ChildProgram() {
    if (pipe_ != nullptr) pclose(pipe_);
  }
  ChildProgram(const ChildProgram&) = delete;
  ChildProgram& operator=(const ChildProgram&) = delete;

  // Reads lines until one starts with `prefix` (returned) or the output ends ("" then).
  std::string readUntil(const std::string& prefix) {
    char buffer[1024];
    while (pipe_ != nullptr && std::fgets(buffer, sizeof buffer, pipe_) != nullptr) {
      std::string line(buffer);
      while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
      lines_.push_back(line);
      size_t space = line.find(' ');
      if (space != std::string::npos) values_[line.substr(0, space)] = line.substr(space + 1);
      if (line.rfind(prefix, 0) == 0) return line;
    }
    return "";
  }
  // The exit code the program ended with; -1 when the output ended without one.
  int exitCode() {
    std::string line = readUntil("exit ");
    return line.empty() ? -1 : std::atoi(line.c_str() + 5);
  }
  // The text after "key " in the first line that starts so.
  std::string value(const std::string& key) const {
    auto it = values_.find(key);
    return it != values_.end() ? it->second : "";
  }
  bool sawLine(const std::string& text) const {
    for (const auto& line : lines_) {
      if (line == text) return true;
    }
    return false;
  }
  const std::vector<std::string>& lines() const { return lines_; }

 private:
  FILE* pipe_ = nullptr;
  std::vector<std::string> lines_;
  std::map<std::string, std::string> values_;
};

}  // namespace korvane::testing
