// Whole-file operations, the current directory and path spelling.
#include "runtime/lib/file_system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/lib/file_test_support.h"

namespace korvane {
namespace {

using testing::readFile;
using testing::writeFile;

class FileSystemTest : public testing_files::FileFixture {
 protected:
  RtString p(const std::string& name) const { return RtString(std::string_view(path(name))); }
  // The same path spelled with backslashes.
  RtString backslashed(const std::string& name) const {
    std::string s = path(name);
    for (char& c : s) {
      if (c == '/') c = '\\';
    }
    return RtString(std::string_view(s));
  }
};

TEST_F(FileSystemTest, SizeExistenceAndDeletion) {
  writeFile(path("f"), std::string(1234, 'x'));
  std::filesystem::create_directories(path("d"));
  EXPECT_EQ(fileSize(p("f")), 1234);
  EXPECT_EQ(fileSize(backslashed("f")), 1234);
  EXPECT_EQ(fileExists(backslashed("f")), 1.0);
  EXPECT_EQ(fileSize(p("d")), 0);  // a directory is not a readable file
  EXPECT_EQ(fileExists(p("d")), 0.0);
  EXPECT_EQ(fileSize(p("missing")), 0);
  EXPECT_EQ(fileExists(p("missing")), 0.0);
  EXPECT_EQ(deleteFile(backslashed("f")), 1.0);
  EXPECT_EQ(fileExists(p("f")), 0.0);
  EXPECT_EQ(deleteFile(p("f")), 0.0);
}

TEST_F(FileSystemTest, CopyFileCopiesAcrossBlocksAndTruncatesTheTarget) {
  std::string data;
  for (int i = 0; i < 10000; ++i) data += static_cast<char>(i * 7);
  writeFile(path("src"), data);
  writeFile(path("dst"), std::string(20000, 'o'));
  copyFile(p("src"), backslashed("dst"));
  EXPECT_EQ(readFile(path("dst")), data);
  copyFile(p("src"), p("new"));
  EXPECT_EQ(readFile(path("new")), data);
}

TEST_F(FileSystemTest, CopyFileNeverDestroysTheTargetWhenThereIsNothingToCopy) {
  writeFile(path("keep"), "precious");
  copyFile(p("missing"), p("keep"));
  EXPECT_EQ(readFile(path("keep")), "precious");
  copyFile(p("keep"), p("keep"));
  EXPECT_EQ(readFile(path("keep")), "precious");
  copyFile(p("keep"), backslashed("keep"));
  EXPECT_EQ(readFile(path("keep")), "precious");
  ASSERT_EQ(link(path("keep").c_str(), path("alias").c_str()), 0);
  copyFile(p("alias"), p("keep"));
  EXPECT_EQ(readFile(path("keep")), "precious");
  // A target that is no regular file is neither truncated nor removed, with or without a
  // reader on the other end.
  ASSERT_EQ(mkfifo(path("fifo").c_str(), 0600), 0);
  copyFile(p("keep"), p("fifo"));
  EXPECT_TRUE(std::filesystem::is_fifo(path("fifo")));
  const int reader = open(path("fifo").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  copyFile(p("keep"), p("fifo"));
  EXPECT_TRUE(std::filesystem::is_fifo(path("fifo")));
  close(reader);
}

TEST_F(FileSystemTest, CurrentDirectoryEndsInSlashAndFollowsChanges) {
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::create_directories(path("sub/inner"));
  ASSERT_EQ(setCurrentDirectory(backslashed("sub")), 1.0);
  EXPECT_EQ(std::string(viewOf(currentDirectory())), path("sub") + "/");
  ASSERT_EQ(setCurrentDirectory(RtString("inner\\..\\inner")), 1.0);
  EXPECT_EQ(std::string(viewOf(currentDirectory())), path("sub/inner") + "/");
  EXPECT_EQ(setCurrentDirectory(p("missing")), 0.0);
  ASSERT_EQ(setCurrentDirectory(RtString("/")), 1.0);
  EXPECT_STREQ(textOf(currentDirectory()), "/");
  std::filesystem::current_path(before);
}

TEST(PathSpellingTest, ToForwardSlashesRewritesInPlace) {
  RtString s("a\\b\\\\c/d\\");
  const char* buffer = s.buf();
  toForwardSlashes(s);
  EXPECT_STREQ(textOf(s), "a/b//c/d/");
  EXPECT_EQ(s.buf(), buffer);
  RtString empty;
  toForwardSlashes(empty);
  EXPECT_EQ(lengthOf(empty), 0u);
}

}  // namespace
}  // namespace korvane
