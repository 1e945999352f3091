// Objects built from code without a display: the build commands and their mended edge cases, the
// conversion, normals with the strip parity and welding, tangents, and bounding spheres.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "runtime/gfx3d/normal_generation.h"
#include "runtime/gfx3d/normal_table.h"
#include "runtime/gfx3d/object_renderer.h"
#include "runtime/gfx3d/rainbows3d.h"

namespace korvane {
namespace {

struct V3 {
  double x, y, z;
};

V3 sub(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 crossed(V3 a, V3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 unit(V3 a) {
  const double l = std::sqrt(dot(a, a));
  return {a.x / l, a.y / l, a.z / l};
}
V3 tableVector(int index) {
  const NormalVector& n = kNormalTable[index];
  return {n.x, n.y, n.z};
}

// The vertices (markers left out) of frame 0, decoded.
std::vector<MeshVertex> corners(const MeshObjectX& mesh) {
  std::vector<MeshVertex> out;
  for (const MeshVertex& r : mesh.frames.at(0).vertices) {
    if (!isMarkerRecord(r.colourValue)) out.push_back(r);
  }
  return out;
}

// A renderer without a display: building touches no GL.
class ObjectSlotTest : public ::testing::Test {
 protected:
  Rainbows3D view{nullptr};
  ObjectRenderer objects{view};

  const MeshObjectX& mesh(int slot) { return objects.slot(slot)->meshes.at(0); }
  void triangle(double colour = 0x0000FF) {
    objects.addObjectVertex(0, 0, 0, 0, 0, colour);
    objects.addObjectVertex(1, 0, 0, 1, 0, colour);
    objects.addObjectVertex(0, 1, 0, 0, 1, colour);
  }
};

TEST_F(ObjectSlotTest, CommandsWithoutAnObjectBeingBuiltChangeNothing) {
  objects.addObjectVertex(1, 2, 3, 0, 0, 0xFF);
  objects.newObjectStrip();
  objects.endObject();
  for (int s : {0, 1, kObjectSlotCount - 1}) {
    EXPECT_FALSE(objects.slot(s)->ready);
    EXPECT_TRUE(objects.slot(s)->meshes.empty());
  }
  // After an object is ended, the same commands leave it as it is.
  objects.beginObject(2);
  triangle();
  objects.endObject();
  const std::vector<PackedVertex> packed = mesh(2).frames.at(0).packed;
  const size_t records = mesh(2).frames.at(0).vertices.size();
  objects.addObjectVertex(5, 5, 5, 0, 0, 0xFF);
  objects.newObjectStrip();
  objects.endObject();
  EXPECT_EQ(objects.buildSlot(), kNoBuildSlot);
  EXPECT_EQ(mesh(2).frames.at(0).packed.size(), packed.size());
  EXPECT_EQ(mesh(2).frames.at(0).vertices.size(), records);
}

TEST_F(ObjectSlotTest, SlotsOutsideTheTableAreNeitherBuiltNorWritten) {
  objects.beginObject(3);
  for (double outside : {-1.0, double{kObjectSlotCount}, 1e300, std::nan("")}) {
    objects.beginObject(outside);
    EXPECT_EQ(objects.buildSlot(), 3) << outside;
    objects.deleteObject(outside);
    objects.setObjectTexture(outside, 4);
    objects.drawObject(outside, 0);
  }
  EXPECT_EQ(objects.slot(-1), nullptr);
  EXPECT_EQ(objects.slot(kObjectSlotCount), nullptr);
  triangle();
  objects.endObject();
  EXPECT_TRUE(objects.slot(3)->ready);
  EXPECT_EQ(mesh(3).frames.at(0).packed.size(), 4u);
}

TEST_F(ObjectSlotTest, AStartMarkerAndOneVertexAreClearedNotConverted) {
  objects.beginObject(0);
  objects.addObjectVertex(1, 2, 3, 0, 0, 0xFF);
  objects.endObject();
  EXPECT_TRUE(objects.slot(0)->ready);
  EXPECT_TRUE(mesh(0).frames.empty());
  EXPECT_TRUE(mesh(0).colours.empty());
  // Three records convert.
  objects.beginObject(0);
  objects.addObjectVertex(1, 2, 3, 0, 0, 0xFF);
  objects.addObjectVertex(2, 2, 3, 0, 0, 0xFF);
  objects.endObject();
  ASSERT_EQ(mesh(0).frames.size(), 1u);
  EXPECT_EQ(mesh(0).frames[0].packed.size(), 3u);
}

TEST_F(ObjectSlotTest, BuiltRecordsAndTheConversion) {
  objects.beginObject(1);
  EXPECT_EQ(objects.buildSlot(), 1);
  objects.addObjectVertex(-1, 0, 4, 0.25, 0.75, 0x00FF0000);  // blue
  objects.addObjectVertex(3, 2, 4, 0.5, 0.5, 0x00FF0000);
  objects.newObjectStrip();
  objects.addObjectVertex(1, 1, 4, 1, 1, 0x0000FF00);  // green
  const std::vector<MeshVertex>& built = mesh(1).frames.at(0).vertices;
  ASSERT_EQ(built.size(), 5u);
  EXPECT_EQ(built[0].colourValue, kStripMarker);
  EXPECT_EQ(built[3].colourValue, kStripMarker);
  EXPECT_EQ(built[0].red, 1.0f);
  EXPECT_EQ(built[1].blue, 1.0f);
  EXPECT_EQ(built[1].red, 0.0f);
  EXPECT_EQ(built[1].u, 0.25f);
  EXPECT_EQ(built[1].v, 0.75f);
  view.setSmoothingMode(0);
  objects.endObject();

  const MeshObjectX& m = mesh(1);
  EXPECT_EQ(m.colours, (std::vector<uint32_t>{kStripMarker, 0x00FF0000, 0x0000FF00}));
  const ObjectFrame& frame = m.frames.at(0);
  EXPECT_FLOAT_EQ(frame.scale[0], 4.0f / 255);
  EXPECT_FLOAT_EQ(frame.scale[2], 1.0f);  // every z equal
  EXPECT_EQ(frame.packed[1].x, 0);
  // The largest coordinate packs to 255 but for the float rounding of its quotient.
  EXPECT_GE(frame.packed[2].x, 254);
  // The drawing data decodes the packed form; v comes back negated, as for binary files.
  ASSERT_EQ(frame.vertices.size(), 5u);
  EXPECT_NEAR(frame.vertices[2].x, 3, frame.scale[0]);
  EXPECT_NEAR(frame.vertices[4].y, 1, 2.0 / 255);
  EXPECT_EQ(frame.vertices[1].u, 0.25f);
  EXPECT_EQ(frame.vertices[1].v, -0.75f);
  EXPECT_EQ(frame.vertices[4].green, 1.0f);
  // Mode 0: the table entry the conversion found for the zero normals stays.
  EXPECT_FALSE(m.normalsPresent);
  for (const PackedVertex& p : frame.packed) EXPECT_EQ(p.normal, nearestNormalIndex(0, 0, 0));
}

TEST_F(ObjectSlotTest, AllOnesColourIsATrianglesMarker) {
  objects.beginObject(0);
  for (double marker : {double{0xFFFFFFFFu}, -1.0}) {
    objects.addObjectVertex(9, 9, 9, 0, 0, marker);
    EXPECT_EQ(mesh(0).frames[0].vertices.back().colourValue, kTrianglesMarker);
    EXPECT_EQ(mesh(0).frames[0].vertices.back().red, 1.0f);
  }
  // Six vertices after the marker are two triangles, not a strip of four.
  for (int i = 0; i < 6; ++i) objects.addObjectVertex(i, i * i, 0, 0, 0, 0xFF);
  objects.endObject();
  EXPECT_EQ(mesh(0).triangles.at(0), (std::vector<uint32_t>{3, 4, 5, 6, 7, 8}));
}

TEST_F(ObjectSlotTest, StripTrianglesTurnEverySecondOne) {
  objects.beginObject(0);
  for (int i = 0; i < 5; ++i) objects.addObjectVertex(i, i % 2, 0, 0, 0, 0xFF);
  objects.endObject();
  EXPECT_EQ(mesh(0).triangles.at(0), (std::vector<uint32_t>{1, 2, 3, 3, 2, 4, 3, 4, 5}));
}

TEST(ObjectRecords, GrowthKeepsWholeStepsFromTheFirstSize) {
  std::vector<MeshVertex> records;
  appendRecord(records, markerRecord(kStripMarker));
  EXPECT_EQ(records.capacity(), kFirstRecordCapacity);
  while (records.size() < kFirstRecordCapacity) appendRecord(records, MeshVertex{});
  appendRecord(records, MeshVertex{});
  EXPECT_GT(records.capacity(), kFirstRecordCapacity);
  EXPECT_EQ(records.capacity() % kRecordGrowthStep, 0u);
  EXPECT_EQ(records.size(), kFirstRecordCapacity + 1);
}

// ---------------------------------------------------------------- normals

// Builds with ObjectBuild: `strips` of vertex positions, each after a -2 marker (or after the
// given marker kind), converted with the smoothing mode.
MeshObjectX built(const std::vector<std::vector<V3>>& strips, int mode,
                  uint32_t kind = kStripMarker, const std::vector<std::array<float, 2>>& uv = {}) {
  MeshObjectX mesh;
  ObjectBuild build;
  build.begin(mesh);
  size_t n = 0;
  for (size_t s = 0; s < strips.size(); ++s) {
    if (s > 0 || kind != kStripMarker) {
      if (kind == kStripMarker) {
        build.newStrip();
      } else {
        build.addVertex(0, 0, 0, 0, 0, kind);
      }
    }
    for (const V3& p : strips[s]) {
      const float u = n < uv.size() ? uv[n][0] : 0, v = n < uv.size() ? uv[n][1] : 0;
      build.addVertex(static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z), u,
                      v, 0xFFFFFF);
      ++n;
    }
  }
  EXPECT_TRUE(build.end(mode));
  return mesh;
}

TEST(NormalGeneration, AFlatStripGetsOneNormalOnAllFourVertices) {
  const V3 p[4] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
  const MeshObjectX mesh = built({{p[0], p[1], p[2], p[3]}}, 1);
  // The first triangle's (p2 - p1) x (p1 - p0); the second one's is turned round to match it.
  const V3 n = unit(crossed(sub(p[2], p[1]), sub(p[1], p[0])));
  const uint8_t expected =
      nearestNormalIndex(static_cast<float>(n.x), static_cast<float>(n.y), static_cast<float>(n.z));
  EXPECT_EQ(expected, 84);  // (0, 0, -1)
  EXPECT_TRUE(mesh.normalsPresent);
  const std::vector<PackedVertex>& packed = mesh.frames.at(0).packed;
  for (size_t i = 1; i < packed.size(); ++i) EXPECT_EQ(packed[i].normal, expected) << i;
}

// A cube of 2 about (1, 2, 3): six faces of one strip each, corners clockwise seen from outside.
std::vector<std::vector<V3>> cubeStrips() {
  std::vector<std::vector<V3>> faces;
  for (int axis = 0; axis < 3; ++axis) {
    for (int side : {-1, 1}) {
      const int a = (axis + 1) % 3, b = (axis + 2) % 3;
      std::vector<V3> strip;
      for (auto [s, t] : {std::pair{-1, -1}, {-1, 1}, {1, -1}, {1, 1}}) {
        double c[3];
        c[axis] = side;
        // Mirrored on the negative side, so both faces turn the same way seen from outside.
        c[a] = s * side;
        c[b] = t;
        strip.push_back({1 + c[0], 2 + c[1], 3 + c[2]});
      }
      faces.push_back(strip);
    }
  }
  return faces;
}

TEST(NormalGeneration, CubeFacesGetTheirAxisNormals) {
  for (int mode : {1, 2}) {
    const MeshObjectX mesh = built(cubeStrips(), mode);
    const std::vector<MeshVertex> v = corners(mesh);
    ASSERT_EQ(v.size(), 24u);
    for (size_t i = 0; i < v.size(); ++i) {
      // The outward direction of the face this corner lies on, from the test's own geometry.
      const V3 fromCentre = {v[i].x - 1.0, v[i].y - 2.0, v[i].z - 3.0};
      const int face = static_cast<int>(i / 4);
      V3 outward = {0, 0, 0};
      const double side = face % 2 == 0 ? -1 : 1;
      (face / 2 == 0 ? outward.x : face / 2 == 1 ? outward.y : outward.z) = side;
      EXPECT_NEAR(dot(fromCentre, outward), 1, 0.02) << "corner " << i;
      EXPECT_NEAR(v[i].nx, outward.x, 1e-6) << "corner " << i << " mode " << mode;
      EXPECT_NEAR(v[i].ny, outward.y, 1e-6) << "corner " << i << " mode " << mode;
      EXPECT_NEAR(v[i].nz, outward.z, 1e-6) << "corner " << i << " mode " << mode;
    }
  }
}

// A sphere of latitude strips about the origin: ring i and ring i + 1 alternately.
std::vector<std::vector<V3>> sphereStrips(double radius, int rings, int segments) {
  constexpr double kPi = 3.14159265358979;
  std::vector<std::vector<V3>> strips;
  auto point = [&](int ring, int segment) {
    const double theta = kPi * ring / rings, phi = 2 * kPi * segment / segments;
    return V3{radius * std::sin(theta) * std::cos(phi), radius * std::cos(theta),
              radius * std::sin(theta) * std::sin(phi)};
  };
  for (int r = 0; r < rings; ++r) {
    std::vector<V3> strip;
    for (int s = 0; s <= segments; ++s) {
      strip.push_back(point(r, s));
      strip.push_back(point(r + 1, s));
    }
    strips.push_back(strip);
  }
  return strips;
}

TEST(NormalGeneration, SphereNormalsPointOutwardWithAndWithoutWelding) {
  for (bool weld : {false, true}) {
    MeshObjectX mesh = built(sphereStrips(5, 12, 24), 0);
    ASSERT_TRUE(generateNormals(mesh, true, false, weld));
    double worst = 1;
    for (const MeshVertex& v : corners(mesh)) {
      // Unwelded, a pole's copies only touch triangles of no area: they get no normal.
      if (!weld && std::fabs(v.y) > 4.9) continue;
      const V3 radial = unit({v.x, v.y, v.z});
      worst = std::min(worst, dot(radial, {v.nx, v.ny, v.nz}));
    }
    // The table's spacing and one-sided sums at the strips' edges stay within about 20 degrees.
    EXPECT_GT(worst, 0.94) << "weld " << weld;
  }
}

TEST(NormalGeneration, WeldingJoinsTheNormalsOfSharedCorners) {
  // Two independent triangles folded along the x axis: one in the plane z = 0, one in y = 0.
  const std::vector<V3> fold = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 0}, {1, 0, 0}, {0, 0, 1}};
  const V3 n1 = unit(crossed(sub(fold[2], fold[1]), sub(fold[1], fold[0])));
  const V3 n2 = unit(crossed(sub(fold[5], fold[4]), sub(fold[4], fold[3])));
  const V3 joined = unit({n1.x + n2.x, n1.y + n2.y, n1.z + n2.z});
  auto index = [](V3 n) {
    return nearestNormalIndex(static_cast<float>(n.x), static_cast<float>(n.y),
                              static_cast<float>(n.z));
  };
  for (bool weld : {false, true}) {
    MeshObjectX mesh = built({fold}, 0, kTrianglesMarker);
    ASSERT_TRUE(generateNormals(mesh, true, false, weld));
    const std::vector<PackedVertex>& p = mesh.frames[0].packed;
    ASSERT_EQ(p.size(), 8u);  // two markers, six corners
    // Corners 0 and 2 of the first triangle are corners 0 and 1 of the second.
    EXPECT_EQ(p[2].normal, weld ? index(joined) : index(n1));
    EXPECT_EQ(p[4].normal, weld ? index(joined) : index(n1));
    EXPECT_EQ(p[5].normal, weld ? index(joined) : index(n2));
    EXPECT_EQ(p[3].normal, index(n1));  // not shared
    EXPECT_EQ(p[7].normal, index(n2));
  }
}

TEST(NormalGeneration, TangentsFollowTheTextureDirections) {
  struct Case {
    const char* name;
    std::vector<std::array<float, 2>> uv;  // of the corners (0,0,0), (1,0,0), (0,1,0), (1,1,0)
    int tangent, bitangent;                // table entries
  };
  const Case cases[] = {
      // u along x; the drawn v is the stored one negated, so the bitangent points down y.
      {"u along x", {{0, 0}, {1, 0}, {0, 1}, {1, 1}}, 52, 104},
      {"u along y", {{0, 0}, {0, 1}, {1, 0}, {1, 1}}, 32, 143},
      // No mapping at all: no component is computed, and the zero sum gives entry 0.
      {"no mapping", {{0, 0}, {0, 0}, {0, 0}, {0, 0}}, 0, 0},
  };
  for (const Case& c : cases) {
    const MeshObjectX mesh =
        built({{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}}, 2, kStripMarker, c.uv);
    const std::vector<PackedVertex>& p = mesh.frames.at(0).packed;
    for (size_t i = 1; i < p.size(); ++i) {
      EXPECT_EQ(p[i].tangent, c.tangent) << c.name << " vertex " << i;
      EXPECT_EQ(p[i].bitangent, c.bitangent) << c.name << " vertex " << i;
    }
    EXPECT_EQ(corners(mesh)[0].tangent[0], tableVector(c.tangent).x) << c.name;
  }
}

TEST(NormalGeneration, WhatAMeshAlreadyHasIsNotGeneratedAgain) {
  MeshObjectX mesh =
      built({{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}}, 0, kStripMarker, {{0, 0}, {1, 0}, {0, 1}});
  mesh.normalsPresent = true;
  for (PackedVertex& p : mesh.frames[0].packed) p.normal = 7;
  // Normals are kept; tangents still come.
  ASSERT_TRUE(generateNormals(mesh, true, true, false));
  EXPECT_EQ(mesh.frames[0].packed[1].normal, 7);
  EXPECT_NE(mesh.frames[0].packed[1].tangent, 0);
  // Now both are there: nothing runs.
  mesh.frames[0].packed[0].tangent = 3;
  mesh.frames[0].packed[1].tangent = 9;
  EXPECT_FALSE(generateNormals(mesh, true, true, false));
  EXPECT_EQ(mesh.frames[0].packed[1].tangent, 9);
  MeshObjectX empty;
  EXPECT_FALSE(generateNormals(empty, true, true, true));
}

// ---------------------------------------------------------------- bounds

// The mean of the positions and the largest distance from it, worked out here.
BoundingSphere expectedBounds(const std::vector<std::vector<V3>>& strips) {
  V3 sum = {0, 0, 0};
  size_t n = 0;
  for (const auto& strip : strips) {
    for (const V3& p : strip) {
      sum = {sum.x + p.x, sum.y + p.y, sum.z + p.z};
      ++n;
    }
  }
  const V3 centre = {sum.x / n, sum.y / n, sum.z / n};
  double largest = 0;
  for (const auto& strip : strips) {
    for (const V3& p : strip)
      largest = std::max(largest, std::sqrt(dot(sub(p, centre), sub(p, centre))));
  }
  BoundingSphere b;
  b.centre[0] = static_cast<float>(centre.x);
  b.centre[1] = static_cast<float>(centre.y);
  b.centre[2] = static_cast<float>(centre.z);
  b.radius = static_cast<float>(largest);
  return b;
}

TEST(Bounds, KnownShapes) {
  struct Case {
    const char* name;
    std::vector<std::vector<V3>> strips;
  };
  const Case cases[] = {
      // Six markers decode to the smallest corner; counting them would pull the centre there.
      {"cube", cubeStrips()},
      {"sphere", sphereStrips(5, 12, 24)},
      {"point", {{{4, 5, 6}, {4, 5, 6}}}},
      {"segment", {{{-1, 0, 0}, {3, 0, 0}, {3, 0, 0}}}},
  };
  for (const Case& c : cases) {
    const MeshObjectX mesh = built(c.strips, 0);
    ASSERT_EQ(mesh.bounds.size(), 1u);
    const BoundingSphere want = expectedBounds(c.strips);
    // Positions come back from the packed form: within a step of 1/255 of each axis's extent.
    const double step = 0.05;
    for (int a = 0; a < 3; ++a)
      EXPECT_NEAR(mesh.bounds[0].centre[a], want.centre[a], step) << c.name;
    EXPECT_NEAR(mesh.bounds[0].radius, want.radius, step) << c.name;
  }
  EXPECT_EQ(built({{{4, 5, 6}, {4, 5, 6}}}, 0).bounds[0].radius, 0);
  EXPECT_NEAR(expectedBounds(cubeStrips()).radius, std::sqrt(3.0), 1e-6);

  // A frame of markers only has nothing to bound.
  MeshObjectX markers;
  markers.frames.emplace_back();
  for (int i = 0; i < 3; ++i) markers.frames[0].vertices.push_back(markerRecord(kStripMarker));
  computeBounds(markers);
  ASSERT_EQ(markers.bounds.size(), 1u);
  EXPECT_EQ(markers.bounds[0].radius, 0);
}

}  // namespace
}  // namespace korvane
