// The set-1 key-code table: every row maps both ways and no SDL scancode is claimed twice.
#include "runtime/platform/sdl/key_code_table.h"

#include <gtest/gtest.h>

#include <set>

namespace korvane {
namespace {

TEST(KeyCodeTableTest, RowsMapBothWaysInKeyCodeOrder) {
  const auto table = platform::keyCodeTable();
  std::set<int> scancodes;
  int previousCode = 0;
  for (const platform::KeyCodeRow& row : table) {
    SCOPED_TRACE(static_cast<int>(row.code));
    EXPECT_TRUE(scancodes.insert(row.scancode).second) << "scancode " << row.scancode;
    EXPECT_GE(row.code, previousCode);
    EXPECT_NE(row.code, 0);
    EXPECT_EQ(platform::keyCodeForScancode(row.scancode), row.code);
    // The first row of a code is the one the reverse map gives.
    if (row.code != previousCode) {
      EXPECT_EQ(platform::scancodeForKeyCode(row.code), row.scancode);
    }
    previousCode = row.code;
  }
  // Code 0 and the extended Escape (129) belong to no key; nor do codes out of range.
  for (int code : {0, 129, 255, 256, -1}) EXPECT_EQ(platform::scancodeForKeyCode(code), 0);
  for (int scancode : {0, -5, 100000}) EXPECT_EQ(platform::keyCodeForScancode(scancode), 0);
}

}  // namespace
}  // namespace korvane
