// The movement stack: each level's matrix against one built in the test, from the level's base,
// its translation, rotations (the first added acting first) and scale.
#include "runtime/gfx3d/movement_stack.h"

#include <gtest/gtest.h>

#include <cmath>

namespace korvane {
namespace {

using Mat = std::array<double, 16>;  // column-major

Mat identity() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

Mat times(const Mat& a, const Mat& b) {
  Mat out{};
  for (int c = 0; c < 4; ++c) {
    for (int r = 0; r < 4; ++r) {
      for (int k = 0; k < 4; ++k) out[c * 4 + r] += a[k * 4 + r] * b[c * 4 + k];
    }
  }
  return out;
}

Mat translate(double x, double y, double z) {
  Mat m = identity();
  m[12] = x;
  m[13] = y;
  m[14] = z;
  return m;
}

Mat scale(double x, double y, double z) {
  Mat m = identity();
  m[0] = x;
  m[5] = y;
  m[10] = z;
  return m;
}

// Rodrigues' rotation of a vector, column by column: the image of each unit axis.
Mat rotate(double degrees, double x, double y, double z) {
  const double length = std::sqrt(x * x + y * y + z * z);
  x /= length;
  y /= length;
  z /= length;
  const double a = degrees * M_PI / 180;
  Mat m = identity();
  for (int c = 0; c < 3; ++c) {
    const double v[3] = {c == 0 ? 1.0 : 0.0, c == 1 ? 1.0 : 0.0, c == 2 ? 1.0 : 0.0};
    const double kv[3] = {y * v[2] - z * v[1], z * v[0] - x * v[2], x * v[1] - y * v[0]};
    const double kdv = x * v[0] + y * v[1] + z * v[2];
    const double k[3] = {x, y, z};
    for (int r = 0; r < 3; ++r) {
      m[c * 4 + r] = v[r] * std::cos(a) + kv[r] * std::sin(a) + k[r] * kdv * (1 - std::cos(a));
    }
  }
  return m;
}

void expectMatrix(const Matrix4& got, const Mat& want) {
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(got[i], want[i], 1e-4) << "element " << i;
}

TEST(MovementStackTest, LevelMatrixIsTranslationRotationsLastToFirstThenScale) {
  MovementStack stack;
  expectMatrix(stack.currentMatrix(), identity());
  stack.setTranslation(1, 2, 3);
  stack.addRotation(90, 0, 0, 1);
  stack.addRotation(30, 1, 0, 0);
  stack.setScale(2, 3, 4);  // re-bases: the rotations go, the translation stays
  stack.addRotation(90, 0, 0, 1);
  stack.addRotation(30, 2, 0, 0);  // the axis is normalised
  expectMatrix(stack.currentMatrix(),
               times(times(times(translate(1, 2, 3), rotate(30, 1, 0, 0)), rotate(90, 0, 0, 1)),
                     scale(2, 3, 4)));
}

TEST(MovementStackTest, ScaleAfterTranslationKeepsItAndClearsRotations) {
  MovementStack stack;
  stack.setTranslation(10, 0, 0);
  stack.addRotation(45, 0, 1, 0);
  stack.setScale(2, 2, 2);
  EXPECT_EQ(stack.rotationCount(), 0);
  expectMatrix(stack.currentMatrix(), times(translate(10, 0, 0), scale(2, 2, 2)));
}

TEST(MovementStackTest, SeventeenthRotationIsIgnored) {
  MovementStack stack;
  for (int i = 0; i < 16; ++i) stack.addRotation(10, 0, 0, 1);
  stack.addRotation(90, 1, 0, 0);
  EXPECT_EQ(stack.rotationCount(), 16);
  expectMatrix(stack.currentMatrix(), rotate(160, 0, 0, 1));
}

TEST(MovementStackTest, ZeroAxisHasNoEffectAndNegativeAxisTurnsBack) {
  MovementStack stack;
  stack.addRotation(90, 0, 0, 0);
  stack.addRotation(90, 0.00005f, 0, 0);
  expectMatrix(stack.currentMatrix(), identity());
  stack.addRotation(90, 0, 0, -1);
  const Matrix4 negativeAxis = stack.currentMatrix();
  MovementStack other;
  other.addRotation(-90, 0, 0, 1);
  expectMatrix(negativeAxis, rotate(-90, 0, 0, 1));
  EXPECT_EQ(negativeAxis, other.currentMatrix());
}

// A change after a computation starts again from the level's base, not from its last result.
TEST(MovementStackTest, RotationAddedAfterAComputationStartsFromTheBase) {
  MovementStack stack;
  stack.setTranslation(10, 0, 0);
  stack.currentMatrix();
  stack.addRotation(90, 0, 0, 1);
  const Matrix4& m = stack.currentMatrix();
  EXPECT_NEAR(m[12], 10, 1e-5);  // the origin stays at x = 10
  expectMatrix(m, times(translate(10, 0, 0), rotate(90, 0, 0, 1)));
}

TEST(MovementStackTest, ChildStartsFromTheParentsFinalMatrix) {
  MovementStack stack;
  stack.setTranslation(10, 0, 0);
  stack.addRotation(90, 0, 0, 1);
  const Mat parent = times(translate(10, 0, 0), rotate(90, 0, 0, 1));
  stack.push();
  EXPECT_EQ(stack.level(), 1);
  expectMatrix(stack.currentMatrix(), parent);
  stack.setTranslation(1, 0, 0);
  stack.addRotation(90, 1, 0, 0);
  expectMatrix(stack.currentMatrix(),
               times(times(parent, translate(1, 0, 0)), rotate(90, 1, 0, 0)));
  // Re-basing the child starts it from the parent again.
  stack.setScale(3, 3, 3);
  expectMatrix(stack.currentMatrix(), times(times(parent, translate(1, 0, 0)), scale(3, 3, 3)));
  stack.pop();
  EXPECT_EQ(stack.level(), 0);
  expectMatrix(stack.currentMatrix(), parent);
}

TEST(MovementStackTest, PopAtLevelZeroResetsAndPushAtTheTopStays) {
  MovementStack stack;
  stack.setTranslation(5, 6, 7);
  stack.addRotation(30, 0, 1, 0);
  stack.pop();
  EXPECT_EQ(stack.level(), 0);
  EXPECT_EQ(stack.rotationCount(), 0);
  expectMatrix(stack.currentMatrix(), identity());
  stack.setTranslation(1, 0, 0);  // the translation was reset too: only this one counts
  expectMatrix(stack.currentMatrix(), translate(1, 0, 0));

  for (int i = 1; i < kMovementLevels; ++i) {
    stack.push();
    stack.setTranslation(1, 0, 0);
  }
  EXPECT_EQ(stack.level(), 15);
  stack.addRotation(90, 0, 0, 1);
  stack.push();
  EXPECT_EQ(stack.level(), 15);
  EXPECT_EQ(stack.rotationCount(), 1);
  expectMatrix(stack.currentMatrix(), times(translate(16, 0, 0), rotate(90, 0, 0, 1)));
}

TEST(MovementStackTest, ExtraMatricesComeBeforeTheTranslation) {
  MovementStack stack;
  stack.setTranslation(0, 5, 0);
  const Matrix4 turn = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};  // 90 degrees about z
  stack.addExtraMatrix(turn);
  expectMatrix(stack.currentMatrix(), times(rotate(90, 0, 0, 1), translate(0, 5, 0)));
}

}  // namespace
}  // namespace korvane
