// The runtime's text commands on RtString: case, search, extraction, replacement, character
// codes, splitting and wildcard matching. Bytes throughout; only ASCII letters have case.
#pragma once

#include "runtime/values/rt_array.h"
#include "runtime/values/rt_string.h"

namespace korvane {

// Copies with A-Z turned into a-z (toLowerCase) or a-z into A-Z (toUpperCase); every other
// byte unchanged.
RtString toLowerCase(const RtString& s);
RtString toUpperCase(const RtString& s);

// 0-based position of the first occurrence of needle in haystack, -1 when there is none; an
// empty needle is found at 0. A string operand is searched over its whole length, a text
// operand up to its NUL (a null text reads as "").
double findText(const RtString& haystack, const RtString& needle);
double findText(const RtString& haystack, const char* needle);
double findText(const char* haystack, const RtString& needle);
double findText(const char* haystack, const char* needle);

// The bytes from `start` on, at most `count` of them. With L the length: when trunc(start +
// count) exceeds L, count becomes L - start; then a count of 0 or less, a start below 0 or
// above L, or a NaN start or count gives "", and otherwise the result is trunc(count) bytes
// from byte trunc(start). Huge and infinite values are handled as doubles, never converted.
RtString middleText(const RtString& s, double start, double count);

// A copy with every occurrence of `find` replaced by `replacement`, scanning left to right and
// never searching inserted text again. An empty `find` returns the text unchanged.
RtString replaceText(const RtString& s, const RtString& find, const RtString& replacement);

// The first byte as a signed value (-128 to 127); 0 for the empty string.
double charCode(const RtString& s);

// A one-byte string: the low byte of `code` truncated toward zero (NaN and out-of-range codes
// truncate to the most negative integer, whose low byte is 0). A low byte of 0 gives "".
RtString charFromCode(double code);

// Empties `pieces`, then fills it (one dimension) with the maximal runs of bytes of `text` that
// contain no byte of `delimiters`, in order, and returns their count. Leading, trailing and
// repeated delimiters make no empty pieces. Works on private copies, so `text` and `delimiters`
// are never changed and may even be elements of `pieces`.
double splitText(const RtString& text, RtArray<RtString>& pieces, const RtString& delimiters);

// 1 when `name` matches `pattern`, else 0. "*" matches any run of bytes (none included), "?"
// any single byte except ".", every other byte itself with ASCII letters matched regardless of
// case. The whole name must be consumed. A mismatch after a "*" retries with that "*" taking
// one more byte (only the last "*" is ever revisited).
double wildcardMatch(const RtString& pattern, const RtString& name);

}  // namespace korvane
