#include "tests/support/child_program.h"

#include <chrono>
#include <cstdlib>
#include <random>
#include <thread>

#include "tests/support/files.h"

namespace korvane::testing {

namespace {

void dropLineEnds(std::string& text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
}

// For a string put inside double quotes on a shell command line.
std::string escapeForDoubleQuotes(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '"' || c == '$' || c == '\\' || c == '`') out += '\\';
    out += c;
  }
  return out;
}

}  // namespace

std::string commandOutput(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    pclose(pipe);
  }
  dropLineEnds(out);
  return out;
}

bool waitUntil(const std::function<bool()>& condition, double seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return condition();
}

std::string xDriverPath() { return KORVANE_X_DRIVER; }

std::string xDriver(const std::string& arguments) {
  return commandOutput(xDriverPath() + " " + arguments);
}

ChildProgram::ChildProgram(const std::string& command) {
  const std::string line = "{ " + command + "; echo \"exit $?\"; } 2>&1";
  pipe_ = popen(line.c_str(), "r");
}

ChildProgram::~ChildProgram() {
  if (pipe_ != nullptr) pclose(pipe_);
}

std::string ChildProgram::readUntil(const std::string& prefix) {
  char buffer[1024];
  while (pipe_ != nullptr && std::fgets(buffer, sizeof buffer, pipe_) != nullptr) {
    std::string line(buffer);
    dropLineEnds(line);
    lines_.push_back(line);
    const size_t space = line.find(' ');
    if (space != std::string::npos) values_[line.substr(0, space)] = line.substr(space + 1);
    if (line.rfind(prefix, 0) == 0) return line;
  }
  return "";
}

int ChildProgram::exitCode() {
  const std::string line = readUntil("exit ");
  return line.empty() ? -1 : std::atoi(line.c_str() + 5);
}

std::string ChildProgram::value(const std::string& key) const {
  auto it = values_.find(key);
  return it != values_.end() ? it->second : "";
}

bool ChildProgram::sawLine(const std::string& text) const {
  for (const auto& line : lines_) {
    if (line == text) return true;
  }
  return false;
}

BackgroundProgram::BackgroundProgram(const std::string& program, const std::string& name)
    : dir_(std::filesystem::path("/tmp") / (name + "-" + std::to_string(std::random_device{}()))) {
  std::filesystem::remove_all(dir_);
  std::filesystem::create_directories(dir_);
  const std::string d = dir_.string();
  // The exit code is written under another name and then renamed, so a reader never sees
  // it half written.
  const std::string line = "{ TMPDIR='" + d + "/' '" + program + "' >'" + d +
                           "/out' 2>&1 & echo $! >'" + d + "/pid'; wait $!; echo $? >'" + d +
                           "/code.tmp'; mv '" + d + "/code.tmp' '" + d + "/code'; } &";
  std::system(("sh -c \"" + escapeForDoubleQuotes(line) + "\" >/dev/null 2>&1").c_str());
  waitUntil([&] { return std::filesystem::exists(dir_ / "pid"); }, 10);
  pid_ = commandOutput("cat '" + d + "/pid'");
}

BackgroundProgram::~BackgroundProgram() {
  if (!pid_.empty() && running()) std::system(("kill " + pid_ + " 2>/dev/null").c_str());
  waitUntil([&] { return !running(); }, 5);
  std::filesystem::remove_all(dir_);
}

bool BackgroundProgram::running() const { return !std::filesystem::exists(dir_ / "code"); }

int BackgroundProgram::exitCode(double seconds) {
  if (!waitUntil([&] { return !running(); }, seconds)) return -1;
  return std::atoi(readFile(dir_ / "code").c_str());
}

std::string BackgroundProgram::output() const { return readFile(dir_ / "out"); }

}  // namespace korvane::testing
