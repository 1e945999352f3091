// The pathfinding command: a cheap four-neighbour path across a grid of cell costs.
#pragma once

#include "runtime/values/rt_array.h"

namespace korvane {

// Plans a path across map (first index x, second index y; a value above 0 is the cost of
// entering the cell, 0 or less, NaN or infinite blocks it) from (startX, startY) to (goalX,
// goalY), coordinates truncated. weight (clamped to 0 .. 1, NaN as 0.5) trades path cost
// against distance: 0 orders by cost alone, 1 by distance alone.
// Returns the number of cells on the path, start and goal included, with path dimensioned
// [n][2]: [0] the start, [n - 1] the goal, [i][0] = x, [i][1] = y. Without a path the array is
// dimensioned to nothing and the result is 0. Start or goal outside the map, start equal to
// goal, or a map without a passable cell give 0 and leave path as it was.
double findPath(const RtArray<double>& map, RtArray<double>& path, double weight, double startX,
                double startY, double goalX, double goalY);

}  // namespace korvane
