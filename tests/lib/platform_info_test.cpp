// The platform query without a GL context: fixed keys, the machine identifier, the local time,
// and the entry-point table with the rule that answers from version and extension strings.
#include "runtime/lib/platform_info.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "runtime/lib/gl_entry_points.h"
#include "runtime/lib/platform_info_internal.h"
#include "tests/support/child_program.h"
#include "tests/support/files.h"

namespace korvane {
namespace {

std::string info(const char* key) { return std::string(viewOf(platformInfo(key))); }

TEST(PlatformInfoTest, FixedKeysIgnoreLetterCase) {
  const struct {
    const char* key;
    const char* answer;
  } cases[] = {
      {"", "WIN32"},      {"DEVICE", "DESKTOP"}, {"device", "DESKTOP"},
      {"OS", "LINUX"},    {"oS", "LINUX"},       {"bogus", "NO_DATA"},
      {" OS", "NO_DATA"}, {"ID ", "NO_DATA"},    {"GLEXT", "NO_DATA"},
  };
  for (const auto& c : cases) EXPECT_EQ(info(c.key), c.answer) << "'" << c.key << "'";
}

TEST(PlatformInfoTest, MachineIdIsEightCapitalHexDigitsStableAndLeastSignificantByteFirst) {
  const std::string id = info("ID");
  ASSERT_EQ(id.size(), 8u);
  for (char c : id) EXPECT_TRUE(std::isdigit(c) || (c >= 'A' && c <= 'F')) << id;
  EXPECT_EQ(info("id"), id);
  EXPECT_EQ(id, viewOf(machineIdText(machineSerial(platform::machineIdentity()))));

  EXPECT_EQ(viewOf(machineIdText(0x12345678u ^ kMachineIdMask)), "78563412");
  EXPECT_EQ(viewOf(machineIdText(0x000000ABu ^ kMachineIdMask)), "AB000000");
  const uint32_t one = machineSerial("4c4c4544003010548054b4c04f4e3832");
  const uint32_t other = machineSerial("4c4c4544003010548054b4c04f4e3833");
  EXPECT_NE(one, other);
  EXPECT_EQ(one, machineSerial("4c4c4544003010548054b4c04f4e3832"));
  EXPECT_NE(viewOf(machineIdText(one)), viewOf(machineIdText(other)));
}

int64_t injectedTime = 0;
int64_t injectedClock() { return injectedTime; }

TEST(PlatformInfoTest, TimeIsTheLocalTimeWithSpacePaddedClockFields) {
  const char* previous = std::getenv("TZ");
  const std::string saved = previous != nullptr ? previous : "";
  setPlatformTimeSource(injectedClock);
  const struct {
    const char* zone;
    int64_t time;
    const char* key;
    const char* text;
  } cases[] = {
      {"UTC0", 1767431103, "TIME", "2026-1-3  9: 5: 3"},  // 09:05:03 UTC
      {"XST-2", 1767431103 - 7200, "time", "2026-1-3  9: 5: 3"},
      {"UTC0", 1798761599, "Time", "2026-12-31 23:59:59"},
      {"XST+5", 1798761599, "TIME", "2026-12-31 18:59:59"},
  };
  for (const auto& c : cases) {
    setenv("TZ", c.zone, 1);
    injectedTime = c.time;
    EXPECT_EQ(info(c.key), c.text) << c.zone;
  }
  setPlatformTimeSource(nullptr);
  if (previous != nullptr) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
  // The real clock gives a text of the same shape.
  EXPECT_NE(info("TIME").find('-'), std::string::npos);
}

TEST(PlatformInfoTest, WithoutAContextNoEntryPointIsOffered) {
  EXPECT_EQ(info("GLEXT:glActiveTexture"), "0");
  EXPECT_EQ(info("GLEXT:"), "0");
}

TEST(GlEntryPointTableTest, RowsAreSortedAndNameTheirProviders) {
  const GlEntryPointRow* begin = kGlProviderTable;
  const GlEntryPointRow* end = begin + kGlProviderRowCount;
  EXPECT_TRUE(std::is_sorted(begin, end, [](const GlEntryPointRow& a, const GlEntryPointRow& b) {
    return a.name != b.name ? a.name < b.name : a.provider < b.provider;
  }));
  auto has = [&](std::string_view name, std::string_view provider) {
    return std::any_of(begin, end, [&](const GlEntryPointRow& r) {
      return r.name == name && r.provider == provider;
    });
  };
  EXPECT_TRUE(has("glBindTexture", "GL_VERSION_1_1"));
  EXPECT_TRUE(has("glActiveTexture", "GL_VERSION_1_3"));
  EXPECT_TRUE(has("glActiveTextureARB", "GL_ARB_multitexture"));
  EXPECT_TRUE(has("glBindBuffer", "GL_VERSION_1_5"));
  EXPECT_TRUE(has("glBindFramebuffer", "GL_ARB_framebuffer_object"));
  EXPECT_TRUE(has("glBindFramebufferEXT", "GL_EXT_framebuffer_object"));
  for (const GlEntryPointRow* row = begin; row != end; ++row) {
    ASSERT_TRUE(row->provider.starts_with("GL_")) << row->name;
    if (row->provider.starts_with("GL_VERSION_")) {
      ASSERT_GE(glProviderVersion(row->provider), 10) << row->provider;
    }
  }
}

// The committed table is what the generator makes of the registry on this machine.
TEST(GlEntryPointTableTest, MatchesTheGlRegistry) {
  const char* registry = "/usr/share/khronos-api/gl.xml";
  const char* source = std::getenv("KORVANE_SOURCE_DIR");
  if (!std::filesystem::exists(registry) || source == nullptr) {
    GTEST_SKIP() << "no GL registry or source folder";
  }
  const std::string root = source;
  const std::string generated =
      testing::commandOutput(root + "/tools/gl-entry-points " + registry + " | md5sum");
  const std::string committed =
      testing::commandOutput("md5sum < " + root + "/runtime/lib/gl_entry_point_table.cpp");
  EXPECT_EQ(generated, committed);
}

TEST(GlEntryPointRuleTest, VersionsAndExtensionsDecide) {
  const struct {
    const char* name;
    const char* version;
    const char* extensions;
    bool offered;
  } cases[] = {
      {"glActiveTexture", "1.3", "", true},
      {"glActiveTexture", "1.2 Mesa 9", "GL_ARB_multitexture", false},
      {"glActiveTextureARB", "1.2", "GL_EXT_x GL_ARB_multitexture", true},
      {"glActiveTextureARB", "1.2", "GL_ARB_multitexture_x GL_X_GL_ARB_multitexture", false},
      {"glActiveTextureARB", "4.5", "", false},
      {"glBindBuffer", "1.5", "", true},
      {"glBindBuffer", "1.4 (Compatibility Profile)", "", false},
      {"glBindBuffer", "4.5 (Compatibility Profile) Mesa 22.3.6", "", true},
      {"glBindTexture", "4.5", "GL_EXT_texture_object", false},  // GL 1.1 itself
      {"glBegin", "4.5", "", false},                             // GL 1.0
      {"glbindbuffer", "4.5", "", false},                        // the case as given
      {"glNoSuchEntryPoint", "4.5", "GL_ARB_multitexture", false},
      {"glBindBuffer", nullptr, nullptr, false},  // no context
      {"glBindBuffer", "", "", false},
      {"glBindBuffer", "10.0", "", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(glEntryPointOffered(c.name, c.version, c.extensions), c.offered)
        << c.name << " on " << (c.version ? c.version : "no context");
  }
  EXPECT_EQ(glContextVersion("4.5 (Compatibility Profile) Mesa"), 45);
  EXPECT_EQ(glContextVersion("2.1"), 21);
  EXPECT_EQ(glContextVersion("x1.5"), 0);
  EXPECT_EQ(glContextVersion("3."), 0);
}

}  // namespace
}  // namespace korvane
