// TCP client streams over the BSD socket calls: non-blocking descriptors, every wait a poll with
// what is left of its time limit.
#include <arpa/inet.h>
#include <errno.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>

#include "runtime/platform/stream_socket.h"

namespace korvane::platform {

namespace {

int64_t nowMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<int64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

StreamResult resultOf(int error) {
  switch (error) {
    case ECONNRESET:
    case EPIPE:
    case ECONNABORTED:
    case ETIMEDOUT:  // on an established stream: the peer stopped acknowledging
      return StreamResult::kReset;
    case ECONNREFUSED:
      return StreamResult::kRefused;
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENETDOWN:
    case EHOSTDOWN:
    case EADDRNOTAVAIL:
    case EAFNOSUPPORT:
      return StreamResult::kUnreachable;
    default:
      return StreamResult::kFailed;
  }
}

// Waits until `events` holds on the stream or the deadline passes. kOk when ready (an error or
// hang-up counts: the next call reports it), kTimedOut, or the failure of poll itself.
StreamResult waitFor(StreamHandle stream, short events, int64_t deadline) {
  if (stream < 0) return StreamResult::kFailed;
  for (;;) {
    const int64_t left = deadline - nowMs();
    if (left <= 0) return StreamResult::kTimedOut;
    pollfd entry{stream, events, 0};
    const int ready = poll(&entry, 1, left > INT32_MAX ? INT32_MAX : static_cast<int>(left));
    if (ready < 0) {
      if (errno == EINTR) continue;
      return StreamResult::kFailed;
    }
    if (ready == 0) continue;  // the loop head decides whether time is up
    if (entry.revents & POLLNVAL) return StreamResult::kFailed;
    return StreamResult::kOk;
  }
}

int64_t deadlineAfter(int limitMs) { return nowMs() + (limitMs > 0 ? limitMs : 0); }

}  // namespace

StreamResult resolveHostName(const std::string& name, uint32_t& host) {
  host = 0;
  if (name.empty()) return StreamResult::kUnknownHost;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
    return StreamResult::kUnknownHost;
  }
  StreamResult result = StreamResult::kUnknownHost;
  for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_family != AF_INET || entry->ai_addr == nullptr ||
        entry->ai_addrlen < sizeof(sockaddr_in)) {
      continue;
    }
    host = ntohl(reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr);
    result = StreamResult::kOk;
    break;
  }
  freeaddrinfo(found);
  return result;
}

StreamResult connectStream(uint32_t host, uint16_t port, int limitMs, StreamHandle& stream) {
  stream = kNoStream;
  const int64_t deadline = deadlineAfter(limitMs);
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return errno == EAFNOSUPPORT ? StreamResult::kUnreachable : StreamResult::kFailed;
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(host);
  address.sin_port = htons(port);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    // Interrupted, a connect goes on in the background just as one in progress does.
    if (errno != EINPROGRESS && errno != EINTR) {
      const StreamResult result = resultOf(errno);
      close(fd);
      return result;
    }
    const StreamResult waited = waitFor(fd, POLLOUT, deadline);
    int error = 0;
    socklen_t length = sizeof error;
    if (waited == StreamResult::kOk && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
      error = errno;
    }
    if (waited != StreamResult::kOk || error != 0) {
      close(fd);
      if (waited != StreamResult::kOk) return waited;
      return error == ETIMEDOUT ? StreamResult::kTimedOut : resultOf(error);
    }
  }
  stream = fd;
  return StreamResult::kOk;
}

StreamResult sendAll(StreamHandle stream, const void* data, size_t size, int limitMs) {
  const int64_t deadline = deadlineAfter(limitMs);
  const char* bytes = static_cast<const char*>(data);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::send(stream, bytes + done, size - done, MSG_NOSIGNAL);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return resultOf(errno);
    const StreamResult waited = waitFor(stream, POLLOUT, deadline);
    if (waited != StreamResult::kOk) return waited;
  }
  return StreamResult::kOk;
}

StreamResult receiveWithin(StreamHandle stream, void* buffer, size_t capacity, int limitMs,
                           size_t& received) {
  received = 0;
  if (capacity == 0) return StreamResult::kFailed;
  const int64_t deadline = deadlineAfter(limitMs);
  // Tried before any wait: while data flows, a poll per read would double the system calls.
  for (;;) {
    const ssize_t n = ::recv(stream, buffer, capacity, 0);
    if (n > 0) {
      received = static_cast<size_t>(n);
      return StreamResult::kOk;
    }
    if (n == 0) return StreamResult::kEnded;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return resultOf(errno);
    const StreamResult waited = waitFor(stream, POLLIN, deadline);
    if (waited != StreamResult::kOk) return waited;
  }
}

void closeStream(StreamHandle stream) {
  if (stream != kNoStream) close(stream);
}

}  // namespace korvane::platform
