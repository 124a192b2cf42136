// Connecting with message dispatching: the connect thread, its time limit and
// the dispatch points of the waits.
#include <gtest/gtest.h>

#include "framework/Forms.h"
#include "http/HttpErrors.h"
#include "http/MessagePump.h"
#include "HttpTestSupport.h"
#include "framework/Windows.h"
#include "platform/Display.h"
#include "platform/headless/HeadlessDisplay.h"

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

// A window that repaints on every tick of its timer keeps doing so while the
// client waits about 3 s for its connect to be accepted.
TEST_F(CountingPump, TimersAndPaintingGoOnWhileTheConnectWaits) {
  platform::SetDisplay(std::make_unique<platform::HeadlessDisplay>());
  static int ticks = 0, paints = 0;
  ticks = paints = 0;
  WNDCLASS wc;
  wc.lpszClassName = "HttpTestTimerWindow";
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_TIMER) {
      ++ticks;
      InvalidateRect(h, nullptr, FALSE);
      return 0;
    }
    if (m == WM_PAINT) {
      PAINTSTRUCT ps;
      BeginPaint(h, &ps);
      ++paints;
      EndPaint(h, &ps);
      return 0;
    }
    return DefWindowProc(h, m, w, l);
  };
  RegisterClass(wc);
  HWND wnd = CreateWindowEx(0, "HttpTestTimerWindow", "", WS_POPUP | WS_VISIBLE, 0, 0, 40, 20, nullptr);
  ASSERT_NE(wnd, nullptr);
  SetTimer(wnd, 1, 100);
  // The pump hands the waiting time to the application's own message loop.
  TApplication app(nullptr);
  pump.OnDispatch = [this](TObject*) { ++dispatches; };
  ScriptServer server(Lines({"block-accepts", "hold 2500", "unblock-accepts", "accept", "expect-request",
                             "send HTTP/1.1 200 OK\\r\\nContent-Length: 2\\r\\n\\r\\nok", "close"}));
  THttpClient client(nullptr);
  EXPECT_EQ(client.Get(server.Url("/late")), "ok");
  KillTimer(wnd, 1);
  DestroyWindow(wnd);
  MSG m;
  while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
  }
  platform::SetDisplay(nullptr);
  // About 30 ticks of 100 ms fit in the wait; dispatches come every 125 ms.
  EXPECT_GE(ticks, 15);
  EXPECT_GE(paints, 15);
}

}  // namespace
