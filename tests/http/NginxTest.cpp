// The client against a real nginx on 127.0.0.1.
#include <gtest/gtest.h>

#include "http/HttpErrors.h"
#include "HttpTestSupport.h"

using namespace httptest;
using testsupport::NginxServer;
using testsupport::PatternBytes;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

constexpr std::size_t kLargeSize = 5 * 1024 * 1024 + 123;
const char* kVersionReply = "2.0|http://127.0.0.1/p/|a.zip|\xBF\xAA\xCA\xBC\xD3\xCE\xCF\xB7.exe";

class Nginx : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root = new TempDir;
    WriteFile(*root / "version/version.php", kVersionReply);
    WriteFile(*root / "close/file.txt", "closing");
    WriteFile(*root / "large.bin", PatternBytes(0, kLargeSize));
    server = new NginxServer(root->Path());
  }
  static void TearDownTestSuite() {
    delete server;
    delete root;
  }
  static TempDir* root;
  static NginxServer* server;
};
TempDir* Nginx::root = nullptr;
NginxServer* Nginx::server = nullptr;

// Exposes the connection's socket so a test can see which one carried a request.
struct ProbeClient : THttpClient {
  ProbeClient() : THttpClient(nullptr) { SetReadTimeout(20000); }
  int LocalPort() const { return Socket() && Socket()->LocalPort() ? Socket()->LocalPort() : -1; }
};

TEST_F(Nginx, VersionEndpointAsStaticFile) {
  ProbeClient client;
  EXPECT_EQ(client.Get(server->Url("/version/version.php")), kVersionReply);
  EXPECT_EQ(client.ResponseCode(), 200);
  EXPECT_EQ(client.Response().ContentType, "text/plain");
}

TEST_F(Nginx, KeepAliveReusesTheConnection) {
  ProbeClient client;
  client.Get(server->Url("/version/version.php"));
  ASSERT_TRUE(client.Connected());
  int port = client.LocalPort();
  client.Get(server->Url("/version/version.php"));
  EXPECT_EQ(client.LocalPort(), port);
  EXPECT_TRUE(client.Response().KeepAlive);
}

TEST_F(Nginx, ConnectionCloseEndsTheConnectionAndTheNextRequestReconnects) {
  ProbeClient client;
  EXPECT_EQ(client.Get(server->Url("/close/file.txt")), "closing");
  EXPECT_EQ(client.Response().Connection, "close");
  EXPECT_FALSE(client.Connected());
  EXPECT_EQ(client.Get(server->Url("/version/version.php")), kVersionReply);
}

TEST_F(Nginx, NotFoundPageTravelsWithTheError) {
  ProbeClient client;
  try {
    client.Get(server->Url("/missing.zip"));
    ADD_FAILURE();
  } catch (const EHttpProtocolError& e) {
    EXPECT_EQ(e.Message(), "HTTP/1.1 404 Not Found");
    EXPECT_EQ(e.ErrorCode(), 404);
    EXPECT_NE(e.ErrorMessage().find("<title>404 Not Found</title>"), std::string::npos);
  }
  EXPECT_TRUE(client.Connected()) << "the whole error page was read, so the connection stays";
  EXPECT_EQ(client.Get(server->Url("/version/version.php")), kVersionReply);
}

TEST_F(Nginx, DirectoryWithoutSlashIsARedirectError) {
  ProbeClient client;
  try {
    client.Get(server->Url("/version"));
    ADD_FAILURE();
  } catch (const EHttpProtocolError& e) {
    EXPECT_EQ(e.ErrorCode(), 301);
  }
}

TEST_F(Nginx, LargeBodyIntoMemoryWithProgress) {
  ProbeClient client;
  WorkLog log;
  log.Attach(client);
  TMemoryStream stream;
  client.Get(server->Url("/large.bin"), stream);
  ASSERT_EQ(static_cast<std::size_t>(stream.Size()), kLargeSize);
  EXPECT_TRUE(Body(stream) == PatternBytes(0, kLargeSize));
  EXPECT_EQ(stream.Capacity(), static_cast<std::int64_t>(kLargeSize));
  ASSERT_GE(log.events.size(), 3u);
  EXPECT_EQ(log.events.front(), "begin " + std::to_string(kLargeSize));
  EXPECT_EQ(log.events[log.events.size() - 2], "work " + std::to_string(kLargeSize));
  EXPECT_EQ(log.events.back(), "end");
  // Work comes per completed 32768-byte block (plus the part that came with the headers).
  EXPECT_LE(log.events.size(), kLargeSize / 32768 + 5);
}

TEST_F(Nginx, LargeBodyIntoAFileStreamAfterExistingContent) {
  TempDir dir;
  {
    TFileStream file(dir / "out.bin", fmCreate);
    file.WriteBuffer("head", 4);
    ProbeClient client;
    TStreamStore store(file);
    client.Get(server->Url("/large.bin"), store);
  }
  EXPECT_TRUE(testsupport::ReadFile(dir / "out.bin") == "head" + PatternBytes(0, kLargeSize));
}

}  // namespace
