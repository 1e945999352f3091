// The stream contract under the HTTP fetch: lookups, connects within a time limit, and receives
// that tell a normal end from a reset and from silence.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "runtime/platform/stream_socket.h"
#include "tests/lib/http_servers.h"

namespace korvane::platform {
namespace {

using korvane::testing::LoopbackServer;

TEST(StreamLookupTest, NamesAndDottedAddresses) {
  setenv("RES_OPTIONS", "timeout:1 attempts:1", 1);
  struct Case {
    const char* name;
    StreamResult result;
    uint32_t host;
  };
  const Case cases[] = {
      {"127.0.0.1", StreamResult::kOk, 0x7F000001},
      {"10.1.2.3", StreamResult::kOk, 0x0A010203},
      {"localhost", StreamResult::kOk, 0x7F000001},
      {"", StreamResult::kUnknownHost, 0},
      {"no-such-host.invalid", StreamResult::kUnknownHost, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    uint32_t host = 12345;
    EXPECT_EQ(resolveHostName(c.name, host), c.result);
    EXPECT_EQ(host, c.host);
  }
}

class StreamSocketTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    raw_ = std::make_unique<LoopbackServer>(korvane::testing::rawServerCommand());
  }
  static void TearDownTestSuite() { raw_.reset(); }
  void SetUp() override { ASSERT_NE(raw_->port(), 0) << "the raw server did not start"; }

  // Sends a request for `path` and receives until something other than data comes.
  static StreamResult replyEnd(const std::string& path, int limitMs, std::string& got) {
    StreamHandle stream = kNoStream;
    EXPECT_EQ(connectStream(0x7F000001, static_cast<uint16_t>(raw_->port()), 5000, stream),
              StreamResult::kOk);
    const std::string request = "GET " + path + " HTTP/1.0\r\n\r\n";
    EXPECT_EQ(sendAll(stream, request.data(), request.size(), 5000), StreamResult::kOk);
    StreamResult result = StreamResult::kOk;
    char buffer[100];
    for (int reads = 0; reads < 10000 && result == StreamResult::kOk; ++reads) {
      size_t received = 0;
      result = receiveWithin(stream, buffer, sizeof buffer, limitMs, received);
      EXPECT_TRUE(result == StreamResult::kOk ? received > 0 : received == 0);
      got.append(buffer, received);
    }
    closeStream(stream);
    return result;
  }

  static std::unique_ptr<LoopbackServer> raw_;
};

std::unique_ptr<LoopbackServer> StreamSocketTest::raw_;

TEST_F(StreamSocketTest, ReceiveTellsEndFromResetFromSilence) {
  std::string got;
  EXPECT_EQ(replyEnd("/same-read", 5000, got), StreamResult::kEnded);
  EXPECT_EQ(got.substr(got.size() - 10), "0123456789");
  got.clear();
  EXPECT_EQ(replyEnd("/reset", 5000, got), StreamResult::kReset);
  got.clear();
  EXPECT_EQ(replyEnd("/stall", 300, got), StreamResult::kTimedOut);
  EXPECT_NE(got.find("first part"), std::string::npos);
}

TEST_F(StreamSocketTest, ConnectFailuresLeaveNoStream) {
  StreamHandle stream = 99;
  EXPECT_EQ(connectStream(0x7F000001, static_cast<uint16_t>(raw_->number("closed")), 5000, stream),
            StreamResult::kRefused);
  EXPECT_EQ(stream, kNoStream);

  // A listener that never accepts queues a connection or two; after that a connect hangs, and
  // must give up at its limit.
  const int full = raw_->number("full");
  ASSERT_NE(full, 0);
  std::vector<StreamHandle> queued;
  StreamResult result = StreamResult::kOk;
  for (int i = 0; i < 8 && result == StreamResult::kOk; ++i) {
    stream = kNoStream;
    result = connectStream(0x7F000001, static_cast<uint16_t>(full), 300, stream);
    if (result == StreamResult::kOk) queued.push_back(stream);
  }
  EXPECT_EQ(result, StreamResult::kTimedOut);
  EXPECT_EQ(stream, kNoStream);
  for (StreamHandle q : queued) closeStream(q);
}

TEST_F(StreamSocketTest, CallsOnAClosedHandleFail) {
  char byte = 0;
  size_t received = 1;
  EXPECT_EQ(receiveWithin(kNoStream, &byte, 1, 100, received), StreamResult::kFailed);
  EXPECT_EQ(received, 0u);
  EXPECT_EQ(sendAll(kNoStream, &byte, 1, 100), StreamResult::kFailed);
}

}  // namespace
}  // namespace korvane::platform
