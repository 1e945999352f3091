// Feeds arbitrary bytes behind the binary magic to the object reader; an object it accepts must
// index only what it holds.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "runtime/gfx3d/normal_table.h"
#include "runtime/gfx3d/object_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(4 + size);
  const uint32_t magic = korvane::kObjectFileMagic;
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(magic >> (8 * i));
  if (size > 0) std::memcpy(bytes.data() + 4, data, size);
  korvane::MemorySource source(bytes.data(), bytes.size());
  korvane::MeshObject mesh;
  if (korvane::parseObjectFile(mesh, source, true) != korvane::ObjectReadResult::ok) return 0;
  for (const korvane::ObjectFrame& frame : mesh.frames) {
    if (frame.vertices.size() != frame.packed.size()) __builtin_trap();
    for (const korvane::PackedVertex& p : frame.packed) {
      if (p.colour >= mesh.colours.size()) __builtin_trap();
      const bool marker = mesh.colours[p.colour] >= korvane::kFirstNoColour;
      if (!marker && p.normal >= korvane::kNormalTableSize) __builtin_trap();
    }
  }
  // What was read writes back to the same bytes.
  const std::string written = korvane::encodeObjectFile(mesh);
  if (written.size() > bytes.size()) __builtin_trap();
  return 0;
}
