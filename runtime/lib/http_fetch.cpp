// The HTTP fetch: one blocking GET on a stream of its own, the body streamed into a spare file
// that replaces the target only once the server has closed the connection normally.
#include "runtime/lib/http_fetch.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/lib/file_paths.h"
#include "runtime/lib/http_fetch_internal.h"
#include "runtime/platform/files.h"
#include "runtime/platform/stream_socket.h"
#include "runtime/values/conversions.h"

namespace korvane {

namespace {

namespace platform = korvane::platform;

// The request around its two fields: the path goes after the first piece, the host after the
// second. No space follows "Host:".
constexpr std::string_view kRequestPieces[] = {
    "GET ",
    " HTTP/1.0\r\nHost:",
    "\r\nAccept: */*\r\nUser-Agent: Korvane game\r\n\r\n",
};
static_assert(std::size(kRequestPieces) == 3);

constexpr uint8_t kLineFeed = '\n';
constexpr uint8_t kCarriageReturn = '\r';
constexpr int kLineFeedsEndingHeader = 2;

std::string_view upToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

// The host names a machine, and may carry a ":port" the lookup does not take; the port
// argument is the one connected to.
std::string lookupName(std::string_view host) {
  return std::string(host.substr(0, host.find(':')));
}

// The port as the program gives it: truncated toward zero, then its low 16 bits.
uint16_t portNumber(double port) {
  return static_cast<uint16_t>(static_cast<uint64_t>(truncateToInt64(port)) & 0xFFFF);
}

class Stream {
 public:
  Stream() = default;
  ~Stream() { platform::closeStream(handle_); }
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;
  platform::StreamHandle& handle() { return handle_; }

 private:
  platform::StreamHandle handle_ = platform::kNoStream;
};

}  // namespace

std::string httpRequest(std::string_view host, std::string_view path) {
  std::string request;
  request += kRequestPieces[0];
  request += upToNul(path);
  request += kRequestPieces[1];
  request += upToNul(host);
  request += kRequestPieces[2];
  return request;
}

size_t scanHttpHeader(HttpHeaderScan& scan, const uint8_t* bytes, size_t size) {
  if (scan.ended) return 0;
  for (size_t i = 0; i < size; ++i) {
    if (bytes[i] == kCarriageReturn) continue;
    if (bytes[i] != kLineFeed) {
      scan.lineFeeds = 0;
      continue;
    }
    if (++scan.lineFeeds == kLineFeedsEndingHeader) {
      scan.ended = true;
      return i + 1;
    }
  }
  return size;
}

double httpGetToFileWithin(const RtString& host, const RtString& path, double port,
                           const RtString& targetFile, const HttpLimits& limits) {
  const std::string_view hostText = textOf(host);
  uint32_t address = 0;
  if (platform::resolveHostName(lookupName(hostText), address) != platform::StreamResult::kOk) {
    return 0.0;
  }
  Stream stream;
  if (platform::connectStream(address, portNumber(port), limits.connectMs, stream.handle()) !=
      platform::StreamResult::kOk) {
    return 0.0;
  }

  // A target that cannot be made still gets its request sent (a GET may be what the program
  // wants the server to see), but the fetch cannot succeed.
  platform::FileReplacement target;
  const bool targetOpen = target.begin(toSystemPath(textOf(targetFile)));

  const std::string request = httpRequest(hostText, textOf(path));
  if (platform::sendAll(stream.handle(), request.data(), request.size(), limits.stallMs) !=
      platform::StreamResult::kOk) {
    return 0.0;
  }

  HttpHeaderScan scan;
  uint8_t buffer[kHttpReadSize];
  // Body bytes gather here, so the file gets a few large writes rather than one per read.
  std::vector<uint8_t> pending;
  pending.reserve(kHttpWriteSize);
  for (;;) {
    size_t received = 0;
    const platform::StreamResult result =
        platform::receiveWithin(stream.handle(), buffer, sizeof buffer, limits.stallMs, received);
    if (result == platform::StreamResult::kEnded) break;
    // Reset, stalled or failed: the old target stays, the spare file goes with `target`.
    if (result != platform::StreamResult::kOk) return 0.0;
    const size_t header = scanHttpHeader(scan, buffer, received);
    if (!targetOpen || header == received) continue;
    pending.insert(pending.end(), buffer + header, buffer + received);
    if (pending.size() + kHttpReadSize > kHttpWriteSize) {
      if (!target.write(pending.data(), pending.size())) return 0.0;
      pending.clear();
    }
  }
  if (!targetOpen || !target.write(pending.data(), pending.size())) return 0.0;
  return target.commit() ? 1.0 : 0.0;
}

double httpGetToFile(const RtString& host, const RtString& path, double port,
                     const RtString& targetFile) {
  return httpGetToFileWithin(host, path, port, targetFile, HttpLimits{});
}

}  // namespace korvane
