// Whole-file writes: the target holds the old bytes or the new ones, never a part of them.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "runtime/platform/files.h"
#include "tests/support/files.h"

namespace korvane::platform {
namespace {

namespace fs = std::filesystem;
using korvane::testing::readFile;
using korvane::testing::writeFile;
using Fallback = FileReplacement::WhenNoSpareFile;

class FileReplacementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path("/tmp") / ("korvane-replace-" + std::to_string(getpid()) + "-" +
                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir_);
  }
  // Every name in the folder, so a spare file left behind shows.
  std::string listing() const {
    std::string names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      names += entry.path().filename().string() + " ";
    }
    return names;
  }
  static mode_t modeOf(const fs::path& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mode & 07777;
  }
  fs::path dir_;
};

TEST_F(FileReplacementTest, NewAndExistingTargetsGetTheWholeContentAndKeepTheirMode) {
  const fs::path fresh = dir_ / "fresh.txt";
  ASSERT_TRUE(replaceFileWhole(fresh, "new", 3));
  EXPECT_EQ(readFile(fresh), "new");
  const mode_t mask = umask(022);
  umask(mask);
  EXPECT_EQ(modeOf(fresh), 0666 & ~mask);

  const fs::path kept = dir_ / "kept.txt";
  writeFile(kept, "an older and longer content");
  chmod(kept.c_str(), 0640);
  FileReplacement replacement;
  ASSERT_TRUE(replacement.begin(kept));
  EXPECT_TRUE(replacement.write("part one, ", 10));
  EXPECT_EQ(readFile(kept), "an older and longer content") << "nothing shows before the commit";
  EXPECT_TRUE(replacement.write("part two", 8));
  EXPECT_TRUE(replacement.commit());
  EXPECT_EQ(readFile(kept), "part one, part two");
  EXPECT_EQ(modeOf(kept), 0640u);
  EXPECT_EQ(listing().find(".kept"), std::string::npos) << listing();
}

TEST_F(FileReplacementTest, ALinkStaysALinkAndItsFileIsReplaced) {
  fs::create_directories(dir_ / "real");
  writeFile(dir_ / "real" / "data.txt", "old");
  fs::create_symlink("real/data.txt", dir_ / "link.txt");
  fs::create_symlink("real/not-yet.txt", dir_ / "dangling.txt");
  ASSERT_TRUE(replaceFileWhole(dir_ / "link.txt", "new", 3));
  ASSERT_TRUE(replaceFileWhole(dir_ / "dangling.txt", "made", 4));
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.txt"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "dangling.txt"));
  EXPECT_EQ(readFile(dir_ / "real" / "data.txt"), "new");
  EXPECT_EQ(readFile(dir_ / "real" / "not-yet.txt"), "made");
  // A loop of links names no file.
  fs::create_symlink("loop-b", dir_ / "loop-a");
  fs::create_symlink("loop-a", dir_ / "loop-b");
  EXPECT_FALSE(replaceFileWhole(dir_ / "loop-a", "x", 1));
}

TEST_F(FileReplacementTest, AbandonedOrRefusedWritesLeaveTheOldFileAndNoSpare) {
  const fs::path target = dir_ / "target.txt";
  writeFile(target, "old");
  {
    FileReplacement replacement;
    ASSERT_TRUE(replacement.begin(target));
    replacement.write("never seen", 10);
  }  // destroyed without a commit
  EXPECT_EQ(readFile(target), "old");
  EXPECT_EQ(listing(), "target.txt ");
  // Not files this can replace: a directory, a missing folder.
  fs::create_directories(dir_ / "folder");
  EXPECT_FALSE(replaceFileWhole(dir_ / "folder", "x", 1));
  EXPECT_FALSE(replaceFileWhole(dir_ / "missing" / "x.txt", "x", 1));
  FileReplacement unused;
  EXPECT_FALSE(unused.write("x", 1));
  EXPECT_FALSE(unused.commit());
}

// Root writes into read-only folders anyway, so under root the child runs as the nobody user.
TEST_F(FileReplacementTest, AFolderThatTakesNoNewFileRefusesOrWritesInPlace) {
  constexpr uid_t kNobody = 65534;
  const fs::path target = dir_ / "target.txt";
  writeFile(target, "old and long");
  if (geteuid() == 0) {
    ASSERT_EQ(chown(dir_.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(chown(target.c_str(), kNobody, kNobody), 0);
  }
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(100);
    chmod(dir_.c_str(), 0555);
    int wrong = 0;
    if (replaceFileWhole(target, "new", 3)) wrong |= 1;
    if (readFile(target) != "old and long") wrong |= 2;
    if (!replaceFileWhole(target, "new", 3, Fallback::writeInPlace)) wrong |= 4;
    if (readFile(target) != "new") wrong |= 8;
    chmod(target.c_str(), 0444);
    if (replaceFileWhole(target, "newer", 5, Fallback::writeInPlace)) wrong |= 16;
    if (readFile(target) != "new") wrong |= 32;
    _exit(wrong);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "bit mask of the failed checks";
}

TEST_F(FileReplacementTest, AWriteCutShortByTheFileSizeLimitLeavesTheOldFileWhole) {
  const fs::path target = dir_ / "target.txt";
  writeFile(target, "the old content");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{100, 100};
    setrlimit(RLIMIT_FSIZE, &limit);
    const std::string big(4096, 'n');
    _exit(replaceFileWhole(target, big.data(), big.size()) ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the cut-short write reported success";
  EXPECT_EQ(readFile(target), "the old content");
  EXPECT_EQ(listing(), "target.txt ");
}

}  // namespace
}  // namespace korvane::platform
