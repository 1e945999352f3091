// The software-renderer warning: one box and one log line per process, through createDisplay.
// The box itself is watched for on the X server, and dismissed by the display helper.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/gfx2d/opengl_rainbows.h"
#include "runtime/platform/clock.h"
#include "tests/support/child_program.h"
#include "tests/support/files.h"
#include "tests/support/private_tmpdir.h"

namespace korvane {
namespace {

using testing::readFile;

// The box's caption, as the X server names its window (UTF-8; it is plain ASCII).
constexpr const char* kCaption = "!!OpenGL Software Emulation!!";
constexpr const char* kLogLine = "OpenGL Software Emulation\r\n";

TEST(SoftwareRendererWarningTest, OneLogLinePerProcess) {
  testing::ProcessTmpDir tmp("korvane-warning-");
  const std::filesystem::path& dir = tmp.path();

  {
    OpenGLRainbows first;
    ASSERT_EQ(first.createDisplay(nullptr, 640, 480, 0, 60, 0), 1);
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    ASSERT_NE(renderer, nullptr);
    // The test display renders with llvmpipe; a hardware renderer would write nothing.
    std::string expected = isSoftwareRenderer(renderer) ? kLogLine : "";
    EXPECT_EQ(readFile(dir / "ErrorLog.txt"), expected) << renderer;

    // A second display, and the same display created again, do not warn again.
    OpenGLRainbows second;
    ASSERT_EQ(second.createDisplay(nullptr, 320, 200, 0, 60, 0), 1);
    second.closeDisplay();
    ASSERT_EQ(second.createDisplay(nullptr, 320, 200, 0, 60, 0), 1);
    EXPECT_EQ(readFile(dir / "ErrorLog.txt"), expected);
  }
}

TEST(SoftwareRendererWarningTest, RendererNames) {
  struct Case {
    const char* renderer;
    bool software;
  };
  const Case cases[] = {
      {"llvmpipe (LLVM 15.0.6, 256 bits)", true},
      {"softpipe", true},
      {"Mesa DRI Software Rasterizer", true},
      {"Mesa Windows GDI Driver", true},
      {"Mesa Windows GDI Driver 2", false},  // the generic Windows name matches only whole
      {"AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6, DRM 3.49)", false},
      {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", false},
      {nullptr, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(isSoftwareRenderer(c.renderer), c.software) << (c.renderer ? c.renderer : "null");
  }
}

// Which box SDL can show: its own needs the server's core fonts (a plain Xvfb has none that
// match without xfonts-base); without them it runs zenity when it finds one.
struct BoxCase {
  const char* name;
  bool coreFonts;
  bool zenityOnPath;
  const char* kind;  // "sdl", "zenity", or "" for no box at all
};
void PrintTo(const BoxCase& c, std::ostream* out) { *out << c.name; }

class SoftwareRendererBoxDeathTest : public testing::PrivateTmpDirTest,
                                     public ::testing::WithParamInterface<BoxCase> {
 protected:
  SoftwareRendererBoxDeathTest() : PrivateTmpDirTest("korvane-box-") {}
  // The death test's child runs SetUp and the test body again: it finds the folder through
  // the run number the parent put in the environment, and leaves the X server to the parent.
  void SetUp() override {
    PrivateTmpDirTest::SetUp();
    parent_ = !::testing::internal::InDeathTestChild();
    std::filesystem::create_directories(dir_ / "empty");
  }
  void TearDown() override {
    if (!parent_) return;
    if (!watcherPid_.empty()) std::system(("kill " + watcherPid_ + " 2>/dev/null").c_str());
    EXPECT_TRUE(setCoreFonts(true));
    PrivateTmpDirTest::TearDown();
  }

  static std::string script(const std::string& arguments) {
    return testing::xDriverPath() + " " + arguments;
  }
  static bool setCoreFonts(bool on) {
    return std::system(script(on ? "fonts default" : "fonts built-ins").c_str()) == 0;
  }
  static bool zenityInstalled() {
    const char* path = getenv("PATH");
    std::stringstream dirs(path != nullptr ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');) {
      if (!dir.empty() && std::filesystem::exists(std::filesystem::path(dir) / "zenity")) {
        return true;
      }
    }
    return false;
  }

  // The watcher's report, one entry per line.
  std::vector<std::string> watched() const {
    std::vector<std::string> lines;
    std::stringstream report(readFile(dir_ / "watch"));
    for (std::string line; std::getline(report, line);) lines.push_back(line);
    return lines;
  }
  // Waits up to `ms` for the report to have `count` lines.
  bool watchedSoon(size_t count, int ms) const {
    for (int waited = 0; waited < ms && watched().size() < count; waited += 10) {
      platform::sleepMilliseconds(10);
    }
    return watched().size() >= count;
  }
  // Starts the watcher and waits until it listens. Started here, not in the child, so that it
  // holds none of the child's descriptors: the parent reads the child's output to its end.
  bool startWatcher() {
    const std::string watch =
        script(std::string("watch '") + kCaption + "' " + (dir_ / "watch").string() + " " +
               (dir_ / "ErrorLog.txt").string() + " </dev/null &");
    if (std::system(watch.c_str()) != 0 || !watchedSoon(1, 5000)) return false;
    const std::string ready = watched()[0];
    if (ready.rfind("ready ", 0) != 0) return false;
    watcherPid_ = ready.substr(6);
    return true;
  }

  // In the child: createDisplay returns once the box is gone (or could not be shown).
  [[noreturn]] void makeDisplay() {
    if (!GetParam().zenityOnPath) setenv("PATH", (dir_ / "empty").c_str(), 1);
    OpenGLRainbows display;
    const int created = display.createDisplay(nullptr, 640, 480, 0, 60, 0);
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    std::fprintf(stderr, "created=%d software=%d\n", created, isSoftwareRenderer(renderer));
    std::_Exit(0);
  }

  bool parent_ = true;
  std::string watcherPid_;
};

TEST_P(SoftwareRendererBoxDeathTest, BoxIsMappedBeforeTheLogLineAndTheProgramGoesOn) {
  const BoxCase& c = GetParam();
  const std::string kind = c.kind;
  if (kind == "zenity" && !zenityInstalled()) {
    GTEST_SKIP() << "zenity is not installed, so SDL has no second kind of box to show";
  }
  if (parent_) {
    if (!c.coreFonts) {
      ASSERT_TRUE(setCoreFonts(false));
    }
    ASSERT_TRUE(startWatcher());
  }
  EXPECT_EXIT(makeDisplay(), ::testing::ExitedWithCode(0), "created=1 software=1");

  if (kind.empty()) {
    EXPECT_EQ(watched().size(), 1u) << readFile(dir_ / "watch");
  } else {
    // The watcher ends once the box is gone.
    EXPECT_TRUE(watchedSoon(3, 5000));
    const std::vector<std::string> lines = watched();
    ASSERT_EQ(lines.size(), 3u) << readFile(dir_ / "watch");
    EXPECT_EQ(lines[1].rfind("mapped 0x", 0), 0u) << lines[1];
    // Mapped while there was no log yet: the log line follows the dismissal. A watcher that fell
    // behind the dismissal cannot tell.
    if (lines[1].find(" live=1") != std::string::npos) {
      EXPECT_NE(lines[1].find(" log=-1 "), std::string::npos) << lines[1];
    } else {
      std::printf("the watcher read the map after the box was gone: %s\n", lines[1].c_str());
    }
    const bool zenity = lines[1].find(" class=Zenity ") != std::string::npos;
    EXPECT_EQ(zenity, kind == "zenity") << lines[1];
    EXPECT_EQ(lines[2], "gone");
  }
  EXPECT_EQ(readFile(dir_ / "ErrorLog.txt"), kLogLine);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SoftwareRendererBoxDeathTest,
                         ::testing::Values(BoxCase{"sdl", true, true, "sdl"},
                                           BoxCase{"zenity", false, true, "zenity"},
                                           BoxCase{"none", false, false, ""}),
                         [](const ::testing::TestParamInfo<BoxCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace korvane
