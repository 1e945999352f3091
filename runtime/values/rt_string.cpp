// RtString storage: the 512-byte growth rule, in-place edits and the operator bodies.
#include "runtime/values/rt_string.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "runtime/core/stop/error_stop.h"
#include "runtime/values/number_text.h"
#include "runtime/values/value_allocator.h"

namespace korvane {

namespace {
constexpr uint64_t kGrowthStep = 512;

// Room reserved for a number's text, as the number-to-text rule does.
constexpr uint64_t kNumberReserve = 64;

std::size_t textLength(const char* text) { return text != nullptr ? std::strlen(text) : 0; }

// True when p points into the buffer of s, which a reallocation would release.
bool pointsInto(const RtString& s, const char* p) {
  return s.capacity() != 0 && p >= s.buf() && p < s.buf() + s.capacity();
}

std::size_t writeInteger(int value, char* text) {
  return static_cast<std::size_t>(std::to_chars(text, text + kNumberTextCapacity, value).ptr -
                                  text);
}

void appendNumberText(RtString& s, const char* text, std::size_t length) {
  reserve(s, s.length() + std::max<uint64_t>(length, kNumberReserve));
  s.appendBytes(text, length);
}
}  // namespace

void reserve(RtString& s, uint64_t n) {
  if (n < s.capacity_) return;
  const uint64_t capacity = n / kGrowthStep * kGrowthStep + kGrowthStep;
  // A capacity past 32 bits would wrap to a buffer shorter than the text it must hold.
  if (capacity > UINT32_MAX) stopWithError(kStorageNotAllocated);
  // Growing in place where the allocator can (large blocks are remapped, not copied) keeps
  // byte-by-byte appends from copying the whole text at every step.
  char* grown = static_cast<char*>(s.capacity_ == 0 ? allocateValueBlock(capacity)
                                                    : reallocateValueBlock(s.buf_, capacity));
  if (grown == nullptr) stopWithError(kStorageNotAllocated);  // the old buffer is still ours
  if (s.capacity_ == 0) grown[0] = '\0';  // the shared empty text has nothing to keep
  s.buf_ = grown;
  s.capacity_ = static_cast<uint32_t>(capacity);
}

RtString::RtString(const char* text) : RtString() { *this = text; }

RtString::RtString(std::string_view bytes) : RtString() { assignBytes(bytes.data(), bytes.size()); }

RtString::RtString(const RtString& other) : RtString() { assignBytes(other.buf_, other.length_); }

RtString::RtString(RtString&& other) noexcept
    : buf_(other.buf_), capacity_(other.capacity_), length_(other.length_) {
  other.buf_ = const_cast<char*>(kSharedEmptyText);
  other.capacity_ = 0;
  other.length_ = 0;
}

RtString::RtString(int value) : RtString() { *this = value; }
RtString::RtString(float value) : RtString() { *this = value; }
RtString::RtString(double value) : RtString() { *this = value; }

RtString::~RtString() {
  if (capacity_ != 0) releaseValueBlock(buf_);
  buf_ = nullptr;
  capacity_ = 0;
  length_ = 0;
}

void RtString::assignBytes(const char* bytes, std::size_t count) {
  if (count == 0) {
    clear();  // an empty result allocates nothing
    return;
  }
  if (count >= capacity_ && pointsInto(*this, bytes)) {
    // Growing would release the source: take a copy first.
    const RtString copy(std::string_view(bytes, count));
    assignBytes(copy.buf_, count);
    return;
  }
  reserve(*this, count);
  std::memmove(buf_, bytes, count);
  buf_[count] = '\0';
  length_ = static_cast<uint32_t>(count);
}

void RtString::appendBytes(const char* bytes, std::size_t count) {
  if (count == 0) return;
  if (static_cast<uint64_t>(length_) + count >= capacity_ && pointsInto(*this, bytes)) {
    // Growing would release the source (as in s += s): take a copy first.
    const RtString copy(std::string_view(bytes, count));
    appendBytes(copy.buf_, count);
    return;
  }
  reserve(*this, static_cast<uint64_t>(length_) + count);
  std::memmove(buf_ + length_, bytes, count);
  length_ += static_cast<uint32_t>(count);
  buf_[length_] = '\0';
}

void RtString::clear() noexcept {
  if (capacity_ != 0) buf_[0] = '\0';
  length_ = 0;
}

RtString& RtString::operator=(const char* text) {
  assignBytes(text, textLength(text));
  return *this;
}

RtString& RtString::operator=(const RtString& other) {
  if (this != &other) assignBytes(other.buf_, other.length_);
  return *this;
}

RtString& RtString::operator=(RtString&& other) noexcept {
  if (this != &other) {
    if (capacity_ != 0) releaseValueBlock(buf_);
    buf_ = other.buf_;
    capacity_ = other.capacity_;
    length_ = other.length_;
    other.buf_ = const_cast<char*>(kSharedEmptyText);
    other.capacity_ = 0;
    other.length_ = 0;
  }
  return *this;
}

RtString& RtString::operator=(int value) {
  clear();
  char text[kNumberTextCapacity];
  appendNumberText(*this, text, writeInteger(value, text));
  return *this;
}

RtString& RtString::operator=(float value) { return *this = static_cast<double>(value); }

RtString& RtString::operator=(double value) {
  clear();
  char text[kNumberTextCapacity];
  appendNumberText(*this, text, writeNumberText(value, text));
  return *this;
}

RtString& RtString::operator+=(const char* text) {
  appendBytes(text, textLength(text));
  return *this;
}

RtString& RtString::operator+=(const RtString& other) {
  appendBytes(other.buf_, other.length_);
  return *this;
}

RtString& RtString::operator+=(int value) {
  char text[kNumberTextCapacity];
  appendBytes(text, writeInteger(value, text));
  return *this;
}

RtString& RtString::operator+=(float value) { return *this += static_cast<double>(value); }

RtString& RtString::operator+=(double value) {
  char text[kNumberTextCapacity];
  appendBytes(text, writeNumberText(value, text));
  return *this;
}

const char* textOf(const RtString& s) noexcept { return s.length() == 0 ? "" : s.buf(); }

uint32_t lengthOf(const RtString& s) noexcept { return s.length(); }

std::string_view viewOf(const RtString& s) noexcept { return {textOf(s), s.length()}; }

void resyncLength(RtString& s) {
  if (s.capacity_ == 0 || s.buf_ == nullptr || s.buf_[0] == '\0') {
    s.length_ = 0;
    return;
  }
  // Keep a terminator inside the buffer even if the writer filled every byte.
  const void* nul = std::memchr(s.buf_, '\0', s.capacity_);
  if (nul == nullptr) {
    s.buf_[s.capacity_ - 1] = '\0';
    s.length_ = s.capacity_ - 1;
  } else {
    s.length_ = static_cast<uint32_t>(static_cast<const char*>(nul) - s.buf_);
  }
}

int32_t byteAt(const RtString& s, uint32_t i) noexcept {
  if (i >= s.length()) return 0;
  return static_cast<signed char>(s.buf()[i]);
}

void setByteAt(RtString& s, uint32_t i, int32_t b) noexcept {
  if (i >= s.length()) return;
  s.buf()[i] = static_cast<char>(static_cast<unsigned char>(b & 0xFF));
}

void truncateAt(RtString& s, uint32_t i) {
  if (i >= s.length()) return;
  s.buf()[i] = '\0';
  resyncLength(s);
}

void stripTrailingControl(RtString& s) noexcept {
  while (s.length_ > 0 && static_cast<signed char>(s.buf_[s.length_ - 1]) <= 31) {
    s.buf_[--s.length_] = '\0';
  }
}

double toNumber(const RtString& s) noexcept { return textToNumber(textOf(s)); }

double operator==(const RtString& a, const RtString& b) noexcept {
  if (a.length() != b.length()) return 0.0;
  return std::memcmp(textOf(a), textOf(b), a.length()) == 0 ? 1.0 : 0.0;
}

double operator!=(const RtString& a, const RtString& b) noexcept { return 1.0 - (a == b); }

namespace string_detail {
int compareTexts(const char* a, const char* b) noexcept {
  const int c = std::strcmp(a, b);  // compares as unsigned bytes
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

double numberOf(const char* text) noexcept { return textToNumber(text); }
}  // namespace string_detail

}  // namespace korvane
