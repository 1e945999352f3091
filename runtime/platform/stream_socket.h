// TCP client streams that wait, each wait bounded in time: host-name lookup, a connect with a
// time limit, whole sends and receives that tell a peer's orderly close from a broken connection.
// Any thread; one stream is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace korvane::platform {

enum class StreamResult {
  kOk,
  kEnded,        // the peer closed its side normally: everything it sent has been received
  kReset,        // the connection broke (reset by the peer, or the peer vanished)
  kTimedOut,     // nothing happened within the time limit
  kRefused,      // nobody listens at the address
  kUnreachable,  // no route to the address, or no network
  kUnknownHost,  // the name has no IPv4 address (or the lookup itself failed)
  kFailed,       // any other refusal of the system (out of descriptors or memory, a bad handle)
};

// An open stream; kNoStream means none. Opened close-on-exec.
using StreamHandle = int;
inline constexpr StreamHandle kNoStream = -1;

// The first IPv4 address of `name` (a host name or a dotted address), in host byte order
// (127.0.0.1 is 0x7F000001). Waits as long as the system's resolver does: its own settings bound
// the lookup. kUnknownHost when there is none.
StreamResult resolveHostName(const std::string& name, uint32_t& host);

// Connects a new TCP stream, bound to any local port, to `host`:`port`, waiting at most
// `limitMs` milliseconds. Small writes are sent at once (no coalescing delay). On failure
// `stream` is kNoStream and nothing stays open.
StreamResult connectStream(uint32_t host, uint16_t port, int limitMs, StreamHandle& stream);

// Sends all `size` bytes, waiting at most `limitMs` for room each time the system has none. Never
// raises a signal when the peer has gone: kReset instead.
StreamResult sendAll(StreamHandle stream, const void* data, size_t size, int limitMs);

// Waits at most `limitMs` for bytes and takes up to `capacity` (at least 1) of them. kOk with
// `received` > 0, kEnded once the peer closed normally and everything was read, kReset when the
// connection broke, kTimedOut when nothing came.
StreamResult receiveWithin(StreamHandle stream, void* buffer, size_t capacity, int limitMs,
                           size_t& received);

// Closes the stream; kNoStream is ignored.
void closeStream(StreamHandle stream);

}  // namespace korvane::platform
