// The software-renderer warning: one box and one log line per process, through createDisplay.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "runtime/gfx2d/opengl_rainbows.h"

namespace korvane {
namespace {

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(SoftwareRendererWarningTest, OneLogLinePerProcess) {
  auto dir = std::filesystem::path("/tmp") / ("korvane-warning-" + std::to_string(getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  setenv("TMPDIR", dir.c_str(), 1);

  {
    OpenGLRainbows first;
    ASSERT_EQ(first.createDisplay(nullptr, 640, 480, 0, 60, 0), 1);
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    ASSERT_NE(renderer, nullptr);
    // The test display renders with llvmpipe; a hardware renderer would write nothing.
    std::string expected = isSoftwareRenderer(renderer) ? "OpenGL Software Emulation\r\n" : "";
    EXPECT_EQ(readFile(dir / "ErrorLog.txt"), expected) << renderer;

    // A second display, and the same display created again, do not warn again.
    OpenGLRainbows second;
    ASSERT_EQ(second.createDisplay(nullptr, 320, 200, 0, 60, 0), 1);
    second.closeDisplay();
    ASSERT_EQ(second.createDisplay(nullptr, 320, 200, 0, 60, 0), 1);
    EXPECT_EQ(readFile(dir / "ErrorLog.txt"), expected);
  }
  std::filesystem::remove_all(dir);
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

}  // namespace
}  // namespace korvane
