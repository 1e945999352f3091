// The grid planner library: an abstract Planner over a normalised cost grid and its A* search.
// Every allocation happens in configure; beginSearch/search/clearSearch allocate nothing.
#pragma once

#include <bit>
#include <cstdint>

#include "runtime/path/fixed_deque.h"
#include "runtime/path/node_factory.h"
#include "runtime/path/node_hash_table.h"

namespace korvane {

// One unit in the last place above the float nearest to sqrt(2).
inline constexpr uint32_t kDiagonalMultiplierBits = 0x3FB504F4;
inline constexpr float kDiagonalMultiplier = std::bit_cast<float>(kDiagonalMultiplierBits);
inline constexpr float kBlockedCost = -1.0f;

struct PlannerSettings {
  int32_t startX = 0;
  int32_t startY = 0;
  int32_t goalX = 0;
  int32_t goalY = 0;
  uint8_t diagonalFactor = 0;    // a diagonal step costs the cell cost times the multiplier
  uint8_t diagonalMoves = 0;     // visit the four diagonal neighbours as well
  int32_t nodePoolSize = 0;      // 0: width x height
  int32_t openListCapacity = 0;  // 0: width x height
  int32_t hashBits = 0;
  float weight = 0;  // clamped to 0 .. 1
  int32_t width = 0;
  int32_t height = 0;
  const double* costData = nullptr;  // width x height values, cell (x, y) at y * width + x
};

class Planner {
 public:
  Planner();
  // Clears the search and frees the cost grid; the members free their pools and arrays.
  virtual ~Planner();
  Planner(const Planner&) = delete;
  Planner& operator=(const Planner&) = delete;

  // Clears the done flag, the call counter and the result.
  virtual void beginSearch();
  // Runs the search; true once it has ended, whether or not it reached the goal.
  virtual bool search() = 0;
  // Gives every node in the open list and the closed table back, empties both, clears the
  // result and sets the done flag.
  virtual void clearSearch();

  // Builds the cost grid (values above 0 become 1 + value / largest, so every passable cost lies
  // in (1, 2]; the rest, NaN, infinities and values beyond float range become kBlockedCost), the
  // node pool, the open list and the closed table. Refused, leaving the planner as it was, when
  // start or goal lies outside the grid, start equals goal, the cell count does not fit 32 bits,
  // there is no cost data or no passable cell. When memory runs out (or a pool size is negative)
  // it fails too, and the planner is left unconfigured: a search then ends at once.
  bool configure(const PlannerSettings& settings);

  // Nodes on the result path, counted through the parent links from the goal; 0 without one.
  int32_t pathNodeCount() const;
  // g of the goal node, or -1 without a result.
  float goalCost() const;
  int32_t openListSize() const { return openList_.size(); }
  int32_t closedCount() const { return closedTable_.count(); }

  const Node* result() const { return result_; }
  bool done() const { return done_; }
  int32_t searchCalls() const { return searchCalls_; }
  const PlannerSettings& settings() const { return settings_; }
  const NodeFactory& nodeFactory() const { return nodeFactory_; }
  // Normalised cost of cell (x, y); kBlockedCost outside the grid or before configure.
  float cellCost(int32_t x, int32_t y) const;

 protected:
  bool done_ = true;
  NodeFactory nodeFactory_;
  PlannerSettings settings_;
  float* costGrid_ = nullptr;
  int32_t searchCalls_ = 0;
  FixedDeque<Node*> openList_;
  NodeHashTable closedTable_;
  Node* result_ = nullptr;
};

class AStarPlanner : public Planner {
 public:
  AStarPlanner() = default;
  ~AStarPlanner() override;

  // The base version, then the start node (g = 0, no parent) goes on the open list. A search
  // left over from before is cleared first. When no node or no room can be had, the search is
  // over at once, without a result.
  void beginSearch() override;

  // Expands the open list's last node until the goal comes off it or the list runs dry, with
  // f = (1 - w) g + w h and h the Manhattan distance. Ends without a result when a node or an
  // open-list slot cannot be had. Returns true at once when no search is running.
  bool search() override;
};

// Inserts node into a list sorted by f descending (front to back) at the first position whose
// f is less than or equal to its own: nodes of equal f come off the back first-in first-out.
// False when the list is full.
bool insertByPriority(FixedDeque<Node*>& list, Node* node);

}  // namespace korvane
