// A plain Dijkstra search over normalised float cell costs, the yardstick for the planner.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <queue>
#include <utility>
#include <vector>

namespace korvane::testing_support {

// Cheapest cost from (sx, sy) to (gx, gy) over cost (cell (x, y) at y * w + x, below 0 blocked),
// or -1 when unreachable. Entering a cell costs its cost; the start cell is never paid for. A
// diagonal step costs the cell cost times the float one unit above the nearest to sqrt(2).
inline float dijkstra(const std::vector<float>& cost, int32_t w, int32_t h, int32_t sx, int32_t sy,
                      int32_t gx, int32_t gy, bool diagonal) {
  const float inf = std::numeric_limits<float>::infinity();
  const float multiplier = std::nextafter(static_cast<float>(std::sqrt(2.0)), 2.0f);
  std::vector<float> best(cost.size(), inf);
  using Entry = std::pair<float, int32_t>;
  std::priority_queue<Entry, std::vector<Entry>, std::greater<>> heap;
  best[sy * w + sx] = 0;
  heap.push({0, sy * w + sx});
  while (!heap.empty()) {
    auto [g, i] = heap.top();
    heap.pop();
    if (g > best[i]) continue;
    const int32_t x = i % w, y = i / w;
    for (int32_t dy = -1; dy <= 1; ++dy) {
      for (int32_t dx = -1; dx <= 1; ++dx) {
        const bool isDiagonal = dx != 0 && dy != 0;
        if ((dx == 0 && dy == 0) || (isDiagonal && !diagonal)) continue;
        const int32_t nx = x + dx, ny = y + dy;
        if (nx < 0 || nx >= w || ny < 0 || ny >= h) continue;
        const int32_t n = ny * w + nx;
        if (cost[n] < 0) continue;
        const float ng = g + (isDiagonal ? cost[n] * multiplier : cost[n]);
        if (ng < best[n]) {
          best[n] = ng;
          heap.push({ng, n});
        }
      }
    }
  }
  const float d = best[gy * w + gx];
  return d == inf ? -1.0f : d;
}

// Integer values 0 .. 16 (about a quarter 0) with 16 present at least once: 1 + v / 16 and
// all sums along short paths are exact floats. Returns the normalised costs.
template <typename Rng>
std::vector<float> randomExactCosts(Rng& rng, std::vector<double>& values) {
  for (double& v : values) v = rng() % 4 == 0 ? 0.0 : static_cast<double>(1 + rng() % 16);
  values[rng() % values.size()] = 16;
  std::vector<float> cost(values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    cost[i] = values[i] > 0 ? 1.0f + static_cast<float>(values[i]) / 16.0f : -1.0f;
  }
  return cost;
}

}  // namespace korvane::testing_support
