#include "runtime/path/planner.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>

namespace korvane {
namespace {

struct Step {
  int32_t dx;
  int32_t dy;
  bool diagonal;
};

// Neighbour visiting order; it decides which of several equal paths is found.
constexpr Step kNeighbourSteps[] = {
    {-1, -1, true}, {0, -1, false}, {1, -1, true}, {1, 0, false},
    {-1, 0, false}, {-1, 1, true},  {0, 1, false}, {1, 1, true},
};
static_assert(sizeof(kNeighbourSteps) / sizeof(kNeighbourSteps[0]) == 8);

// The value a map cell contributes before normalising, or kBlockedCost. NaN, infinities and
// values beyond float range are blocked too, so no NaN or infinity reaches the priorities.
float mapValue(double v) {
  if (!(v > 0) || v > std::numeric_limits<float>::max()) return kBlockedCost;
  const float f = static_cast<float>(v);
  return f > 0 ? f : kBlockedCost;
}

}  // namespace

Planner::Planner() = default;

Planner::~Planner() {
  clearSearch();
  delete[] costGrid_;
}

void Planner::beginSearch() {
  done_ = false;
  searchCalls_ = 0;
  result_ = nullptr;
}

void Planner::clearSearch() {
  const int32_t open = openList_.size();
  for (int32_t i = 0; i < open; ++i) {
    if (openList_.at(i) != nullptr) nodeFactory_.releaseNode();
  }
  openList_.clear();
  closedTable_.clear(nodeFactory_);
  result_ = nullptr;
  done_ = true;
}

bool Planner::configure(const PlannerSettings& settings) {
  const int32_t w = settings.width;
  const int32_t h = settings.height;
  auto inside = [w, h](int32_t x, int32_t y) { return x >= 0 && x < w && y >= 0 && y < h; };
  if (!inside(settings.startX, settings.startY) || !inside(settings.goalX, settings.goalY)) {
    return false;
  }
  if (settings.startX == settings.goalX && settings.startY == settings.goalY) return false;
  const int64_t cells64 = static_cast<int64_t>(w) * h;
  if (cells64 > std::numeric_limits<int32_t>::max()) return false;
  if (settings.costData == nullptr) return false;
  const int32_t cells = static_cast<int32_t>(cells64);

  float largest = 0;
  for (int32_t i = 0; i < cells; ++i) {
    const float v = mapValue(settings.costData[i]);
    if (v > largest) largest = v;
  }
  if (!(largest > 0)) return false;

  clearSearch();
  delete[] costGrid_;
  costGrid_ = new (std::nothrow) float[static_cast<std::size_t>(cells)];
  if (costGrid_ == nullptr) return false;
  for (int32_t i = 0; i < cells; ++i) {
    const float v = mapValue(settings.costData[i]);
    costGrid_[i] = v > 0 ? 1.0f + v / largest : kBlockedCost;
  }

  const int32_t pool = settings.nodePoolSize == 0 ? cells : settings.nodePoolSize;
  const int32_t open = settings.openListCapacity == 0 ? cells : settings.openListCapacity;
  if (!nodeFactory_.createPool(pool) || !openList_.setCapacity(open) ||
      !closedTable_.setBits(settings.hashBits)) {
    // A half-built planner must not search: without a cost grid it counts as unconfigured.
    delete[] costGrid_;
    costGrid_ = nullptr;
    return false;
  }

  settings_ = settings;
  settings_.costData = nullptr;  // the grid is copied; the caller's data may go away
  if (std::isnan(settings_.weight)) {
    settings_.weight = 0.5f;
  } else if (settings_.weight < 0) {
    settings_.weight = 0;
  } else if (settings_.weight > 1) {
    settings_.weight = 1;
  }
  result_ = nullptr;
  done_ = true;
  return true;
}

int32_t Planner::pathNodeCount() const {
  int32_t n = 0;
  for (const Node* node = result_; node != nullptr; node = node->parent) ++n;
  return n;
}

float Planner::goalCost() const { return result_ != nullptr ? result_->g : -1.0f; }

float Planner::cellCost(int32_t x, int32_t y) const {
  if (costGrid_ == nullptr || x < 0 || x >= settings_.width || y < 0 || y >= settings_.height) {
    return kBlockedCost;
  }
  return costGrid_[static_cast<int64_t>(y) * settings_.width + x];
}

bool insertByPriority(FixedDeque<Node*>& list, Node* node) {
  int32_t lo = 0;
  int32_t hi = list.size();
  while (lo < hi) {
    const int32_t mid = lo + (hi - lo) / 2;
    if (list.at(mid)->f <= node->f) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  return list.insertAt(lo, node);
}

AStarPlanner::~AStarPlanner() = default;

void AStarPlanner::beginSearch() {
  if (!openList_.empty() || closedTable_.count() != 0) clearSearch();
  Planner::beginSearch();
  Node* start = costGrid_ != nullptr ? nodeFactory_.allocateNode() : nullptr;
  if (start == nullptr) {
    done_ = true;
    return;
  }
  start->x = settings_.startX;
  start->y = settings_.startY;
  if (!openList_.pushBack(start)) {
    closedTable_.insert(start);  // parked where clearSearch gives it back
    done_ = true;
  }
}

bool AStarPlanner::search() {
  ++searchCalls_;
  if (done_) return true;
  const float diagonal = settings_.diagonalFactor != 0 ? kDiagonalMultiplier : 1.0f;
  const float w = settings_.weight;
  const int32_t gx = settings_.goalX;
  const int32_t gy = settings_.goalY;
  const int32_t width = settings_.width;
  const int32_t height = settings_.height;
  const int stepCount = settings_.diagonalMoves != 0 ? 8 : 4;
  Step steps[8];
  for (int i = 0, k = 0; i < 8; ++i) {
    if (settings_.diagonalMoves != 0 || !kNeighbourSteps[i].diagonal)
      steps[k++] = kNeighbourSteps[i];
  }

  // Ends without a result; the nodes in hand go to the closed table so clearSearch returns
  // them to the pool.
  auto giveUp = [this](Node* current, Node* orphan) {
    if (orphan != nullptr) closedTable_.insert(orphan);
    closedTable_.insert(current);
    result_ = nullptr;
    done_ = true;
    return true;
  };

  while (!openList_.empty()) {
    Node* current = openList_.back();
    openList_.popBack();
    if (current->x == gx && current->y == gy) {
      closedTable_.insert(current);
      result_ = current;
      done_ = true;
      return true;
    }
    for (int s = 0; s < stepCount; ++s) {
      const int32_t nx = current->x + steps[s].dx;
      const int32_t ny = current->y + steps[s].dy;
      if (nx < 0 || nx >= width || ny < 0 || ny >= height) continue;
      const float cost = costGrid_[static_cast<int64_t>(ny) * width + nx];
      if (cost < 0) continue;
      const float g = current->g + (steps[s].diagonal ? cost * diagonal : cost);
      const float h = static_cast<float>(std::abs(gx - nx) + std::abs(gy - ny));
      const float f = (h - g) * w + g;

      NodeHashTable::Cursor closed = closedTable_.find(nx, ny);
      Node* node = nullptr;
      if (closed.node != nullptr) {
        if (!(g < closed.node->g)) continue;
        if (openList_.full()) return giveUp(current, nullptr);
        node = closedTable_.removeAtCursor(closed);
      } else {
        int32_t i = openList_.size() - 1;
        while (i >= 0) {
          const Node* n = openList_.at(i);
          if (n->x == nx && n->y == ny) break;
          --i;
        }
        if (i >= 0) {
          node = openList_.at(i);
          if (!(g < node->g)) continue;
          openList_.eraseAt(i);
        } else {
          node = openList_.full() ? nullptr : nodeFactory_.allocateNode();
          if (node == nullptr) return giveUp(current, nullptr);
          node->x = nx;
          node->y = ny;
        }
      }
      node->parent = current;
      node->g = g;
      node->f = f;
      if (!insertByPriority(openList_, node)) return giveUp(current, node);
    }
    closedTable_.insert(current);
  }
  done_ = true;
  return true;
}

}  // namespace korvane
