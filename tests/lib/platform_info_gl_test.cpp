// "GLEXT:" on a real context: the display's version and extension strings reach the query
// through the upward call.
#include <gtest/gtest.h>

#include <string>

#include "runtime/core/stop/upward_calls.h"
#include "runtime/gfx2d/gl_strings.h"
#include "runtime/gfx2d/opengl_rainbows.h"
#include "runtime/lib/gl_entry_points.h"
#include "runtime/lib/platform_info.h"

namespace korvane {
namespace {

std::string info(const std::string& key) {
  return std::string(viewOf(platformInfo(RtString(std::string_view(key)))));
}

TEST(PlatformInfoGlTest, EntryPointsAreOfferedByTheContextsVersionAndExtensions) {
  UpwardCalls calls;
  calls.glStrings = currentGlStrings;
  registerUpwardCalls(calls);
  // No display yet: nothing is offered.
  EXPECT_EQ(info("GLEXT:glBindBuffer"), "0");

  createDisplay();
  ASSERT_EQ(display()->createDisplay(nullptr, 320, 240, 0, 60, 0), 1);
  const char* version = nullptr;
  const char* extensions = nullptr;
  currentGlStrings(&version, &extensions);
  ASSERT_NE(version, nullptr);
  ASSERT_NE(extensions, nullptr);
  ASSERT_GE(glContextVersion(version), 15) << version;

  EXPECT_EQ(info("GLEXT:glBindBuffer"), "1");     // GL 1.5
  EXPECT_EQ(info("glext:glActiveTexture"), "1");  // GL 1.3, the key in any case
  EXPECT_EQ(info("GLEXT:glBindTexture"), "0");    // GL 1.1 itself
  EXPECT_EQ(info("GLEXT:GLBINDBUFFER"), "0");     // the name in the case given
  EXPECT_EQ(info("GLEXT:glKorvaneBogus"), "0");
  // An extension's own entry point follows the extension string.
  EXPECT_EQ(info("GLEXT:glBindFramebufferEXT"),
            display()->hasGlExtension("GL_EXT_framebuffer_object") != 0 ? "1" : "0");

  destroyDisplay();
  EXPECT_EQ(info("GLEXT:glBindBuffer"), "0");
  registerUpwardCalls(UpwardCalls{});
}

}  // namespace
}  // namespace korvane
