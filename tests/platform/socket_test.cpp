// IPv4 sockets over loopback only: datagrams with their sender, connected UDP, a TCP connection
// from connect to close, the refusals, and machines without a network (in child processes).
// Every wait is bounded in rounds and in time.
#include "runtime/platform/socket.h"

#include <gtest/gtest.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <iterator>
#include <string>
#include <thread>

#include "runtime/platform/thread.h"

namespace korvane::platform {
namespace {

const SocketAddress kLoopbackAnyPort{kLoopbackHost, 0};

// Repeats `call` while it answers `whileThis`, up to 2000 rounds and five seconds.
template <typename Call>
SocketResult retryWhile(SocketResult whileThis, Call call) {
  SocketResult result = call();
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  for (int round = 0; round < 2000 && result == whileThis; ++round) {
    if (std::chrono::steady_clock::now() > end) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    result = call();
  }
  return result;
}

// A loopback port that nobody listens on: bound once, then given back.
uint16_t freePort(SocketKind kind) {
  SocketHandle socket = kNoSocket;
  SocketAddress address;
  if (openSocket(kind, kLoopbackAnyPort, socket) != SocketResult::kOk ||
      localAddress(socket, address) != SocketResult::kOk) {
    ADD_FAILURE() << "no loopback socket";
  }
  closeSocket(socket);
  return address.port;
}

class UdpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(openSocket(SocketKind::kUdp, kLoopbackAnyPort, a_), SocketResult::kOk);
    ASSERT_EQ(openSocket(SocketKind::kUdp, kLoopbackAnyPort, b_), SocketResult::kOk);
    ASSERT_EQ(localAddress(a_, aAddress_), SocketResult::kOk);
    ASSERT_EQ(localAddress(b_, bAddress_), SocketResult::kOk);
  }
  void TearDown() override {
    closeSocket(a_);
    closeSocket(b_);
  }

  // Waits for one datagram on b_ and returns it as text.
  std::string receiveOnB(SocketResult& result, SocketAddress& from, size_t capacity = 64) {
    char buffer[64] = {};
    size_t received = 0;
    result = retryWhile(SocketResult::kWouldBlock,
                        [&] { return receiveFrom(b_, buffer, capacity, received, from); });
    return std::string(buffer, received);
  }

  SocketHandle a_ = kNoSocket;
  SocketHandle b_ = kNoSocket;
  SocketAddress aAddress_;
  SocketAddress bAddress_;
};

TEST_F(UdpTest, DatagramsArriveWithTheirSender) {
  EXPECT_EQ(aAddress_.host, kLoopbackHost);
  EXPECT_NE(aAddress_.port, 0);
  EXPECT_NE(aAddress_.port, bAddress_.port);

  char buffer[16];
  size_t received = 99;
  SocketAddress from;
  EXPECT_EQ(receiveFrom(b_, buffer, sizeof buffer, received, from), SocketResult::kWouldBlock);
  EXPECT_EQ(received, 0u);

  size_t sent = 0;
  ASSERT_EQ(sendTo(a_, bAddress_, "ping", 4, sent), SocketResult::kOk);
  EXPECT_EQ(sent, 4u);
  SocketResult result;
  EXPECT_EQ(receiveOnB(result, from), "ping");
  EXPECT_EQ(result, SocketResult::kOk);
  EXPECT_EQ(from, aAddress_);

  // An empty datagram is a datagram of 0 bytes, not an error or "nothing yet".
  ASSERT_EQ(sendTo(a_, bAddress_, "", 0, sent), SocketResult::kOk);
  EXPECT_EQ(receiveOnB(result, from), "");
  EXPECT_EQ(result, SocketResult::kOk);

  // A datagram longer than the buffer is cut, and its rest does not come as another one.
  ASSERT_EQ(sendTo(a_, bAddress_, "0123456789", 10, sent), SocketResult::kOk);
  EXPECT_EQ(receiveOnB(result, from, 4), "0123");
  EXPECT_EQ(receiveFrom(b_, buffer, sizeof buffer, received, from), SocketResult::kWouldBlock);
}

TEST_F(UdpTest, PortInUseAndClosedPeerAreResults) {
  SocketHandle second = 12345;
  EXPECT_EQ(openSocket(SocketKind::kUdp, bAddress_, second), SocketResult::kAddressInUse);
  EXPECT_EQ(second, kNoSocket);

  // Connected to a port nobody holds: the refusal of the send shows on the next receive.
  const SocketAddress nobody{kLoopbackHost, freePort(SocketKind::kUdp)};
  ASSERT_EQ(connectSocket(a_, nobody), SocketResult::kOk);
  size_t sent = 0;
  ASSERT_EQ(sendBytes(a_, "x", 1, sent), SocketResult::kOk);
  char buffer[8];
  size_t received = 0;
  EXPECT_EQ(retryWhile(SocketResult::kWouldBlock,
                       [&] { return receiveBytes(a_, buffer, sizeof buffer, received); }),
            SocketResult::kRefused);
}

void sendPingLater(void* argument) {
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  auto* to = static_cast<SocketAddress*>(argument);
  SocketHandle socket = kNoSocket;
  size_t sent = 0;
  if (openSocket(SocketKind::kUdp, kLoopbackAnyPort, socket) == SocketResult::kOk) {
    sendTo(socket, *to, "late", 4, sent);
  }
  closeSocket(socket);
}

TEST_F(UdpTest, ABlockingSocketWaitsForTheDatagram) {
  ASSERT_EQ(setSocketBlocking(b_, true), SocketResult::kOk);
  Thread sender;
  ASSERT_TRUE(sender.start(sendPingLater, &bAddress_));
  char buffer[8] = {};
  size_t received = 0;
  SocketAddress from;
  EXPECT_EQ(receiveFrom(b_, buffer, sizeof buffer, received, from), SocketResult::kOk);
  EXPECT_EQ(std::string(buffer, received), "late");
  sender.join();

  ASSERT_EQ(setSocketBlocking(b_, false), SocketResult::kOk);
  EXPECT_EQ(receiveFrom(b_, buffer, sizeof buffer, received, from), SocketResult::kWouldBlock);
}

TEST(TcpTest, ConnectAcceptTalkAndClose) {
  SocketHandle listener = kNoSocket;
  SocketHandle client = kNoSocket;
  SocketHandle server = kNoSocket;
  SocketAddress listening;
  SocketAddress clientAddress;
  ASSERT_EQ(openSocket(SocketKind::kTcp, kLoopbackAnyPort, listener), SocketResult::kOk);
  ASSERT_EQ(localAddress(listener, listening), SocketResult::kOk);
  ASSERT_EQ(listenForConnections(listener, 4), SocketResult::kOk);
  SocketAddress peer;
  EXPECT_EQ(acceptConnection(listener, server, peer), SocketResult::kWouldBlock);

  ASSERT_EQ(openSocket(SocketKind::kTcp, kLoopbackAnyPort, client), SocketResult::kOk);
  ASSERT_EQ(localAddress(client, clientAddress), SocketResult::kOk);
  const SocketResult started = connectSocket(client, listening);
  ASSERT_TRUE(started == SocketResult::kOk || started == SocketResult::kInProgress);
  EXPECT_EQ(retryWhile(SocketResult::kInProgress, [&] { return finishConnect(client); }),
            SocketResult::kOk);
  ASSERT_EQ(retryWhile(SocketResult::kWouldBlock,
                       [&] { return acceptConnection(listener, server, peer); }),
            SocketResult::kOk);
  EXPECT_EQ(peer, clientAddress);

  size_t sent = 0;
  ASSERT_EQ(sendBytes(client, "hello", 5, sent), SocketResult::kOk);
  EXPECT_EQ(sent, 5u);
  std::string got;
  char buffer[16];
  size_t received = 0;
  SocketResult result = retryWhile(SocketResult::kWouldBlock, [&] {
    SocketResult r = receiveBytes(server, buffer, sizeof buffer, received);
    if (r == SocketResult::kOk) got.append(buffer, received);
    return r == SocketResult::kOk && got.size() < 5 ? SocketResult::kWouldBlock : r;
  });
  EXPECT_EQ(result, SocketResult::kOk);
  EXPECT_EQ(got, "hello");

  // The peer closes: the read says so, and sending on gives kClosed, never a signal.
  closeSocket(server);
  EXPECT_EQ(retryWhile(SocketResult::kWouldBlock,
                       [&] { return receiveBytes(client, buffer, sizeof buffer, received); }),
            SocketResult::kClosed);
  EXPECT_EQ(retryWhile(SocketResult::kOk, [&] { return sendBytes(client, "x", 1, sent); }),
            SocketResult::kClosed);
  closeSocket(client);
  closeSocket(listener);
}

TEST(TcpTest, RefusedConnectIsToldOnce) {
  SocketHandle client = kNoSocket;
  ASSERT_EQ(openSocket(SocketKind::kTcp, kLoopbackAnyPort, client), SocketResult::kOk);
  const SocketAddress nobody{kLoopbackHost, freePort(SocketKind::kTcp)};
  SocketResult result = connectSocket(client, nobody);
  if (result == SocketResult::kInProgress) {
    result = retryWhile(SocketResult::kInProgress, [&] { return finishConnect(client); });
  }
  EXPECT_EQ(result, SocketResult::kRefused);
  EXPECT_EQ(finishConnect(client), SocketResult::kInvalid);
  closeSocket(client);
}

TEST(SocketTest, CallsOnNoSocketAreInvalid) {
  char buffer[4];
  size_t count = 0;
  SocketAddress address;
  SocketHandle accepted = kNoSocket;
  const SocketAddress somewhere{kLoopbackHost, 9};
  EXPECT_EQ(sendTo(kNoSocket, somewhere, "x", 1, count), SocketResult::kInvalid);
  EXPECT_EQ(receiveFrom(kNoSocket, buffer, sizeof buffer, count, address), SocketResult::kInvalid);
  EXPECT_EQ(sendBytes(kNoSocket, "x", 1, count), SocketResult::kInvalid);
  EXPECT_EQ(receiveBytes(kNoSocket, buffer, sizeof buffer, count), SocketResult::kInvalid);
  EXPECT_EQ(connectSocket(kNoSocket, somewhere), SocketResult::kInvalid);
  EXPECT_EQ(finishConnect(kNoSocket), SocketResult::kInvalid);
  EXPECT_EQ(listenForConnections(kNoSocket, 1), SocketResult::kInvalid);
  EXPECT_EQ(acceptConnection(kNoSocket, accepted, address), SocketResult::kInvalid);
  EXPECT_EQ(localAddress(kNoSocket, address), SocketResult::kInvalid);
  EXPECT_EQ(setSocketBlocking(kNoSocket, true), SocketResult::kInvalid);
  closeSocket(kNoSocket);
}

TEST(SocketTest, AnAddressNotOnThisMachineIsNoNetwork) {
  const SocketAddress documentationOnly{0xC0000201, 0};  // 192.0.2.1, never assigned
  for (SocketKind kind : {SocketKind::kUdp, SocketKind::kTcp}) {
    SocketHandle socket = 12345;
    EXPECT_EQ(openSocket(kind, documentationOnly, socket), SocketResult::kNoNetwork);
    EXPECT_EQ(socket, kNoSocket);
  }
}

// The setting a child makes before its checks; false when this system does not allow it.
using Prepare = bool (*)();
// The checks; a bit per check that failed.
using Checks = int (*)();
constexpr int kCannotPrepare = 99;

// Runs `checks` in a child after `prepare`: the exit code, or -1 when a signal ended it.
int runInChild(Prepare prepare, Checks checks) {
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) _exit(prepare() ? checks() : kCannotPrepare);
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// New user and network namespaces: only a loopback interface, and it is down.
bool enterEmptyNetwork() { return unshare(CLONE_NEWUSER | CLONE_NEWNET) == 0; }

int checksWithInterfacesDown() {
  int failed = 0;
  const SocketAddress loopbackPort{kLoopbackHost, 9};
  SocketHandle socket = kNoSocket;
  size_t sent = 0;
  if (openSocket(SocketKind::kUdp, kLoopbackAnyPort, socket) != SocketResult::kOk) {
    failed |= 1;
  } else {
    const SocketResult result = sendTo(socket, loopbackPort, "x", 1, sent);
    if (result != SocketResult::kUnreachable && result != SocketResult::kNoNetwork) failed |= 2;
    closeSocket(socket);
  }
  if (openSocket(SocketKind::kTcp, kLoopbackAnyPort, socket) != SocketResult::kOk) {
    failed |= 4;
  } else {
    SocketResult result = connectSocket(socket, loopbackPort);
    if (result == SocketResult::kInProgress) result = finishConnect(socket);
    if (result != SocketResult::kUnreachable && result != SocketResult::kNoNetwork) failed |= 8;
    closeSocket(socket);
  }
  return failed;
}

// The system refuses every socket, as a sandbox or a kernel without IPv4 does.
bool refuseSockets() {
#if defined(__x86_64__)
  sock_filter filter[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_socket, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EAFNOSUPPORT),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
  return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
         prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
#else
  return false;
#endif
}

int checksWithoutSockets() {
  int failed = 0;
  int bit = 1;
  for (SocketKind kind : {SocketKind::kUdp, SocketKind::kTcp}) {
    for (const SocketAddress& local : {kLoopbackAnyPort, SocketAddress{kAnyHost, 0}}) {
      SocketHandle socket = 12345;
      if (openSocket(kind, local, socket) != SocketResult::kNoNetwork || socket != kNoSocket) {
        failed |= bit;
      }
      bit <<= 1;
    }
  }
  return failed;
}

TEST(SocketTest, WithoutANetworkEveryCallIsAResult) {
  struct Row {
    const char* name;
    Prepare prepare;
    Checks checks;
  };
  const Row rows[] = {
      {"interfaces down", enterEmptyNetwork, checksWithInterfacesDown},
      {"no sockets at all", refuseSockets, checksWithoutSockets},
  };
  int prepared = 0;
  for (const Row& row : rows) {
    const int code = runInChild(row.prepare, row.checks);
    if (code == kCannotPrepare) continue;
    ++prepared;
    EXPECT_EQ(code, 0) << row.name << ": failed checks (bits), or -1 for a signal";
  }
  if (prepared == 0) GTEST_SKIP() << "this system allows neither a network namespace nor a filter";
}

}  // namespace
}  // namespace korvane::platform
