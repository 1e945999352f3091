#include "tests/support/private_tmpdir.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <utility>

#include "tests/support/files.h"

namespace korvane::testing {

namespace {
constexpr const char* kRunVariable = "KORVANE_TEST_RUN";
}

std::string reportedCode(const std::string& log) {
  const std::string head = "-End On Line\r\n";
  const size_t at = log.find(head);
  if (at == std::string::npos) return "";
  const size_t start = at + head.size();
  return log.substr(start, log.find('\r', start) - start);
}

PrivateTmpDirTest::PrivateTmpDirTest(std::string prefix, std::string subfolder)
    : prefix_(std::move(prefix)), subfolder_(std::move(subfolder)) {}

void PrivateTmpDirTest::SetUp() {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  if (std::getenv(kRunVariable) == nullptr) {
    setenv(kRunVariable, std::to_string(getpid()).c_str(), 1);
  }
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  // Parameterised names hold a '/'.
  std::string name =
      prefix_ + std::getenv(kRunVariable) + "-" + info->test_suite_name() + "-" + info->name();
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  dir_ = std::filesystem::path("/tmp") / name;
  if (!::testing::internal::InDeathTestChild()) std::filesystem::remove_all(dir_);
  std::filesystem::create_directories(tmpDir());
  setenv("TMPDIR", tmpDir().c_str(), 1);
}

void PrivateTmpDirTest::TearDown() {
  if (!::testing::internal::InDeathTestChild()) std::filesystem::remove_all(dir_);
}

std::string PrivateTmpDirTest::log() const { return readFile(logPath()); }

ProcessTmpDir::ProcessTmpDir(const std::string& prefix)
    : dir_(std::filesystem::path("/tmp") / (prefix + std::to_string(getpid()))) {
  std::filesystem::remove_all(dir_);
  std::filesystem::create_directories(dir_);
  setenv("TMPDIR", dir_.c_str(), 1);
}

ProcessTmpDir::~ProcessTmpDir() { std::filesystem::remove_all(dir_); }

std::string ProcessTmpDir::log() const { return readFile(logPath()); }

}  // namespace korvane::testing
