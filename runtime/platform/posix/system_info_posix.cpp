// Machine identity from the systemd/D-Bus machine id, or the root file system's id; time of day
// through localtime_r.
#include <sys/statvfs.h>
#include <time.h>

#include <cstdio>
#include <cstring>
#include <fstream>

#include "runtime/platform/system_info.h"

namespace korvane::platform {

namespace {

std::string firstLineOf(const char* path) {
  std::ifstream file(path);
  std::string line;
  if (!file || !std::getline(file, line)) return {};
  while (!line.empty() && (line.back() == ' ' || line.back() == '\r' || line.back() == '\t')) {
    line.pop_back();
  }
  return line;
}

}  // namespace

std::string machineIdentity() {
  for (const char* path : {"/etc/machine-id", "/var/lib/dbus/machine-id"}) {
    std::string id = firstLineOf(path);
    if (!id.empty()) return id;
  }
  struct statvfs root;
  if (statvfs("/", &root) != 0) return {};
  char text[32];
  std::snprintf(text, sizeof text, "fsid:%llx", static_cast<unsigned long long>(root.f_fsid));
  return text;
}

int64_t currentUnixTime() {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<int64_t>(now.tv_sec);
}

bool localTimeAt(int64_t unixTime, LocalTime& out) {
  // localtime_r need not look at TZ again; tzset makes a changed zone count.
  tzset();
  const time_t seconds = static_cast<time_t>(unixTime);
  tm fields;
  std::memset(&fields, 0, sizeof fields);
  if (localtime_r(&seconds, &fields) == nullptr) return false;
  out.year = fields.tm_year + 1900;
  out.month = fields.tm_mon + 1;
  out.day = fields.tm_mday;
  out.hour = fields.tm_hour;
  out.minute = fields.tm_min;
  out.second = fields.tm_sec;
  return true;
}

}  // namespace korvane::platform
