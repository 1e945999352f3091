// The movement stack: 16 levels of translation, rotations and scale that place 3D objects, each
// relative to the level below it. A level's matrix is computed when it is needed and kept until
// the level changes.
#pragma once

#include <array>
#include <cstdint>

namespace korvane {

// Column-major, as GL takes it.
using Matrix4 = std::array<float, 16>;

inline constexpr Matrix4 kIdentityMatrix = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// a x b, both column-major.
Matrix4 multiplyMatrices(const Matrix4& a, const Matrix4& b);
// The right-handed rotation by `degrees` about a unit axis.
Matrix4 rotationMatrix(float degrees, float x, float y, float z);

inline constexpr int kMovementLevels = 16;
inline constexpr int kMaxMovementRotations = 16;
inline constexpr int kMaxMovementExtras = 16;

class MovementStack {
 public:
  MovementStack() { resetLevel(levels_[0], kIdentityMatrix); }

  // Re-bases the current level (its base becomes the parent's matrix, its rotations and extra
  // matrices go) and sets its translation; the scale stays.
  void setTranslation(float x, float y, float z);
  // The same for the scale; the translation stays.
  void setScale(float x, float y, float z);
  // Queues a rotation (angle in degrees about an axis); past 16 on one level it is ignored.
  void addRotation(float degrees, float x, float y, float z);
  // A matrix of another 3D operation, multiplied in before the translation; past 16 ignored.
  void addExtraMatrix(const Matrix4& matrix);
  // Computes the current level and opens the next one on top of it. At the top level the stack
  // stays as it is.
  void push();
  // Back to the parent; at level 0, level 0 becomes identity with nothing queued.
  void pop();

  // The current level's final matrix: base x extras x T x R(last) ... R(first) x S.
  const Matrix4& currentMatrix();
  int level() const { return current_; }
  int rotationCount() const { return levels_[current_].rotationCount; }

 private:
  struct Rotation {
    float degrees, x, y, z;
  };
  struct Level {
    // Kept apart from the final matrix, so a change after a computation starts from the base.
    Matrix4 base;
    Matrix4 final;
    bool computed;
    float translation[3];
    float scale[3];
    int rotationCount;
    std::array<Rotation, kMaxMovementRotations> rotations;
    int extraCount;
    std::array<Matrix4, kMaxMovementExtras> extras;
  };

  static void resetLevel(Level& level, const Matrix4& base);
  void rebase();
  void compute(Level& level);

  std::array<Level, kMovementLevels> levels_{};
  int current_ = 0;
};

}  // namespace korvane
