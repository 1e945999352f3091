// RtString: the runtime's growable, NUL-terminated byte text, with the operator families that
// translated programs use. Comparisons return doubles (1.0 / 0.0), the program's only number type.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>

namespace korvane {

class RtString;

// Text operands: NUL-terminated byte texts (a null pointer reads as "") and strings.
template <typename T>
concept TextOperand =
    std::same_as<std::remove_cvref_t<T>, RtString> || std::is_convertible_v<const T&, const char*>;

// Number operands of the operator families: exactly int, float and double (the literal 0 is an
// int, so it never becomes a null text).
template <typename T>
concept NumberOperand = std::same_as<T, int> || std::same_as<T, float> || std::same_as<T, double>;

class RtString {
 public:
  // Empty: points at the shared read-only empty text, allocates nothing.
  constexpr RtString() noexcept : buf_(const_cast<char*>(kSharedEmptyText)) {}
  RtString(const char* text);  // NOLINT: a text literal is a string wherever one is expected
  explicit RtString(std::string_view bytes);
  RtString(const RtString& other);
  RtString(RtString&& other) noexcept;
  // Numbers become their text (integerToText / numberToText).
  explicit RtString(int value);
  explicit RtString(float value);
  explicit RtString(double value);
  RtString(char) = delete;  // a char would silently become its code's digits
  ~RtString();

  RtString& operator=(const char* text);
  RtString& operator=(const RtString& other);
  RtString& operator=(RtString&& other) noexcept;
  RtString& operator=(int value);
  RtString& operator=(float value);
  RtString& operator=(double value);
  RtString& operator=(char) = delete;

  RtString& operator+=(const char* text);
  RtString& operator+=(const RtString& other);
  RtString& operator+=(int value);
  RtString& operator+=(float value);
  RtString& operator+=(double value);
  RtString& operator+=(char) = delete;

  // Replace or extend the content with `count` raw bytes (which may contain NULs).
  void assignBytes(const char* bytes, std::size_t count);
  void appendBytes(const char* bytes, std::size_t count);

  // Empties the text but keeps the buffer for reuse.
  void clear() noexcept;

  // The raw buffer. Writable only after reserve(); a platform call that fills it must be
  // followed by resyncLength().
  char* buf() noexcept { return buf_; }
  const char* buf() const noexcept { return buf_; }
  uint32_t capacity() const noexcept { return capacity_; }
  uint32_t length() const noexcept { return length_; }
  // True while the string uses the shared empty text (nothing allocated).
  bool usesSharedEmptyText() const noexcept { return buf_ == kSharedEmptyText; }

 private:
  friend void reserve(RtString& s, uint64_t n);
  friend void resyncLength(RtString& s);
  friend void stripTrailingControl(RtString& s) noexcept;

  static constexpr char kSharedEmptyText[1] = {'\0'};

  char* buf_;              // never null while alive (the shared empty text at least)
  uint32_t capacity_ = 0;  // bytes at buf_; 0 while buf_ is the shared empty text
  uint32_t length_ = 0;    // bytes before the terminating NUL, always below capacity_ if any
};

// Room for n bytes plus the NUL: nothing happens when n < capacity, else the capacity becomes
// n rounded down to a multiple of 512, plus 512, and the text is kept. The length is untouched.
// A capacity past 32 bits or a failed allocation stops the program with error code 7.
void reserve(RtString& s, uint64_t n);

// The NUL-terminated text; "" whenever the length is 0.
const char* textOf(const RtString& s) noexcept;
inline const char* textOf(const char* text) noexcept { return text != nullptr ? text : ""; }
uint32_t lengthOf(const RtString& s) noexcept;
// The text and its length as a view (embedded NULs included).
std::string_view viewOf(const RtString& s) noexcept;

// Recomputes the length after the buffer was written in place: the bytes before the first NUL,
// at most capacity - 1 (the byte at capacity - 1 is then made the terminator).
void resyncLength(RtString& s);

// The byte at position i as a signed value (-128..127); 0 when i is not below the length.
int32_t byteAt(const RtString& s, uint32_t i) noexcept;
// Stores the low 8 bits of b at position i; ignored unless i is below the length.
void setByteAt(RtString& s, uint32_t i, int32_t b) noexcept;
// Ends the text at position i (a NUL written there, then resyncLength); ignored unless i is
// below the length.
void truncateAt(RtString& s, uint32_t i);
// Removes trailing bytes whose signed value is 31 or less (control bytes and bytes of 128 up).
void stripTrailingControl(RtString& s) noexcept;

// The text read as a number: leading white space, then the longest decimal prefix; 0 if none.
double toNumber(const RtString& s) noexcept;

// clang-format off
// ---- Concatenation: a new string, the left side converted or copied, then the right appended.
// `concatenate` covers every pairing, including those C++ cannot overload as `+` (text with
// text, text with a number).
template <typename L, typename R>
  requires(TextOperand<L> || NumberOperand<L>) && (TextOperand<R> || NumberOperand<R>)
RtString concatenate(const L& left, const R& right) {
  RtString result(left);
  result += right;
  return result;
}

template <typename L, typename R>
  requires(std::same_as<L, RtString> && (TextOperand<R> || NumberOperand<R>)) ||
          (std::same_as<R, RtString> && (TextOperand<L> || NumberOperand<L>))
RtString operator+(const L& left, const R& right) {
  return concatenate(left, right);
}

// clang-format on

// ---- Text comparisons (1.0 / 0.0). Ordering is byte-wise over unsigned bytes up to the NUL.
// Two strings are equal only with equal lengths and equal bytes.
double operator==(const RtString& a, const RtString& b) noexcept;
double operator!=(const RtString& a, const RtString& b) noexcept;

namespace string_detail {
int compareTexts(const char* a, const char* b) noexcept;  // strcmp's sign
inline const char* textPointer(const RtString& s) noexcept { return textOf(s); }
inline const char* textPointer(const char* t) noexcept { return textOf(t); }
inline double numberOf(const RtString& s) noexcept { return toNumber(s); }
double numberOf(const char* text) noexcept;
inline double truth(bool b) noexcept { return b ? 1.0 : 0.0; }
}  // namespace string_detail

// clang-format off
// Named forms of all six comparisons, for every pairing of text operands and of a text operand
// with a number (the number widened to double, the text read with toNumber). NaN on either side
// makes every comparison false except `textNotEqual`.
#define KORVANE_TEXT_COMPARISON(name, op)                                               \
  template <TextOperand A, TextOperand B>                                               \
  double name(const A& a, const B& b) noexcept {                                        \
    return string_detail::truth(string_detail::compareTexts(string_detail::textPointer(a), \
                                                            string_detail::textPointer(b)) \
                                    op 0);                                              \
  }                                                                                     \
  template <TextOperand A, NumberOperand B>                                             \
  double name(const A& a, B b) noexcept {                                               \
    return string_detail::truth(string_detail::numberOf(string_detail::textPointer(a)) \
                                    op static_cast<double>(b));                         \
  }                                                                                     \
  template <NumberOperand A, TextOperand B>                                             \
  double name(A a, const B& b) noexcept {                                               \
    return string_detail::truth(static_cast<double>(a) op string_detail::numberOf(      \
        string_detail::textPointer(b)));                                                \
  }
KORVANE_TEXT_COMPARISON(textEqual, ==)
KORVANE_TEXT_COMPARISON(textNotEqual, !=)
KORVANE_TEXT_COMPARISON(textLess, <)
KORVANE_TEXT_COMPARISON(textGreater, >)
KORVANE_TEXT_COMPARISON(textLessOrEqual, <=)
KORVANE_TEXT_COMPARISON(textGreaterOrEqual, >=)
#undef KORVANE_TEXT_COMPARISON

// The same families as operators wherever one side is an RtString (for string-string equality
// the non-template overloads above are chosen).
#define KORVANE_STRING_OPERATOR(op, name)                                                   \
  template <typename A, typename B>                                                         \
    requires(std::same_as<A, RtString> && (TextOperand<B> || NumberOperand<B>)) ||          \
            (std::same_as<B, RtString> && (TextOperand<A> || NumberOperand<A>))             \
  double operator op(const A& a, const B& b) noexcept {                                     \
    return name(a, b);                                                                      \
  }
KORVANE_STRING_OPERATOR(==, textEqual)
KORVANE_STRING_OPERATOR(!=, textNotEqual)
KORVANE_STRING_OPERATOR(<, textLess)
KORVANE_STRING_OPERATOR(>, textGreater)
KORVANE_STRING_OPERATOR(<=, textLessOrEqual)
KORVANE_STRING_OPERATOR(>=, textGreaterOrEqual)
#undef KORVANE_STRING_OPERATOR
// clang-format on

// Three-way compares: -1, 0 or 1. With text, the sign of the byte-wise comparison; with a
// number, toNumber(s) against it (0 when the number is NaN: the two are unordered).
template <TextOperand B>
int threeWayCompare(const RtString& s, const B& text) noexcept {
  return string_detail::compareTexts(textOf(s), string_detail::textPointer(text));
}
template <NumberOperand B>
int threeWayCompare(const RtString& s, B number) noexcept {
  const double a = toNumber(s);
  const double b = static_cast<double>(number);
  return a < b ? -1 : (a > b ? 1 : 0);
}

}  // namespace korvane
