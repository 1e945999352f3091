#include "runtime/lib/platform_info.h"

#include <cstdio>
#include <iterator>
#include <string>

#include "runtime/core/stop/upward_calls.h"
#include "runtime/lib/data_file_cache.h"
#include "runtime/lib/gl_entry_points.h"
#include "runtime/lib/platform_info_internal.h"
#include "runtime/values/number_text.h"

namespace korvane {

namespace {

struct FixedAnswer {
  std::string_view key;  // in capitals
  std::string_view answer;
};

constexpr FixedAnswer kFixedAnswers[] = {
    {"", "WIN32"},  // the command set's platform, not the host
    {"DEVICE", "DESKTOP"},
    {"OS", "LINUX"},  // the host
};
static_assert(std::size(kFixedAnswers) == 3, "one row per fixed key");

constexpr std::string_view kGlEntryPointKey = "GLEXT:";
constexpr std::string_view kMachineIdKey = "ID";
constexpr std::string_view kTimeKey = "TIME";

constexpr uint32_t kFnvOffsetBasis = 2166136261u;
constexpr uint32_t kFnvPrime = 16777619u;

int64_t (*timeSource)() = nullptr;

std::string upperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

RtString glEntryPointAnswer(std::string_view name) {
  const char* version = nullptr;
  const char* extensions = nullptr;
  if (upwardCalls().glStrings != nullptr) upwardCalls().glStrings(&version, &extensions);
  return RtString(glEntryPointOffered(name, version, extensions) ? "1" : "0");
}

RtString localTimeNow() {
  const int64_t now = timeSource != nullptr ? timeSource() : platform::currentUnixTime();
  platform::LocalTime time;
  if (!platform::localTimeAt(now, time)) return RtString(kNoDataMarker);
  return localTimeText(time);
}

}  // namespace

void setPlatformTimeSource(int64_t (*source)()) { timeSource = source; }

uint32_t machineSerial(std::string_view identity) {
  uint32_t hash = kFnvOffsetBasis;
  for (char c : identity) {
    hash ^= static_cast<unsigned char>(c);
    hash *= kFnvPrime;
  }
  return hash;
}

RtString machineIdText(uint32_t serial) {
  const uint32_t masked = serial ^ kMachineIdMask;
  char text[9];
  for (int i = 0; i < 4; ++i) {
    std::snprintf(text + 2 * i, 3, "%02X", static_cast<unsigned>((masked >> (8 * i)) & 0xFFu));
  }
  return RtString(std::string_view(text, 8));
}

RtString localTimeText(const platform::LocalTime& time) {
  RtString text(integerToText(time.year));
  text += "-";
  text += integerToText(time.month);
  text += "-";
  text += integerToText(time.day);
  text += " ";
  text += formatNumber(2, 0, time.hour);
  text += ":";
  text += formatNumber(2, 0, time.minute);
  text += ":";
  text += formatNumber(2, 0, time.second);
  return text;
}

RtString platformInfo(const RtString& key) {
  const std::string_view given = viewOf(key);
  const std::string upper = upperAscii(given);
  for (const FixedAnswer& row : kFixedAnswers) {
    if (upper == row.key) return RtString(row.answer);
  }
  if (upper.starts_with(kGlEntryPointKey)) {
    return glEntryPointAnswer(given.substr(kGlEntryPointKey.size()));
  }
  if (upper == kMachineIdKey) return machineIdText(machineSerial(platform::machineIdentity()));
  if (upper == kTimeKey) return localTimeNow();
  return RtString(kNoDataMarker);
}

}  // namespace korvane
