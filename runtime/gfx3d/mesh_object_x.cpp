// The built object's records, its drawing data and the build state.
#include "runtime/gfx3d/mesh_object_x.h"

#include <new>

#include "runtime/gfx3d/normal_generation.h"
#include "runtime/gfx3d/normal_table.h"

namespace korvane {
namespace {

void setChannels(MeshVertex& r, uint32_t colour) {
  if (colour >= kFirstNoColour) {
    r.red = r.green = r.blue = 1.0f;
    return;
  }
  r.red = (colour & 0xFF) / 255.0f;
  r.green = ((colour >> 8) & 0xFF) / 255.0f;
  r.blue = ((colour >> 16) & 0xFF) / 255.0f;
}

void copyVector(const NormalVector& n, float out[3]) {
  out[0] = n.x;
  out[1] = n.y;
  out[2] = n.z;
}

// The triangle window over a frame's records, as normal generation walks it.
std::vector<uint32_t> triangleList(const std::vector<MeshVertex>& records) {
  std::vector<uint32_t> out;
  out.reserve(records.size() * 3);
  uint32_t kind = 0;
  uint32_t window[3];
  int held = 0;
  bool parity = false;
  for (size_t i = 0; i < records.size(); ++i) {
    const MeshVertex& r = records[i];
    if (isMarkerRecord(r.colourValue)) {
      kind = r.colourValue;
      held = 0;
      parity = false;
      continue;
    }
    window[held++] = static_cast<uint32_t>(i);
    if (held < 3) continue;
    parity = !parity;
    const bool turned = kind == kStripMarker && !parity;
    if (turned) {
      out.insert(out.end(), {window[1], window[0], window[2]});
    } else {
      out.insert(out.end(), {window[0], window[1], window[2]});
    }
    if (kind == kTrianglesMarker) {
      held = 0;
    } else {
      window[0] = window[1];
      window[1] = window[2];
      held = 2;
    }
  }
  return out;
}

}  // namespace

MeshVertex decodePackedVertex(const MeshObject& mesh, const ObjectFrame& frame, size_t index) {
  const PackedVertex& p = frame.packed[index];
  MeshVertex r;
  float position[3];
  decodePosition(frame, p, position);
  r.x = position[0];
  r.y = position[1];
  r.z = position[2];
  const NormalVector& n = normalAt(p.normal);
  r.nx = n.x;
  r.ny = n.y;
  r.nz = n.z;
  copyVector(normalAt(p.tangent), r.tangent);
  copyVector(normalAt(p.bitangent), r.bitangent);
  if (index < mesh.u.size()) r.u = mesh.u[index];
  if (index < mesh.v.size()) r.v = -mesh.v[index];
  r.colourValue = p.colour < mesh.colours.size() ? mesh.colours[p.colour] : kFirstNoColour;
  r.colourIndex = p.colour;
  setChannels(r, r.colourValue);
  return r;
}

void MeshObjectX::rebuildDrawingData() {
  triangles.resize(frames.size());
  for (size_t f = 0; f < frames.size(); ++f) {
    ObjectFrame& frame = frames[f];
    frame.vertices.resize(frame.packed.size());
    for (size_t i = 0; i < frame.packed.size(); ++i) {
      frame.vertices[i] = decodePackedVertex(*this, frame, i);
    }
    triangles[f] = triangleList(frame.vertices);
  }
}

void MeshObjectX::clearAll() {
  clear();
  bounds.clear();
  triangles.clear();
}

MeshVertex objectVertexRecord(float x, float y, float z, float u, float v, uint32_t colour) {
  MeshVertex r;
  r.x = x;
  r.y = y;
  r.z = z;
  r.u = u;
  r.v = v;
  r.colourValue = colour;
  setChannels(r, colour);
  return r;
}

MeshVertex markerRecord(uint32_t kind) {
  MeshVertex r;
  r.colourValue = kind;
  r.red = r.green = r.blue = 1.0f;
  return r;
}

void appendRecord(std::vector<MeshVertex>& records, const MeshVertex& record) {
  const size_t needed = records.size() + 1;
  if (needed > records.capacity()) {
    size_t capacity = kFirstRecordCapacity;
    if (needed > capacity) {
      capacity = kRecordGrowthStep * (needed / kRecordGrowthStep + 1);
      const size_t doubled = 2 * records.capacity();
      if (doubled > capacity) capacity = kRecordGrowthStep * (doubled / kRecordGrowthStep);
    }
    records.reserve(capacity);
  }
  records.push_back(record);
}

void ObjectBuild::begin(MeshObjectX& mesh) {
  mesh.clearAll();
  mesh.frames.emplace_back();
  appendRecord(mesh.frames[0].vertices, markerRecord(kStripMarker));
  mesh_ = &mesh;
}

void ObjectBuild::addVertex(float x, float y, float z, float u, float v, uint32_t colour) {
  if (mesh_ == nullptr || mesh_->frames.empty()) return;
  appendRecord(mesh_->frames[0].vertices, objectVertexRecord(x, y, z, u, v, colour));
}

void ObjectBuild::newStrip() {
  if (mesh_ == nullptr || mesh_->frames.empty()) return;
  appendRecord(mesh_->frames[0].vertices, markerRecord(kStripMarker));
}

bool ObjectBuild::end(int smoothingMode) {
  if (mesh_ == nullptr) return false;
  MeshObjectX& mesh = *mesh_;
  mesh_ = nullptr;
  if (mesh.frames.empty() || mesh.frames[0].vertices.size() <= 2) {
    mesh.clearAll();
    return false;
  }
  try {
    if (!packFrames(mesh)) {
      mesh.clearAll();
      return false;
    }
    finishMesh(mesh, smoothingMode);
  } catch (const std::bad_alloc&) {
    mesh.clearAll();
    return false;
  }
  return true;
}

void finishMesh(MeshObjectX& mesh, int smoothingMode) {
  bool rebuilt = false;
  if (!mesh.normalsPresent && smoothingMode == 1) {
    rebuilt = generateNormals(mesh, true, false, false);
  } else if (!mesh.normalsPresent && smoothingMode == 2) {
    rebuilt = generateNormals(mesh, true, true, false);
  }
  if (!rebuilt) mesh.rebuildDrawingData();
  computeBounds(mesh);
}

}  // namespace korvane
