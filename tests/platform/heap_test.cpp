// The heap setting that keeps a software GL driver's per-frame memory in the process: measured
// by the page faults of a frame's worth of blocks, in child processes since it is process-wide.
#include "runtime/platform/heap.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <array>
#include <cstdio>
#include <cstdlib>

#include "runtime/platform/process.h"

namespace korvane::platform {
namespace {

// What the driver does in each frame: about 120 blocks of 64 KiB, written, then all freed.
constexpr std::size_t kBlockBytes = 64 * 1024 + 16;
constexpr int kBlocks = 128;
constexpr std::size_t kPageBytes = 4096;
constexpr long kPagesTouched = kBlocks * static_cast<long>(kBlockBytes / kPageBytes + 1);

long minorFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

void frameOfBlocks() {
  std::array<volatile char*, kBlocks> blocks{};
  for (volatile char*& block : blocks) {
    block = static_cast<volatile char*>(std::malloc(kBlockBytes));
    for (std::size_t i = 0; i < kBlockBytes; i += kPageBytes) block[i] = 1;
  }
  for (volatile char* block : blocks) std::free(const_cast<char*>(block));
}

// The first frame may have to grow the heap; the second shows whether the first's pages stayed.
[[noreturn]] void exitWithSecondFrameFaults(bool keepTop) {
  if (keepTop && !keepFreedHeapTop()) exitProcess(2);
  frameOfBlocks();
  const long before = minorFaults();
  frameOfBlocks();
  const long faults = minorFaults() - before;
  std::fprintf(stderr, "faults %ld of %ld pages\n", faults, kPagesTouched);
  const bool most = faults > kPagesTouched / 2;
  const bool few = faults < kPagesTouched / 8;
  exitProcess(keepTop ? (few ? 0 : 1) : (most ? 0 : 1));
}

TEST(HeapDeathTest, AFrameOfFreedBlocksStaysInTheProcessOnlyWithTheSetting) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
#if !defined(__GLIBC__)
  GTEST_SKIP() << "the setting exists only for glibc's allocator";
#endif
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP()
      << "AddressSanitizer's allocator replaces glibc's, so the setting has nothing to act on";
#endif
  // Without it the C library trims the freed top of the heap and every frame faults again.
  EXPECT_EXIT(exitWithSecondFrameFaults(false), testing::ExitedWithCode(0), "faults");
  EXPECT_EXIT(exitWithSecondFrameFaults(true), testing::ExitedWithCode(0), "faults");
}

}  // namespace
}  // namespace korvane::platform
