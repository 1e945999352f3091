// Facts about the host: a text that identifies this machine, the calendar clock and the local
// time of day. Any thread, except where a call says otherwise.
#pragma once

#include <cstdint>
#include <string>

namespace korvane::platform {

// A text that stays the same on this machine across runs and differs between machines: the
// first line of /etc/machine-id (else /var/lib/dbus/machine-id), else "fsid:" and the root file
// system's identifier in hexadecimal; empty when none of these can be read.
std::string machineIdentity();

// Seconds since 1970-01-01 00:00:00 UTC.
int64_t currentUnixTime();

struct LocalTime {
  int year = 0;    // e.g. 2026
  int month = 0;   // 1..12
  int day = 0;     // 1..31
  int hour = 0;    // 0..23
  int minute = 0;  // 0..59
  int second = 0;  // 0..60 (a leap second)
};

// `unixTime` in the local time zone, as TZ names it at the moment of the call (the zone is
// looked up again each time). False when the time cannot be represented. Main thread: the
// zone lookup reads the environment.
bool localTimeAt(int64_t unixTime, LocalTime& out);

}  // namespace korvane::platform
