// Vertex normals, tangents and bitangents generated from an object's triangles, and the bounding
// sphere of each frame.
#pragma once

#include "runtime/gfx3d/mesh_object_x.h"

namespace korvane {

// Accumulates each triangle's unnormalised normal (so larger triangles weigh more) and its
// tangent and bitangent into the vertices it touches, then stores the nearest table entries in
// the packed vertices and rebuilds the drawing data. With `weldByPosition` vertices of the same
// quantised position share their sums. Normals are skipped while the mesh has normals of its own,
// tangents when the first packed vertex already carries some. Nothing happens without packed
// vertices. True when anything was generated (the drawing data is then rebuilt).
bool generateNormals(MeshObjectX& mesh, bool genNormals, bool genTangents, bool weldByPosition);

// Per frame, over its drawing data's vertex records (markers left out): the mean position as the
// centre and the largest distance from it as the radius.
void computeBounds(MeshObjectX& mesh);

}  // namespace korvane
