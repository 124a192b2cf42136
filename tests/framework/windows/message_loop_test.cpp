// The message loop: order of posted and sent messages, timers, WM_PAINT made
// from invalid regions, and a modal loop nested inside a handler.
#include <gtest/gtest.h>

#include "framework/windows/Windows.h"
#include "framework/windows/WindowRecord.h"
#include "platform/Clock.h"
#include <thread>
#include "platform/headless/HeadlessDisplay.h"

namespace {

struct Log {
  std::vector<std::pair<UINT, WPARAM>> seen;
  bool Has(UINT m) const {
    for (auto& s : seen)
      if (s.first == m) return true;
    return false;
  }
  int Count(UINT m) const {
    int n = 0;
    for (auto& s : seen) n += s.first == m;
    return n;
  }
};

class MessageLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetDisplay(std::make_unique<platform::HeadlessDisplay>());
    static bool registered = false;
    if (!registered) {
      WNDCLASS wc;
      wc.lpszClassName = "TestWindow";
      wc.style = CS_DBLCLKS;
      wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        auto* self = reinterpret_cast<MessageLoop*>(GetWindowLongPtr(h, GWLP_USERDATA));
        if (self) return self->Proc(h, m, w, l);
        return DefWindowProc(h, m, w, l);
      };
      RegisterClass(wc);
      registered = true;
    }
  }
  void TearDown() override {
    for (HWND t : GetTopLevelWindows()) DestroyWindow(t);
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {}
    platform::SetDisplay(nullptr);
  }

  HWND Make(DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE, HWND parent = nullptr, RECT r = Bounds(10, 10, 200, 100)) {
    HWND h = CreateWindowEx(0, "TestWindow", "t", style, r.left, r.top, r.Width(), r.Height(), parent);
    SetWindowLongPtr(h, GWLP_USERDATA, reinterpret_cast<std::intptr_t>(this));
    return h;
  }

  // Dispatches until nothing is pending.
  void Drain() {
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
  }

  LRESULT Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    log.seen.push_back({m, w});
    if (onMessage) {
      LRESULT r = 0;
      if (onMessage(h, m, w, l, r)) return r;
    }
    return DefWindowProc(h, m, w, l);
  }

  Log log;
  std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)> onMessage;
};

TEST_F(MessageLoop, PostedMessagesArriveInOrderAndSentOnesAtOnce) {
  HWND h = Make();
  Drain();
  log.seen.clear();
  PostMessage(h, WM_USER + 1, 1, 0);
  PostMessage(h, WM_USER + 2, 2, 0);
  EXPECT_EQ(SendMessage(h, WM_USER + 3, 3, 0), 0);
  ASSERT_EQ(log.seen.size(), 1u);  // the sent one ran inside SendMessage
  EXPECT_EQ(log.seen[0].first, WM_USER + 3u);
  Drain();
  ASSERT_EQ(log.seen.size(), 3u);
  EXPECT_EQ(log.seen[1].first, WM_USER + 1u);
  EXPECT_EQ(log.seen[2].first, WM_USER + 2u);
}

TEST_F(MessageLoop, PaintComesAfterPostedMessagesAndCoalescesInvalidations) {
  HWND h = Make();
  Drain();
  log.seen.clear();
  RECT a = Rect(0, 0, 10, 10), b = Rect(50, 20, 60, 30);
  InvalidateRect(h, &a, FALSE);
  InvalidateRect(h, &b, FALSE);
  PostMessage(h, WM_USER, 0, 0);
  RECT painted{};
  onMessage = [&](HWND w, UINT m, WPARAM, LPARAM, LRESULT&) {
    if (m != WM_PAINT) return false;
    PAINTSTRUCT ps;
    BeginPaint(w, &ps);
    painted = ps.rcPaint;
    EndPaint(w, &ps);
    return true;
  };
  Drain();
  ASSERT_EQ(log.Count(WM_PAINT), 1);
  EXPECT_EQ(log.seen.front().first, WM_USER + 0u);
  EXPECT_EQ(painted, Rect(0, 0, 60, 30));
  MSG m;
  EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(MessageLoop, PaintIsOnlyInsideTheUpdateRegion) {
  HWND h = Make(WS_POPUP | WS_VISIBLE, nullptr, Bounds(0, 0, 40, 40));
  onMessage = [&](HWND w, UINT m, WPARAM, LPARAM, LRESULT&) {
    if (m != WM_PAINT) return false;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(w, &ps);
    FillRect(dc, Rect(0, 0, 40, 40), GetStockBrush(BLACK_BRUSH));
    EndPaint(w, &ps);
    return true;
  };
  Drain();
  // Whole window painted black first; then only a small square is repainted white.
  onMessage = [&](HWND w, UINT m, WPARAM, LPARAM, LRESULT&) {
    if (m != WM_PAINT) return false;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(w, &ps);
    FillRect(dc, Rect(0, 0, 40, 40), GetStockBrush(WHITE_BRUSH));
    EndPaint(w, &ps);
    return true;
  };
  RECT r = Rect(5, 5, 10, 10);
  InvalidateRect(h, &r, FALSE);
  Drain();
  GdiFlush();
  auto* d = static_cast<platform::HeadlessDisplay*>(platform::Display());
  auto px = d->ComposeScreen();
  auto at = [&](int x, int y) { return px[static_cast<size_t>(y) * d->ScreenWidth() + x] & 0xFFFFFF; };
  EXPECT_EQ(at(5, 5), 0xFFFFFFu);
  EXPECT_EQ(at(9, 9), 0xFFFFFFu);
  EXPECT_EQ(at(10, 10), 0u);
  EXPECT_EQ(at(4, 5), 0u);
}

TEST_F(MessageLoop, TimersTickWithTheirIdAndStopWhenKilled) {
  HWND h = Make();
  Drain();
  log.seen.clear();
  SetTimer(h, 7, 20);
  std::uint64_t end = platform::TickCount() + 130;
  MSG m;
  while (platform::TickCount() < end) {
    WaitMessageTimeout(static_cast<DWORD>(end - platform::TickCount()));
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
  }
  int ticks = log.Count(WM_TIMER);
  EXPECT_GE(ticks, 3);
  EXPECT_LE(ticks, 7);
  for (auto& s : log.seen)
    if (s.first == WM_TIMER) EXPECT_EQ(s.second, 7u);
  KillTimer(h, 7);
  log.seen.clear();
  platform::SleepMs(40);
  Drain();
  EXPECT_EQ(log.Count(WM_TIMER), 0);
}

TEST_F(MessageLoop, ModalLoopInsideAHandlerKeepsDispatching) {
  HWND h = Make();
  Drain();
  bool inner = false, done = false;
  onMessage = [&](HWND w, UINT m, WPARAM, LPARAM, LRESULT&) {
    if (m == WM_USER + 10) {
      // A nested loop, as a message box runs it, until the inner message arrives.
      PostMessage(w, WM_USER + 11, 0, 0);
      MSG msg;
      while (!inner && GetMessage(&msg, nullptr, 0, 0)) DispatchMessage(&msg);
      done = true;
      return true;
    }
    if (m == WM_USER + 11) inner = true;
    return false;
  };
  PostMessage(h, WM_USER + 10, 0, 0);
  Drain();
  EXPECT_TRUE(inner);
  EXPECT_TRUE(done);
}

TEST_F(MessageLoop, QuitEndsGetMessageOnceOtherMessagesAreDone) {
  HWND h = Make();
  Drain();
  PostQuitMessage(3);
  PostMessage(h, WM_USER, 0, 0);
  MSG m;
  ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, WM_USER + 0u);
  EXPECT_FALSE(GetMessage(&m, nullptr, 0, 0));
  EXPECT_EQ(m.wParam, 3u);
}

TEST_F(MessageLoop, ADestroyedWindowsHandleNeverNamesAWindowAgain) {
  // Windows made and destroyed in turn reuse the freed records' room; none of
  // them may answer to the handle of one before it.
  std::vector<HWND> gone;
  for (int round = 0; round < 50; ++round) {
    HWND child = Make(WS_CHILD | WS_VISIBLE, Make(), Bounds(0, 0, 10, 10));
    HWND top = GetParent(child);
    for (HWND old : gone) {
      ASSERT_NE(old, top);
      ASSERT_NE(old, child);
    }
    DestroyWindow(top);
    EXPECT_FALSE(IsWindow(top));
    EXPECT_FALSE(IsWindow(child)) << "children go with their window";
    gone.push_back(top);
    gone.push_back(child);
  }
  // Messages for a handle that is gone reach nobody: sent, posted before the
  // window went, or from a timer it had.
  HWND h = Make();
  Drain();
  SetTimer(h, 7, 1, nullptr);
  PostMessage(h, WM_USER + 1, 0, 0);
  DestroyWindow(h);
  HWND next = Make();
  Drain();
  log.seen.clear();
  EXPECT_EQ(SendMessage(h, WM_USER + 2, 0, 0), 0);
  EXPECT_FALSE(SetWindowLongPtr(h, GWLP_USERDATA, 1));
  platform::SleepMs(5);
  Drain();
  EXPECT_FALSE(log.Has(WM_USER + 1) || log.Has(WM_USER + 2) || log.Has(WM_TIMER));
  EXPECT_NE(next, h);
  EXPECT_TRUE(IsWindow(next));
}

TEST_F(MessageLoop, PostFromAnotherThreadWakesTheWait) {
  HWND h = Make();
  Drain();
  log.seen.clear();
  std::thread t([h] {
    platform::SleepMs(30);
    PostMessage(h, WM_USER + 5, 0, 0);
  });
  MSG m;
  std::uint64_t start = platform::TickCount();
  ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
  t.join();
  EXPECT_EQ(m.message, WM_USER + 5u);
  EXPECT_LT(platform::TickCount() - start, 2000u);
}

TEST_F(MessageLoop, ClicksBecomeClientOrNonClientMessagesAndDoubleClicks) {
  HWND h = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, Bounds(100, 100, 200, 120));
  Drain();
  log.seen.clear();
  auto* d = static_cast<platform::HeadlessDisplay*>(platform::Display());
  RECT c;
  GetClientRect(h, &c);
  POINT p{20, 30};
  ClientToScreen(h, &p);
  d->Click(p.x, p.y);
  d->Click(p.x, p.y);
  Drain();
  EXPECT_EQ(log.Count(WM_LBUTTONDOWN), 1);
  EXPECT_EQ(log.Count(WM_LBUTTONDBLCLK), 1);
  EXPECT_EQ(log.Count(WM_LBUTTONUP), 2);
  // The caption is non-client: a press there is WM_NCLBUTTONDOWN with HTCAPTION.
  log.seen.clear();
  onMessage = [](HWND, UINT m, WPARAM, LPARAM, LRESULT&) { return m == WM_NCLBUTTONDOWN; };
  d->AdvanceTime(1000);
  d->Click(150, 108);
  Drain();
  ASSERT_TRUE(log.Has(WM_NCLBUTTONDOWN));
  for (auto& s : log.seen)
    if (s.first == WM_NCLBUTTONDOWN) EXPECT_EQ(s.second, static_cast<WPARAM>(HTCAPTION));
}

TEST_F(MessageLoop, CaptionDragMovesTheWindowWithoutADesktopWindowManager) {
  HWND h = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, Bounds(100, 100, 200, 120));
  Drain();
  auto* d = static_cast<platform::HeadlessDisplay*>(platform::Display());
  d->MoveMouse(150, 108);
  d->PressButton();
  d->MoveMouse(170, 128);
  d->MoveMouse(190, 148);
  d->ReleaseButton();
  Drain();
  RECT r;
  GetWindowRect(h, &r);
  EXPECT_EQ(r, Bounds(140, 140, 200, 120));
  EXPECT_EQ(d->Window(R(h)->native)->bounds, (platform::IntRect{140, 140, 340, 260}));
}

}  // namespace
