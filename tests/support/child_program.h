// Starting programs from a test and waiting for what they do, with a time limit everywhere.
#pragma once

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace korvane::testing {

// Runs a shell command and returns its standard output with the last line end removed.
std::string commandOutput(const std::string& command);

// Polls `condition` every 20 ms for up to `seconds`; true as soon as it holds.
bool waitUntil(const std::function<bool()>& condition, double seconds = 10);

// The X driver script, for a command line, and one run of it with `arguments` returning what
// it printed.
std::string xDriverPath();
std::string xDriver(const std::string& arguments);

// A program started through the shell with its output read line by line. The shell appends
// "exit N" with the program's exit code, so the code is seen without waiting primitives.
class ChildProgram {
 public:
  explicit ChildProgram(const std::string& command);
  ~ChildProgram();
  ChildProgram(const ChildProgram&) = delete;
  ChildProgram& operator=(const ChildProgram&) = delete;

  // Reads lines until one starts with `prefix` (returned) or the output ends ("" then).
  std::string readUntil(const std::string& prefix);
  // The exit code the program ended with; -1 when the output ended without one.
  int exitCode();
  // The text after "key " in the first line that starts so.
  std::string value(const std::string& key) const;
  bool sawLine(const std::string& text) const;
  const std::vector<std::string>& lines() const { return lines_; }

 private:
  FILE* pipe_ = nullptr;
  std::vector<std::string> lines_;
  std::map<std::string, std::string> values_;
};

// A program running in the background with a folder of its own, which is its TMPDIR and holds
// its output. The shell records the pid and, once the program has ended, its exit code, so a
// test can wait for the end with a time limit while it drives the program.
class BackgroundProgram {
 public:
  // The folder is unique to this run, so runs of a suite side by side (two build trees, say)
  // never share one.
  BackgroundProgram(const std::string& program, const std::string& name);
  // Kills the program if it still runs and removes the folder.
  ~BackgroundProgram();
  BackgroundProgram(const BackgroundProgram&) = delete;
  BackgroundProgram& operator=(const BackgroundProgram&) = delete;

  const std::filesystem::path& dir() const { return dir_; }
  const std::string& pid() const { return pid_; }
  bool running() const;
  // The exit code once the program has ended, -1 if it is still running after `seconds`.
  int exitCode(double seconds = 10);
  // Standard output and error so far.
  std::string output() const;

 private:
  std::filesystem::path dir_;
  std::string pid_;
};

}  // namespace korvane::testing
