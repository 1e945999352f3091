#include "runtime/lib/file_paths.h"

namespace korvane {

void toSystemPathInPlace(std::span<char> path) {
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
}

std::string toSystemPath(std::string_view path) {
  std::string out(path);
  toSystemPathInPlace(out);
  return out;
}

}  // namespace korvane
