// Shared by the application suites: the grid at the program's size, whole-buffer helpers and
// a death-test fixture whose child writes the debug-mode report into a private directory.
#pragma once

#include <filesystem>
#include <string>

#include "app/fluid_grid.h"
#include "runtime/core/stop/project_settings.h"
#include "tests/support/private_tmpdir.h"

namespace ondrel::testing_support {

// The grid of a 640 by 480 screen: 160 by 120 cells, cellBufferA current.
inline void setUpProgramGrid() {
  viewWidth = 640;
  viewHeight = 480;
  setupGrid(160, 120);
}

inline FluidCell& cellOf(korvane::RtArray<FluidCell>& buffer, int i, int j) {
  return korvane::elementAt(buffer, i, j);
}

// Every colour channel of every cell of `buffer` set to v.
inline void fillColour(korvane::RtArray<FluidCell>& buffer, float v) {
  for (int j = 0; j < buffer.size1(); ++j) {
    for (int i = 0; i < buffer.size0(); ++i) {
      FluidCell& c = cellOf(buffer, i, j);
      c.red = c.green = c.blue = v;
    }
  }
}

// Its child writes the debug-mode report; report() is the whole error log.
class AppStopDeathTest : public korvane::testing::PrivateTmpDirTest {
 protected:
  AppStopDeathTest() : PrivateTmpDirTest("ondrel-app-") {}
  void SetUp() override {
    PrivateTmpDirTest::SetUp();
    korvane::projectSettings().debugMode = 1;
  }
  std::string report() const { return log(); }
  void removeReport() { std::filesystem::remove(logPath()); }
};

// The report of an index stop raised outside any numbered line.
inline constexpr const char* kIndexStopReport = "-End On Line\r\n9\r\n-1\r\n0\r\n0\r\n";

}  // namespace ondrel::testing_support
