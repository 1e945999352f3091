// httpGetToFile against loopback servers: a real one and a raw-socket one that misbehaves on
// request. Every failure must leave the old target whole and no spare file beside it.
#include "runtime/lib/http_fetch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "runtime/lib/http_fetch_internal.h"
#include "tests/lib/http_servers.h"
#include "tests/support/files.h"

namespace korvane {
namespace {

using testing::LoopbackServer;
using testing::readFile;
using testing::ScratchDir;
using testing::writeFile;

const std::string kOldContent = "the old file, which a failed fetch must leave alone";
const std::string kPart = "first part of a body that never ends";

std::string bytewiseBody() {
  std::string body;
  for (int round = 0; round < 2; ++round) {
    for (int b = 0; b < 256; ++b) body += static_cast<char>(b);
  }
  return body;
}

// Splits `reply` into pieces at the given sizes (the rest in one last piece) and returns the
// body the scanner leaves.
std::string bodyAfterScan(const std::string& reply, const std::vector<size_t>& pieces) {
  HttpHeaderScan scan;
  std::string body;
  size_t at = 0;
  auto feed = [&](size_t size) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(reply.data()) + at;
    const size_t header = scanHttpHeader(scan, bytes, size);
    EXPECT_LE(header, size);
    body.append(reinterpret_cast<const char*>(bytes) + header, size - header);
    at += size;
  };
  for (size_t size : pieces) feed(std::min(size, reply.size() - at));
  feed(reply.size() - at);
  return body;
}

TEST(HttpHeaderScanTest, BodyStartsAfterTheFirstEmptyLineHoweverTheReplyIsSplit) {
  struct Case {
    const char* name;
    std::string reply;
    std::string body;
  };
  const Case cases[] = {
      {"crlf", "HTTP/1.0 200 OK\r\nA: b\r\n\r\nbody", "body"},
      {"bare line feeds", "HTTP/1.0 200 OK\nA: b\n\nbody", "body"},
      {"mixed ends", "HTTP/1.0 200 OK\r\nA: b\n\r\nbody", "body"},
      {"carriage returns ignored", "HTTP/1.0 200 OK\r\r\n\r\r\r\nbody", "body"},
      {"a space is a byte", "HTTP/1.0 200 OK\r\n \r\nA: b\r\n\r\nbody", "body"},
      {"blank line in the body kept", "H\r\n\r\n\r\n\r\nx\n\ny", "\r\n\r\nx\n\ny"},
      {"empty line at the start", "\n\nbody", "body"},
      {"no empty line", "HTTP/1.0 200 OK\r\nA: b\r\n", ""},
      {"empty body", "HTTP/1.0 200 OK\r\n\r\n", ""},
      {"binary body", std::string("H\n\n\0\n\r\xff", 7), std::string("\0\n\r\xff", 4)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(bodyAfterScan(c.reply, {}), c.body);
    for (size_t split = 0; split <= c.reply.size(); ++split) {
      EXPECT_EQ(bodyAfterScan(c.reply, {split}), c.body) << "split at " << split;
    }
    EXPECT_EQ(bodyAfterScan(c.reply, std::vector<size_t>(c.reply.size(), 1)), c.body);
  }
}

TEST(HttpRequestTest, BytesAreExactlyTheRequestFormat) {
  EXPECT_EQ(httpRequest("example.org", "/a/b.txt?x=1"),
            "GET /a/b.txt?x=1 HTTP/1.0\r\nHost:example.org\r\nAccept: */*\r\n"
            "User-Agent: Korvane game\r\n\r\n");
  EXPECT_EQ(httpRequest("", ""),
            "GET  HTTP/1.0\r\nHost:\r\nAccept: */*\r\nUser-Agent: Korvane game\r\n\r\n");
  // As a C format would take them: up to the first NUL.
  EXPECT_EQ(httpRequest(std::string_view("h\0x", 3), std::string_view("/p\0q", 4)),
            "GET /p HTTP/1.0\r\nHost:h\r\nAccept: */*\r\nUser-Agent: Korvane game\r\n\r\n");
}

class HttpFetchTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The resolver must not wait on a nameserver it cannot reach.
    setenv("RES_OPTIONS", "timeout:1 attempts:1", 1);
    raw_ = std::make_unique<LoopbackServer>(testing::rawServerCommand());
  }
  static void TearDownTestSuite() { raw_.reset(); }

  void SetUp() override { ASSERT_NE(raw_->port(), 0) << "the raw server did not start"; }

  std::string target() const { return (dir_.path() / "target.bin").string(); }

  double fetch(const std::string& path, const HttpLimits& limits = HttpLimits{}) {
    return httpGetToFileWithin(RtString("127.0.0.1"), RtString(path), raw_->port(),
                               RtString(target()), limits);
  }

  static std::unique_ptr<LoopbackServer> raw_;
  ScratchDir dir_{"http-fetch"};
};

std::unique_ptr<LoopbackServer> HttpFetchTest::raw_;

TEST_F(HttpFetchTest, NormalEndWritesTheBodyWholeAndGivesOne) {
  struct Case {
    const char* path;
    std::string body;
  };
  const Case cases[] = {
      {"/ten", "0123456789"},
      {"/same-read", "0123456789"},
      {"/bare-lf", "body\r\n\r\nafter a blank line"},
      {"/bytewise", bytewiseBody()},
      // Nothing is read from the header: an early close is the end of the body.
      {"/close-mid", kPart},
      // A close before the empty line: nothing of the reply is body.
      {"/no-blank-line", ""},
      {"/silent", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    writeFile(target(), kOldContent);
    EXPECT_EQ(fetch(c.path), 1.0);
    EXPECT_EQ(readFile(target()), c.body);
    EXPECT_EQ(dir_.listing(), "target.bin");
  }
}

TEST_F(HttpFetchTest, BrokenTransferGivesZeroAndLeavesTheOldFileWhole) {
  HttpLimits quick;
  quick.stallMs = 1000;
  for (const char* path : {"/reset", "/stall"}) {
    SCOPED_TRACE(path);
    writeFile(target(), kOldContent);
    EXPECT_EQ(fetch(path, quick), 0.0);
    EXPECT_EQ(readFile(target()), kOldContent);
    EXPECT_EQ(dir_.listing(), "target.bin");
  }
}

TEST_F(HttpFetchTest, FailureBeforeTheTransferMakesNoFile) {
  struct Case {
    const char* name;
    std::string host;
    int port;
  };
  const Case cases[] = {
      {"unknown host", "no-such-host.invalid", raw_->port()},
      {"refused", "127.0.0.1", raw_->number("closed")},
      {"port 0", "127.0.0.1", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(httpGetToFile(RtString(c.host.c_str()), RtString("/ten"), c.port, RtString(target())),
              0.0);
    EXPECT_EQ(dir_.listing(), "");
  }
}

TEST_F(HttpFetchTest, ConnectThatHangsIsGivenUp) {
  const int full = raw_->number("full");
  ASSERT_NE(full, 0);
  HttpLimits quick;
  quick.connectMs = 500;
  // The never-accepting listener takes a connection or two into its queue; after that, connects
  // hang. Each fetch that got in waits for a reply that never comes, until its stall limit.
  quick.stallMs = 500;
  int results = 0;
  for (int i = 0; i < 4; ++i) {
    results += httpGetToFileWithin(RtString("127.0.0.1"), RtString("/ten"), full,
                                   RtString(target()), quick) == 0.0;
  }
  EXPECT_EQ(results, 4);
  EXPECT_EQ(dir_.listing(), "");
}

TEST_F(HttpFetchTest, RequestArrivesByteForByte) {
  EXPECT_EQ(httpGetToFile(RtString("127.0.0.1:1"), RtString("/echo?q=a b"), raw_->port(),
                          RtString(target())),
            1.0);
  EXPECT_EQ(readFile(target()),
            "GET /echo?q=a b HTTP/1.0\r\nHost:127.0.0.1:1\r\nAccept: */*\r\n"
            "User-Agent: Korvane game\r\n\r\n");
}

TEST_F(HttpFetchTest, PortIsTruncatedToSixteenBits) {
  const double port = raw_->port();
  for (double given : {port + 0.9, port + 65536.0, port + 3 * 65536.0 + 0.5}) {
    SCOPED_TRACE(given);
    std::filesystem::remove(target());
    EXPECT_EQ(httpGetToFile(RtString("localhost"), RtString("/ten"), given, RtString(target())),
              1.0);
    EXPECT_EQ(readFile(target()), "0123456789");
  }
}

TEST_F(HttpFetchTest, TargetPathTakesBackslashes) {
  std::filesystem::create_directory(dir_.path() / "sub");
  const std::string spelled = dir_.path().string() + "\\sub\\file.txt";
  EXPECT_EQ(httpGetToFile(RtString("127.0.0.1"), RtString("/ten"), raw_->port(),
                          RtString(spelled.c_str())),
            1.0);
  EXPECT_EQ(readFile(dir_.path() / "sub" / "file.txt"), "0123456789");
}

TEST_F(HttpFetchTest, TargetThatCannotBeMadeGivesZero) {
  const std::string missing = (dir_.path() / "no-such-folder" / "file.txt").string();
  EXPECT_EQ(httpGetToFile(RtString("127.0.0.1"), RtString("/ten"), raw_->port(),
                          RtString(missing.c_str())),
            0.0);
  EXPECT_EQ(httpGetToFile(RtString("127.0.0.1"), RtString("/ten"), raw_->port(),
                          RtString(dir_.path().string().c_str())),
            0.0);
  EXPECT_EQ(dir_.listing(), "");
}

TEST_F(HttpFetchTest, StalledServerIsGivenUpAfterThirtySeconds) {
  writeFile(target(), kOldContent);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(
      httpGetToFile(RtString("127.0.0.1"), RtString("/stall"), raw_->port(), RtString(target())),
      0.0);
  const double waited =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(waited, kHttpStallLimitMs / 1000.0 - 1);
  EXPECT_EQ(readFile(target()), kOldContent);
}

TEST(HttpFileServerTest, FetchesFilesFromARealServer) {
  ScratchDir root("http-root");
  std::string large(3 * 1024 * 1024 + 17, '\0');
  std::mt19937 random(17);
  for (char& c : large) c = static_cast<char>(random());
  writeFile(root.path() / "large.bin", large);
  writeFile(root.path() / "small.txt", "ten bytes!");
  LoopbackServer server(testing::fileServerCommand(root.path()));
  ASSERT_NE(server.port(), 0) << "python3 -m http.server did not start";

  ScratchDir out("http-out");
  const std::string target = (out.path() / "got").string();
  for (const char* name : {"small.txt", "large.bin"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(httpGetToFile(RtString("localhost"), RtString(("/" + std::string(name)).c_str()),
                            server.port(), RtString(target.c_str())),
              1.0);
    EXPECT_EQ(readFile(target), readFile(root.path() / name));
  }
  // The status is not read: an error page is a body like any other.
  EXPECT_EQ(httpGetToFile(RtString("127.0.0.1"), RtString("/missing"), server.port(),
                          RtString(target.c_str())),
            1.0);
  EXPECT_NE(readFile(target).find("404"), std::string::npos);
  EXPECT_EQ(out.listing(), "got");
}

}  // namespace
}  // namespace korvane
