#include "runtime/lib/file_paths.h"

namespace korvane {

std::string toSystemPath(std::string_view path) {
  std::string out(path);
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

}  // namespace korvane
