// RtArray: capacity and inline storage, layout, clearing, copies, and the stops with codes 9
// and 7 (in child processes).
#include "runtime/values/rt_array.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "tests/values/value_stop_fixture.h"

namespace korvane {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Cell {  // the shape of the application's grid record
  float x, y, unused0, unused1, red, green, blue;
};

// Constant-initialised like the program's own globals: usable before any start-up code.
RtArray<double> globalNumbers;

TEST(RtArrayTest, ANewArrayHasAZeroHeaderAndNoBlock) {
  EXPECT_EQ(globalNumbers.data(), nullptr);
  const RtArray<Cell> cells;
  EXPECT_EQ(cells.data(), nullptr);
  EXPECT_EQ(cells.capacity(), 0);
  EXPECT_EQ(cells.dimensionCount(), 0);
  EXPECT_EQ(cells.elementIfValid(0), nullptr);
  EXPECT_EQ(dimensionSize(cells, 0), 0.0);
}

TEST(RtArrayTest, CapacityGrowsInGranulesAndSmallNumberArraysStayInline) {
  struct Row {
    double d0, d1;
    int32_t numberCapacity;
    bool inlined;
    int32_t integerCapacity;
  };
  const Row rows[] = {
      {1, 0, 8, true, 64},     {7, 0, 8, true, 64},       {8, 0, 16, true, 64},
      {15, 0, 16, true, 64},   {16, 0, 24, false, 64},    {63, 0, 64, false, 64},
      {64, 0, 72, false, 128}, {100, 0, 104, false, 128}, {5, 3, 16, true, 64},
      {0, 0, 8, true, 64},     {-5, 7, 8, true, 64},      {10.7, 2.9, 32, false, 64},
  };
  for (const Row& row : rows) {
    RtArray<double> numbers;
    dimensionArray(numbers, row.d0, row.d1);
    EXPECT_EQ(numbers.capacity(), row.numberCapacity) << row.d0 << " x " << row.d1;
    EXPECT_EQ(numbers.usesInlineStorage(), row.inlined) << row.d0 << " x " << row.d1;
    RtArray<int32_t> integers;
    dimensionArray(integers, row.d0, row.d1);
    EXPECT_EQ(integers.capacity(), row.integerCapacity) << row.d0 << " x " << row.d1;
    RtArray<uint8_t> bytes;
    dimensionArray(bytes, row.d0, row.d1);
    EXPECT_EQ(bytes.capacity(), row.integerCapacity);
  }
}

TEST(RtArrayTest, ElementsAreAddressedFirstIndexFastestThroughTheStrides) {
  RtArray<double> a;
  dimensionArray(a, 4, 3);
  EXPECT_EQ(a.dimensionCount(), 2);
  EXPECT_EQ(a.stride1(), 4);
  EXPECT_EQ(a.stride2(), 12);
  EXPECT_EQ(&elementAt(a, 1, 2), a.data() + 9);
  EXPECT_EQ(&elementAt(a, 3, 2), a.data() + 11);
  EXPECT_EQ(&elementAt(a, -0.5, 1.9), a.data() + 4);  // truncated toward zero

  RtArray<int32_t> b;
  dimensionArray(b, 2, 3, 4, 5);
  EXPECT_EQ(b.dimensionCount(), 4);
  EXPECT_EQ(b.stride3(), 24);
  EXPECT_EQ(&elementAt(b, 1, 2, 3, 4), b.data() + 1 + 2 * 2 + 3 * 6 + 4 * 24);
  EXPECT_EQ(&elementAt(b, 1, 2, 3, 4), b.data() + 119);  // the last element

  RtArray<Cell> cells;
  dimensionArray(cells, 160, 120);
  EXPECT_EQ(&elementAt(cells, 159, 119), cells.data() + 19199);
  elementAt(cells, 159, 119).red = 255;
  EXPECT_EQ(cells.data()[19199].red, 255.0f);
}

TEST(RtArrayTest, DimensionSizeAndCountFollowTheSizesAsGiven) {
  RtArray<double> a;
  dimensionArray(a, 4, 3);
  const std::pair<double, double> sizes[] = {{0, 4}, {1, 3}, {1.9, 3}, {2, 0},
                                             {3, 0}, {4, 0}, {-1, 0},  {kNaN, 0}};
  for (const auto& [n, size] : sizes) EXPECT_EQ(dimensionSize(a, n), size) << "n = " << n;

  struct Row {
    double d0, d1, d2, d3;
    int32_t count;
    int32_t size1;
  };
  const Row rows[] = {
      {5, 0, 0, 0, 1, 0}, {5, 0.5, 0, 0, 2, 0}, {5, 0, 0, 2, 4, 0},     {5, 2, 3, 0, 3, 2},
      {0, 0, 0, 0, 0, 0}, {0.5, 3, 0, 0, 2, 3}, {5, -2.5, 0, 0, 2, -2},
  };
  for (const Row& row : rows) {
    RtArray<double> b;
    dimensionArray(b, row.d0, row.d1, row.d2, row.d3);
    EXPECT_EQ(b.dimensionCount(), row.count)
        << row.d0 << "," << row.d1 << "," << row.d2 << "," << row.d3;
    EXPECT_EQ(b.size1(), row.size1);
  }
}

TEST(RtArrayTest, TheCheckAdmitsExactlyTheIndicesInsideTheSizes) {
  RtArray<int32_t> a;
  dimensionArray(a, 10);
  EXPECT_NE(a.elementIfValid(9), nullptr);
  EXPECT_EQ(a.elementIfValid(10), nullptr);
  EXPECT_EQ(a.elementIfValid(-1), nullptr);
  EXPECT_EQ(a.elementIfValid(INT32_MIN), nullptr);  // what a NaN index becomes
  EXPECT_NE(a.elementIfValid(9, 0, 0, 0), nullptr);
  EXPECT_EQ(a.elementIfValid(0, 1), nullptr);  // dimension 1 has size 0: only index 0
  EXPECT_EQ(a.elementIfValid(0, 0, 0, 1), nullptr);

  RtArray<int32_t> negative;
  dimensionArray(negative, 4, -3);  // counted as 1 for the block, but nothing is addressable
  EXPECT_EQ(negative.elementIfValid(0, 0), nullptr);

  RtArray<int32_t> emptied;
  dimensionArray(emptied, 0.5);
  EXPECT_NE(emptied.data(), nullptr);
  EXPECT_EQ(emptied.size0(), 0);
  EXPECT_EQ(emptied.elementIfValid(0), nullptr);
}

TEST(RtArrayTest, IntegerIndexAccessAddressesWhatDoubleIndexAccessDoes) {
  RtArray<Cell> cells;
  dimensionArray(cells, 160, 120);
  const int32_t corners[][2] = {{0, 0}, {159, 0}, {0, 119}, {159, 119}, {17, 42}};
  for (const auto& c : corners) {
    EXPECT_EQ(&elementAtIndex(cells, c[0], c[1]), &elementAt(cells, c[0], c[1]))
        << c[0] << "," << c[1];
  }
  const RtArray<Cell>& readOnly = cells;
  EXPECT_EQ(&elementAtIndex(readOnly, 159, 119), cells.data() + 19199);
}

// elementAt tests the indices as doubles; that must admit exactly what truncating first and
// testing the integers admits, for every awkward double and every kind of size.
TEST(RtArrayTest, TheDoubleIndexCheckMatchesTruncateThenCheck) {
  const double inf = std::numeric_limits<double>::infinity();
  const double indices[] = {-inf,  -2147483649.0, -2147483648.0, -1.0,  -0.999, -0.5, -0.0, 0.0,
                            0.5,   0.999,         1.0,           2.0,   2.999,  3.0,  3.5,  4.0,
                            9.999, 2147483647.0,  2147483648.0,  1e300, inf,    kNaN};
  struct Sizes {
    double d0, d1, d2, d3;
  };
  const Sizes shapes[] = {{4, 3, 0, 0}, {3, 0.5, 2, 0}, {4, -2, 0, 0}, {0, 3, 0, 0}, {10, 1, 1, 3}};
  for (const Sizes& shape : shapes) {
    RtArray<uint8_t> a;
    dimensionArray(a, shape.d0, shape.d1, shape.d2, shape.d3);
    for (double x : indices) {
      for (double y : indices) {
        for (int k = 0; k < 3; ++k) {
          double d[4] = {0, 0, 0, 0};
          d[0] = x;
          d[1 + k] = y;
          uint8_t* viaDoubles = a.elementIfInRange(d[0], d[1], d[2], d[3]);
          uint8_t* viaIntegers = a.elementIfValid(truncateToInt32(d[0]), truncateToInt32(d[1]),
                                                  truncateToInt32(d[2]), truncateToInt32(d[3]));
          ASSERT_EQ(viaDoubles, viaIntegers)
              << shape.d0 << "x" << shape.d1 << "x" << shape.d2 << "x" << shape.d3 << " at " << d[0]
              << "," << d[1] << "," << d[2] << "," << d[3];
        }
      }
    }
  }
  RtArray<uint8_t> never;
  EXPECT_EQ(never.elementIfInRange(0), nullptr);
}

TEST(RtArrayTest, RedimensioningClearsAndKeepsTheBlockUnlessEmptying) {
  RtArray<int32_t> a;
  dimensionArray(a, 100);
  EXPECT_EQ(a.capacity(), 128);
  elementAt(a, 3) = 7;
  elementAt(a, 70) = 9;
  int32_t* block = a.data();
  dimensionArray(a, 5);
  EXPECT_EQ(a.capacity(), 128);
  EXPECT_EQ(a.data(), block);
  EXPECT_EQ(elementAt(a, 3), 0);
  EXPECT_EQ(a.data()[70], 9);  // beyond the first 64 elements: not cleared, not addressable
  dimensionArray(a, 0);
  EXPECT_EQ(a.capacity(), 64);
  EXPECT_EQ(a.size0(), 0);
  EXPECT_EQ(a.dimensionCount(), 0);

  // Number arrays clear the whole capacity.
  RtArray<double> n;
  dimensionArray(n, 20);
  n.data()[19] = 1.5;
  dimensionArray(n, 2);
  EXPECT_EQ(n.capacity(), 24);
  EXPECT_EQ(n.data()[19], 0.0);

  RtArray<Cell> cells;
  dimensionArray(cells, 3, 2);
  elementAt(cells, 2, 1).green = 4;
  dimensionArray(cells, 3, 2);
  EXPECT_EQ(elementAt(cells, 2, 1).green, 0.0f);
}

TEST(RtArrayTest, StringElementsStartEmptyAndRedimensioningEmptiesThem) {
  RtArray<RtString> names;
  dimensionArray(names, 3);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(elementAt(names, i).usesSharedEmptyText());
  elementAt(names, 0) = "first";
  elementAt(names, 2) = std::string(600, 'z').c_str();
  dimensionArray(names, 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(lengthOf(elementAt(names, i)), 0u);
  EXPECT_EQ(elementAt(names, 2).capacity(), 1024u);  // an existing element keeps its buffer
  elementAt(names, 1) = "kept?";
  dimensionArray(names, 200);  // a larger block: old elements destroyed, new ones constructed
  EXPECT_EQ(lengthOf(elementAt(names, 1)), 0u);
  EXPECT_EQ(names.capacity(), 256);
}

TEST(RtArrayTest, CopyArrayReproducesSizesAndElements) {
  RtArray<double> source;
  dimensionArray(source, 3, 2);
  for (int j = 0; j < 2; ++j) {
    for (int i = 0; i < 3; ++i) elementAt(source, i, j) = i + 10.0 * j;
  }
  RtArray<double> target;
  dimensionArray(target, 50);
  copyArray(target, source);
  EXPECT_EQ(target.size0(), 3);
  EXPECT_EQ(target.size1(), 2);
  EXPECT_EQ(target.dimensionCount(), 2);
  for (int j = 0; j < 2; ++j) {
    for (int i = 0; i < 3; ++i) EXPECT_EQ(elementAt(target, i, j), i + 10.0 * j);
  }
  copyArray(source, source);  // onto itself: unchanged
  EXPECT_EQ(elementAt(source, 2, 1), 12.0);

  RtArray<Cell> cellsA;
  RtArray<Cell> cellsB;
  dimensionArray(cellsA, 160, 120);
  elementAt(cellsA, 10, 20).x = 40;
  elementAt(cellsA, 159, 119).blue = 3;
  copyArray(cellsB, cellsA);
  EXPECT_EQ(std::memcmp(cellsA.data(), cellsB.data(), sizeof(Cell) * 160 * 120), 0);

  RtArray<double> never;
  copyArray(target, never);
  EXPECT_EQ(target.size0(), 0);
}

TEST(RtArrayTest, ResizeKeepingKeepsTheOverlap) {
  RtArray<double> a;
  dimensionArray(a, 3, 2);
  for (int j = 0; j < 2; ++j) {
    for (int i = 0; i < 3; ++i) elementAt(a, i, j) = 1 + i + 10.0 * j;
  }
  resizeKeeping(a, 4, 3);
  EXPECT_EQ(a.size0(), 4);
  EXPECT_EQ(a.size1(), 3);
  const double expected[3][4] = {{1, 2, 3, 0}, {11, 12, 13, 0}, {0, 0, 0, 0}};
  for (int j = 0; j < 3; ++j) {
    for (int i = 0; i < 4; ++i) EXPECT_EQ(elementAt(a, i, j), expected[j][i]) << i << "," << j;
  }
  resizeKeeping(a, 2);  // one dimension: the old dimension 1 keeps only index 0
  EXPECT_EQ(a.dimensionCount(), 1);
  EXPECT_EQ(elementAt(a, 0), 1);
  EXPECT_EQ(elementAt(a, 1), 2);

  // From inline storage to an allocated block, and back to fewer elements, which keeps the
  // block (the result is dimensioned in place when the smaller temporary lives inline).
  resizeKeeping(a, 40);
  EXPECT_FALSE(a.usesInlineStorage());
  EXPECT_EQ(elementAt(a, 1), 2);
  elementAt(a, 39) = 5;
  const double* block = a.data();
  resizeKeeping(a, 3);
  EXPECT_EQ(a.data(), block);
  EXPECT_EQ(a.capacity(), 48);
  EXPECT_EQ(elementAt(a, 1), 2);
  EXPECT_EQ(elementAt(a, 2), 0);
  EXPECT_EQ(a.data()[39], 0);  // the whole number block is cleared
  // Two allocated blocks: the temporary's block is taken over.
  resizeKeeping(a, 50);
  EXPECT_NE(a.data(), block);
  EXPECT_EQ(elementAt(a, 1), 2);

  // A one-dimensional array growing a second dimension keeps its row at index 0.
  resizeKeeping(a, 3, 2);
  EXPECT_EQ(elementAt(a, 1, 0), 2);
  EXPECT_EQ(elementAt(a, 1, 1), 0);

  resizeKeeping(a, 0);  // a first size of 0 copies nothing
  EXPECT_EQ(a.size0(), 0);
  RtArray<double> never;
  resizeKeeping(never, 4);
  EXPECT_EQ(elementAt(never, 3), 0);

  RtArray<RtString> names;
  dimensionArray(names, 2);
  elementAt(names, 1) = "kept";
  resizeKeeping(names, 100);
  EXPECT_STREQ(textOf(elementAt(names, 1)), "kept");
}

TEST(RtArrayTest, ArrayFromValuesFillsOneDimension) {
  const double values[] = {1.5, -2, 3e10, 4, 5};
  RtArray<double> a;
  arrayFromValues(a, 5, values);
  EXPECT_EQ(a.size0(), 5);
  EXPECT_EQ(a.dimensionCount(), 1);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(elementAt(a, i), values[i]);
  arrayFromValues(a, 3, a.data() + 2);  // values taken from the array itself
  EXPECT_EQ(elementAt(a, 0), 3e10);
  EXPECT_EQ(elementAt(a, 2), 5);
  arrayFromValues(a, 0, values);
  EXPECT_EQ(a.size0(), 0);
  EXPECT_EQ(a.elementIfValid(0), nullptr);
}

TEST(RtArrayTest, CopiesAreDeepAndMovesHandleInlineStorage) {
  RtArray<double> small;
  dimensionArray(small, 3);
  elementAt(small, 2) = 8;
  RtArray<double> copy(small);
  EXPECT_TRUE(copy.usesInlineStorage());
  EXPECT_NE(copy.data(), small.data());
  elementAt(copy, 2) = 9;
  EXPECT_EQ(elementAt(small, 2), 8);

  RtArray<double> moved(std::move(small));
  EXPECT_TRUE(moved.usesInlineStorage());  // its own inline block, not the source's
  EXPECT_EQ(elementAt(moved, 2), 8);
  EXPECT_EQ(small.data(), nullptr);  // NOLINT: the moved-from state is defined
  EXPECT_EQ(small.elementIfValid(0), nullptr);

  RtArray<RtString> names;
  dimensionArray(names, 100);
  elementAt(names, 99) = "last";
  RtString* block = names.data();
  RtArray<RtString> taken;
  taken = std::move(names);
  EXPECT_EQ(taken.data(), block);
  RtArray<RtString> duplicate;
  duplicate = taken;
  EXPECT_NE(duplicate.data(), block);
  EXPECT_STREQ(textOf(elementAt(duplicate, 99)), "last");
  RtArray<RtString>& same = duplicate;
  duplicate = same;  // self-assignment keeps the content
  EXPECT_STREQ(textOf(elementAt(duplicate, 99)), "last");
}

// ---- Stops, each in a child process; the debug-mode report carries the code.

RtArray<RtString> tornDownAtExit;

using RtArrayDeathTest = testing_support::ValueStopDeathTest;

void indexTenOfTen() {
  RtArray<double> a;
  dimensionArray(a, 10);
  elementAt(a, 10) = 1;
}
void indexMinusOne() {
  RtArray<double> a;
  dimensionArray(a, 10);
  elementAt(a, -1) = 1;
}
void neverDimensioned() {
  RtArray<Cell> a;
  elementAt(a, 0).x = 1;
}
void nanIndex() {
  RtArray<int32_t> a;
  dimensionArray(a, 10);
  elementAt(a, kNaN) = 1;
}
void nonZeroIndexInASizeZeroDimension() {
  RtArray<uint8_t> a;
  dimensionArray(a, 10);
  elementAt(a, 0, 1) = 1;
}
void secondIndexAtItsSize() {
  RtArray<Cell> a;
  dimensionArray(a, 160, 120);
  elementAt(a, 0, 120).x = 1;
}
void countPastThirtyOneBits() {
  RtArray<uint8_t> a;
  dimensionArray(a, 65536, 32768);
}
void countWithInfiniteSize() {
  RtArray<double> a;
  dimensionArray(a, 10, std::numeric_limits<double>::infinity());
}
void capacityPastThirtyOneBits() {
  RtArray<uint8_t> a;
  dimensionArray(a, 2147483647.0);  // fits, but the rounded capacity does not
}
void allocationFails() {
  // The block is replaced by one the allocator refuses; the tear-down at exit must find a
  // header that matches what is really held.
  dimensionArray(tornDownAtExit, 10);
  elementAt(tornDownAtExit, 3) = std::string(600, 's').c_str();
  testing_support::failAllocationsFrom(64 * 1024);
  dimensionArray(tornDownAtExit, 100000);
}
void integerIndexAtTheFirstSize() {
  RtArray<Cell> cells;
  dimensionArray(cells, 160, 120);
  elementAtIndex(cells, 160, 0).red = 1;
}
void negativeIntegerIndex() {
  RtArray<Cell> cells;
  dimensionArray(cells, 160, 120);
  elementAtIndex(cells, 3, -1).red = 1;
}
void integerIndexInANeverDimensionedArray() {
  RtArray<int32_t> never;
  elementAtIndex(never, 0) = 1;
}
void cellAllocationFails() {
  testing_support::failAllocationsFrom(1);
  RtArray<Cell> cells;
  dimensionArray(cells, 160, 120);
}

TEST_F(RtArrayDeathTest, FailedChecksStopWithCode9AndStorageFailuresWithCode7) {
  struct Row {
    void (*body)();
    const char* code;
    const char* what;
  };
  const Row rows[] = {
      {indexTenOfTen, "9", "index 10 of [10]"},
      {indexMinusOne, "9", "index -1"},
      {neverDimensioned, "9", "never dimensioned"},
      {nanIndex, "9", "NaN index"},
      {nonZeroIndexInASizeZeroDimension, "9", "index 1 in a dimension of size 0"},
      {secondIndexAtItsSize, "9", "second index at its size"},
      {integerIndexAtTheFirstSize, "9", "int32 index at the first size"},
      {negativeIntegerIndex, "9", "negative int32 index"},
      {integerIndexInANeverDimensionedArray, "9", "int32 index, never dimensioned"},
      {countPastThirtyOneBits, "7", "element count past 2^31"},
      {countWithInfiniteSize, "7", "infinite size"},
      {capacityPastThirtyOneBits, "7", "rounded capacity past 2^31"},
      {allocationFails, "7", "string block refused"},
      {cellAllocationFails, "7", "record block refused"},
  };
  for (const Row& row : rows) {
    deleteErrorLog();
    EXPECT_EXIT(row.body(), ::testing::ExitedWithCode(0), "") << row.what;
    EXPECT_EQ(reportedCode(), row.code) << row.what;
  }
}

}  // namespace
}  // namespace korvane
