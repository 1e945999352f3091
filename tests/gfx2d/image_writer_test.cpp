// The picture writers: BMP layout and padding, PNG through libpng, the transparent colour, the
// name rule, and saves that fail without touching the file already there.
#include "runtime/gfx2d/image_writer.h"

#include <gtest/gtest.h>
#include <png.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "runtime/gfx2d/image_readers.h"
#include "tests/gfx2d/image_test_files.h"
#include "tests/support/files.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;
using korvane::testing::readFile;
using korvane::testing::writeFile;

constexpr int32_t kNoKey = -1;

// A folder of its own for each test, beside the files the image helpers write.
fs::path freshDir(const std::string& name) {
  const fs::path dir = fs::path(korvane::testing::writeTempFile("anchor", {})).parent_path() / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

// Bottom-up BGR rows with the given pitch; pixel (x, row) gets `colour(x, row)` as 0x00BBGGRR.
template <typename Colour>
std::vector<uint8_t> bgrRows(int width, int height, int pitch, Colour colour) {
  std::vector<uint8_t> bytes(static_cast<size_t>(pitch) * height * 3, 0xEE);
  for (int row = 0; row < height; ++row) {
    for (int x = 0; x < width; ++x) {
      const uint32_t c = colour(x, row);
      uint8_t* p = &bytes[(static_cast<size_t>(row) * pitch + x) * 3];
      p[0] = static_cast<uint8_t>(c >> 16);
      p[1] = static_cast<uint8_t>(c >> 8);
      p[2] = static_cast<uint8_t>(c);
    }
  }
  return bytes;
}

uint32_t littleEndian(const std::string& file, uint32_t offset, uint32_t bytes) {
  uint32_t value = 0;
  for (uint32_t i = 0; i < bytes; ++i) {
    value |= uint32_t{static_cast<uint8_t>(file[offset + i])} << (8 * i);
  }
  return value;
}

// RGBA of picture pixel (x, y), y from the top, as read back by the runtime's own reader.
uint32_t rgbaAt(const RgbaImage& image, int x, int y) {
  const uint8_t* p = image.pixel(x, y);
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// The PNG read by libpng itself, as RGBA rows top-down; its IHDR must say 8-bit RGBA.
std::vector<uint8_t> readPngWithLibpng(const std::string& bytes, int& width, int& height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return {};
  EXPECT_EQ(image.format, static_cast<png_uint_32>(PNG_FORMAT_RGBA));
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) return {};
  width = static_cast<int>(image.width);
  height = static_cast<int>(image.height);
  return rgba;
}

TEST(ImageWriterTest, BmpHeaderRowsAndPadding) {
  // 3 pixels wide: 9 bytes of pixels and 3 of padding per row.
  constexpr int kWidth = 3, kHeight = 5;
  auto colour = [](int x, int row) { return static_cast<uint32_t>(0x010203 * (x + 1) + row); };
  const std::vector<uint8_t> rows = bgrRows(kWidth, kHeight, 7, colour);
  const fs::path path = freshDir("bmp") / "three.bmp";
  ASSERT_EQ(writeImageFile(path.string(), BgrRows{rows.data(), kWidth, kHeight, 7}, kNoKey), 1);
  const std::string file = readFile(path);
  EXPECT_EQ(bmpRowBytes(kWidth), 12);
  ASSERT_EQ(file.size(), 12u * kHeight + 54);
  for (const BmpHeaderField& f : kBmpHeaderFields) {
    uint32_t expected = f.value;
    if (f.field == BmpField::fileSize) expected = 12 * kHeight + 54;
    if (f.field == BmpField::width) expected = kWidth;
    if (f.field == BmpField::height) expected = kHeight;
    EXPECT_EQ(littleEndian(file, f.offset, f.bytes), expected) << "field at " << f.offset;
  }
  EXPECT_EQ(file.substr(0, 2), "BM");
  // The table covers the header without gaps.
  uint32_t next = 0;
  for (const BmpHeaderField& f : kBmpHeaderFields) {
    EXPECT_EQ(f.offset, next);
    next += f.bytes;
  }
  EXPECT_EQ(next, kBmpHeaderBytes);
  for (int row = 0; row < kHeight; ++row) {
    const size_t start = 54 + static_cast<size_t>(row) * 12;
    for (int x = 0; x < kWidth; ++x) {
      const uint32_t c = colour(x, row);
      EXPECT_EQ(static_cast<uint8_t>(file[start + x * 3]), static_cast<uint8_t>(c >> 16));
      EXPECT_EQ(static_cast<uint8_t>(file[start + x * 3 + 2]), static_cast<uint8_t>(c));
    }
    EXPECT_EQ(file.substr(start + 9, 3), std::string(3, '\0')) << "padding of row " << row;
  }
  // The runtime's reader takes it back: buffer row 0 is the picture's bottom.
  RgbaImage image;
  ASSERT_TRUE(readBmp(image, path.string(), kNoKey));
  ASSERT_EQ(image.width, kWidth);
  ASSERT_EQ(image.height, kHeight);
  EXPECT_EQ(rgbaAt(image, 2, 0), colour(2, kHeight - 1) | 0xFF000000u);
  EXPECT_EQ(rgbaAt(image, 0, kHeight - 1), colour(0, 0) | 0xFF000000u);
}

TEST(ImageWriterTest, PngNameRule) {
  struct Case {
    const char* name;
    bool png;
  };
  const Case cases[] = {
      {"a.png", true},  // five characters: the shortest PNG name
      {"shot.PNG", true},
      {"shot.pNg", true},
      {"sub\\pic.png", true},  // "\" is a separator
                               // here too
      {".png", false},         // only the four characters
      {"shot.bmp", false},
      {"shot.png.bmp", false},
      {"shotpng", false},
      {"shot.pn", false},
      {"shot.jpg", false},
  };
  // The rule looks at the whole name, so the names are written as given, from their folder.
  const fs::path dir = freshDir("names");
  fs::create_directories(dir / "sub");
  const fs::path previous = fs::current_path();
  fs::current_path(dir);
  const uint8_t bgr[3] = {1, 2, 3};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(isPngName(c.name), c.png);
    EXPECT_EQ(writeImageFile(c.name, BgrRows{bgr, 1, 1, 1}, kNoKey), 1);
    std::string onDisk = (dir / c.name).string();
    for (char& ch : onDisk) {
      if (ch == '\\') ch = '/';
    }
    const std::string file = readFile(onDisk);
    EXPECT_EQ(file.substr(1, 3) == "PNG", c.png);
    EXPECT_EQ(file.substr(0, 2) == "BM", !c.png);
  }
  fs::current_path(previous);
  EXPECT_TRUE(fs::exists(dir / "sub" / "pic.png"));
}

TEST(ImageWriterTest, TransparentColourInBothFormats) {
  // Row 0: the key (green), white, black. Green becomes 0x8000FF in a BMP and alpha 0 in a PNG;
  // with no key (-1) nothing changes, white included.
  const std::vector<uint8_t> rows = bgrRows(3, 1, 3, [](int x, int) {
    const uint32_t colours[] = {0x00FF00, 0xFFFFFF, 0x000000};
    return colours[x];
  });
  const BgrRows picture{rows.data(), 3, 1, 3};
  struct Case {
    int32_t key;
    uint32_t bmp[3];  // RGBA read back with no key
    uint32_t png[3];
  };
  const Case cases[] = {
      {0x00FF00, {0xFF8000FF, 0xFFFFFFFF, 0xFF000000}, {0x0000FF00, 0xFFFFFFFF, 0xFF000000}},
      {0x7F00FF00,  // the top byte is ignored
       {0xFF8000FF, 0xFFFFFFFF, 0xFF000000},
       {0x0000FF00, 0xFFFFFFFF, 0xFF000000}},
      {kNoKey, {0xFF00FF00, 0xFFFFFFFF, 0xFF000000}, {0xFF00FF00, 0xFFFFFFFF, 0xFF000000}},
  };
  const fs::path dir = freshDir("key");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    for (const char* name : {"k.bmp", "k.png"}) {
      const std::string path = (dir / name).string();
      ASSERT_EQ(writeImageFile(path, picture, c.key), 1);
      RgbaImage image;
      ASSERT_TRUE(readImageFile(image, path, kNoKey));
      const uint32_t* expected = isPngName(name) ? c.png : c.bmp;
      for (int x = 0; x < 3; ++x) EXPECT_EQ(rgbaAt(image, x, 0), expected[x]) << name << " " << x;
    }
  }
  // With the default key a written key pixel reads back transparent from either file.
  const std::vector<uint8_t> keyed = bgrRows(1, 1, 1, [](int, int) { return 0x8000FFu; });
  for (const char* name : {"d.bmp", "d.png"}) {
    const std::string path = (dir / name).string();
    ASSERT_EQ(writeImageFile(path, BgrRows{keyed.data(), 1, 1, 1}, 0x8000FF), 1);
    RgbaImage image;
    ASSERT_TRUE(readImageFile(image, path, 0x8000FF));
    EXPECT_EQ(rgbaAt(image, 0, 0) >> 24, 0u) << name;
  }
}

TEST(ImageWriterTest, RandomPicturesRoundTrip) {
  std::mt19937 random(20261210);
  const fs::path dir = freshDir("random");
  for (int round = 0; round < 40; ++round) {
    const int width = 1 + static_cast<int>(random() % 61);
    const int height = 1 + static_cast<int>(random() % 47);
    const int pitch = width + static_cast<int>(random() % 5);
    std::vector<uint8_t> rows(static_cast<size_t>(pitch) * height * 3);
    for (uint8_t& b : rows) b = static_cast<uint8_t>(random());
    const BgrRows picture{rows.data(), width, height, pitch};
    SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) + " pitch " +
                 std::to_string(pitch));
    auto expectedAt = [&](int x, int y) {  // y from the top
      const uint8_t* p = &rows[(static_cast<size_t>(height - 1 - y) * pitch + x) * 3];
      return uint32_t{p[2]} | uint32_t{p[1]} << 8 | uint32_t{p[0]} << 16 | 0xFF000000u;
    };
    for (const char* name : {"r.bmp", "r.png"}) {
      const std::string path = (dir / name).string();
      ASSERT_EQ(writeImageFile(path, picture, kNoKey), 1) << name;
      RgbaImage image;
      ASSERT_TRUE(readImageFile(image, path, kNoKey)) << name;
      ASSERT_EQ(image.width, width);
      ASSERT_EQ(image.height, height);
      int mismatches = 0;
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) mismatches += rgbaAt(image, x, y) != expectedAt(x, y);
      }
      EXPECT_EQ(mismatches, 0) << name;
    }
    int w = 0, h = 0;
    const std::vector<uint8_t> rgba = readPngWithLibpng(readFile(dir / "r.png"), w, h);
    ASSERT_EQ(w, width);
    ASSERT_EQ(h, height);
    const uint32_t last = expectedAt(width - 1, height - 1);
    const uint8_t* p = &rgba[(static_cast<size_t>(height - 1) * width + width - 1) * 4];
    EXPECT_EQ(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24,
              last);
  }
}

TEST(ImageWriterTest, PicturesThatCannotBeWrittenLeaveNoFile) {
  const fs::path dir = freshDir("refused");
  const uint8_t bgr[12] = {};
  struct Case {
    int32_t width, height, pitch;
  };
  const Case cases[] = {
      {0, 1, 1}, {1, 0, 1}, {-3, 2, 1}, {4, 1, 3}, {kMaxWrittenSide + 1, 1, kMaxWrittenSide + 1}};
  for (const Case& c : cases) {
    for (const char* name : {"no.bmp", "no.png"}) {
      const BgrRows picture{bgr, c.width, c.height, c.pitch};
      EXPECT_EQ(writeImageFile((dir / name).string(), picture, kNoKey), 0);
      EXPECT_FALSE(fs::exists(dir / name)) << c.width << " x " << c.height;
    }
  }
  EXPECT_TRUE(encodeBmp(BgrRows{nullptr, 1, 1, 1}, kNoKey).empty());
}

TEST(ImageWriterTest, LinkedPictureStaysALinkWithItsPermissions) {
  const fs::path dir = freshDir("link");
  const fs::perms bits = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  writeFile(dir / "real.png", "old");
  fs::permissions(dir / "real.png", bits);
  fs::create_symlink("real.png", dir / "link.png");
  const uint8_t bgr[3] = {1, 2, 3};
  ASSERT_EQ(writeImageFile((dir / "link.png").string(), BgrRows{bgr, 1, 1, 1}, kNoKey), 1);
  EXPECT_TRUE(fs::is_symlink(dir / "link.png"));
  EXPECT_EQ(readFile(dir / "real.png").substr(1, 3), "PNG");
  EXPECT_EQ(fs::status(dir / "real.png").permissions() & fs::perms::all, bits);
}

// Root writes into read-only files anyway, so under root the checks run as the nobody user in a
// child process; it exits with the bit mask of the checks that failed.
TEST(ImageWriterTest, ReadOnlyOldFileInAReadOnlyDirectoryStays) {
  constexpr uid_t kNobody = 65534;
  const fs::path dir = freshDir("readonly");
  if (geteuid() == 0) {
    ASSERT_EQ(chown(dir.c_str(), kNobody, kNobody), 0);
  }
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(100);
    const uint8_t bgr[3] = {9, 9, 9};
    int wrong = 0;
    int bit = 1;
    for (const char* name : {"old.bmp", "old.png"}) {
      const fs::path path = dir / name;
      writeFile(path, "the old picture");
      fs::permissions(path, fs::perms::owner_read);
      fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
      if (writeImageFile(path.string(), BgrRows{bgr, 1, 1, 1}, kNoKey) != 0) wrong |= bit;
      fs::permissions(dir, fs::perms::owner_all);
      if (readFile(path) != "the old picture") wrong |= bit << 1;
      if ((fs::status(path).permissions() & fs::perms::all) != fs::perms::owner_read) {
        wrong |= bit << 2;
      }
      bit <<= 3;
    }
    // A writable file in a directory that takes no new file is rewritten in place.
    const fs::path path = dir / "inplace.bmp";
    writeFile(path, "old");
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    if (writeImageFile(path.string(), BgrRows{bgr, 1, 1, 1}, kNoKey) != 1) wrong |= bit;
    fs::permissions(dir, fs::perms::owner_all);
    if (readFile(path).substr(0, 2) != "BM" || fs::file_size(path) != 4u + 54) wrong |= bit << 1;
    _exit(wrong);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "bit mask of the failed checks";
}

// In the child: a save far beyond a 4096-byte file size limit (the signal ignored, so the write
// fails instead). 0 when the save reports failure and the old file is whole.
int saveUnderFileSizeLimit(const fs::path& path) {
  signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{4096, 4096};
  setrlimit(RLIMIT_FSIZE, &limit);
  std::vector<uint8_t> rows(200 * 200 * 3);
  std::mt19937 random(7);
  for (uint8_t& b : rows) b = static_cast<uint8_t>(random());
  const uint8_t result = writeImageFile(path.string(), BgrRows{rows.data(), 200, 200, 200}, kNoKey);
  return result == 0 && readFile(path) == "the old picture, whole" ? 0 : 1;
}

TEST(ImageWriterDeathTest, SaveCutShortByTheFileSizeLimitKeepsTheOldFile) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const fs::path dir = freshDir("cut");
  for (const char* name : {"big.bmp", "big.png"}) {
    const fs::path path = dir / name;
    writeFile(path, "the old picture, whole");
    // 200 × 200 random pixels make files far above the limit in both formats.
    EXPECT_EXIT(std::_Exit(saveUnderFileSizeLimit(path)), ::testing::ExitedWithCode(0), "") << name;
    EXPECT_EQ(readFile(path), "the old picture, whole");
    // No spare file is left behind.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir)) ++files;
    EXPECT_EQ(files, 1);
    fs::remove(path);
  }
}

}  // namespace
}  // namespace korvane
