// Feeds arbitrary bytes to the text object reader and the conversion into the packed form; an
// object it accepts must index only what it holds.
#include <cstddef>
#include <cstdint>

#include "runtime/gfx3d/normal_table.h"
#include "runtime/gfx3d/object_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  korvane::MemorySource source(data, size);
  korvane::TextObject text;
  if (korvane::readTextObject(text, source) == korvane::ObjectReadResult::ok) {
    for (const korvane::TextFace& face : text.faces) {
      for (const korvane::TextCorner& corner : face.corners) {
        for (const auto& frame : text.frames) {
          if (corner.vertex < 0 || static_cast<size_t>(corner.vertex) >= frame.size()) {
            __builtin_trap();
          }
        }
        if (!text.u.empty() && static_cast<size_t>(corner.texture) >= text.u.size()) {
          __builtin_trap();
        }
      }
    }
  }
  korvane::MeshObject mesh;
  if (korvane::parseObjectFile(mesh, source, true) != korvane::ObjectReadResult::ok) return 0;
  for (const korvane::ObjectFrame& frame : mesh.frames) {
    if (frame.vertices.size() != frame.packed.size()) __builtin_trap();
    for (const korvane::PackedVertex& p : frame.packed) {
      if (p.colour >= mesh.colours.size() || mesh.colours.size() > 256) __builtin_trap();
      if (p.normal >= korvane::kNormalTableSize) __builtin_trap();
    }
  }
  return 0;
}
