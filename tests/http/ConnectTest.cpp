// Connecting with message dispatching: the connect thread, its time limit and
// the dispatch points of the waits.
#include <gtest/gtest.h>

#include "HttpTestSupport.h"
#include "http/HttpErrors.h"
#include "http/MessagePump.h"

using namespace httptest;
using testsupport::ScriptServer;

namespace {

// A message pump whose dispatches are counted.
class CountingPump : public ::testing::Test {
 protected:
  void SetUp() override {
    pump.SetOnlyWhenIdle(false);
    pump.OnDispatch = [this](TObject*) { ++dispatches; };
  }
  TMessagePump pump{nullptr};
  int dispatches = 0;
};

TEST_F(CountingPump, OnlyOnePumpPerApplication) {
  try {
    TMessagePump second(nullptr);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Only one TMessagePump can exist per application.");
  }
  EXPECT_EQ(TMessagePump::Instance(), &pump);
}

TEST_F(CountingPump, ConnectAcceptedAfterThreeSecondsKeepsDispatching) {
  // The server's listen queue is full until 2.5 s; the client's SYN is sent
  // again at 3 s and gets in then.
  ScriptServer server(Lines({"block-accepts", "hold 2500", "unblock-accepts", "accept", "expect-request",
                             "send HTTP/1.1 200 OK\\r\\nContent-Length: 2\\r\\n\\r\\nok", "close"}));
  THttpClient client(nullptr);
  EXPECT_EQ(client.Get(server.Url("/late")), "ok");
  // A dispatch every 125 ms of the roughly 3 s connect.
  EXPECT_GE(dispatches, 16);
}

TEST_F(CountingPump, ConnectThatNeverCompletesTimesOut) {
  ScriptServer server(Lines({"block-accepts", "hold 30000"}));
  THttpClient client(nullptr);
  client.SetPumpedConnectLimit(1500);
  try {
    client.Get(server.Url("/never"));
    ADD_FAILURE();
  } catch (const EConnectTimeout& e) {
    EXPECT_EQ(e.Message(), "Connect timed out.");
  }
  EXPECT_FALSE(client.Connected());
  EXPECT_GE(dispatches, 8);
}

TEST_F(CountingPump, OnlyWhenIdleDispatchesOnlyAfterIdleSlices) {
  // The answer comes after 1 s: idle read slices dispatch; the send and the
  // slice that finds data do not.
  pump.SetOnlyWhenIdle(true);
  ScriptServer server(Lines({"accept", "expect-request", "sleep 1000",
                             "send HTTP/1.1 200 OK\\r\\nContent-Length: 2\\r\\n\\r\\nok", "close"}));
  THttpClient client(nullptr);
  EXPECT_EQ(client.Get(server.Url("/slow")), "ok");
  // One after the connect's sleep slice, three or four idle read slices.
  EXPECT_GE(dispatches, 3);
  EXPECT_LE(dispatches, 6);
  int idleOnly = dispatches;

  dispatches = 0;
  pump.SetOnlyWhenIdle(false);
  ScriptServer quick(OneResponse("HTTP/1.1 200 OK\\r\\nContent-Length: 2\\r\\n\\r\\nok"));
  EXPECT_EQ(client.Get(quick.Url("/quick")), "ok");
  EXPECT_GE(dispatches, 2) << "after the send and after the read slice, idle or not; idle-only run: " << idleOnly;
}

TEST_F(CountingPump, InactivePumpNeverDispatches) {
  pump.SetActive(false);
  ScriptServer server(Lines({"accept", "expect-request", "sleep 600",
                             "send HTTP/1.1 200 OK\\r\\nContent-Length: 2\\r\\n\\r\\nok", "close"}));
  THttpClient client(nullptr);
  EXPECT_EQ(client.Get(server.Url("/")), "ok");
  EXPECT_EQ(dispatches, 0);
}

}  // namespace
