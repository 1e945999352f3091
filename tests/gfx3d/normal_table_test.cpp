// The normal table: 162 unit vectors, entry 0 as the format fixes it, and exactly the points of an
// icosahedron whose faces were each divided into 16 triangles.
#include "runtime/gfx3d/normal_table.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <set>
#include <vector>

namespace korvane {
namespace {

using Vec = std::array<double, 3>;

Vec unit(const Vec& v) {
  const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  return {v[0] / length, v[1] / length, v[2] / length};
}

// The 162 points: every face of the icosahedron with corners (0, +-p, +-1), (+-1, 0, +-p) and
// (+-p, +-1, 0) cut into 16 triangles on the flat face, the points then pushed out to the sphere.
std::vector<Vec> dividedIcosahedron() {
  const double p = (1 + std::sqrt(5.0)) / 2;
  std::vector<Vec> corners;
  for (double a : {-1.0, 1.0}) {
    for (double b : {-p, p}) {
      corners.push_back({0, b, a});
      corners.push_back({a, 0, b});
      corners.push_back({b, a, 0});
    }
  }
  auto distance = [](const Vec& a, const Vec& b) {
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                     (a[2] - b[2]) * (a[2] - b[2]));
  };
  std::vector<Vec> points;
  int faces = 0;
  for (int i = 0; i < 12; ++i) {
    for (int j = i + 1; j < 12; ++j) {
      for (int k = j + 1; k < 12; ++k) {
        const Vec &a = corners[i], &b = corners[j], &c = corners[k];
        if (std::fabs(distance(a, b) - 2) > 1e-9 || std::fabs(distance(b, c) - 2) > 1e-9 ||
            std::fabs(distance(a, c) - 2) > 1e-9) {
          continue;
        }
        ++faces;
        for (int u = 0; u <= 4; ++u) {
          for (int v = 0; u + v <= 4; ++v) {
            const int w = 4 - u - v;
            const Vec q = unit({u * a[0] + v * b[0] + w * c[0], u * a[1] + v * b[1] + w * c[1],
                                u * a[2] + v * b[2] + w * c[2]});
            bool known = false;
            for (const Vec& r : points) known = known || distance(q, r) < 1e-9;
            if (!known) points.push_back(q);
          }
        }
      }
    }
  }
  EXPECT_EQ(faces, 20);
  return points;
}

TEST(NormalTableTest, HoldsTheCornersOfTheTwiceDividedIcosahedron) {
  static_assert(kNormalTable.size() == 162);
  EXPECT_EQ(kNormalTable[0].x, -0.525731f);
  EXPECT_EQ(kNormalTable[0].y, 0.0f);
  EXPECT_EQ(kNormalTable[0].z, 0.850651f);

  const std::vector<Vec> corners = dividedIcosahedron();
  ASSERT_EQ(corners.size(), 162u);
  std::set<size_t> matched;
  for (int i = 0; i < kNormalTableSize; ++i) {
    SCOPED_TRACE(i);
    const NormalVector& n = kNormalTable[i];
    EXPECT_NEAR(std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z), 1.0, 2e-6);
    size_t closest = 0;
    double closestDistance = 10;
    for (size_t c = 0; c < corners.size(); ++c) {
      const double d = std::fabs(corners[c][0] - n.x) + std::fabs(corners[c][1] - n.y) +
                       std::fabs(corners[c][2] - n.z);
      if (d < closestDistance) {
        closestDistance = d;
        closest = c;
      }
    }
    // Six decimals each, so within 2e-6 of the exact corner.
    EXPECT_LT(closestDistance, 3e-6);
    EXPECT_TRUE(matched.insert(closest).second) << "a corner appears twice";
  }
  EXPECT_EQ(matched.size(), 162u);
}

TEST(NormalTableTest, IndexPastTheTableReadsEntryZero) {
  EXPECT_EQ(&normalAt(161), &kNormalTable[161]);
  EXPECT_EQ(&normalAt(162), &kNormalTable[0]);
  EXPECT_EQ(&normalAt(-1), &kNormalTable[0]);
}

}  // namespace
}  // namespace korvane
