// The findPath command on program arrays: the refusals that leave the path alone, the empty
// result, the [n][2] layout, the weight, and random maps checked against Dijkstra.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "runtime/path/path.h"
#include "tests/path/grid_reference.h"

namespace korvane {
namespace {

using Cell = std::pair<int32_t, int32_t>;
using Cells = std::vector<Cell>;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A map of w x h cells, value(x, y) at element (x, y).
RtArray<double> makeMap(int32_t w, int32_t h,
                        const std::function<double(int32_t, int32_t)>& value) {
  RtArray<double> map;
  dimensionArray(map, w, h);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) elementAt(map, x, y) = value(x, y);
  }
  return map;
}

// Rows of text, one character per cell, '0' blocked; row y is the y-th string.
RtArray<double> mapFromRows(const std::vector<const char*>& rows) {
  const int32_t w = static_cast<int32_t>(std::strlen(rows[0]));
  return makeMap(w, static_cast<int32_t>(rows.size()),
                 [&](int32_t x, int32_t y) { return rows[y][x] - '0'; });
}

Cells cellsOf(const RtArray<double>& path) {
  Cells cells;
  for (int32_t i = 0; i < path.size0(); ++i) {
    cells.push_back(
        {static_cast<int32_t>(elementAt(path, i, 0)), static_cast<int32_t>(elementAt(path, i, 1))});
  }
  return cells;
}

enum class Outcome { kUntouched, kEmptied, kPath };

TEST(FindPathTest, EdgeCases) {
  const auto open3x1 = [] { return makeMap(3, 1, [](int32_t, int32_t) { return 4.0; }); };
  const auto blockedGoal = [] { return mapFromRows({"111", "110"}); };
  const auto enclosedGoal = [] { return mapFromRows({"1101", "1101", "1101"}); };
  const auto line = [] {
    RtArray<double> m;
    dimensionArray(m, 5);
    for (int i = 0; i < 5; ++i) elementAt(m, i) = 1;
    return m;
  };
  const auto nothingPositive = [] { return mapFromRows({"000", "000"}); };
  const auto neverDimensioned = [] { return RtArray<double>(); };
  const auto wall = [] { return mapFromRows({"11111", "19991", "11111"}); };
  const Cells straight = {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}};
  const Cells detour = {{0, 1}, {0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {4, 1}};

  struct Row {
    const char* name;
    std::function<RtArray<double>()> map;
    double weight, sx, sy, gx, gy;
    Outcome outcome;
    Cells path;
  };
  const Row rows[] = {
      {"3 by 1", open3x1, 0.5, 0, 0, 2, 0, Outcome::kPath, {{0, 0}, {1, 0}, {2, 0}}},
      {"3 by 1 backwards", open3x1, 0.5, 2, 0, 0, 0, Outcome::kPath, {{2, 0}, {1, 0}, {0, 0}}},
      {"coordinates truncated",
       open3x1,
       0.5,
       -0.5,
       0.9,
       2.99,
       -0.9,
       Outcome::kPath,
       {{0, 0}, {1, 0}, {2, 0}}},
      {"one-dimensional map", line, 0.5, 0, 0, 2, 0, Outcome::kUntouched, {}},
      {"never dimensioned", neverDimensioned, 0.5, 0, 0, 1, 0, Outcome::kUntouched, {}},
      {"start equals goal", open3x1, 0.5, 1, 0, 1, 0, Outcome::kUntouched, {}},
      {"start x at width", open3x1, 0.5, 3, 0, 1, 0, Outcome::kUntouched, {}},
      {"goal y below 0", open3x1, 0.5, 0, 0, 1, -1, Outcome::kUntouched, {}},
      {"start NaN", open3x1, 0.5, kNaN, 0, 1, 0, Outcome::kUntouched, {}},
      {"goal beyond 32 bits", open3x1, 0.5, 0, 0, 4294967296.0, 0, Outcome::kUntouched, {}},
      {"no positive cell", nothingPositive, 0.5, 0, 0, 2, 1, Outcome::kUntouched, {}},
      {"goal blocked", blockedGoal, 0.5, 0, 0, 2, 1, Outcome::kEmptied, {}},
      {"goal enclosed", enclosedGoal, 0.5, 0, 0, 3, 1, Outcome::kEmptied, {}},
      {"weight 0", wall, 0.0, 0, 1, 4, 1, Outcome::kPath, detour},
      {"weight 0.5", wall, 0.5, 0, 1, 4, 1, Outcome::kPath, detour},
      {"weight 1", wall, 1.0, 0, 1, 4, 1, Outcome::kPath, straight},
      {"weight above 1", wall, 3.0, 0, 1, 4, 1, Outcome::kPath, straight},
      {"weight below 0", wall, -2.0, 0, 1, 4, 1, Outcome::kPath, detour},
      {"weight NaN", wall, kNaN, 0, 1, 4, 1, Outcome::kPath, detour},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const RtArray<double> map = r.map();
    RtArray<double> path;
    dimensionArray(path, 1);
    elementAt(path, 0) = 42;
    const double n = findPath(map, path, r.weight, r.sx, r.sy, r.gx, r.gy);
    switch (r.outcome) {
      case Outcome::kUntouched:
        EXPECT_EQ(n, 0.0);
        EXPECT_EQ(path.dimensionCount(), 1);
        ASSERT_EQ(path.size0(), 1);
        EXPECT_EQ(elementAt(path, 0), 42.0);
        break;
      case Outcome::kEmptied:
        EXPECT_EQ(n, 0.0);
        EXPECT_EQ(path.dimensionCount(), 0);
        EXPECT_EQ(path.size0(), 0);
        EXPECT_EQ(path.elementIfValid(0), nullptr);
        break;
      case Outcome::kPath:
        EXPECT_EQ(n, static_cast<double>(r.path.size()));
        EXPECT_EQ(path.dimensionCount(), 2);
        EXPECT_EQ(path.size1(), 2);
        EXPECT_EQ(cellsOf(path), r.path);
        break;
    }
  }
}

TEST(FindPathTest, PathMayBeTheMapItself) {
  RtArray<double> map = mapFromRows({"111", "101", "111"});
  EXPECT_EQ(findPath(map, map, 0.5, 0, 1, 2, 1), 5.0);
  EXPECT_EQ(cellsOf(map), (Cells{{0, 1}, {0, 0}, {1, 0}, {2, 0}, {2, 1}}));
}

// Random maps of up to 20 x 20 cells (sides chosen apart, so a swapped x and y shows), with
// weight 0.5: the path is connected, runs from start to goal over open cells, and costs
// exactly what Dijkstra finds.
TEST(FindPathTest, RandomMapsGiveCheapestValidPaths) {
  std::mt19937 rng(1234567);
  int found = 0;
  for (int round = 0; round < 300; ++round) {
    const int32_t w = 1 + static_cast<int32_t>(rng() % 20);
    const int32_t h = (w == 1 ? 2 : 1) + static_cast<int32_t>(rng() % 20);
    std::vector<double> values(static_cast<size_t>(w * h));
    const std::vector<float> cost = testing_support::randomExactCosts(rng, values);
    const RtArray<double> map =
        makeMap(w, h, [&](int32_t x, int32_t y) { return values[y * w + x]; });
    const int32_t sx = rng() % w, sy = rng() % h;
    int32_t gx = rng() % w, gy = rng() % h;
    while (gx == sx && gy == sy) gx = rng() % w, gy = rng() % h;
    SCOPED_TRACE(testing::Message() << "round " << round << ": " << w << "x" << h << " from " << sx
                                    << "," << sy << " to " << gx << "," << gy);
    const float best = testing_support::dijkstra(cost, w, h, sx, sy, gx, gy, false);

    RtArray<double> path;
    const double n = findPath(map, path, 0.5, sx, sy, gx, gy);
    if (best < 0) {
      EXPECT_EQ(n, 0.0);
      EXPECT_EQ(path.size0(), 0);
      continue;
    }
    ++found;
    ASSERT_GE(n, 2.0);
    ASSERT_EQ(path.size0(), n);
    const Cells cells = cellsOf(path);
    EXPECT_EQ(cells.front(), (Cell{sx, sy}));
    EXPECT_EQ(cells.back(), (Cell{gx, gy}));
    float sum = 0;
    for (size_t i = 1; i < cells.size(); ++i) {
      const auto [x, y] = cells[i];
      ASSERT_EQ(std::abs(x - cells[i - 1].first) + std::abs(y - cells[i - 1].second), 1);
      ASSERT_TRUE(x >= 0 && x < w && y >= 0 && y < h);
      ASSERT_GT(values[y * w + x], 0.0) << "entered a blocked cell";
      sum += cost[y * w + x];
    }
    EXPECT_EQ(sum, best);
  }
  EXPECT_GT(found, 150);
}

}  // namespace
}  // namespace korvane
