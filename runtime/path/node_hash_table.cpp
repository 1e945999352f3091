#include "runtime/path/node_hash_table.h"

#include <algorithm>
#include <new>

namespace korvane {

NodeHashTable::NodeHashTable() { setBits(0); }

NodeHashTable::~NodeHashTable() { delete[] buckets_; }

bool NodeHashTable::setBits(int32_t b) {
  b = std::clamp(b, 0, kMaxBits) & ~1;
  delete[] buckets_;
  bits_ = b;
  buckets_ = new (std::nothrow) Node* [std::size_t{1} << b] {};
  return buckets_ != nullptr;
}

uint32_t NodeHashTable::bucketOf(int32_t x, int32_t y) const {
  const int32_t half = bits_ / 2;
  const uint32_t mask = (uint32_t{1} << half) - 1;
  return (static_cast<uint32_t>(x) & mask) | ((static_cast<uint32_t>(y) & mask) << half);
}

Node* NodeHashTable::bucketHead(uint32_t bucket) const {
  return bucket < bucketCount() ? buckets_[bucket] : nullptr;
}

bool NodeHashTable::insert(Node* node) {
  if (buckets_ == nullptr || node == nullptr) return false;
  Node*& head = buckets_[bucketOf(node->x, node->y)];
  for (Node* n = head; n != nullptr; n = n->nextInBucket) {
    if (n == node) return false;
  }
  node->nextInBucket = head;
  head = node;
  return true;
}

NodeHashTable::Cursor NodeHashTable::find(int32_t x, int32_t y) {
  Cursor cursor;
  cursor.table = this;
  if (buckets_ == nullptr) return cursor;
  cursor.bucket = bucketOf(x, y);
  cursor.link = &buckets_[cursor.bucket];
  while (*cursor.link != nullptr) {
    Node* n = *cursor.link;
    if (n->x == x && n->y == y) {
      cursor.node = n;
      return cursor;
    }
    cursor.link = &n->nextInBucket;
  }
  return cursor;
}

Node* NodeHashTable::removeAtCursor(Cursor& cursor) {
  if (cursor.table != this || cursor.node == nullptr || cursor.link == nullptr ||
      *cursor.link != cursor.node) {
    return nullptr;
  }
  Node* removed = cursor.node;
  *cursor.link = removed->nextInBucket;
  removed->nextInBucket = nullptr;
  cursor.node = *cursor.link;
  return removed;
}

void NodeHashTable::clear(NodeFactory& factory) {
  const uint32_t n = bucketCount();
  for (uint32_t i = 0; i < n; ++i) {
    for (Node* node = buckets_[i]; node != nullptr;) {
      Node* next = node->nextInBucket;
      node->nextInBucket = nullptr;
      factory.releaseNode();
      node = next;
    }
    buckets_[i] = nullptr;
  }
}

int32_t NodeHashTable::count() const {
  int32_t total = 0;
  const uint32_t n = bucketCount();
  for (uint32_t i = 0; i < n; ++i) {
    for (const Node* node = buckets_[i]; node != nullptr; node = node->nextInBucket) ++total;
  }
  return total;
}

}  // namespace korvane
