// The planner and its A* search on plain cost data: normalisation, refusals, the priority and
// its tie rule, the diagonal branch, short pools, the life cycle, and random maps checked
// against a Dijkstra search written here.
#include "runtime/path/planner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "tests/path/grid_reference.h"

namespace korvane {
namespace {

using Cell = std::pair<int32_t, int32_t>;
using Cells = std::vector<Cell>;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Exposes the lists so the tests can look at every node the search holds.
class InspectablePlanner : public AStarPlanner {
 public:
  using AStarPlanner::closedTable_;
  using AStarPlanner::openList_;
};

PlannerSettings settingsFor(const std::vector<double>& values, int32_t w, int32_t h, Cell start,
                            Cell goal, float weight = 0.5f) {
  PlannerSettings s;
  s.startX = start.first;
  s.startY = start.second;
  s.goalX = goal.first;
  s.goalY = goal.second;
  s.diagonalFactor = 1;
  s.diagonalMoves = 0;
  s.hashBits = 8;
  s.weight = weight;
  s.width = w;
  s.height = h;
  s.costData = values.data();
  return s;
}

Cells pathOf(const Planner& p) {
  Cells cells;
  for (const Node* n = p.result(); n != nullptr; n = n->parent)
    cells.insert(cells.begin(), {n->x, n->y});
  return cells;
}

// Runs one whole search; the result stays in the planner.
void run(Planner& p) {
  p.beginSearch();
  ASSERT_TRUE(p.search());
  ASSERT_TRUE(p.done());
}

TEST(PlannerConfigureTest, CostsAreNormalisedIntoOneToTwo) {
  struct Row {
    const char* name;
    int32_t w, h;
    std::vector<double> values;
    std::vector<float> costs;
  };
  const Row rows[] = {
      {"5 and 10", 3, 2, {5, 5, 10, 5, 5, 5}, {1.5f, 1.5f, 2, 1.5f, 1.5f, 1.5f}},
      {"only 7 positive", 2, 2, {0, 7, -2, 7}, {-1, 2, -1, 2}},
      {"not finite", 5, 1, {kNaN, kInf, -kInf, 4, 1}, {-1, -1, -1, 2, 1.25f}},
      {"beyond float range", 3, 1, {1e300, 2, 1}, {-1, 2, 1.5f}},
      {"fractions", 3, 1, {0.25, 0.5, 1}, {1.25f, 1.5f, 2}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    AStarPlanner p;
    ASSERT_TRUE(p.configure(settingsFor(r.values, r.w, r.h, {0, 0}, {1, 0})));
    for (int32_t y = 0; y < r.h; ++y) {
      for (int32_t x = 0; x < r.w; ++x) EXPECT_EQ(p.cellCost(x, y), r.costs[y * r.w + x]);
    }
    EXPECT_EQ(p.cellCost(-1, 0), kBlockedCost);
    EXPECT_EQ(p.cellCost(r.w, 0), kBlockedCost);
  }
}

TEST(PlannerConfigureTest, UnusableSettingsAreRefused) {
  const std::vector<double> ones(6, 1.0);
  const std::vector<double> none = {0, -1, 0, kNaN, 0, 0};
  struct Row {
    const char* name;
    void (*change)(PlannerSettings&, const std::vector<double>&);
    bool keepsPrevious;  // refused before anything was touched
  };
  const Row rows[] = {
      {"start x below 0", [](PlannerSettings& s, auto&) { s.startX = -1; }, true},
      {"start x at width", [](PlannerSettings& s, auto&) { s.startX = 3; }, true},
      {"start y at height", [](PlannerSettings& s, auto&) { s.startY = 2; }, true},
      {"goal y below 0", [](PlannerSettings& s, auto&) { s.goalY = -1; }, true},
      {"goal x at width", [](PlannerSettings& s, auto&) { s.goalX = 3; }, true},
      {"start equals goal", [](PlannerSettings& s, auto&) { s.startX = 2, s.startY = 1; }, true},
      {"height 0", [](PlannerSettings& s, auto&) { s.height = 0, s.startY = s.goalY = 0; }, true},
      {"width negative", [](PlannerSettings& s, auto&) { s.width = -3; }, true},
      {"cells beyond 32 bits", [](PlannerSettings& s, auto&) { s.width = 65536, s.height = 32768; },
       true},
      {"no cost data", [](PlannerSettings& s, auto&) { s.costData = nullptr; }, true},
      {"no positive cell", [](PlannerSettings& s, auto& v) { s.costData = v.data(); }, true},
      {"negative pool", [](PlannerSettings& s, auto&) { s.nodePoolSize = -1; }, false},
      {"negative open list", [](PlannerSettings& s, auto&) { s.openListCapacity = -5; }, false},
  };
  const std::vector<double> previous(4, 7.0);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    AStarPlanner p;
    ASSERT_TRUE(p.configure(settingsFor(previous, 2, 2, {0, 0}, {1, 1})));
    PlannerSettings bad = settingsFor(ones, 3, 2, {0, 0}, {2, 1});
    r.change(bad, none);
    EXPECT_FALSE(p.configure(bad));
    run(p);
    if (r.keepsPrevious) {
      EXPECT_EQ(p.settings().width, 2);
      EXPECT_EQ(p.cellCost(1, 1), 2.0f);
      EXPECT_EQ(p.pathNodeCount(), 3);
    } else {
      EXPECT_EQ(p.cellCost(0, 0), kBlockedCost);
      EXPECT_EQ(p.result(), nullptr);
    }
  }
}

// A wall of expensive cells between start and goal with a cheap way round: the detour costs
// 6 x (1 + 1/9), straight through costs 3 x 2 + (1 + 1/9).
TEST(AStarPlannerTest, WeightSteersBetweenCostAndDistance) {
  const std::vector<double> map = {1, 1, 1, 1, 1,  //
                                   1, 9, 9, 9, 1,  //
                                   1, 1, 1, 1, 1};
  const float cheap = 1.0f + 1.0f / 9.0f;
  const float detour = cheap + cheap + cheap + cheap + cheap + cheap;
  const float straight = 2.0f + 2.0f + 2.0f + cheap;
  const Cells straightPath = {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}};
  struct Row {
    float weight;
    float cost;
    float sameAsWeight;  // a weight that must give the very same search
  };
  const Row rows[] = {
      {0.0f, detour, 0.0f},   {0.5f, detour, 0.5f},
      {1.0f, straight, 1.0f}, {-3.0f, detour, 0.0f},
      {7.0f, straight, 1.0f}, {std::numeric_limits<float>::quiet_NaN(), detour, 0.5f},
  };
  auto expanded = [&](float weight) {
    AStarPlanner p;
    EXPECT_TRUE(p.configure(settingsFor(map, 5, 3, {0, 1}, {4, 1}, weight)));
    run(p);
    return p.closedCount();
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.weight);
    AStarPlanner p;
    ASSERT_TRUE(p.configure(settingsFor(map, 5, 3, {0, 1}, {4, 1}, r.weight)));
    EXPECT_GE(p.settings().weight, 0.0f);
    EXPECT_LE(p.settings().weight, 1.0f);
    run(p);
    EXPECT_EQ(p.goalCost(), r.cost);
    EXPECT_EQ(pathOf(p) == straightPath, r.cost == straight);
    EXPECT_EQ(p.closedCount(), expanded(r.sameAsWeight));
  }
  // Cost alone looks at more cells than cost with distance, which looks at more than distance.
  EXPECT_GT(expanded(0.0f), expanded(0.5f));
  EXPECT_GT(expanded(0.5f), expanded(1.0f));
  EXPECT_EQ(expanded(1.0f), 5);  // greedy walks straight at the goal: 4 cells and the goal
}

TEST(AStarPlannerTest, EqualPrioritiesComeOffFirstInFirstOut) {
  const float fs[] = {3, 1, 3, 2, 1, 3, 2};
  Node nodes[7];
  FixedDeque<Node*> list;
  ASSERT_TRUE(list.setCapacity(7));
  for (int i = 0; i < 7; ++i) {
    nodes[i].x = i;
    nodes[i].f = fs[i];
    ASSERT_TRUE(insertByPriority(list, &nodes[i]));
    for (int32_t k = 1; k < list.size(); ++k) EXPECT_GE(list.at(k - 1)->f, list.at(k)->f);
  }
  Node extra;
  EXPECT_FALSE(insertByPriority(list, &extra));
  std::vector<int32_t> order;
  for (; !list.empty(); list.popBack()) order.push_back(list.back()->x);
  EXPECT_EQ(order, (std::vector<int32_t>{1, 4, 3, 6, 0, 2, 5}));

  // Equal ways to the goal: the one whose first step is visited first wins, which pins the
  // neighbour order (x, y-1) before (x+1, y) before (x-1, y) before (x, y+1).
  const std::vector<double> open(4, 1.0);
  const std::vector<double> ring = {1, 1, 1, 1, 0, 1, 1, 1, 1};
  struct Row {
    const char* name;
    const std::vector<double>& map;
    int32_t size;
    Cell start, goal;
    Cells path;
  };
  const Row rows[] = {
      {"right before down", open, 2, {0, 0}, {1, 1}, {{0, 0}, {1, 0}, {1, 1}}},
      {"right before left", ring, 3, {1, 0}, {1, 2}, {{1, 0}, {2, 0}, {2, 1}, {2, 2}, {1, 2}}},
      {"up before down", ring, 3, {0, 1}, {2, 1}, {{0, 1}, {0, 0}, {1, 0}, {2, 0}, {2, 1}}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    AStarPlanner p;
    ASSERT_TRUE(p.configure(settingsFor(r.map, r.size, r.size, r.start, r.goal)));
    run(p);
    EXPECT_EQ(pathOf(p), r.path);
    EXPECT_EQ(p.goalCost(), 2.0f * static_cast<float>(r.path.size() - 1));
  }
}

TEST(AStarPlannerTest, DiagonalStepsUseTheirMultiplierAndCutCorners) {
  const float multiplier = std::nextafter(static_cast<float>(std::sqrt(2.0)), 2.0f);
  auto cost = [](float v) { return 1.0f + v / 9.0f; };
  const std::vector<double> uniform(9, 1.0);
  const std::vector<double> corners = {1, 0, 0, 1};
  // The diagonal through (1, 1) closes (2, 1) first; the cheaper way in through (1, 0) comes
  // later and has to take (2, 1) back out of the closed table.
  const std::vector<double> reopen = {3, 3, 8, 4,  //
                                      9, 5, 1, 8};
  struct Row {
    const char* name;
    const std::vector<double>& map;
    int32_t w, h;
    uint8_t moves, factor;
    Cells path;
    float cost;
  };
  const Row rows[] = {
      {"diagonal with factor",
       uniform,
       3,
       3,
       1,
       1,
       {{0, 0}, {1, 1}, {2, 2}},
       2.0f * multiplier + 2.0f * multiplier},
      {"diagonal without factor", uniform, 3, 3, 1, 0, {{0, 0}, {1, 1}, {2, 2}}, 4.0f},
      {"four neighbours", uniform, 3, 3, 0, 1, {{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}}, 8.0f},
      {"corner cut", corners, 2, 2, 1, 1, {{0, 0}, {1, 1}}, 2.0f * multiplier},
      {"corner blocked", corners, 2, 2, 0, 1, {}, -1.0f},
      {"closed cell reopened",
       reopen,
       4,
       2,
       1,
       1,
       {{0, 0}, {1, 0}, {2, 1}, {3, 1}},
       cost(3) + cost(1) * multiplier + cost(8)},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    AStarPlanner p;
    PlannerSettings s = settingsFor(r.map, r.w, r.h, {0, 0}, {r.w - 1, r.h - 1});
    s.diagonalMoves = r.moves;
    s.diagonalFactor = r.factor;
    ASSERT_TRUE(p.configure(s));
    run(p);
    EXPECT_EQ(pathOf(p), r.path);
    EXPECT_EQ(p.goalCost(), r.cost);
  }
}

TEST(AStarPlannerTest, ShortPoolsEndTheSearchWithoutAPath) {
  const std::vector<double> uniform(25, 1.0);
  struct Row {
    int32_t pool, open;
    bool found;
  };
  const Row rows[] = {{1, 0, false}, {4, 0, false},  {0, 1, false},
                      {0, 2, false}, {25, 25, true}, {0, 0, true}};
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.pool << " nodes, " << r.open << " open");
    InspectablePlanner p;
    PlannerSettings s = settingsFor(uniform, 5, 5, {0, 0}, {4, 4});
    s.nodePoolSize = r.pool;
    s.openListCapacity = r.open;
    ASSERT_TRUE(p.configure(s));
    run(p);
    EXPECT_EQ(p.result() != nullptr, r.found);
    EXPECT_EQ(p.pathNodeCount(), r.found ? 9 : 0);
    EXPECT_EQ(p.goalCost(), r.found ? 16.0f : -1.0f);
    // Every node handed out is on one of the lists, so clearing gives them all back.
    EXPECT_EQ(p.nodeFactory().handedOut(), p.openListSize() + p.closedCount());
    p.clearSearch();
    EXPECT_EQ(p.nodeFactory().handedOut(), 0);
  }
}

TEST(AStarPlannerTest, LifeCycleFromEmptyToClearedAndReused) {
  AStarPlanner p;
  EXPECT_TRUE(p.done());
  EXPECT_TRUE(p.search());  // nothing to do before configure
  EXPECT_EQ(p.result(), nullptr);
  p.beginSearch();
  EXPECT_TRUE(p.done());
  EXPECT_TRUE(p.search());
  EXPECT_EQ(p.result(), nullptr);

  const std::vector<double> map = {1, 1, 1, 1, 0, 0, 1, 1, 1};
  ASSERT_TRUE(p.configure(settingsFor(map, 3, 3, {0, 1}, {2, 0})));
  EXPECT_TRUE(p.done());
  p.beginSearch();
  EXPECT_FALSE(p.done());
  EXPECT_EQ(p.searchCalls(), 0);
  EXPECT_EQ(p.openListSize(), 1);
  EXPECT_TRUE(p.search());
  EXPECT_TRUE(p.done());
  const Cells path = {{0, 1}, {0, 0}, {1, 0}, {2, 0}};
  EXPECT_EQ(pathOf(p), path);
  EXPECT_EQ(p.pathNodeCount(), 4);
  EXPECT_EQ(p.searchCalls(), 1);

  const Node* goal = p.result();
  EXPECT_TRUE(p.search());  // an ended search stays as it ended
  EXPECT_EQ(p.result(), goal);
  EXPECT_EQ(p.searchCalls(), 2);

  p.clearSearch();
  EXPECT_TRUE(p.done());
  EXPECT_EQ(p.result(), nullptr);
  EXPECT_EQ(p.goalCost(), -1.0f);
  EXPECT_EQ(p.openListSize(), 0);
  EXPECT_EQ(p.closedCount(), 0);
  EXPECT_EQ(p.nodeFactory().handedOut(), 0);

  run(p);
  EXPECT_EQ(pathOf(p), path);
  const int32_t handedOut = p.nodeFactory().handedOut();
  run(p);  // begun again without clearing: the old search is cleared first
  EXPECT_EQ(pathOf(p), path);
  EXPECT_EQ(p.nodeFactory().handedOut(), handedOut);
}

// Integer costs 0 .. 16 with 16 always present: 1 + v / 16 and every sum of them are exact
// floats, so an optimal search must match Dijkstra to the last bit.
TEST(AStarPlannerTest, RandomMapsMatchDijkstraAndHoldOneNodePerCell) {
  std::mt19937 rng(20240607);
  const float weights[] = {0.5f, 0.0f, 1.0f, 0.8f, 0.2f};
  int reachable = 0;
  for (int round = 0; round < 300; ++round) {
    const int32_t w = 1 + static_cast<int32_t>(rng() % 14);
    const int32_t h = (w == 1 ? 2 : 1) + static_cast<int32_t>(rng() % 14);
    std::vector<double> map(static_cast<size_t>(w * h));
    for (double& v : map) v = rng() % 4 == 0 ? 0.0 : static_cast<double>(1 + rng() % 16);
    map[rng() % map.size()] = 16;
    std::vector<float> cost(map.size());
    for (size_t i = 0; i < map.size(); ++i)
      cost[i] = map[i] > 0 ? 1.0f + float(map[i]) / 16.0f : -1;
    auto randomCell = [&] {
      return Cell{static_cast<int32_t>(rng() % w), static_cast<int32_t>(rng() % h)};
    };
    const Cell start = randomCell();
    Cell goal = randomCell();
    while (goal == start) goal = randomCell();
    const bool diagonal = round % 3 == 0;
    const float best = testing_support::dijkstra(cost, w, h, start.first, start.second, goal.first,
                                                 goal.second, diagonal);
    if (best >= 0) ++reachable;

    for (float weight : weights) {
      SCOPED_TRACE(testing::Message() << "round " << round << " weight " << weight << " diagonal "
                                      << diagonal << " map " << w << "x" << h);
      InspectablePlanner p;
      PlannerSettings s = settingsFor(map, w, h, start, goal, weight);
      s.diagonalMoves = diagonal;
      ASSERT_TRUE(p.configure(s));
      run(p);
      ASSERT_EQ(p.result() != nullptr, best >= 0);

      // One node per cell across both lists, and every handed-out node on one of them.
      std::set<Cell> held;
      for (int32_t i = 0; i < p.openListSize(); ++i) {
        EXPECT_TRUE(held.insert({p.openList_.at(i)->x, p.openList_.at(i)->y}).second);
      }
      for (uint32_t b = 0; b < p.closedTable_.bucketCount(); ++b) {
        for (const Node* n = p.closedTable_.bucketHead(b); n != nullptr; n = n->nextInBucket) {
          EXPECT_TRUE(held.insert({n->x, n->y}).second);
        }
      }
      EXPECT_EQ(static_cast<int32_t>(held.size()), p.nodeFactory().handedOut());
      if (best < 0) continue;

      const Cells path = pathOf(p);
      ASSERT_GE(path.size(), 2u);
      EXPECT_EQ(path.front(), start);
      EXPECT_EQ(path.back(), goal);
      float sum = 0;
      for (size_t i = 1; i < path.size(); ++i) {
        const int32_t dx = std::abs(path[i].first - path[i - 1].first);
        const int32_t dy = std::abs(path[i].second - path[i - 1].second);
        ASSERT_TRUE(dx <= 1 && dy <= 1 && dx + dy >= 1 && (diagonal || dx + dy == 1));
        const float c = cost[path[i].second * w + path[i].first];
        ASSERT_GT(c, 0.0f) << "entered a blocked cell";
        sum += dx + dy == 2 ? c * kDiagonalMultiplier : c;
      }
      // A node's g never falls below its parent's g plus the step, so the goal's g bounds the
      // path; searches that put cost first find the cheapest path exactly.
      EXPECT_LE(sum, p.goalCost());
      if (weight == 0.5f && !diagonal) {
        EXPECT_EQ(p.goalCost(), best);
        EXPECT_EQ(sum, best);
      } else if (weight == 0.0f) {
        EXPECT_NEAR(p.goalCost(), best, diagonal ? 1e-4f : 0.0f);
        EXPECT_NEAR(sum, best, diagonal ? 1e-4f : 0.0f);
      } else {
        EXPECT_GE(sum, best * (1 - 1e-6f));
      }
    }
  }
  EXPECT_GT(reachable, 150);  // the rounds must mostly exercise found paths
}

}  // namespace
}  // namespace korvane
