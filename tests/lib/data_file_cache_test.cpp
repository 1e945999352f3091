// The line-numbered data file: reading, the markers, the recorded codes, the write-back rules,
// and that nothing in a file is lost or half-written.
#include "runtime/lib/data_file_cache.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cmath>
#include <string>

#include "runtime/lib/byte_source.h"
#include "runtime/values/rt_string.h"
#include "tests/lib/data_files_test_support.h"

namespace korvane {
namespace {

using testing::readFile;
using testing::writeFile;

class DataFileTest : public testing_files::DocumentFixture {};

struct ReadCase {
  const char* name;
  std::string content;
  double index;
  std::string expected;
};

TEST_F(DataFileTest, LinesReadAsTheSlotsHoldThem) {
  const ReadCase cases[] = {
      {"crlf", "a\r\nb\n", 0, "a"},
      {"lf", "a\r\nb\n", 1, "b"},
      {"past the last line", "a\r\nb\n", 2, "NO_DATA"},
      {"spaces and a CR", "  \r\n", 0, "  "},
      {"a tab only", "\t\n", 0, "NO_DATA"},
      {"control bytes only", "\x01\x1f\r\n", 0, "NO_DATA"},
      {"no line end at the end", "x\ny", 1, "y"},
      {"empty lines first", "\n\nz", 2, "z"},
      {"empty line", "\n\nz", 1, "NO_DATA"},
      {"code page letters", "Jos\xe9\r\n", 0, "Jos\xe9"},
      {"truncated index", "a\nb\n", 1.9, "b"},
      {"minus one half is line 0", "a\nb\n", -0.5, "a"},
      {"a CR not before the LF stays", "a\rb\n", 0, "a\rb"},
      {"empty file", "", 0, "NO_DATA"},
  };
  int n = 0;
  for (const ReadCase& c : cases) {
    const std::string file = path("read" + std::to_string(n++) + ".txt");
    writeFile(file, c.content);
    EXPECT_EQ(viewOf(readDataLine(rt(file), c.index)), c.expected) << c.name;
    EXPECT_EQ(errorCode(), 0) << c.name;
  }
}

TEST_F(DataFileTest, NumbersReadAndWriteThroughTheirText) {
  const std::string file = path("numbers.txt");
  writeFile(file, "  42.5xyz\r\nabc\r\n");
  EXPECT_EQ(readDataNumber(rt(file), 0), 42.5);
  EXPECT_EQ(readDataNumber(rt(file), 1), 0);
  EXPECT_EQ(readDataNumber(rt(file), 7), 0);  // NO_DATA
  writeDataNumber(rt(file), 2, 0.05);
  flushDataFile();
  EXPECT_EQ(readFile(file), "  42.5xyz\r\nabc\r\n5.e-002\r\n");
}

TEST_F(DataFileTest, Line5OfANewFileWritesSixLinesWhenAnotherFileIsSelected) {
  const std::string fresh = path("fresh.txt");
  writeDataLine(rt(fresh), 5, "five");
  EXPECT_EQ(errorCode(), 3);  // the load found no file
  EXPECT_FALSE(std::filesystem::exists(fresh));
  readDataLine(rt(path("other.txt")), 0);
  EXPECT_EQ(readFile(fresh), "\r\n\r\n\r\n\r\n\r\nfive\r\n");
}

TEST_F(DataFileTest, IndexOutsideTheSlotsRecordsCode7WithoutStopping) {
  const std::string file = path("index.txt");
  writeFile(file, "a\r\n");
  for (double index : {-1.0, 256.0, std::nan(""), 1e300, -1e300}) {
    runtimeError() = RuntimeError{};
    EXPECT_EQ(viewOf(readDataLine(rt(file), index)), "NO_DATA") << index;
    EXPECT_EQ(errorCode(), 7) << index;
    runtimeError() = RuntimeError{};
    writeDataLine(rt(file), index, "lost");
    EXPECT_EQ(errorCode(), 7) << index;
    EXPECT_FALSE(dataFileCache().dirty()) << index;
  }
  runtimeError() = RuntimeError{};
  writeDataLine(rt(file), 255, "last");
  EXPECT_EQ(errorCode(), 0);
  EXPECT_EQ(viewOf(readDataLine(rt(file), 255)), "last");
  EXPECT_EQ(dataFileCache().lastLine(), 255);
}

TEST_F(DataFileTest, AMissingFileGivesNoFileThenNoDataAndIsCreatedByAWrite) {
  const std::string file = path("missing.txt");
  EXPECT_EQ(viewOf(readDataLine(rt(file), 0)), "NO_FILE");
  EXPECT_EQ(errorCode(), 3);
  runtimeError() = RuntimeError{};
  EXPECT_EQ(viewOf(readDataLine(rt(file), 0)), "NO_DATA");
  EXPECT_EQ(errorCode(), 0);
  writeDataLine(rt(file), 1, "made");
  flushDataFile();
  EXPECT_EQ(readFile(file), "\r\nmade\r\n");
}

TEST_F(DataFileTest, TwoFilesReadAlternatelyAreReadAgainEachTime) {
  const std::string a = path("a.txt");
  const std::string b = path("b.txt");
  writeFile(a, "a1\n");
  writeFile(b, "b1\n");
  EXPECT_EQ(viewOf(readDataLine(rt(a), 0)), "a1");
  EXPECT_EQ(viewOf(readDataLine(rt(b), 0)), "b1");
  writeFile(a, "a2\n");
  EXPECT_EQ(viewOf(readDataLine(rt(a), 0)), "a2");
  writeFile(b, "b2\n");
  EXPECT_EQ(viewOf(readDataLine(rt(b), 0)), "b2");
  // The same path twice serves the cache.
  writeFile(b, "b3\n");
  EXPECT_EQ(viewOf(readDataLine(rt(b), 0)), "b2");
  // Nothing was written: an unchanged file is never written back.
  EXPECT_EQ(readFile(a), "a2\n");
}

TEST_F(DataFileTest, WriteBackKeepsLongLinesAndLinesBeyond256) {
  const std::string file = path("big.txt");
  const std::string longLine(2000, 'L');
  std::string content;
  for (int i = 0; i < 300; ++i) {
    content += (i == 3 ? longLine : "line " + std::to_string(i)) + "\r\n";
  }
  content += "tail without a line end";
  writeFile(file, content);

  EXPECT_EQ(viewOf(readDataLine(rt(file), 3)), longLine.substr(0, kDataLineTextBytes));
  EXPECT_EQ(viewOf(readDataLine(rt(file), 255)), "line 255");
  EXPECT_EQ(dataFileCache().lastLine(), 255);
  writeDataLine(rt(file), 0, "changed");
  flushDataFile();
  EXPECT_EQ(errorCode(), 0);
  std::string expected = content;
  expected.replace(0, std::string("line 0").size(), "changed");
  EXPECT_EQ(readFile(file), expected);
}

TEST_F(DataFileTest, WrittenTextStopsAtItsFirstLineEndAndAtTheSlotSize) {
  const std::string file = path("text.txt");
  writeDataLine(rt(file), 0, "one\r\ntwo");
  writeDataLine(rt(file), 1, "three\nfour");
  writeDataLine(rt(file), 2, rt(std::string(1500, 'x')));
  EXPECT_EQ(viewOf(readDataLine(rt(file), 0)), "one");
  flushDataFile();
  EXPECT_EQ(readFile(file), "one\r\nthree\r\n" + std::string(kDataLineTextBytes, 'x') + "\r\n");
}

TEST_F(DataFileTest, AnUnreadableFileIsNeverWrittenBack) {
  // A directory stands where the file should be; so does a file the resolver cannot read.
  const std::string file = path("folder.txt");
  std::filesystem::create_directory(file);
  EXPECT_EQ(viewOf(readDataLine(rt(file), 0)), "NO_FILE");
  EXPECT_EQ(errorCode(), 3);
  runtimeError() = RuntimeError{};
  writeDataLine(rt(file), 0, "never");
  flushDataFile();
  EXPECT_EQ(errorCode(), 3);
  EXPECT_TRUE(std::filesystem::is_directory(file));
}

TEST_F(DataFileTest, TheWriteBackPathIsFixedWhenTheFileIsLoaded) {
  std::filesystem::create_directories(dir_ / "first");
  std::filesystem::create_directories(dir_ / "second");
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir_ / "first");
  writeFile("rel.txt", "old\r\n");
  writeDataLine("rel.txt", 0, "new");
  std::filesystem::current_path(dir_ / "second");
  // The same spelling still serves the cache, and the file stays where it was read.
  EXPECT_EQ(viewOf(readDataLine("rel.txt", 0)), "new");
  flushDataFile();
  std::filesystem::current_path(previous);
  EXPECT_EQ(readFile(dir_ / "first" / "rel.txt"), "new\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "second" / "rel.txt"));
}

// Changes the file far beyond 4 KiB, then writes it back with files limited to 4 KiB and exits
// with the error code recorded.
[[noreturn]] void flushUnderASizeLimit(const std::string& file) {
  signal(SIGXFSZ, SIG_IGN);
  for (int i = 0; i < 200; ++i) {
    writeDataLine(RtString(std::string_view(file)), i,
                  RtString(std::string_view(std::string(1000, 'n'))));
  }
  const rlimit limit{4096, 4096};
  setrlimit(RLIMIT_FSIZE, &limit);
  flushDataFile();
  std::_Exit(static_cast<int>(runtimeError().errorCode));
}

// The file-size limit makes the new file's writes fail part-way; the old file must stay whole.
TEST_F(DataFileTest, AFailingWriteBackLeavesTheOldFileWhole) {
  const std::string file = path("atomic.txt");
  const std::string old = "first\r\nsecond\r\n";
  writeFile(file, old);
  EXPECT_EXIT(flushUnderASizeLimit(file), ::testing::ExitedWithCode(3), "");
  EXPECT_EQ(readFile(file), old);
  // No spare file is left beside it.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
    if (entry.is_regular_file()) ++files;
  }
  EXPECT_EQ(files, 1);
}

TEST(DataFileParseTest, LinesAndTheirTextRoundTrip) {
  const std::string content = "a\r\nb\n\nlast";
  MemorySource source(content.data(), content.size());
  DataFileLines lines;
  ASSERT_TRUE(parseDataFile(source, lines));
  EXPECT_EQ(lines.lastLine, 3);
  EXPECT_EQ(dataFileText(lines), "a\r\nb\r\n\r\nlast\r\n");
  const std::string withNul("ab\0cd\n", 6);
  MemorySource nulSource(withNul.data(), withNul.size());
  ASSERT_TRUE(parseDataFile(nulSource, lines));
  EXPECT_EQ(slotText(lines.lines[0]), "ab");
  EXPECT_EQ(dataFileText(lines), std::string("ab\0cd\r\n", 7));
}

}  // namespace
}  // namespace korvane
