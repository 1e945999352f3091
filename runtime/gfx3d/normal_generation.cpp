// Normal, tangent and bitangent generation over the triangle window, and bounding spheres.
#include "runtime/gfx3d/normal_generation.h"

#include <cmath>
#include <unordered_map>

#include "runtime/gfx3d/normal_table.h"

namespace korvane {
namespace {

constexpr float kShortestVectorSquared = 1e-7f;
// A texture-space determinant this small gives no usable tangent component for the triangle.
constexpr float kSmallestTangentDeterminant = 1e-5f;

struct Vec3 {
  float x = 0, y = 0, z = 0;
};
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
void add(Vec3& sum, Vec3 v) {
  sum.x += v.x;
  sum.y += v.y;
  sum.z += v.z;
}

struct UniqueVertex {
  Vec3 normal, tangent, bitangent;
};

struct Corner {
  Vec3 position;
  float u = 0, v = 0;
  uint32_t unique = 0;
};

uint8_t nearestOf(Vec3 sum) {
  const float lengthSquared = sum.x * sum.x + sum.y * sum.y + sum.z * sum.z;
  if (lengthSquared > kShortestVectorSquared) {
    const float length = std::sqrt(lengthSquared);
    sum.x /= length;
    sum.y /= length;
    sum.z /= length;
  }
  return nearestNormalIndex(sum.x, sum.y, sum.z);
}

float axisOf(Vec3 v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }
void setAxis(Vec3& v, int axis, float value) { (axis == 0 ? v.x : axis == 1 ? v.y : v.z) = value; }

void accumulate(std::vector<UniqueVertex>& unique, const Corner (&t)[3], bool turned, bool normals,
                bool tangents) {
  if (normals) {
    Vec3 n = cross(t[2].position - t[1].position, t[1].position - t[0].position);
    if (turned) n = {-n.x, -n.y, -n.z};
    for (const Corner& c : t) add(unique[c.unique].normal, n);
  }
  if (!tangents) return;
  Vec3 tangent, bitangent;
  for (int axis = 0; axis < 3; ++axis) {
    const Vec3 e1 = {axisOf(t[1].position, axis) - axisOf(t[0].position, axis), t[1].u - t[0].u,
                     t[1].v - t[0].v};
    const Vec3 e2 = {axisOf(t[2].position, axis) - axisOf(t[0].position, axis), t[2].u - t[0].u,
                     t[2].v - t[0].v};
    const Vec3 c = cross(e1, e2);
    // A degenerate mapping adds nothing along this axis.
    if (std::fabs(c.x) <= kSmallestTangentDeterminant) continue;
    setAxis(tangent, axis, -c.y / c.x);
    setAxis(bitangent, axis, -c.z / c.x);
  }
  for (const Corner& c : t) {
    add(unique[c.unique].tangent, tangent);
    add(unique[c.unique].bitangent, bitangent);
  }
}

void generateFrame(const MeshObjectX& mesh, ObjectFrame& frame, bool normals, bool tangents,
                   bool weld) {
  const size_t count = frame.packed.size();
  std::vector<UniqueVertex> unique;
  std::vector<uint32_t> uniqueOf(count, UINT32_MAX);
  // Keys are unique, so a map finds what a search from the newest entry backwards would find.
  std::unordered_map<uint32_t, uint32_t> byPosition;
  if (weld) byPosition.reserve(count);
  unique.reserve(weld ? count / 2 : count);

  uint32_t kind = 0;
  Corner window[3];
  int held = 0;
  bool parity = false;
  for (size_t i = 0; i < count; ++i) {
    const MeshVertex r = decodePackedVertex(mesh, frame, i);
    if (isMarkerRecord(r.colourValue)) {
      kind = r.colourValue;
      held = 0;
      parity = false;
      continue;
    }
    const PackedVertex& p = frame.packed[i];
    uint32_t index;
    if (weld) {
      const uint32_t key = uint32_t{p.x} | uint32_t{p.y} << 8 | uint32_t{p.z} << 16;
      const auto [it, added] = byPosition.try_emplace(key, static_cast<uint32_t>(unique.size()));
      if (added) unique.emplace_back();
      index = it->second;
    } else {
      index = static_cast<uint32_t>(unique.size());
      unique.emplace_back();
    }
    uniqueOf[i] = index;
    window[held++] = {{r.x, r.y, r.z}, r.u, r.v, index};
    if (held < 3) continue;
    parity = !parity;
    accumulate(unique, window, kind == kStripMarker && !parity, normals, tangents);
    if (kind == kTrianglesMarker) {
      held = 0;
    } else {
      window[0] = window[1];
      window[1] = window[2];
      held = 2;
    }
  }

  // The table search once per unique vertex: welded corners share its result.
  struct Nearest {
    uint8_t normal, tangent, bitangent;
    bool found = false;
  };
  std::vector<Nearest> nearest(unique.size());
  for (size_t i = 0; i < count; ++i) {
    if (uniqueOf[i] == UINT32_MAX) continue;
    Nearest& n = nearest[uniqueOf[i]];
    if (!n.found) {
      const UniqueVertex& u = unique[uniqueOf[i]];
      n.normal = normals ? nearestOf(u.normal) : 0;
      n.tangent = tangents ? nearestOf(u.tangent) : 0;
      n.bitangent = tangents ? nearestOf(u.bitangent) : 0;
      n.found = true;
    }
    PackedVertex& p = frame.packed[i];
    if (normals) p.normal = n.normal;
    if (tangents) {
      p.tangent = n.tangent;
      p.bitangent = n.bitangent;
    }
  }
}

}  // namespace

bool generateNormals(MeshObjectX& mesh, bool genNormals, bool genTangents, bool weldByPosition) {
  if (mesh.frames.empty() || mesh.frames[0].packed.empty()) return false;
  const bool normals = genNormals && !mesh.normalsPresent;
  const PackedVertex& first = mesh.frames[0].packed[0];
  const bool tangents = genTangents && first.tangent == 0 && first.bitangent == 0;
  if (!normals && !tangents) return false;
  for (ObjectFrame& frame : mesh.frames)
    generateFrame(mesh, frame, normals, tangents, weldByPosition);
  mesh.normalsPresent = true;
  mesh.rebuildDrawingData();
  return true;
}

void computeBounds(MeshObjectX& mesh) {
  mesh.bounds.assign(mesh.frames.size(), BoundingSphere{});
  for (size_t f = 0; f < mesh.frames.size(); ++f) {
    const std::vector<MeshVertex>& records = mesh.frames[f].vertices;
    double sum[3] = {0, 0, 0};
    size_t count = 0;
    for (const MeshVertex& r : records) {
      if (isMarkerRecord(r.colourValue)) continue;
      sum[0] += r.x;
      sum[1] += r.y;
      sum[2] += r.z;
      ++count;
    }
    if (count == 0) continue;
    BoundingSphere& sphere = mesh.bounds[f];
    for (int a = 0; a < 3; ++a) sphere.centre[a] = static_cast<float>(sum[a] / count);
    float largestSquared = 0;
    for (const MeshVertex& r : records) {
      if (isMarkerRecord(r.colourValue)) continue;
      const float dx = r.x - sphere.centre[0], dy = r.y - sphere.centre[1],
                  dz = r.z - sphere.centre[2];
      const float squared = dx * dx + dy * dy + dz * dz;
      if (squared > kShortestVectorSquared && squared > largestSquared) largestSquared = squared;
    }
    sphere.radius = std::fabs(std::sqrt(largestSquared));
  }
}

}  // namespace korvane
