// The pieces of the HTTP fetch that tests, the fuzz target and the benchmark reach directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/values/rt_string.h"

namespace korvane {

inline constexpr size_t kHttpReadSize = 4095;          // bytes asked for by each read
inline constexpr size_t kHttpWriteSize = 64 * 1024;    // body bytes gathered per file write
inline constexpr int kHttpConnectLimitMs = 30 * 1000;  // a connect that hangs this long fails
inline constexpr int kHttpStallLimitMs = 30 * 1000;    // a reply silent this long is broken

// The request, byte for byte: the path and the host go in as they are, up to any NUL.
std::string httpRequest(std::string_view host, std::string_view path);

// Where the reply's header stands: the line feeds seen since the last other byte (carriage
// returns do not count either way), and whether the empty line that ends the header has passed.
struct HttpHeaderScan {
  int lineFeeds = 0;
  bool ended = false;
};

// Scans the next `size` bytes of the reply. Returns how many of them belong to the header: up to
// and including the line feed that ends it, all of them while it has not ended, 0 once it has.
// The rest are body bytes.
size_t scanHttpHeader(HttpHeaderScan& scan, const uint8_t* bytes, size_t size);

struct HttpLimits {
  int connectMs = kHttpConnectLimitMs;
  int stallMs = kHttpStallLimitMs;
};

// httpGetToFile with its time limits given.
double httpGetToFileWithin(const RtString& host, const RtString& path, double port,
                           const RtString& targetFile, const HttpLimits& limits);

}  // namespace korvane
