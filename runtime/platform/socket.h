// IPv4 sockets for the network service: UDP datagrams and TCP streams, non-blocking unless
// switched. Every call returns a SocketResult; none blocks unless the socket was made blocking.
// Any thread; one socket is used by one thread at a time and closed only when no call is in it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvane::platform {

// Without a network nothing crashes or waits: where the system gives no IPv4 sockets, every open
// returns kNoNetwork, as does an open on a local address this machine does not have; where the
// interfaces are down, opens succeed and every send or connect returns kUnreachable or kNoNetwork.
enum class SocketResult {
  kOk,
  kWouldBlock,    // non-blocking: nothing to receive or accept yet, or no room to send now
  kInProgress,    // a connect has started and not finished yet; ask finishConnect
  kClosed,        // the TCP peer closed or reset the connection
  kRefused,       // nobody listens at the address (TCP refusal, or UDP port unreachable)
  kUnreachable,   // no route to the address
  kTimedOut,      // the peer never answered a TCP connect
  kAddressInUse,  // another socket is bound to that local port
  kTooLong,       // a datagram larger than the system sends
  kNoNetwork,     // no sockets, or the local address is not on this machine, or the network is down
  kInvalid,       // not an open socket, or a call this kind of socket or its state does not take
  kFailed,        // any other refusal of the system (out of descriptors or memory)
};

enum class SocketKind { kUdp, kTcp };

// An IPv4 address and port, both in host byte order (127.0.0.1 is 0x7F000001).
struct SocketAddress {
  uint32_t host = 0;
  uint16_t port = 0;
  bool operator==(const SocketAddress&) const = default;
};

inline constexpr uint32_t kAnyHost = 0;
inline constexpr uint32_t kLoopbackHost = 0x7F000001;

// An open socket; kNoSocket means none. Every socket is opened close-on-exec.
using SocketHandle = int;
inline constexpr SocketHandle kNoSocket = -1;

// Opens a non-blocking socket bound to `local` (port 0: the system chooses one; kAnyHost: every
// interface). A TCP socket may then connect or listen. On failure `socket` is kNoSocket.
SocketResult openSocket(SocketKind kind, const SocketAddress& local, SocketHandle& socket);

// Closes the socket; kNoSocket is ignored.
void closeSocket(SocketHandle socket);

// Makes later calls on the socket wait (true) or return kWouldBlock / kInProgress (false).
SocketResult setSocketBlocking(SocketHandle socket, bool blocking);

// The address and port the socket is bound to.
SocketResult localAddress(SocketHandle socket, SocketAddress& address);

// UDP: sends one datagram of `size` bytes (0 allowed) to `to`; `sent` is `size` on kOk.
SocketResult sendTo(SocketHandle socket, const SocketAddress& to, const void* data, size_t size,
                    size_t& sent);

// UDP: takes one waiting datagram into `buffer`; `received` is its length (0 for an empty one)
// and `from` its sender. A datagram longer than `capacity` is cut to it, the rest is lost.
SocketResult receiveFrom(SocketHandle socket, void* buffer, size_t capacity, size_t& received,
                         SocketAddress& from);

// TCP: starts a connection to `peer`: kOk when it stands at once, kInProgress while it is being
// made (a non-blocking socket), or the refusal. UDP: sets the only peer the socket sends to
// and hears from, at once.
SocketResult connectSocket(SocketHandle socket, const SocketAddress& peer);

// TCP: how a connect that returned kInProgress stands, without waiting: kInProgress still, kOk
// connected, or why it failed (kRefused, kTimedOut, kUnreachable), told once: asked again, or
// about a socket that never connected, kInvalid.
SocketResult finishConnect(SocketHandle socket);

// A connected socket: sends up to `size` bytes (TCP may take fewer: `sent` says how many; UDP
// sends one datagram). Never raises a signal when the peer has gone: kClosed instead.
SocketResult sendBytes(SocketHandle socket, const void* data, size_t size, size_t& sent);

// A connected socket: receives up to `capacity` (at least 1) bytes. TCP: kClosed when the peer
// has closed. UDP: one datagram, 0 bytes for an empty one; a refusal of an earlier send to the
// peer shows here as kRefused.
SocketResult receiveBytes(SocketHandle socket, void* buffer, size_t capacity, size_t& received);

// TCP: accepts connections on the bound port, up to `backlog` waiting at a time.
SocketResult listenForConnections(SocketHandle socket, int backlog);

// TCP: takes one waiting connection as a new non-blocking socket, with the peer's address;
// kWouldBlock when none waits.
SocketResult acceptConnection(SocketHandle listener, SocketHandle& accepted, SocketAddress& peer);

}  // namespace korvane::platform
