// The network library over BSD sockets: the socket table with generation-stamped handles,
// the UDP connection handshake, groups over poll, address texts, threads and mutexes.
#include <arpa/inet.h>
#include <errno.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "runtime/platform/net_library.h"
#include "runtime/platform/thread.h"

namespace korvane::platform {

namespace {

constexpr int kIndexBits = 10;
static_assert((1 << kIndexBits) == kNlMaxSockets);
constexpr uint32_t kGenerationLimit = 1u << 20;  // handles stay positive 31-bit numbers

struct SocketEntry {
  int fd = -1;
  uint32_t generation = 1;
  bool open = false;     // the handle names this socket
  bool closing = false;  // closed while a call was in it: the last call closes the descriptor
  int users = 0;
  bool reliable = false;
  bool listening = false;
  bool blocking = false;
  // A refusal that nlWrite consumed from the system; the next nlRead reports it.
  bool pendingDisconnect = false;
};

struct Group {
  bool used = false;
  std::vector<NlSocket> members;
};

struct LibraryState {
  Mutex mutex;  // guards everything below
  SocketEntry sockets[kNlMaxSockets];
  Group groups[kNlMaxGroups];
  bool initialised = false;
  bool selected = false;
  bool blockingIo = false;
  bool tcpNoDelay = true;
  uint16_t lastOpenedPort = 0;
};

// Never destroyed: a worker may still be inside a call while the process tears down.
LibraryState& library() {
  static LibraryState* state = new LibraryState;
  return *state;
}

thread_local NlEnum lastError = NL_NO_ERROR;

void joinFinishedThreads();

NlBoolean failBool(NlEnum error) {
  lastError = error;
  return NL_FALSE;
}

int32_t failInt(NlEnum error) {
  lastError = error;
  return NL_INVALID;
}

NlSocket handleOf(int index, uint32_t generation) {
  return static_cast<NlSocket>((generation << kIndexBits) | static_cast<uint32_t>(index));
}

// The entry a handle names, or null; the library mutex must be held.
SocketEntry* entryOf(LibraryState& state, NlSocket socket) {
  if (socket < 0) return nullptr;
  const int index = socket & (kNlMaxSockets - 1);
  const uint32_t generation = static_cast<uint32_t>(socket) >> kIndexBits;
  SocketEntry& entry = state.sockets[index];
  if (!entry.open || entry.generation != generation) return nullptr;
  return &entry;
}

void releaseEntry(SocketEntry& entry) {
  if (--entry.users == 0 && entry.closing) {
    ::close(entry.fd);
    entry.fd = -1;
    entry.closing = false;
  }
}

// One call's hold on a socket: the descriptor stays open until the call is done, even when
// another thread closes the handle meanwhile.
class SocketUse {
 public:
  explicit SocketUse(NlSocket socket) : socket_(socket) {
    LibraryState& state = library();
    ScopedLock lock(state.mutex);
    entry_ = entryOf(state, socket);
    if (entry_ == nullptr) return;
    ++entry_->users;
    fd = entry_->fd;
    reliable = entry_->reliable;
    listening = entry_->listening;
    blocking = entry_->blocking;
  }
  ~SocketUse() {
    if (entry_ == nullptr) return;
    LibraryState& state = library();
    ScopedLock lock(state.mutex);
    releaseEntry(*entry_);
  }
  SocketUse(const SocketUse&) = delete;
  SocketUse& operator=(const SocketUse&) = delete;

  bool valid() const { return entry_ != nullptr; }

  // Changes the entry's flags if the handle still names it.
  template <typename Change>
  void update(Change change) {
    LibraryState& state = library();
    ScopedLock lock(state.mutex);
    if (SocketEntry* entry = entryOf(state, socket_)) change(*entry);
  }

  int fd = -1;
  bool reliable = false;
  bool listening = false;
  bool blocking = false;

 private:
  NlSocket socket_;
  SocketEntry* entry_ = nullptr;
};

sockaddr_in toSystem(uint32_t host, uint16_t port) {
  sockaddr_in out{};
  out.sin_family = AF_INET;
  out.sin_addr.s_addr = htonl(host);
  out.sin_port = htons(port);
  return out;
}

template <typename Call>
auto retried(Call call) {
  auto result = call();
  while (result < 0 && errno == EINTR) result = call();
  return result;
}

bool wouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

// Puts a new descriptor into a free slot; NL_INVALID (descriptor closed) when the table is full.
NlSocket addSocket(int fd, bool reliable, bool blocking) {
  LibraryState& state = library();
  ScopedLock lock(state.mutex);
  for (int i = 0; i < kNlMaxSockets; ++i) {
    SocketEntry& entry = state.sockets[i];
    if (entry.open || entry.closing || entry.users != 0) continue;
    const uint32_t generation = entry.generation;
    entry = SocketEntry{};
    entry.generation = generation;
    entry.fd = fd;
    entry.open = true;
    entry.reliable = reliable;
    entry.blocking = blocking;
    return handleOf(i, generation);
  }
  ::close(fd);
  return failInt(NL_OUT_OF_MEMORY);
}

// Takes the handle out of the table and the groups; the descriptor closes now or when the
// last call in it returns. The library mutex must be held.
void closeEntry(LibraryState& state, SocketEntry& entry, NlSocket socket) {
  entry.open = false;
  entry.generation = entry.generation + 1 < kGenerationLimit ? entry.generation + 1 : 1;
  if (entry.users == 0) {
    ::close(entry.fd);
    entry.fd = -1;
  } else {
    entry.closing = true;
  }
  for (Group& group : state.groups) {
    std::erase(group.members, socket);
  }
}

int openDescriptor(int type, bool blocking, uint16_t port, NlEnum& error) {
  const int flags = SOCK_CLOEXEC | (blocking ? 0 : SOCK_NONBLOCK);
  const int fd = ::socket(AF_INET, type | flags, 0);
  if (fd < 0) {
    error = (errno == EAFNOSUPPORT || errno == EPROTONOSUPPORT) ? NL_NO_NETWORK : NL_SYSTEM_ERROR;
    return -1;
  }
  // No address reuse for either type: a second socket on the port would take the first one's
  // traffic.
  const sockaddr_in local = toSystem(INADDR_ANY, port);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    error = (errno == EADDRINUSE || errno == EACCES) ? NL_INVALID_PORT : NL_SYSTEM_ERROR;
    ::close(fd);
    return -1;
  }
  return fd;
}

uint16_t boundPort(int fd) {
  sockaddr_in bound{};
  socklen_t length = sizeof bound;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) != 0) return 0;
  return ntohs(bound.sin_port);
}

long long nowMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

}  // namespace

NlBoolean nlInit() {
  LibraryState& state = library();
  ScopedLock lock(state.mutex);
  state.initialised = true;
  return NL_TRUE;
}

void nlShutdown() {
  joinFinishedThreads();
  LibraryState& state = library();
  ScopedLock lock(state.mutex);
  for (int i = 0; i < kNlMaxSockets; ++i) {
    SocketEntry& entry = state.sockets[i];
    if (entry.open) closeEntry(state, entry, handleOf(i, entry.generation));
  }
  for (Group& group : state.groups) group = Group{};
  state.initialised = false;
  state.selected = false;
  state.blockingIo = false;
  state.tcpNoDelay = true;
  state.lastOpenedPort = 0;
}

NlBoolean nlSelectNetwork(NlEnum network) {
  LibraryState& state = library();
  ScopedLock lock(state.mutex);
  if (!state.initialised) return failBool(NL_NO_NETWORK);
  if (network != NL_IP) return failBool(NL_INVALID_TYPE);
  state.selected = true;
  return NL_TRUE;
}

NlBoolean nlEnable(NlEnum name) {
  LibraryState& state = library();
  ScopedLock lock(state.mutex);
  if (name == NL_BLOCKING_IO) {
    state.blockingIo = true;
  } else if (name == NL_TCP_NO_DELAY) {
    state.tcpNoDelay = true;
  } else {
    return failBool(NL_INVALID_ENUM);
  }
  return NL_TRUE;
}

NlSocket nlOpen(uint16_t port, NlEnum type) {
  bool blocking = false;
  bool noDelay = true;
  {
    LibraryState& state = library();
    ScopedLock lock(state.mutex);
    if (!state.initialised || !state.selected) return failInt(NL_NO_NETWORK);
    blocking = state.blockingIo;
    noDelay = state.tcpNoDelay;
  }
  if (type != NL_UNRELIABLE && type != NL_RELIABLE) return failInt(NL_INVALID_TYPE);
  const bool reliable = type == NL_RELIABLE;
  NlEnum error = NL_NO_ERROR;
  const int fd = openDescriptor(reliable ? SOCK_STREAM : SOCK_DGRAM, blocking, port, error);
  if (fd < 0) return failInt(error);
  if (reliable && noDelay) {
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  }
  const uint16_t actualPort = boundPort(fd);
  const NlSocket socket = addSocket(fd, reliable, blocking);
  if (socket != NL_INVALID) {
    LibraryState& state = library();
    ScopedLock lock(state.mutex);
    state.lastOpenedPort = actualPort;
  }
  return socket;
}

NlBoolean nlListen(NlSocket socket) {
  SocketUse use(socket);
  if (!use.valid()) return failBool(NL_INVALID_SOCKET);
  if (use.reliable && ::listen(use.fd, SOMAXCONN) != 0) return failBool(NL_SYSTEM_ERROR);
  use.update([](SocketEntry& entry) { entry.listening = true; });
  return NL_TRUE;
}

NlSocket nlAcceptConnection(NlSocket socket) {
  SocketUse use(socket);
  if (!use.valid()) return failInt(NL_INVALID_SOCKET);
  if (!use.listening) return failInt(NL_NOT_LISTEN);
  bool noDelay = true;
  {
    LibraryState& state = library();
    ScopedLock lock(state.mutex);
    noDelay = state.tcpNoDelay;
  }
  const int flags = SOCK_CLOEXEC | (use.blocking ? 0 : SOCK_NONBLOCK);
  if (use.reliable) {
    const int fd = retried([&] { return accept4(use.fd, nullptr, nullptr, flags); });
    if (fd < 0) {
      return failInt(wouldBlock(errno) || errno == ECONNABORTED ? NL_NO_PENDING : NL_SYSTEM_ERROR);
    }
    if (noDelay) {
      const int on = 1;
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    return addSocket(fd, true, use.blocking);
  }

  unsigned char request[64];
  sockaddr_in client{};
  socklen_t length = sizeof client;
  const ssize_t n = retried([&] {
    length = sizeof client;
    return ::recvfrom(use.fd, request, sizeof request, use.blocking ? 0 : MSG_DONTWAIT,
                      reinterpret_cast<sockaddr*>(&client), &length);
  });
  if (n < 0) {
    // An unconnected port hears no refusals, but a stray one is no reason to stop listening.
    const bool nothing = wouldBlock(errno) || errno == ECONNREFUSED;
    return failInt(nothing ? NL_NO_PENDING : NL_SYSTEM_ERROR);
  }
  if (static_cast<size_t>(n) != kNlConnectRequestSize ||
      std::memcmp(request, kNlConnectRequest, kNlConnectRequestSize) != 0 ||
      client.sin_family != AF_INET) {
    return failInt(NL_NO_PENDING);
  }
  NlEnum error = NL_NO_ERROR;
  const int fd = openDescriptor(SOCK_DGRAM, use.blocking, 0, error);
  if (fd < 0) return failInt(NL_SYSTEM_ERROR);
  const uint16_t newPort = boundPort(fd);
  unsigned char reply[kNlConnectReplySize];
  reply[0] = static_cast<unsigned char>(newPort >> 8);
  reply[1] = static_cast<unsigned char>(newPort & 0xff);
  std::memcpy(reply + 2, kNlConnectReply, sizeof kNlConnectReply);
  const ssize_t sent = retried([&] {
    return ::sendto(use.fd, reply, sizeof reply, MSG_NOSIGNAL | MSG_DONTWAIT,
                    reinterpret_cast<const sockaddr*>(&client), sizeof client);
  });
  if (sent != static_cast<ssize_t>(sizeof reply) ||
      ::connect(fd, reinterpret_cast<const sockaddr*>(&client), sizeof client) != 0) {
    ::close(fd);
    return failInt(NL_NO_PENDING);
  }
  // The empty datagram tells the client's system where the new port is; its loss is harmless.
  retried([&] { return ::send(fd, reply, 0, MSG_NOSIGNAL | MSG_DONTWAIT); });
  return addSocket(fd, false, use.blocking);
}

NlBoolean nlConnect(NlSocket socket, const NlAddress* address) {
  if (address == nullptr) return failBool(NL_NULL_POINTER);
  if (!address->valid) return failBool(NL_BAD_ADDR);
  SocketUse use(socket);
  if (!use.valid()) return failBool(NL_INVALID_SOCKET);
  const sockaddr_in server = toSystem(address->host, address->port);
  if (use.reliable) {
    const int result = ::connect(use.fd, reinterpret_cast<const sockaddr*>(&server), sizeof server);
    if (result != 0 && errno != EINPROGRESS && errno != EINTR) {
      return failBool(errno == ECONNREFUSED ? NL_CON_REFUSED : NL_SYSTEM_ERROR);
    }
    return NL_TRUE;
  }

  const ssize_t sent = retried([&] {
    return ::sendto(use.fd, kNlConnectRequest, kNlConnectRequestSize, MSG_NOSIGNAL,
                    reinterpret_cast<const sockaddr*>(&server), sizeof server);
  });
  if (sent != static_cast<ssize_t>(kNlConnectRequestSize)) return failBool(NL_SYSTEM_ERROR);
  const long long deadline = nowMs() + kNlConnectWaitMs;
  uint16_t newPort = 0;
  bool answered = false;
  while (!answered) {
    const long long left = deadline - nowMs();
    if (left <= 0) return failBool(NL_TIMED_OUT);
    pollfd entry{use.fd, POLLIN, 0};
    if (retried([&] { return ::poll(&entry, 1, static_cast<int>(left)); }) <= 0) continue;
    unsigned char reply[64];
    sockaddr_in from{};
    socklen_t length = sizeof from;
    const ssize_t n = retried([&] {
      length = sizeof from;
      return ::recvfrom(use.fd, reply, sizeof reply, MSG_DONTWAIT,
                        reinterpret_cast<sockaddr*>(&from), &length);
    });
    if (n < static_cast<ssize_t>(kNlConnectReplySize)) continue;
    if (from.sin_addr.s_addr != server.sin_addr.s_addr || from.sin_port != server.sin_port) {
      continue;
    }
    if (std::memcmp(reply + 2, kNlConnectReply, sizeof kNlConnectReply) != 0) continue;
    newPort = static_cast<uint16_t>((reply[0] << 8) | reply[1]);
    answered = true;
  }
  const sockaddr_in peer = toSystem(address->host, newPort);
  if (::connect(use.fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
    return failBool(NL_SYSTEM_ERROR);
  }
  unsigned char none = 0;
  retried([&] { return ::send(use.fd, &none, 0, MSG_NOSIGNAL | MSG_DONTWAIT); });
  return NL_TRUE;
}

NlBoolean nlClose(NlSocket socket) {
  LibraryState& state = library();
  ScopedLock lock(state.mutex);
  SocketEntry* entry = entryOf(state, socket);
  if (entry == nullptr) return failBool(NL_INVALID_SOCKET);
  closeEntry(state, *entry, socket);
  return NL_TRUE;
}

int32_t nlRead(NlSocket socket, void* buffer, int32_t size) {
  if (buffer == nullptr) return failInt(NL_NULL_POINTER);
  if (size < 0) return failInt(NL_BUFFER_SIZE);
  SocketUse use(socket);
  if (!use.valid()) return failInt(NL_INVALID_SOCKET);
  const int wait = use.blocking ? 0 : MSG_DONTWAIT;
  if (use.reliable) {
    if (size == 0) return 0;
    const ssize_t n = retried([&] { return ::recv(use.fd, buffer, size, wait); });
    if (n > 0) return static_cast<int32_t>(n);
    if (n == 0) return failInt(NL_MESSAGE_END);
    if (wouldBlock(errno)) return 0;
    return failInt(errno == ECONNRESET || errno == EPIPE ? NL_SOCK_DISCONNECT : NL_SYSTEM_ERROR);
  }
  bool refused = false;
  use.update([&](SocketEntry& entry) {
    refused = entry.pendingDisconnect;
    entry.pendingDisconnect = false;
  });
  if (refused) return failInt(NL_SOCK_DISCONNECT);
  // MSG_TRUNC gives the datagram's real length, so a cut one is told apart from a whole one.
  const ssize_t n = retried([&] { return ::recv(use.fd, buffer, size, wait | MSG_TRUNC); });
  if (n < 0) {
    if (wouldBlock(errno)) return 0;
    return failInt(errno == ECONNREFUSED ? NL_SOCK_DISCONNECT : NL_SYSTEM_ERROR);
  }
  if (n > size) return failInt(NL_BUFFER_SIZE);
  return static_cast<int32_t>(n);
}

int32_t nlWrite(NlSocket socket, const void* buffer, int32_t size) {
  if (buffer == nullptr) return failInt(NL_NULL_POINTER);
  if (size < 0) return failInt(NL_BUFFER_SIZE);
  SocketUse use(socket);
  if (!use.valid()) return failInt(NL_INVALID_SOCKET);
  if (!use.reliable && size > kNlMaxPacketLength) return failInt(NL_PACKET_SIZE);
  const int wait = use.blocking ? 0 : MSG_DONTWAIT;
  const ssize_t n = retried([&] { return ::send(use.fd, buffer, size, MSG_NOSIGNAL | wait); });
  if (n < 0) {
    const int error = errno;
    if (error == ECONNREFUSED) {
      if (!use.reliable) use.update([](SocketEntry& entry) { entry.pendingDisconnect = true; });
      return failInt(NL_SOCK_DISCONNECT);
    }
    if (error == ECONNRESET || error == EPIPE) return failInt(NL_SOCK_DISCONNECT);
    return failInt(NL_SYSTEM_ERROR);
  }
  if (n == 0 && size > 0) return failInt(NL_SYSTEM_ERROR);
  return static_cast<int32_t>(n);
}

NlBoolean nlGetLocalAddr(NlSocket socket, NlAddress* address) {
  if (address == nullptr) return failBool(NL_NULL_POINTER);
  SocketUse use(socket);
  if (!use.valid()) return failBool(NL_INVALID_SOCKET);
  sockaddr_in bound{};
  socklen_t length = sizeof bound;
  if (getsockname(use.fd, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
    return failBool(NL_SYSTEM_ERROR);
  }
  const uint32_t host = ntohl(bound.sin_addr.s_addr);
  address->host = host == INADDR_ANY ? INADDR_LOOPBACK : host;
  address->port = ntohs(bound.sin_port);
  address->valid = true;
  return NL_TRUE;
}

const NlAddress* nlGetAllLocalAddr(int32_t* count) {
  if (count == nullptr) {
    lastError = NL_NULL_POINTER;
    return nullptr;
  }
  *count = 0;
  thread_local std::vector<NlAddress> addresses;
  addresses.clear();
  uint16_t port = 0;
  {
    LibraryState& state = library();
    ScopedLock lock(state.mutex);
    port = state.lastOpenedPort;
  }
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) {
    lastError = NL_SYSTEM_ERROR;
    return nullptr;
  }
  for (ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
    if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET) continue;
    if ((i->ifa_flags & IFF_UP) == 0) continue;
    const auto* ip = reinterpret_cast<const sockaddr_in*>(i->ifa_addr);
    addresses.push_back(NlAddress{ntohl(ip->sin_addr.s_addr), port, true});
  }
  freeifaddrs(list);
  *count = static_cast<int32_t>(addresses.size());
  return addresses.data();
}

char* nlAddrToString(const NlAddress* address, char* text) {
  if (text == nullptr) {
    lastError = NL_NULL_POINTER;
    return nullptr;
  }
  const uint32_t host = address != nullptr && address->valid ? address->host : 0;
  const unsigned port = address != nullptr && address->valid ? address->port : 0;
  std::snprintf(text, kNlAddressTextCapacity, "%u.%u.%u.%u:%u", (host >> 24) & 0xff,
                (host >> 16) & 0xff, (host >> 8) & 0xff, host & 0xff, port);
  return text;
}

NlBoolean nlGetAddrFromName(const char* name, NlAddress* address) {
  if (name == nullptr || address == nullptr) return failBool(NL_NULL_POINTER);
  *address = NlAddress{};
  std::string host(name);
  uint16_t port = 0;
  if (const size_t colon = host.rfind(':'); colon != std::string::npos) {
    const std::string digits = host.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
        std::atoi(digits.c_str()) > 65535) {
      return failBool(NL_BAD_ADDR);
    }
    port = static_cast<uint16_t>(std::atoi(digits.c_str()));
    host.resize(colon);
  }
  if (host.empty()) return failBool(NL_BAD_ADDR);
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
    return failBool(NL_BAD_ADDR);
  }
  const auto* ip = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  address->host = ntohl(ip->sin_addr.s_addr);
  address->port = port;
  address->valid = true;
  freeaddrinfo(found);
  return NL_TRUE;
}

NlBoolean nlSetAddrPort(NlAddress* address, uint16_t port) {
  if (address == nullptr) return failBool(NL_NULL_POINTER);
  address->port = port;
  return NL_TRUE;
}

int32_t nlGroupCreate() {
  LibraryState& state = library();
  ScopedLock lock(state.mutex);
  for (int i = 0; i < kNlMaxGroups; ++i) {
    if (!state.groups[i].used) {
      state.groups[i] = Group{};
      state.groups[i].used = true;
      return i;
    }
  }
  return failInt(NL_OUT_OF_GROUPS);
}

NlBoolean nlGroupAddSocket(int32_t group, NlSocket socket) {
  LibraryState& state = library();
  ScopedLock lock(state.mutex);
  if (group < 0 || group >= kNlMaxGroups || !state.groups[group].used) {
    return failBool(NL_INVALID_GROUP);
  }
  if (entryOf(state, socket) == nullptr) return failBool(NL_INVALID_SOCKET);
  std::vector<NlSocket>& members = state.groups[group].members;
  if (std::find(members.begin(), members.end(), socket) != members.end()) return NL_TRUE;
  if (static_cast<int>(members.size()) >= kNlMaxGroupSockets) {
    return failBool(NL_OUT_OF_GROUP_SOCKETS);
  }
  members.push_back(socket);
  return NL_TRUE;
}

NlBoolean nlGroupDeleteSocket(int32_t group, NlSocket socket) {
  LibraryState& state = library();
  ScopedLock lock(state.mutex);
  if (group < 0 || group >= kNlMaxGroups || !state.groups[group].used) {
    return failBool(NL_INVALID_GROUP);
  }
  if (std::erase(state.groups[group].members, socket) == 0) return failBool(NL_SOCKET_NOT_FOUND);
  return NL_TRUE;
}

int32_t nlPollGroup(int32_t group, NlEnum name, NlSocket* sockets, int32_t number,
                    int32_t timeoutMs) {
  if (sockets == nullptr) return failInt(NL_NULL_POINTER);
  if (name != NL_READ_STATUS && name != NL_WRITE_STATUS && name != NL_ERROR_STATUS) {
    return failInt(NL_INVALID_ENUM);
  }
  LibraryState& state = library();
  std::vector<NlSocket> members;
  std::vector<pollfd> entries;
  std::vector<SocketEntry*> held;
  bool pendingReady = false;
  {
    ScopedLock lock(state.mutex);
    if (group < 0 || group >= kNlMaxGroups || !state.groups[group].used) {
      return failInt(NL_INVALID_GROUP);
    }
    for (NlSocket member : state.groups[group].members) {
      SocketEntry* entry = entryOf(state, member);
      if (entry == nullptr) continue;
      ++entry->users;
      held.push_back(entry);
      members.push_back(member);
      const short events = name == NL_WRITE_STATUS ? POLLOUT : name == NL_READ_STATUS ? POLLIN : 0;
      entries.push_back(pollfd{entry->fd, events, 0});
      if (entry->pendingDisconnect && name != NL_WRITE_STATUS) {
        // Already known to the library: the system will not tell it again.
        entries.back().revents = POLLERR;
        pendingReady = true;
      }
    }
  }
  std::vector<short> known(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) known[i] = entries[i].revents;
  int ready = 0;
  if (!entries.empty()) {
    ready = retried(
        [&] { return ::poll(entries.data(), entries.size(), pendingReady ? 0 : timeoutMs); });
  } else if (timeoutMs > 0) {
    ::usleep(static_cast<useconds_t>(timeoutMs) * 1000);
  }
  int32_t written = 0;
  if (ready >= 0) {
    const short wanted = name == NL_WRITE_STATUS  ? POLLOUT
                         : name == NL_READ_STATUS ? (POLLIN | POLLERR | POLLHUP)
                                                  : (POLLERR | POLLHUP | POLLNVAL);
    for (size_t i = 0; i < entries.size() && written < number; ++i) {
      if (((entries[i].revents | known[i]) & wanted) != 0) sockets[written++] = members[i];
    }
  }
  {
    ScopedLock lock(state.mutex);
    for (SocketEntry* entry : held) releaseEntry(*entry);
  }
  if (ready < 0) return failInt(NL_SYSTEM_ERROR);
  return written;
}

NlEnum nlGetError() { return lastError; }

// ---- threads

namespace {

struct StartedThread {
  Thread thread;
  NlThreadFunction function = nullptr;
  void* data = nullptr;
  std::atomic<bool> finished{false};
};

struct ThreadList {
  Mutex mutex;
  std::vector<StartedThread*> threads;
  int32_t nextNumber = 1;
};

ThreadList& threadList() {
  static ThreadList* list = new ThreadList;
  return *list;
}

// Marks the thread finished however it ends, returning or unwinding.
struct FinishedMark {
  StartedThread* started;
  ~FinishedMark() { started->finished.store(true); }
};

void runStarted(void* argument) {
  auto* started = static_cast<StartedThread*>(argument);
  FinishedMark mark{started};
  started->function(started->data);
}

// Joins the threads that have returned; the list's mutex must be held.
void joinFinished(ThreadList& list) {
  std::erase_if(list.threads, [](StartedThread* started) {
    if (!started->finished.load()) return false;
    started->thread.join();
    delete started;
    return true;
  });
}

}  // namespace

int32_t nlThreadCreate(NlThreadFunction function, void* data, NlBoolean /*joinable*/) {
  if (function == nullptr) return failInt(NL_NULL_POINTER);
  ThreadList& list = threadList();
  ScopedLock lock(list.mutex);
  joinFinished(list);
  auto* started = new (std::nothrow) StartedThread;
  if (started == nullptr) return failInt(NL_OUT_OF_MEMORY);
  started->function = function;
  started->data = data;
  if (!started->thread.start(runStarted, started)) {
    delete started;
    return failInt(NL_SYSTEM_ERROR);
  }
  list.threads.push_back(started);
  return list.nextNumber++;
}

namespace {
void joinFinishedThreads() {
  ThreadList& list = threadList();
  ScopedLock lock(list.mutex);
  joinFinished(list);
}
}  // namespace

// ---- mutexes

struct NlMutexRecord {
  Mutex mutex;
};

NlBoolean nlMutexInit(NlMutex* mutex) {
  if (mutex == nullptr) return failBool(NL_NULL_POINTER);
  if (*mutex != nullptr) return NL_TRUE;
  *mutex = new (std::nothrow) NlMutexRecord;
  if (*mutex == nullptr) return failBool(NL_OUT_OF_MEMORY);
  return NL_TRUE;
}

NlBoolean nlMutexLock(NlMutex* mutex) {
  if (mutex == nullptr || *mutex == nullptr) return failBool(NL_NULL_POINTER);
  (*mutex)->mutex.lock();
  return NL_TRUE;
}

NlBoolean nlMutexUnlock(NlMutex* mutex) {
  if (mutex == nullptr || *mutex == nullptr) return failBool(NL_NULL_POINTER);
  (*mutex)->mutex.unlock();
  return NL_TRUE;
}

NlBoolean nlMutexDestroy(NlMutex* mutex) {
  if (mutex == nullptr || *mutex == nullptr) return failBool(NL_NULL_POINTER);
  delete *mutex;
  *mutex = nullptr;
  return NL_TRUE;
}

}  // namespace korvane::platform
