// The INI document: the reading rules, the written form, the commands, and the mended save
// rules (refused values, missing, unreadable and packed files).
#include "runtime/lib/ini_document.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/lib/media_resolver.h"
#include "tests/lib/data_files_test_support.h"
#include "tools/mediapack/pack_writer.h"

namespace korvane {
namespace {

using testing::readFile;
using testing::writeFile;

class IniDocumentTest : public testing_files::DocumentFixture {
 protected:
  std::string read(const std::string& section, const std::string& key) {
    return std::string(viewOf(readIniValue(rt(section), rt(key))));
  }
};

struct LookupCase {
  const char* name;
  std::string text;
  const char* section;
  const char* key;
  std::string expected;
};

TEST_F(IniDocumentTest, ReadingRules) {
  const LookupCase cases[] = {
      {"the example", "[Player]\r\nname = Bob\r\n; comment\r\n", "PLAYER", "NAME", "Bob"},
      {"a comment is no entry", "[P]\n;k=v\n", "P", ";k", "NO_DATA"},
      {"only the first section of a name", "[A]\nx=1\n[B]\ny=2\n[a]\nz=3\n", "A", "z", "NO_DATA"},
      {"first of duplicate keys", "[A]\nk=1\nK=2\n", "a", "k", "1"},
      {"before the first header", "k=top\n[A]\nk=1\n", "", "k", "top"},
      {"leading white space", " \t [ A]\n\t k\t=\t v\n", "A", "k", "v"},
      {"name ends at a space", "[My Section]\nk=v\n", "My", "k", "v"},
      {"one closing bracket removed", "[A]]\nk=v\n", "A]", "k", "v"},
      {"an empty name keeps the section", "[A]\n[]\nk=v\n", "A", "k", "v"},
      {"trailing control bytes go", "[A]\nk=v \t\x01\r\n", "A", "k", "v "},
      {"code page letters stay", "[A]\nk=Jos\xe9\xa0\n", "A", "k", "Jos\xe9\xa0"},
      {"a value with '=' and blanks", "[A]\nk = a = b c\n", "A", "k", "a = b c"},
      {"no '=' after the key", "[A]\nk v\n", "A", "k", "NO_DATA"},
      {"the line ends in the key", "[A]\nkey\n", "A", "key", "NO_DATA"},
      {"an empty value is not stored", "[A]\nk=\nk=2\n", "A", "k", "2"},
      {"a section without entries", "[A]\n[A]\nk=v\n", "A", "k", "v"},
      {"the text ends at a NUL", std::string("[A]\nk=ab\0cd\n", 12), "A", "k", "ab"},
      {"a long line is read whole", "[A]\nk=" + std::string(3000, 'v') + "\n", "A", "k",
       std::string(3000, 'v')},
  };
  int n = 0;
  for (const LookupCase& c : cases) {
    const std::string file = path("read" + std::to_string(n++) + ".ini");
    writeFile(file, c.text);
    openIni(rt(file));
    EXPECT_EQ(read(c.section, c.key), c.expected) << c.name;
  }
  EXPECT_EQ(errorCode(), 0);
}

TEST(IniTextTest, SectionsWithoutEntriesVanishAndTheRestIsWrittenInOneForm) {
  const std::string text = "k=0\n[Empty]\n; note\n[A]\r\n  x = 1 \n\n[B]\ny=2\n[A]\nz=3";
  EXPECT_EQ(iniText(parseIni(text)), "[]\r\nk=0\r\n[A]\r\nx=1 \r\n[B]\r\ny=2\r\n[A]\r\nz=3\r\n");
  // The written form reads back as the same document.
  const std::string written = iniText(parseIni(text));
  EXPECT_EQ(iniText(parseIni(written)), written);
}

TEST_F(IniDocumentTest, WritingReplacesAppendsAndSavesAtTheEnd) {
  const std::string file = path("prefs.ini");
  writeFile(file, "[Player]\r\nname=Bob\r\n[Sound]\r\nvolume=3\r\n");
  openIni(rt(file));
  EXPECT_EQ(writeIniValue("player", "NAME", "Ann"), 1);
  EXPECT_EQ(writeIniValue("Player", "level", "2"), 1);
  EXPECT_EQ(writeIniValue("Video", "mode", "full"), 1);
  EXPECT_EQ(read("VIDEO", "Mode"), "full");
  saveIni();
  EXPECT_EQ(readFile(file),
            "[Player]\r\nname=Ann\r\nlevel=2\r\n[Sound]\r\nvolume=3\r\n[Video]\r\nmode=full\r\n");
  EXPECT_FALSE(iniDocument().dirty());
}

struct RefusalCase {
  const char* section;
  const char* key;
  bool stored;
};

TEST_F(IniDocumentTest, WritesThatWouldNotReadBackAreRefused) {
  const std::string file = path("refuse.ini");
  writeFile(file, "[A]\r\nk=v\r\n");
  openIni(rt(file));
  const RefusalCase cases[] = {
      {"A", "", false},     {"A", "a=b", false},  {"A", "a b", false}, {"A", "a\tb", false},
      {"A", "a\rb", false}, {"A", "a\nb", false}, {"A", ";a", false},  {"A", "[a", false},
      {"A]", "k", false},   {"A=", "k", false},   {"A B", "k", false}, {"A\t", "k", false},
      {"A\n", "k", false},  {"", "k", false},     {"A", "a;[", true},  {"[B", "k", true},
      {"A", "x", true},
  };
  for (const RefusalCase& c : cases) {
    EXPECT_EQ(writeIniValue(c.section, c.key, "1"), c.stored ? 1 : 0)
        << "[" << c.section << "] " << c.key;
  }
  // A value is kept up to its first line end.
  EXPECT_EQ(writeIniValue("A", "multi", "one\r\ntwo=2"), 1);
  EXPECT_EQ(read("A", "multi"), "one");
  saveIni();
  const std::string saved = readFile(file);
  EXPECT_EQ(saved, "[A]\r\nk=v\r\na;[=1\r\nx=1\r\nmulti=one\r\n[[B]\r\nk=1\r\n");
  openIni(rt(file));
  EXPECT_EQ(read("[B", "k"), "1");
  EXPECT_EQ(read("A", "a;["), "1");
}

TEST_F(IniDocumentTest, AnEmptySectionNameIsStoredWhenItComesFirst) {
  const std::string file = path("top.ini");
  openIni(rt(file));
  EXPECT_EQ(writeIniValue("", "k", "top"), 1);
  EXPECT_EQ(writeIniValue("A", "k", "a"), 1);
  EXPECT_EQ(writeIniValue("", "j", "also"), 1);
  saveIni();
  openIni(rt(file));
  EXPECT_EQ(read("", "j"), "also");
  EXPECT_EQ(read("A", "k"), "a");
}

TEST_F(IniDocumentTest, OpeningASecondFileSavesTheChangedFirstOne) {
  const std::string first = path("first.ini");
  const std::string second = path("second.ini");
  writeFile(second, "[S]\nk=2\n");
  openIni(rt(first));
  EXPECT_EQ(read("S", "k"), "NO_DATA");  // missing: an empty document
  EXPECT_EQ(errorCode(), 0);
  writeIniValue("S", "k", "1");
  openIni(rt(second));
  EXPECT_EQ(readFile(first), "[S]\r\nk=1\r\n");
  EXPECT_EQ(read("S", "k"), "2");
  // An unchanged document is not written again.
  openIni(rt(first));
  EXPECT_EQ(readFile(second), "[S]\nk=2\n");
}

TEST_F(IniDocumentTest, AnUnreadableFileIsNeverSavedOver) {
  const std::string folder = path("folder.ini");
  std::filesystem::create_directory(folder);
  openIni(rt(folder));
  EXPECT_EQ(errorCode(), 3);
  runtimeError() = RuntimeError{};
  writeIniValue("S", "k", "v");
  saveIni();
  EXPECT_EQ(errorCode(), 3);
  EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST_F(IniDocumentTest, ADocumentFromAMediaPackIsSavedToTheRequestedPath) {
  std::vector<uint8_t> pack;
  std::string error;
  const std::string text = "[Pack]\r\nk=packed\r\n";
  ASSERT_TRUE(mediapack::buildPack({{"packed.ini", {text.begin(), text.end()}}},
                                   mediapack::OffsetSign::kPositive, pack, error))
      << error;
  const std::string packPath = path("media.sbx");
  writeFile(packPath, std::string(pack.begin(), pack.end()));
  const auto previous = std::filesystem::current_path();
  std::filesystem::create_directories(dir_ / "work");
  std::filesystem::current_path(dir_ / "work");
  setMediaPackOfBoth(packPath);

  openIni("packed.ini");
  EXPECT_EQ(read("pack", "K"), "packed");
  writeIniValue("Pack", "more", "1");
  // The resolver drops its extracted copy at the next lookup; the save must not need it.
  std::string unused;
  mediaResolver(0).resolveMediaFile("other.png", unused);
  saveIni();
  std::filesystem::current_path(previous);
  setMediaPackOfBoth("");
  EXPECT_EQ(errorCode(), 0);
  EXPECT_EQ(readFile(dir_ / "work" / "packed.ini"), "[Pack]\r\nk=packed\r\nmore=1\r\n");
}

}  // namespace
}  // namespace korvane
