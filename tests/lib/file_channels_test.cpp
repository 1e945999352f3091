// File channels: typed reads and writes, lines, and the stops for bad channels and transfers.
#include "runtime/lib/file_channels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "tests/lib/file_test_support.h"

namespace korvane {
namespace {

using testing::readFile;
using testing::writeFile;

class FileChannelsTest : public testing_files::FileFixture {
 protected:
  void TearDown() override {
    for (int c = 0; c < kFileChannelCount; ++c) closeFile(c);
    FileFixture::TearDown();
  }
  RtString p(const std::string& name) const { return RtString(std::string_view(path(name))); }
};
using FileChannelsDeathTest = FileChannelsTest;

TEST_F(FileChannelsDeathTest, ChannelOutsideZeroToSevenStopsWithSeven) {
  for (double channel : {-1.0, 8.0, 8.5, std::nan(""), 1e300}) {
    SCOPED_TRACE(channel);
    EXPECT_STOPS_WITH("7", isEndOfFile(channel));
  }
}

TEST_F(FileChannelsTest, FractionalChannelsTruncateTowardZero) {
  writeFile(path("f"), "xy");
  ASSERT_EQ(openFile(7.9, p("f"), 1), 1.0);
  EXPECT_EQ(readByte(7), 'x');
  ASSERT_EQ(openFile(-0.5, p("f"), 1), 0.0);  // channel 0; the file is held by channel 7
  closeFile(7);
  ASSERT_EQ(openFile(-0.5, p("f"), 1), 1.0);
  EXPECT_EQ(readByte(0), 'x');
}

TEST_F(FileChannelsTest, TenBytesReadOneByOneThenEndOfFile) {
  writeFile(path("ten"), std::string("\x00\x01\x02\x7f\x80\xfe\xff\x10\x20\x30", 10));
  ASSERT_EQ(openFile(1, p("ten"), 1), 1.0);
  const double expected[] = {0, 1, 2, 127, 128, 254, 255, 16, 32, 48};
  for (double e : expected) {
    EXPECT_EQ(isEndOfFile(1), 0.0);
    EXPECT_EQ(readByte(1), e);
  }
  EXPECT_EQ(isEndOfFile(1), 1.0);
  EXPECT_EQ(fileChannel(1).readPosition, 10);
}

TEST_F(FileChannelsDeathTest, ShortReadsStopWithThree) {
  writeFile(path("ten"), std::string(10, 'a'));
  EXPECT_STOPS_WITH("3", {
    openFile(1, p("ten"), 1);
    for (int i = 0; i < 11; ++i) readByte(1);
  });
  EXPECT_STOPS_WITH("3", {
    openFile(1, p("ten"), 1);
    readBytesAsText(1, 11);
  });
  EXPECT_STOPS_WITH("3", {
    openFile(1, p("ten"), 1);
    readBytesAsText(1, 1e18);
  });
  EXPECT_STOPS_WITH("3", {
    openFile(1, p("ten"), 1);
    readDouble(1);
    readDouble(1);
  });
  EXPECT_STOPS_WITH("3", {
    openFile(1, p("ten"), 1);
    readLine(1);
    readLine(1);
  });
}

TEST_F(FileChannelsDeathTest, ClosedChannelsAndFailedWritesStopWithThree) {
  writeFile(path("r"), "abc");
  EXPECT_STOPS_WITH("3", readByte(2));
  EXPECT_STOPS_WITH("3", readLine(2));
  EXPECT_STOPS_WITH("3", readBytesAsText(2, 1));
  EXPECT_STOPS_WITH("3", writeByte(2, 1));
  EXPECT_STOPS_WITH("3", writeText(2, RtString("")));
  // A channel opened for reading refuses writes: nothing is written.
  EXPECT_STOPS_WITH("3", {
    openFile(2, p("r"), 1);
    writeLine(2, RtString("x"));
  });
  EXPECT_EQ(readFile(path("r")), "abc");
}

struct WriteCase {
  const char* name;
  void (*write)(double, double);
  double value;
  std::vector<uint8_t> bytes;
};

TEST_F(FileChannelsTest, TypedWritesProduceTheseBytes) {
  const WriteCase cases[] = {
      {"byte 65", writeByte, 65, {0x41}},
      {"byte -1", writeByte, -1, {0xff}},
      {"byte 300 keeps the low byte", writeByte, 300, {0x2c}},
      {"byte 255.9 truncates", writeByte, 255.9, {0xff}},
      {"byte 32767", writeByte, 32767, {0xff}},
      {"byte 32768 is outside 16 bits", writeByte, 32768, {0x00}},
      {"byte -32769 is outside 16 bits", writeByte, -32769, {0x00}},
      {"byte NaN", writeByte, std::nan(""), {0x00}},
      {"word 65537", writeWord, 65537, {0x01, 0x00}},
      {"word -1", writeWord, -1, {0xff, 0xff}},
      {"word 258.7", writeWord, 258.7, {0x02, 0x01}},
      {"long -1", writeLong, -1, {0xff, 0xff, 0xff, 0xff}},
      {"long 4294967295", writeLong, 4294967295.0, {0xff, 0xff, 0xff, 0xff}},
      {"long 4294967296", writeLong, 4294967296.0, {0, 0, 0, 0}},
      {"long 0x12345678", writeLong, 305419896, {0x78, 0x56, 0x34, 0x12}},
      {"long infinity", writeLong, INFINITY, {0, 0, 0, 0}},
      {"double 1.5", writeDouble, 1.5, {0, 0, 0, 0, 0, 0, 0xf8, 0x3f}},
      {"double -2", writeDouble, -2, {0, 0, 0, 0, 0, 0, 0, 0xc0}},
  };
  for (const WriteCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(openFile(3, p("w"), 0), 1.0);
    c.write(3, c.value);
    closeFile(3);
    EXPECT_EQ(readFile(path("w")), std::string(c.bytes.begin(), c.bytes.end()));
  }
}

TEST_F(FileChannelsTest, TypedReadsAreUnsignedLittleEndianAndCountWhatTheyAsk) {
  writeFile(path("r"), std::string("\xff\xff\xff\xff\x01\x80\x00\x00\x00\x00\x00\x00\xf8\x3f"
                                   "\xff",
                                   15));
  ASSERT_EQ(openFile(4, p("r"), 1), 1.0);
  EXPECT_EQ(fileChannel(4).size, 15);
  EXPECT_EQ(readLong(4), 4294967295.0);
  EXPECT_EQ(readWord(4), 0x8001);
  EXPECT_EQ(fileChannel(4).readPosition, 6);
  EXPECT_EQ(readDouble(4), 1.5);
  EXPECT_EQ(readByte(4), 255);
  EXPECT_EQ(isEndOfFile(4), 1.0);
}

TEST_F(FileChannelsTest, ReadLongThenWriteLongCopiesExactly) {
  const std::string original("\xff\xff\xff\xff\x00\x00\x00\x80\x78\x56\x34\x12", 12);
  writeFile(path("src"), original);
  ASSERT_EQ(openFile(0, p("src"), 1), 1.0);
  ASSERT_EQ(openFile(1, p("dst"), 0), 1.0);
  while (isEndOfFile(0) == 0.0) writeLong(1, readLong(0));
  closeFile(1);
  EXPECT_EQ(readFile(path("dst")), original);
}

TEST_F(FileChannelsTest, TextWritesAndNumberLines) {
  ASSERT_EQ(openFile(5, p("t"), 0), 1.0);
  EXPECT_EQ(isEndOfFile(5), 1.0);  // a written file has size 0
  writeText(5, RtString("ab"));
  writeLine(5, RtString("cd"));
  writeNumberLine(5, 2.5);
  writeNumberLine(5, 1.0 / 3.0);
  writeNumberLine(5, 1e10);
  closeFile(5);
  EXPECT_EQ(readFile(path("t")), "abcd\r\n2.5\r\n0.3333333333\r\n1.e+010\r\n");

  ASSERT_EQ(openFile(5, p("t"), 1), 1.0);
  EXPECT_STREQ(textOf(readLine(5)), "abcd");
  EXPECT_EQ(readLineAsNumber(5), 2.5);
  EXPECT_EQ(readLineAsNumber(5), 0.3333333333);
  EXPECT_EQ(readLineAsNumber(5), 1e10);
  EXPECT_EQ(isEndOfFile(5), 1.0);
}

TEST_F(FileChannelsTest, ReadBytesAsTextCutsAtNulButConsumesTheCount) {
  writeFile(path("b"), std::string("ab\0cdefg", 8));
  ASSERT_EQ(openFile(6, p("b"), 1), 1.0);
  EXPECT_EQ(lengthOf(readBytesAsText(6, 0)), 0u);
  EXPECT_EQ(lengthOf(readBytesAsText(6, -3)), 0u);
  EXPECT_EQ(fileChannel(6).readPosition, 0);
  RtString s = readBytesAsText(6, 5.9);
  EXPECT_EQ(std::string(viewOf(s)), "ab");
  EXPECT_EQ(fileChannel(6).readPosition, 5);
  EXPECT_EQ(std::string(viewOf(readBytesAsText(6, 3))), "efg");
  EXPECT_EQ(isEndOfFile(6), 1.0);
}

TEST_F(FileChannelsTest, TwoCrLfLinesThenEndOfFile) {
  writeFile(path("l"), "ab\r\ncd\r\n");
  ASSERT_EQ(openFile(0, p("l"), 1), 1.0);
  EXPECT_STREQ(textOf(readLine(0)), "ab");
  EXPECT_EQ(fileChannel(0).readPosition, 4);
  EXPECT_STREQ(textOf(readLine(0)), "cd");
  EXPECT_EQ(isEndOfFile(0), 1.0);
}

std::string letters(size_t n, char first) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += static_cast<char>(first + i % 26);
  return s;
}

TEST_F(FileChannelsTest, LinesAroundTheChunkAndLengthLimits) {
  struct Case {
    size_t length;
    std::string end;
    std::vector<size_t> lines;  // lengths readLine returns for it
  };
  const Case cases[] = {
      {63, "\r\n", {63}},  // the CR ends one chunk, the LF starts the next
      {63, "\n", {63}},
      {64, "\r\n", {64}},
      {65, "\r\n", {65}},
      {1023, "\n", {1023}},
      {1024, "\n", {1024, 0}},  // the limit is reached before the LF is seen
      {1500, "\r\n", {1024, 476}},
      {1500, "\n", {1024, 476}},
      {0, "\r\n", {0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.length) + " + " + std::to_string(c.end.size()));
    const std::string body = letters(c.length, 'a');
    writeFile(path("l"), body + c.end + "next\n");
    ASSERT_EQ(openFile(2, p("l"), 1), 1.0);
    size_t at = 0;
    for (size_t expected : c.lines) {
      RtString line = readLine(2);
      EXPECT_EQ(std::string(viewOf(line)), body.substr(at, expected));
      at += expected;
    }
    EXPECT_STREQ(textOf(readLine(2)), "next");
    EXPECT_EQ(fileChannel(2).readPosition, static_cast<int64_t>(body.size() + c.end.size() + 5));
    EXPECT_EQ(isEndOfFile(2), 1.0);
  }
}

TEST_F(FileChannelsDeathTest, LastLineWithoutFeedIsWholeThenTheNextReadStops) {
  // Every open happens inside the child: the parent must not hold the exclusive lock.
  for (size_t length : {5u, 64u, 192u}) {
    SCOPED_TRACE(length);
    const std::string body = letters(length, 'A');
    writeFile(path("l"), "first\r\n" + body);
    ASSERT_EQ(openFile(3, p("l"), 1), 1.0);
    EXPECT_STREQ(textOf(readLine(3)), "first");
    EXPECT_EQ(std::string(viewOf(readLine(3))), body);
    EXPECT_EQ(isEndOfFile(3), 1.0);
    closeFile(3);
    EXPECT_STOPS_WITH("3", {
      openFile(3, p("l"), 1);
      readLine(3);
      readLine(3);
      readLine(3);
    });
  }
}

TEST_F(FileChannelsTest, OpeningRules) {
  writeFile(path("f"), "12345");
  std::filesystem::create_directories(path("dir"));
  EXPECT_EQ(openFile(0, p("missing"), 1), 0.0);
  EXPECT_EQ(openFile(0, p("dir"), 1), 0.0);  // a directory is not a file to read
  EXPECT_EQ(openFile(0, p("nodir/x"), 0), 0.0);
  // Reading is exclusive: a second channel cannot share the file, reopening the same one can.
  ASSERT_EQ(openFile(0, p("f"), 2), 1.0);
  EXPECT_EQ(openFile(1, p("f"), 1), 0.0);
  EXPECT_EQ(fileChannel(1).handle, platform::kNoFileHandle);
  readByte(0);
  ASSERT_EQ(openFile(0, p("f"), 1), 1.0);
  EXPECT_EQ(fileChannel(0).readPosition, 0);
  EXPECT_EQ(readByte(0), '1');
  // Mode 0 truncates; a backslash path names the same file.
  ASSERT_EQ(openFile(1, RtString(std::string_view(dir_.string() + "\\f")), 0), 0.0);
  closeFile(0);
  ASSERT_EQ(openFile(1, RtString(std::string_view(dir_.string() + "\\f")), 0), 1.0);
  EXPECT_EQ(fileChannel(1).size, 0);
  closeFile(1);
  EXPECT_EQ(readFile(path("f")), "");
}

}  // namespace
}  // namespace korvane
