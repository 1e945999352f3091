// Loopback servers for the HTTP suites: started in the background, found by the port they print,
// and ended when the object goes (each also ends itself after a few minutes).
#pragma once

#include <filesystem>
#include <string>

namespace korvane::testing {

class LoopbackServer {
 public:
  // Runs `command` through the shell with its output in a folder of its own, and waits up to
  // 20 s for a line holding "port" and a number.
  explicit LoopbackServer(const std::string& command);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  // The number after `key` ("port", say) in the server's output; 0 when it printed none.
  int number(const std::string& key) const;
  int port() const { return number("port"); }
  const std::filesystem::path& dir() const { return dir_; }

 private:
  std::filesystem::path dir_;
  std::string pid_;
};

// The raw-socket server whose request paths pick a reply (tests/lib/http_raw_server.py).
std::string rawServerCommand();

// python3 -m http.server on 127.0.0.1 at a port of its choosing, serving `root`.
std::string fileServerCommand(const std::filesystem::path& root);

// A new empty folder for one test's files, removed with the object.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& name);
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  // The names of what the folder holds, sorted, joined by " ".
  std::string listing() const;

 private:
  std::filesystem::path path_;
};

}  // namespace korvane::testing
