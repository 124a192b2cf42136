// The stall watchdog (silence on a connection counts as a cut, whatever the
// read time limit) and the 64-bit progress event with its own pace.
#include <gtest/gtest.h>

#include "HttpTestSupport.h"
#include "http/HttpErrors.h"
#include "http/MessagePump.h"

using namespace httptest;
using testsupport::PatternBytes;
using testsupport::ScriptServer;

namespace {

struct StallCase {
  const char* name;
  std::string script;
  std::size_t bodyKept;
};

TEST(StallWatchdog, SilenceCountsAsACutWhereverItComes) {
  const StallCase cases[] = {
      {"before the status line", Lines({"accept", "expect-request", "hold 3000"}), 0},
      {"inside the headers",
       Lines({"accept", "expect-request", "send HTTP/1.1 200 OK\\r\\nServer: x\\r\\n", "hold 3000"}), 0},
      {"inside the body",
       Lines({"accept", "expect-request", "send-with-body 100 HTTP/1.1 200 OK\\r\\nContent-Length: 1000\\r\\n\\r\\n",
              "hold 3000"}),
       100},
  };
  for (bool pumped : {false, true}) {
    for (const StallCase& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (pumped ? ", with a message pump" : ""));
      std::unique_ptr<TMessagePump> pump;
      if (pumped) pump = std::make_unique<TMessagePump>(nullptr);
      ScriptServer server(c.script);
      THttpClient client(nullptr);  // no read time limit: only the watchdog ends the wait
      client.SetStallTimeout(300);
      TMemoryStream body;
      try {
        client.Get(server.Url("/p"), body);
        ADD_FAILURE() << "no error";
      } catch (const EConnectionStalled& e) {
        EXPECT_EQ(e.Message(), "Connection stalled: no data received for 300 ms.");
      }
      EXPECT_EQ(Body(body), PatternBytes(0, c.bodyKept));
      EXPECT_FALSE(client.Connected());
    }
  }
}

// Bytes that arrived before a silence are the body's, also when they are
// fewer than a block and the store takes no bytes in place: a fetch that
// goes on from them asks only for the rest.
TEST(StallWatchdog, TheBytesBeforeTheSilenceAreKept) {
  for (const char* ending : {"hold 3000", "close"}) {
    SCOPED_TRACE(ending);
    ScriptServer server(
        Lines({"accept", "expect-request", "send-with-body 100 HTTP/1.1 200 OK\\r\\nContent-Length: 100000\\r\\n\\r\\n",
               "sleep 100", "send-body-from 100 200", ending}));
    THttpClient client(nullptr);
    client.SetStallTimeout(300);
    TMemoryStream memory;
    TStreamStore store(memory);
    EXPECT_ANY_THROW(client.Get(server.Url("/p"), store));
    EXPECT_EQ(Body(memory), PatternBytes(0, 300));
  }
}

TEST(StallWatchdog, ASlowServerThatNeverFallsSilentLongIsNoStall) {
  // Silences of 150 ms, 600 ms in all: the watchdog measures each silence.
  ScriptServer server(Lines(
      {"accept", "expect-request", "sleep 150", "send HTTP/1.1 200 OK\\r\\nContent-Length: 30\\r\\n\\r\\n", "sleep 150",
       "send-body-from 0 10", "sleep 150", "send-body-from 10 10", "sleep 150", "send-body-from 20 10", "close"}));
  THttpClient client(nullptr);
  client.SetStallTimeout(400);
  TMemoryStream body;
  client.Get(server.Url("/p"), body);
  EXPECT_EQ(Body(body), PatternBytes(0, 30));
}

TEST(StallWatchdog, AShorterReadTimeoutStillEndsTheWaitAsATimeout) {
  ScriptServer server(Lines({"accept", "expect-request", "hold 3000"}));
  THttpClient client(nullptr);
  client.SetReadTimeout(200);
  client.SetStallTimeout(5000);
  try {
    client.Get(server.Url("/p"));
    ADD_FAILURE() << "no error";
  } catch (const EConnectionStalled&) {
    ADD_FAILURE() << "the watchdog fired first";
  } catch (const EReadTimeout& e) {
    EXPECT_EQ(e.Message(), "Read Timeout");
  }
  EXPECT_EQ(THttpClient(nullptr).StallTimeout(), 30000);
}

// Records the progress events as "done/total".
struct ProgressLog {
  std::vector<std::string> events;
  void Attach(THttpClient& c) {
    c.OnProgress = [this](TObject*, std::int64_t done, std::int64_t total) {
      events.push_back(std::to_string(done) + "/" + std::to_string(total));
    };
  }
};

const std::string kSeventyThousand =
    Lines({"accept", "expect-request", "send-with-body 1000 HTTP/1.1 200 OK\\r\\nContent-Length: 70000\\r\\n\\r\\n",
           "sleep 300", "send-body-from 1000 69000", "close"});

TEST(Progress, EveryBlockWhenUnpacedInBytesOfTheAnnouncedTotal) {
  ScriptServer server(kSeventyThousand);
  THttpClient client(nullptr);
  client.ProgressPacer().SetInterval(0);
  ProgressLog log;
  log.Attach(client);
  client.Get(server.Url("/p"));
  EXPECT_EQ(log.events,
            (std::vector<std::string>{"0/70000", "1000/70000", "33768/70000", "66536/70000", "70000/70000"}));
}

TEST(Progress, PacedByTheClockTheStartAndTheEndAlwaysShow) {
  ScriptServer server(kSeventyThousand);
  THttpClient client(nullptr);
  std::uint64_t now = 1000;
  client.ProgressPacer().SetClock([&] { return now; });
  client.ProgressPacer().SetInterval(50);
  ProgressLog log;
  log.Attach(client);
  // Time moves 20 ms per work event: every third block is due.
  client.OnWork = [&](TObject*, TWorkMode, std::int32_t) { now += 20; };
  client.Get(server.Url("/p"));
  // 0 at 1000; 1000 at 1020, 33768 at 1040 not due; 66536 at 1060 due; the end always.
  EXPECT_EQ(log.events, (std::vector<std::string>{"0/70000", "66536/70000", "70000/70000"}));
}

TEST(Progress, AnUnknownLengthAndAFailedBodyEndWithTheirLastCount) {
  ScriptServer server(
      Lines({"accept", "expect-request", "send HTTP/1.1 200 OK\\r\\nTransfer-Encoding: chunked\\r\\n\\r\\n",
             "send 3\\r\\nabc\\r\\n4\\r\\nd", "sleep 100", "close"}));
  THttpClient client(nullptr);
  std::uint64_t now = 0;
  client.ProgressPacer().SetClock([&] { return now; });  // time stands still: nothing due in between
  ProgressLog log;
  log.Attach(client);
  EXPECT_THROW(client.Get(server.Url("/p")), EConnClosedGracefully);
  EXPECT_EQ(log.events, (std::vector<std::string>{"0/-1", "4/-1"}));
}

}  // namespace
