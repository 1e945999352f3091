// A private directory per test (stable across the death-test child) for the file suites: the
// files a test makes sit in dir_, the error log in its tmp folder.
#pragma once

#include <filesystem>
#include <string>

#include "runtime/core/stop/project_settings.h"
#include "tests/support/files.h"
#include "tests/support/private_tmpdir.h"

namespace korvane::testing_files {

class FileFixture : public testing::PrivateTmpDirTest {
 protected:
  FileFixture() : PrivateTmpDirTest("korvane-files-", "tmp") {}
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
};

// Runs `statement` in a child with debug mode on; it must end the program (exit 0) with the
// error code `code` in the report.
#define EXPECT_STOPS_WITH(code, statement)            \
  do {                                                \
    std::filesystem::remove(logPath());               \
    EXPECT_EXIT(                                      \
        {                                             \
          ::korvane::projectSettings().debugMode = 1; \
          statement;                                  \
        },                                            \
        ::testing::ExitedWithCode(0), "^$");          \
    EXPECT_EQ(reportedCode(), code);                  \
  } while (0)

}  // namespace korvane::testing_files
