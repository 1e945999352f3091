// The network library the session layer is written against: IP sockets with an unreliable
// (UDP, with a connection handshake of its own) and a reliable (TCP) type, socket groups, address
// texts, threads and mutexes. Names, values and error codes are those of the library's interface.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvane::platform {

using NlBoolean = bool;
using NlEnum = uint32_t;
using NlSocket = int32_t;  // NL_INVALID is none; a closed handle never names a later socket

inline constexpr int32_t NL_INVALID = -1;
inline constexpr NlBoolean NL_TRUE = true;
inline constexpr NlBoolean NL_FALSE = false;

// Network types (nlSelectNetwork).
inline constexpr NlEnum NL_IP = 0x0003;

// Socket types (nlOpen).
inline constexpr NlEnum NL_RELIABLE = 0x0010;    // TCP
inline constexpr NlEnum NL_UNRELIABLE = 0x0011;  // UDP with the connection handshake

// Switches (nlEnable).
inline constexpr NlEnum NL_BLOCKING_IO = 0x0030;
inline constexpr NlEnum NL_TCP_NO_DELAY = 0x0031;

// Poll kinds (nlPollGroup).
inline constexpr NlEnum NL_READ_STATUS = 0x0040;
inline constexpr NlEnum NL_WRITE_STATUS = 0x0041;
inline constexpr NlEnum NL_ERROR_STATUS = 0x0042;

// Error codes (nlGetError).
inline constexpr NlEnum NL_NO_ERROR = 0x0000;
inline constexpr NlEnum NL_NO_NETWORK = 0x0100;
inline constexpr NlEnum NL_OUT_OF_MEMORY = 0x0101;
inline constexpr NlEnum NL_INVALID_ENUM = 0x0102;
inline constexpr NlEnum NL_INVALID_SOCKET = 0x0103;
inline constexpr NlEnum NL_INVALID_PORT = 0x0104;
inline constexpr NlEnum NL_INVALID_TYPE = 0x0105;
inline constexpr NlEnum NL_SYSTEM_ERROR = 0x0106;
inline constexpr NlEnum NL_SOCK_DISCONNECT = 0x0107;
inline constexpr NlEnum NL_NOT_LISTEN = 0x0108;
inline constexpr NlEnum NL_CON_REFUSED = 0x0109;
inline constexpr NlEnum NL_NO_PENDING = 0x010a;
inline constexpr NlEnum NL_BAD_ADDR = 0x010b;
inline constexpr NlEnum NL_MESSAGE_END = 0x010c;
inline constexpr NlEnum NL_NULL_POINTER = 0x010d;
inline constexpr NlEnum NL_INVALID_GROUP = 0x010e;
inline constexpr NlEnum NL_OUT_OF_GROUPS = 0x010f;
inline constexpr NlEnum NL_OUT_OF_GROUP_SOCKETS = 0x0110;
inline constexpr NlEnum NL_BUFFER_SIZE = 0x0111;
inline constexpr NlEnum NL_PACKET_SIZE = 0x0112;
inline constexpr NlEnum NL_WRONG_TYPE = 0x0113;
inline constexpr NlEnum NL_CON_PENDING = 0x0114;
inline constexpr NlEnum NL_SELECT_NET_ERROR = 0x0115;
inline constexpr NlEnum NL_PACKET_SYNC = 0x0116;
inline constexpr NlEnum NL_TLS_ERROR = 0x0117;
inline constexpr NlEnum NL_TIMED_OUT = 0x0118;
inline constexpr NlEnum NL_SOCKET_NOT_FOUND = 0x0119;
inline constexpr NlEnum NL_STRING_OVER_RUN = 0x011a;
inline constexpr NlEnum NL_MUTEX_RECURSION = 0x011b;
inline constexpr NlEnum NL_MUTEX_OWNER = 0x011c;

struct NlErrorRow {
  NlEnum code;
  const char* name;
};

// Every error code, in the order of their values.
inline constexpr NlErrorRow kNlErrors[] = {
    {NL_NO_ERROR, "NL_NO_ERROR"},
    {NL_NO_NETWORK, "NL_NO_NETWORK"},
    {NL_OUT_OF_MEMORY, "NL_OUT_OF_MEMORY"},
    {NL_INVALID_ENUM, "NL_INVALID_ENUM"},
    {NL_INVALID_SOCKET, "NL_INVALID_SOCKET"},
    {NL_INVALID_PORT, "NL_INVALID_PORT"},
    {NL_INVALID_TYPE, "NL_INVALID_TYPE"},
    {NL_SYSTEM_ERROR, "NL_SYSTEM_ERROR"},
    {NL_SOCK_DISCONNECT, "NL_SOCK_DISCONNECT"},
    {NL_NOT_LISTEN, "NL_NOT_LISTEN"},
    {NL_CON_REFUSED, "NL_CON_REFUSED"},
    {NL_NO_PENDING, "NL_NO_PENDING"},
    {NL_BAD_ADDR, "NL_BAD_ADDR"},
    {NL_MESSAGE_END, "NL_MESSAGE_END"},
    {NL_NULL_POINTER, "NL_NULL_POINTER"},
    {NL_INVALID_GROUP, "NL_INVALID_GROUP"},
    {NL_OUT_OF_GROUPS, "NL_OUT_OF_GROUPS"},
    {NL_OUT_OF_GROUP_SOCKETS, "NL_OUT_OF_GROUP_SOCKETS"},
    {NL_BUFFER_SIZE, "NL_BUFFER_SIZE"},
    {NL_PACKET_SIZE, "NL_PACKET_SIZE"},
    {NL_WRONG_TYPE, "NL_WRONG_TYPE"},
    {NL_CON_PENDING, "NL_CON_PENDING"},
    {NL_SELECT_NET_ERROR, "NL_SELECT_NET_ERROR"},
    {NL_PACKET_SYNC, "NL_PACKET_SYNC"},
    {NL_TLS_ERROR, "NL_TLS_ERROR"},
    {NL_TIMED_OUT, "NL_TIMED_OUT"},
    {NL_SOCKET_NOT_FOUND, "NL_SOCKET_NOT_FOUND"},
    {NL_STRING_OVER_RUN, "NL_STRING_OVER_RUN"},
    {NL_MUTEX_RECURSION, "NL_MUTEX_RECURSION"},
    {NL_MUTEX_OWNER, "NL_MUTEX_OWNER"},
};
static_assert(sizeof kNlErrors / sizeof kNlErrors[0] == 30);

// Limits of this implementation.
inline constexpr int kNlMaxSockets = 1024;       // open at once, library-wide
inline constexpr int kNlMaxGroups = 128;         // groups until nlShutdown
inline constexpr int kNlMaxGroupSockets = 1024;  // sockets in one group
inline constexpr int kNlMaxPacketLength = 65507;
// Room nlAddrToString needs: "255.255.255.255:65535" and its zero.
inline constexpr size_t kNlAddressTextCapacity = 22;

// The UDP handshake: the request the client sends to the listening port, and the text that
// follows the new port's 2 bytes (network order) in the reply from the listening socket. Both
// travel with their terminating zero.
inline constexpr char kNlConnectRequest[] = "HawkNL request connection.";
inline constexpr char kNlConnectReply[] = "HawkNL connection OK.";
inline constexpr size_t kNlConnectRequestSize = sizeof kNlConnectRequest;  // 27
inline constexpr size_t kNlConnectReplySize = 2 + sizeof kNlConnectReply;  // 24
inline constexpr int kNlConnectWaitMs = 6000;

// An IPv4 address and port in host byte order.
struct NlAddress {
  uint32_t host = 0;
  uint16_t port = 0;
  bool valid = false;
};

// The library's state is process-wide. nlInit/nlShutdown/nlSelectNetwork/nlEnable belong to the
// main thread and to moments when no other thread is inside a call; every other call may be made
// from any thread. A failing call returns NL_FALSE or NL_INVALID and sets the calling thread's
// error (nlGetError); a successful call leaves that error as it was, so read it only after a
// failure.

// Starts the library (again). NL_TRUE; calling it twice is harmless.
NlBoolean nlInit();
// Closes every socket, forgets every group and switches NL_BLOCKING_IO off again. The library
// can be started again with nlInit. Mutexes and threads are not touched.
void nlShutdown();
// NL_IP only: anything else is NL_FALSE with NL_INVALID_TYPE; before nlInit, NL_NO_NETWORK.
NlBoolean nlSelectNetwork(NlEnum network);
// NL_BLOCKING_IO: sockets opened from now on wait in reads, accepts and writes. NL_TCP_NO_DELAY:
// reliable sockets send small writes at once (on by default). Other names: NL_INVALID_ENUM.
NlBoolean nlEnable(NlEnum name);

// Opens a socket bound to every local address on `port` (0: one the system picks). The port is
// never shared with another socket. NL_INVALID with NL_NO_NETWORK before nlInit/nlSelectNetwork,
// NL_INVALID_TYPE for another type, NL_INVALID_PORT when the port is taken, NL_SYSTEM_ERROR else.
NlSocket nlOpen(uint16_t port, NlEnum type);
// Makes the socket accept connections (unreliable: connection requests read by
// nlAcceptConnection from its port).
NlBoolean nlListen(NlSocket socket);
// Takes one waiting connection from a listening socket. Unreliable: reads one datagram from the
// port; a connection request is answered (from the listening socket: the new socket's port and
// the reply text), a new socket on a system-chosen port is connected to the requester and sends
// it one empty datagram, and that socket is returned. Anything else read, or nothing waiting, is
// NL_NO_PENDING. NL_NOT_LISTEN for a socket that does not listen, NL_SYSTEM_ERROR when the
// system fails the read or the new socket.
NlSocket nlAcceptConnection(NlSocket socket);
// Connects the socket to `address`. Unreliable: sends the connection request and waits up to
// six seconds for the reply from that address (other datagrams are skipped); the socket is then
// connected to the port the reply names and sends one empty datagram there. NL_TIMED_OUT when
// no reply came. Reliable: waits for the connection when blocking, else it is made meanwhile.
NlBoolean nlConnect(NlSocket socket, const NlAddress* address);
// Closes the socket and takes it out of every group.
NlBoolean nlClose(NlSocket socket);

// Reads what is waiting, at most `size` bytes: one datagram on an unreliable socket (a
// connected one hears only its peer; a listening one hears everybody). 0 when nothing is waiting
// (non-blocking) and for an empty datagram. NL_INVALID with NL_SOCK_DISCONNECT when the peer's
// port refused an earlier datagram (also one that nlWrite saw) or a reliable peer reset the
// connection, NL_MESSAGE_END when a reliable peer closed, NL_BUFFER_SIZE for a datagram larger
// than `size` (it is dropped).
int32_t nlRead(NlSocket socket, void* buffer, int32_t size);
// Writes `size` bytes to the connected peer: unreliable, one datagram, the full size or
// NL_INVALID; reliable, the bytes the system took (at least 1) or NL_INVALID. Never 0, and never
// a signal when the peer has gone. NL_SOCK_DISCONNECT when the peer refused (that refusal is then
// also reported by the next nlRead), NL_SYSTEM_ERROR when the system has no room just now.
int32_t nlWrite(NlSocket socket, const void* buffer, int32_t size);

// The address the socket is bound to; a socket bound to every local address gives 127.0.0.1,
// so that it can reach itself.
NlBoolean nlGetLocalAddr(NlSocket socket, NlAddress* address);
// Every IPv4 address configured on this machine's interfaces that are up, loopback included,
// each with the port of the most recent nlOpen since nlInit (0 before one). `count` receives
// their number; the array stays valid until the next call on the same thread. Null with count
// 0 and NL_SYSTEM_ERROR when the system cannot list them.
const NlAddress* nlGetAllLocalAddr(int32_t* count);
// Writes "a.b.c.d:port" (at most kNlAddressTextCapacity bytes with the zero) to `text` and
// returns it. An invalid address gives "0.0.0.0:0".
char* nlAddrToString(const NlAddress* address, char* text);
// Resolves a host name or dotted address, with an optional ":port" behind it (else port 0).
// NL_FALSE with NL_BAD_ADDR when it cannot be resolved; the address is then invalid.
NlBoolean nlGetAddrFromName(const char* name, NlAddress* address);
NlBoolean nlSetAddrPort(NlAddress* address, uint16_t port);

// A group of sockets to poll together; NL_INVALID with NL_OUT_OF_GROUPS.
int32_t nlGroupCreate();
// NL_INVALID_GROUP, NL_INVALID_SOCKET, NL_OUT_OF_GROUP_SOCKETS; adding a member again is NL_TRUE.
NlBoolean nlGroupAddSocket(int32_t group, NlSocket socket);
NlBoolean nlGroupDeleteSocket(int32_t group, NlSocket socket);
// Which members are ready (NL_READ_STATUS: something to read, or an error such as a refusal
// waiting for nlRead; NL_WRITE_STATUS; NL_ERROR_STATUS), waiting up to `timeoutMs` (0: not at
// all; negative: until one is). Up to `number` of them are written to `sockets`; returns how many
// were written, or NL_INVALID.
int32_t nlPollGroup(int32_t group, NlEnum name, NlSocket* sockets, int32_t number,
                    int32_t timeoutMs);

// The calling thread's last error.
NlEnum nlGetError();

// Threads: `function(data)` on a new thread; its result is ignored. The library joins a thread
// once it has returned (at a later nlThreadCreate or nlShutdown, or at the process exit), so
// the joinable flag changes nothing. A started thread that loops should also end when
// stopRequested() (thread.h) turns true. Returns a thread number, or NL_INVALID with
// NL_SYSTEM_ERROR. Main thread.
using NlThreadFunction = void* (*)(void* data);
int32_t nlThreadCreate(NlThreadFunction function, void* data, NlBoolean joinable);

// A non-recursive mutex; a null NlMutex is not initialised, and every call on one (or on a null
// pointer) is NL_FALSE with NL_NULL_POINTER. nlMutexInit of an initialised mutex keeps it.
struct NlMutexRecord;
using NlMutex = NlMutexRecord*;
NlBoolean nlMutexInit(NlMutex* mutex);
NlBoolean nlMutexLock(NlMutex* mutex);
NlBoolean nlMutexUnlock(NlMutex* mutex);
// Frees it; nobody may hold or wait for it.
NlBoolean nlMutexDestroy(NlMutex* mutex);

}  // namespace korvane::platform
