// Arbitrary datagrams through the session's handler: the check of each datagram, then a whole
// pass of local delivery, the server role and the client's answers. The input is cut into
// datagrams at 0xFF 0xFE pairs; the first byte picks where each came from (the client socket or
// a server connection) and whether this machine serves.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "runtime/net/net_message.h"
#include "runtime/net/net_session.h"

namespace {

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "net datagram fuzz: %s\n", what);
    __builtin_trap();
  }
}

// Connections that are no socket: the answers are written nowhere, quickly.
constexpr korvane::platform::NlSocket kConnections[] = {1 << 12, 2 << 12, 3 << 12};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One session across inputs, as in the program; every pass empties its queue.
  static korvane::NetSession* session = new korvane::NetSession;
  if (size == 0) return 0;
  // A fresh session now and then keeps each broadcast's walk over the players short.
  if (session->serverPlayerCount() > 512) {
    delete session;
    session = new korvane::NetSession;
  }
  const uint8_t mode = data[0];
  const bool serverRole = (mode & 1) != 0;
  size_t start = 1;
  for (size_t index = 0; index < 64 && start <= size; ++index) {
    size_t end = start;
    while (end < size && !(end + 1 < size && data[end] == 0xFF && data[end + 1] == 0xFE)) ++end;
    const uint8_t* part = data + start;
    const size_t length = end - start;
    const bool fromClient = ((mode >> (1 + index % 7)) & 1) != 0;
    const korvane::platform::NlSocket connection =
        fromClient ? korvane::platform::NL_INVALID : kConnections[index % 3];
    korvane::NetMessage parsed;
    const bool good = korvane::parseDatagram(part, length, parsed);
    check(session->acceptDatagram(part, length, connection) == good, "handler and parser differ");
    if (good) {
      check(parsed.length() >= 0 && parsed.length() <= korvane::kNetMaxPayload, "length kept");
      check(parsed.area[parsed.datagramSize()] == 0, "no terminator behind the payload");
      check(std::memcmp(parsed.area.data(), part, parsed.datagramSize()) == 0, "bytes changed");
    }
    if (end >= size) break;
    start = end + 2;
  }
  session->handleReceived(serverRole);
  check(session->receivedCount() == 0, "the pass left messages behind");
  check(session->serverPlayerCount() <= korvane::kMaxServerPlayers, "player list over its cap");
  return 0;
}
