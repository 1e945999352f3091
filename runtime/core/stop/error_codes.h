// The codes a fatal condition stores before the program ends (setErrorCode then endProgram).
// Every module names its code from here; the debug report prints the code as an integer.
#pragma once

#include <iterator>
#include <string_view>

namespace korvane {

struct ErrorCodeRow {
  int code;
  std::string_view name;
  std::string_view meaning;
};

// One row per code, in ascending order. Code 7 covers two unrelated conditions that share it.
inline constexpr ErrorCodeRow kErrorCodeTable[] = {
    {0, "quit keys", "the program ends from presentFrame on Escape or Alt+F4"},
    {3, "file transfer failed",
     "a transfer on a file channel that is not open, or fewer bytes moved than asked"},
    {7, "channel or storage",
     "a file channel number outside 0..7, or an array's storage could not be allocated"},
    {9, "index out of range", "an array element index outside the array's dimensions"},
};
static_assert(std::size(kErrorCodeTable) == 4, "one row per error code");

// The table row of `code`; nullptr for a code the runtime never sets.
constexpr const ErrorCodeRow* findErrorCode(int code) {
  for (const ErrorCodeRow& row : kErrorCodeTable) {
    if (row.code == code) return &row;
  }
  return nullptr;
}

// The error state holds doubles, so the constants are doubles too.
inline constexpr double kQuitKeysErrorCode = 0;
inline constexpr double kTransferErrorCode = 3;
inline constexpr double kChannelErrorCode = 7;
inline constexpr double kStorageNotAllocated = 7;
inline constexpr double kIndexOutOfRange = 9;

namespace detail {
constexpr bool inErrorCodeTable(double code) {
  for (const ErrorCodeRow& row : kErrorCodeTable) {
    if (row.code == code) return true;
  }
  return false;
}
}  // namespace detail

// Every named constant is a row of the table.
static_assert(detail::inErrorCodeTable(kQuitKeysErrorCode));
static_assert(detail::inErrorCodeTable(kTransferErrorCode));
static_assert(detail::inErrorCodeTable(kChannelErrorCode));
static_assert(detail::inErrorCodeTable(kStorageNotAllocated));
static_assert(detail::inErrorCodeTable(kIndexOutOfRange));

}  // namespace korvane
