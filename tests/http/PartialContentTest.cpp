// Requests for the rest of a body and the partial responses the client takes:
// the Range and If-Range lines on the wire, and a 206 accepted only when its
// Content-Range is the part asked for and its body exactly that part.
#include <gtest/gtest.h>

#include "HttpTestSupport.h"
#include "http/HttpErrors.h"

using namespace httptest;
using testsupport::PatternBytes;
using testsupport::ScriptServer;

namespace {

struct Client : THttpClient {
  Client() : THttpClient(nullptr) { SetReadTimeout(10000); }
};

struct PartialCase {
  const char* name;
  std::string response;  // script lines after the request
  bool accepted;
};

const std::string k206 = "send HTTP/1.1 206 Partial Content\\r\\n";

const PartialCase kPartials[] = {
    {"exact", k206 + "Content-Range: bytes 10-19/20\\r\\nContent-Length: 10\\r\\n\\r\\n\nsend-body-from 10 10", true},
    {"chunked",
     k206 + "Content-Range: bytes 10-19/20\\r\\nTransfer-Encoding: chunked\\r\\n\\r\\na\\r\\n\n"
            "send-body-from 10 10\nsend \\r\\n0\\r\\n\\r\\n",
     true},
    {"to the close", k206 + "Content-Range: bytes 10-19/20\\r\\nConnection: close\\r\\n\\r\\n\nsend-body-from 10 10",
     true},
    {"complete length unknown",
     k206 + "Content-Range: bytes 10-19/*\\r\\nContent-Length: 10\\r\\n\\r\\n\n"
            "send-body-from 10 10",
     true},
    {"another start", k206 + "Content-Range: bytes 0-19/20\\r\\nContent-Length: 20\\r\\n\\r\\n\nsend-body 20", false},
    {"short of the end",
     k206 + "Content-Range: bytes 10-18/20\\r\\nContent-Length: 9\\r\\n\\r\\n\n"
            "send-body-from 10 9",
     false},
    {"another length", k206 + "Content-Range: bytes 10-19/20\\r\\nContent-Length: 9\\r\\n\\r\\n\nsend-body-from 10 9",
     false},
    {"no content range", k206 + "Content-Length: 10\\r\\n\\r\\n\nsend-body-from 10 10", false},
    {"malformed content range",
     k206 + "Content-Range: bytes 10-19\\r\\nContent-Length: 10\\r\\n\\r\\n\n"
            "send-body-from 10 10",
     false},
    {"unsatisfied range", k206 + "Content-Range: bytes */20\\r\\nContent-Length: 0\\r\\n\\r\\n", false},
    {"several parts",
     k206 + "Content-Type: multipart/byteranges; boundary=B\\r\\nContent-Length: 10\\r\\n\\r\\n\n"
            "send-body-from 10 10",
     false},
    {"chunks beyond the range",
     k206 + "Content-Range: bytes 10-19/20\\r\\nTransfer-Encoding: chunked\\r\\n\\r\\n"
            "b\\r\\n\nsend-body-from 10 11\nsend \\r\\n0\\r\\n\\r\\n",
     false},
    {"chunks short of the range",
     k206 + "Content-Range: bytes 10-19/20\\r\\nTransfer-Encoding: chunked\\r\\n\\r\\n"
            "9\\r\\n\nsend-body-from 10 9\nsend \\r\\n0\\r\\n\\r\\n",
     false},
};

void PrintTo(const PartialCase& c, std::ostream* os) { *os << c.name; }

class PartialContent : public ::testing::TestWithParam<PartialCase> {};

TEST_P(PartialContent, TakenOnlyWhenItIsThePartAskedFor) {
  const PartialCase& c = GetParam();
  ScriptServer server(Lines({"accept", "expect-request", c.response, "sleep 100", "close"}));
  Client client;
  client.Request().ContentRangeStart = 10;
  client.Request().IfRange = "\"e1\"";
  TMemoryStream body;
  std::string error;
  try {
    client.Get(server.Url("/p"), body);
  } catch (const EHttpRangeError& e) {
    error = e.Message();
  }
  EXPECT_NE(server.Requests().find("\r\nRange: bytes=10-\r\nIf-Range: \"e1\"\r\n"), std::string::npos);
  if (c.accepted) {
    EXPECT_EQ(error, "");
    EXPECT_EQ(Body(body), PatternBytes(10, 10));
  } else {
    EXPECT_NE(error, "");
    EXPECT_LE(body.Size(), 10) << "never more than the part asked for";
    EXPECT_FALSE(client.Connected());
  }
}

INSTANTIATE_TEST_SUITE_P(Table, PartialContent, ::testing::ValuesIn(kPartials), [](const auto& info) {
  std::string n = info.param.name;
  for (char& ch : n)
    if (ch == ' ') ch = '_';
  return n;
});

// A request for the last 10 bytes of a body: its end, whatever its length.
TEST(PartialContent, TheEndOfABodyIsTakenOnlyWhenItIsItsEnd) {
  const struct {
    const char* name;
    const char* contentRange;
    int first, count;
    bool accepted;
  } cases[] = {
      {"the last ten", "bytes 10-19/20", 10, 10, true},    {"all of a shorter body", "bytes 0-7/8", 0, 8, true},
      {"short of the end", "bytes 9-18/20", 9, 10, false}, {"more than asked", "bytes 9-19/20", 9, 11, false},
      {"length unknown", "bytes 10-19/*", 10, 10, false},
  };
  for (const auto& c : cases) {
    const std::string response = k206 + "Content-Range: " + c.contentRange +
                                 "\\r\\nContent-Length: " + std::to_string(c.count) + "\\r\\n\\r\\n\nsend-body-from " +
                                 std::to_string(c.first) + " " + std::to_string(c.count);
    ScriptServer server(Lines({"accept", "expect-request", response, "sleep 100", "close"}));
    Client client;
    client.Request().ContentRangeStart = -10;
    TMemoryStream body;
    std::string error;
    try {
      client.Get(server.Url("/p"), body);
    } catch (const EHttpRangeError& e) {
      error = e.Message();
    }
    EXPECT_NE(server.Requests().find("\r\nRange: bytes=-10\r\n"), std::string::npos) << c.name;
    if (c.accepted) {
      EXPECT_EQ(error, "") << c.name;
      EXPECT_EQ(Body(body), PatternBytes(c.first, c.count)) << c.name;
    } else {
      EXPECT_NE(error, "") << c.name;
    }
  }
}

TEST(PartialContent, ToARequestForTheWholeBodyIsAnError) {
  ScriptServer server(
      OneResponse("HTTP/1.1 206 Partial Content\\r\\nContent-Range: bytes 0-1/4\\r\\n"
                  "Content-Length: 2\\r\\n\\r\\nab"));
  Client client;
  TMemoryStream body;
  try {
    client.Get(server.Url("/p"), body);
    ADD_FAILURE() << "no error";
  } catch (const EHttpRangeError& e) {
    EXPECT_EQ(e.Message(), "Partial content (206) to a request that asked for no range.");
  }
  EXPECT_EQ(body.Size(), 0);
  EXPECT_EQ(server.Requests().find("Range:"), std::string::npos);
}

TEST(PartialContent, AResponseTheCallerRefusesLeavesTheBodyUnreadAndTheConnectionClosed) {
  ScriptServer server(
      Lines({"accept", "expect-request",
             "send HTTP/1.1 200 OK\\r\\nETag: \\\"e2\\\"\\r\\nContent-Length: 5\\r\\n\\r\\nhello", "hold 2000"}));
  Client client;
  TMemoryStream body;
  TMemoryStore store(body);
  AnsiString seen;
  EXPECT_THROW(client.Get(server.Url("/p"), store,
                          [&](const THttpResponse& r) {
                            seen = r.ETag;
                            throw EHttpRangeError("refused");
                          }),
               EHttpRangeError);
  EXPECT_EQ(seen, "\"e2\"");
  EXPECT_EQ(body.Size(), 0);
  EXPECT_FALSE(client.Connected());
}

}  // namespace
