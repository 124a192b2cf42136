// The resumable fetch against scripted servers: a cut or stalled body is
// continued from the bytes held, a part that does not fit them starts the
// body over, and failures are retried after growing waits, or given up.
#include <gtest/gtest.h>

#include "HttpTestSupport.h"
#include "http/HttpErrors.h"
#include "http/MessagePump.h"
#include "http/ResumableFetch.h"

using namespace httptest;
using testsupport::PatternBytes;
using testsupport::ScriptServer;

namespace {

constexpr int kTotal = 20000;
constexpr int kCut = 8000;
constexpr int kTail = 4096;          // the default tail check
constexpr int kFrom = kCut - kTail;  // where a request for the rest begins
const std::string kETag = "ETag: \"e1\"";
const std::string kModified = "Last-Modified: Sun, 06 Nov 1994 08:49:37 GMT";
const std::string kDate = "Date: Mon, 07 Nov 1994 08:49:37 GMT";

// A status line and header lines in the script's escapes, ending the head.
std::string Head(const std::string& status, std::initializer_list<std::string> headers) {
  std::string s = "HTTP/1.1 " + status + "\\r\\n";
  for (const std::string& h : headers) s += h + "\\r\\n";
  return s + "\\r\\n";
}
std::string Length(long long n) { return "Content-Length: " + std::to_string(n); }
std::string Range(long long first, long long last, long long total) {
  return "Content-Range: bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" + std::to_string(total);
}

// One connection: the request, then what the server does.
std::string Answer(std::initializer_list<std::string> actions) {
  std::string s = "accept\nexpect-request\n";
  for (const std::string& a : actions) s += a + "\n";
  return s;
}

// The first answer: the whole body announced with its validators, cut after kCut bytes.
const std::string kCutAnswer =
    Answer({"send-with-body " + std::to_string(kCut) + " " + Head("200 OK", {kETag, kModified, kDate, Length(kTotal)}),
            "close"});
const std::string kWholeAnswer = Answer(
    {"send-with-body " + std::to_string(kTotal) + " " + Head("200 OK", {kETag, kModified, kDate, Length(kTotal)}),
     "close"});
const std::string kRestAnswer =
    Answer({"send " + Head("206 Partial Content",
                           {kETag, kModified, Range(kFrom, kTotal - 1, kTotal), Length(kTotal - kFrom)}),
            "send-body-from " + std::to_string(kFrom) + " " + std::to_string(kTotal - kFrom), "close"});

// The end of the chain: keeps the bytes and counts announcements and restarts.
struct Recorder : TBodyWriter {
  std::string bytes;
  std::vector<std::int64_t> announced;
  int restarts = 0;
  void Announce(std::int64_t Total) override { announced.push_back(Total); }
  void Write(const void* Data, std::size_t Count) override { bytes.append(static_cast<const char*>(Data), Count); }
  void Restart() override {
    bytes.clear();
    ++restarts;
  }
};

// A client, a fetch into a Recorder, and waits that are recorded, not slept.
struct Rig {
  THttpClient client{nullptr};
  Recorder end;
  TResumableFetch fetch{client, end};
  std::vector<std::int64_t> waits;
  Rig() {
    client.SetReadTimeout(10000);
    fetch.Sleep = [this](std::int64_t ms) { waits.push_back(ms); };
    fetch.Random = [] { return 0.0; };
  }
};

// The request heads a server read, one per request.
std::vector<std::string> RequestsOf(const ScriptServer& server) {
  std::vector<std::string> heads;
  const std::string all = server.Requests();
  for (std::size_t at = 0, end; (end = all.find("\r\n\r\n", at)) != std::string::npos; at = end + 4)
    heads.push_back(all.substr(at, end + 4 - at));
  return heads;
}
bool AsksForRange(const std::string& head) { return head.find("\r\nRange: ") != std::string::npos; }

struct ResumeCase {
  const char* name;
  std::string later;         // what the server does after the cut
  int restarts;              // how often the chain was told to start over
  std::vector<bool> ranged;  // per request: whether it asked for a range
};

const std::string k206 = "206 Partial Content";

const ResumeCase kResumeCases[] = {
    {"the rest fits", kRestAnswer, 0, {false, true}},
    {"the whole body again", kWholeAnswer, 1, {false, true}},
    {"range not satisfiable",
     Answer({"send " + Head("416 Range Not Satisfiable", {Length(0), "Connection: close"}), "close"}) + kWholeAnswer,
     1,
     {false, true, false}},
    {"a body of another length",
     Answer({"send " + Head(k206, {kETag, Range(kFrom, kTotal, kTotal + 1), Length(kTotal + 1 - kFrom)}),
             "send-body-from " + std::to_string(kFrom) + " " + std::to_string(kTotal + 1 - kFrom), "close"}) +
         kWholeAnswer,
     1,
     {false, true, false}},
    {"another start",
     Answer({"send " + Head(k206, {kETag, Range(0, kTotal - 1, kTotal), Length(kTotal)}),
             "send-body " + std::to_string(kTotal), "close"}) +
         kWholeAnswer,
     1,
     {false, true, false}},
    {"another length",
     Answer({"send " + Head(k206, {kETag, Range(kFrom, kTotal - 1, kTotal), Length(100)}),
             "send-body-from " + std::to_string(kFrom) + " 100", "close"}) +
         kWholeAnswer,
     1,
     {false, true, false}},
    {"the entity tag changed",
     Answer({"send " + Head(k206, {"ETag: \"e2\"", Range(kFrom, kTotal - 1, kTotal), Length(kTotal - kFrom)}),
             "send-body-from " + std::to_string(kFrom) + " " + std::to_string(kTotal - kFrom), "close"}) +
         kWholeAnswer,
     1,
     {false, true, false}},
    {"the bytes sent again differ",
     Answer({"send " + Head(k206, {kETag, Range(kFrom, kTotal - 1, kTotal), Length(kTotal - kFrom)}),
             "send-body-from " + std::to_string(kFrom + 1) + " " + std::to_string(kTotal - kFrom), "close"}) +
         kWholeAnswer,
     1,
     {false, true, false}},
    {"cut again inside the bytes sent again",
     Answer({"send " + Head(k206, {kETag, Range(kFrom, kTotal - 1, kTotal), Length(kTotal - kFrom)}),
             "send-body-from " + std::to_string(kFrom) + " 100", "close"}) +
         kRestAnswer,
     0,
     {false, true, true}},
};

void PrintTo(const ResumeCase& c, std::ostream* os) { *os << c.name; }

class Resume : public ::testing::TestWithParam<ResumeCase> {};

TEST_P(Resume, EndsWithTheWholeBodyAndNeverASplice) {
  const ResumeCase& c = GetParam();
  ScriptServer server(kCutAnswer + c.later);
  Rig rig;
  rig.fetch.Fetch(server.Url("/p.zip"));
  EXPECT_EQ(rig.end.bytes, PatternBytes(0, kTotal));
  EXPECT_EQ(rig.end.restarts, c.restarts);
  const std::vector<std::string> heads = RequestsOf(server);
  ASSERT_EQ(heads.size(), c.ranged.size());
  for (std::size_t i = 0; i < heads.size(); ++i) {
    EXPECT_EQ(AsksForRange(heads[i]), c.ranged[i]) << "request " << i;
    if (c.ranged[i]) {
      EXPECT_NE(heads[i].find("\r\nRange: bytes=" + std::to_string(kFrom) + "-\r\nIf-Range: \"e1\"\r\n"),
                std::string::npos);
    }
  }
  EXPECT_EQ(rig.fetch.Attempts(), static_cast<int>(heads.size()));
  EXPECT_EQ(rig.fetch.StartOvers(), c.restarts);
  EXPECT_EQ(rig.end.announced, std::vector<std::int64_t>(c.restarts + 1, kTotal));
  EXPECT_EQ(rig.fetch.Point().Held, kTotal);
  EXPECT_FALSE(rig.client.Request().AsksForRange()) << "the range is the fetch's, not the client's";
}

INSTANTIATE_TEST_SUITE_P(Table, Resume, ::testing::ValuesIn(kResumeCases), [](const auto& info) {
  std::string n = info.param.name;
  for (char& ch : n)
    if (ch == ' ') ch = '_';
  return n;
});

TEST(Resume, OnlyTheTailIsReceivedTwiceAndTheProgressNeverGoesBack) {
  ScriptServer server(kCutAnswer + kRestAnswer);
  Rig rig;
  rig.fetch.ProgressPacer().SetInterval(0);
  std::vector<std::int64_t> done;
  rig.fetch.OnProgress = [&](TObject*, std::int64_t d, std::int64_t total) {
    EXPECT_EQ(total, kTotal);
    done.push_back(d);
  };
  rig.fetch.Fetch(server.Url("/p.zip"));
  EXPECT_EQ(rig.fetch.BytesReceived(), kTotal + kTail);
  EXPECT_EQ(rig.waits, std::vector<std::int64_t>{1000});
  ASSERT_FALSE(done.empty());
  EXPECT_EQ(done.front(), 0);
  EXPECT_EQ(done.back(), kTotal);
  EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
  EXPECT_NE(std::find(done.begin(), done.end(), kCut), done.end()) << "the count at the cut is shown";
}

TEST(Resume, AStallCountsAsACut) {
  // The server plays one connection at a time: it falls silent past the
  // watchdog, and takes the next request soon enough for the second wait.
  ScriptServer server(
      Answer({"send-with-body " + std::to_string(kCut) + " " + Head("200 OK", {kETag, Length(kTotal)}), "hold 800"}) +
      kRestAnswer);
  Rig rig;
  rig.client.SetStallTimeout(500);
  rig.fetch.Fetch(server.Url("/p.zip"));
  EXPECT_EQ(rig.end.bytes, PatternBytes(0, kTotal));
  EXPECT_EQ(rig.fetch.Attempts(), 2);
}

TEST(Resume, WithoutAValidatorTheBodyStartsOver) {
  // Neither an entity tag nor a date a second older than the response.
  ScriptServer server(
      Answer({"send-with-body " + std::to_string(kCut) + " " + Head("200 OK", {kModified, Length(kTotal)}), "close"}) +
      kWholeAnswer);
  Rig rig;
  rig.fetch.Fetch(server.Url("/p.zip"));
  EXPECT_EQ(rig.end.bytes, PatternBytes(0, kTotal));
  EXPECT_EQ(rig.end.restarts, 1);
  for (const std::string& head : RequestsOf(server)) EXPECT_FALSE(AsksForRange(head));
}

TEST(Resume, AWeakEntityTagLeavesTheDateAsValidator) {
  ScriptServer server(
      Answer({"send-with-body " + std::to_string(kCut) + " " +
                  Head("200 OK", {"ETag: W/\"w1\"", kModified, kDate, Length(kTotal)}),
              "close"}) +
      Answer({"send " +
                  Head(k206, {"ETag: W/\"w1\"", kModified, Range(kFrom, kTotal - 1, kTotal), Length(kTotal - kFrom)}),
              "send-body-from " + std::to_string(kFrom) + " " + std::to_string(kTotal - kFrom), "close"}));
  Rig rig;
  rig.fetch.Fetch(server.Url("/p.zip"));
  EXPECT_EQ(rig.end.bytes, PatternBytes(0, kTotal));
  EXPECT_NE(RequestsOf(server).at(1).find("\r\nIf-Range: Sun, 06 Nov 1994 08:49:37 GMT\r\n"), std::string::npos);
}

TEST(Resume, ABodyAnEarlierRunBeganIsContinued) {
  ScriptServer server(kRestAnswer);
  Rig rig;
  // What the earlier run wrote down, and the bytes it left in the chain.
  TResumePoint point;
  point.Held = kCut;
  point.Total = kTotal;
  point.Validator = point.ETag = "\"e1\"";
  point.Tail = PatternBytes(kCut - kTail, kTail);
  rig.end.bytes = PatternBytes(0, kCut);
  rig.fetch.ResumeFrom(point);
  rig.fetch.Fetch(server.Url("/p.zip"));
  EXPECT_EQ(rig.end.bytes, PatternBytes(0, kTotal));
  EXPECT_EQ(rig.end.restarts, 0);
  EXPECT_TRUE(rig.end.announced.empty()) << "the body was announced in the earlier run";
  EXPECT_EQ(rig.waits, std::vector<std::int64_t>{});
}

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// The error a fetch ends with, as "class: message".
std::string FailureOf(Rig& rig, const std::string& url) {
  try {
    rig.fetch.Fetch(url);
  } catch (const Exception& e) {
    return std::string(e.ClassName()) + ": " + e.Message();
  }
  return "";
}

TEST(Retry, EndlessServiceUnavailableIsAClearFailure) {
  ScriptServer server(Repeat(
      Answer({"send " + Head("503 Service Unavailable", {"Retry-After: 3", Length(0), "Connection: close"}), "close"}),
      6));
  Rig rig;
  EXPECT_EQ(FailureOf(rig, server.Url("/p.zip")), "EHttpProtocolError: HTTP/1.1 503 Service Unavailable");
  EXPECT_EQ(rig.fetch.Attempts(), TRetryPolicy().MaxFailuresInARow);
  EXPECT_EQ(rig.waits, std::vector<std::int64_t>(5, 3000)) << "the server's wait, not the backoff";
  EXPECT_EQ(rig.end.bytes, "");
}

TEST(Retry, ARetryAfterDateCountsFromTheResponsesDate) {
  ScriptServer server(Answer({"send " + Head("429 Too Many Requests", {"Date: Sun, 06 Nov 1994 08:49:37 GMT",
                                                                       "Retry-After: Sun, 06 Nov 1994 08:49:44 GMT",
                                                                       Length(0), "Connection: close"}),
                              "close"}) +
                      kWholeAnswer);
  Rig rig;
  rig.fetch.Fetch(server.Url("/p.zip"));
  EXPECT_EQ(rig.waits, std::vector<std::int64_t>{7000});
  EXPECT_EQ(rig.end.bytes, PatternBytes(0, kTotal));
}

TEST(Retry, ServerErrorsAndCutsBackOffExponentiallyWithJitter) {
  ScriptServer server(
      Answer({"send " + Head("500 Internal Server Error", {Length(0), "Connection: close"}), "close"}) +
      Answer({"close"}) + Answer({"send " + Head("502 Bad Gateway", {Length(0), "Connection: close"}), "close"}) +
      Answer({"send " + Head("504 Gateway Timeout", {Length(0), "Connection: close"}), "close"}) + kWholeAnswer);
  Rig rig;
  const double jitter = 0.5;
  rig.fetch.Random = [&] { return jitter; };
  rig.fetch.Fetch(server.Url("/p.zip"));
  std::vector<std::int64_t> expected;
  for (int n = 1; n <= 4; ++n) {
    const double base = 1000.0 * (1 << (n - 1));
    expected.push_back(static_cast<std::int64_t>(base + base / 2 * jitter));
  }
  EXPECT_EQ(rig.waits, expected);
  EXPECT_EQ(rig.end.bytes, PatternBytes(0, kTotal));
}

TEST(Retry, ConnectionsThatBringNothingAreGivenUpAfterTheLimit) {
  ScriptServer server(Repeat(Answer({"close"}), 6));
  Rig rig;
  EXPECT_EQ(FailureOf(rig, server.Url("/p.zip")), "EConnClosedGracefully: Connection Closed Gracefully.");
  EXPECT_EQ(rig.fetch.Attempts(), 6);
  EXPECT_EQ(rig.waits, (std::vector<std::int64_t>{1000, 2000, 4000, 8000, 16000}));
}

TEST(Retry, GivenUpAtOnce) {
  struct Case {
    const char* name;
    std::string answer;
    std::string failure;
  } cases[] = {
      {"not found", Answer({"send " + Head("404 Not Found", {Length(0)}), "close"}),
       "EHttpProtocolError: HTTP/1.1 404 Not Found"},
      {"forbidden", Answer({"send " + Head("403 Forbidden", {Length(0)}), "close"}),
       "EHttpProtocolError: HTTP/1.1 403 Forbidden"},
      {"a redirect", Answer({"send " + Head("302 Found", {"Location: /q.zip", Length(0)}), "close"}),
       "EHttpProtocolError: HTTP/1.1 302 Found"},
      {"a longer wait than allowed",
       Answer({"send " + Head("503 Service Unavailable", {"Retry-After: 3600", Length(0)}), "close"}),
       "EHttpProtocolError: HTTP/1.1 503 Service Unavailable"},
      {"a partial answer to a request for the whole",
       Answer({"send " + Head(k206, {kETag, Range(0, 9, kTotal), Length(10)}), "send-body 10", "close"}),
       "EHttpRangeError: Partial content (206) to a request that asked for no range."},
      {"a range not satisfiable without a range",
       Answer({"send " + Head("416 Range Not Satisfiable", {Length(0)}), "close"}),
       "EHttpProtocolError: HTTP/1.1 416 Range Not Satisfiable"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptServer server(c.answer);
    Rig rig;
    EXPECT_EQ(FailureOf(rig, server.Url("/p.zip")), c.failure);
    EXPECT_EQ(rig.fetch.Attempts(), 1);
    EXPECT_TRUE(rig.waits.empty());
  }
}

TEST(Retry, AWriterThatRefusesEndsTheFetchAtOnce) {
  ScriptServer server(kWholeAnswer);
  THttpClient client(nullptr);
  Recorder end;
  TLengthLimit limit(end, kTotal - 1);
  TResumableFetch fetch(client, limit);
  int waits = 0;
  fetch.Sleep = [&](std::int64_t) { ++waits; };
  EXPECT_THROW(fetch.Fetch(server.Url("/p.zip")), EHttpFramingError);
  EXPECT_EQ(fetch.Attempts(), 1);
  EXPECT_EQ(waits, 0);
}

TEST(Retry, ACancelDuringAWaitEndsTheFetch) {
  ScriptServer server(kCutAnswer);
  Rig rig;
  rig.fetch.Sleep = [&](std::int64_t) { rig.fetch.Cancel(); };
  EXPECT_EQ(FailureOf(rig, server.Url("/p.zip")), "ENotConnected: Not Connected");
  EXPECT_EQ(rig.fetch.Attempts(), 1);
  EXPECT_EQ(rig.fetch.Point().Held, kCut) << "what is held stays, for a later run";
}

TEST(Retry, TheWaitLetsTheWindowsRunAndEndsOnACancel) {
  ScriptServer server(kCutAnswer);
  THttpClient client(nullptr);
  Recorder end;
  TResumableFetch fetch(client, end);
  fetch.Policy().FirstBackoffMs = 60000;
  TMessagePump pump(nullptr);
  int dispatches = 0;
  pump.OnDispatch = [&](TObject*) {
    // A window's close button, say, pressed during the wait.
    if (++dispatches == 3) fetch.Cancel();
  };
  EXPECT_THROW(fetch.Fetch(server.Url("/p.zip")), ENotConnected);
  EXPECT_EQ(dispatches, 3);
}

}  // namespace
