#include "tests/lib/http_servers.h"

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "tests/support/child_program.h"
#include "tests/support/files.h"

namespace korvane::testing {

namespace {

constexpr int kServerLifeSeconds = 300;

std::filesystem::path uniqueFolder(const std::string& name) {
  return std::filesystem::temp_directory_path() /
         (name + "-" + std::to_string(std::random_device{}()));
}

}  // namespace

LoopbackServer::LoopbackServer(const std::string& command) : dir_(uniqueFolder("http-server")) {
  std::filesystem::create_directories(dir_);
  const std::string d = dir_.string();
  // `timeout` bounds the server's life even if this process never gets to end it.
  const std::string line = "timeout " + std::to_string(kServerLifeSeconds) + " " + command + " >'" +
                           d + "/out' 2>&1 </dev/null & echo $! >'" + d + "/pid'";
  std::system(line.c_str());
  pid_ = readFile(dir_ / "pid");
  while (!pid_.empty() && (pid_.back() == '\n' || pid_.back() == '\r')) pid_.pop_back();
  waitUntil([&] { return port() != 0; }, 20);
}

LoopbackServer::~LoopbackServer() {
  if (!pid_.empty()) std::system(("kill " + pid_ + " 2>/dev/null").c_str());
  std::filesystem::remove_all(dir_);
}

int LoopbackServer::number(const std::string& key) const {
  const std::string out = readFile(dir_ / "out");
  // The first line holding `key` and then, before the line ends, a number.
  for (size_t at = out.find(key); at != std::string::npos; at = out.find(key, at + 1)) {
    size_t digit = at + key.size();
    while (digit < out.size() && out[digit] != '\n' && (out[digit] < '0' || out[digit] > '9')) {
      ++digit;
    }
    if (digit < out.size() && out[digit] >= '0' && out[digit] <= '9') {
      return std::atoi(out.c_str() + digit);
    }
  }
  return 0;
}

std::string rawServerCommand() {
  return std::string("python3 -u '") + KORVANE_HTTP_RAW_SERVER + "'";
}

std::string fileServerCommand(const std::filesystem::path& root) {
  return "python3 -u -m http.server 0 --bind 127.0.0.1 --directory '" + root.string() + "'";
}

ScratchDir::ScratchDir(const std::string& name) : path_(uniqueFolder(name)) {
  std::filesystem::create_directories(path_);
}

ScratchDir::~ScratchDir() { std::filesystem::remove_all(path_); }

std::string ScratchDir::listing() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  std::string out;
  for (const auto& name : names) out += (out.empty() ? "" : " ") + name;
  return out;
}

}  // namespace korvane::testing
