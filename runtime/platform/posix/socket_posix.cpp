// IPv4 sockets over the BSD socket calls.
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "runtime/platform/socket.h"

namespace korvane::platform {

namespace {

SocketResult resultOf(int error) {
  switch (error) {
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
      return SocketResult::kWouldBlock;
    case EINPROGRESS:
    case EALREADY:
      return SocketResult::kInProgress;
    case ECONNRESET:
    case EPIPE:
      return SocketResult::kClosed;
    case ECONNREFUSED:
      return SocketResult::kRefused;
    case ENETUNREACH:
    case EHOSTUNREACH:
      return SocketResult::kUnreachable;
    case ETIMEDOUT:
      return SocketResult::kTimedOut;
    case EADDRINUSE:
      return SocketResult::kAddressInUse;
    case EMSGSIZE:
      return SocketResult::kTooLong;
    case EAFNOSUPPORT:
    case EPROTONOSUPPORT:
    case EADDRNOTAVAIL:
    case ENETDOWN:
      return SocketResult::kNoNetwork;
    case EBADF:
    case ENOTSOCK:
    case EINVAL:
    case ENOTCONN:
    case EISCONN:
    case EDESTADDRREQ:
    case EOPNOTSUPP:
    case EFAULT:
      return SocketResult::kInvalid;
    default:
      return SocketResult::kFailed;
  }
}

SocketResult lastResult() { return resultOf(errno); }

sockaddr_in toSystem(const SocketAddress& address) {
  sockaddr_in out{};
  out.sin_family = AF_INET;
  out.sin_addr.s_addr = htonl(address.host);
  out.sin_port = htons(address.port);
  return out;
}

SocketAddress fromSystem(const sockaddr_in& address) {
  return SocketAddress{ntohl(address.sin_addr.s_addr), ntohs(address.sin_port)};
}

bool isStream(SocketHandle socket) {
  int type = 0;
  socklen_t length = sizeof type;
  return getsockopt(socket, SOL_SOCKET, SO_TYPE, &type, &length) == 0 && type == SOCK_STREAM;
}

// Runs a socket call again when a signal interrupted it.
template <typename Call>
auto retried(Call call) {
  auto result = call();
  while (result < 0 && errno == EINTR) result = call();
  return result;
}

}  // namespace

SocketResult openSocket(SocketKind kind, const SocketAddress& local, SocketHandle& socket) {
  socket = kNoSocket;
  const int type = kind == SocketKind::kTcp ? SOCK_STREAM : SOCK_DGRAM;
  const int fd = ::socket(AF_INET, type | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    // Running out of descriptors or memory is not the lack of a network.
    const int error = errno;
    if (error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM) {
      return SocketResult::kFailed;
    }
    return SocketResult::kNoNetwork;
  }
  if (kind == SocketKind::kTcp) {
    // A server started again must get its port back while old connections linger in TIME_WAIT.
    // (Not for UDP, where the option would let two sockets share one port.)
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  }
  const sockaddr_in address = toSystem(local);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    const SocketResult result = lastResult();
    close(fd);
    return result;
  }
  socket = fd;
  return SocketResult::kOk;
}

void closeSocket(SocketHandle socket) {
  if (socket != kNoSocket) close(socket);
}

SocketResult setSocketBlocking(SocketHandle socket, bool blocking) {
  const int flags = fcntl(socket, F_GETFL);
  if (flags < 0) return lastResult();
  const int wanted = blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK;
  if (fcntl(socket, F_SETFL, wanted) != 0) return lastResult();
  return SocketResult::kOk;
}

SocketResult localAddress(SocketHandle socket, SocketAddress& address) {
  sockaddr_in bound{};
  socklen_t length = sizeof bound;
  if (getsockname(socket, reinterpret_cast<sockaddr*>(&bound), &length) != 0) return lastResult();
  if (bound.sin_family != AF_INET) return SocketResult::kInvalid;
  address = fromSystem(bound);
  return SocketResult::kOk;
}

SocketResult sendTo(SocketHandle socket, const SocketAddress& to, const void* data, size_t size,
                    size_t& sent) {
  sent = 0;
  const sockaddr_in address = toSystem(to);
  const ssize_t n = retried([&] {
    return ::sendto(socket, data, size, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&address),
                    sizeof address);
  });
  if (n < 0) return lastResult();
  sent = static_cast<size_t>(n);
  return SocketResult::kOk;
}

SocketResult receiveFrom(SocketHandle socket, void* buffer, size_t capacity, size_t& received,
                         SocketAddress& from) {
  received = 0;
  sockaddr_in sender{};
  socklen_t length = sizeof sender;
  const ssize_t n = retried([&] {
    length = sizeof sender;
    return ::recvfrom(socket, buffer, capacity, 0, reinterpret_cast<sockaddr*>(&sender), &length);
  });
  if (n < 0) return lastResult();
  received = static_cast<size_t>(n);
  from = fromSystem(sender);
  return SocketResult::kOk;
}

SocketResult connectSocket(SocketHandle socket, const SocketAddress& peer) {
  const sockaddr_in address = toSystem(peer);
  // Interrupted, a connect goes on in the background; asking again would report EALREADY.
  if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    return SocketResult::kOk;
  }
  return errno == EINTR ? SocketResult::kInProgress : lastResult();
}

SocketResult finishConnect(SocketHandle socket) {
  if (socket < 0) return SocketResult::kInvalid;  // poll would skip it and report "not yet"
  pollfd entry{socket, POLLOUT, 0};
  const int ready = retried([&] { return poll(&entry, 1, 0); });
  if (ready < 0) return lastResult();
  if (entry.revents & POLLNVAL) return SocketResult::kInvalid;
  if (ready == 0) return SocketResult::kInProgress;
  int error = 0;
  socklen_t length = sizeof error;
  if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return lastResult();
  if (error != 0) return resultOf(error);
  // The pending error is handed out once; a socket that is not connected now has none left.
  sockaddr_in peer{};
  socklen_t peerLength = sizeof peer;
  if (getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &peerLength) != 0) {
    return lastResult();
  }
  return SocketResult::kOk;
}

SocketResult sendBytes(SocketHandle socket, const void* data, size_t size, size_t& sent) {
  sent = 0;
  const ssize_t n = retried([&] { return ::send(socket, data, size, MSG_NOSIGNAL); });
  if (n < 0) return lastResult();
  sent = static_cast<size_t>(n);
  return SocketResult::kOk;
}

SocketResult receiveBytes(SocketHandle socket, void* buffer, size_t capacity, size_t& received) {
  received = 0;
  if (capacity == 0) return SocketResult::kInvalid;
  const ssize_t n = retried([&] { return ::recv(socket, buffer, capacity, 0); });
  if (n < 0) return lastResult();
  // Nothing read from a stream is its end; from a datagram socket it is an empty datagram.
  if (n == 0 && isStream(socket)) return SocketResult::kClosed;
  received = static_cast<size_t>(n);
  return SocketResult::kOk;
}

SocketResult listenForConnections(SocketHandle socket, int backlog) {
  if (::listen(socket, backlog) != 0) return lastResult();
  return SocketResult::kOk;
}

SocketResult acceptConnection(SocketHandle listener, SocketHandle& accepted, SocketAddress& peer) {
  accepted = kNoSocket;
  sockaddr_in address{};
  socklen_t length = sizeof address;
  const int fd = retried([&] {
    length = sizeof address;
    return accept4(listener, reinterpret_cast<sockaddr*>(&address), &length,
                   SOCK_NONBLOCK | SOCK_CLOEXEC);
  });
  if (fd < 0) {
    // A connection that was reset while it waited is simply gone: nothing is waiting now.
    if (errno == ECONNABORTED) return SocketResult::kWouldBlock;
    return lastResult();
  }
  accepted = fd;
  peer = fromSystem(address);
  return SocketResult::kOk;
}

}  // namespace korvane::platform
