// The line-numbered data file: one file of up to 256 lines kept in memory, read through the
// media resolver, written back whole when it was changed and another file is selected, and at
// the program end. Missing data is answered with the markers, never by stopping.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/lib/byte_source.h"
#include "runtime/values/rt_string.h"

namespace korvane {

inline constexpr int kDataFileLineCount = 256;
// A slot holds this many bytes of a line; a longer line in a file keeps the rest (see below).
inline constexpr size_t kDataLineTextBytes = 1023;
inline constexpr std::string_view kNoDataMarker = "NO_DATA";
inline constexpr std::string_view kNoFileMarker = "NO_FILE";
// Data and INI files above this size are refused as unreadable (and so never written back).
inline constexpr uint64_t kMaxDocumentBytes = 64ull << 20;

// A data file split into its lines. Nothing is dropped: each line keeps all its bytes (a slot
// shows only its first kDataLineTextBytes, up to a NUL), and what follows line 255 is kept
// byte for byte in `beyond`, so writing the file back loses nothing the program did not change.
struct DataFileLines {
  std::array<std::string, kDataFileLineCount> lines;
  int32_t lastLine = 0;  // the highest index that holds data (0 for an empty file)
  std::string beyond;
};

// Splits `source` into lines: a line feed ends a line and a carriage return before it is
// dropped; the end of the file ends a last line that has bytes. False when the source is
// larger than kMaxDocumentBytes or cannot be read (`out` is then empty).
bool parseDataFile(const ByteSource& source, DataFileLines& out);

// Lines 0 to lastLine, each followed by CR LF, then `beyond`.
std::string dataFileText(const DataFileLines& file);

// What a slot shows of a stored line: up to its first NUL, at most kDataLineTextBytes.
std::string_view slotText(const std::string& line);

class DataFileCache {
 public:
  enum class Load { kCached, kLoaded, kFailed };

  // Makes `path` the cached file: the same path (exact bytes) keeps the cache; otherwise a
  // changed file is written back first, then the new one is read. A file that does not exist
  // is an empty file of that path (written at the next write-back); one that exists but cannot
  // be read is never written back. kFailed (error code 3 recorded) when nothing could be read.
  Load load(std::string_view path);

  // The slot `index` (0..255) as the program sees it.
  std::string_view line(int32_t index) const { return slotText(file_.lines[index]); }
  // Stores `text` up to its first line end (a NUL, CR or LF), at most kDataLineTextBytes of it.
  void setLine(int32_t index, std::string_view text);

  // Writes the file back when it changed. Error code 3 recorded when that fails or the file may
  // not be written (it existed but could not be read); the file on disk is then untouched.
  void flush();

  const std::string& path() const { return path_; }
  const std::string& writePath() const { return writePath_; }
  int32_t lastLine() const { return file_.lastLine; }
  bool dirty() const { return dirty_; }

 private:
  std::string path_;       // as the program spelled it: the cache key
  std::string writePath_;  // absolute, fixed at load, so a change of directory cannot move it
  DataFileLines file_;
  bool dirty_ = false;
  bool writable_ = true;
};

// The process's one data file cache.
DataFileCache& dataFileCache();

// Index truncated toward zero. "NO_DATA" for an index outside 0..255 (error code 7 recorded,
// no stop), an empty line or one of control bytes only; "NO_FILE" on the call that failed to
// read the file (error code 3 recorded), "NO_DATA" on later calls for the same path.
RtString readDataLine(const RtString& path, double index);
// textToNumber of readDataLine, so 0 for the markers.
double readDataNumber(const RtString& path, double index);
// An index outside 0..255 records error code 7 and does nothing else. Otherwise the file is
// loaded and the line replaced (see DataFileCache::setLine), extending the file to it.
void writeDataLine(const RtString& path, double index, const RtString& text);
// writeDataLine with numberToText of the value.
void writeDataNumber(const RtString& path, double index, double value);
// Writes the cached file back when it changed (the program end calls it).
void flushDataFile();

}  // namespace korvane
