// Shared by the value suites: a death-test fixture whose child writes the debug-mode report
// into a private temporary directory, and an allocator that fails on request.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "runtime/core/stop/error_stop.h"
#include "runtime/core/stop/project_settings.h"
#include "runtime/values/value_allocator.h"
#include "tests/support/private_tmpdir.h"

namespace korvane::testing_support {

// reportedCode() is the error code of the report the child wrote.
class ValueStopDeathTest : public testing::PrivateTmpDirTest {
 protected:
  ValueStopDeathTest() : PrivateTmpDirTest("korvane-values-") {}
  void SetUp() override {
    PrivateTmpDirTest::SetUp();
    projectSettings().debugMode = 1;
  }
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
