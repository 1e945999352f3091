// The session inside the started runtime: created idle by the start-up, and ended by the program
// end with a Leave for every local player that has an id.
#include <gtest/gtest.h>

#include <string>

#include "runtime/net/net_session.h"
#include "tests/net/net_test_support.h"
#include "tests/support/child_program.h"

namespace korvane {
namespace {

TEST(NetRuntimeTest, TheProgramEndLeavesTheSession) {
  NetSession host;
  const std::string port = std::to_string(testing::freeUdpPort());
  ASSERT_EQ(host.hostSession(RtString(port.c_str())), 1);
  testing::ChildProgram probe(std::string("'") + KORVANE_NET_RUNTIME_PROBE + "' " + port);
  probe.readUntil("id ");
  EXPECT_EQ(probe.value("session"), "1") << "the start-up made the session";
  EXPECT_EQ(probe.value("joined"), "1");
  EXPECT_EQ(probe.value("id"), "102") << "after the join's session player";
  EXPECT_EQ(probe.exitCode(), 0);
  // Its session player and its player said Leave before the process ended.
  EXPECT_TRUE(testing::waitUntil([&] { return host.serverPlayerCount() == 0; }, 3))
      << host.serverPlayerCount() << " players left";
}

}  // namespace
}  // namespace korvane
