// A private directory per test (stable across the death-test child) and file helpers.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "runtime/core/project_settings.h"

namespace korvane::testing_files {

inline std::string readAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void writeAll(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class FileFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "-" + info->name();
    for (char& c : name) {
      if (c == '/') c = '_';
    }
    dir_ = std::filesystem::path("/tmp") / ("korvane-files-" + name);
    if (!::testing::internal::InDeathTestChild()) std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_ / "tmp");
    setenv("TMPDIR", (dir_ / "tmp").c_str(), 1);
  }
  void TearDown() override {
    if (!::testing::internal::InDeathTestChild()) std::filesystem::remove_all(dir_);
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  // The code the debug report of a finished death test names ("" when there is no report).
  std::string reportedCode() const {
    std::string log = readAll(dir_ / "tmp" / "ErrorLog.txt");
    const std::string head = "-End On Line\r\n";
    if (log.rfind(head, 0) != 0) return "";
    return log.substr(head.size(), log.find('\r', head.size()) - head.size());
  }
  std::filesystem::path dir_;
};

// Runs `statement` in a child with debug mode on; it must end the program (exit 0) with the
// error code `code` in the report.
#define EXPECT_STOPS_WITH(code, statement)                  \
  do {                                                      \
    std::filesystem::remove(dir_ / "tmp" / "ErrorLog.txt"); \
    EXPECT_EXIT(                                            \
        {                                                   \
          ::korvane::projectSettings().debugMode = 1;       \
          statement;                                        \
        },                                                  \
        ::testing::ExitedWithCode(0), "^$");                \
    EXPECT_EQ(reportedCode(), code);                        \
  } while (0)

}  // namespace korvane::testing_files
