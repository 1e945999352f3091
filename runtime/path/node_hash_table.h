// Nodes keyed by cell in 2^b buckets; a bucket holds the cells whose low b/2 bits of x and of y
// match, so the grid is tiled into squares of 2^(b/2) cells per side.
#pragma once

#include <cstdint>

#include "runtime/path/node_factory.h"

namespace korvane {

class NodeHashTable {
 public:
  static constexpr int32_t kMaxBits = 24;

  // A lookup position: the node found (null if none) and the link that points at it, so the
  // node can be unlinked without walking the chain again.
  struct Cursor {
    NodeHashTable* table = nullptr;
    uint32_t bucket = 0;
    Node* node = nullptr;
    Node** link = nullptr;
  };

  NodeHashTable();  // one bucket
  virtual ~NodeHashTable();
  NodeHashTable(const NodeHashTable&) = delete;
  NodeHashTable& operator=(const NodeHashTable&) = delete;

  // Clamps b to 0 .. 24, rounds an odd b down, and replaces the buckets by 2^b empty ones (the
  // nodes in the table are dropped, not given back). False when the buckets cannot be had; the
  // table then has no buckets and refuses every insert.
  bool setBits(int32_t b);

  int32_t bits() const { return bits_; }
  uint32_t bucketCount() const { return buckets_ == nullptr ? 0 : uint32_t{1} << bits_; }
  uint32_t bucketOf(int32_t x, int32_t y) const;
  Node* bucketHead(uint32_t bucket) const;

  // Puts the node at the head of its bucket. False if that very node is already in the bucket.
  bool insert(Node* node);

  // The newest node of cell (x, y); cursor.node is null when the cell has none.
  Cursor find(int32_t x, int32_t y);

  // Unlinks the node at the cursor and returns it (null if the cursor holds none); the cursor
  // then holds the node that followed it.
  Node* removeAtCursor(Cursor& cursor);

  // Gives every node in the table back to the factory and empties all buckets.
  void clear(NodeFactory& factory);

  // Number of nodes in the table (walks every bucket).
  int32_t count() const;

 private:
  Node** buckets_ = nullptr;
  int32_t bits_ = 0;
};

}  // namespace korvane
