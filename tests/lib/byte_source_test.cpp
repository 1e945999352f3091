// Byte sources: ranges at and past the end, sizes that would overflow, files that are no
// regular file; and pack offsets that point before the start or past the end.
#include "runtime/lib/byte_source.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

#include "runtime/lib/media_pack.h"
#include "tests/lib/file_test_support.h"
#include "tools/mediapack/pack_writer.h"

namespace korvane {
namespace {

using testing::writeFile;

constexpr uint64_t kMaxOffset = std::numeric_limits<uint64_t>::max();
constexpr size_t kMaxCount = std::numeric_limits<size_t>::max();
const std::string kTen = "0123456789";

struct Range {
  uint64_t offset;
  size_t count;
  bool fits;
};

// Every row is tried on a source over kTen.
constexpr Range kRanges[] = {
    {0, 0, true},
    {0, 10, true},
    {9, 1, true},
    {10, 0, true},  // an empty read at the very end
    {3, 4, true},
    {9, 2, false},
    {10, 1, false},
    {11, 0, false},
    {0, 11, false},
    {kMaxOffset, 0, false},
    {kMaxOffset, 1, false},
    {1, kMaxCount, false},
    {5, kMaxCount - 2, false},   // offset + count wraps around to 2
    {kMaxOffset - 3, 8, false},  // wraps around to 4
};

void expectRanges(const ByteSource& source) {
  ASSERT_EQ(source.size(), kTen.size());
  for (const Range& r : kRanges) {
    SCOPED_TRACE(::testing::Message() << "offset " << r.offset << ", count " << r.count);
    // Only a fitting range is ever copied, and those are at most 10 bytes.
    char out[16];
    std::memset(out, '#', sizeof out);
    ASSERT_EQ(source.readAt(r.offset, out, r.count), r.fits);
    if (r.fits) {
      EXPECT_EQ(std::string(out, r.count), kTen.substr(r.offset, r.count));
      EXPECT_EQ(out[r.count], '#');  // nothing past the count
    }
  }
}

class ByteSourceTest : public testing_files::FileFixture {};

TEST_F(ByteSourceTest, MemoryAndFileSourcesReadOnlyWholeRangesInside) {
  {
    SCOPED_TRACE("memory");
    expectRanges(MemorySource(kTen.data(), kTen.size()));
  }
  writeFile(path("ten"), kTen);
  std::string backslashed = path("ten");
  for (char& c : backslashed) {
    if (c == '/') c = '\\';
  }
  for (const std::string& spelling : {path("ten"), backslashed}) {
    SCOPED_TRACE(spelling);
    FileSource file(spelling);
    ASSERT_TRUE(file.isOpen());
    expectRanges(file);
  }
}

TEST_F(ByteSourceTest, EmptySourcesReadOnlyNothing) {
  writeFile(path("empty"), "");
  FileSource file(path("empty"));
  ASSERT_TRUE(file.isOpen());
  MemorySource memory(nullptr, 0);
  for (const ByteSource* source :
       {static_cast<const ByteSource*>(&file), static_cast<const ByteSource*>(&memory)}) {
    char out = '#';
    EXPECT_EQ(source->size(), 0u);
    EXPECT_TRUE(source->readAt(0, &out, 0));
    EXPECT_FALSE(source->readAt(0, &out, 1));
    EXPECT_FALSE(source->readAt(1, &out, 0));
    EXPECT_EQ(out, '#');
  }
}

TEST_F(ByteSourceTest, OnlyRegularFilesOpen) {
  std::filesystem::create_directories(path("directory"));
  // A FIFO must be refused without waiting for a writer.
  ASSERT_EQ(mkfifo(path("fifo").c_str(), 0600), 0);
  for (const char* name : {"directory", "fifo", "missing"}) {
    SCOPED_TRACE(name);
    FileSource file(path(name));
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(file.size(), 0u);
    char out = '#';
    EXPECT_FALSE(file.readAt(0, &out, 0));
    EXPECT_FALSE(file.readAt(0, &out, 1));
  }
}

TEST_F(ByteSourceTest, FileCutShortAfterOpeningFailsTheReadsPastItsNewEnd) {
  writeFile(path("ten"), kTen);
  FileSource file(path("ten"));
  ASSERT_TRUE(file.isOpen());
  std::filesystem::resize_file(path("ten"), 4);
  char out[10];
  EXPECT_EQ(file.size(), 10u);  // measured once, at opening
  EXPECT_FALSE(file.readAt(0, out, 10));
  EXPECT_FALSE(file.readAt(2, out, 3));
  ASSERT_TRUE(file.readAt(1, out, 3));
  EXPECT_EQ(std::string(out, 3), "123");
}

// ---- Pack offsets: a pack of one entry, with its directory offset (the trailer's last four
// bytes) or the entry's data offset replaced.

int32_t get32(const std::vector<uint8_t>& bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(bytes[at + i]) << (8 * i);
  return static_cast<int32_t>(v);
}
void put32(std::vector<uint8_t>& bytes, size_t at, int32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
}

const std::vector<uint8_t> kEntryData(300, 'e');

std::vector<uint8_t> onePack(mediapack::OffsetSign sign) {
  std::vector<uint8_t> pack;
  std::string error;
  EXPECT_TRUE(mediapack::buildPack({{"image.png", kEntryData}}, sign, pack, error)) << error;
  return pack;
}

// Where the entry's data offset field lies: after the name length byte and the name.
size_t dataOffsetField(const std::vector<uint8_t>& pack) {
  const int64_t stored = get32(pack, pack.size() - 4);
  const int64_t directory = stored < 0 ? static_cast<int64_t>(pack.size()) + stored : stored;
  return static_cast<size_t>(directory) + 1 + std::strlen("image.png");
}

TEST(MediaPackOffsetsTest, UndamagedPacksOfBothSignsFindTheirData) {
  for (auto sign : {mediapack::OffsetSign::kPositive, mediapack::OffsetSign::kNegative}) {
    const std::vector<uint8_t> pack = onePack(sign);
    MemorySource source(pack.data(), pack.size());
    MediaPackEntry entry;
    ASSERT_EQ(findMediaPackEntry(source, "image.png", entry), MediaPackLookup::kFound);
    EXPECT_EQ(entry.dataOffset,
              sign == mediapack::OffsetSign::kNegative ? -static_cast<int32_t>(pack.size()) : 0);
    EXPECT_EQ(entry.dataStart, 0u);  // the first entry's data opens the pack
    std::vector<uint8_t> out;
    ASSERT_TRUE(extractMediaPackEntry(source, entry, out));
    EXPECT_EQ(out, kEntryData);
  }
}

// A directory offset outside the pack is damage; an entry whose data offset lies outside is
// still found (the listing shows it) but its data is never read.
TEST(MediaPackOffsetsTest, OffsetsOutsideThePackAreRefusedBeforeAnyRead) {
  using mediapack::OffsetSign;
  enum Field { kDirectory, kEntryData };
  constexpr int32_t kMost = std::numeric_limits<int32_t>::max();
  constexpr int32_t kLeast = std::numeric_limits<int32_t>::min();
  struct Case {
    const char* name;
    Field field;
    OffsetSign sign;
    std::function<int32_t(int32_t size)> offset;
    bool atTheEnd;  // a position inside, but nothing fits there
  };
  const Case cases[] = {
      {"directory, negative, one before the start", kDirectory, OffsetSign::kNegative,
       [](int32_t s) { return -s - 1; }, false},
      {"directory, negative, the least", kDirectory, OffsetSign::kNegative,
       [](int32_t) { return kLeast; }, false},
      {"directory, positive, at the end", kDirectory, OffsetSign::kPositive,
       [](int32_t s) { return s; }, true},
      {"directory, positive, one past the end", kDirectory, OffsetSign::kPositive,
       [](int32_t s) { return s + 1; }, false},
      {"directory, positive, the most", kDirectory, OffsetSign::kPositive,
       [](int32_t) { return kMost; }, false},
      {"entry, negative, one before the start", kEntryData, OffsetSign::kNegative,
       [](int32_t s) { return -s - 1; }, false},
      {"entry, negative, the least", kEntryData, OffsetSign::kNegative,
       [](int32_t) { return kLeast; }, false},
      {"entry, negative, zero is the end", kEntryData, OffsetSign::kNegative,
       [](int32_t) { return 0; }, true},
      {"entry, negative, one past the end", kEntryData, OffsetSign::kNegative,
       [](int32_t) { return 1; }, false},
      {"entry, positive, minus one", kEntryData, OffsetSign::kPositive, [](int32_t) { return -1; },
       false},
      {"entry, positive, the least", kEntryData, OffsetSign::kPositive,
       [](int32_t) { return kLeast; }, false},
      {"entry, positive, at the end", kEntryData, OffsetSign::kPositive,
       [](int32_t s) { return s; }, true},
      {"entry, positive, one past the end", kEntryData, OffsetSign::kPositive,
       [](int32_t s) { return s + 1; }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> pack = onePack(c.sign);
    const int32_t offset = c.offset(static_cast<int32_t>(pack.size()));
    put32(pack, c.field == kDirectory ? pack.size() - 4 : dataOffsetField(pack), offset);
    MemorySource source(pack.data(), pack.size());
    MediaPackEntry entry;
    std::vector<MediaPackEntry> entries(1);
    if (c.field == kDirectory) {
      EXPECT_EQ(findMediaPackEntry(source, "image.png", entry), MediaPackLookup::kDamaged);
      EXPECT_EQ(listMediaPackEntries(source, entries), MediaPackLookup::kDamaged);
      EXPECT_TRUE(entries.empty());
      continue;
    }
    ASSERT_EQ(findMediaPackEntry(source, "image.png", entry), MediaPackLookup::kFound);
    EXPECT_EQ(entry.dataOffset, offset);
    if (c.atTheEnd) {
      EXPECT_EQ(entry.dataStart, pack.size());
    } else {
      EXPECT_FALSE(entry.dataStart.has_value());
    }
    std::vector<uint8_t> out(1);
    EXPECT_FALSE(extractMediaPackEntry(source, entry, out));
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(listMediaPackEntries(source, entries), MediaPackLookup::kFound);
    EXPECT_EQ(entries.size(), 1u);
  }
}

}  // namespace
}  // namespace korvane
