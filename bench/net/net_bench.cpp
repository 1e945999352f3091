// A hosted session on loopback: user messages per second from one player to another through the
// server and back (batches of 200, each waited for), and the round trip of a server query (which
// polls for its answer every 20 ms, so that poll sets its floor).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "runtime/net/net_session.h"
#include "runtime/platform/clock.h"

namespace {

using korvane::NetSession;
using korvane::RtString;

constexpr int kBatch = 200;
// A batch that has not arrived within this time counts what is missing as lost.
constexpr double kBatchWaitMs = 2000;

NetSession& hosted() {
  static NetSession* session = [] {
    auto* s = new NetSession;
    // Any free port of a small range: the bench must not collide with a session on 26000.
    for (int port = 26017; port < 26067; ++port) {
      if (s->hostSession(RtString(std::to_string(port).c_str())) == 1) return s;
    }
    std::fprintf(stderr, "net bench: no port to host on\n");
    return s;
  }();
  return *session;
}

void BM_MessagesThroughTheServer(benchmark::State& state) {
  NetSession& session = hosted();
  const RtString from = session.createPlayer("sender");
  const RtString to = session.createPlayer("receiver");
  const RtString text("a message of about forty bytes, numbered");
  long long delivered = 0, lost = 0;
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) session.sendMessage(from, to, text);
    int got = 0;
    const double start = korvane::platform::monotonicMilliseconds();
    while (got < kBatch && korvane::platform::monotonicMilliseconds() - start < kBatchWaitMs) {
      if (korvane::lengthOf(session.receiveMessage(to)) > 0) {
        ++got;
      } else {
        korvane::platform::sleepMilliseconds(1);
      }
    }
    delivered += got;
    lost += kBatch - got;
  }
  state.SetItemsProcessed(delivered);
  state.counters["lost"] = static_cast<double>(lost);
}
BENCHMARK(BM_MessagesThroughTheServer)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_QueryRoundTrip(benchmark::State& state) {
  NetSession& session = hosted();
  session.countPlayers();  // the session player is made once
  for (auto _ : state) benchmark::DoNotOptimize(session.countPlayers());
}
BENCHMARK(BM_QueryRoundTrip)->Unit(benchmark::kMillisecond)->Iterations(30);

}  // namespace

BENCHMARK_MAIN();
