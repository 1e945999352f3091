// The error-code table against the codes the runtime stores and the names modules use.
#include "runtime/core/stop/error_codes.h"

#include <gtest/gtest.h>

#include <string>

namespace korvane {
namespace {

TEST(ErrorCodesTest, TableRowsAndNamedConstantsAgree) {
  struct Case {
    double constant;
    int code;
    std::string name;
  };
  const Case cases[] = {
      {kQuitKeysErrorCode, 0, "quit keys"},         {kTransferErrorCode, 3, "file transfer failed"},
      {kChannelErrorCode, 7, "channel or storage"}, {kStorageNotAllocated, 7, "channel or storage"},
      {kIndexOutOfRange, 9, "index out of range"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.constant, c.code);
    const ErrorCodeRow* row = findErrorCode(c.code);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->code, c.code);
    EXPECT_EQ(std::string(row->name), c.name);
    EXPECT_FALSE(row->meaning.empty());
  }
  // Ascending and unique: a lookup finds the one row of each code.
  int previous = -1;
  for (const ErrorCodeRow& row : kErrorCodeTable) {
    EXPECT_GT(row.code, previous);
    previous = row.code;
  }
  for (int unused : {-1, 1, 2, 4, 5, 6, 8, 10, 99})
    EXPECT_EQ(findErrorCode(unused), nullptr) << unused;
}

}  // namespace
}  // namespace korvane
