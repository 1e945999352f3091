// The ring-buffer deque: both ends with wrap-around, the failure results, and middle insertion
// and erasure that rebuild the content from index 0.
#include "runtime/path/fixed_deque.h"

#include <gtest/gtest.h>

#include <vector>

namespace korvane {
namespace {

std::vector<int> contents(const FixedDeque<int>& d) {
  std::vector<int> out;
  for (int32_t i = 0; i < d.size(); ++i) out.push_back(d.at(i));
  return out;
}

// Fills a deque of capacity 4 so that it is full and wraps: front at index 2.
void fillWrapped(FixedDeque<int>& d) {
  ASSERT_TRUE(d.setCapacity(4));
  for (int v : {0, 0, 1, 2}) ASSERT_TRUE(d.pushBack(v));
  ASSERT_TRUE(d.popFront());
  ASSERT_TRUE(d.popFront());
  ASSERT_TRUE(d.pushBack(3));
  ASSERT_TRUE(d.pushBack(4));
  ASSERT_EQ(d.frontIndex(), 2);
  ASSERT_EQ(d.backIndex(), 2);
}

TEST(FixedDequeTest, EndsWrapAroundAndFailAtTheLimits) {
  FixedDeque<int> d;
  ASSERT_TRUE(d.setCapacity(3));
  EXPECT_TRUE(d.empty());
  EXPECT_FALSE(d.popBack());
  EXPECT_FALSE(d.popFront());
  EXPECT_EQ(d.back(), 0);
  EXPECT_EQ(d.at(0), 0);

  EXPECT_TRUE(d.pushFront(2));  // front wraps from 0 to the last slot
  EXPECT_EQ(d.frontIndex(), 2);
  EXPECT_TRUE(d.pushBack(3));
  EXPECT_TRUE(d.pushFront(1));
  EXPECT_FALSE(d.empty());
  EXPECT_TRUE(d.full());
  EXPECT_EQ(d.size(), 3);
  EXPECT_EQ(contents(d), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(d.frontIndex(), d.backIndex());  // full, told apart from empty by the flag

  EXPECT_FALSE(d.pushBack(9));
  EXPECT_FALSE(d.pushFront(9));
  EXPECT_FALSE(d.insertAt(1, 9));
  EXPECT_EQ(contents(d), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(d.at(3), 0);
  EXPECT_EQ(d.at(-1), 0);

  EXPECT_EQ(d.back(), 3);
  EXPECT_TRUE(d.popBack());
  EXPECT_TRUE(d.popFront());
  EXPECT_EQ(contents(d), (std::vector<int>{2}));
  EXPECT_TRUE(d.popBack());
  EXPECT_TRUE(d.empty());
  EXPECT_EQ(d.size(), 0);
  EXPECT_FALSE(d.popBack());

  d.pushBack(5);
  d.clear();
  EXPECT_TRUE(d.empty());
  EXPECT_EQ(d.frontIndex(), 0);
  EXPECT_EQ(d.backIndex(), 0);
}

TEST(FixedDequeTest, MiddleInsertionRebuildsFromIndexZero) {
  FixedDeque<int> d;
  ASSERT_TRUE(d.setCapacity(5));
  for (int v : {0, 0, 0, 4}) d.pushBack(v);
  for (int i = 0; i < 3; ++i) d.popFront();
  d.pushBack(5);
  d.pushBack(6);  // wraps: [4 5 6] with front 3, back 1
  ASSERT_EQ(d.frontIndex(), 3);
  ASSERT_EQ(d.backIndex(), 1);

  EXPECT_FALSE(d.insertAt(4, 9));  // beyond the size
  EXPECT_FALSE(d.insertAt(-1, 9));
  EXPECT_TRUE(d.insertAt(1, 9));
  EXPECT_EQ(contents(d), (std::vector<int>{4, 9, 5, 6}));
  EXPECT_EQ(d.frontIndex(), 0);
  EXPECT_EQ(d.backIndex(), 4);

  // The slot that fills the deque: the back position is a plain push, which wraps back to 0.
  EXPECT_TRUE(d.insertAt(4, 7));
  EXPECT_EQ(contents(d), (std::vector<int>{4, 9, 5, 6, 7}));
  EXPECT_TRUE(d.full());
  EXPECT_EQ(d.backIndex(), 0);

  // A middle insertion that fills the deque leaves back at 0 too.
  EXPECT_TRUE(d.eraseAt(2));
  EXPECT_TRUE(d.insertAt(3, 8));
  EXPECT_EQ(contents(d), (std::vector<int>{4, 9, 6, 8, 7}));
  EXPECT_TRUE(d.full());
  EXPECT_EQ(d.frontIndex(), 0);
  EXPECT_EQ(d.backIndex(), 0);

  // The front position is a plain push: front moves down and wraps instead of a rebuild.
  d.clear();
  d.pushBack(2);
  EXPECT_TRUE(d.insertAt(0, 1));
  EXPECT_EQ(d.frontIndex(), 4);
  EXPECT_EQ(contents(d), (std::vector<int>{1, 2}));
}

TEST(FixedDequeTest, EraseAtFullCapacityAndAtTheEnds) {
  FixedDeque<int> d;
  fillWrapped(d);
  EXPECT_EQ(contents(d), (std::vector<int>{1, 2, 3, 4}));

  EXPECT_FALSE(d.eraseAt(4));
  EXPECT_FALSE(d.eraseAt(-1));
  EXPECT_TRUE(d.eraseAt(1));
  EXPECT_EQ(contents(d), (std::vector<int>{1, 3, 4}));
  EXPECT_EQ(d.frontIndex(), 0);
  EXPECT_EQ(d.backIndex(), 3);

  EXPECT_TRUE(d.eraseAt(2));  // the back: a plain pop
  EXPECT_EQ(d.frontIndex(), 0);
  EXPECT_EQ(d.backIndex(), 2);
  EXPECT_TRUE(d.eraseAt(0));  // the front: a plain pop
  EXPECT_EQ(d.frontIndex(), 1);
  EXPECT_EQ(contents(d), (std::vector<int>{3}));
  EXPECT_TRUE(d.eraseAt(0));
  EXPECT_TRUE(d.empty());
  EXPECT_FALSE(d.eraseAt(0));

  // Erasing from a full wrapped deque and refilling keeps every element in order.
  fillWrapped(d);
  EXPECT_TRUE(d.eraseAt(2));
  EXPECT_TRUE(d.pushFront(0));
  EXPECT_EQ(contents(d), (std::vector<int>{0, 1, 2, 4}));
  EXPECT_TRUE(d.full());
}

TEST(FixedDequeTest, CapacityChangesDropContentAndBadSizesFail) {
  FixedDeque<int> d;
  EXPECT_EQ(d.capacity(), 0);
  EXPECT_FALSE(d.pushBack(1));  // a new deque holds nothing
  EXPECT_TRUE(d.full());

  ASSERT_TRUE(d.setCapacity(2));
  d.pushBack(1);
  ASSERT_TRUE(d.setCapacity(3));
  EXPECT_TRUE(d.empty());
  EXPECT_EQ(d.capacity(), 3);

  EXPECT_FALSE(d.setCapacity(-1));
  EXPECT_EQ(d.capacity(), 0);
  EXPECT_FALSE(d.pushBack(1));
  EXPECT_FALSE(d.insertAt(0, 1));

  EXPECT_TRUE(d.setCapacity(0));
  EXPECT_FALSE(d.pushFront(1));
}

}  // namespace
}  // namespace korvane
