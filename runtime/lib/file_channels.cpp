#include "runtime/lib/file_channels.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "runtime/core/stop/error_stop.h"
#include "runtime/lib/file_paths.h"
#include "runtime/values/conversions.h"
#include "runtime/values/number_text.h"

namespace korvane {

namespace {

std::array<FileChannel, kFileChannelCount>& channelTable() {
  static std::array<FileChannel, kFileChannelCount> table;
  return table;
}

FileChannel& openChannel(double channel) {
  FileChannel& c = fileChannel(channel);
  if (c.handle == platform::kNoFileHandle) stopWithError(kTransferErrorCode);
  return c;
}

// Counts the bytes asked for before reading, whether or not they then arrive.
void readExactly(double channel, void* buffer, size_t count) {
  FileChannel& c = openChannel(channel);
  c.readPosition += static_cast<int64_t>(count);
  if (platform::readFully(c.handle, buffer, count) != static_cast<int64_t>(count)) {
    stopWithError(kTransferErrorCode);
  }
}

void writeExactly(double channel, const void* buffer, size_t count) {
  FileChannel& c = openChannel(channel);
  if (platform::writeFully(c.handle, buffer, count) != static_cast<int64_t>(count)) {
    stopWithError(kTransferErrorCode);
  }
}

uint64_t readLittleEndian(double channel, size_t bytes) {
  uint8_t raw[8] = {};
  readExactly(channel, raw, bytes);
  uint64_t value = 0;
  for (size_t i = 0; i < bytes; ++i) value |= static_cast<uint64_t>(raw[i]) << (8 * i);
  return value;
}

void writeLittleEndian(double channel, uint64_t value, size_t bytes) {
  uint8_t raw[8];
  for (size_t i = 0; i < bytes; ++i) raw[i] = static_cast<uint8_t>(value >> (8 * i));
  writeExactly(channel, raw, bytes);
}

}  // namespace

FileChannel& fileChannel(double channel) {
  // Truncation toward zero keeps -0.5 as channel 0 and 7.9 as channel 7; NaN is refused.
  if (!(channel > -1.0 && channel < static_cast<double>(kFileChannelCount))) {
    stopWithError(kChannelErrorCode);
  }
  return channelTable()[static_cast<size_t>(channel)];
}

double openFile(double channel, const RtString& path, double mode) {
  FileChannel& c = fileChannel(channel);
  closeFile(channel);
  const std::string systemPath = toSystemPath(viewOf(path));
  const bool create = truncateToInt64(mode) == 0;
  platform::FileHandle handle = create ? platform::createForReadWrite(systemPath)
                                       : platform::openForReading(systemPath, true);
  if (handle == platform::kNoFileHandle) return 0.0;
  int64_t size = 0;
  if (!create) {
    size = platform::sizeOfOpenFile(handle);
    if (size < 0) {
      platform::closeFile(handle);
      return 0.0;
    }
  }
  c.handle = handle;
  c.size = size;
  c.readPosition = 0;
  return 1.0;
}

double closeFile(double channel) {
  FileChannel& c = fileChannel(channel);
  platform::closeFile(c.handle);
  c = FileChannel{};
  return 0;
}

double isEndOfFile(double channel) {
  const FileChannel& c = fileChannel(channel);
  return c.readPosition >= c.size ? 1.0 : 0.0;
}

double readByte(double channel) { return static_cast<double>(readLittleEndian(channel, 1)); }
double readWord(double channel) { return static_cast<double>(readLittleEndian(channel, 2)); }
double readLong(double channel) { return static_cast<double>(readLittleEndian(channel, 4)); }

double readDouble(double channel) {
  uint64_t bits = readLittleEndian(channel, 8);
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

RtString readBytesAsText(double channel, double count) {
  FileChannel& c = fileChannel(channel);
  const int64_t wanted = truncateToInt64(count);
  if (wanted <= 0) return {};
  if (c.handle == platform::kNoFileHandle) stopWithError(kTransferErrorCode);
  c.readPosition += wanted;
  // Grown piece by piece, so a count far beyond the file never allocates more than is there.
  constexpr int64_t kPiece = 1 << 16;
  std::string text;
  for (int64_t done = 0; done < wanted;) {
    const size_t piece = static_cast<size_t>(std::min(kPiece, wanted - done));
    text.resize(static_cast<size_t>(done) + piece);
    int64_t got = platform::readFully(c.handle, text.data() + done, piece);
    if (got != static_cast<int64_t>(piece)) stopWithError(kTransferErrorCode);
    done += got;
  }
  text.resize(std::strlen(text.c_str()));
  return RtString(std::string_view(text));
}

RtString readLine(double channel) {
  FileChannel& c = openChannel(channel);
  // One spare byte: a short chunk at the very end gets its line feed after the data.
  char line[kMaxLineBytes + 1] = {};
  int total = 0;
  while (total < kMaxLineBytes) {
    const int ask = std::min(kLineChunkBytes, kMaxLineBytes - total);
    const int64_t got = platform::readFully(c.handle, line + total, static_cast<size_t>(ask));
    if (got <= 0) {
      // The file ended on a chunk boundary: what was read is the line. Nothing read: the
      // channel was already at its end.
      if (total == 0) stopWithError(kTransferErrorCode);
      break;
    }
    const int delivered = static_cast<int>(got);
    c.readPosition += delivered;
    const int chunkEnd = total + delivered;
    int scanEnd = chunkEnd;
    if (delivered < ask) line[scanEnd++] = '\n';  // the end of the file ends the line
    char* feed =
        static_cast<char*>(std::memchr(line + total, '\n', static_cast<size_t>(scanEnd - total)));
    if (feed != nullptr) {
      const int at = static_cast<int>(feed - line);
      const int unread = chunkEnd - (at + 1);
      if (unread > 0) {
        platform::seekRelative(c.handle, -unread);
        c.readPosition -= unread;
      }
      line[at] = '\0';
      // A CR LF split over two chunks is still one line end.
      if (at > 0 && line[at - 1] == '\r') line[at - 1] = '\0';
      break;
    }
    total = chunkEnd;
  }
  return RtString(std::string_view(line, std::strlen(line)));
}

double readLineAsNumber(double channel) {
  RtString line = readLine(channel);
  return textToNumber(textOf(line), lengthOf(line));
}

void writeByte(double channel, double value) {
  const int64_t v = truncateToInt64(value);
  const int64_t word = (v >= -32768 && v <= 32767) ? v : 0;
  writeLittleEndian(channel, static_cast<uint64_t>(word), 1);
}

void writeWord(double channel, double value) {
  writeLittleEndian(channel, static_cast<uint64_t>(truncateToInt64(value)), 2);
}

void writeLong(double channel, double value) {
  writeLittleEndian(channel, static_cast<uint64_t>(truncateToInt64(value)), 4);
}

void writeDouble(double channel, double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  writeLittleEndian(channel, bits, 8);
}

void writeText(double channel, const RtString& text) {
  writeExactly(channel, textOf(text), lengthOf(text));
}

void writeLine(double channel, const RtString& text) {
  std::string line(viewOf(text));
  line += "\r\n";
  writeExactly(channel, line.data(), line.size());
}

void writeNumberLine(double channel, double value) {
  char text[kNumberTextCapacity + 2];
  size_t length = writeNumberText(value, text);
  text[length++] = '\r';
  text[length++] = '\n';
  writeExactly(channel, text, length);
}

}  // namespace korvane
