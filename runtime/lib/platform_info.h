// The keyed platform query: the command set's platform name, OpenGL entry-point availability,
// a machine identifier, the device kind, the host system and the local time.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/platform/system_info.h"
#include "runtime/values/rt_string.h"

namespace korvane {

// Keys are compared with a..z turned into capitals:
//   ""            "WIN32"    the platform of the command set, which programs compare against;
//   "DEVICE"      "DESKTOP"  both stay as they are on every host
//   "OS"          "LINUX"    the host system itself, so a program can still tell
//   "GLEXT:name"  "1" when the current GL context offers the entry point `name` (letter case as
//                 given) to lookup by name, else "0" (also for GL 1.1's own and unknown names)
//   "ID"          8 capital hex digits identifying the machine (machineIdText)
//   "TIME"        the local time, "2026-1-3  9: 5: 3" (localTimeText)
// Any other key gives "NO_DATA".
RtString platformInfo(const RtString& key);

// XOR-ed with the machine's serial before it is written, as the identifier always was.
inline constexpr uint32_t kMachineIdMask = 0x5A3C96E1u;

// A 32-bit serial for a machine identity text (FNV-1a), stable for one text.
uint32_t machineSerial(std::string_view identity);

// serial ^ kMachineIdMask as 8 capital hex digits, the least significant byte first, each byte
// high half first.
RtString machineIdText(uint32_t serial);

// Year-month-day, a space, then hour:minute:second each right-aligned in two characters with
// a space: "2026-1-3  9: 5: 3".
RtString localTimeText(const platform::LocalTime& time);

}  // namespace korvane
