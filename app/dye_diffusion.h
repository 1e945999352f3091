// The dye step: the border is forced black, then every inner cell becomes a weighted mean of
// itself and its four neighbours, a little less than their sum, so dye blurs and fades.
#pragma once

namespace ondrel {

// Weights of one step: the cell's own colour, each neighbour, and the divisor of the sum.
// They add up to 5.05 of 5.1, so a uniform field loses about 0.98 % a step.
inline constexpr double kCentreWeight = 1.05;
inline constexpr double kNeighbourWeight = 1;
inline constexpr double kDiffusionDivisor = 5.1;

// Sets the colour of every border cell of the current buffer to 0.
void clearBorder();

// One step from the current buffer into the other, which becomes current. The last column
// and row of the new buffer are not written: they keep what they held two steps before.
void diffuseDye();

}  // namespace ondrel
