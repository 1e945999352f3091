// A death-test fixture with a private TMPDIR, the folder of the error log, and the reader of the
// report a stop leaves there.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace korvane::testing {

// The error code line of the first report in an error log; "" when the log holds none. Notices
// (the software-renderer warning, say) may come before it.
std::string reportedCode(const std::string& log);

// The threadsafe death test re-runs SetUp in the child, so the folder is named after the run
// (picked by the parent and inherited through the environment) and the test, never the pid.
// Two build trees running the same suite at once therefore never share a folder.
class PrivateTmpDirTest : public ::testing::Test {
 protected:
  // TMPDIR is `subfolder` of the test's folder dir_ when given, dir_ itself otherwise.
  explicit PrivateTmpDirTest(std::string prefix, std::string subfolder = "");

  void SetUp() override;
  void TearDown() override;

  // The folder TMPDIR names.
  std::filesystem::path tmpDir() const { return subfolder_.empty() ? dir_ : dir_ / subfolder_; }
  std::filesystem::path logPath() const { return tmpDir() / "ErrorLog.txt"; }
  // The error log's whole content; empty when there is none.
  std::string log() const;
  std::string reportedCode() const { return testing::reportedCode(log()); }

  std::filesystem::path dir_;

 private:
  std::string prefix_;
  std::string subfolder_;
};

// A TMPDIR of this process alone, for suites that are no death tests (a display made once for
// the whole suite, say); removed again with the object.
class ProcessTmpDir {
 public:
  explicit ProcessTmpDir(const std::string& prefix);
  ~ProcessTmpDir();
  ProcessTmpDir(const ProcessTmpDir&) = delete;
  ProcessTmpDir& operator=(const ProcessTmpDir&) = delete;

  const std::filesystem::path& path() const { return dir_; }
  std::filesystem::path logPath() const { return dir_ / "ErrorLog.txt"; }
  std::string log() const;

 private:
  std::filesystem::path dir_;
};

}  // namespace korvane::testing
