// RtString: growth and ownership, in-place edits, and the operator families.
#include "runtime/values/rt_string.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "runtime/values/number_text.h"
#include "tests/values/value_stop_fixture.h"

namespace korvane {
namespace {

std::string str(const RtString& s) { return std::string(viewOf(s)); }

TEST(RtStringTest, NewStringSharesTheEmptyTextAndAllocatesNothing) {
  RtString s;
  EXPECT_TRUE(s.usesSharedEmptyText());
  EXPECT_EQ(s.capacity(), 0u);
  EXPECT_EQ(lengthOf(s), 0u);
  EXPECT_STREQ(textOf(s), "");
  // Empty results keep sharing it: assigning, copying or appending nothing never allocates.
  s = "";
  s += "";
  RtString copy(s);
  RtString fromNull(static_cast<const char*>(nullptr));
  EXPECT_TRUE(s.usesSharedEmptyText());
  EXPECT_TRUE(copy.usesSharedEmptyText());
  EXPECT_TRUE(fromNull.usesSharedEmptyText());
}

TEST(RtStringTest, ReserveRoundsToWholeGranulesAboveTheRequest) {
  struct Row {
    uint64_t n;
    uint32_t capacity;
  };
  const Row rows[] = {{0, 512}, {1, 512}, {511, 512}, {512, 1024}, {1023, 1024}, {1024, 1536}};
  for (const Row& row : rows) {
    RtString s;
    reserve(s, row.n);
    EXPECT_EQ(s.capacity(), row.capacity) << "n = " << row.n;
    EXPECT_EQ(lengthOf(s), 0u);
    EXPECT_STREQ(textOf(s), "");
  }
  // Below the capacity nothing happens; at it the buffer grows and keeps the text.
  RtString s = "keep";
  const char* before = s.buf();
  reserve(s, 511);
  EXPECT_EQ(s.buf(), before);
  reserve(s, 512);
  EXPECT_EQ(s.capacity(), 1024u);
  EXPECT_EQ(str(s), "keep");
}

TEST(RtStringTest, AppendingGrowsOnlyWhenTheTextPlusItsNulNoLongerFits) {
  RtString s;
  s += "a";
  EXPECT_EQ(s.capacity(), 512u);
  const char* first = s.buf();
  s += std::string(510, 'b').c_str();  // 511 bytes: the most that 512 can hold
  EXPECT_EQ(s.buf(), first);
  EXPECT_EQ(lengthOf(s), 511u);
  s += "c";
  EXPECT_EQ(s.capacity(), 1024u);
  EXPECT_EQ(lengthOf(s), 512u);
  EXPECT_EQ(str(s), "a" + std::string(510, 'b') + "c");
}

TEST(RtStringTest, NumberTextsReserveForSixtyFourBytes) {
  EXPECT_EQ(RtString(1.5).capacity(), 512u);
  EXPECT_EQ(RtString(7).capacity(), 512u);
  RtString s;
  s = 2.5f;
  EXPECT_EQ(s.capacity(), 512u);
  EXPECT_EQ(numberToText(0.0).capacity(), 512u);
}

TEST(RtStringTest, AssignmentReusesALargeEnoughBufferAndCopiesUpToTheLength) {
  RtString s(std::string(700, 'x'));
  const char* buffer = s.buf();
  s = "short";
  EXPECT_EQ(s.buf(), buffer);
  EXPECT_EQ(str(s), "short");

  // A string source is copied by its length, embedded NULs included.
  RtString withNul(std::string_view("a\0b", 3));
  RtString copy;
  copy = withNul;
  EXPECT_EQ(lengthOf(copy), 3u);
  EXPECT_EQ(std::memcmp(copy.buf(), "a\0b", 4), 0);
}

TEST(RtStringTest, CopiesOwnTheirBufferAndMovesLeaveTheSourceEmpty) {
  RtString a = "text";
  RtString b(a);
  EXPECT_NE(a.buf(), b.buf());
  b += "!";
  EXPECT_EQ(str(a), "text");
  EXPECT_EQ(str(b), "text!");

  const char* owned = b.buf();
  RtString c(std::move(b));
  EXPECT_EQ(c.buf(), owned);
  EXPECT_TRUE(b.usesSharedEmptyText());  // NOLINT: the moved-from state is defined
  EXPECT_EQ(lengthOf(b), 0u);

  a = std::move(c);
  EXPECT_EQ(a.buf(), owned);
  RtString& same = a;  // through a reference, as aliasing code would
  a = same;
  a = std::move(same);
  EXPECT_EQ(str(a), "text!");
}

TEST(RtStringTest, SourcesInsideTheStringSurviveItsGrowth) {
  RtString s(std::string(300, 'q'));
  s += s;  // 600 bytes: the buffer is replaced while the source is being read
  EXPECT_EQ(str(s), std::string(600, 'q'));

  RtString t = "0123456789";
  t = textOf(t) + 4;
  EXPECT_EQ(str(t), "456789");

  RtString u(std::string(400, 'u'));
  u += textOf(u) + 100;  // 700 bytes from a pointer into the old buffer
  EXPECT_EQ(str(u), std::string(700, 'u'));
}

TEST(RtStringTest, NumbersAssignAndAppendAsText) {
  RtString s;
  s = 5;
  EXPECT_EQ(str(s), "5");
  s += 1.5;
  s += -2;
  s += 0.25f;
  EXPECT_EQ(str(s), "51.5-20.25");
  s = 1.1f;  // the float widened to double, then 10 significant digits
  EXPECT_EQ(str(s), "1.100000024");
  EXPECT_EQ(str(RtString(INT32_MIN)), "-2147483648");
}

TEST(RtStringTest, ConcatenationCoversEveryPairing) {
  const RtString x = "x";
  const RtString empty;
  struct Row {
    RtString result;
    const char* expected;
  };
  const Row rows[] = {
      {x + 5, "x5"},
      {1.5 + RtString("y"), "1.5y"},
      {concatenate(1.5, "y"), "1.5y"},
      {concatenate(2.0, ""), "2"},
      {concatenate(2.0f, "f"), "2f"},
      {concatenate("a", "b"), "ab"},
      {concatenate("n", 3), "n3"},
      {concatenate(-1, "m"), "-1m"},
      {"t" + x, "tx"},
      {x + "t", "xt"},
      {x + x, "xx"},
      {x + 0.5f, "x0.5"},
      {7 + x, "7x"},
      {x + 1e10, "x1.e+010"},
      {empty + empty, ""},
      {x + "" + 1 + 2, "x12"},
  };
  for (const Row& row : rows) EXPECT_EQ(str(row.result), row.expected);
}

TEST(RtStringTest, TextComparisonsAreByteWiseAndReturnOneOrZero) {
  const RtString abc = "abc";
  const RtString abd = "abd";
  const RtString high = "\xC8";  // 200: above every ASCII byte when compared unsigned
  struct Row {
    double result;
    double expected;
    const char* what;
  };
  const Row rows[] = {
      {abc == RtString("abc"), 1.0, "abc == abc"},
      {abc == abd, 0.0, "abc == abd"},
      {abc != abd, 1.0, "abc != abd"},
      {abc < abd, 1.0, "abc < abd"},
      {abd > abc, 1.0, "abd > abc"},
      {abc <= abc, 1.0, "abc <= abc"},
      {abc >= abd, 0.0, "abc >= abd"},
      {RtString("B") < RtString("a"), 1.0, "B < a: byte order, case matters"},
      {high > RtString("z"), 1.0, "byte 200 > z"},
      {abc == "abc", 1.0, "string == text"},
      {"abd" != abc, 1.0, "text != string"},
      {"ab" < abc, 1.0, "a prefix is less"},
      {abc >= "abc", 1.0, "string >= text"},
      {textEqual("abc", "abc"), 1.0, "text == text"},
      {textLess("abc", "abd"), 1.0, "text < text"},
      {textGreaterOrEqual("a", "b"), 0.0, "text >= text"},
      {textNotEqual("", ""), 0.0, "empty != empty"},
      {RtString(std::string_view("a\0b", 3)) == RtString("a"), 0.0,
       "equality compares lengths first"},
  };
  for (const Row& row : rows) EXPECT_EQ(row.result, row.expected) << row.what;
}

TEST(RtStringTest, ComparisonsWithNumbersReadTheTextAsANumber) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const RtString twelve = "12abc";
  const RtString empty;
  struct Row {
    double result;
    double expected;
    const char* what;
  };
  const Row rows[] = {
      {twelve == 12, 1.0, "12abc == 12"},
      {12 == twelve, 1.0, "12 == 12abc"},
      {empty == 0, 1.0, "empty == 0"},
      {twelve != 12.0, 0.0, "12abc != 12.0"},
      {twelve < 12.5f, 1.0, "12abc < 12.5f"},
      {twelve > 11, 1.0, "12abc > 11"},
      {13.0 <= twelve, 0.0, "13 <= 12abc"},
      {12 >= twelve, 1.0, "12 >= 12abc"},
      {textEqual("7up", 7), 1.0, "text == int"},
      {textLess(2.5, "3"), 1.0, "double < text"},
      {twelve == nan, 0.0, "NaN: equality is false"},
      {twelve != nan, 1.0, "NaN: inequality is true"},
      {twelve < nan, 0.0, "NaN: less is false"},
      {nan >= twelve, 0.0, "NaN: greater-or-equal is false"},
      {RtString("1e999") == std::numeric_limits<double>::infinity(), 1.0, "overflow reads as inf"},
  };
  for (const Row& row : rows) EXPECT_EQ(row.result, row.expected) << row.what;
}

TEST(RtStringTest, ThreeWayComparesGiveTheSign) {
  const RtString b = "b";
  EXPECT_EQ(threeWayCompare(b, "a"), 1);
  EXPECT_EQ(threeWayCompare(b, "b"), 0);
  EXPECT_EQ(threeWayCompare(b, "c"), -1);
  EXPECT_EQ(threeWayCompare(b, RtString("\xC8")), -1);
  const RtString ten = "10";
  EXPECT_EQ(threeWayCompare(ten, 9.5), 1);
  EXPECT_EQ(threeWayCompare(ten, 10), 0);
  EXPECT_EQ(threeWayCompare(ten, 10.5f), -1);
  EXPECT_EQ(threeWayCompare(ten, std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(RtStringTest, ByteAccessIsSignedAndStaysInsideTheText) {
  RtString s = "a\xC8z";
  EXPECT_EQ(byteAt(s, 0), 'a');
  EXPECT_EQ(byteAt(s, 1), -56);
  EXPECT_EQ(byteAt(s, 3), 0);  // at the length: nothing is read
  EXPECT_EQ(byteAt(RtString(), 0), 0);
  setByteAt(s, 2, 0x141);  // the low 8 bits
  setByteAt(s, 3, 'x');    // past the text: ignored
  EXPECT_EQ(str(s),
            "a\xC8"
            "A");
  truncateAt(s, 1);
  EXPECT_EQ(str(s), "a");
  truncateAt(s, 5);  // past the text: ignored
  EXPECT_EQ(str(s), "a");
}

TEST(RtStringTest, StripTrailingControlRemovesControlAndHighBytesFromTheEnd) {
  struct Row {
    const char* in;
    const char* out;
  };
  const Row rows[] = {
      {"ab\r\n", "ab"}, {"ab\xC8", "ab"}, {"ab \t", "ab "},     {"\x01\x1F", ""},
      {"a\nb", "a\nb"}, {"", ""},         {"\x7F\x80", "\x7F"},
  };
  for (const Row& row : rows) {
    RtString s = row.in;
    stripTrailingControl(s);
    EXPECT_EQ(str(s), row.out) << "input length " << std::strlen(row.in);
    EXPECT_EQ(lengthOf(s), std::strlen(row.out));
  }
}

TEST(RtStringTest, ResyncLengthFindsTheNulButKeepsItInsideTheBuffer) {
  RtString s;
  resyncLength(s);  // the shared empty text: length 0, nothing written
  EXPECT_EQ(lengthOf(s), 0u);

  reserve(s, 10);
  std::strcpy(s.buf(), "hello");
  resyncLength(s);
  EXPECT_EQ(str(s), "hello");

  // A writer that filled every byte: the last one becomes the terminator.
  std::memset(s.buf(), 'x', s.capacity());
  resyncLength(s);
  EXPECT_EQ(lengthOf(s), s.capacity() - 1);
  EXPECT_EQ(s.buf()[s.capacity() - 1], '\0');

  s.buf()[0] = '\0';
  resyncLength(s);
  EXPECT_EQ(lengthOf(s), 0u);
}

TEST(RtStringTest, ToNumberReadsTheLeadingNumber) {
  EXPECT_EQ(toNumber(RtString("  -12.5e1xyz")), -125.0);
  EXPECT_EQ(toNumber(RtString("abc")), 0.0);
  EXPECT_EQ(toNumber(RtString()), 0.0);
}

using RtStringDeathTest = testing_support::ValueStopDeathTest;

TEST_F(RtStringDeathTest, ReserveThatCannotAllocateStopsWithCode7) {
  EXPECT_EXIT(
      {
        testing_support::failAllocationsFrom(1024);
        RtString s = "fits";
        std::fputs("small ok\n", stderr);
        s += std::string(600, 'x').c_str();
      },
      ::testing::ExitedWithCode(0), "small ok");
  EXPECT_EQ(reportedCode(), "7");
}

TEST_F(RtStringDeathTest, CapacityPastThirtyTwoBitsStopsWithCode7) {
  // 2^32 - 512 rounds to a capacity of 2^32, which does not fit: never a wrapped buffer.
  EXPECT_EXIT(
      {
        RtString s;
        reserve(s, (uint64_t{1} << 32) - 512);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(reportedCode(), "7");
}

}  // namespace
}  // namespace korvane
