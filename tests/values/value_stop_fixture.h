// Shared by the value suites: a death-test fixture whose child writes the debug-mode report
// into a private temporary directory, and an allocator that fails on request.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "runtime/core/error_stop.h"
#include "runtime/core/project_settings.h"
#include "runtime/values/value_allocator.h"

namespace korvane::testing_support {

class ValueStopDeathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The threadsafe child re-runs SetUp, so the directory name must not depend on the pid.
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::path("/tmp") /
           (std::string("korvane-values-") + info->test_suite_name() + "-" + info->name());
    if (!::testing::internal::InDeathTestChild()) std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    setenv("TMPDIR", dir_.c_str(), 1);
    projectSettings().debugMode = 1;
  }
  void TearDown() override {
    if (!::testing::internal::InDeathTestChild()) std::filesystem::remove_all(dir_);
  }
  // The error code line of the report the child wrote ("" when no report exists).
  std::string reportedCode() {
    std::ifstream in(dir_ / "ErrorLog.txt", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    const std::string log = s.str();
    const std::string head = "-End On Line\r\n";
    if (log.rfind(head, 0) != 0) return "";
    return log.substr(head.size(), log.find("\r\n", head.size()) - head.size());
  }
  std::filesystem::path dir_;
};

// Requests of `failFrom` bytes or more fail; smaller ones go to malloc.
inline std::size_t failFrom = SIZE_MAX;
inline void* allocateUnlessLarge(std::size_t bytes) {
  return bytes >= failFrom ? nullptr : std::malloc(bytes);
}
inline void* reallocateUnlessLarge(void* block, std::size_t bytes) {
  return bytes >= failFrom ? nullptr : std::realloc(block, bytes);
}
inline void releaseBlock(void* block) { std::free(block); }
inline void failAllocationsFrom(std::size_t bytes) {
  failFrom = bytes;
  setValueAllocator({allocateUnlessLarge, reallocateUnlessLarge, releaseBlock});
}

}  // namespace korvane::testing_support
