// The program's command on the window procedure's pausing.
#pragma once

namespace korvane {

// autoPause = 1 for any non-zero value (NaN too), 0 for 0.
void setAutoPause(double value);

}  // namespace korvane
