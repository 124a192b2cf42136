// The HTTP client keeps the application's windows alive while it waits: the
// message pump hands its wait slices to the application's own message loop.
#include <gtest/gtest.h>

#include "framework/controls/Forms.h"
#include "framework/windows/Windows.h"
#include "http/HttpClient.h"
#include "http/MessagePump.h"
#include "platform/Display.h"
#include "platform/headless/HeadlessDisplay.h"
#include "tests/support/TestServers.h"

using testsupport::ScriptServer;

namespace {

// A window that repaints on every tick of its timer keeps doing so while the
// client waits about 3 s for its connect to be accepted.
TEST(TransferWindow, TimersAndPaintingGoOnWhileTheConnectWaits) {
  TMessagePump pump(nullptr);
  pump.SetOnlyWhenIdle(false);
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
  ScriptServer server(
      "block-accepts\nhold 2500\nunblock-accepts\naccept\nexpect-request\n"
      "send HTTP/1.1 200 OK\\r\\nContent-Length: 2\\r\\n\\r\\nok\nclose\n");
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
