#include "runtime/lib/data_file_cache.h"

#include <algorithm>
#include <cstring>

#include "runtime/core/stop/error_codes.h"
#include "runtime/core/stop/error_stop.h"
#include "runtime/lib/document_file_internal.h"
#include "runtime/values/number_text.h"

namespace korvane {

namespace {

// A line index outside the file's 256 slots shares the channel-number code.
constexpr double kLineIndexErrorCode = kChannelErrorCode;

bool isLineEnd(char c) { return c == '\0' || c == '\r' || c == '\n'; }

// Bytes 1..31 only: a line of tabs or carriage returns holds no data, but a byte of 128 and
// above is a letter of the code page.
bool onlyControlBytes(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 32) return false;
  }
  return true;
}

// Truncation toward zero, with NaN and everything beyond the slots outside.
bool slotIndex(double index, int32_t& slot) {
  if (!(index > -1.0 && index < static_cast<double>(kDataFileLineCount))) return false;
  slot = static_cast<int32_t>(index);
  return true;
}

}  // namespace

bool parseDataFile(const ByteSource& source, DataFileLines& out) {
  out = DataFileLines{};
  if (source.size() > kMaxDocumentBytes) return false;
  std::string bytes(static_cast<size_t>(source.size()), '\0');
  if (!source.readAt(0, bytes.data(), bytes.size())) return false;
  const std::string_view text(bytes);
  size_t at = 0;
  int32_t count = 0;
  while (at < text.size() && count < kDataFileLineCount) {
    size_t end = text.find('\n', at);
    const size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    size_t length = end - at;
    if (end < text.size() && length > 0 && text[end - 1] == '\r') --length;
    out.lines[static_cast<size_t>(count)].assign(text.substr(at, length));
    ++count;
    at = next;
  }
  out.lastLine = count > 0 ? count - 1 : 0;
  out.beyond.assign(text.substr(at));
  return true;
}

std::string dataFileText(const DataFileLines& file) {
  size_t size = file.beyond.size();
  for (int32_t i = 0; i <= file.lastLine; ++i)
    size += file.lines[static_cast<size_t>(i)].size() + 2;
  std::string text;
  text.reserve(size);
  for (int32_t i = 0; i <= file.lastLine; ++i) {
    text += file.lines[static_cast<size_t>(i)];
    text += "\r\n";
  }
  text += file.beyond;
  return text;
}

std::string_view slotText(const std::string& line) {
  const size_t shown = std::min(std::strlen(line.c_str()), kDataLineTextBytes);
  return std::string_view(line.data(), shown);
}

DataFileCache::Load DataFileCache::load(std::string_view path) {
  if (path == path_) return Load::kCached;
  if (dirty_ && !path_.empty()) flush();
  file_ = DataFileLines{};
  dirty_ = false;
  path_.assign(path);
  writePath_ = documentWritePath(path);
  writable_ = true;

  std::string bytes;
  const DocumentRead read = readDocument(path, bytes);
  if (read == DocumentRead::kRead) {
    MemorySource source(bytes.data(), bytes.size());
    if (parseDataFile(source, file_)) return Load::kLoaded;
  }
  // A missing file is an empty one that the next write-back creates; anything else that could
  // not be read stays as it is on the disk.
  writable_ = read == DocumentRead::kMissing;
  file_ = DataFileLines{};
  setErrorCode(kTransferErrorCode);
  return Load::kFailed;
}

void DataFileCache::setLine(int32_t index, std::string_view text) {
  size_t length = 0;
  while (length < text.size() && length < kDataLineTextBytes && !isLineEnd(text[length])) {
    ++length;
  }
  file_.lines[static_cast<size_t>(index)].assign(text.substr(0, length));
  if (file_.lastLine < index) file_.lastLine = index;
  dirty_ = true;
}

void DataFileCache::flush() {
  if (!dirty_ || path_.empty()) return;
  if (!writable_ || !writeDocument(writePath_, dataFileText(file_))) {
    setErrorCode(kTransferErrorCode);
    return;
  }
  dirty_ = false;
}

DataFileCache& dataFileCache() {
  static DataFileCache cache;
  return cache;
}

RtString readDataLine(const RtString& path, double index) {
  DataFileCache& cache = dataFileCache();
  if (cache.load(viewOf(path)) == DataFileCache::Load::kFailed) return RtString(kNoFileMarker);
  int32_t slot = 0;
  if (!slotIndex(index, slot)) {
    setErrorCode(kLineIndexErrorCode);
    return RtString(kNoDataMarker);
  }
  const std::string_view text = cache.line(slot);
  if (onlyControlBytes(text)) return RtString(kNoDataMarker);
  return RtString(text);
}

double readDataNumber(const RtString& path, double index) {
  const RtString line = readDataLine(path, index);
  return textToNumber(textOf(line), lengthOf(line));
}

void writeDataLine(const RtString& path, double index, const RtString& text) {
  int32_t slot = 0;
  if (!slotIndex(index, slot)) {
    setErrorCode(kLineIndexErrorCode);
    return;
  }
  DataFileCache& cache = dataFileCache();
  cache.load(viewOf(path));
  cache.setLine(slot, viewOf(text));
}

void writeDataNumber(const RtString& path, double index, double value) {
  writeDataLine(path, index, numberToText(value));
}

void flushDataFile() { dataFileCache().flush(); }

}  // namespace korvane
