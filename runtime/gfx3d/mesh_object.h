// The in-memory 3D object: its colour table, per-vertex texture coordinates and key frames, each
// frame holding packed vertices (the file's form) and the vertex records drawing uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace korvane {

// A colour value with this meaning starts a face of an object read from a text file.
inline constexpr uint32_t kFaceMarker = 0xFFFFFFFDu;
// Colour values from here up are markers or "no colour", drawn white.
inline constexpr uint32_t kFirstNoColour = 0xFFFFFFFCu;

// One vertex of a frame as stored: quantised position, table normal, two table vectors for bump
// mapping (0 until they are generated) and the colour table index. 5 bytes in a file.
struct PackedVertex {
  uint8_t x = 0, y = 0, z = 0;
  uint8_t normal = 0;
  uint8_t tangent = 0;
  uint8_t bitangent = 0;
  uint8_t reserved[26] = {};
  uint8_t colour = 0;
  uint8_t padding[3] = {};
};
static_assert(sizeof(PackedVertex) == 36);
static_assert(offsetof(PackedVertex, colour) == 32);

// The record drawing works from: one per packed vertex (binary files) or per face corner and
// face marker (text files).
struct MeshVertex {
  float x = 0, y = 0, z = 0;
  float nx = 0, ny = 0, nz = 0;
  float u = 0, v = 0;
  float unused[3] = {};
  float tangent[3] = {};
  float bitangent[3] = {};
  uint32_t colourValue = 0;  // red + green * 256 + blue * 65536, or a marker
  uint32_t colourIndex = 0;  // in the low byte
  float red = 0, green = 0, blue = 0;
};
static_assert(sizeof(MeshVertex) == 88);

struct ObjectFrame {
  std::vector<PackedVertex> packed;
  // A position decodes per axis as (quantised - offset) * scale.
  float offset[3] = {0, 0, 0};
  float scale[3] = {1, 1, 1};
  std::vector<MeshVertex> vertices;
};

struct MeshObject {
  std::vector<uint32_t> colours;
  // Texture coordinate i belongs to vertex i of every frame.
  std::vector<float> u;
  std::vector<float> v;
  std::vector<ObjectFrame> frames;
  // The frames carry normals of their own (binary files), so none are generated for them.
  bool normalsPresent = false;

  void clear() { *this = MeshObject{}; }
};

// Brings every frame's vertex records into the packed form: per-axis bounds give each frame's
// scale and offset, colours are found in (or added to) the colour table, normals become the
// nearest table entry, and the first frame's texture coordinates become the mesh's u and v
// lists. Clears the normals-present flag. False, with the mesh unchanged, when the object has
// more than 256 distinct colours (markers included), which the one-byte colour index cannot
// address. Throws std::bad_alloc when memory runs out.
bool packFrames(MeshObject& mesh);

// Decodes packed vertex `p` of `frame` into a position.
void decodePosition(const ObjectFrame& frame, const PackedVertex& p, float out[3]);

}  // namespace korvane
