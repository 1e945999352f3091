// findPath per query on open, random-cost and maze maps, against a binary-heap A* over the same
// normalised costs, priority and tie rule. The growth of the ratio with the side shows what the
// sorted open list (linear cell lookup, copying middle insertion) costs.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <queue>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "runtime/path/path.h"
#include "runtime/path/planner.h"

namespace {

using korvane::RtArray;

enum class Kind { kOpen, kRandom, kMaze };
constexpr const char* kKindNames[] = {"open", "random", "maze"};
constexpr int32_t kSides[] = {32, 64, 128, 256};
constexpr double kWeight = 0.5;

struct Query {
  RtArray<double> map;
  std::vector<double> values;  // the same cells, x fastest
  int32_t side = 0;
  int32_t goalX = 0;
  int32_t goalY = 0;
};

// A perfect maze: rooms on even coordinates, walls between, carved by a seeded depth-first walk.
void carveMaze(std::vector<double>& v, int32_t side, std::mt19937& rng) {
  const int32_t rooms = side / 2;
  std::vector<char> seen(static_cast<size_t>(rooms * rooms), 0);
  std::vector<std::pair<int32_t, int32_t>> stack = {{0, 0}};
  seen[0] = 1;
  v[0] = 1;
  const int32_t steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
  while (!stack.empty()) {
    auto [rx, ry] = stack.back();
    int32_t options[4];
    int count = 0;
    for (int i = 0; i < 4; ++i) {
      const int32_t nx = rx + steps[i][0], ny = ry + steps[i][1];
      if (nx >= 0 && nx < rooms && ny >= 0 && ny < rooms && !seen[ny * rooms + nx]) {
        options[count++] = i;
      }
    }
    if (count == 0) {
      stack.pop_back();
      continue;
    }
    const int i = options[rng() % count];
    const int32_t nx = rx + steps[i][0], ny = ry + steps[i][1];
    seen[ny * rooms + nx] = 1;
    v[(ry + ny) * side + (rx + nx)] = 1;  // the wall between the two rooms
    v[(2 * ny) * side + 2 * nx] = 1;
    stack.push_back({nx, ny});
  }
}

const Query& query(Kind kind, int32_t side) {
  static std::map<std::pair<Kind, int32_t>, Query> cache;
  auto [it, fresh] = cache.try_emplace({kind, side});
  Query& q = it->second;
  if (!fresh) return q;
  q.side = side;
  q.values.assign(static_cast<size_t>(side * side), 1.0);
  std::mt19937 rng(side * 31 + static_cast<int>(kind));
  q.goalX = q.goalY = side - 1;
  if (kind == Kind::kRandom) {
    for (double& v : q.values) v = 1 + rng() % 16;
  } else if (kind == Kind::kMaze) {
    q.values.assign(q.values.size(), 0.0);
    carveMaze(q.values, side, rng);
    q.goalX = q.goalY = side - 2;  // the far room
  }
  korvane::dimensionArray(q.map, side, side);
  for (int32_t y = 0; y < side; ++y) {
    for (int32_t x = 0; x < side; ++x) korvane::elementAt(q.map, x, y) = q.values[y * side + x];
  }
  return q;
}

struct HeapResult {
  float cost = -1;
  int64_t expanded = 0;
  int32_t pathLength = 0;
};

// Textbook A* with a binary heap and lazy deletion, on the planner's rules: costs 1 + v / max,
// four neighbours in the planner's order, f = (h - g) w + g, equal f first-in first-out.
HeapResult heapAStar(const Query& q, float w) {
  const int32_t side = q.side;
  const size_t n = q.values.size();
  std::vector<float> cost(n);
  double largest = 0;
  for (double v : q.values) largest = v > largest ? v : largest;
  for (size_t i = 0; i < n; ++i) {
    cost[i] = q.values[i] > 0 ? 1.0f + static_cast<float>(q.values[i]) / float(largest) : -1;
  }
  std::vector<float> g(n, -1);
  std::vector<int32_t> parent(n, -1);
  std::vector<char> closed(n, 0);
  using Entry = std::tuple<float, uint64_t, int32_t>;  // f, insertion order, cell
  std::priority_queue<Entry, std::vector<Entry>, std::greater<>> open;
  uint64_t order = 0;
  const int32_t start = 0, goal = q.goalY * side + q.goalX;
  g[start] = 0;
  open.push({0, order++, start});
  const int32_t steps[4][2] = {{0, -1}, {1, 0}, {-1, 0}, {0, 1}};
  HeapResult r;
  while (!open.empty()) {
    const auto [f, seq, cell] = open.top();
    open.pop();
    if (closed[cell]) continue;
    closed[cell] = 1;
    ++r.expanded;
    if (cell == goal) {
      r.cost = g[cell];
      for (int32_t c = cell; c != -1; c = parent[c]) ++r.pathLength;
      return r;
    }
    const int32_t x = cell % side, y = cell / side;
    for (const auto& s : steps) {
      const int32_t nx = x + s[0], ny = y + s[1];
      if (nx < 0 || nx >= side || ny < 0 || ny >= side) continue;
      const int32_t next = ny * side + nx;
      if (cost[next] < 0 || closed[next]) continue;
      const float ng = g[cell] + cost[next];
      if (g[next] >= 0 && !(ng < g[next])) continue;
      g[next] = ng;
      parent[next] = cell;
      const float h = static_cast<float>(std::abs(q.goalX - nx) + std::abs(q.goalY - ny));
      open.push({(h - ng) * w + ng, order++, next});
    }
  }
  return r;
}

struct PlannerResult {
  float cost = -1;
  int32_t expanded = 0;
  int32_t pathLength = 0;
};

korvane::PlannerSettings settingsFor(const Query& q) {
  korvane::PlannerSettings s;
  s.goalX = q.goalX;
  s.goalY = q.goalY;
  s.diagonalFactor = 1;
  s.hashBits = 8;
  s.weight = static_cast<float>(kWeight);
  s.width = q.side;
  s.height = q.side;
  s.costData = q.values.data();
  return s;
}

// The command's planner, run once to read what the timed calls cannot report.
PlannerResult plannerRun(const Query& q) {
  korvane::AStarPlanner p;
  PlannerResult r;
  if (!p.configure(settingsFor(q))) return r;
  p.beginSearch();
  p.search();
  r.cost = p.goalCost();
  r.expanded = p.closedCount();  // consistent heuristic: no cell is expanded twice
  r.pathLength = p.pathNodeCount();
  return r;
}

// Both searches must agree on the cheapest cost before their times mean anything.
bool checkAgreement(benchmark::State& state, const Query& q) {
  const PlannerResult a = plannerRun(q);
  const HeapResult b = heapAStar(q, static_cast<float>(kWeight));
  if (a.cost < 0 || a.cost != b.cost) {
    state.SkipWithError("planner and heap A* disagree on the path cost");
    return false;
  }
  state.counters["expanded"] = a.expanded;
  state.counters["heap_expanded"] = static_cast<double>(b.expanded);
  state.counters["path"] = a.pathLength;
  return true;
}

void findPathQuery(benchmark::State& state, Kind kind, int32_t side) {
  const Query& q = query(kind, side);
  if (!checkAgreement(state, q)) return;
  RtArray<double> path;
  for (auto _ : state) {
    benchmark::DoNotOptimize(korvane::findPath(q.map, path, kWeight, 0, 0, q.goalX, q.goalY));
    benchmark::ClobberMemory();
  }
}

// The search alone on a configured planner: what the pools and the cost grid add per query.
void plannerSearchOnly(benchmark::State& state, Kind kind, int32_t side) {
  const Query& q = query(kind, side);
  if (!checkAgreement(state, q)) return;
  korvane::AStarPlanner p;
  p.configure(settingsFor(q));
  for (auto _ : state) {
    p.beginSearch();
    p.search();
    benchmark::DoNotOptimize(p.result());
    p.clearSearch();
  }
}

void heapQuery(benchmark::State& state, Kind kind, int32_t side) {
  const Query& q = query(kind, side);
  if (!checkAgreement(state, q)) return;
  for (auto _ : state) {
    benchmark::DoNotOptimize(heapAStar(q, static_cast<float>(kWeight)));
  }
}

}  // namespace

int main(int argc, char** argv) {
  struct Variant {
    const char* name;
    void (*run)(benchmark::State&, Kind, int32_t);
  };
  const Variant variants[] = {
      {"findPath", findPathQuery}, {"plannerSearch", plannerSearchOnly}, {"heapAStar", heapQuery}};
  for (int k = 0; k < 3; ++k) {
    for (int32_t side : kSides) {
      for (const Variant& v : variants) {
        const std::string name =
            std::string(v.name) + "/" + kKindNames[k] + "/" + std::to_string(side);
        benchmark::RegisterBenchmark(name.c_str(), v.run, static_cast<Kind>(k), side)
            ->Unit(benchmark::kMicrosecond);
      }
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
