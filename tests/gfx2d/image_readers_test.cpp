// BMP and PNG readers: layouts, palettes, colour keys and refusal of malformed files.
#include "runtime/gfx2d/image_readers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/gfx2d/image_test_files.h"

namespace korvane {
namespace {

using korvane::testing::makeBmp;
using korvane::testing::makePng;

constexpr int32_t kDefaultKey = 0x8000FF;

std::vector<uint8_t> pixelAt(const RgbaImage& image, int x, int y) {
  const uint8_t* p = image.pixel(x, y);
  return {p[0], p[1], p[2], p[3]};
}

bool decodeBmpBytes(RgbaImage& image, const std::vector<uint8_t>& bytes, int32_t key) {
  MemorySource source(bytes.data(), bytes.size());
  return decodeBmp(image, source, key);
}

// The public PNG suite kept in the repository. A missing folder fails the tests that need it:
// skipping would let a broken checkout pass without reading a single file.
const std::string kPngSuiteDir = KORVANE_PNG_SUITE_DIR;

bool decodePngBytes(RgbaImage& image, const std::vector<uint8_t>& bytes, int32_t key) {
  MemorySource source(bytes.data(), bytes.size());
  return decodePng(image, source, key, "test.png");
}

// A 3-pixel-wide, 2-row picture at 24 and 32 bits: both rows take 12 bytes, so the pixel area
// is exactly 24 bytes and one byte less fails.
TEST(ReadBmpTest, RowsOfThreePixelsTakeTwelveBytes) {
  for (int bits : {24, 32}) {
    SCOPED_TRACE(bits);
    const int bytesPerPixel = bits / 8;
    std::vector<uint8_t> area(24, 0xEE);  // padding bytes must be skipped, not read as pixels
    for (int fileRow = 0; fileRow < 2; ++fileRow) {
      for (int x = 0; x < 3; ++x) {
        uint8_t* p = &area[fileRow * 12 + x * bytesPerPixel];
        p[0] = static_cast<uint8_t>(10 * x + fileRow);  // blue
        p[1] = 100;                                     // green
        p[2] = static_cast<uint8_t>(200 + x);           // red
        if (bits == 32) p[3] = 7;                       // ignored
      }
    }
    RgbaImage image;
    ASSERT_TRUE(decodeBmpBytes(image, makeBmp(40, 3, 2, bits, {}, area), kNoColourKey));
    ASSERT_EQ(image.width, 3);
    ASSERT_EQ(image.height, 2);
    // Output row 0 is the last file row.
    EXPECT_EQ(pixelAt(image, 0, 0), (std::vector<uint8_t>{200, 100, 1, 255}));
    EXPECT_EQ(pixelAt(image, 2, 0), (std::vector<uint8_t>{202, 100, 21, 255}));
    EXPECT_EQ(pixelAt(image, 2, 1), (std::vector<uint8_t>{202, 100, 20, 255}));

    std::vector<uint8_t> shortArea(area.begin(), area.end() - 1);
    EXPECT_FALSE(decodeBmpBytes(image, makeBmp(40, 3, 2, bits, {}, shortArea), kNoColourKey));
  }
}

TEST(ReadBmpTest, EightBitsLookUpThePaletteAndIndicesPastItAreBlack) {
  // Three entries (blue, green, red, reserved); index 3 and 200 lie past the palette.
  const std::vector<uint8_t> palette = {1, 2, 3, 0, 40, 50, 60, 0, 0, 0, 255, 0};
  const std::vector<uint8_t> area = {0, 1, 2, 3, 200, 0, 0, 0};  // one row of 5, padded to 8
  RgbaImage image;
  ASSERT_TRUE(decodeBmpBytes(image, makeBmp(40, 5, 1, 8, palette, area), kNoColourKey));
  EXPECT_EQ(pixelAt(image, 0, 0), (std::vector<uint8_t>{3, 2, 1, 255}));
  EXPECT_EQ(pixelAt(image, 1, 0), (std::vector<uint8_t>{60, 50, 40, 255}));
  EXPECT_EQ(pixelAt(image, 2, 0), (std::vector<uint8_t>{255, 0, 0, 255}));
  EXPECT_EQ(pixelAt(image, 3, 0), (std::vector<uint8_t>{0, 0, 0, 255}));
  EXPECT_EQ(pixelAt(image, 4, 0), (std::vector<uint8_t>{0, 0, 0, 255}));

  // The core header's palette has three-byte entries.
  const std::vector<uint8_t> corePalette = {9, 8, 7, 30, 20, 10};
  std::vector<uint8_t> core = makeBmp(12, 2, 1, 8, corePalette, {1, 0, 0, 0}, 14 + 12 + 768);
  ASSERT_TRUE(decodeBmpBytes(image, core, kNoColourKey));
  EXPECT_EQ(pixelAt(image, 0, 0), (std::vector<uint8_t>{10, 20, 30, 255}));
  EXPECT_EQ(pixelAt(image, 1, 0), (std::vector<uint8_t>{7, 8, 9, 255}));
}

TEST(ReadBmpTest, ColourKeyMakesItsPixelsTransparent) {
  const std::vector<uint8_t> rgba = {255, 0, 128, 255, 255, 0, 127, 255};
  const std::vector<uint8_t> bytes = korvane::testing::makeBmp24(2, 1, rgba);
  RgbaImage image;
  ASSERT_TRUE(decodeBmpBytes(image, bytes, kDefaultKey));
  EXPECT_EQ(pixelAt(image, 0, 0), (std::vector<uint8_t>{0, 0, 0, 0}));
  EXPECT_EQ(pixelAt(image, 1, 0), (std::vector<uint8_t>{255, 0, 127, 255}));
  ASSERT_TRUE(decodeBmpBytes(image, bytes, kNoColourKey));
  EXPECT_EQ(pixelAt(image, 0, 0), (std::vector<uint8_t>{255, 0, 128, 255}));
}

TEST(ReadBmpTest, NegativeHeightIsStillReadBottomUp) {
  const std::vector<uint8_t> area = {1, 1, 1, 0, 2, 2, 2, 0};  // file rows 0 and 1
  RgbaImage image;
  ASSERT_TRUE(decodeBmpBytes(image, makeBmp(40, 1, -2, 24, {}, area), kNoColourKey));
  ASSERT_EQ(image.height, 2);
  EXPECT_EQ(image.pixel(0, 0)[0], 2);
  EXPECT_EQ(image.pixel(0, 1)[0], 1);
}

TEST(ReadBmpTest, ReadsFromAFileAndReusesTheBuffer) {
  const std::vector<uint8_t> rgba(4 * 4 * 4, 90);
  const std::string path =
      korvane::testing::writeTempFile("reuse.bmp", korvane::testing::makeBmp24(4, 4, rgba));
  RgbaImage image;
  ASSERT_TRUE(readBmp(image, path, kNoColourKey));
  const uint8_t* buffer = image.pixels.get();
  ASSERT_TRUE(readImageFile(image, path, kNoColourKey));
  EXPECT_EQ(image.pixels.get(), buffer);
  EXPECT_EQ(image.pixel(3, 3)[1], 90);
  EXPECT_FALSE(readBmp(image, path + ".missing", kNoColourKey));
  EXPECT_EQ(image.capacity, 0u);
  EXPECT_EQ(image.pixels, nullptr);
}

// A side may reach 32767 (what a sprite row's signed 16-bit sizes hold) as long as the whole
// picture stays within 2^26 pixels; the upload cuts it to the largest texture later.
TEST(ImageSizeTest, SidesReach32767WithinThePixelCap) {
  struct Case {
    int64_t width, height;
    bool allowed;
  };
  for (const Case c : {Case{32767, 1, true}, Case{1, 32767, true}, Case{32767, 2048, true},
                       Case{32768, 1, false}, Case{1, 32768, false}, Case{32767, 2049, false},
                       Case{8192, 8193, false}, Case{0, 5, false}, Case{5, -1, false}}) {
    SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height);
    EXPECT_EQ(imageSizeAllowed(c.width, c.height), c.allowed);
  }
}

// Wide and tall pictures past the old 16384 limit load whole through both readers, with the
// pixels at their far ends in place.
TEST(ReadImageTest, PicturesWithASideUpTo32767Load) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    bool png;
    int32_t width, height;
  };
  // Column x (or row y of a tall picture) has red x & 255 and green x >> 8.
  auto ramp = [](int32_t width, int32_t height) {
    std::vector<uint8_t> rgba;
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) {
        const int32_t i = width > height ? x : y;
        rgba.insert(rgba.end(), {static_cast<uint8_t>(i & 255), static_cast<uint8_t>(i >> 8),
                                 static_cast<uint8_t>(y), 255});
      }
    }
    return rgba;
  };
  auto rgbSamples = [](std::vector<uint8_t> rgba) {
    std::vector<uint8_t> rgb;
    for (size_t i = 0; i < rgba.size(); i += 4)
      rgb.insert(rgb.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});
    return rgb;
  };
  // 1 x 32767 through the core header, whose sizes are 16-bit: 4-byte rows.
  std::vector<uint8_t> tallArea(4 * 32767, 0);
  for (int32_t fileRow = 0; fileRow < 32767; ++fileRow) {
    const int32_t y = 32766 - fileRow;
    tallArea[fileRow * 4 + 1] = static_cast<uint8_t>(y >> 8);   // green
    tallArea[fileRow * 4 + 2] = static_cast<uint8_t>(y & 255);  // red
  }
  const std::vector<Case> cases = {
      {"BMP 20000 x 2", korvane::testing::makeBmp24(20000, 2, ramp(20000, 2)), false, 20000, 2},
      {"BMP 32767 x 1", korvane::testing::makeBmp24(32767, 1, ramp(32767, 1)), false, 32767, 1},
      {"core BMP 1 x 32767", makeBmp(12, 1, 32767, 24, {}, tallArea), false, 1, 32767},
      {"PNG 20000 x 2", makePng(20000, 2, 3, 8, rgbSamples(ramp(20000, 2))), true, 20000, 2},
      {"PNG 2 x 32767", makePng(2, 32767, 3, 8, rgbSamples(ramp(2, 32767))), true, 2, 32767},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RgbaImage image;
    ASSERT_TRUE(c.png ? decodePngBytes(image, c.bytes, kNoColourKey)
                      : decodeBmpBytes(image, c.bytes, kNoColourKey));
    ASSERT_EQ(image.width, c.width);
    ASSERT_EQ(image.height, c.height);
    const int32_t last = std::max(c.width, c.height) - 1;
    const uint8_t* far = c.width > c.height ? image.pixel(last, 0) : image.pixel(0, last);
    EXPECT_EQ(far[0], last & 255);
    EXPECT_EQ(far[1], last >> 8);
    EXPECT_EQ(far[3], 255);
    const uint8_t* first = image.pixel(0, 0);
    EXPECT_EQ(first[0], 0);
    EXPECT_EQ(first[1], 0);
  }
}

struct MalformedBmp {
  const char* name;
  std::vector<uint8_t> bytes;
};

std::vector<MalformedBmp> malformedBmps() {
  const std::vector<uint8_t> good = makeBmp(40, 2, 2, 24, {}, std::vector<uint8_t>(16, 5));
  auto cut = [&](size_t n) { return std::vector<uint8_t>(good.begin(), good.begin() + n); };
  std::vector<uint8_t> badMagic = good;
  badMagic[1] = 'A';
  std::vector<uint8_t> hugeOffset = good;
  hugeOffset[10] = hugeOffset[11] = hugeOffset[12] = hugeOffset[13] = 0xFF;
  return {
      {"empty", {}},
      {"file header cut", cut(10)},
      {"info header size cut", cut(16)},
      {"info header cut", cut(40)},
      {"pixel area cut", cut(good.size() - 1)},
      {"bad magic", badMagic},
      {"data offset past the end", hugeOffset},
      {"header size 108", makeBmp(108, 2, 2, 24, {}, std::vector<uint8_t>(16))},
      {"16 bits", makeBmp(40, 2, 2, 16, {}, std::vector<uint8_t>(8))},
      {"width 0", makeBmp(40, 0, 2, 24, {}, std::vector<uint8_t>(8))},
      {"height 0", makeBmp(40, 2, 0, 24, {}, {})},
      {"negative width", makeBmp(40, -2, 2, 24, {}, std::vector<uint8_t>(16))},
      {"width 32768", makeBmp(40, 32768, 1, 8, {1, 2, 3, 0}, std::vector<uint8_t>(32768))},
      {"core height 32768", makeBmp(12, 1, 32768, 24, {}, std::vector<uint8_t>(131072))},
      {"most negative height", makeBmp(40, 1, INT32_MIN, 24, {}, std::vector<uint8_t>(4))},
      {"over 2^26 pixels", makeBmp(40, 32767, 2049, 24, {}, {})},
      {"core 8 bits without palette", makeBmp(12, 2, 1, 8, {}, {0, 0, 0, 0})},
      {"8 bits without palette", makeBmp(40, 2, 1, 8, {}, {0, 0, 0, 0})},
      {"palette shorter than one entry", makeBmp(40, 2, 1, 8, {1, 2, 3}, {0, 0, 0, 0})},
      {"palette past the end of the file", makeBmp(40, 2, 1, 8, {}, {}, 1000)},
  };
}

TEST(ReadBmpTest, MalformedFilesFailCleanly) {
  for (const MalformedBmp& c : malformedBmps()) {
    SCOPED_TRACE(c.name);
    RgbaImage image;
    ASSERT_TRUE(image.resize(2, 2));  // a failed read empties whatever was there
    EXPECT_FALSE(decodeBmpBytes(image, c.bytes, kNoColourKey));
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(image.height, 0);
    EXPECT_EQ(image.capacity, 0u);
    EXPECT_EQ(image.pixels, nullptr);
  }
}

TEST(ReadPngTest, SixteenBitSamplesAreStrippedToTheirHighByte) {
  // 2 x 1 RGB at 16 bits: big-endian samples.
  const std::vector<uint8_t> samples = {0x12, 0x34, 0xAB, 0xCD, 0xFF, 0x00,
                                        0x00, 0xFF, 0x80, 0x01, 0x7F, 0xFF};
  RgbaImage image;
  ASSERT_TRUE(decodePngBytes(image, makePng(2, 1, 3, 16, samples), kNoColourKey));
  EXPECT_EQ(pixelAt(image, 0, 0), (std::vector<uint8_t>{0x12, 0xAB, 0xFF, 255}));
  EXPECT_EQ(pixelAt(image, 1, 0), (std::vector<uint8_t>{0x00, 0x80, 0x7F, 255}));
}

TEST(ReadPngTest, ChannelLayoutsAndTheColourKey) {
  RgbaImage image;
  // Grey: copied to all three colours.
  ASSERT_TRUE(decodePngBytes(image, makePng(2, 2, 1, 8, {10, 20, 30, 40}), kDefaultKey));
  EXPECT_EQ(pixelAt(image, 1, 1), (std::vector<uint8_t>{40, 40, 40, 255}));
  // RGB: the key applies.
  ASSERT_TRUE(decodePngBytes(image, makePng(2, 1, 3, 8, {255, 0, 128, 1, 2, 3}), kDefaultKey));
  EXPECT_EQ(pixelAt(image, 0, 0), (std::vector<uint8_t>{0, 0, 0, 0}));
  EXPECT_EQ(pixelAt(image, 1, 0), (std::vector<uint8_t>{1, 2, 3, 255}));
  // RGBA: copied as is, key or not.
  ASSERT_TRUE(
      decodePngBytes(image, makePng(1, 2, 4, 8, {255, 0, 128, 9, 5, 6, 7, 0}), kDefaultKey));
  EXPECT_EQ(pixelAt(image, 0, 0), (std::vector<uint8_t>{255, 0, 128, 9}));
  EXPECT_EQ(pixelAt(image, 0, 1), (std::vector<uint8_t>{5, 6, 7, 0}));
}

TEST(ReadPngTest, GreyWithAlphaFailsWithoutAMessage) {
  const std::vector<std::vector<uint8_t>> files = {
      makePng(2, 1, 2, 8, {10, 255, 20, 0}),  // grey with alpha
      makePng(2, 1, 1, 8, {10, 20}, 20),      // grey with tRNS expands to grey with alpha
  };
  for (const auto& bytes : files) {
    RgbaImage image;
    ::testing::internal::CaptureStdout();
    const bool loaded = decodePngBytes(image, bytes, kNoColourKey);
    const std::string printed = ::testing::internal::GetCapturedStdout();
    EXPECT_FALSE(loaded);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(image.pixels, nullptr);
  }
}

TEST(ReadPngTest, MalformedFilesFailCleanly) {
  const std::vector<uint8_t> good = makePng(8, 8, 3, 8, std::vector<uint8_t>(8 * 8 * 3, 77));
  auto cut = [&](size_t n) { return std::vector<uint8_t>(good.begin(), good.begin() + n); };
  std::vector<uint8_t> badCrc = good;
  badCrc[29] ^= 1;  // last byte of the IHDR checksum
  // Well-formed pictures with one side over 32767, and a header with a valid checksum that
  // claims both sides within it but over 2^26 pixels.
  const std::vector<uint8_t> wide = makePng(32768, 1, 1, 8, std::vector<uint8_t>(32768, 9));
  const std::vector<uint8_t> tall = makePng(1, 32768, 1, 8, std::vector<uint8_t>(32768, 9));
  const std::vector<uint8_t> huge = korvane::testing::withPngSize(good, 32767, 2049);
  const std::vector<uint8_t> zero = korvane::testing::withPngSize(good, 0, 8);
  const std::vector<std::pair<const char*, std::vector<uint8_t>>> cases = {
      {"empty", {}},
      {"signature only", cut(8)},
      {"header cut", cut(20)},
      {"data cut", cut(good.size() / 2)},
      {"bad header checksum", badCrc},
      {"too wide", wide},
      {"too tall", tall},
      {"over the pixel cap", huge},
      {"width 0", zero},
  };
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    RgbaImage image;
    EXPECT_FALSE(decodePngBytes(image, bytes, kNoColourKey));
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_EQ(image.width, 0);
  }
}

// Unreachable through the expansions libpng is asked for, so the texts are checked here.
TEST(ReadPngTest, MessageTextsAreExact) {
  const std::pair<PngMessageId, std::string> rows[] = {
      {kPngBitDepth, "File %s has bit depth %d.\n"},
      {kPngOnlyDepth8, "Only bit depth of 8 is supported."},
      {kPngColourType, "File %s has unsupported color type.\n"},
      {kPngSupportedTypes, "Types GRAY, RGB and RGB_ALPHA are supported."},
  };
  for (const auto& [id, text] : rows) EXPECT_EQ(kPngMessages[id], text);
}

// The public suite: every well-formed file loads unless it is grey with alpha (colour type 4,
// or grey with tRNS); every deliberately corrupt "x" file fails. Nothing is printed.
TEST(ReadPngTest, PublicSuite) {
  const std::string& dir = kPngSuiteDir;
  ASSERT_TRUE(std::filesystem::is_directory(dir)) << "PNG suite missing: " << dir;
  int loaded = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    const bool corrupt = name[0] == 'x';
    const bool greyAlpha = name.size() > 5 && name[4] == '4' && name[5] == 'a';
    const bool greyTrns = name == "tbbn0g04.png" || name == "tbwn0g16.png";
    RgbaImage image;
    ::testing::internal::CaptureStdout();
    const bool ok = readPng(image, entry.path().string(), kNoColourKey);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(ok, !corrupt && !greyAlpha && !greyTrns);
    if (ok) {
      EXPECT_GE(image.width, 1);
      EXPECT_GE(image.height, 1);
      ++loaded;
    }
  }
  EXPECT_GT(loaded, 100);
}

TEST(ReadPngTest, InterlacedAndPaletteFilesMatchTheirPlainTwins) {
  const std::string& dir = kPngSuiteDir;
  ASSERT_TRUE(std::filesystem::is_directory(dir)) << "PNG suite missing: " << dir;
  for (const char* kind : {"3p08", "3p01", "2c16", "0g04", "6a08"}) {
    SCOPED_TRACE(kind);
    RgbaImage plain, interlaced;
    ASSERT_TRUE(readPng(plain, dir + "/basn" + kind + ".png", kNoColourKey));
    ASSERT_TRUE(readPng(interlaced, dir + "/basi" + kind + ".png", kNoColourKey));
    ASSERT_EQ(plain.width, interlaced.width);
    ASSERT_EQ(plain.height, interlaced.height);
    EXPECT_EQ(0, std::memcmp(plain.pixels.get(), interlaced.pixels.get(),
                             static_cast<size_t>(plain.width) * plain.height * 4));
  }
}

}  // namespace
}  // namespace korvane
