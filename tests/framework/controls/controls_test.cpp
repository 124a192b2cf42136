// The component layer: hooked window procedures, the framework's notifications,
// mouse enter and leave, non-windowed controls painted and clicked through
// their parent, ownership, and timers.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>

#include "framework/windows/Dialogs.h"
#include "framework/controls/ExtCtrls.h"
#include "framework/controls/Forms.h"
#include "framework/windows/WindowRecord.h"
#include "platform/Clock.h"
#include "platform/headless/HeadlessDisplay.h"

namespace {

class Controls : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetDisplay(std::make_unique<platform::HeadlessDisplay>(800, 600, 0));
    display = static_cast<platform::HeadlessDisplay*>(platform::Display());
    // A quit request that an earlier test's loop left behind is not this test's.
    MSG quit;
    while (PeekMessage(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
    app = new TApplication(nullptr);
    form = app->CreateForm<TForm>();
    form->SetBorderStyle(TFormBorderStyle::bsNone);
    form->SetBounds(100, 100, 200, 120);
  }
  void TearDown() override {
    delete app;
    SetMessageBoxHook(nullptr);
    platform::SetDisplay(nullptr);
  }
  std::uint32_t ScreenAt(int x, int y) {
    GdiFlush();
    auto px = display->ComposeScreen();
    return px[static_cast<size_t>(y) * display->ScreenWidth() + x] & 0xFFFFFF;
  }
  platform::HeadlessDisplay* display = nullptr;
  TApplication* app = nullptr;
  TForm* form = nullptr;
};

// A solid block that records what reaches it.
class Block : public TGraphicControl {
 public:
  Block(TComponent* owner, TColor c) : TGraphicControl(owner), colour(c) {}
  TColor colour;

 protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(colour);
    Canvas()->FillRect(GetClientRect());
  }
};

class Box : public TCustomControl {
 public:
  Box(TComponent* owner, TColor c) : TCustomControl(owner), colour(c) {}
  TColor colour;

 protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(colour);
    Canvas()->FillRect(GetClientRect());
  }
};

TEST_F(Controls, AHookedWindowProcSeesEveryMessageAndPassesItOn) {
  std::vector<UINT> hooked;
  TWndMethod saved = form->WindowProc;
  form->WindowProc = [&](TMessage& m) {
    hooked.push_back(m.Msg);
    saved(m);
  };
  form->Show();
  app->ProcessMessages();
  form->SetEnabled(false);
  form->SetEnabled(true);
  form->SetCaption("other");
  form->Invalidate();
  auto seen = [&](UINT m) { return std::count(hooked.begin(), hooked.end(), m) > 0; };
  for (UINT m : {UINT(WM_NCCREATE), UINT(WM_SIZE), UINT(CM_SHOWINGCHANGED), UINT(CM_VISIBLECHANGED),
                 UINT(CM_ENABLEDCHANGED), UINT(CM_TEXTCHANGED), UINT(CM_INVALIDATE), UINT(WM_PAINT)})
    EXPECT_TRUE(seen(m)) << "message " << std::hex << m;
  // The messages still did their work underneath.
  EXPECT_EQ(GetWindowText(form->Handle()), "other");
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  // Put back, the hook hears nothing more.
  form->WindowProc = saved;
  hooked.clear();
  form->SetCaption("again");
  EXPECT_TRUE(hooked.empty());
}

TEST_F(Controls, NonWindowedControlsArePaintedAndClickedThroughTheirParent) {
  auto* red = new Block(form, clRed);
  red->SetParent(form);
  red->SetBounds(10, 10, 30, 20);
  int clicks = 0;
  red->OnClick = [&](TObject*) { ++clicks; };
  form->Show();
  app->ProcessMessages();
  EXPECT_EQ(ScreenAt(100 + 10, 100 + 10), 0xFF0000u);  // red in $RRGGBB
  EXPECT_EQ(ScreenAt(100 + 39, 100 + 29), 0xFF0000u);
  EXPECT_EQ(ScreenAt(100 + 40, 100 + 30), ColorToRGB(clBtnFace) == 0xF0F0F0 ? 0xF0F0F0u : 0u);
  display->Click(100 + 20, 100 + 15);
  app->ProcessMessages();
  EXPECT_EQ(clicks, 1);
  display->Click(100 + 60, 100 + 15);  // beside it: the form's, not the block's
  app->ProcessMessages();
  EXPECT_EQ(clicks, 1);
}

TEST_F(Controls, AParentRepaintLeavesItsChildWindowsAlone) {
  auto* blue = new Box(form, clBlue);
  blue->SetParent(form);
  blue->SetBounds(50, 40, 40, 30);
  form->Show();
  app->ProcessMessages();
  int childPaints = 0;
  TWndMethod saved = blue->WindowProc;
  blue->WindowProc = [&](TMessage& m) {
    if (m.Msg == WM_PAINT) ++childPaints;
    saved(m);
  };
  form->Invalidate();
  app->ProcessMessages();
  EXPECT_EQ(childPaints, 0);
  EXPECT_EQ(ScreenAt(100 + 60, 100 + 50), 0x0000FFu);
  // Moving the child shows the parent where it was and the child where it is.
  blue->SetBounds(120, 40, 40, 30);
  app->ProcessMessages();
  EXPECT_EQ(ScreenAt(100 + 60, 100 + 50), 0xF0F0F0u);
  EXPECT_EQ(ScreenAt(100 + 130, 100 + 50), 0x0000FFu);
  blue->WindowProc = saved;
}

TEST_F(Controls, MouseEnterAndLeaveFollowThePointer) {
  auto* a = new Box(form, clRed);
  a->SetParent(form);
  a->SetBounds(0, 0, 50, 50);
  auto* b = new Block(form, clGreen);
  b->SetParent(form);
  b->SetBounds(100, 0, 50, 50);
  std::vector<std::string> log;
  a->OnMouseEnter = [&](TObject*) { log.push_back("enter a"); };
  a->OnMouseLeave = [&](TObject*) { log.push_back("leave a"); };
  b->OnMouseEnter = [&](TObject*) { log.push_back("enter b"); };
  b->OnMouseLeave = [&](TObject*) { log.push_back("leave b"); };
  form->Show();
  app->ProcessMessages();
  for (POINT p : {POINT{110, 110}, POINT{120, 120}, POINT{210, 110}, POINT{500, 500}}) {
    display->MoveMouse(p.x, p.y);
    app->ProcessMessages();
  }
  EXPECT_EQ(log, (std::vector<std::string>{"enter a", "leave a", "enter b", "leave b"}));
}

TEST_F(Controls, OwnedComponentsGoWithTheirOwnerAndTellThoseWhoHeldThem) {
  struct Watcher : TComponent {
    using TComponent::TComponent;
    TComponent* watched = nullptr;
    void Notification(TComponent* c, TOperation op) override {
      TComponent::Notification(c, op);
      if (op == TOperation::opRemove && c == watched) watched = nullptr;
    }
  };
  auto* owner = new TComponent(nullptr);
  auto* child = new TComponent(owner);
  auto* other = new TComponent(nullptr);
  Watcher watcher(nullptr);
  watcher.watched = child;
  watcher.FreeNotification(child);
  EXPECT_EQ(owner->ComponentCount(), 1);
  delete owner;  // takes child with it
  EXPECT_EQ(watcher.watched, nullptr);
  delete other;
}

TEST_F(Controls, TimersTickUntilDisabledAndReportWhatEscapesThem) {
  TTimer timer(nullptr);
  int ticks = 0;
  timer.SetInterval(20);
  timer.SetOnTimer([&](TObject*) {
    if (++ticks == 3) throw EInvalidOperation("tick three");
  });
  std::vector<std::string> reported;
  SetMessageBoxHook([&](const MessageBoxRequest& r) {
    reported.push_back(r.text);
    return IDOK;
  });
  std::uint64_t end = platform::TickCount() + 200;
  while (platform::TickCount() < end && ticks < 5) {
    WaitMessageTimeout(50);
    app->ProcessMessages();
  }
  EXPECT_GE(ticks, 5);
  EXPECT_EQ(reported, std::vector<std::string>{"tick three."});
  timer.SetEnabled(false);
  int before = ticks;
  platform::SleepMs(60);
  app->ProcessMessages();
  EXPECT_EQ(ticks, before);
}

TEST_F(Controls, EveryHandlerPathReportsErrorsThatAreNotOursToo) {
  // What each kind of error shows in the general error report.
  struct Kind {
    const char* name;
    std::function<void()> raise;
    std::string report;
  };
  const Kind kinds[] = {
      {"allocation failure", [] { throw std::bad_alloc(); }, "Out of memory."},
      {"library error", [] { throw std::length_error("basic_string::_M_create"); }, "basic_string::_M_create."},
      {"ours", [] { throw EInvalidOperation("ours"); }, "ours."},
  };
  std::vector<std::string> reported;
  SetMessageBoxHook([&](const MessageBoxRequest& r) {
    reported.push_back(r.text);
    return IDOK;
  });
  const UINT kThrow = WM_USER + 77;
  form->Show();
  app->ProcessMessages();
  for (const Kind& k : kinds) {
    SCOPED_TRACE(k.name);
    // A timer's handler.
    reported.clear();
    TTimer timer(nullptr);
    timer.SetInterval(10);
    timer.SetOnTimer([&](TObject*) {
      timer.SetEnabled(false);
      k.raise();
    });
    for (std::uint64_t end = platform::TickCount() + 2000; reported.empty() && platform::TickCount() < end;) {
      WaitMessageTimeout(20);
      app->ProcessMessages();
    }
    EXPECT_EQ(reported, std::vector<std::string>{k.report}) << "timer";
    // A window's message handler.
    reported.clear();
    TWndMethod saved = form->WindowProc;
    form->WindowProc = [&](TMessage& m) {
      if (m.Msg == kThrow) k.raise();
      saved(m);
    };
    SendMessage(form->Handle(), kThrow, 0, 0);
    form->WindowProc = saved;
    EXPECT_EQ(reported, std::vector<std::string>{k.report}) << "message handler";
    // A guarded call.
    reported.clear();
    app->Guard([&] { k.raise(); });
    EXPECT_EQ(reported, std::vector<std::string>{k.report}) << "guard";
  }
  // The message loop itself (its idle handler), which goes on after each.
  reported.clear();
  std::size_t idles = 0;
  app->OnIdle = [&](TObject*) {
    PostMessage(form->Handle(), WM_NULL, 0, 0);
    if (idles < std::size(kinds)) kinds[idles++].raise();
    app->Terminate();
  };
  app->Run();
  app->OnIdle = nullptr;
  std::vector<std::string> expected;
  for (const Kind& k : kinds) expected.push_back(k.report);
  EXPECT_EQ(reported, expected) << "message loop";
}

}  // namespace

namespace {

// A native window destroyed from outside the program (as "xdotool
// windowclose" does) is closed and gone; when it is the main window's, the
// program ends even if the form would refuse to close.
TEST_F(Controls, AWindowDestroyedFromOutsideIsClosedAndTheMainOneEndsTheProgram) {
  TForm* other = new TForm(app);
  other->SetBounds(400, 100, 100, 80);
  other->Show();
  form->Show();
  app->ProcessMessages();
  int otherCloses = 0, mainCloses = 0;
  other->OnClose = [&](TObject*, TCloseAction&) { ++otherCloses; };
  form->OnClose = [&](TObject*, TCloseAction& action) {
    ++mainCloses;
    action = TCloseAction::caNone;
  };

  display->DestroyFromOutside(R(other->Handle())->native);
  app->ProcessMessages();
  EXPECT_EQ(otherCloses, 1);
  EXPECT_FALSE(other->HandleAllocated());
  EXPECT_FALSE(app->Terminated());
  // The form's own handle going is no reason to end.
  form->DestroyHandle();
  app->ProcessMessages();
  EXPECT_FALSE(app->Terminated());

  form->Show();
  app->ProcessMessages();
  display->DestroyFromOutside(R(form->Handle())->native);
  app->ProcessMessages();
  EXPECT_EQ(mainCloses, 1);
  EXPECT_TRUE(app->Terminated());
}

TEST(Canvas, AClearBrushGivenItsOwnColourAgainPaintsSolid) {
  std::uint32_t* bits = nullptr;
  HBITMAP bmp = CreateDIBSection32(4, 1, &bits);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  TCanvas canvas;
  canvas.SetHandle(dc);
  canvas.Brush()->SetColor(clRed);
  canvas.Brush()->SetStyle(TBrushStyle::bsClear);
  canvas.FillRect(Rect(0, 0, 2, 1));  // clear: nothing
  canvas.Brush()->SetColor(clRed);     // the same colour makes it solid again
  canvas.FillRect(Rect(2, 0, 4, 1));
  EXPECT_EQ(bits[0] & 0xFFFFFF, 0u);
  EXPECT_EQ(bits[3] & 0xFFFFFF, 0xFF0000u);
  canvas.SetHandle(nullptr);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bmp);
}

}  // namespace
