// A search takes nothing from the heap: every global allocation is counted while a window is
// open, and the window around configure shows that the counting works.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <random>
#include <vector>

#include "runtime/path/planner.h"

namespace {
bool counting = false;
long allocations = 0;

void* countedAllocation(std::size_t size) {
  if (counting) ++allocations;
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

}  // namespace
}  // namespace korvane
