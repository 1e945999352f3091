// The programs' own command-line answers, each run as a child process: Ondrel's --help and
// --version (with no display, so opening a window could not succeed), mediapack's --help and
// its listing of damaged packs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/child_program.h"
#include "tests/support/files.h"
#include "tools/mediapack/pack_writer.h"

namespace {

namespace fs = std::filesystem;
using korvane::testing::commandOutput;

struct ChildRun {
  std::string output;
  int exitCode = -1;
};

// Runs `command` through the shell without a display; its standard output and error, and its
// exit code from the last line the shell adds.
ChildRun run(const std::string& command) {
  std::string text = commandOutput("env -u DISPLAY -u WAYLAND_DISPLAY timeout 30 " + command +
                                   " 2>&1; echo \"exit $?\"");
  ChildRun result;
  size_t last = text.rfind("exit ");
  if (last == std::string::npos) return result;
  result.exitCode = std::stoi(text.substr(last + 5));
  result.output = text.substr(0, last);
  return result;
}

TEST(OndrelCommandLineTest, HelpAndVersionAnswerAloneWithoutAWindow) {
  const ChildRun help = run(ONDREL_BINARY " --help");
  EXPECT_EQ(help.exitCode, 0) << help.output;
  EXPECT_NE(help.output.find("usage: ondrel"), std::string::npos) << help.output;
  EXPECT_NE(help.output.find("Escape"), std::string::npos) << help.output;

  const ChildRun version = run(ONDREL_BINARY " --version");
  EXPECT_EQ(version.exitCode, 0) << version.output;
  EXPECT_EQ(version.output.rfind("Ondrel ", 0), 0u) << version.output;
}

TEST(OndrelCommandLineTest, AnyOtherCommandLineGoesToTheProgram) {
  // Each of these is handed on, so the program tries its window, which this run cannot have.
  for (const char* arguments : {" --help --version", " --version x", " -help", " --HELP"}) {
    const ChildRun other = run(std::string(ONDREL_BINARY) + arguments);
    EXPECT_EQ(other.output.find("usage: ondrel"), std::string::npos) << arguments;
    EXPECT_EQ(other.output.find("Ondrel 1"), std::string::npos) << arguments;
  }
}

class MediapackCommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("mediapack-cli-" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // A pack of two entries with offsets from the start, so the first entry's data is at byte 0.
  std::string packBytes() {
    std::vector<uint8_t> pack;
    std::string error;
    EXPECT_TRUE(korvane::mediapack::buildPack(
        {{"first.txt", std::vector<uint8_t>(300, 'a')}, {"second.txt", {'b', 'c'}}},
        korvane::mediapack::OffsetSign::kPositive, pack, error))
        << error;
    return std::string(pack.begin(), pack.end());
  }

  std::string write(const std::string& name, const std::string& bytes) {
    korvane::testing::writeFile(dir_ / name, bytes);
    return (dir_ / name).string();
  }

  fs::path dir_;
};

TEST_F(MediapackCommandLineTest, HelpSucceedsAndAWrongCommandLineFails) {
  const ChildRun help = run(MEDIAPACK_BINARY " --help");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.output.find("usage: mediapack"), std::string::npos) << help.output;
  for (const char* arguments : {"", " --help extra", " list", " frobnicate"}) {
    const ChildRun wrong = run(std::string(MEDIAPACK_BINARY) + arguments);
    EXPECT_EQ(wrong.exitCode, 2) << arguments;
    EXPECT_NE(wrong.output.find("usage: mediapack"), std::string::npos) << arguments;
  }
}

TEST_F(MediapackCommandLineTest, ListFailsWhenAnyEntryIsDamaged) {
  const std::string intact = packBytes();
  const ChildRun good = run(MEDIAPACK_BINARY " list " + write("good.pak", intact));
  EXPECT_EQ(good.exitCode, 0) << good.output;
  EXPECT_NE(good.output.find("first.txt\t300\t"), std::string::npos) << good.output;

  // The first entry claims one byte more than its data decompresses to; the second is intact
  // and still listed.
  std::string damaged = intact;
  damaged[0] = static_cast<char>(static_cast<uint8_t>(damaged[0]) + 1);
  const ChildRun bad = run(MEDIAPACK_BINARY " list " + write("bad.pak", damaged));
  EXPECT_EQ(bad.exitCode, 1) << bad.output;
  EXPECT_NE(bad.output.find("first.txt\tdamaged\t"), std::string::npos) << bad.output;
  EXPECT_NE(bad.output.find("second.txt\t2\t"), std::string::npos) << bad.output;
  EXPECT_NE(bad.output.find("1 of 2 entries"), std::string::npos) << bad.output;
}

}  // namespace
