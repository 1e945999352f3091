// The text commands over tables of cases, including embedded NUL bytes and aliasing.
#include "runtime/lib/string_functions.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::string bytes(const RtString& s) { return std::string(viewOf(s)); }
RtString make(std::string_view b) { return RtString(b); }

TEST(StringFunctionsTest, CaseConversionTouchesOnlyAsciiLetters) {
  struct Row {
    std::string_view in, lower, upper;
  } const rows[] = {
      {"a1b\xE0", "a1b\xE0", "A1B\xE0"},
      {"Hello, World!", "hello, world!", "HELLO, WORLD!"},
      {"@AZ[`az{", "@az[`az{", "@AZ[`AZ{"},  // the bytes next to each letter range
      {"\xC0\xC9\xE0\xE9", "\xC0\xC9\xE0\xE9", "\xC0\xC9\xE0\xE9"},
      {std::string_view("a\0B", 3), std::string_view("a\0b", 3), std::string_view("A\0B", 3)},
      {"", "", ""},
  };
  for (const Row& r : rows) {
    const RtString s = make(r.in);
    EXPECT_EQ(bytes(toLowerCase(s)), r.lower);
    EXPECT_EQ(bytes(toUpperCase(s)), r.upper);
    EXPECT_EQ(bytes(s), r.in);  // the argument is left as it was
  }
}

TEST(StringFunctionsTest, FindTextInAllFourOperandForms) {
  struct Row {
    const char* haystack;
    const char* needle;
    double expected;
  } const rows[] = {
      {"hello", "lo", 3}, {"hello", "xyz", -1},  {"hello", "", 0},   {"", "", 0},
      {"", "a", -1},      {"hello", "hello", 0}, {"aab", "ab", 1},   {"ab", "abc", -1},
      {"hello", "l", 2},  {"Hello", "h", -1},    {"abcabc", "c", 2},
  };
  for (const Row& r : rows) {
    const RtString h(r.haystack), n(r.needle);
    EXPECT_EQ(findText(h, n), r.expected) << r.haystack << " / " << r.needle;
    EXPECT_EQ(findText(h, r.needle), r.expected) << r.haystack << " / " << r.needle;
    EXPECT_EQ(findText(r.haystack, n), r.expected) << r.haystack << " / " << r.needle;
    EXPECT_EQ(findText(r.haystack, r.needle), r.expected) << r.haystack << " / " << r.needle;
  }
  const char* none = nullptr;
  EXPECT_EQ(findText(none, ""), 0);
  EXPECT_EQ(findText("abc", none), 0);
  // A string is searched over its whole length; a text ends at its NUL.
  const RtString withNul = make(std::string_view("ab\0cd", 5));
  EXPECT_EQ(findText(withNul, "cd"), 3);
  EXPECT_EQ(findText(textOf(withNul), "cd"), -1);
}

TEST(StringFunctionsTest, MiddleText) {
  struct Row {
    double start, count;
    const char* expected;
  } const rows[] = {
      {2, 3, "cde"},
      {4, 10, "ef"},
      {6, 1, ""},
      {0, 6, "abcdef"},
      {0, 0, ""},
      {2, -1, ""},
      {-1, 3, ""},
      {-0.5, 3, ""},  // a start below 0, even one that truncates to 0
      {7, 1, ""},
      {5.5, 1, "f"},
      {2.9, 2.9, "cd"},
      {2, kInf, "cdef"},  // huge counts are cut to L - start
      {2, 1e300, "cdef"},
      {0, -kInf, ""},
      {kInf, 1, ""},
      {-kInf, kInf, ""},
      {1e300, -1e300, ""},
      {kNaN, 2, ""},
      {2, kNaN, ""},
      // The cut to L - start keeps the fraction of start, so the last byte is lost here.
      {2.5, 10, "cde"},
  };
  const RtString s("abcdef");
  for (const Row& r : rows) {
    EXPECT_EQ(bytes(middleText(s, r.start, r.count)), r.expected) << r.start << ", " << r.count;
  }
  EXPECT_EQ(bytes(middleText(RtString(), 0, 5)), "");
  EXPECT_EQ(bytes(middleText(make(std::string_view("a\0bc", 4)), 1, 2)),
            std::string_view("\0b", 2));
}

TEST(StringFunctionsTest, ReplaceText) {
  struct Row {
    const char *text, *find, *replacement, *expected;
  } const rows[] = {
      {"aaa", "a", "aa", "aaaaaa"},  // inserted text is not searched again
      {"hello world", "o", "0", "hell0 w0rld"},
      {"abab", "ab", "ba", "baba"},  // same length, in place
      {"aabb", "ab", "a", "aab"},    // the new "ab" straddling the insertion stays
      {"aaaa", "aa", "a", "aa"},
      {"aaa", "aa", "b", "ba"},
      {"abcabc", "abc", "", ""},
      {"xabx", "ab", "abab", "xababx"},
      {"abc", "d", "x", "abc"},
      {"abc", "", "x", "abc"},  // an empty search text would never finish
      {"", "a", "b", ""},
      {"abc", "abc", "xyz", "xyz"},
  };
  for (const Row& r : rows) {
    const RtString s(r.text);
    EXPECT_EQ(bytes(replaceText(s, r.find, r.replacement)), r.expected)
        << r.text << " / " << r.find << " / " << r.replacement;
    EXPECT_EQ(bytes(s), r.text);
  }
}

TEST(StringFunctionsTest, ReplaceTextGrowsPastManyBufferSteps) {
  const std::string source(1000, 'a');
  const RtString result = replaceText(make(source), "a", "bcd");
  EXPECT_EQ(bytes(result), [] {
    std::string s;
    for (int i = 0; i < 1000; ++i) s += "bcd";
    return s;
  }());
  EXPECT_GT(result.capacity(), result.length());
}

TEST(StringFunctionsTest, CharCode) {
  struct Row {
    std::string_view text;
    double expected;
  } const rows[] = {
      {"A", 65}, {"ab", 97}, {"\xC8", -56}, {"\x7F", 127}, {"\x80", -128}, {"\xFF", -1}, {"", 0},
  };
  for (const Row& r : rows) EXPECT_EQ(charCode(make(r.text)), r.expected) << r.text;
}

TEST(StringFunctionsTest, CharFromCode) {
  struct Row {
    double code;
    std::string_view expected;
  } const rows[] = {
      {65.9, "A"},       {65, "A"},    {97, "a"},     {200, "\xC8"},
      {-56, "\xC8"},     {-1, "\xFF"}, {255, "\xFF"}, {322, "B"},  // 256 + 66
      {65536 + 67, "C"}, {0, ""},      {0.9, ""},     {-0.9, ""},
      {256, ""},         {kNaN, ""},   {1e10, ""},    {-kInf, ""},
  };
  for (const Row& r : rows) EXPECT_EQ(bytes(charFromCode(r.code)), r.expected) << r.code;
}

std::vector<std::string> elements(const RtArray<RtString>& a) {
  std::vector<std::string> out;
  for (int i = 0; i < a.size0(); ++i) out.push_back(bytes(elementAt(a, i)));
  return out;
}

TEST(StringFunctionsTest, SplitText) {
  struct Row {
    std::string_view text, delimiters;
    std::vector<std::string> pieces;
  } const rows[] = {
      {",a,,b,", ",", {"a", "b"}},
      {"a b;c;;d e", " ;", {"a", "b", "c", "d", "e"}},
      {" ;x; ;yy ;", "; ", {"x", "yy"}},
      {",,;,;", ",;", {}},  // only delimiters
      {"", ",", {}},
      {"whole", ",", {"whole"}},
      {"a,b", "", {"a,b"}},
      {"a\xFF"
       "b\xFF\xFF"
       "c",
       "\xFF",
       {"a", "b", "c"}},
      {std::string_view("a\0b,c", 5), ",", {std::string("a\0b", 3), "c"}},
  };
  for (const Row& r : rows) {
    RtArray<RtString> a;
    dimensionArray(a, 10);
    elementAt(a, 9) = "left over";
    const RtString text = make(r.text);
    EXPECT_EQ(splitText(text, a, make(r.delimiters)), static_cast<double>(r.pieces.size()))
        << r.text;
    EXPECT_EQ(a.size0(), static_cast<int>(r.pieces.size()));
    EXPECT_EQ(a.dimensionCount(), r.pieces.empty() ? 0 : 1);
    EXPECT_EQ(elements(a), r.pieces) << r.text;
    EXPECT_EQ(bytes(text), r.text);
  }
}

TEST(StringFunctionsTest, SplitTextOfAnElementOfItsOwnArray) {
  RtArray<RtString> a;
  dimensionArray(a, 2);
  elementAt(a, 0) = "one two three";
  elementAt(a, 1) = " ";
  EXPECT_EQ(splitText(elementAt(a, 0), a, elementAt(a, 1)), 3);
  EXPECT_EQ(elements(a), (std::vector<std::string>{"one", "two", "three"}));
}

TEST(StringFunctionsTest, WildcardMatch) {
  struct Row {
    const char *pattern, *name;
    double expected;
  } const rows[] = {
      {"*.PNG", "image.png", 1},
      {"?.txt", "..txt", 0},  // "?" never matches a point
      {"?.txt", "a.txt", 1},
      {"a?c", "abc", 1},
      {"a?c", "a.c", 0},
      {"ABC", "abc", 1},
      {"abc", "abd", 0},
      {"abc", "abcd", 0},
      {"abcd", "abc", 0},
      {"", "", 1},
      {"", "a", 0},
      {"a", "", 0},
      {"*", "", 1},
      {"**", "abc", 1},
      {"a**b", "ab", 1},
      {"a*", "A", 1},
      {"*?", "", 0},
      {"*?", "a", 1},
      {"*?", ".", 0},
      {"*?*?", "a.", 0},
      {"*?*?", ".ab", 1},
      {"*.*", "file", 0},
      {"*.*", "file.tar.gz", 1},
      {"*.txt", ".txt", 1},
      {"*x", "abc", 0},
      // Several stars, each one backtracked in turn.
      {"*a*b*c*", "xxaxxbxxcxx", 1},
      {"*a*b*c*", "xxaxxcxxbxx", 0},
      {"*ab", "aab", 1},
      {"*abc", "ababc", 1},
      {"a*b*c", "abbbc", 1},
      {"a*b*c", "abcbc", 1},
      {"a*b*c", "abcb", 0},
      {"*.t?t", "notes.v1.txt", 1},
      {"*.t?t", "notes.t.t", 0},
      // Only letters fold: "@" and "`" differ by the case bit but are not letters.
      {"@", "`", 0},
      {"[", "{", 0},
      {"\xC0", "\xE0", 0},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(wildcardMatch(r.pattern, r.name), r.expected) << r.pattern << " vs " << r.name;
  }
}

}  // namespace
}  // namespace korvane
