// RtArray: the checked array of one to four dimensions, indices from 0, first index fastest.
//
//   struct Cell { float x, y, unused0, unused1, red, green, blue; };  // a plain record
//   korvane::RtArray<Cell> cells;                // global or member: empty, nothing allocated
//   korvane::dimensionArray(cells, 160, 120);    // 160 x 120 cells, every field 0
//   korvane::elementAt(cells, i, j).red = 255;   // checked; outside the sizes stops with code 9
//   korvane::elementAtIndex(cells, 3, 4).red;    // the same check on int32 indices
//   double width = korvane::dimensionSize(cells, 0);   // 160
//   const Cell* raw = cells.data();              // cell (i, j) is raw[i + j * 160]
//
// Indices and sizes are doubles, truncated toward zero (so -0.5 is index 0, NaN is out of
// range). Dimensioning clears every element; resizeKeeping keeps the overlap.
#pragma once

#include <algorithm>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <new>
#include <type_traits>
#include <utility>

#include "runtime/values/conversions.h"
#include "runtime/values/rt_string.h"
#include "runtime/values/value_allocator.h"

namespace korvane {

// Numbers, integers, bytes, strings and plain records of numeric fields.
// clang-format off
template <typename T>
concept ArrayElement =
    std::is_arithmetic_v<T> || std::same_as<T, RtString> ||
    (std::is_class_v<T> && std::is_trivially_copyable_v<T> && std::is_standard_layout_v<T>);
// clang-format on

namespace array_detail {
// Code 9: an index below 0, at or above its size, or an array never dimensioned.
[[noreturn]] void stopIndexOutOfRange();
// Code 7: the element count does not fit, or the block cannot be allocated.
[[noreturn]] void stopStorageFailure();

template <typename T>
struct InlineBlock {};
template <>
struct InlineBlock<double> {
  double storage[16] = {};
};

// An index truncated toward zero, as unsigned bits: negative results, NaN and values past the
// 32-bit range all land at 2^31 or above, beyond every size, so that one unsigned compare per
// index decides. The two selects keep the conversion defined for every double; values in
// (-1, 0) still truncate to index 0.
inline uint32_t indexBits(double d) noexcept {
  const double low = d > -1.0 ? d : -1.0;                  // NaN and everything at or below -1
  const double clamped = low < 2147483648.0 ? low : -1.0;  // and everything past the range
  return static_cast<uint32_t>(static_cast<int32_t>(clamped));
}

// A size below 1 (or NaN) counts as 1 for the element count.
inline double countFactor(double d) { return d >= 1.0 ? d : 1.0; }
inline int64_t countFactor(int32_t s) { return s >= 1 ? s : 1; }
}  // namespace array_detail

template <ArrayElement T>
class RtArray {
 public:
  static constexpr bool kHasInlineStorage = std::is_same_v<T, double>;
  static constexpr int32_t kInlineCapacity = kHasInlineStorage ? 16 : 0;
  static constexpr int32_t kGranularity = kHasInlineStorage ? 8 : 64;

  // Every header field zero, no block: constant-initialised, so globals need no start-up code.
  constexpr RtArray() noexcept = default;
  RtArray(const RtArray& other) { copyFrom(other); }
  RtArray(RtArray&& other) noexcept { takeFrom(other); }
  RtArray& operator=(const RtArray& other) {
    if (this != &other) {
      releaseStorage();
      copyFrom(other);
    }
    return *this;
  }
  RtArray& operator=(RtArray&& other) noexcept {
    if (this != &other) {
      releaseStorage();
      takeFrom(other);
    }
    return *this;
  }
  ~RtArray() { releaseStorage(); }

  // The block, element (i0, i1, i2, i3) at i0 + i1*stride1 + i2*stride2 + i3*stride3.
  T* data() noexcept { return data_; }
  const T* data() const noexcept { return data_; }
  int32_t stride1() const noexcept { return stride1_; }
  int32_t stride2() const noexcept { return stride2_; }
  int32_t stride3() const noexcept { return stride3_; }
  int32_t size0() const noexcept { return size0_; }
  int32_t size1() const noexcept { return size1_; }
  int32_t size2() const noexcept { return size2_; }
  int32_t size3() const noexcept { return size3_; }
  int32_t dimensionCount() const noexcept { return dimensionCount_; }
  int32_t capacity() const noexcept { return capacity_; }
  bool usesInlineStorage() const noexcept {
    if constexpr (kHasInlineStorage) {
      return data_ == inline_.storage;
    } else {
      return false;
    }
  }

  // The element at integer indices, or null when the check fails: every index 0 or more, the
  // array dimensioned, i0 below size0, and in dimensions 1 to 3 the index below the size, or
  // exactly 0 when that size is 0. (An array without a block has size0 0, so the i0 test also
  // covers "never dimensioned".)
  T* elementIfValid(int32_t i0, int32_t i1 = 0, int32_t i2 = 0, int32_t i3 = 0) noexcept {
    // As unsigned values, negative indices lie beyond every bound.
    const auto u = [](int32_t i) { return static_cast<uint32_t>(i); };
    if (outside(u(i0), u(i1), u(i2), u(i3))) return nullptr;
    return at(u(i0), u(i1), u(i2), u(i3));
  }
  const T* elementIfValid(int32_t i0, int32_t i1 = 0, int32_t i2 = 0,
                          int32_t i3 = 0) const noexcept {
    return const_cast<RtArray*>(this)->elementIfValid(i0, i1, i2, i3);
  }

  // The same check on indices that are still doubles: each index truncated, then one
  // unsigned compare per index against the bounds cached with the sizes.
  T* elementIfInRange(double d0, double d1 = 0, double d2 = 0, double d3 = 0) noexcept {
    const uint32_t i0 = array_detail::indexBits(d0);
    const uint32_t i1 = array_detail::indexBits(d1);
    const uint32_t i2 = array_detail::indexBits(d2);
    const uint32_t i3 = array_detail::indexBits(d3);
    if (outside(i0, i1, i2, i3)) return nullptr;
    return at(i0, i1, i2, i3);
  }

  // elementAt's body: the check, and the stop with code 9 when it fails.
  T& checkedElement(double d0, double d1, double d2, double d3) {
    const uint32_t i0 = array_detail::indexBits(d0);
    const uint32_t i1 = array_detail::indexBits(d1);
    const uint32_t i2 = array_detail::indexBits(d2);
    const uint32_t i3 = array_detail::indexBits(d3);
    if (outside(i0, i1, i2, i3)) [[unlikely]] {
      array_detail::stopIndexOutOfRange();
    }
    return *at(i0, i1, i2, i3);
  }

  // elementAtIndex's body: elementIfValid's check on whole-number indices, and the stop with
  // code 9 (kept out of line) when it fails.
  T& checkedElementAtIndex(int32_t i0, int32_t i1, int32_t i2, int32_t i3) {
    T* element = elementIfValid(i0, i1, i2, i3);
    if (element == nullptr) [[unlikely]] {
      array_detail::stopIndexOutOfRange();
    }
    return *element;
  }

  // Sizes the array and clears every element (see dimensionArray).
  void dimension(double d0, double d1, double d2, double d3);

  // Makes this array what `other` is, leaving `other` to be discarded: its block and header
  // are taken when neither array uses inline storage; otherwise this array is dimensioned with
  // the other's sizes (keeping its own block when large enough) and the elements are copied.
  void takePlaceOf(RtArray& other);

 private:
  // The bound an index in dimensions 1 to 3 must stay below: index 0 is the only valid one
  // in a dimension of size 0, and a negative size admits nothing.
  static uint32_t unsignedLimit(int32_t size) noexcept {
    return size < 0 ? 0u : static_cast<uint32_t>(size == 0 ? 1 : size);
  }

  // One branch for the whole test: accesses are almost never out of range.
  bool outside(uint32_t i0, uint32_t i1, uint32_t i2, uint32_t i3) const noexcept {
    return (i0 >= static_cast<uint32_t>(size0_)) | (i1 >= limit1_) | (i2 >= limit2_) |
           (i3 >= limit3_);
  }

  // Indices already checked, so each is below 2^31 and the sum stays inside the block.
  T* at(uint32_t i0, uint32_t i1, uint32_t i2, uint32_t i3) noexcept {
    return data_ + (static_cast<std::ptrdiff_t>(i0) + static_cast<std::ptrdiff_t>(i1) * stride1_ +
                    static_cast<std::ptrdiff_t>(i2) * stride2_ +
                    static_cast<std::ptrdiff_t>(i3) * stride3_);
  }

  T* inlineBlock() noexcept {
    if constexpr (kHasInlineStorage) {
      return inline_.storage;
    } else {
      return nullptr;
    }
  }

  // Gives the array a fresh block of `capacity` elements (inline for small number arrays).
  // On failure the header stays all zero, so the tear-down at exit frees nothing, and the
  // program stops with code 7.
  void acquire(int32_t capacity) {
    if (kHasInlineStorage && capacity <= kInlineCapacity) {
      data_ = inlineBlock();
    } else {
      void* block = allocateValueBlock(static_cast<std::size_t>(capacity) * sizeof(T));
      if (block == nullptr) array_detail::stopStorageFailure();
      data_ = static_cast<T*>(block);
      // Strings are constructed here; the other element types are written before any read.
      if constexpr (std::is_same_v<T, RtString>) {
        for (int32_t i = 0; i < capacity; ++i) new (data_ + i) RtString();
      }
    }
    capacity_ = capacity;
  }

  // Destroys the elements, releases the block and zeroes the header.
  void releaseStorage() noexcept {
    if (data_ != nullptr && !usesInlineStorage()) {
      if constexpr (std::is_same_v<T, RtString>) {
        for (int32_t i = 0; i < capacity_; ++i) data_[i].~RtString();
      }
      releaseValueBlock(data_);
    }
    data_ = nullptr;
    setHeader(0, 0, 0, 0, 0);
    capacity_ = 0;
  }

  void setHeader(int32_t count, int32_t s0, int32_t s1, int32_t s2, int32_t s3) noexcept {
    // Computed wide and wrapped: with a negative size the products are meaningless, but every
    // access then fails the check, and the arithmetic itself stays defined.
    const int64_t p1 = s0;
    const int64_t p2 = p1 * s1;
    const int64_t p3 = static_cast<int64_t>(static_cast<int32_t>(p2)) * s2;
    stride1_ = static_cast<int32_t>(p1);
    stride2_ = static_cast<int32_t>(p2);
    stride3_ = static_cast<int32_t>(p3);
    size0_ = s0;
    size1_ = s1;
    size2_ = s2;
    size3_ = s3;
    dimensionCount_ = count;
    limit1_ = unsignedLimit(s1);
    limit2_ = unsignedLimit(s2);
    limit3_ = unsignedLimit(s3);
  }

  // Strides, sizes, dimension count and cached bounds; the block and capacity are the caller's.
  void copyHeaderFrom(const RtArray& other) {
    stride1_ = other.stride1_;
    stride2_ = other.stride2_;
    stride3_ = other.stride3_;
    size0_ = other.size0_;
    size1_ = other.size1_;
    size2_ = other.size2_;
    size3_ = other.size3_;
    dimensionCount_ = other.dimensionCount_;
    limit1_ = other.limit1_;
    limit2_ = other.limit2_;
    limit3_ = other.limit3_;
  }

  void copyFrom(const RtArray& other) {
    if (other.data_ == nullptr) return;
    acquire(other.capacity_);
    std::copy(other.data_, other.data_ + other.capacity_, data_);
    copyHeaderFrom(other);
  }

  // Takes the other's block and header and leaves it never-dimensioned. An inline block cannot
  // move, so its elements are copied into this array's own inline storage.
  void takeFrom(RtArray& other) noexcept {
    if (other.usesInlineStorage()) {
      if constexpr (kHasInlineStorage) {
        std::memcpy(inline_.storage, other.inline_.storage, sizeof inline_.storage);
      }
      data_ = inlineBlock();
    } else {
      data_ = other.data_;
    }
    capacity_ = other.capacity_;
    copyHeaderFrom(other);
    other.data_ = nullptr;
    other.setHeader(0, 0, 0, 0, 0);
    other.capacity_ = 0;
  }

  T* data_ = nullptr;
  [[no_unique_address]] array_detail::InlineBlock<T> inline_;
  int32_t stride1_ = 0;
  int32_t stride2_ = 0;
  int32_t stride3_ = 0;
  int32_t size0_ = 0;
  int32_t size1_ = 0;
  int32_t size2_ = 0;
  int32_t size3_ = 0;
  int32_t dimensionCount_ = 0;
  int32_t capacity_ = 0;
  // Derived from size1..size3 whenever they change: the unsigned bound each index must stay
  // below (1 for a size of 0, 0 for a negative size), so the hot check needs no arithmetic.
  uint32_t limit1_ = 0;
  uint32_t limit2_ = 0;
  uint32_t limit3_ = 0;
};

template <ArrayElement T>
void RtArray<T>::dimension(double d0, double d1, double d2, double d3) {
  // A first size below 1 (NaN too) empties the array: size0 0, a fresh block of one granule.
  const bool emptying = !(d0 >= 1.0);
  if (emptying) d0 = 0.0;
  const int32_t s0 = truncateToInt32(d0);
  const int32_t s1 = truncateToInt32(d1);
  const int32_t s2 = truncateToInt32(d2);
  const int32_t s3 = truncateToInt32(d3);

  using array_detail::countFactor;
  // The count is the product of the sizes as given; a count past 31 bits stops with code 7
  // rather than wrapping to a short block.
  const double product = d0 * countFactor(d1) * countFactor(d2) * countFactor(d3);
  if (!(product < 2147483648.0)) array_detail::stopStorageFailure();
  // Never below the product of the truncated sizes, which bounds every index that passes.
  const int64_t exact = countFactor(s0) * countFactor(s1) * countFactor(s2) * countFactor(s3);
  const int64_t needed = std::max<int64_t>(static_cast<int64_t>(product), emptying ? 0 : exact);
  const int64_t newCapacity = needed / kGranularity * kGranularity + kGranularity;
  if (newCapacity > INT32_MAX) array_detail::stopStorageFailure();
  const int32_t capacity = static_cast<int32_t>(newCapacity);

  if (capacity_ < capacity || emptying) {
    releaseStorage();
    acquire(capacity);
  }

  if constexpr (std::is_same_v<T, RtString>) {
    for (int32_t i = 0; i < capacity; ++i) data_[i].clear();
  } else {
    // Numbers clear the whole block, the others the first new-capacity elements.
    const int32_t cleared = kHasInlineStorage ? capacity_ : capacity;
    std::memset(static_cast<void*>(data_), 0, static_cast<std::size_t>(cleared) * sizeof(T));
  }

  // The dimension count looks at the sizes as given, so a size of 0.5 still counts.
  const int32_t count = d3 != 0.0 ? 4 : d2 != 0.0 ? 3 : d1 != 0.0 ? 2 : d0 != 0.0 ? 1 : 0;
  setHeader(count, s0, s1, s2, s3);
}

// Sizes the array (missing trailing sizes are 0) and clears every element: numbers and record
// fields to 0, strings to empty. The block is kept when it is large enough (except when
// emptying with a first size below 1). Stops with code 7 when the count does not fit in 31 bits
// or the block cannot be allocated.
template <ArrayElement T>
void dimensionArray(RtArray<T>& array, double d0, double d1 = 0, double d2 = 0, double d3 = 0) {
  array.dimension(d0, d1, d2, d3);
}

// Checked access for reading and writing; a failed check stops with code 9 and never returns.
template <ArrayElement T>
inline T& elementAt(RtArray<T>& array, double i0, double i1 = 0, double i2 = 0, double i3 = 0) {
  return array.checkedElement(i0, i1, i2, i3);
}
template <ArrayElement T>
inline const T& elementAt(const RtArray<T>& array, double i0, double i1 = 0, double i2 = 0,
                          double i3 = 0) {
  return elementAt(const_cast<RtArray<T>&>(array), i0, i1, i2, i3);
}

// The same access for code that already counts in whole numbers: no truncation per index, the
// same check and the same stop with code 9.
template <ArrayElement T>
inline T& elementAtIndex(RtArray<T>& array, int32_t i0, int32_t i1 = 0, int32_t i2 = 0,
                         int32_t i3 = 0) {
  return array.checkedElementAtIndex(i0, i1, i2, i3);
}
template <ArrayElement T>
inline const T& elementAtIndex(const RtArray<T>& array, int32_t i0, int32_t i1 = 0, int32_t i2 = 0,
                               int32_t i3 = 0) {
  return elementAtIndex(const_cast<RtArray<T>&>(array), i0, i1, i2, i3);
}

// Size of dimension n (truncated): 0 to 3 give size0 to size3, anything else 0.
template <ArrayElement T>
double dimensionSize(const RtArray<T>& array, double n) {
  switch (truncateToInt32(n)) {
    case 0:
      return array.size0();
    case 1:
      return array.size1();
    case 2:
      return array.size2();
    case 3:
      return array.size3();
    default:
      return 0.0;
  }
}

// Dimensions the target with the source's four sizes and copies the source's elements in block
// order. Copying an array onto itself keeps it as it is.
template <ArrayElement T>
void copyArray(RtArray<T>& target, const RtArray<T>& source) {
  if (&target == &source) return;
  dimensionArray(target, source.size0(), source.size1(), source.size2(), source.size3());
  using array_detail::countFactor;
  const int64_t count = source.size0() <= 0
                            ? 0
                            : source.size0() * countFactor(source.size1()) *
                                  countFactor(source.size2()) * countFactor(source.size3());
  std::copy(source.data(), source.data() + count, target.data());
}

template <ArrayElement T>
void RtArray<T>::takePlaceOf(RtArray& other) {
  if (this == &other) return;
  if (!usesInlineStorage() && !other.usesInlineStorage()) {
    *this = std::move(other);
    return;
  }
  dimension(other.size0_, other.size1_, other.size2_, other.size3_);
  using array_detail::countFactor;
  const int64_t count = other.size0_ <= 0
                            ? 0
                            : other.size0_ * countFactor(other.size1_) * countFactor(other.size2_) *
                                  countFactor(other.size3_);
  std::move(other.data_, other.data_ + count, data_);
  dimensionCount_ = other.dimensionCount_;  // as given, so a size of 0.5 still counts
}

// Re-dimensions keeping, in each dimension, the indices below both the old and the new size
// (a dimension where either size is 0 keeps index 0). Nothing is kept when the new first size
// is 0 or the old array has no dimension.
template <ArrayElement T>
void resizeKeeping(RtArray<T>& array, double d0, double d1 = 0, double d2 = 0, double d3 = 0) {
  RtArray<T> resized;
  dimensionArray(resized, d0, d1, d2, d3);
  if (array.dimensionCount() >= 1) {
    const int32_t o0 = std::min(resized.size0(), array.size0());
    const int32_t o1 = std::min(resized.size1(), array.size1());
    const int32_t o2 = std::min(resized.size2(), array.size2());
    const int32_t o3 = std::min(resized.size3(), array.size3());
    if (o0 > 0 && o1 >= 0 && o2 >= 0 && o3 >= 0) {
      for (int32_t i3 = 0; i3 < std::max(o3, 1); ++i3) {
        for (int32_t i2 = 0; i2 < std::max(o2, 1); ++i2) {
          for (int32_t i1 = 0; i1 < std::max(o1, 1); ++i1) {
            for (int32_t i0 = 0; i0 < o0; ++i0) {
              T* from = array.elementIfValid(i0, i1, i2, i3);
              T* to = resized.elementIfValid(i0, i1, i2, i3);
              if (from != nullptr && to != nullptr) *to = std::move(*from);
            }
          }
        }
      }
    }
  }
  array.takePlaceOf(resized);
}

// A one-dimensional array of `count` elements holding values[0 .. count-1] (empty when count
// is 0 or less). `values` may point into the array itself.
template <ArrayElement T>
void arrayFromValues(RtArray<T>& array, int32_t count, const T* values) {
  const T* block = array.data();
  const std::less<const T*> before;  // a total order, also for pointers into other blocks
  if (count > 0 && block != nullptr && before(values, block + array.capacity()) &&
      before(block, values + count)) {
    // Dimensioning clears the block the values come from: read them from a copy.
    RtArray<T> saved;
    arrayFromValues(saved, count, values);
    arrayFromValues(array, count, saved.data());
    return;
  }
  dimensionArray(array, count);
  if (count > 0) std::copy(values, values + count, array.data());
}

}  // namespace korvane
