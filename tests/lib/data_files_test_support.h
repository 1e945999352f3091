// The data file cache and the INI document are process-wide: each test starts from a clean
// error state and leaves nothing changed behind, so no write-back lands in another test's folder.
#pragma once

#include <filesystem>
#include <string>

#include "runtime/core/stop/error_stop.h"
#include "runtime/lib/data_file_cache.h"
#include "runtime/lib/ini_document.h"
#include "tests/lib/file_test_support.h"

namespace korvane::testing_files {

class DocumentFixture : public FileFixture {
 protected:
  void SetUp() override {
    FileFixture::SetUp();
    runtimeError() = RuntimeError{};
  }
  void TearDown() override {
    flushDataFile();
    saveIni();
    // A path of nothing: the next test's first call loads afresh.
    dataFileCache().load("");
    iniDocument().open("");
    runtimeError() = RuntimeError{};
    FileFixture::TearDown();
  }
  double errorCode() const { return runtimeError().errorCode; }
  RtString rt(const std::string& text) const { return RtString(std::string_view(text)); }
};

}  // namespace korvane::testing_files
