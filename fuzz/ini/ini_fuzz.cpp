// Feeds arbitrary bytes to the INI reader; whatever it makes of them must be written in a form
// that reads back as the same document.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "runtime/lib/ini_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string written = korvane::iniText(korvane::parseIni(text));
  if (korvane::iniText(korvane::parseIni(written)) != written) __builtin_trap();
  return 0;
}
