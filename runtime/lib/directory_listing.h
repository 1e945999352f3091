// The listing of the current directory into a string array.
#pragma once

#include "runtime/values/rt_array.h"
#include "runtime/values/rt_string.h"

namespace korvane {

// Fills `names` (one dimension) with every directory of the current directory in the order the
// system lists them ("." and ".." included when it does), whatever the pattern, then every
// other entry whose name matches `pattern` under wildcardMatch, in the system's order.
// Returns the number of files plus 65536 times the number of directories; an unreadable
// directory gives an empty array and 0. A symbolic link counts as what it points to.
double listDirectory(const RtString& pattern, RtArray<RtString>& names);

}  // namespace korvane
