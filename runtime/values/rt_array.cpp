// The out-of-line stops of the array checks, kept cold so the inline check stays small.
#include "runtime/values/rt_array.h"

#include "runtime/core/stop/error_stop.h"

namespace korvane::array_detail {

[[gnu::cold]] void stopIndexOutOfRange() { stopWithError(kIndexOutOfRange); }

[[gnu::cold]] void stopStorageFailure() { stopWithError(kStorageNotAllocated); }

}  // namespace korvane::array_detail
