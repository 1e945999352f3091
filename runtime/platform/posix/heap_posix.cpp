// The heap settings over glibc's mallopt; other C libraries keep their defaults.
#include <cstddef>

#include "runtime/platform/heap.h"

#if defined(__GLIBC__) && __has_include(<malloc.h>)
#include <malloc.h>
#endif

namespace korvane::platform {

namespace {
constexpr std::size_t kMebibyte = 1024 * 1024;
// Freed memory at the top of the heap stays in the process until it exceeds this. Well above the
// few MiB a frame's rasterising needs at usual window sizes, so the frame loop never trims.
constexpr std::size_t kTrimThreshold = 64 * kMebibyte;
// Extra asked of the system whenever the heap grows, and kept when the heap is trimmed: a large
// frame grows the heap once rather than in many small steps.
constexpr std::size_t kTopPad = 32 * kMebibyte;
}  // namespace

bool keepFreedHeapTop() {
#if defined(M_TRIM_THRESHOLD) && defined(M_TOP_PAD)
  // Either setting also stops glibc from raising the mmap threshold by itself: it stays where it
  // is (128 KiB by default), so big blocks such as decoded images go back to the system when
  // freed. No per-frame allocation is that large.
  const bool trim = mallopt(M_TRIM_THRESHOLD, static_cast<int>(kTrimThreshold)) == 1;
  const bool pad = mallopt(M_TOP_PAD, static_cast<int>(kTopPad)) == 1;
  return trim && pad;
#else
  return false;
#endif
}

}  // namespace korvane::platform
