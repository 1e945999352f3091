// A search takes nothing from the heap: every global allocation is counted while a window is
// open, and the window around configure shows that the counting works. The same hook makes
// one chosen allocation fail, to show that configure and findPath survive running out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <random>
#include <vector>

#include "runtime/path/path.h"
#include "runtime/path/planner.h"

namespace {
bool counting = false;
long allocations = 0;
long failAt = -1;  // the counted allocation that fails, or -1

void* countedAllocation(std::size_t size) {
  if (counting && allocations++ == failAt) return nullptr;
  return std::malloc(size == 0 ? 1 : size);
}
// Out of line, so the compiler does not pair the replaced operator new with free at call sites.
[[gnu::noinline]] void countedRelease(void* p) { std::free(p); }
}  // namespace

void* operator new(std::size_t size) {
  void* p = countedAllocation(size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return countedAllocation(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return countedAllocation(size);
}
void operator delete(void* p) noexcept { countedRelease(p); }
void operator delete[](void* p) noexcept { countedRelease(p); }
void operator delete(void* p, std::size_t) noexcept { countedRelease(p); }
void operator delete[](void* p, std::size_t) noexcept { countedRelease(p); }

namespace korvane {
namespace {

TEST(PlannerSearchAllocationTest, OnlyConfigureAllocates) {
  std::mt19937 rng(7);
  const int32_t side = 48;
  std::vector<double> map(side * side);
  for (double& v : map) v = rng() % 5 == 0 ? 0.0 : 1.0 + rng() % 9;
  map[0] = map.back() = 1;
  PlannerSettings s;
  s.goalX = side - 1;
  s.goalY = side - 1;
  s.diagonalFactor = 1;
  s.hashBits = 8;
  s.weight = 0.5f;
  s.width = side;
  s.height = side;
  s.costData = map.data();

  for (uint8_t diagonal : {0, 1}) {
    s.diagonalMoves = diagonal;
    AStarPlanner p;
    allocations = 0;
    counting = true;
    const bool configured = p.configure(s);
    counting = false;
    ASSERT_TRUE(configured);
    EXPECT_GT(allocations, side * side);  // one per node at least

    allocations = 0;
    counting = true;
    for (int i = 0; i < 3; ++i) {
      p.beginSearch();
      p.search();
      p.clearSearch();
    }
    p.beginSearch();
    p.search();
    counting = false;
    EXPECT_EQ(allocations, 0);
    EXPECT_GT(p.closedCount(), 1);
  }
}

TEST(PlannerSearchAllocationTest, EveryFailedAllocationFailsConfigure) {
  std::vector<double> map(16, 1.0);
  map[5] = map[6] = map[9] = 0;
  PlannerSettings s;
  s.goalX = 3;
  s.goalY = 3;
  s.hashBits = 8;
  s.weight = 0.5f;
  s.width = 4;
  s.height = 4;
  s.costData = map.data();

  auto countConfigure = [&] {
    AStarPlanner p;
    allocations = 0;
    counting = true;
    const bool configured = p.configure(s);
    counting = false;
    return configured;
  };
  ASSERT_TRUE(countConfigure());
  const long total = allocations;
  ASSERT_GT(total, 16);  // the nodes one by one, the grid, the list arrays, the buckets
  for (failAt = 0; failAt < total; ++failAt) {
    SCOPED_TRACE(failAt);
    AStarPlanner p;
    allocations = 0;
    counting = true;
    const bool configured = p.configure(s);
    counting = false;
    EXPECT_FALSE(configured);
    p.beginSearch();
    EXPECT_TRUE(p.search());
    EXPECT_EQ(p.result(), nullptr);
    EXPECT_TRUE(p.configure(s));  // memory back: the same planner recovers
    p.beginSearch();
    p.search();
    EXPECT_EQ(p.pathNodeCount(), 7);
  }

  // The command also builds the planner, whose one starting bucket comes first; configure
  // replaces that bucket anyway, so only the later failures cost the path.
  RtArray<double> grid;
  dimensionArray(grid, 4, 4);
  for (int i = 0; i < 16; ++i) elementAt(grid, i % 4, i / 4) = map[i];
  for (failAt = 0; failAt <= total; ++failAt) {
    SCOPED_TRACE(failAt);
    RtArray<double> path;
    dimensionArray(path, 1);
    elementAt(path, 0) = 42;
    allocations = 0;
    counting = true;
    const double n = findPath(grid, path, 0.5, 0, 0, 3, 3);
    counting = false;
    if (failAt == 0) {
      EXPECT_EQ(n, 7.0);
      EXPECT_EQ(path.size0(), 7);
      continue;
    }
    EXPECT_EQ(n, 0.0);
    EXPECT_EQ(path.size0(), 1);
    EXPECT_EQ(elementAt(path, 0), 42.0);
  }
  failAt = -1;
  allocations = 0;
  counting = true;
  RtArray<double> path;
  EXPECT_EQ(findPath(grid, path, 0.5, 0, 0, 3, 3), 7.0);
  counting = false;
  EXPECT_EQ(allocations, total + 1);
}

}  // namespace
}  // namespace korvane
