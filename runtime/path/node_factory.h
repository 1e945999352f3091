// Search nodes and the pool that hands them out: all nodes are allocated when the pool is
// created, handed out in array order, and taken back only all together.
#pragma once

#include <cstdint>

namespace korvane {

struct Node {
  Node* parent = nullptr;  // the node this one was reached from; null for the start
  int32_t x = 0;
  int32_t y = 0;
  float f = 0;                   // priority: smaller is expanded first
  float g = 0;                   // cost of the path from the start
  Node* nextInBucket = nullptr;  // chain link inside a NodeHashTable
};

class NodeFactory {
 public:
  NodeFactory() = default;
  virtual ~NodeFactory();
  NodeFactory(const NodeFactory&) = delete;
  NodeFactory& operator=(const NodeFactory&) = delete;

  // Frees the previous nodes, then allocates count nodes one by one. count <= 0 changes nothing
  // and fails. When memory runs out the pool is left empty and the call fails.
  bool createPool(int32_t count);

  // The next node in array order, reset to its defaults; null when every node is out.
  Node* allocateNode();

  // Gives one node back: the handed-out count drops by one, never below 0. Only sound when
  // every handed-out node is being given back together.
  void releaseNode();

  int32_t capacity() const { return capacity_; }
  int32_t handedOut() const { return handedOut_; }

 private:
  void freePool();

  int32_t capacity_ = 0;
  Node** nodes_ = nullptr;
  int32_t handedOut_ = 0;
};

}  // namespace korvane
