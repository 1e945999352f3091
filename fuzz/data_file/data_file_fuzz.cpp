// Feeds arbitrary bytes to the data-file reader; the file written back from what it read must
// read as the same lines, and every slot must stay within its size.
#include <cstddef>
#include <cstdint>

#include "runtime/lib/byte_source.h"
#include "runtime/lib/data_file_cache.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  korvane::MemorySource source(data, size);
  korvane::DataFileLines lines;
  if (!korvane::parseDataFile(source, lines)) return 0;
  for (const std::string& line : lines.lines) {
    if (korvane::slotText(line).size() > korvane::kDataLineTextBytes) __builtin_trap();
  }
  const std::string written = korvane::dataFileText(lines);
  korvane::MemorySource again(written.data(), written.size());
  korvane::DataFileLines reread;
  if (!korvane::parseDataFile(again, reread) || reread.lines != lines.lines ||
      reread.lastLine != lines.lastLine || reread.beyond != lines.beyond) {
    __builtin_trap();
  }
  return 0;
}
