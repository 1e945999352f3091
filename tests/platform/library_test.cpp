// Shared libraries loaded at run time: a real system library, and the ways loading fails.
#include "runtime/platform/library.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/platform/thread.h"

namespace korvane::platform {
namespace {

TEST(LibraryTest, FindsAndCallsCosineInTheMathLibrary) {
  Library* math = openLibrary("libm.so.6");
  ASSERT_NE(math, nullptr) << lastLibraryError();
  using Cosine = double (*)(double);
  auto cosine = reinterpret_cast<Cosine>(findSymbol(math, "cos"));
  ASSERT_NE(cosine, nullptr) << lastLibraryError();
  EXPECT_EQ(cosine(0.0), 1.0);
  EXPECT_DOUBLE_EQ(cosine(3.141592653589793), -1.0);

  EXPECT_EQ(findSymbol(math, "korvane_no_such_symbol"), nullptr);
  EXPECT_NE(lastLibraryError().find("korvane_no_such_symbol"), std::string::npos)
      << lastLibraryError();
  closeLibrary(math);
}

void readLatestError(void* argument) { *static_cast<std::string*>(argument) = lastLibraryError(); }

TEST(LibraryTest, MissingFileGivesNullAndTheReasonOnThisThreadOnly) {
  EXPECT_EQ(openLibrary("/nonexistent/libkorvane_missing.so"), nullptr);
  const std::string reason = lastLibraryError();
  EXPECT_NE(reason.find("libkorvane_missing.so"), std::string::npos) << reason;

  std::string seenElsewhere = "unread";
  Thread other;
  ASSERT_TRUE(other.start(readLatestError, &seenElsewhere));
  other.join();
  EXPECT_EQ(seenElsewhere, "");

  EXPECT_EQ(findSymbol(nullptr, "cos"), nullptr);
  EXPECT_FALSE(lastLibraryError().empty());
  closeLibrary(nullptr);
}

}  // namespace
}  // namespace korvane::platform
