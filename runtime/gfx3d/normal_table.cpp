// The nearest-normal search over the table.
#include "runtime/gfx3d/normal_table.h"

#include <cmath>

namespace korvane {

uint8_t nearestNormalIndex(float x, float y, float z) {
  float best = 10000.0f;
  int bestIndex = 0;
  for (int t = 0; t < kNormalTableSize; ++t) {
    const NormalVector& e = kNormalTable[t];
    const float value = std::fabs(x * (x - e.x) + y * (y - e.y) + z * (z - e.z));
    if (value <= best) {
      best = value;
      bestIndex = t;
      if (value == 0.0f) break;
    }
  }
  return static_cast<uint8_t>(bestIndex);
}

const NormalVector& normalAt(int index) {
  return index >= 0 && index < kNormalTableSize ? kNormalTable[index] : kNormalTable[0];
}

}  // namespace korvane
