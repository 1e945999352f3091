// Objects built from code: the mesh that keeps its drawing data (vertex records decoded from the
// packed vertices, a triangle list per frame) and bounding spheres, and the build state a program
// fills vertex by vertex before the object is converted into the packed form.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/gfx3d/mesh_object.h"

namespace korvane {

// Colour values of the markers that start a primitive, as stored (signed -1, -2, -3).
inline constexpr uint32_t kTrianglesMarker = 0xFFFFFFFFu;
inline constexpr uint32_t kStripMarker = 0xFFFFFFFEu;
// kFaceMarker (0xFFFFFFFD) is the third kind: a face read from a text file.

inline bool isMarkerRecord(uint32_t colourValue) { return colourValue >= kFirstNoColour; }

struct BoundingSphere {
  float centre[3] = {0, 0, 0};
  float radius = 0;
};

class MeshObjectX : public MeshObject {
 public:
  virtual ~MeshObjectX() = default;

  // Decodes every frame's packed vertices into its vertex records, and makes each frame's
  // triangle list from the markers: independent triangles after -1, a strip with every second
  // triangle turned round after -2, and for any other kind (faces, or records before the first
  // marker) each vertex after the second with the two before it, none turned round.
  virtual void rebuildDrawingData();

  // Everything, the drawing data and bounds included.
  void clearAll();

  // One per frame, from computeBounds.
  std::vector<BoundingSphere> bounds;
  // Per frame: three record indices a triangle, in drawing order.
  std::vector<std::vector<uint32_t>> triangles;
};

// Packed vertex `index` of `frame` as a record: position decoded, normal, tangent and bitangent
// from the table, colour from the colour table (white past its end), u from the mesh's list and v
// its negation (0 past the lists' end).
MeshVertex decodePackedVertex(const MeshObject& mesh, const ObjectFrame& frame, size_t index);

// A vertex record as the program adds it: normal 0, colour index 0, and the colour's channels
// as floats (white for the marker and no-colour values from 0xFFFFFFFC up).
MeshVertex objectVertexRecord(float x, float y, float z, float u, float v, uint32_t colour);
// A marker record: all fields 0 except the colour value and white.
MeshVertex markerRecord(uint32_t kind);

// Appends a record to a frame that is being built. The first allocation holds 512 records;
// growth keeps to whole steps of 128, at least doubling, so building stays linear.
void appendRecord(std::vector<MeshVertex>& records, const MeshVertex& record);
inline constexpr size_t kFirstRecordCapacity = 512;
inline constexpr size_t kRecordGrowthStep = 128;

// The build of one object, vertex by vertex. A slot is being built between begin() and end();
// outside that, add and newStrip change nothing.
class ObjectBuild {
 public:
  // Starts `mesh` afresh: one empty frame with a -2 marker.
  void begin(MeshObjectX& mesh);
  bool active() const { return mesh_ != nullptr; }
  void addVertex(float x, float y, float z, float u, float v, uint32_t colour);
  void newStrip();
  // Ends the build: an object of more than two records is converted into the packed form and
  // gets normals by `smoothingMode` (0 none, 1 normals, 2 normals and tangents), drawing data
  // and bounds; a smaller one is cleared. False (the mesh cleared) also when the object has more
  // colours than a packed vertex can index. False without an object being built.
  bool end(int smoothingMode);
  // Forgets the object being built without touching it (its slot is being replaced).
  void abandon() { mesh_ = nullptr; }
  const MeshObjectX* mesh() const { return mesh_; }

 private:
  MeshObjectX* mesh_ = nullptr;
};

// What endObject and loading a text object do after the packed form is made: normals by the
// smoothing mode (only while the mesh has none of its own), drawing data and bounds.
void finishMesh(MeshObjectX& mesh, int smoothingMode);

}  // namespace korvane
