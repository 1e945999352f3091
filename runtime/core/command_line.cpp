#include "runtime/core/command_line.h"

namespace korvane {

std::string joinArguments(int argc, const char* const* argv) {
  std::string joined;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) joined += ' ';
    joined += argv[i];
  }
  return joined;
}

std::string_view argumentPart(std::string_view line) {
  auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
  size_t at = 0;
  while (at < line.size() && isBlank(line[at])) ++at;
  if (at < line.size() && line[at] == '"') {
    size_t close = line.find('"', at + 1);
    at = close == std::string_view::npos ? line.size() : close + 1;
  } else {
    while (at < line.size() && !isBlank(line[at])) ++at;
  }
  while (at < line.size() && isBlank(line[at])) ++at;
  return line.substr(at);
}

}  // namespace korvane
