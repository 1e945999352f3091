// Text commands over byte views: nothing here relies on a NUL inside a string's length.
#include "runtime/lib/string_functions.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <string_view>

#include "runtime/values/conversions.h"

namespace korvane {
namespace {

constexpr char kAnyRun = '*';
constexpr char kAnyByte = '?';
constexpr char kPoint = '.';  // never matched by kAnyByte

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

template <char (*Convert)(char)>
RtString convertCase(const RtString& s) {
  RtString result(s);
  char* bytes = result.buf();
  for (uint32_t i = 0; i < result.length(); ++i) bytes[i] = Convert(bytes[i]);
  return result;
}

std::string_view bytesOf(const RtString& s) { return viewOf(s); }
std::string_view bytesOf(const char* text) { return std::string_view(textOf(text)); }

double find(std::string_view haystack, std::string_view needle) {
  const std::size_t at = haystack.find(needle);
  return at == std::string_view::npos ? -1.0 : static_cast<double>(at);
}

bool patternByteMatches(char pattern, char name) {
  if (pattern == kAnyByte) return name != kPoint;
  return lowerAscii(pattern) == lowerAscii(name);
}

}  // namespace

RtString toLowerCase(const RtString& s) { return convertCase<lowerAscii>(s); }
RtString toUpperCase(const RtString& s) { return convertCase<upperAscii>(s); }

double findText(const RtString& haystack, const RtString& needle) {
  return find(bytesOf(haystack), bytesOf(needle));
}
double findText(const RtString& haystack, const char* needle) {
  return find(bytesOf(haystack), bytesOf(needle));
}
double findText(const char* haystack, const RtString& needle) {
  return find(bytesOf(haystack), bytesOf(needle));
}
double findText(const char* haystack, const char* needle) {
  return find(bytesOf(haystack), bytesOf(needle));
}

RtString middleText(const RtString& s, double start, double count) {
  const double length = s.length();
  if (std::isnan(start) || std::isnan(count)) return RtString();
  if (std::trunc(start + count) > length) count = length - start;
  if (!(count > 0) || start > length || start < 0) return RtString();
  const std::string_view bytes = viewOf(s);
  const std::size_t from = static_cast<std::size_t>(start);  // 0 to length: in range
  // count is at most length - start here, so the cut never passes the end; substr keeps it so.
  const std::size_t taken = static_cast<std::size_t>(std::trunc(count));
  return RtString(bytes.substr(from, taken));
}

RtString replaceText(const RtString& s, const RtString& find, const RtString& replacement) {
  const std::string_view text = viewOf(s);
  const std::string_view target = viewOf(find);
  const std::string_view with = viewOf(replacement);
  if (target.empty()) return RtString(s);

  // Inserted text is never searched again, so the scan runs over the original text alone.
  // Counting first lets the result be reserved once instead of growing step by step.
  uint64_t occurrences = 0;
  for (std::size_t at = text.find(target); at != std::string_view::npos;
       at = text.find(target, at + target.size())) {
    ++occurrences;
  }
  if (occurrences == 0) return RtString(s);

  RtString result;
  reserve(result, text.size() - occurrences * target.size() + occurrences * with.size());
  std::size_t done = 0;
  for (std::size_t at = text.find(target); at != std::string_view::npos;
       at = text.find(target, done)) {
    result.appendBytes(text.data() + done, at - done);
    result.appendBytes(with.data(), with.size());
    done = at + target.size();
  }
  result.appendBytes(text.data() + done, text.size() - done);
  return result;
}

double charCode(const RtString& s) { return byteAt(s, 0); }

RtString charFromCode(double code) {
  const char byte = static_cast<char>(truncateToInt32(code) & 0xff);
  if (byte == '\0') return RtString();
  return RtString(std::string_view(&byte, 1));
}

double splitText(const RtString& text, RtArray<RtString>& pieces, const RtString& delimiters) {
  // Copies first: emptying the array would destroy an element passed in as text or delimiters.
  const RtString copy(text);
  const std::string_view source = viewOf(copy);
  std::array<bool, 256> isDelimiter{};
  for (char d : viewOf(delimiters)) isDelimiter[static_cast<unsigned char>(d)] = true;

  // Calls visit(from, size) for each piece in order.
  auto forEachPiece = [&](auto visit) {
    std::size_t i = 0;
    while (i < source.size()) {
      while (i < source.size() && isDelimiter[static_cast<unsigned char>(source[i])]) ++i;
      const std::size_t from = i;
      while (i < source.size() && !isDelimiter[static_cast<unsigned char>(source[i])]) ++i;
      if (i > from) visit(from, i - from);
    }
  };

  dimensionArray(pieces, 0);
  double count = 0;
  forEachPiece([&](std::size_t, std::size_t) { ++count; });
  dimensionArray(pieces, count);
  double index = 0;
  forEachPiece([&](std::size_t from, std::size_t size) {
    elementAt(pieces, index++).assignBytes(source.data() + from, size);
  });
  return count;
}

double wildcardMatch(const RtString& pattern, const RtString& name) {
  const std::string_view p = viewOf(pattern);
  const std::string_view n = viewOf(name);
  std::size_t pi = 0;
  std::size_t ni = 0;
  // The last "*" seen, and the name position its run currently ends at.
  std::size_t starAt = std::string_view::npos;
  std::size_t starEnd = 0;
  while (ni < n.size()) {
    if (pi < p.size() && p[pi] == kAnyRun) {
      starAt = pi++;
      starEnd = ni;
    } else if (pi < p.size() && patternByteMatches(p[pi], n[ni])) {
      ++pi;
      ++ni;
    } else if (starAt != std::string_view::npos) {
      pi = starAt + 1;
      ni = ++starEnd;
    } else {
      return 0;
    }
  }
  while (pi < p.size() && p[pi] == kAnyRun) ++pi;
  return pi == p.size() ? 1 : 0;
}

}  // namespace korvane
