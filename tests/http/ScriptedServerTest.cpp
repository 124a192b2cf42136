// The client against a scripted server: exact request bytes, status handling,
// body framing, keep-alive, cookies, line limits and work events.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "HttpTestSupport.h"
#include "http/HttpErrors.h"
#include "http/MessagePump.h"
#include "tests/http/DiscardingBody.h"

using namespace httptest;
using testsupport::PatternBytes;
using testsupport::ScriptServer;

namespace {

const std::string kStdHeaders =
    "Content-Type: text/html\r\nHost: 127.0.0.1:%PORT%\r\nAccept: text/html, */*\r\n"
    "User-Agent: Mozilla/3.0 (compatible; Quelbo Updater)\r\n\r\n";

std::string WithPort(std::string s, int port) {
  for (std::size_t at; (at = s.find("%PORT%")) != std::string::npos;) s.replace(at, 6, std::to_string(port));
  return s;
}

// A client whose reads give up after a while, so a broken test fails
// instead of hanging.
struct Client : THttpClient {
  Client() : THttpClient(nullptr) { SetReadTimeout(10000); }
};

struct RequestCase {
  const char* urlTail;  // appended to http://127.0.0.1:port
  const char* requestLine;
};

TEST(RequestBytes, ExactLinesForEachUrlForm) {
  const RequestCase cases[] = {
      {"/version/version.php", "GET /version/version.php HTTP/1.1"},
      {"/a b/c.zip", "GET /a b/c.zip HTTP/1.1"},
      {"/p/x.php?a=1#top", "GET /p/x.php?a=1 HTTP/1.1"},
      {"/dl/file=1.zip", "GET /dl/file=1.zip HTTP/1.1"},
      {"\\dir\\f.zip", "GET /dir/f.zip HTTP/1.1"},
      {"", "GET / HTTP/1.1"},
  };
  for (const RequestCase& c : cases) {
    ScriptServer server(OneResponse("HTTP/1.1 200 OK\\r\\nContent-Length: 2\\r\\n\\r\\nok"));
    Client client;
    EXPECT_EQ(client.Get("http://127.0.0.1:" + std::to_string(server.Port()) + c.urlTail), "ok");
    EXPECT_EQ(server.Requests(), std::string(c.requestLine) + "\r\n" + WithPort(kStdHeaders, server.Port()))
        << c.urlTail;
  }
}

TEST(RequestBytes, LaterUrlsBuildOnTheCurrentOne) {
  const std::string ok = "send HTTP/1.1 200 OK\\r\\nContent-Length: 2\\r\\n\\r\\nok";
  ScriptServer server(Lines(
      {"accept", "expect-request", ok, "expect-request", ok, "expect-request", ok, "expect-request", ok, "close"}));
  Client client;
  client.Get(server.Url("/a/b/c.php?x=1"));
  client.Get("../d/e.php");              // relative: resolved against /a/b/
  client.Get("/z.php");                  // same host and port
  client.Get("http://127.0.0.1/w.php");  // no port: a port other than 80 stays
  std::string requests = server.Requests();
  std::vector<std::string> lines;
  for (std::size_t at = 0; (at = requests.find("GET ", at)) != std::string::npos; at += 4)
    lines.push_back(requests.substr(at, requests.find("\r\n", at) - at));
  EXPECT_EQ(lines, (std::vector<std::string>{"GET /a/b/c.php?x=1 HTTP/1.1", "GET /a/d/e.php HTTP/1.1",
                                             "GET /z.php HTTP/1.1", "GET /w.php HTTP/1.1"}));
  EXPECT_EQ(client.Request().Host, "127.0.0.1:" + std::to_string(server.Port()));
  EXPECT_EQ(server.Finish(), 0);
}

TEST(RequestBytes, PortEightyLeavesTheHostHeaderBare) {
  // Whatever answers on port 80 (usually nothing), the request was prepared.
  THttpClient client(nullptr);
  try {
    client.Get("http://127.0.0.1/version/version.php");
  } catch (const Exception&) {
  }
  EXPECT_EQ(client.Request().Host, "127.0.0.1");
  EXPECT_EQ(client.Request().URL, "/version/version.php");
  EXPECT_EQ(client.Port(), 80);
  EXPECT_EQ(client.URL().Port, "80");
}

TEST(RequestBytes, LocalhostInAnyCaseConnectsWithoutLookup) {
  ScriptServer server(OneResponse("HTTP/1.1 200 OK\\r\\nContent-Length: 2\\r\\n\\r\\nok"));
  Client client;
  EXPECT_EQ(client.Get("http://LocalHost:" + std::to_string(server.Port()) + "/x"), "ok");
  EXPECT_NE(server.Requests().find("\r\nHost: LocalHost:" + std::to_string(server.Port()) + "\r\n"), std::string::npos);
}

struct ResponseCase {
  const char* name;
  const char* script;      // what the server sends (script escapes)
  const char* body;        // expected body, or the error body text
  const char* errorClass;  // nullptr for success
  const char* errorText;
  int code;
  bool connectedAfter;
};

const ResponseCase kResponses[] = {
    {"length", "HTTP/1.1 200 OK\\r\\nContent-Length: 5\\r\\n\\r\\n1.0|x", "1.0|x", nullptr, "", 200, true},
    {"length_close", "HTTP/1.1 200 OK\\r\\nConnection: close\\r\\nContent-Length: 5\\r\\n\\r\\n1.0|x", "1.0|x", nullptr,
     "", 200, false},
    {"http10_to_close", "HTTP/1.0 200 OK\\r\\n\\r\\nuntil the end", "until the end", nullptr, "", 200, false},
    {"bad_length_to_close", "HTTP/1.1 200 OK\\r\\nContent-Length: x\\r\\n\\r\\nall", "all", nullptr, "", 200, false},
    {"chunked", "HTTP/1.1 200 OK\\r\\nTransfer-Encoding: chunked\\r\\n\\r\\n5\\r\\nhello\\r\\n0\\r\\n\\r\\n", "hello",
     nullptr, "", 200, true},
    {"chunked_ext_trailer",
     "HTTP/1.1 200 OK\\r\\nTransfer-Encoding: chunked\\r\\n\\r\\n3;n=v\\r\\nabc\\r\\nA \\r\\n0123456789\\r\\n"
     "0\\r\\nX-T: 1\\r\\n\\r\\n",
     "abc0123456789", nullptr, "", 200, true},
    {"continue", "HTTP/1.1 100 Continue\\r\\n\\r\\nHTTP/1.1 200 OK\\r\\nContent-Length: 2\\r\\n\\r\\nok", "ok", nullptr,
     "", 200, true},
    {"no_content", "HTTP/1.1 204 No Content\\r\\n\\r\\n", "", nullptr, "", 204, true},
    {"zero_length", "HTTP/1.1 200 OK\\r\\nContent-Length: 0\\r\\n\\r\\n", "", nullptr, "", 200, true},
    {"redirect", "HTTP/1.1 302 Found\\r\\nLocation: /other\\r\\nContent-Length: 3\\r\\n\\r\\nmov", "mov",
     "EHttpProtocolError", "HTTP/1.1 302 Found", 302, true},
    {"created_with_location", "HTTP/1.1 201 Created\\r\\nLocation: /new\\r\\nContent-Length: 0\\r\\n\\r\\n", "",
     "EHttpProtocolError", "HTTP/1.1 201 Created", 201, true},
    {"not_modified", "HTTP/1.1 304 Not Modified\\r\\nContent-Length: 0\\r\\n\\r\\n", "", "EHttpProtocolError",
     "HTTP/1.1 304 Not Modified", 304, true},
    {"switching", "HTTP/1.1 101 Switching Protocols\\r\\nContent-Length: 0\\r\\n\\r\\n", "", "EHttpProtocolError",
     "HTTP/1.1 101 Switching Protocols", 101, true},
    {"unreadable_status", "HTTP/1.1 OK\\r\\nContent-Length: 0\\r\\n\\r\\n", "", "EHttpProtocolError", "HTTP/1.1 OK", -1,
     true},
    {"server_error_chunked",
     "HTTP/1.1 500 Oops\\r\\nTransfer-Encoding: chunked\\r\\n\\r\\n4\\r\\nfail\\r\\n0\\r\\n\\r\\n", "fail",
     "EHttpProtocolError", "HTTP/1.1 500 Oops", 500, true},
    {"error_page_cut_short", "HTTP/1.1 404 Not Found\\r\\nContent-Length: 100\\r\\n\\r\\nshort", "short",
     "EHttpProtocolError", "HTTP/1.1 404 Not Found", 404, false},
    {"closed_in_headers", "HTTP/1.1 200 OK\\r\\nServer: x\\r\\n", "", "ENetError", "Undefined situation", 200, false},
    {"body_cut_short", "HTTP/1.1 200 OK\\r\\nContent-Length: 10\\r\\n\\r\\n1234", "1234", "EConnClosedGracefully",
     "Connection Closed Gracefully.", 200, false},
    {"chunked_cut_short", "HTTP/1.1 200 OK\\r\\nTransfer-Encoding: chunked\\r\\n\\r\\n9\\r\\nabc", "abc",
     "EConnClosedGracefully", "Connection Closed Gracefully.", 200, false},
    {"bad_chunk_size", "HTTP/1.1 200 OK\\r\\nTransfer-Encoding: chunked\\r\\n\\r\\nzz\\r\\nabc\\r\\n0\\r\\n\\r\\n", "",
     "EHttpFramingError", "Invalid chunk size: zz", 200, false},
    {"huge_chunk", "HTTP/1.1 200 OK\\r\\nTransfer-Encoding: chunked\\r\\n\\r\\n100000000\\r\\nabc", "",
     "EHttpFramingError", "Chunk size 100000000 is out of range.", 200, false},
    {"huge_length", "HTTP/1.1 200 OK\\r\\nContent-Length: 99999999999999\\r\\n\\r\\nabc", "", "EHttpFramingError",
     "Content-Length 99999999999999 is out of range.", -1, false},
    {"chunks_beyond_the_length_limit",
     "HTTP/1.1 200 OK\\r\\nTransfer-Encoding: chunked\\r\\n\\r\\n1\\r\\na\\r\\n7fffffff\\r\\nbc", "a",
     "EHttpFramingError", "Body of more than 2147483647 bytes is out of range.", 200, false},
    {"nothing_at_all", "", "", "EConnClosedGracefully", "Connection Closed Gracefully.", -1, false},
    {"length_before_chunked",
     "HTTP/1.1 200 OK\\r\\nContent-Length: 3\\r\\nTransfer-Encoding: chunked\\r\\n\\r\\n3\\r\\nabc", "3\r\n", nullptr,
     "", 200, true},
    {"proxy_connection_close", "HTTP/1.1 200 OK\\r\\nProxy-Connection:  Close \\r\\nContent-Length: 1\\r\\n\\r\\nz",
     "z", nullptr, "", 200, false},
    {"folded_header", "HTTP/1.1 200 OK\\r\\nConnection:\\r\\n close\\r\\nContent-Length: 1\\r\\n\\r\\nz", "z", nullptr,
     "", 200, false},
};

void PrintTo(const ResponseCase& c, std::ostream* os) { *os << c.name; }

class Responses : public ::testing::TestWithParam<ResponseCase> {};

TEST_P(Responses, StatusAndFraming) {
  const ResponseCase& c = GetParam();
  ScriptServer server(Lines({"accept", "expect-request", std::string("send ") + c.script, "sleep 100", "close"}));
  Client client;
  TMemoryStream stream;
  std::string errorClass, errorText, errorBody;
  int errorCode = 0;
  try {
    client.Get(server.Url("/r"), stream);
  } catch (const EHttpProtocolError& e) {
    errorClass = e.ClassName();
    errorText = e.Message();
    errorBody = e.ErrorMessage();
    errorCode = e.ErrorCode();
  } catch (const Exception& e) {
    errorClass = e.ClassName();
    errorText = e.Message();
  }
  if (!c.errorClass) {
    EXPECT_EQ(errorClass, "") << errorText;
    EXPECT_EQ(Body(stream), c.body);
    EXPECT_EQ(client.ResponseCode(), c.code);
  } else {
    EXPECT_EQ(errorClass, c.errorClass);
    EXPECT_EQ(errorText, c.errorText);
    if (errorClass == "EHttpProtocolError") {
      EXPECT_EQ(errorCode, c.code);
      EXPECT_EQ(errorBody, c.body);
      EXPECT_EQ(stream.Size(), 0);  // an error body never reaches the caller's stream
    } else {
      EXPECT_EQ(Body(stream), c.body);  // what arrived is kept, nothing more
    }
  }
  EXPECT_EQ(client.Connected(), c.connectedAfter);
}

INSTANTIATE_TEST_SUITE_P(Table, Responses, ::testing::ValuesIn(kResponses),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Responses, AnnouncedLengthCostsNoMemoryBeforeTheFirstByte) {
  ScriptServer server(OneResponse("HTTP/1.1 200 OK\\r\\nContent-Length: 2000000000\\r\\n\\r\\n"));
  Client client;
  TMemoryStream stream;
  EXPECT_THROW(client.Get(server.Url("/big"), stream), EConnClosedGracefully);
  EXPECT_EQ(stream.Capacity(), 0);
}

// Resident memory of this process, as Linux tells it.
std::int64_t ResidentBytes() {
#ifdef _WIN32
  return 0;
#else
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<std::int64_t>(resident) * sysconf(_SC_PAGESIZE);
#endif
}

TEST(Responses, AnnouncedLengthCostsNoMemoryForBytesThatHaveNotCome) {
#ifdef _WIN32
  GTEST_SKIP() << "reads the resident memory that Linux shows in /proc";
#endif
  ScriptServer server(
      Lines({"accept", "expect-request", "send HTTP/1.1 200 OK\\r\\nContent-Length: 600000000\\r\\n\\r\\nx",
             "sleep 300", "send-body 40000", "sleep 300", "close"}));
  Client client;
  TMemoryStream stream;
  const std::int64_t before = ResidentBytes();
  std::vector<std::int64_t> grewBy, capacities, counts;
  client.OnWork = [&](TObject*, TWorkMode, std::int32_t count) {
    grewBy.push_back(ResidentBytes() - before);
    capacities.push_back(stream.Capacity());
    counts.push_back(count);
  };
  EXPECT_THROW(client.Get(server.Url("/big"), stream), EConnClosedGracefully);
  ASSERT_EQ(counts.size(), 3u);
  EXPECT_EQ(counts.back(), 40001);
  for (std::size_t i = 0; i < counts.size(); ++i) {
    EXPECT_LT(grewBy[i], 16 << 20) << "after " << counts[i] << " bytes";
    EXPECT_LT(capacities[i], 2 * counts[i] + 65536) << "after " << counts[i] << " bytes";
  }
}

TEST(Responses, ABodyReadToTheCloseStopsAtTheLengthLimit) {
  const std::int64_t limit = 2147483647;  // the largest Content-Length accepted
  ScriptServer server(Lines({"accept", "expect-request", "send HTTP/1.0 200 OK\\r\\n\\r\\n",
                             "send-body " + std::to_string(limit + 1), "close"}));
  Client client;
  httptest::DiscardingBody body;
  try {
    client.Get(server.Url("/endless"), body);
    ADD_FAILURE() << "no error";
  } catch (const EHttpFramingError& e) {
    EXPECT_EQ(e.Message(), "Body of more than 2147483647 bytes is out of range.");
  }
  EXPECT_LE(body.size, limit);
  EXPECT_FALSE(client.Connected());
}

TEST(Responses, LineLimit) {
  for (const char* where : {"status", "header"}) {
    std::string longLine(20000, 'x');
    std::string resp = std::string(where) == "status" ? "HTTP/1.1 200 " + longLine + "\\r\\n\\r\\n"
                                                      : "HTTP/1.1 200 OK\\r\\nX: " + longLine + "\\r\\n\\r\\n";
    ScriptServer server(OneResponse(resp));
    Client client;
    try {
      client.Get(server.Url("/"));
      ADD_FAILURE() << where;
    } catch (const EMaxLineLengthExceeded& e) {
      EXPECT_EQ(e.Message(), "Max line length exceeded.");
    }
    EXPECT_FALSE(client.Connected()) << "a connection inside a response is not kept";
  }
  // A line of exactly the limit is fine.
  ScriptServer server(
      OneResponse("HTTP/1.1 200 OK\\r\\nX: " + std::string(16384 - 3, 'y') + "\\r\\nContent-Length: 2\\r\\n\\r\\nok"));
  Client client;
  EXPECT_EQ(client.Get(server.Url("/")), "ok");
}

TEST(Responses, ResetMidBodyIsASocketError) {
#ifdef _WIN32
  GTEST_SKIP() << "Wine reports a reset that follows data as the end of the stream";
#endif
  ScriptServer server(Lines({"accept", "expect-request", "send HTTP/1.1 200 OK\\r\\nContent-Length: 100\\r\\n\\r\\nab",
                             "sleep 200", "reset"}));
  Client client;
  try {
    client.Get(server.Url("/"));
    ADD_FAILURE();
  } catch (const ESocketError& e) {
    EXPECT_EQ(e.LastError(), 10054);
    EXPECT_EQ(e.Message(), "Socket Error # 10054\r\nConnection reset by peer.");
  }
}

TEST(Responses, ErrorBodyIsReadWithATwoSecondLimit) {
  ScriptServer server(
      Lines({"accept", "expect-request", "send HTTP/1.1 404 Not Found\\r\\nContent-Length: 100\\r\\n\\r\\nonly this",
             "hold 5000"}));
  THttpClient client(nullptr);  // no read limit of its own
  try {
    client.Get(server.Url("/"));
    ADD_FAILURE();
  } catch (const EReadTimeout& e) {
    EXPECT_EQ(e.Message(), "Read Timeout");
  }
  EXPECT_EQ(client.ReadTimeout(), 0);
}

TEST(KeepAlive, TwoRequestsShareOneConnection) {
  ScriptServer server(Lines({"accept", "expect-request", "send HTTP/1.1 200 OK\\r\\nContent-Length: 1\\r\\n\\r\\na",
                             "expect-request", "send HTTP/1.1 200 OK\\r\\nContent-Length: 1\\r\\n\\r\\nb", "close"}));
  Client client;
  EXPECT_EQ(client.Get(server.Url("/1")), "a");
  EXPECT_TRUE(client.Connected());
  EXPECT_EQ(client.Get(server.Url("/2")), "b");
  EXPECT_EQ(server.Finish(), 0);
}

TEST(KeepAlive, ServerCloseBetweenRequestsMeansANewConnection) {
  ScriptServer server(
      Lines({"accept", "expect-request", "send HTTP/1.1 200 OK\\r\\nContent-Length: 1\\r\\n\\r\\na", "close", "accept",
             "expect-request", "send HTTP/1.1 200 OK\\r\\nContent-Length: 1\\r\\n\\r\\nb", "close"}));
  Client client;
  EXPECT_EQ(client.Get(server.Url("/1")), "a");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(client.Get(server.Url("/2")), "b");
  EXPECT_EQ(server.Finish(), 0);
}

TEST(KeepAlive, UnaskedBytesOnAKeptConnectionAreNotTakenForTheNextResponse) {
  ScriptServer server(
      Lines({"accept", "expect-request",
             "send HTTP/1.1 200 OK\\r\\nContent-Length: 1\\r\\n\\r\\naHTTP/1.1 200 OK\\r\\n\\r\\nstale", "accept",
             "expect-request", "send HTTP/1.1 200 OK\\r\\nContent-Length: 5\\r\\n\\r\\nfresh", "close"}));
  Client client;
  EXPECT_EQ(client.Get(server.Url("/1")), "a");
  EXPECT_EQ(client.Get(server.Url("/2")), "fresh");
}

// A server that closes a kept connection as the next request arrives on it:
// the request goes out once more on a new connection when nothing of an
// answer came, and a failure after the first byte of one is reported.
TEST(KeepAlive, ACloseAsTheNextRequestArrivesSendsItAgainOnANewConnection) {
  const std::string first = "send HTTP/1.1 200 OK\\r\\nContent-Length: 1\\r\\n\\r\\na";
  const std::string again = "send HTTP/1.1 200 OK\\r\\nContent-Length: 1\\r\\n\\r\\nb";
  struct Case {
    const char* name;
    std::string script;
    const char* second;  // what the second Get returns, or nullptr when it fails
  };
  const Case cases[] = {
      {"closed",
       Lines(
           {"accept", "expect-request", first, "expect-request", "close", "accept", "expect-request", again, "close"}),
       "b"},
      {"reset",
       Lines(
           {"accept", "expect-request", first, "expect-request", "reset", "accept", "expect-request", again, "close"}),
       "b"},
      {"cut inside the status line",
       Lines({"accept", "expect-request", first, "expect-request", "send HTTP/1.1 2", "close"}), nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptServer server(c.script);
    Client client;
    EXPECT_EQ(client.Get(server.Url("/1")), "a");
    if (c.second) {
      EXPECT_EQ(client.Get(server.Url("/2")), c.second);
    } else {
      EXPECT_THROW(client.Get(server.Url("/2")), ENetError);
    }
    EXPECT_EQ(server.Finish(), 0);
  }
}

TEST(Cookies, SecondRequestCarriesTheCookieOfTheFirst) {
  ScriptServer server(Lines({"accept", "expect-request",
                             "send HTTP/1.1 200 OK\\r\\nSet-Cookie: sid=1; path=/\\r\\nContent-Length: 1\\r\\n\\r\\na",
                             "expect-request", "send HTTP/1.1 200 OK\\r\\nContent-Length: 1\\r\\n\\r\\nb", "close"}));
  Client client;
  EXPECT_EQ(client.CookieManager(), nullptr);
  client.Get(server.Url("/version/version.php"));
  client.Get(server.Url("/q.php"));
  std::string first = "GET /version/version.php HTTP/1.1\r\n" + WithPort(kStdHeaders, server.Port());
  std::string second = "GET /q.php HTTP/1.1\r\n" + WithPort(kStdHeaders, server.Port());
  second.insert(second.size() - 2, "Cookie: sid=1\r\n");
  EXPECT_EQ(server.Requests(), first + second);
}

TEST(WorkEvents, KnownLengthWithPartArrivingWithTheHeaders) {
  ScriptServer server(
      Lines({"accept", "expect-request", "send-with-body 1000 HTTP/1.1 200 OK\\r\\nContent-Length: 70000\\r\\n\\r\\n",
             "sleep 300", "send-body-from 1000 69000", "close"}));
  Client client;
  WorkLog log;
  log.Attach(client);
  TMemoryStream stream;
  client.Get(server.Url("/p"), stream);
  EXPECT_EQ(log.events,
            (std::vector<std::string>{"begin 70000", "work 1000", "work 33768", "work 66536", "work 70000", "end"}));
  EXPECT_EQ(Body(stream), PatternBytes(0, 70000));
  EXPECT_EQ(stream.Capacity(), 70000) << "grown as the bytes came, never beyond the announced length";
}

TEST(WorkEvents, UnknownLengthCountsWholeBlocksAndKeepsEveryByte) {
  ScriptServer server(Lines({"accept", "expect-request", "send-with-body 1000 HTTP/1.0 200 OK\\r\\n\\r\\n", "sleep 300",
                             "send-body-from 1000 69000", "close"}));
  Client client;
  WorkLog log;
  log.Attach(client);
  TMemoryStream stream;
  client.Get(server.Url("/p"), stream);
  EXPECT_EQ(log.events, (std::vector<std::string>{"begin 0", "work 1000", "work 33768", "work 66536", "end"}));
  EXPECT_EQ(Body(stream), PatternBytes(0, 70000));
}

// A chunked body is one transfer of unknown length whose count goes on from
// chunk to chunk; its framing lines are not counted. The end comes also after
// a failure, and then says the work was not complete.
TEST(WorkEvents, ChunksCountOnAsOneTransfer) {
  struct Case {
    std::string name, wire;
    std::vector<std::string> events;
    bool completes;
  } cases[] = {
      {"whole", "3\\r\\nabc\\r\\n2\\r\\nde\\r\\n0\\r\\n\\r\\n", {"begin 0", "work 3", "work 5", "end"}, true},
      {"cut in the third chunk",
       "3\\r\\nabc\\r\\n2\\r\\nde\\r\\n4\\r\\nf",
       {"begin 0", "work 3", "work 5", "work 6", "end"},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptServer server(
        Lines({"accept", "expect-request", "send HTTP/1.1 200 OK\\r\\nTransfer-Encoding: chunked\\r\\n\\r\\n" + c.wire,
               "sleep 100", "close"}));
    Client client;
    WorkLog log;
    log.Attach(client);
    TMemoryStream stream;
    bool completedAtEnd = !c.completes;
    client.OnWorkEnd = [&](TObject*, TWorkMode m) {
      log.events.push_back("end");
      completedAtEnd = client.WorkCompleted(m);
    };
    if (c.completes) client.Get(server.Url("/c"), stream);
    else EXPECT_THROW(client.Get(server.Url("/c"), stream), EConnClosedGracefully);
    EXPECT_EQ(log.events, c.events);
    EXPECT_EQ(completedAtEnd, c.completes);
    EXPECT_EQ(Body(stream), c.completes ? "abcde" : "abcdef");
  }
}

// Error and redirect pages are read (the status is reported with them) but
// are no progress of the transfer the caller asked for.
TEST(WorkEvents, ErrorAndRedirectBodiesReportNoWork) {
  for (std::string status : {"404 Not Found", "302 Found\\r\\nLocation: /elsewhere"}) {
    SCOPED_TRACE(status);
    ScriptServer server(
        Lines({"accept", "expect-request",
               "send-with-body 512 HTTP/1.1 " + status + "\\r\\nContent-Length: 512\\r\\n\\r\\n", "close"}));
    Client client;
    WorkLog log;
    log.Attach(client);
    TMemoryStream stream;
    try {
      client.Get(server.Url("/p"), stream);
      ADD_FAILURE() << "no error";
    } catch (const EHttpProtocolError& e) {
      EXPECT_EQ(e.ErrorMessage().size(), 512u);
    }
    EXPECT_TRUE(log.events.empty()) << ::testing::PrintToString(log.events);
  }
}

TEST(Protocols, HttpsAndUnknownProtocolsFailBeforeConnecting) {
  Client client;
  try {
    client.Get("https://127.0.0.1:1/x");
    ADD_FAILURE();
  } catch (const ETransportInvalid& e) {
    EXPECT_EQ(e.Message(), "IOHandler value is not valid");
  }
  THttpClient fresh(nullptr);
  EXPECT_THROW(fresh.Get("ftp://127.0.0.1/x"), EUnknownProtocol);
}

// A port of 127.0.0.1 that was free a moment ago, so nothing listens there.
int ClosedPort() {
  const testsupport::CommandResult r = testsupport::RunCommand(
      {"python3", "-c", "import socket; s = socket.socket(); s.bind(('127.0.0.1', 0)); print(s.getsockname()[1])"});
  return std::atoi(r.out.c_str());
}

TEST(ConnectErrors, RefusedAndHostNotFound) {
  const std::string url = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/x";
  THttpClient plain(nullptr);  // no pump and no limit: the connect blocks and fails
  try {
    plain.Get(url);
    ADD_FAILURE();
  } catch (const ESocketError& e) {
    EXPECT_EQ(e.Message(), "Socket Error # 10061\r\nConnection refused.");
  }
  {
    TMessagePump pump(nullptr);  // with a pump the connect runs in its thread
    THttpClient pumped(nullptr);
    try {
      pumped.Get(url);
      ADD_FAILURE();
    } catch (const EConnectError& e) {
      EXPECT_STREQ(e.ClassName(), "EConnectError");
      EXPECT_EQ(e.Message(), "Socket Error # 10061\r\nConnection refused.");
    }
    EXPECT_FALSE(pumped.Connected());
  }
  try {
    THttpClient fresh(nullptr);  // a client that has no host yet
    fresh.Get("http:///x");
    ADD_FAILURE();
  } catch (const ESocketError& e) {
    EXPECT_EQ(e.Message(), "Socket Error # 11001\r\nHost not found.");
  }
}

}  // namespace
