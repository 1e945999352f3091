// The conversion of vertex records into the packed frame form.
#include "runtime/gfx3d/mesh_object.h"

#include <cmath>

#include "runtime/gfx3d/normal_table.h"

namespace korvane {
namespace {

constexpr float kQuantisedMax = 255.0f;
constexpr float kShortestNormalSquared = 1e-7f;
constexpr size_t kMaxColourIndices = 256;

bool isMarker(const MeshVertex& r) { return r.colourValue >= kFirstNoColour; }

uint8_t quantise(float coordinate, float scale, float offset) {
  const float q = coordinate / scale + offset;
  if (!(q >= 0.0f)) return 0;  // rounding below the smallest value, and NaN
  if (q >= kQuantisedMax) return 255;
  return static_cast<uint8_t>(q);
}

// Scale and offset of one frame, so that its smallest coordinate on each axis packs to 0 and
// its largest to 255.
void frameBounds(ObjectFrame& frame) {
  for (int axis = 0; axis < 3; ++axis) {
    bool any = false;
    float low = 0, high = 0;
    for (const MeshVertex& r : frame.vertices) {
      if (isMarker(r)) continue;
      const float c = axis == 0 ? r.x : axis == 1 ? r.y : r.z;
      if (!any) {
        low = high = c;
        any = true;
      } else {
        if (c < low) low = c;
        if (c > high) high = c;
      }
    }
    // Nothing but markers: they pack to nothing, so any scale serves.
    if (!any) {
      frame.scale[axis] = 1.0f;
      frame.offset[axis] = 0.0f;
      continue;
    }
    float scale = (high - low) / kQuantisedMax;
    if (scale == 0.0f) scale = 1.0f;
    float offset = -low / scale;
    // Extents too small or too large for a float to divide by: one unit per step instead.
    if (!std::isfinite(scale) || !std::isfinite(offset)) {
      scale = 1.0f;
      offset = -low;
    }
    frame.scale[axis] = scale;
    frame.offset[axis] = offset;
  }
}

}  // namespace

void decodePosition(const ObjectFrame& frame, const PackedVertex& p, float out[3]) {
  out[0] = (p.x - frame.offset[0]) * frame.scale[0];
  out[1] = (p.y - frame.offset[1]) * frame.scale[1];
  out[2] = (p.z - frame.offset[2]) * frame.scale[2];
}

bool packFrames(MeshObject& mesh) {
  // The colour table first, so that an object the index cannot address is left as it was.
  std::vector<uint32_t> colours = mesh.colours;
  auto indexOf = [&colours](uint32_t value) -> size_t {
    for (size_t i = 0; i < colours.size(); ++i) {
      if (colours[i] == value) return i;
    }
    colours.push_back(value);
    return colours.size() - 1;
  };
  std::vector<std::vector<uint8_t>> colourIndices(mesh.frames.size());
  for (size_t f = 0; f < mesh.frames.size(); ++f) {
    colourIndices[f].reserve(mesh.frames[f].vertices.size());
    uint32_t lastValue = 0;
    size_t lastIndex = SIZE_MAX;
    for (const MeshVertex& r : mesh.frames[f].vertices) {
      if (lastIndex == SIZE_MAX || r.colourValue != lastValue) {
        lastIndex = indexOf(r.colourValue);
        lastValue = r.colourValue;
      }
      if (colours.size() > kMaxColourIndices) return false;
      colourIndices[f].push_back(static_cast<uint8_t>(lastIndex));
    }
  }

  mesh.colours = std::move(colours);
  mesh.u.clear();
  mesh.v.clear();
  for (size_t f = 0; f < mesh.frames.size(); ++f) {
    ObjectFrame& frame = mesh.frames[f];
    frameBounds(frame);
    frame.packed.clear();
    frame.packed.reserve(frame.vertices.size());
    for (size_t i = 0; i < frame.vertices.size(); ++i) {
      MeshVertex& r = frame.vertices[i];
      PackedVertex& p = frame.packed.emplace_back();
      p.colour = colourIndices[f][i];
      if (!isMarker(r)) {
        const float lengthSquared = r.nx * r.nx + r.ny * r.ny + r.nz * r.nz;
        if (lengthSquared > kShortestNormalSquared) {
          const float length = std::sqrt(lengthSquared);
          r.nx /= length;
          r.ny /= length;
          r.nz /= length;
        }
        p.normal = nearestNormalIndex(r.nx, r.ny, r.nz);
        p.x = quantise(r.x, frame.scale[0], frame.offset[0]);
        p.y = quantise(r.y, frame.scale[1], frame.offset[1]);
        p.z = quantise(r.z, frame.scale[2], frame.offset[2]);
      }
      if (f == 0) {
        mesh.u.push_back(r.u);
        mesh.v.push_back(r.v);
      }
    }
  }
  mesh.normalsPresent = false;
  return true;
}

}  // namespace korvane
