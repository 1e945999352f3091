// A hosted session on loopback: user messages per second through the server to a player of the
// host (from the host's own connection, and from 50 connections at once: the server reads one
// datagram per connection and pass), and the round trip of a server query (which polls for its
// answer every 20 ms, so that poll sets its floor).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "runtime/net/net_message.h"
#include "runtime/net/net_session.h"
#include "runtime/platform/clock.h"
#include "runtime/platform/net_library.h"

namespace {

using korvane::NetSession;
using korvane::RtString;
namespace platform = korvane::platform;

// A batch that has not arrived within this time counts what is missing as lost.
constexpr double kBatchWaitMs = 5000;

int hostedPort = 0;

NetSession& hosted() {
  static NetSession* session = [] {
    auto* s = new NetSession;
    // Any free port of a small range: the bench must not collide with a session on 26000.
    for (int port = 26017; port < 26067; ++port) {
      if (s->hostSession(RtString(std::to_string(port).c_str())) == 1) {
        hostedPort = port;
        return s;
      }
    }
    std::fprintf(stderr, "net bench: no port to host on\n");
    return s;
  }();
  return *session;
}

// Takes `count` messages from the inbox of `to`; returns how many came in time.
int receiveAll(NetSession& session, const RtString& to, int count) {
  int got = 0;
  const double start = platform::monotonicMilliseconds();
  while (got < count && platform::monotonicMilliseconds() - start < kBatchWaitMs) {
    if (korvane::lengthOf(session.receiveMessage(to)) > 0) {
      ++got;
    } else {
      platform::sleepMilliseconds(1);
    }
  }
  return got;
}

void report(benchmark::State& state, long long delivered, long long lost) {
  state.SetItemsProcessed(delivered);
  state.counters["lost"] = static_cast<double>(lost);
}

void BM_MessagesFromOneConnection(benchmark::State& state) {
  NetSession& session = hosted();
  const RtString from = session.createPlayer("sender");
  const RtString to = session.createPlayer("receiver");
  const RtString text("a message of about forty bytes, numbered");
  const int batch = static_cast<int>(state.range(0));
  long long delivered = 0, lost = 0;
  for (auto _ : state) {
    for (int i = 0; i < batch; ++i) session.sendMessage(from, to, text);
    const int got = receiveAll(session, to, batch);
    delivered += got;
    lost += batch - got;
  }
  report(state, delivered, lost);
}
BENCHMARK(BM_MessagesFromOneConnection)
    ->Arg(50)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);

void BM_MessagesFromConnections(benchmark::State& state) {
  NetSession& session = hosted();
  const RtString to = session.createPlayer("receiver");
  const int32_t toId = static_cast<int32_t>(korvane::toNumber(to));
  const int count = static_cast<int>(state.range(0));
  std::vector<platform::NlSocket> senders;
  platform::NlAddress server;
  platform::nlGetAddrFromName("127.0.0.1", &server);
  platform::nlSetAddrPort(&server, static_cast<uint16_t>(hostedPort));
  for (int i = 0; i < count; ++i) {
    const platform::NlSocket s = platform::nlOpen(0, platform::NL_UNRELIABLE);
    if (s != platform::NL_INVALID && platform::nlConnect(s, &server)) senders.push_back(s);
  }
  korvane::NetMessage message(korvane::NetMessageType::kUserMessage, toId, 1);
  message.setPayload("from one of many connections", 28);
  long long delivered = 0, lost = 0;
  for (auto _ : state) {
    for (platform::NlSocket s : senders) {
      platform::nlWrite(s, message.area.data(), static_cast<int32_t>(message.datagramSize()));
    }
    const int got = receiveAll(session, to, static_cast<int>(senders.size()));
    delivered += got;
    lost += static_cast<long long>(senders.size()) - got;
  }
  state.counters["connections"] = static_cast<double>(senders.size());
  report(state, delivered, lost);
  for (platform::NlSocket s : senders) platform::nlClose(s);
}
BENCHMARK(BM_MessagesFromConnections)
    ->Arg(50)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(40);

void BM_QueryRoundTrip(benchmark::State& state) {
  NetSession& session = hosted();
  session.countPlayers();  // the session player is made once
  for (auto _ : state) benchmark::DoNotOptimize(session.countPlayers());
}
BENCHMARK(BM_QueryRoundTrip)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(30);

}  // namespace

BENCHMARK_MAIN();
