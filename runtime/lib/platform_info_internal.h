// Test seam of the platform query: the clock that "TIME" reads.
#pragma once

#include <cstdint>

namespace korvane {

// Replaces the calendar clock (seconds since 1970 UTC); nullptr restores the system's.
void setPlatformTimeSource(int64_t (*source)());

}  // namespace korvane
