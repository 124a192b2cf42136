// Bodies past 2 GiB: a client that allows them takes their length, its 32-bit
// work events count in units that keep the ratio right, and the caller's
// stream may send a body to another stream once it knows how long it is.
#include <gtest/gtest.h>

#include <climits>

#include "HttpTestSupport.h"
#include "http/HttpErrors.h"
#include "tests/http/DiscardingBody.h"

using namespace httptest;
using testsupport::PatternBytes;
using testsupport::ScriptServer;

namespace {

struct Client : THttpClient {
  Client() : THttpClient(nullptr) { SetReadTimeout(10000); }
};

// The smallest power of two that brings bytes into a signed 32-bit count.
int UnitsFor(std::int64_t bytes) {
  int scale = 0;
  while (bytes / (std::int64_t{1} << scale) > INT32_MAX) ++scale;
  return scale;
}

TEST(LargeBodies, AContentLengthPast2GiBIsTakenWhereTheClientAllowsIt) {
  const std::int64_t length = 5ll << 30;
  const std::string script = Lines({"accept", "expect-request",
                                    "send HTTP/1.1 200 OK\\r\\nContent-Length: " + std::to_string(length) + "\\r\\n\\r\\n",
                                    "send-body 70000", "close"});
  {
    ScriptServer server(script);
    Client client;
    httptest::DiscardingBody body;
    try {
      client.Get(server.Url("/big"), body);
      ADD_FAILURE() << "no error";
    } catch (const EHttpFramingError& e) {
      EXPECT_EQ(e.Message(), "Content-Length " + std::to_string(length) + " is out of range.");
    }
  }
  ScriptServer server(script);
  Client client;
  client.SetMaxBodyLength(INT64_MAX);
  WorkLog log;
  log.Attach(client);
  // The progress event needs no units: it counts bytes in 64 bits.
  std::int64_t progressDone = -1, progressTotal = -1;
  client.OnProgress = [&](TObject*, std::int64_t done, std::int64_t total) {
    progressDone = done;
    progressTotal = total;
  };
  httptest::DiscardingBody body;
  EXPECT_THROW(client.Get(server.Url("/big"), body), EConnClosedGracefully);  // cut short: the length was believed
  EXPECT_EQ(body.size, 70000);
  EXPECT_EQ(progressDone, 70000);
  EXPECT_EQ(progressTotal, length);
  const int scale = UnitsFor(length);
  EXPECT_EQ(scale, 2);
  EXPECT_EQ(client.WorkScale(wmRead), scale);
  ASSERT_GE(log.events.size(), 3u);
  EXPECT_EQ(log.events.front(), "begin " + std::to_string(length >> scale));
  // Everything that came counts, in the same units.
  EXPECT_EQ(log.events[log.events.size() - 2], "work " + std::to_string(70000 >> scale));
  EXPECT_EQ(log.events.back(), "end");
}

TEST(LargeBodies, ACountWithoutTotalMovesToLargerUnitsAsItGrows) {
  Client connection;
  std::vector<std::int32_t> counts;
  connection.OnWork = [&](TObject*, TWorkMode, std::int32_t n) { counts.push_back(n); };
  connection.BeginWork(wmRead, 0);
  std::int64_t total = 0;
  std::vector<std::int32_t> expected;
  for (std::int64_t step : {std::int64_t{INT32_MAX}, std::int64_t{1}, std::int64_t{3} << 30, std::int64_t{20} << 30}) {
    connection.DoWork(wmRead, step);
    total += step;
    expected.push_back(static_cast<std::int32_t>(total >> UnitsFor(total)));
    EXPECT_EQ(connection.WorkScale(wmRead), UnitsFor(total)) << total;
  }
  connection.EndWork(wmRead);
  EXPECT_EQ(counts, expected);
}

}  // namespace
