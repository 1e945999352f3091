// The 8 numbered file channels: typed binary reads and writes, and line-oriented text.
// A channel number outside 0..7 stops the program with code 7; a short read or write, or a
// transfer on a closed channel, stops it with code 3.
#pragma once

#include <cstdint>

#include "runtime/core/stop/error_codes.h"
#include "runtime/platform/files.h"
#include "runtime/values/rt_string.h"

namespace korvane {

inline constexpr int kFileChannelCount = 8;
inline constexpr int kLineChunkBytes = 64;  // readLine reads this much at a time
inline constexpr int kMaxLineBytes = 1024;  // a longer line continues as the next one

struct FileChannel {
  platform::FileHandle handle = platform::kNoFileHandle;
  int64_t size = 0;          // size when opened for reading; 0 when opened for writing
  int64_t readPosition = 0;  // bytes consumed by reads since opening
};

// The channel table entry for `channel` (truncated toward zero); stops with code 7 when it is
// outside 0..7.
FileChannel& fileChannel(double channel);

// Mode 0 creates or truncates the file for reading and writing; any other mode opens an
// existing regular file for reading, exclusively. A file open on the channel is closed first.
// 1.0 when the file opened, else 0.0 (the channel is then closed).
double openFile(double channel, const RtString& path, double mode);
double closeFile(double channel);  // always 0
double isEndOfFile(double channel);

double readByte(double channel);    // 0..255
double readWord(double channel);    // little-endian, 0..65535
double readLong(double channel);    // little-endian, 0..4294967295
double readDouble(double channel);  // IEEE 754, little-endian
// `count` bytes as they are, cut at the first NUL; a count of 0 or less reads nothing.
RtString readBytesAsText(double channel, double count);
// The next line without its LF or CR LF; see kMaxLineBytes. At the end of the file: stop 3.
RtString readLine(double channel);
// The next line read as a number (leading blanks, then the longest decimal prefix; 0 if none).
double readLineAsNumber(double channel);

// Value truncated toward zero to 16 bits (0 when outside -32768..32767); its low byte.
void writeByte(double channel, double value);
// Value truncated toward zero through 64 bits; the low 16 or 32 bits, little-endian.
void writeWord(double channel, double value);
void writeLong(double channel, double value);
void writeDouble(double channel, double value);
void writeText(double channel, const RtString& text);  // no terminator
void writeLine(double channel, const RtString& text);  // followed by CR LF
// The number's text (10 significant digits) followed by CR LF.
void writeNumberLine(double channel, double value);

}  // namespace korvane
