// A fixed-capacity ring-buffer deque with O(1) ends and copying middle insertions/erasures.
// The search keeps its open list in one; all storage is taken by setCapacity, never later.
#pragma once

#include <cstdint>
#include <new>

namespace korvane {

template <typename T>
class FixedDeque {
 public:
  FixedDeque() = default;
  virtual ~FixedDeque() { release(); }
  FixedDeque(const FixedDeque&) = delete;
  FixedDeque& operator=(const FixedDeque&) = delete;

  // Drops the content and the old arrays, then allocates two arrays of n elements (the live one
  // and the spare). n = 0 leaves a deque that refuses every push. False for n < 0 or when the
  // arrays cannot be had; the deque then has capacity 0.
  bool setCapacity(int32_t n) {
    release();
    if (n < 0) return false;
    if (n == 0) return true;
    items_ = new (std::nothrow) T[static_cast<std::size_t>(n)];
    spare_ = new (std::nothrow) T[static_cast<std::size_t>(n)];
    if (items_ == nullptr || spare_ == nullptr) {
      release();
      return false;
    }
    capacity_ = n;
    return true;
  }

  // False when full.
  bool pushBack(T value) {
    if (full()) return false;
    items_[back_] = value;
    back_ = wrapUp(back_);
    empty_ = false;
    return true;
  }

  // False when full.
  bool pushFront(T value) {
    if (full()) return false;
    front_ = wrapDown(front_);
    items_[front_] = value;
    empty_ = false;
    return true;
  }

  // False when empty.
  bool popBack() {
    if (empty_) return false;
    back_ = wrapDown(back_);
    empty_ = (back_ == front_);
    return true;
  }

  // False when empty.
  bool popFront() {
    if (empty_) return false;
    front_ = wrapUp(front_);
    empty_ = (back_ == front_);
    return true;
  }

  // The last element, or T{} when empty.
  T back() const { return empty_ ? T{} : items_[wrapDown(back_)]; }

  // Element i counted from the front, or T{} when i is outside 0 .. size - 1.
  T at(int32_t i) const {
    if (i < 0 || i >= size()) return T{};
    return items_[slot(i)];
  }

  int32_t size() const {
    if (empty_) return 0;
    return back_ > front_ ? back_ - front_ : back_ + capacity_ - front_;
  }
  bool empty() const { return empty_; }
  bool full() const { return empty_ ? capacity_ == 0 : front_ == back_; }

  // Inserts so that the new element becomes element i. i = size is a push at the back, i = 0 a
  // push at the front; otherwise the content is rebuilt in the spare array, which becomes the live
  // one (front 0). False when full or when i is outside 0 .. size.
  bool insertAt(int32_t i, T value) {
    const int32_t n = size();
    if (full() || i < 0 || i > n) return false;
    if (i == n) return pushBack(value);
    if (i == 0) return pushFront(value);
    for (int32_t k = 0; k < i; ++k) spare_[k] = items_[slot(k)];
    spare_[i] = value;
    for (int32_t k = i; k < n; ++k) spare_[k + 1] = items_[slot(k)];
    adoptSpare(n + 1);
    return true;
  }

  // Removes element i, the mirror of insertAt. False when i is outside 0 .. size - 1.
  bool eraseAt(int32_t i) {
    const int32_t n = size();
    if (i < 0 || i >= n) return false;
    if (i == n - 1) return popBack();
    if (i == 0) return popFront();
    for (int32_t k = 0; k < i; ++k) spare_[k] = items_[slot(k)];
    for (int32_t k = i + 1; k < n; ++k) spare_[k - 1] = items_[slot(k)];
    adoptSpare(n - 1);
    return true;
  }

  void clear() {
    front_ = 0;
    back_ = 0;
    empty_ = true;
  }

  int32_t capacity() const { return capacity_; }
  int32_t frontIndex() const { return front_; }
  int32_t backIndex() const { return back_; }

 private:
  // Positions stay below capacity_, so the sums below cannot overflow in 64 bits.
  int32_t slot(int32_t i) const {
    const int64_t s = static_cast<int64_t>(front_) + i;
    return static_cast<int32_t>(s >= capacity_ ? s - capacity_ : s);
  }
  int32_t wrapUp(int32_t p) const { return p + 1 == capacity_ ? 0 : p + 1; }
  int32_t wrapDown(int32_t p) const { return p == 0 ? capacity_ - 1 : p - 1; }

  void adoptSpare(int32_t count) {
    T* old = items_;
    items_ = spare_;
    spare_ = old;
    front_ = 0;
    back_ = count == capacity_ ? 0 : count;
    empty_ = (count == 0);
  }

  void release() {
    delete[] items_;
    delete[] spare_;
    items_ = nullptr;
    spare_ = nullptr;
    capacity_ = 0;
    clear();
  }

  T* items_ = nullptr;
  T* spare_ = nullptr;
  int32_t capacity_ = 0;
  int32_t front_ = 0;
  int32_t back_ = 0;   // one past the last element
  bool empty_ = true;  // front_ == back_ means empty or full; this tells which
};

}  // namespace korvane
