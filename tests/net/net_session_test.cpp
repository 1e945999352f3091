// Sessions over loopback: this process hosts, second machines are child processes (a session
// is one per process) or raw sockets written here. Ids, queries, message routing, the default
// port, a killed client, the handshake byte for byte, hostile datagrams and the handler's checks.
#include "runtime/net/net_session.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "tests/net/net_test_support.h"
#include "tests/support/child_program.h"

namespace korvane {
namespace {

using testing::Bytes;
using testing::datagram;
using testing::int32At;
using testing::int32Payload;
using testing::joinRequestPayload;
using testing::PeerProcess;
using testing::RawUdp;
using testing::secondsSince;

std::string text(const RtString& s) { return std::string(viewOf(s)); }
RtString rt(const std::string& s) { return RtString(std::string_view(s)); }

constexpr uint8_t kJoin = 1, kAccepted = 2, kUser = 3, kLeave = 4, kCount = 101, kIdAt = 102,
                  kName = 103, kHello = 104;

// The first message for `id` on this process's session within `seconds`; "" if none came.
std::string receiveWithin(NetSession& session, const std::string& id, double seconds = 3) {
  const auto start = std::chrono::steady_clock::now();
  while (secondsSince(start) < seconds) {
    const std::string got = text(session.receiveMessage(rt(id)));
    if (!got.empty()) return got;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return "";
}

std::string receiveWithin(PeerProcess& peer, const std::string& id, double seconds = 3) {
  const auto start = std::chrono::steady_clock::now();
  while (secondsSince(start) < seconds) {
    const std::string got = peer.run("receive " + id);
    if (!got.empty()) return got;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return "";
}

// A raw machine in the session: the handshake done, then datagrams by hand.
struct RawMachine {
  RawUdp socket;
  uint16_t serverPort = 0;  // the host's new port for this machine

  bool connect(uint16_t listenPort) {
    serverPort = socket.handshake(listenPort, 3000);
    Bytes empty;
    uint16_t from = 0;
    return serverPort != 0 && socket.receive(empty, from, 2000) && empty.empty();
  }
  bool send(const Bytes& bytes) { return socket.sendTo(serverPort, bytes); }
  // The next datagram from the host within `ms`.
  bool next(Bytes& bytes, int ms = 2000) {
    uint16_t from = 0;
    return socket.receive(bytes, from, ms) && from == serverPort;
  }
  // Joins a player and returns its id (0 when no JoinAccepted came).
  int32_t join(const std::string& name) {
    if (!send(datagram(kJoin, 0, 0, joinRequestPayload(name)))) return 0;
    Bytes reply;
    const auto start = std::chrono::steady_clock::now();
    while (secondsSince(start) < 3) {
      if (next(reply, 200) && reply.size() == 17 && reply[4] == kAccepted) {
        return int32At(reply, 9);
      }
    }
    return 0;
  }
};

class HostedSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port_ = testing::freeUdpPort();
    ASSERT_EQ(host_.hostSession(rt(std::to_string(port_))), 1);
  }

  std::unique_ptr<PeerProcess> joinedPeer(const std::string& address = "127.0.0.1") {
    auto peer = std::make_unique<PeerProcess>(KORVANE_NET_PEER);
    EXPECT_TRUE(peer->started());
    EXPECT_EQ(peer->run("join " + address + " " + std::to_string(port_)), "1");
    return peer;
  }

  NetSession host_;
  uint16_t port_ = 0;
};

TEST_F(HostedSessionTest, IdsFollowTheJoinOrderAndTheQueriesAnswer) {
  EXPECT_EQ(text(host_.createPlayer("hostplayer")), "101") << "no query before it on this host";
  auto a = joinedPeer();
  // A's Hello made its session player 102.
  EXPECT_EQ(a->run("create alice"), "103");
  EXPECT_EQ(host_.countPlayers(), 2) << "session players are not counted";
  EXPECT_EQ(text(host_.playerIdAt(0)), "101");
  EXPECT_EQ(text(host_.playerIdAt(1)), "103");
  EXPECT_EQ(text(host_.playerIdAt(2)), "0");
  EXPECT_EQ(text(host_.playerIdAt(-1)), "0");
  EXPECT_EQ(text(host_.playerName("103")), "alice");
  EXPECT_EQ(a->run("name 101"), "hostplayer");

  // The empty address is this machine. The host's own session player took 104.
  auto b = joinedPeer("-");
  EXPECT_EQ(b->run("create bob"), "106");
  EXPECT_EQ(b->run("count"), "3");
  const std::string longName(200, 'n');
  const std::string longId = b->run("create " + longName);
  EXPECT_EQ(longId, "107");
  EXPECT_EQ(text(host_.playerName(rt(longId))), std::string(129, 'n')) << "names keep 129";
  // (text) arguments are read as numbers: a leading number, then truncated.
  EXPECT_EQ(text(host_.playerName(" 103.9xyz")), "alice");
}

TEST_F(HostedSessionTest, AfterAQueryTheFirstPlayerIs102) {
  EXPECT_EQ(host_.countPlayers(), 0);
  EXPECT_EQ(text(host_.createPlayer("first")), "102");
}

TEST_F(HostedSessionTest, MessagesReachTheirPlayersOnly) {
  const std::string h = text(host_.createPlayer("h"));
  auto a = joinedPeer();
  auto b = joinedPeer();
  const std::string alice = a->run("create alice");
  const std::string bob = b->run("create bob");
  ASSERT_NE(alice, "-1");
  ASSERT_NE(bob, "-1");

  // To 0: everybody but the sender.
  EXPECT_EQ(host_.sendMessage(rt(h), "0", "to all"), 1);
  EXPECT_EQ(receiveWithin(*a, alice), "to all");
  EXPECT_EQ(a->run("sender"), h);
  EXPECT_EQ(receiveWithin(*b, bob), "to all");
  EXPECT_EQ(receiveWithin(host_, h, 0.5), "");

  // To one id: that player only.
  EXPECT_EQ(a->run("send " + alice + " " + bob + " just bob"), "1");
  EXPECT_EQ(receiveWithin(*b, bob), "just bob");
  EXPECT_EQ(b->run("sender"), alice);
  EXPECT_EQ(a->run("send " + alice + " " + h + " for the host"), "1");
  EXPECT_EQ(receiveWithin(host_, h), "for the host");
  EXPECT_EQ(text(host_.lastMessageSender()), alice);
  // An empty inbox leaves the last sender.
  EXPECT_EQ(text(host_.receiveMessage(rt(h))), "");
  EXPECT_EQ(text(host_.lastMessageSender()), alice);
  EXPECT_EQ(receiveWithin(*a, alice, 0.3), "");

  // A text over 1024 bytes is cut there.
  const std::string big(1500, 'x');
  EXPECT_EQ(host_.sendMessage(rt(h), rt(alice), rt(big)), 1);
  EXPECT_EQ(receiveWithin(*a, alice), std::string(1024, 'x'));
}

TEST_F(HostedSessionTest, AnUnknownNameIsNoDataAfterFiveSeconds) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(text(host_.playerName("999")), "NO_DATA");
  EXPECT_GT(secondsSince(start), 4.5);
  EXPECT_LT(secondsSince(start), 8.0);
}

TEST_F(HostedSessionTest, AKilledClientIsDroppedWithItsFirstPlayer) {
  auto a = joinedPeer();
  const std::string x = a->run("create x");
  const std::string y = a->run("create y");
  ASSERT_NE(x, "-1");
  ASSERT_EQ(host_.serverPlayerCount(), 3u) << "A's session player, x and y";
  a->kill();
  // Writes to the dead machine's port are refused; the refusal drops its connection.
  const auto start = std::chrono::steady_clock::now();
  while (host_.serverPlayerCount() == 3 && secondsSince(start) < 5) {
    host_.sendMessage("1", "0", "anyone there?");
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
  }
  EXPECT_EQ(host_.serverPlayerCount(), 2u) << "only the first player of the connection goes";
  EXPECT_EQ(host_.countPlayers(), 2);
  EXPECT_EQ(text(host_.playerName(rt(x))), "x");
  EXPECT_EQ(text(host_.playerName(rt(y))), "y");
}

TEST_F(HostedSessionTest, TheHandshakeAndTheAnswersByteForByte) {
  RawUdp raw;
  Bytes reply;
  const uint16_t newPort = raw.handshake(port_, 3000, &reply);
  ASSERT_NE(newPort, 0);
  const char ok[] = "HawkNL connection OK.";
  EXPECT_EQ(Bytes(reply.begin() + 2, reply.end()), Bytes(ok, ok + sizeof ok));
  Bytes empty{1};
  uint16_t from = 0;
  ASSERT_TRUE(raw.receive(empty, from, 2000));
  EXPECT_EQ(from, newPort);
  EXPECT_TRUE(empty.empty());

  // The first player of a fresh host is 101; the answer is exactly the 17-byte header.
  ASSERT_TRUE(raw.sendTo(newPort, datagram(kJoin, 0, 0, joinRequestPayload("raw"))));
  Bytes accepted;
  ASSERT_TRUE(raw.receive(accepted, from, 2000));
  EXPECT_EQ(accepted, datagram(kAccepted, 101, 0));
  ASSERT_TRUE(raw.sendTo(newPort, datagram(kHello, 0, 101)));
  Bytes hello;
  ASSERT_TRUE(raw.receive(hello, from, 2000));
  EXPECT_EQ(hello, datagram(kHello, 101, 0, int32Payload(1)));
  ASSERT_TRUE(raw.sendTo(newPort, datagram(kName, 0, 101, int32Payload(101))));
  Bytes name;
  ASSERT_TRUE(raw.receive(name, from, 2000));
  EXPECT_EQ(name, datagram(kName, 101, 0, Bytes{'r', 'a', 'w'}));
  // A Leave removes the player; a name query for it then gets no answer.
  ASSERT_TRUE(raw.sendTo(newPort, datagram(kLeave, 0, 101)));
  ASSERT_TRUE(raw.sendTo(newPort, datagram(kCount, 0, 101)));
  Bytes none;
  EXPECT_FALSE(raw.receive(none, from, 500)) << "the sender is no player any more";
  EXPECT_EQ(host_.serverPlayerCount(), 0u);
}

TEST_F(HostedSessionTest, HostileDatagramsChangeNothing) {
  const std::string h = text(host_.createPlayer("h"));
  auto a = joinedPeer();
  const std::string alice = a->run("create alice");
  ASSERT_NE(alice, "-1");
  RawMachine raw;
  ASSERT_TRUE(raw.connect(port_));
  const int32_t rawId = raw.join("raw");
  ASSERT_GT(rawId, 0);
  // Answers forged by a client while a player waits for its id never reach that player: only
  // what the server sends on this machine's own connection counts.
  std::atomic<bool> forging{true};
  std::thread forger([&] {
    for (int i = 0; i < 2000 && forging.load(); ++i) {
      raw.send(datagram(kAccepted, 4242, 0));
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const std::string waited = text(host_.createPlayer("waiting"));
  forging = false;
  forger.join();
  EXPECT_NE(waited, "4242");
  EXPECT_NE(waited, "-1");
  const size_t players = host_.serverPlayerCount();

  Bytes longer = datagram(kUser, std::stoi(h), rawId, Bytes(20, 'q'));
  testing::putInt32(longer, 5, 100);
  std::vector<Bytes> hostile = {
      Bytes{'K', 'R', 'V', 'N', kUser, 0, 0, 0, 0, 0},
      datagram(kUser, std::stoi(h), rawId, Bytes{'w'}),
      longer,
      datagram(kJoin, 0, rawId, Bytes(151, 0)),
      datagram(kIdAt, 0, rawId),
      datagram(kName, 0, rawId, Bytes{1, 0}),
      datagram(kUser, 5555, rawId, Bytes{'l', 'o', 's', 't'}),
      datagram(kAccepted, 0, 0),
      datagram(kAccepted, std::stoi(h), 0),
  };
  hostile[1][0] = 'X';  // wrong magic
  for (int32_t length : {-1, 1025, 0x7fffffff}) {
    Bytes bad = datagram(kUser, std::stoi(h), rawId, Bytes(40, 'z'));
    testing::putInt32(bad, 5, length);
    hostile.push_back(bad);
  }
  std::mt19937 random(17);
  for (int i = 0; i < 300; ++i) {
    Bytes noise(random() % 1100);
    for (uint8_t& byte : noise) byte = static_cast<uint8_t>(random());
    if (i % 2 == 0 && noise.size() >= 4) std::memcpy(noise.data(), "KRVN", 4);
    hostile.push_back(noise);
  }

  int good = 0;
  for (size_t i = 0; i < hostile.size(); ++i) {
    ASSERT_TRUE(raw.send(hostile[i]));
    if (i % 20 == 0) {
      EXPECT_EQ(a->run("send " + alice + " " + h + " good " + std::to_string(good)), "1");
      ++good;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(12));
  }
  for (int i = 0; i < good; ++i) {
    EXPECT_EQ(receiveWithin(host_, h), "good " + std::to_string(i));
  }
  EXPECT_EQ(receiveWithin(host_, h, 0.3), "") << "nothing hostile was delivered";
  EXPECT_EQ(host_.serverPlayerCount(), players);
  EXPECT_EQ(host_.countPlayers(), 4);
  // The raw machine is still served.
  Bytes answer;
  while (raw.next(answer, 100)) {
  }
  ASSERT_TRUE(raw.send(datagram(kHello, 0, rawId)));
  ASSERT_TRUE(raw.next(answer));
  EXPECT_EQ(answer, datagram(kHello, rawId, 0, int32Payload(1)));
}

TEST_F(HostedSessionTest, TheShutdownSendsALeaveForEveryPlayer) {
  auto a = joinedPeer();
  ASSERT_NE(a->run("create x"), "-1");
  ASSERT_NE(a->run("create y"), "-1");
  ASSERT_EQ(host_.serverPlayerCount(), 3u);
  EXPECT_EQ(a->run("remove -4"), "1") << "a negative id sends nothing";
  ASSERT_TRUE(a->quit());
  EXPECT_TRUE(testing::waitUntil([&] { return host_.serverPlayerCount() == 0; }, 3))
      << "the session player and both players left";
}

TEST(SessionFailureTest, AFailedHostOrJoinLeavesTheSessionIdle) {
  NetSession session;
  RawUdp taken;
  EXPECT_EQ(session.hostSession(rt(std::to_string(taken.port()))), 0) << "the port is taken";
  EXPECT_FALSE(session.workerRunning());
  EXPECT_EQ(session.hostSession("70000"), 0) << "no such port";
  // Nobody answers the connection request: the connect gives up after six seconds.
  RawUdp silent;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(session.joinSession("127.0.0.1", rt(std::to_string(silent.port()))), 0);
  EXPECT_NEAR(secondsSince(start), 6.0, 1.0);
  EXPECT_FALSE(session.workerRunning());
  EXPECT_EQ(session.sendMessage("1", "0", "nobody"), 0) << "no client socket";
  EXPECT_EQ(session.removePlayer("101"), 1);
}

// The listening socket failing in the system (here: its descriptor turned into a file) ends the
// session from the worker; the next host starts afresh.
TEST(SessionFailureTest, AFailingListenSocketEndsTheSession) {
  NetSession host;
  const uint16_t port = testing::freeUdpPort();
  ASSERT_EQ(host.hostSession(rt(std::to_string(port))), 1);
  int listener = -1;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    const int fd = std::atoi(entry.path().filename().c_str());
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    int type = 0;
    socklen_t typeLength = sizeof type;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) == 0 &&
        bound.sin_family == AF_INET && ntohs(bound.sin_port) == port &&
        getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &typeLength) == 0 && type == SOCK_DGRAM) {
      listener = fd;
    }
  }
  ASSERT_GE(listener, 0);
  const int file = open("/dev/null", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(dup2(file, listener), 0);
  close(file);
  EXPECT_TRUE(testing::waitUntil([&] { return !host.workerRunning(); }, 3));
  EXPECT_EQ(host.sendMessage("1", "0", "gone"), 0) << "the client socket went with it";
  EXPECT_EQ(host.hostSession(rt(std::to_string(port))), 1);
  EXPECT_EQ(text(host.createPlayer("again")), "101");
}

// 99 machines and the host's own client fill the 100 connections; each machine sends a numbered
// message every 20 ms; each message is delivered once or counted lost, queries are answered
// meanwhile, and a 101st machine gets no connection.
TEST_F(HostedSessionTest, AHundredConnectionsUnderLoad) {
  const std::string h = text(host_.createPlayer("h"));
  const int32_t hostId = std::stoi(h);
  constexpr int kMachines = kMaxServerConnections - 1;
  constexpr int kRounds = 100;
  std::vector<std::unique_ptr<RawMachine>> machines;
  for (int i = 0; i < kMachines; ++i) {
    machines.push_back(std::make_unique<RawMachine>());
    ASSERT_TRUE(machines.back()->connect(port_)) << "machine " << i;
  }
  std::atomic<bool> sending{true};
  std::thread sender([&] {
    for (int round = 0; round < kRounds; ++round) {
      for (int i = 0; i < kMachines; ++i) {
        const std::string body = std::to_string(i) + ":" + std::to_string(round);
        machines[i]->send(datagram(kUser, hostId, 1000 + i, Bytes(body.begin(), body.end())));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    sending = false;
  });
  std::set<std::string> seen;
  int duplicates = 0, strange = 0;
  double countDuringLoad = -1;
  const auto start = std::chrono::steady_clock::now();
  auto drain = [&] {
    for (std::string got = text(host_.receiveMessage(rt(h))); !got.empty();
         got = text(host_.receiveMessage(rt(h)))) {
      const size_t colon = got.find(':');
      if (colon == std::string::npos || std::stoi(got.substr(0, colon)) >= kMachines ||
          std::stoi(got.substr(colon + 1)) >= kRounds) {
        ++strange;
      } else if (!seen.insert(got).second) {
        ++duplicates;
      }
    }
  };
  while (secondsSince(start) < 1.0) {
    drain();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  countDuringLoad = host_.countPlayers();
  // The inbox holds 1024 messages: it is emptied while the machines send.
  while (sending.load() && secondsSince(start) < 30) {
    drain();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  sender.join();
  const auto quiet = std::chrono::steady_clock::now();
  size_t before = 0;
  do {
    before = seen.size();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    drain();
  } while (seen.size() != before && secondsSince(quiet) < 10);

  const int sent = kMachines * kRounds;
  const int delivered = static_cast<int>(seen.size());
  std::printf("load: %d sent, %d delivered, %d lost\n", sent, delivered, sent - delivered);
  EXPECT_EQ(duplicates, 0);
  EXPECT_EQ(strange, 0);
  EXPECT_LE(delivered, sent);
  EXPECT_GT(delivered, 0);
  EXPECT_EQ(countDuringLoad, 1) << "the host's player; raw machines made none";
  std::map<int, int> perMachine;
  for (const std::string& got : seen) ++perMachine[std::stoi(got.substr(0, got.find(':')))];
  EXPECT_EQ(perMachine.size(), static_cast<size_t>(kMachines)) << "every connection is served";

  // The 101st connection request is read and not answered.
  RawUdp extra;
  const auto asked = std::chrono::steady_clock::now();
  EXPECT_EQ(extra.handshake(port_, 7000), 0);
  EXPECT_LT(secondsSince(asked), 7.5);
  EXPECT_EQ(host_.countPlayers(), 1) << "still answering";
}

// Port 0 or below is 26000; listing the addresses ends the session. (The suite holds the
// 26000 lock.)
TEST(DefaultPortTest, PortZeroOrNegativeIsTheDefaultAndListingEndsTheSession) {
  NetSession host;
  for (const char* port : {"0", "-3"}) {
    ASSERT_EQ(host.hostSession(port), 1) << port;
    RawUdp raw;
    EXPECT_NE(raw.handshake(26000, 3000), 0) << port;
  }
  EXPECT_TRUE(host.workerRunning());
  const std::string addresses = text(host.listLocalAddresses());
  EXPECT_NE(addresses.find("127.0.0.1:26000"), std::string::npos) << addresses;
  EXPECT_FALSE(host.workerRunning());
  RawUdp raw;
  EXPECT_EQ(raw.handshake(26000, 1000), 0) << "nobody listens after the listing";
  auto peer = std::make_unique<PeerProcess>(KORVANE_NET_PEER);
  EXPECT_EQ(peer->run("host 0"), "1");
  EXPECT_EQ(host.joinSession("", "-1"), 1) << "the empty address on the default port";
  EXPECT_EQ(text(host.createPlayer("me")), "102");
}

// The handler alone, without sockets: what it takes and what it drops.
TEST(DatagramHandlerTest, OnlyWholeMessagesWithinTheirLengthAreTaken) {
  NetSession session;
  struct Row {
    const char* what;
    Bytes bytes;
    bool taken;
  };
  Bytes exact = datagram(kUser, 5, 6, Bytes{'a', 'b'});
  Bytes trailing = exact;
  trailing.push_back('!');
  Bytes negative = exact, tooLong = exact, huge = exact, beyond = exact;
  testing::putInt32(negative, 5, -1);
  testing::putInt32(tooLong, 5, 1025);
  testing::putInt32(huge, 5, 0x7fffffff);
  testing::putInt32(beyond, 5, 3);
  Bytes wrongMagic = exact;
  wrongMagic[3] = 'X';
  const Row rows[] = {
      {"exact", exact, true},
      {"bytes beyond the length", trailing, true},
      {"header only", datagram(kHello, 0, 1), true},
      {"full payload", datagram(kUser, 1, 2, Bytes(1024, 'p')), true},
      {"16 bytes", Bytes(exact.begin(), exact.begin() + 16), false},
      {"empty", Bytes{}, false},
      {"wrong magic", wrongMagic, false},
      {"length -1", negative, false},
      {"length 1025", tooLong, false},
      {"length 0x7fffffff", huge, false},
      {"length beyond the bytes", beyond, false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(session.acceptDatagram(row.bytes.data(), row.bytes.size(), platform::NL_INVALID),
              row.taken)
        << row.what;
  }
  EXPECT_EQ(session.receivedCount(), 4u);
  session.handleReceived(true);
  EXPECT_EQ(session.receivedCount(), 0u) << "every pass ends with an empty queue";
}

TEST(DatagramHandlerTest, ShortQueriesAndJoinRequestsAreDropped) {
  NetSession session;
  const platform::NlSocket connection = 12345;  // no socket: answers go nowhere
  const Bytes messages[] = {
      datagram(kJoin, 0, 0, Bytes(151, 0)),
      datagram(kIdAt, 0, 101, Bytes{0, 0}),
      datagram(kName, 0, 101),
      datagram(kJoin, 0, 0, joinRequestPayload(std::string(300, 'n'))),
      datagram(kJoin, 0, 0, joinRequestPayload("hidden", 1)),
  };
  for (const Bytes& m : messages) session.acceptDatagram(m.data(), m.size(), connection);
  session.handleReceived(true);
  EXPECT_EQ(session.serverPlayerCount(), 2u) << "only the two whole JoinRequests joined";
}

}  // namespace
}  // namespace korvane
