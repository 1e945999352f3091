// The node pool and the closed table: hand-out order, the tiled bucket rule, newest-first
// chains, the cursor, and giving nodes back.
#include "runtime/path/node_hash_table.h"

#include <gtest/gtest.h>

#include <climits>

#include "runtime/path/node_factory.h"

namespace korvane {
namespace {

TEST(NodeFactoryTest, HandsOutInOrderAndTakesBackByCount) {
  NodeFactory factory;
  EXPECT_EQ(factory.allocateNode(), nullptr);  // no pool yet
  EXPECT_FALSE(factory.createPool(0));
  EXPECT_FALSE(factory.createPool(-4));
  ASSERT_TRUE(factory.createPool(3));

  Node* a = factory.allocateNode();
  Node* b = factory.allocateNode();
  Node* c = factory.allocateNode();
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  ASSERT_NE(c, nullptr);
  EXPECT_NE(a, b);
  EXPECT_NE(b, c);
  EXPECT_EQ(factory.allocateNode(), nullptr);
  EXPECT_EQ(factory.handedOut(), 3);

  // Given back all together, the same nodes come out again in the same order, reset.
  b->x = 7;
  b->parent = a;
  for (int i = 0; i < 5; ++i) factory.releaseNode();
  EXPECT_EQ(factory.handedOut(), 0);
  EXPECT_EQ(factory.allocateNode(), a);
  Node* again = factory.allocateNode();
  EXPECT_EQ(again, b);
  EXPECT_EQ(again->x, 0);
  EXPECT_EQ(again->parent, nullptr);

  // A failed re-creation keeps the old pool.
  EXPECT_FALSE(factory.createPool(0));
  EXPECT_EQ(factory.capacity(), 3);
  EXPECT_EQ(factory.allocateNode(), c);
  ASSERT_TRUE(factory.createPool(1));
  EXPECT_EQ(factory.handedOut(), 0);
  EXPECT_NE(factory.allocateNode(), nullptr);
  EXPECT_EQ(factory.allocateNode(), nullptr);
}

TEST(NodeHashTableTest, BitsAreClampedAndRoundedDownToEven) {
  struct Row {
    int32_t requested;
    int32_t bits;
  };
  const Row rows[] = {{INT_MIN, 0}, {-3, 0}, {0, 0},   {1, 0},   {3, 2},
                      {8, 8},       {9, 8},  {24, 24}, {25, 24}, {INT_MAX, 24}};
  NodeHashTable table;
  EXPECT_EQ(table.bucketCount(), 1u);  // a new table has one bucket
  for (const Row& r : rows) {
    SCOPED_TRACE(r.requested);
    ASSERT_TRUE(table.setBits(r.requested));
    EXPECT_EQ(table.bits(), r.bits);
    EXPECT_EQ(table.bucketCount(), uint32_t{1} << r.bits);
  }
}

TEST(NodeHashTableTest, BucketIsTheLowHalfBitsOfXAndY) {
  struct Row {
    int32_t bits;
    int32_t x;
    int32_t y;
    uint32_t bucket;
  };
  const Row rows[] = {
      {8, 0, 0, 0},
      {8, 15, 0, 15},
      {8, 16, 0, 0},
      {8, 0, 1, 16},
      {8, 17, 33, 0x11},
      {8, 15, 15, 255},
      {8, 31, 16, 15},
      {2, 3, 2, 1},
      {2, 1, 1, 3},
      {0, 5, 7, 0},
      {6, 9, 10, 1 | 2 << 3},
      {24, 4095, 4095, 0xFFFFFF},
      {24, 4096, 4097, 1 << 12},
  };
  NodeHashTable table;
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.bits << ": " << r.x << "," << r.y);
    ASSERT_TRUE(table.setBits(r.bits));
    EXPECT_EQ(table.bucketOf(r.x, r.y), r.bucket);
    Node n;
    n.x = r.x;
    n.y = r.y;
    ASSERT_TRUE(table.insert(&n));
    EXPECT_EQ(table.bucketHead(r.bucket), &n);
    EXPECT_EQ(table.find(r.x, r.y).bucket, r.bucket);
    ASSERT_TRUE(table.setBits(r.bits));  // drop the stack node before it goes away
  }
}

TEST(NodeHashTableTest, ChainsAreNewestFirstAndTheCursorUnlinks) {
  NodeHashTable table;
  ASSERT_TRUE(table.setBits(2));  // 2 x 2 tiles: cells with even x and y share bucket 0
  Node a{nullptr, 0, 0, 0, 0, nullptr};
  Node b{nullptr, 2, 0, 0, 0, nullptr};
  Node c{nullptr, 0, 2, 0, 0, nullptr};
  Node other{nullptr, 1, 0, 0, 0, nullptr};
  ASSERT_TRUE(table.insert(&a));
  ASSERT_TRUE(table.insert(&b));
  ASSERT_TRUE(table.insert(&c));
  ASSERT_TRUE(table.insert(&other));
  EXPECT_FALSE(table.insert(&b));  // that very node is already there
  EXPECT_EQ(table.count(), 4);

  EXPECT_EQ(table.bucketHead(0), &c);
  EXPECT_EQ(c.nextInBucket, &b);
  EXPECT_EQ(b.nextInBucket, &a);
  EXPECT_EQ(a.nextInBucket, nullptr);

  NodeHashTable::Cursor cursor = table.find(2, 0);
  EXPECT_EQ(cursor.table, &table);
  EXPECT_EQ(cursor.node, &b);
  EXPECT_EQ(cursor.link, &c.nextInBucket);
  EXPECT_EQ(table.removeAtCursor(cursor), &b);
  EXPECT_EQ(cursor.node, &a);
  EXPECT_EQ(c.nextInBucket, &a);
  EXPECT_EQ(b.nextInBucket, nullptr);
  EXPECT_EQ(table.count(), 3);
  EXPECT_EQ(table.find(2, 0).node, nullptr);

  // The head of a chain unlinks through the bucket itself.
  cursor = table.find(0, 2);
  EXPECT_EQ(cursor.node, &c);
  EXPECT_EQ(table.removeAtCursor(cursor), &c);
  EXPECT_EQ(table.bucketHead(0), &a);

  // A second node of the same cell shadows the first.
  Node newer{nullptr, 0, 0, 0, 0, nullptr};
  ASSERT_TRUE(table.insert(&newer));
  EXPECT_EQ(table.find(0, 0).node, &newer);

  NodeHashTable::Cursor missing = table.find(3, 3);
  EXPECT_EQ(missing.node, nullptr);
  EXPECT_EQ(table.removeAtCursor(missing), nullptr);
  NodeHashTable elsewhere;
  NodeHashTable::Cursor foreign = elsewhere.find(0, 0);
  foreign.node = &a;
  EXPECT_EQ(table.removeAtCursor(foreign), nullptr);
  EXPECT_EQ(table.count(), 3);
}

TEST(NodeHashTableTest, ClearGivesEveryNodeBack) {
  NodeFactory factory;
  ASSERT_TRUE(factory.createPool(6));
  NodeHashTable table;
  ASSERT_TRUE(table.setBits(4));
  for (int i = 0; i < 5; ++i) {
    Node* n = factory.allocateNode();
    n->x = i * 4;  // all in bucket 0 with 4 bits (4 x 4 tiles), plus one elsewhere
    n->y = i == 4 ? 1 : 0;
    ASSERT_TRUE(table.insert(n));
  }
  ASSERT_EQ(factory.handedOut(), 5);
  table.clear(factory);
  EXPECT_EQ(factory.handedOut(), 0);
  EXPECT_EQ(table.count(), 0);
  for (uint32_t b = 0; b < table.bucketCount(); ++b) EXPECT_EQ(table.bucketHead(b), nullptr);
}

}  // namespace
}  // namespace korvane
