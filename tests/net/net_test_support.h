// What the network suites share: a raw UDP peer on 127.0.0.1 (the handshake by hand, datagrams
// built byte by byte), free ports, and a second session in a child process driven line by line.
// Every wait is bounded in time.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace korvane::testing {

using Bytes = std::vector<uint8_t>;

inline double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A plain UDP socket on 127.0.0.1 with a port of its own.
class RawUdp {
 public:
  RawUdp() {
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in local = address(0);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local);
    socklen_t length = sizeof local;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length);
    port_ = ntohs(local.sin_port);
  }
  ~RawUdp() {
    if (fd_ >= 0) ::close(fd_);
  }
  RawUdp(const RawUdp&) = delete;
  RawUdp& operator=(const RawUdp&) = delete;

  static sockaddr_in address(uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    return a;
  }

  uint16_t port() const { return port_; }
  int fd() const { return fd_; }

  bool sendTo(uint16_t port, const void* data, size_t size) {
    const sockaddr_in to = address(port);
    return ::sendto(fd_, data, size, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&to),
                    sizeof to) == static_cast<ssize_t>(size);
  }
  bool sendTo(uint16_t port, const Bytes& data) { return sendTo(port, data.data(), data.size()); }

  // One datagram within `ms`; false on time-out. `fromPort` is its sender's port.
  bool receive(Bytes& data, uint16_t& fromPort, int ms) {
    pollfd entry{fd_, POLLIN, 0};
    if (::poll(&entry, 1, ms) <= 0) return false;
    uint8_t buffer[2048];
    sockaddr_in from{};
    socklen_t length = sizeof from;
    const ssize_t n = ::recvfrom(fd_, buffer, sizeof buffer, MSG_DONTWAIT,
                                 reinterpret_cast<sockaddr*>(&from), &length);
    if (n < 0) return false;
    data.assign(buffer, buffer + n);
    fromPort = ntohs(from.sin_port);
    return true;
  }

  // The client's side of the handshake with a listening session port; the server's new port,
  // or 0 when it did not answer within `ms`. `reply` receives the reply's bytes.
  uint16_t handshake(uint16_t serverPort, int ms, Bytes* reply = nullptr) {
    static const char request[] = "HawkNL request connection.";
    if (!sendTo(serverPort, request, sizeof request)) return 0;
    Bytes data;
    uint16_t from = 0;
    const auto start = std::chrono::steady_clock::now();
    while (secondsSince(start) * 1000 < ms) {
      if (!receive(data, from, 50)) continue;
      if (from != serverPort || data.size() != 24) continue;
      if (reply != nullptr) *reply = data;
      return static_cast<uint16_t>((data[0] << 8) | data[1]);
    }
    return 0;
  }

 private:
  int fd_ = -1;
  uint16_t port_ = 0;
};

// A UDP port nobody uses right now.
inline uint16_t freeUdpPort() {
  RawUdp probe;
  return probe.port();
}

inline void putInt32(Bytes& bytes, size_t at, int32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
}

// A datagram with the magic, `type`, the payload's length, `to` and `from`.
inline Bytes datagram(uint8_t type, int32_t to, int32_t from, const Bytes& payload = {}) {
  Bytes bytes(17 + payload.size());
  std::memcpy(bytes.data(), "KRVN", 4);
  bytes[4] = type;
  putInt32(bytes, 5, static_cast<int32_t>(payload.size()));
  putInt32(bytes, 9, to);
  putInt32(bytes, 13, from);
  std::copy(payload.begin(), payload.end(), bytes.begin() + 17);
  return bytes;
}

inline int32_t int32At(const Bytes& bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(bytes[at + i]) << (8 * i);
  return static_cast<int32_t>(v);
}

inline Bytes int32Payload(int32_t value) {
  Bytes bytes(4);
  putInt32(bytes, 0, value);
  return bytes;
}

inline Bytes joinRequestPayload(const std::string& name, uint8_t hidden = 0) {
  Bytes payload(152, 0);
  putInt32(payload, 0, -1);
  putInt32(payload, 4, -1);
  payload[8] = hidden;
  std::memcpy(payload.data() + 10, name.data(), std::min<size_t>(name.size(), 129));
  return payload;
}

// A session in a child process (tests/net/net_peer) fed commands one line at a time.
class PeerProcess {
 public:
  explicit PeerProcess(const std::string& program) {
    out_ = std::filesystem::temp_directory_path() /
           ("net-peer-" + std::to_string(getpid()) + "-" + std::to_string(counter()++));
    std::filesystem::remove(out_);
    const std::string command = "exec '" + program + "' >'" + out_.string() + "' 2>&1";
    pipe_ = popen(command.c_str(), "w");
    const std::string line = waitForLine("pid ", 10);
    pid_ = line.empty() ? -1 : std::atoi(line.c_str() + 4);
  }
  ~PeerProcess() {
    if (pipe_ != nullptr) {
      if (!killed_) std::fputs("quit\n", pipe_);
      pclose(pipe_);
    }
    std::filesystem::remove(out_);
  }
  PeerProcess(const PeerProcess&) = delete;
  PeerProcess& operator=(const PeerProcess&) = delete;

  bool started() const { return pid_ > 0; }

  // Sends one command and waits up to `seconds` for its answer; "(no answer)" on time-out.
  std::string run(const std::string& command, double seconds = 15) {
    if (pipe_ == nullptr) return "(no peer)";
    std::fprintf(pipe_, "%s\n", command.c_str());
    std::fflush(pipe_);
    const std::string prefix = std::to_string(++commands_) + ": ";
    const std::string line = waitForLine(prefix, seconds);
    return line.empty() ? "(no answer)" : line.substr(prefix.size());
  }

  void kill() {
    if (pid_ > 0) ::kill(pid_, SIGKILL);
    killed_ = true;
  }

  // Waits for the peer's last line after "quit".
  bool quit(double seconds = 10) {
    if (pipe_ == nullptr) return false;
    std::fputs("quit\n", pipe_);
    std::fflush(pipe_);
    killed_ = true;
    return !waitForLine("ended", seconds).empty();
  }

 private:
  static int& counter() {
    static int n = 0;
    return n;
  }

  std::string waitForLine(const std::string& prefix, double seconds) {
    const auto start = std::chrono::steady_clock::now();
    while (secondsSince(start) < seconds) {
      std::ifstream in(out_);
      std::string line;
      while (std::getline(in, line)) {
        if (line.rfind(prefix, 0) == 0) return line;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return "";
  }

  FILE* pipe_ = nullptr;
  std::filesystem::path out_;
  int pid_ = -1;
  int commands_ = 0;
  bool killed_ = false;
};

}  // namespace korvane::testing
