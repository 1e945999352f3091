// Feeds arbitrary bytes to the reply header scanner as one reply, once whole and once cut into
// reads whose sizes the first byte picks: both must leave the same body, and the header must
// end on its second line feed.
#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/lib/http_fetch_internal.h"

namespace {

std::string bodyOf(const uint8_t* reply, size_t size, size_t readSize) {
  korvane::HttpHeaderScan scan;
  std::string body;
  for (size_t at = 0; at < size;) {
    const size_t chunk = readSize < size - at ? readSize : size - at;
    const size_t header = korvane::scanHttpHeader(scan, reply + at, chunk);
    if (header > chunk) __builtin_trap();
    if (header < chunk && !scan.ended) __builtin_trap();
    if (scan.ended && header > 0 && reply[at + header - 1] != '\n') __builtin_trap();
    body.append(reinterpret_cast<const char*>(reply) + at + header, chunk - header);
    at += chunk;
  }
  return body;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t readSize = data[0] % 17 + 1;
  const uint8_t* reply = data + 1;
  const size_t replySize = size - 1;
  if (bodyOf(reply, replySize, replySize + 1) != bodyOf(reply, replySize, readSize)) {
    __builtin_trap();
  }
  return 0;
}
