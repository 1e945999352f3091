// Listing the current directory: directories in the system's order whatever the pattern, then
// the matching files, and the count that encodes both.
#include "runtime/lib/directory_listing.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/lib/file_test_support.h"

namespace korvane {
namespace {

using testing::writeFile;

class DirectoryListingTest : public testing_files::FileFixture {
 protected:
  void SetUp() override {
    FileFixture::SetUp();
    work_ = dir_ / "work";
    std::filesystem::create_directories(work_);
    previous_ = std::filesystem::current_path();
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    FileFixture::TearDown();
  }

  // The directories as this process's own directory reading returns them.
  std::vector<std::string> directoriesInSystemOrder() const {
    std::vector<std::string> names;
    DIR* d = opendir(work_.c_str());
    while (const dirent* e = readdir(d)) {
      struct stat s;
      if (stat((work_ / e->d_name).c_str(), &s) == 0 && S_ISDIR(s.st_mode)) {
        names.push_back(e->d_name);
      }
    }
    closedir(d);
    return names;
  }

  std::vector<std::string> list(const char* pattern, double& result) {
    std::filesystem::current_path(work_);
    RtArray<RtString> names;
    result = listDirectory(pattern, names);
    std::vector<std::string> out;
    for (int i = 0; i < names.size0(); ++i) out.emplace_back(viewOf(elementAt(names, i)));
    EXPECT_EQ(names.dimensionCount(), 1);
    return out;
  }

  std::filesystem::path work_;
  std::filesystem::path previous_;
};

TEST_F(DirectoryListingTest, DirectoriesFirstThenMatchingFiles) {
  writeFile(work_ / "a.png", "");
  writeFile(work_ / "b.txt", "");
  std::filesystem::create_directory(work_ / "data");
  double result = 0;
  const std::vector<std::string> names = list("*.png", result);
  std::vector<std::string> expected = directoriesInSystemOrder();
  ASSERT_EQ(expected.size(), 3u);  // ".", ".." and "data"
  expected.push_back("a.png");
  EXPECT_EQ(names, expected);
  EXPECT_EQ(result, 1 + 3 * 65536.0);
}

TEST_F(DirectoryListingTest, PatternsMatchFilesOnlyAndLinksCountAsTheirTargets) {
  writeFile(work_ / "Shot.PNG", "");
  writeFile(work_ / "notes.txt", "");
  std::filesystem::create_directory(work_ / "sub.png");
  std::filesystem::create_directory_symlink(work_ / "sub.png", work_ / "link");
  std::filesystem::create_symlink(work_ / "notes.txt", work_ / "note-link.png");
  const struct {
    const char* pattern;
    std::vector<std::string> files;
  } cases[] = {
      {"*.png", {"Shot.PNG", "note-link.png"}}, {"none", {}}, {"notes.???", {"notes.txt"}}};
  for (const auto& c : cases) {
    double result = 0;
    std::vector<std::string> names = list(c.pattern, result);
    ASSERT_GE(names.size(), 4u) << c.pattern;
    const std::vector<std::string> directories(names.begin(), names.begin() + 4);
    EXPECT_EQ(directories, directoriesInSystemOrder()) << c.pattern;
    std::vector<std::string> files(names.begin() + 4, names.end());
    std::sort(files.begin(), files.end());
    std::vector<std::string> expected = c.files;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(files, expected) << c.pattern;
    EXPECT_EQ(result, static_cast<double>(c.files.size()) + 4 * 65536.0) << c.pattern;
  }
}

TEST_F(DirectoryListingTest, AnUnreadableDirectoryGivesNothing) {
  std::filesystem::current_path(work_);
  std::filesystem::remove(work_);  // still the current directory, but gone
  RtArray<RtString> names;
  dimensionArray(names, 5);
  EXPECT_EQ(listDirectory("*", names), 0);
  EXPECT_EQ(names.size0(), 0);
}

}  // namespace
}  // namespace korvane
