// Media resolution on disk and in packs made by the mediapack tool, and damaged packs.
#include "runtime/lib/media_resolver.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <random>

#include "runtime/lib/media_pack.h"
#include "tests/lib/file_test_support.h"

namespace korvane {
namespace {

using testing::readFile;
using testing::writeFile;

std::string toolPath() {
  const char* bin = std::getenv("KORVANE_BINARY_DIR");
  return std::string(bin != nullptr ? bin : ".") + "/bin/mediapack";
}

class MediaResolverTest : public testing_files::FileFixture {
 protected:
  void SetUp() override {
    FileFixture::SetUp();
    // Bare names are tried on disk first: run where no such file lies about.
    std::filesystem::create_directories(dir_ / "cwd");
    previousDirectory_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_ / "cwd");
    std::filesystem::create_directories(dir_ / "src");
    std::mt19937 random(7);
    std::string noise;
    for (int i = 0; i < 70000; ++i) noise += static_cast<char>(random());
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "line " + std::to_string(i) + "\n";
    files_ = {{"image.png", text}, {"noise.bin", noise}, {"empty.txt", ""}, {"x", "1"}};
    for (const auto& [name, data] : files_) writeFile(dir_ / "src" / name, data);
  }

  void TearDown() override {
    std::filesystem::current_path(previousDirectory_);
    FileFixture::TearDown();
  }

  // Runs the pack tool; true when it succeeded.
  bool tool(const std::string& args) {
    std::string command = toolPath() + " " + args + " 2>" + path("tool.err");
    return std::system(command.c_str()) == 0;
  }

  std::string makePack(const std::string& name, bool negative) {
    std::string args = "create " + std::string(negative ? "--negative " : "") + path(name);
    for (const auto& f : files_) args += " " + (dir_ / "src" / f.first).string();
    EXPECT_TRUE(tool(args)) << readFile(path("tool.err"));
    return path(name);
  }

  // The extracted file's name: "sbx", two letters from offset and size, the entry's name.
  std::string expectedExtractedPath(const std::string& pack, const std::string& entryName) {
    std::string bytes = readFile(pack);
    MemorySource source(bytes.data(), bytes.size());
    MediaPackEntry entry;
    EXPECT_EQ(findMediaPackEntry(source, entryName, entry), MediaPackLookup::kFound);
    auto letter = [](int32_t v) { return static_cast<char>('A' + ((v % 26) + 26) % 26); };
    return (dir_ / "tmp").string() + "/sbx" + letter(entry.dataOffset) + letter(entry.storedSize) +
           entry.name;
  }

  std::vector<std::string> temporaryFiles() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir_ / "tmp")) {
      names.push_back(e.path().filename().string());
    }
    return names;
  }

  std::vector<std::pair<std::string, std::string>> files_;
  std::filesystem::path previousDirectory_;
};

TEST_F(MediaResolverTest, RoundTripThroughTheToolForBothOffsetSigns) {
  for (bool negative : {false, true}) {
    SCOPED_TRACE(negative ? "negative offsets" : "positive offsets");
    const std::string pack = makePack(negative ? "neg.pak" : "pos.pak", negative);
    MediaResolver resolver;
    resolver.setMediaPack(pack);
    std::string previous;
    for (const auto& [name, data] : files_) {
      SCOPED_TRACE(name);
      std::string out;
      ASSERT_EQ(resolver.resolveMediaFile("media/" + name, out), 1);
      EXPECT_EQ(out, expectedExtractedPath(pack, name));
      EXPECT_EQ(resolver.extractedPath(), out);
      EXPECT_EQ(readFile(out), data);
      // An extracted file lives only until the next resolution on the same resolver.
      if (!previous.empty()) {
        EXPECT_FALSE(std::filesystem::exists(previous));
      }
      previous = out;
    }
    std::string out;
    EXPECT_EQ(resolver.resolveMediaFile("absent.png", out), 0);
    EXPECT_EQ(out, "");
    EXPECT_FALSE(std::filesystem::exists(previous));
    EXPECT_TRUE(resolver.packEnabled());
    EXPECT_TRUE(temporaryFiles().empty());
  }
}

TEST_F(MediaResolverTest, NamesMatchWithoutDirectoriesOrLetterCase) {
  const std::string pack = makePack("p.pak", false);
  MediaResolver resolver;
  resolver.setMediaPack(pack);
  for (const char* requested :
       {"a/b/Image.PNG", "A\\B\\IMAGE.png", "image.png", "x\\y/image.PNG"}) {
    SCOPED_TRACE(requested);
    std::string out;
    ASSERT_EQ(resolver.resolveMediaFile(requested, out), 1);
    EXPECT_EQ(out, expectedExtractedPath(pack, "image.png"));
    EXPECT_EQ(readFile(out), files_[0].second);
  }
  std::string out;
  EXPECT_EQ(resolver.resolveMediaFile("image.png/", out), 0);
  EXPECT_EQ(resolver.resolveMediaFile("mage.png", out), 0);
  EXPECT_EQ(resolver.resolveMediaFile("", out), 0);
}

TEST_F(MediaResolverTest, NegativePackAppendedToAnotherFileStillReads) {
  const std::string pack = makePack("neg.pak", true);
  writeFile(path("program"), std::string(5000, '\x7f') + readFile(pack));
  MediaResolver resolver;
  resolver.setMediaPack(path("program"));
  std::string out;
  ASSERT_EQ(resolver.resolveMediaFile("noise.bin", out), 1);
  EXPECT_EQ(readFile(out), files_[1].second);
}

TEST_F(MediaResolverTest, DiskComesFirstAndGivesThePathAsRequested) {
  const std::string pack = makePack("p.pak", false);
  std::filesystem::create_directories(dir_ / "disk");
  writeFile(dir_ / "disk" / "image.png", "on disk");
  MediaResolver resolver;
  resolver.setMediaPack(pack);
  const std::string requested = (dir_ / "disk").string() + "\\image.png";
  std::string out;
  ASSERT_EQ(resolver.resolveMediaFile(requested, out), 1);
  EXPECT_EQ(out, requested);
  EXPECT_EQ(resolver.extractedPath(), "");
  // The loaders' call gives a path the file system takes.
  setMediaPackOfBoth(pack);
  EXPECT_EQ(mediaPathToOpen(requested, 1), (dir_ / "disk" / "image.png").string());
  EXPECT_EQ(readFile(mediaPathToOpen("image.png", 0)), files_[0].second);
  EXPECT_EQ(readFile(mediaPathToOpen("image.png", 1)), files_[0].second);  // both at once
  EXPECT_EQ(temporaryFiles().size(), 1u);  // the same name: the second replaced the first
  EXPECT_EQ(mediaPathToOpen("nothing", 0), "");
  releaseMediaResolvers();
  EXPECT_TRUE(temporaryFiles().empty());
}

TEST_F(MediaResolverTest, PackThatCannotBeOpenedOrHasNoMagicSwitchesLookupsOff) {
  writeFile(path("notpack"), "just some bytes here");
  writeFile(path("tiny"), "sbX");
  std::filesystem::create_directories(path("directory"));
  for (const char* name : {"directory", "missing", "notpack", "tiny"}) {
    SCOPED_TRACE(name);
    MediaResolver resolver;
    resolver.setMediaPack(path(name));
    std::string out;
    EXPECT_EQ(resolver.resolveMediaFile("image.png", out), 0);
    EXPECT_FALSE(resolver.packEnabled());
    // A later valid pack path enables them again.
    resolver.setMediaPack(makePack("p.pak", false));
    EXPECT_TRUE(resolver.packEnabled());
    EXPECT_EQ(resolver.resolveMediaFile("image.png", out), 1);
  }
  MediaResolver noPack;
  std::string out;
  EXPECT_EQ(noPack.resolveMediaFile("image.png", out), 0);
}

TEST_F(MediaResolverTest, ExtractedFileGoesWithSetMediaPackAndRelease) {
  const std::string pack = makePack("p.pak", false);
  MediaResolver resolver;
  resolver.setMediaPack(pack);
  std::string out;
  ASSERT_EQ(resolver.resolveMediaFile("x", out), 1);
  resolver.setMediaPack(pack);
  EXPECT_FALSE(std::filesystem::exists(out));
  ASSERT_EQ(resolver.resolveMediaFile("x", out), 1);
  resolver.release();
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_EQ(resolver.extractedPath(), "");
}

TEST_F(MediaResolverTest, ExtractionNeverFollowsAPlantedLink) {
  const std::string pack = makePack("p.pak", false);
  const std::string target = path("victim");
  writeFile(target, "untouched");
  const std::string extracted = expectedExtractedPath(pack, "image.png");
  ASSERT_EQ(symlink(target.c_str(), extracted.c_str()), 0);
  MediaResolver resolver;
  resolver.setMediaPack(pack);
  std::string out;
  ASSERT_EQ(resolver.resolveMediaFile("image.png", out), 1);
  EXPECT_EQ(readFile(target), "untouched");
  EXPECT_FALSE(std::filesystem::is_symlink(out));
  EXPECT_EQ(readFile(out), files_[0].second);
}

TEST_F(MediaResolverTest, PathsThatDoNotFitTheBuffersFail) {
  const std::string pack = makePack("p.pak", false);
  MediaResolver resolver;
  resolver.setMediaPack(pack);
  std::string out = "stale";
  EXPECT_EQ(resolver.resolveMediaFile(std::string(1023, 'a') + "x", out), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(resolver.resolveMediaFile(std::string(1014, '/') + "image.png", out), 1);
  // A temporary directory so long that the extracted name does not fit.
  // 1012 bytes, a "/" and "sbx??x" fit in 1023; "sbx??image.png" does not.
  std::string longTmp = (dir_ / "tmp").string();
  while (longTmp.size() < 1000) longTmp += "/dddddddddd";
  longTmp += "/" + std::string(1012 - longTmp.size() - 1, 'e');
  std::filesystem::create_directories(longTmp);
  setenv("TMPDIR", longTmp.c_str(), 1);
  EXPECT_EQ(resolver.resolveMediaFile("image.png", out), 0);
  EXPECT_EQ(resolver.resolveMediaFile("x", out), 1);
  // A temporary directory that does not exist: nothing can be extracted.
  setenv("TMPDIR", path("no/such/dir").c_str(), 1);
  EXPECT_EQ(resolver.resolveMediaFile("x", out), 0);
  EXPECT_EQ(out, "");
}

TEST_F(MediaResolverTest, ToolListsEntriesAndRefusesBadInput) {
  const std::string pack = makePack("p.pak", true);
  ASSERT_TRUE(tool("list " + pack + " >" + path("list.txt")));
  const std::string listing = readFile(path("list.txt"));
  std::string names;
  for (size_t at = 0; at < listing.size();) {
    size_t tab = listing.find('\t', at);
    names += listing.substr(at, tab - at) + ",";
    at = listing.find('\n', at) + 1;
  }
  EXPECT_EQ(names, "image.png,noise.bin,empty.txt,x,");
  EXPECT_NE(listing.find("noise.bin\t70000\t"), std::string::npos);
  EXPECT_FALSE(tool("list " + (dir_ / "src" / "x").string()));
  EXPECT_FALSE(tool("create " + path("bad.pak") + " " + path("missing")));
  EXPECT_FALSE(tool("create " + path("bad.pak") + " " + (dir_ / "src").string()));
  EXPECT_FALSE(tool("bogus"));
}

// ---- Damaged packs: every case must fail the lookup cleanly, leaving no file behind.

void put32(std::string& bytes, size_t at, int32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes[at + i] = static_cast<char>(static_cast<uint32_t>(value) >> (8 * i));
}
int32_t get32(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i)
    v |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + i])) << (8 * i);
  return static_cast<int32_t>(v);
}

// Positions inside a positive pack with the single entry "image.png".
struct Layout {
  size_t directory;   // the entry's name length byte
  size_t dataOffset;  // the entry's data offset field
  size_t storedSize;  // the entry's stored size field
  size_t data;        // the raw size word
};
Layout layoutOf(const std::string& pack) {
  Layout l;
  l.directory = static_cast<size_t>(get32(pack, pack.size() - 4));
  l.dataOffset = l.directory + 1 + 9;
  l.storedSize = l.dataOffset + 4;
  l.data = static_cast<size_t>(get32(pack, l.dataOffset));
  return l;
}

TEST_F(MediaResolverTest, DamagedPacksFailCleanly) {
  ASSERT_TRUE(tool("create " + path("one.pak") + " " + (dir_ / "src" / "image.png").string()));
  const std::string good = readFile(path("one.pak"));
  const Layout at = layoutOf(good);
  const int32_t stored = get32(good, at.storedSize);
  const int32_t size = static_cast<int32_t>(good.size());

  struct BadPack {
    const char* name;
    std::function<void(std::string&)> damage;
    bool disablesPack;
  };
  const BadPack cases[] = {
      {"cut inside the trailer", [](std::string& p) { p.resize(p.size() - 2); }, true},
      {"cut before the trailer", [](std::string& p) { p.resize(p.size() - 9); }, true},
      {"magic changed", [](std::string& p) { p[p.size() - 6] = 'x'; }, true},
      {"directory offset past the end", [&](std::string& p) { put32(p, p.size() - 4, size + 10); },
       false},
      {"directory offset at the trailer", [&](std::string& p) { put32(p, p.size() - 4, size - 7); },
       false},
      {"negative directory before the start",
       [&](std::string& p) { put32(p, p.size() - 4, -size - 1); }, false},
      {"name runs past the end", [&](std::string& p) { p[at.directory] = static_cast<char>(255); },
       false},
      {"data offset past the end", [&](std::string& p) { put32(p, at.dataOffset, size); }, false},
      {"data offset negative", [&](std::string& p) { put32(p, at.dataOffset, -1); }, false},
      {"stored size below the raw-size word", [&](std::string& p) { put32(p, at.storedSize, 3); },
       false},
      {"stored size past the end", [&](std::string& p) { put32(p, at.storedSize, stored + size); },
       false},
      {"stored size negative", [&](std::string& p) { put32(p, at.storedSize, -5); }, false},
      {"stored size too short for the data",
       [&](std::string& p) { put32(p, at.storedSize, stored - 5); }, false},
      {"raw size negative", [&](std::string& p) { put32(p, at.data, -1); }, false},
      {"raw size above the cap", [&](std::string& p) { put32(p, at.data, 0x7fffffff); }, false},
      {"raw size one too big", [&](std::string& p) { put32(p, at.data, get32(p, at.data) + 1); },
       false},
      {"raw size one too small", [&](std::string& p) { put32(p, at.data, get32(p, at.data) - 1); },
       false},
      {"raw size zero", [&](std::string& p) { put32(p, at.data, 0); }, false},
      {"compressed bytes overwritten",
       [&](std::string& p) {
         for (size_t i = at.data + 4; i < at.data + 200; ++i) p[i] = static_cast<char>(0xff - i);
       },
       false},
      {"compressed stream cut short", [&](std::string& p) { p[at.data + stored - 3] = 0x7f; },
       false},
      {"no end marker",
       [&](std::string& p) {
         // No match, and the walk runs on into the trailer.
         p.erase(at.directory + 1 + 9 + 8, 1);
         p[at.directory + 1] = 'j';
       },
       false},
  };
  for (const BadPack& c : cases) {
    SCOPED_TRACE(c.name);
    std::string bad = good;
    c.damage(bad);
    writeFile(path("bad.pak"), bad);
    MediaResolver resolver;
    resolver.setMediaPack(path("bad.pak"));
    std::string out = "stale";
    EXPECT_EQ(resolver.resolveMediaFile("image.png", out), 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(resolver.packEnabled(), !c.disablesPack);
    EXPECT_TRUE(temporaryFiles().empty());
  }
  // The undamaged pack resolves, so every failure above came from its damage.
  MediaResolver resolver;
  resolver.setMediaPack(path("one.pak"));
  std::string out;
  EXPECT_EQ(resolver.resolveMediaFile("image.png", out), 1);
}

}  // namespace
}  // namespace korvane
