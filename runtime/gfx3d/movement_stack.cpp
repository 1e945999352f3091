// The movement stack's matrices.
#include "runtime/gfx3d/movement_stack.h"

#include <cmath>

namespace korvane {
namespace {
constexpr float kDegreesToRadians = 0.017453292f;
constexpr float kShortestAxis = 0.0001f;
}  // namespace

Matrix4 multiplyMatrices(const Matrix4& a, const Matrix4& b) {
  Matrix4 out{};
  for (int column = 0; column < 4; ++column) {
    for (int row = 0; row < 4; ++row) {
      float sum = 0;
      for (int k = 0; k < 4; ++k) sum += a[k * 4 + row] * b[column * 4 + k];
      out[column * 4 + row] = sum;
    }
  }
  return out;
}

Matrix4 rotationMatrix(float degrees, float x, float y, float z) {
  const float radians = degrees * kDegreesToRadians;
  const float c = std::cos(radians), s = std::sin(radians), t = 1 - c;
  return {
      t * x * x + c,
      t * x * y + s * z,
      t * x * z - s * y,
      0,  //
      t * x * y - s * z,
      t * y * y + c,
      t * y * z + s * x,
      0,  //
      t * x * z + s * y,
      t * y * z - s * x,
      t * z * z + c,
      0,  //
      0,
      0,
      0,
      1,
  };
}

void MovementStack::resetLevel(Level& level, const Matrix4& base) {
  level.base = base;
  level.final = base;
  level.computed = true;
  level.translation[0] = level.translation[1] = level.translation[2] = 0;
  level.scale[0] = level.scale[1] = level.scale[2] = 1;
  level.rotationCount = 0;
  level.extraCount = 0;
}

void MovementStack::rebase() {
  Level& level = levels_[current_];
  // The parent is computed whenever a child is current: push computes it and nothing changes a
  // level below the current one.
  level.base = current_ == 0 ? kIdentityMatrix : levels_[current_ - 1].final;
  level.rotationCount = 0;
  level.extraCount = 0;
  level.computed = false;
}

void MovementStack::setTranslation(float x, float y, float z) {
  rebase();
  Level& level = levels_[current_];
  level.translation[0] = x;
  level.translation[1] = y;
  level.translation[2] = z;
}

void MovementStack::setScale(float x, float y, float z) {
  rebase();
  Level& level = levels_[current_];
  level.scale[0] = x;
  level.scale[1] = y;
  level.scale[2] = z;
}

void MovementStack::addRotation(float degrees, float x, float y, float z) {
  Level& level = levels_[current_];
  level.computed = false;
  if (level.rotationCount >= kMaxMovementRotations) return;
  level.rotations[level.rotationCount++] = {degrees, x, y, z};
}

void MovementStack::addExtraMatrix(const Matrix4& matrix) {
  Level& level = levels_[current_];
  level.computed = false;
  if (level.extraCount >= kMaxMovementExtras) return;
  level.extras[level.extraCount++] = matrix;
}

void MovementStack::compute(Level& level) {
  if (level.computed) return;
  Matrix4 m = level.base;
  for (int i = 0; i < level.extraCount; ++i) m = multiplyMatrices(m, level.extras[i]);
  const float* t = level.translation;
  if (t[0] != 0 || t[1] != 0 || t[2] != 0) {
    Matrix4 translation = kIdentityMatrix;
    translation[12] = t[0];
    translation[13] = t[1];
    translation[14] = t[2];
    m = multiplyMatrices(m, translation);
  }
  for (int i = level.rotationCount - 1; i >= 0; --i) {
    const Rotation& r = level.rotations[i];
    const float length = std::sqrt(r.x * r.x + r.y * r.y + r.z * r.z);
    if (!(length > kShortestAxis)) continue;
    m = multiplyMatrices(m, rotationMatrix(r.degrees, r.x / length, r.y / length, r.z / length));
  }
  const float* s = level.scale;
  if (s[0] != 1 || s[1] != 1 || s[2] != 1) {
    Matrix4 scale = kIdentityMatrix;
    scale[0] = s[0];
    scale[5] = s[1];
    scale[10] = s[2];
    m = multiplyMatrices(m, scale);
  }
  level.final = m;
  level.computed = true;
}

void MovementStack::push() {
  if (current_ + 1 >= kMovementLevels) return;
  compute(levels_[current_]);
  const Matrix4 parent = levels_[current_].final;
  ++current_;
  resetLevel(levels_[current_], parent);
}

void MovementStack::pop() {
  if (current_ > 0) {
    --current_;
    return;
  }
  resetLevel(levels_[0], kIdentityMatrix);
}

const Matrix4& MovementStack::currentMatrix() {
  Level& level = levels_[current_];
  compute(level);
  return level.final;
}

}  // namespace korvane
