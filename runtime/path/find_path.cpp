#include <cmath>

#include "runtime/path/path.h"
#include "runtime/path/planner.h"
#include "runtime/values/conversions.h"

namespace korvane {
namespace {

constexpr int32_t kCommandHashBits = 8;  // 256 buckets in 16 x 16 tiles

// Clamped while still a double: converting an out-of-range double to float is undefined.
float clampWeight(double weight) {
  if (std::isnan(weight)) return 0.5f;
  if (weight < 0) return 0.0f;
  if (weight > 1) return 1.0f;
  return static_cast<float>(weight);
}

}  // namespace

double findPath(const RtArray<double>& map, RtArray<double>& path, double weight, double startX,
                double startY, double goalX, double goalY) {
  PlannerSettings settings;
  settings.startX = truncateToInt32(startX);
  settings.startY = truncateToInt32(startY);
  settings.goalX = truncateToInt32(goalX);
  settings.goalY = truncateToInt32(goalY);
  settings.diagonalFactor = 1;
  settings.diagonalMoves = 0;
  settings.nodePoolSize = 0;
  settings.openListCapacity = 0;
  settings.hashBits = kCommandHashBits;
  settings.weight = clampWeight(weight);
  // The block holds cell (x, y) at x + y * size0, the layout the planner reads.
  settings.width = map.size0();
  settings.height = map.size1();
  settings.costData = map.data();

  AStarPlanner planner;
  if (!planner.configure(settings)) return 0;
  planner.beginSearch();
  planner.search();

  const int32_t n = planner.pathNodeCount();
  if (n == 0) {
    dimensionArray(path, 0);
    return 0;
  }
  // The map is not read after configure, so path may be the map itself.
  dimensionArray(path, n, 2);
  int32_t i = n - 1;
  for (const Node* node = planner.result(); node != nullptr; node = node->parent, --i) {
    elementAt(path, i, 0) = node->x;
    elementAt(path, i, 1) = node->y;
  }
  planner.clearSearch();
  return n;
}

}  // namespace korvane
