// Shared by the application suites: the grid at the program's size, whole-buffer helpers and
// a death-test fixture whose child writes the debug-mode report into a private directory.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "app/fluid_grid.h"
#include "runtime/core/project_settings.h"

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

inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class AppStopDeathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The threadsafe child re-runs SetUp, so the directory name must not depend on its pid:
    // the parent picks a run name, which the child inherits through the environment.
    if (std::getenv(kRunVariable) == nullptr) {
      setenv(kRunVariable, std::to_string(std::random_device{}()).c_str(), 1);
    }
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::path("/tmp") / (std::string("ondrel-app-") + std::getenv(kRunVariable) +
                                            "-" + info->test_suite_name() + "-" + info->name());
    if (!::testing::internal::InDeathTestChild()) std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    setenv("TMPDIR", dir_.c_str(), 1);
    korvane::projectSettings().debugMode = 1;
  }
  void TearDown() override {
    if (!::testing::internal::InDeathTestChild()) std::filesystem::remove_all(dir_);
  }
  std::string report() { return readFile(dir_ / "ErrorLog.txt"); }
  void removeReport() { std::filesystem::remove(dir_ / "ErrorLog.txt"); }
  std::filesystem::path dir_;
  static constexpr const char* kRunVariable = "ONDREL_TEST_RUN";
};

// The report of an index stop raised outside any numbered line.
inline constexpr const char* kIndexStopReport = "-End On Line\r\n9\r\n-1\r\n0\r\n0\r\n";

}  // namespace ondrel::testing_support
