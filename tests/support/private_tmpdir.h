// A death-test fixture with a private TMPDIR, the folder of the error log. The threadsafe death
// test re-runs SetUp in the child, so the folder is named after the test, never the pid.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>

namespace korvane::testing {

class PrivateTmpDirTest : public ::testing::Test {
 protected:
  explicit PrivateTmpDirTest(std::string prefix) : prefix_(std::move(prefix)) {}

  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    dir_ = std::filesystem::path("/tmp") /
           (prefix_ + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    if (!::testing::internal::InDeathTestChild()) std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    setenv("TMPDIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    if (!::testing::internal::InDeathTestChild()) std::filesystem::remove_all(dir_);
  }

  // The error log's whole content; empty when there is none.
  std::string log() const {
    std::ifstream in(dir_ / "ErrorLog.txt", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::filesystem::path dir_;

 private:
  std::string prefix_;
};

}  // namespace korvane::testing
