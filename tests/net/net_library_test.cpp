// The network library over loopback: its codes, the UDP handshake byte for byte against raw
// sockets in both directions, refusals turning into disconnects, handle generations, addresses,
// a reliable connection, threads and mutexes. Every wait is bounded.
#include "runtime/platform/net_library.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "tests/net/net_test_support.h"

namespace korvane::platform {
namespace {

using korvane::testing::Bytes;
using korvane::testing::RawUdp;
using korvane::testing::secondsSince;

class NetLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    nlShutdown();
    ASSERT_TRUE(nlInit());
    ASSERT_TRUE(nlSelectNetwork(NL_IP));
  }
  void TearDown() override { nlShutdown(); }

  // Polls nlAcceptConnection for up to two seconds.
  static NlSocket acceptWithin(NlSocket listener) {
    for (int round = 0; round < 200; ++round) {
      const NlSocket s = nlAcceptConnection(listener);
      if (s != NL_INVALID) return s;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return NL_INVALID;
  }

  // Polls nlRead for up to two seconds for something other than "nothing waiting".
  static int32_t readWithin(NlSocket socket, void* buffer, int32_t size) {
    for (int round = 0; round < 200; ++round) {
      const int32_t n = nlRead(socket, buffer, size);
      if (n != 0) return n;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
  }

  static uint16_t portOf(NlSocket socket) {
    NlAddress address;
    EXPECT_TRUE(nlGetLocalAddr(socket, &address));
    return address.port;
  }
};

TEST(NetLibraryCodes, ValuesAreTheLibrarys) {
  EXPECT_EQ(NL_IP, 3u);
  EXPECT_EQ(NL_RELIABLE, 16u);
  EXPECT_EQ(NL_UNRELIABLE, 17u);
  EXPECT_EQ(NL_MESSAGE_END, 268u);
  // The error codes follow each other from NL_NO_NETWORK (0x100) up, after NL_NO_ERROR.
  EXPECT_EQ(kNlErrors[0].code, 0u);
  for (size_t i = 1; i < std::size(kNlErrors); ++i) {
    EXPECT_EQ(kNlErrors[i].code, 0x100u + (i - 1)) << kNlErrors[i].name;
  }
  EXPECT_STREQ(kNlErrors[13].name, "NL_MESSAGE_END");
  EXPECT_EQ(kNlConnectRequestSize, 27u);
  EXPECT_EQ(kNlConnectReplySize, 24u);
}

TEST_F(NetLibraryTest, ARawClientIsAnsweredByteForByte) {
  const NlSocket listener = nlOpen(0, NL_UNRELIABLE);
  ASSERT_NE(listener, NL_INVALID);
  ASSERT_TRUE(nlListen(listener));
  const uint16_t listenPort = portOf(listener);
  EXPECT_EQ(nlAcceptConnection(listener), NL_INVALID);
  EXPECT_EQ(nlGetError(), NL_NO_PENDING);

  RawUdp client;
  // Anything but the request is no connection.
  ASSERT_TRUE(client.sendTo(listenPort, "HawkNL request connection", 26));
  EXPECT_EQ(acceptWithin(listener), NL_INVALID);
  EXPECT_EQ(nlGetError(), NL_NO_PENDING);

  const char request[] = "HawkNL request connection.";
  ASSERT_EQ(sizeof request, 27u);
  ASSERT_TRUE(client.sendTo(listenPort, request, sizeof request));
  const NlSocket accepted = acceptWithin(listener);
  ASSERT_NE(accepted, NL_INVALID);
  const uint16_t newPort = portOf(accepted);
  EXPECT_NE(newPort, listenPort);

  Bytes reply;
  uint16_t from = 0;
  ASSERT_TRUE(client.receive(reply, from, 2000));
  EXPECT_EQ(from, listenPort) << "the reply comes from the listening socket";
  Bytes expected = {static_cast<uint8_t>(newPort >> 8), static_cast<uint8_t>(newPort & 0xff)};
  const char text[] = "HawkNL connection OK.";
  expected.insert(expected.end(), text, text + sizeof text);
  EXPECT_EQ(reply, expected);

  Bytes empty{1};
  ASSERT_TRUE(client.receive(empty, from, 2000));
  EXPECT_EQ(from, newPort);
  EXPECT_TRUE(empty.empty());

  // The accepted socket talks to the client only.
  ASSERT_TRUE(client.sendTo(newPort, "ping", 4));
  char buffer[16] = {};
  EXPECT_EQ(readWithin(accepted, buffer, sizeof buffer), 4);
  EXPECT_EQ(std::string(buffer, 4), "ping");
  EXPECT_EQ(nlWrite(accepted, "pong!", 5), 5);
  Bytes answer;
  ASSERT_TRUE(client.receive(answer, from, 2000));
  EXPECT_EQ(std::string(answer.begin(), answer.end()), "pong!");

  // A socket that does not listen accepts nothing.
  EXPECT_EQ(nlAcceptConnection(accepted), NL_INVALID);
  EXPECT_EQ(nlGetError(), NL_NOT_LISTEN);
}

TEST_F(NetLibraryTest, ConnectSpeaksTheHandshakeToARawServer) {
  RawUdp server;
  RawUdp serverSide;  // the "new socket" the raw server hands out
  const NlSocket client = nlOpen(0, NL_UNRELIABLE);
  ASSERT_NE(client, NL_INVALID);
  const uint16_t clientPort = portOf(client);
  std::atomic<bool> connected{false};
  std::thread connecting([&] {
    NlAddress address;
    nlGetAddrFromName("127.0.0.1", &address);
    nlSetAddrPort(&address, server.port());
    connected = nlConnect(client, &address);
  });

  Bytes request;
  uint16_t from = 0;
  ASSERT_TRUE(server.receive(request, from, 3000));
  EXPECT_EQ(from, clientPort);
  const char text[] = "HawkNL request connection.";
  EXPECT_EQ(request, Bytes(text, text + sizeof text));
  // A reply from elsewhere is skipped; the real one names the new port.
  Bytes reply = {static_cast<uint8_t>(serverSide.port() >> 8),
                 static_cast<uint8_t>(serverSide.port() & 0xff)};
  const char ok[] = "HawkNL connection OK.";
  reply.insert(reply.end(), ok, ok + sizeof ok);
  RawUdp stray;
  Bytes strayReply = reply;
  strayReply[0] = static_cast<uint8_t>(stray.port() >> 8);
  strayReply[1] = static_cast<uint8_t>(stray.port() & 0xff);
  ASSERT_TRUE(stray.sendTo(clientPort, strayReply));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(server.sendTo(clientPort, reply));
  connecting.join();
  EXPECT_TRUE(connected.load());

  Bytes empty{1};
  ASSERT_TRUE(serverSide.receive(empty, from, 2000));
  EXPECT_EQ(from, clientPort);
  EXPECT_TRUE(empty.empty());
  EXPECT_EQ(nlWrite(client, "abc", 3), 3);
  Bytes data;
  ASSERT_TRUE(serverSide.receive(data, from, 2000));
  EXPECT_EQ(std::string(data.begin(), data.end()), "abc");
}

TEST_F(NetLibraryTest, ConnectGivesUpAfterSixSeconds) {
  RawUdp silent;
  const NlSocket client = nlOpen(0, NL_UNRELIABLE);
  NlAddress address{0x7F000001u, silent.port(), true};
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(nlConnect(client, &address));
  EXPECT_EQ(nlGetError(), NL_TIMED_OUT);
  EXPECT_NEAR(secondsSince(start), 6.0, 0.8);
}

TEST_F(NetLibraryTest, ARefusedPeerIsADisconnectThatPollAndReadSee) {
  const NlSocket listener = nlOpen(0, NL_UNRELIABLE);
  ASSERT_TRUE(nlListen(listener));
  NlSocket accepted = NL_INVALID;
  {
    RawUdp client;
    ASSERT_TRUE(client.sendTo(portOf(listener), kNlConnectRequest, kNlConnectRequestSize));
    accepted = acceptWithin(listener);
    ASSERT_NE(accepted, NL_INVALID);
  }  // the client's port is gone now
  const int32_t group = nlGroupCreate();
  ASSERT_NE(group, NL_INVALID);
  ASSERT_TRUE(nlGroupAddSocket(group, accepted));
  // The first write goes out; the refusal of it comes back and the write after it sees it.
  bool refused = false;
  for (int round = 0; round < 100 && !refused; ++round) {
    refused = nlWrite(accepted, "x", 1) == NL_INVALID;
    if (!refused) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(refused);
  EXPECT_EQ(nlGetError(), NL_SOCK_DISCONNECT);
  NlSocket ready[4] = {};
  EXPECT_EQ(nlPollGroup(group, NL_READ_STATUS, ready, 4, 0), 1);
  EXPECT_EQ(ready[0], accepted);
  char buffer[8];
  EXPECT_EQ(nlRead(accepted, buffer, sizeof buffer), NL_INVALID);
  EXPECT_EQ(nlGetError(), NL_SOCK_DISCONNECT);
}

TEST_F(NetLibraryTest, ReadsOfEmptyAndOversizedDatagrams) {
  const NlSocket listener = nlOpen(0, NL_UNRELIABLE);
  ASSERT_TRUE(nlListen(listener));
  RawUdp client;
  ASSERT_TRUE(client.sendTo(portOf(listener), kNlConnectRequest, kNlConnectRequestSize));
  const NlSocket accepted = acceptWithin(listener);
  ASSERT_NE(accepted, NL_INVALID);
  const uint16_t port = portOf(accepted);
  char buffer[8];
  EXPECT_EQ(nlRead(accepted, buffer, sizeof buffer), 0) << "nothing waiting";
  ASSERT_TRUE(client.sendTo(port, "", 0));
  ASSERT_TRUE(client.sendTo(port, "0123456789", 10));
  ASSERT_TRUE(client.sendTo(port, "ok", 2));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(nlRead(accepted, buffer, sizeof buffer), 0) << "the empty datagram";
  EXPECT_EQ(nlRead(accepted, buffer, sizeof buffer), NL_INVALID);
  EXPECT_EQ(nlGetError(), NL_BUFFER_SIZE);
  EXPECT_EQ(nlRead(accepted, buffer, sizeof buffer), 2);
}

TEST_F(NetLibraryTest, AClosedHandleNeverNamesTheNextSocket) {
  const NlSocket first = nlOpen(0, NL_UNRELIABLE);
  ASSERT_NE(first, NL_INVALID);
  ASSERT_TRUE(nlClose(first));
  const NlSocket second = nlOpen(0, NL_UNRELIABLE);
  ASSERT_NE(second, NL_INVALID);
  EXPECT_NE(first, second);
  EXPECT_EQ(nlWrite(first, "x", 1), NL_INVALID);
  EXPECT_EQ(nlGetError(), NL_INVALID_SOCKET);
  EXPECT_FALSE(nlClose(first));
  // Nothing after a success changes the thread's error; another thread has its own.
  EXPECT_TRUE(nlClose(second));
  EXPECT_EQ(nlGetError(), NL_INVALID_SOCKET);
  NlEnum other = 1;
  std::thread([&] { other = nlGetError(); }).join();
  EXPECT_EQ(other, NL_NO_ERROR);
}

TEST_F(NetLibraryTest, APortIsNeverShared) {
  const NlSocket first = nlOpen(0, NL_UNRELIABLE);
  const uint16_t port = portOf(first);
  EXPECT_EQ(nlOpen(port, NL_UNRELIABLE), NL_INVALID);
  EXPECT_EQ(nlGetError(), NL_INVALID_PORT);
  EXPECT_EQ(nlOpen(0, 99), NL_INVALID);
  EXPECT_EQ(nlGetError(), NL_INVALID_TYPE);
  nlShutdown();
  EXPECT_EQ(nlOpen(0, NL_UNRELIABLE), NL_INVALID);
  EXPECT_EQ(nlGetError(), NL_NO_NETWORK);
  EXPECT_FALSE(nlSelectNetwork(NL_IP));
  EXPECT_TRUE(nlInit());
  EXPECT_FALSE(nlSelectNetwork(7));
  EXPECT_EQ(nlGetError(), NL_INVALID_TYPE);
  EXPECT_FALSE(nlEnable(0x7777));
  EXPECT_EQ(nlGetError(), NL_INVALID_ENUM);
}

TEST_F(NetLibraryTest, AddressesAndTheirTexts) {
  const NlSocket socket = nlOpen(0, NL_UNRELIABLE);
  NlAddress local;
  ASSERT_TRUE(nlGetLocalAddr(socket, &local));
  EXPECT_EQ(local.host, 0x7F000001u) << "the wildcard address reaches this machine";
  int32_t count = 0;
  const NlAddress* all = nlGetAllLocalAddr(&count);
  ASSERT_NE(all, nullptr);
  bool loopback = false;
  for (int32_t i = 0; i < count; ++i) {
    loopback = loopback || all[i].host == 0x7F000001u;
    EXPECT_EQ(all[i].port, local.port);
  }
  EXPECT_TRUE(loopback);

  struct Row {
    const char* name;
    bool ok;
    const char* text;
  };
  const Row rows[] = {
      {"127.0.0.1", true, "127.0.0.1:0"},
      {"10.1.2.3:26000", true, "10.1.2.3:26000"},
      {"localhost:80", true, "127.0.0.1:80"},
      {"255.255.255.255:65535", true, "255.255.255.255:65535"},
      {"", false, "0.0.0.0:0"},
      {"127.0.0.1:65536", false, "0.0.0.0:0"},
      {"127.0.0.1:", false, "0.0.0.0:0"},
  };
  for (const Row& row : rows) {
    NlAddress address;
    EXPECT_EQ(nlGetAddrFromName(row.name, &address), row.ok) << row.name;
    char text[kNlAddressTextCapacity];
    EXPECT_STREQ(nlAddrToString(&address, text), row.text) << row.name;
  }
  NlAddress address;
  nlGetAddrFromName("127.0.0.1", &address);
  nlSetAddrPort(&address, 26000);
  char text[kNlAddressTextCapacity];
  EXPECT_STREQ(nlAddrToString(&address, text), "127.0.0.1:26000");
}

TEST_F(NetLibraryTest, AReliableConnectionEndsWithMessageEnd) {
  const NlSocket listener = nlOpen(0, NL_RELIABLE);
  ASSERT_NE(listener, NL_INVALID);
  ASSERT_TRUE(nlListen(listener));
  NlAddress address;
  ASSERT_TRUE(nlGetLocalAddr(listener, &address));
  const NlSocket client = nlOpen(0, NL_RELIABLE);
  ASSERT_TRUE(nlConnect(client, &address));
  const NlSocket accepted = acceptWithin(listener);
  ASSERT_NE(accepted, NL_INVALID);
  int32_t written = NL_INVALID;
  for (int round = 0; round < 200 && written == NL_INVALID; ++round) {
    written = nlWrite(client, "stream", 6);
    if (written == NL_INVALID) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(written, 6);
  char buffer[16] = {};
  EXPECT_EQ(readWithin(accepted, buffer, sizeof buffer), 6);
  ASSERT_TRUE(nlClose(client));
  EXPECT_EQ(readWithin(accepted, buffer, sizeof buffer), NL_INVALID);
  EXPECT_EQ(nlGetError(), NL_MESSAGE_END);
}

TEST_F(NetLibraryTest, GroupsTellWhichMembersHaveData) {
  const NlSocket listener = nlOpen(0, NL_UNRELIABLE);
  ASSERT_TRUE(nlListen(listener));
  RawUdp a, b;
  ASSERT_TRUE(a.sendTo(portOf(listener), kNlConnectRequest, kNlConnectRequestSize));
  const NlSocket sa = acceptWithin(listener);
  ASSERT_TRUE(b.sendTo(portOf(listener), kNlConnectRequest, kNlConnectRequestSize));
  const NlSocket sb = acceptWithin(listener);
  ASSERT_NE(sa, NL_INVALID);
  ASSERT_NE(sb, NL_INVALID);
  const int32_t group = nlGroupCreate();
  ASSERT_TRUE(nlGroupAddSocket(group, sa));
  ASSERT_TRUE(nlGroupAddSocket(group, sb));
  NlSocket ready[4] = {};
  EXPECT_EQ(nlPollGroup(group, NL_READ_STATUS, ready, 4, 0), 0);
  ASSERT_TRUE(b.sendTo(portOf(sb), "hi", 2));
  EXPECT_EQ(nlPollGroup(group, NL_READ_STATUS, ready, 4, 2000), 1);
  EXPECT_EQ(ready[0], sb);
  EXPECT_TRUE(nlGroupDeleteSocket(group, sb));
  EXPECT_FALSE(nlGroupDeleteSocket(group, sb));
  EXPECT_EQ(nlGetError(), NL_SOCKET_NOT_FOUND);
  EXPECT_EQ(nlPollGroup(group, NL_READ_STATUS, ready, 4, 0), 0);
  EXPECT_FALSE(nlGroupAddSocket(group + 1, sa));
  EXPECT_EQ(nlGetError(), NL_INVALID_GROUP);
}

std::atomic<int> counted{0};
NlMutex sharedMutex = nullptr;
int guarded = 0;

void* countUnderTheMutex(void*) {
  for (int i = 0; i < 10000; ++i) {
    nlMutexLock(&sharedMutex);
    ++guarded;
    nlMutexUnlock(&sharedMutex);
  }
  counted.fetch_add(1);
  return nullptr;
}

TEST(NetLibraryThreads, ThreadsRunAndTheMutexGuards) {
  ASSERT_TRUE(nlMutexInit(&sharedMutex));
  EXPECT_NE(nlThreadCreate(countUnderTheMutex, nullptr, NL_FALSE), NL_INVALID);
  EXPECT_NE(nlThreadCreate(countUnderTheMutex, nullptr, NL_TRUE), NL_INVALID);
  const auto start = std::chrono::steady_clock::now();
  while (counted.load() < 2 && secondsSince(start) < 10) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(counted.load(), 2);
  nlMutexLock(&sharedMutex);
  EXPECT_EQ(guarded, 20000);
  nlMutexUnlock(&sharedMutex);
  EXPECT_TRUE(nlMutexDestroy(&sharedMutex));
  EXPECT_FALSE(nlMutexLock(&sharedMutex));
  EXPECT_EQ(nlGetError(), NL_NULL_POINTER);
  nlShutdown();  // joins the finished threads
}

}  // namespace
}  // namespace korvane::platform
