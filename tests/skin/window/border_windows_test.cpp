// The layered border around a skinned form: where its four windows stand
// through the form's states, what pixels its strips take from the image,
// that a shadow lets the mouse through and an opaque frame drags the form.
#include <unistd.h>

#include <functional>
#include <string>

#include "SkinnedFormFixture.h"
#include "platform/Png.h"
#include "skin/window/MlFormBorder.h"
#include "skin/window/MlSkinNCButton.h"

namespace {

constexpr TMlBorderKind kKinds[] = {bkLeft, bkTop, bkRight, bkBottom};

class BorderWindows : public skintest::SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    border = new TMlFormLayerBorder(form);
    skin->SetImageBorder(border);
  }
  const platform::HeadlessDisplay::WindowState* NativeOf(TMlBorderKind k) {
    TmlFormLayerWindow* w = border->Window(k);
    return w && w->HandleAllocated() ? display->Window(R(w->Handle())->native) : nullptr;
  }
  RECT WindowRectOf(TMlBorderKind k) {
    RECT r{};
    GetWindowRect(border->Window(k)->Handle(), &r);
    return r;
  }
  // Shows anything at all: some presented pixel is not fully transparent.
  bool Showing(TMlBorderKind k) {
    const auto* n = NativeOf(k);
    if (!n || !n->visible) return false;
    for (std::uint32_t p : n->pixels)
      if (p >> 24) return true;
    return false;
  }
  // Presses at from and releases at to. A move loop runs inside the press,
  // so the motion comes from a timer while it runs.
  void Drag(POINT from, POINT to) {
    display->MoveMouse(from.x, from.y);
    Pump(30);
    int step = 0;
    SetTimer(nullptr, 0, 20, [&step, this, to](HWND, UINT, std::uintptr_t id, DWORD) {
      if (step == 0) display->MoveMouse(to.x, to.y);
      if (step == 1) display->ReleaseButton();
      if (++step == 2) KillTimer(nullptr, id);
    });
    display->PressButton();
    Pump(150);
  }
  TMlFormLayerBorder* border = nullptr;
};

// Where the windows of the default border stand for a form at (X, Y) of W x H:
// each reaches out 8 beyond the form and 5 in under it; the sides stand
// between the top and bottom strips.
RECT Expected(TMlBorderKind k, int X, int Y, int W, int H) {
  const int S = 8, I = 5, TW = W + 2 * S, topH = S + I;
  switch (k) {
    case bkTop: return Bounds(X - S, Y - S, TW, topH);
    case bkBottom: return Bounds(X - S, Y + H - I, TW, S + I);
    case bkLeft: return Bounds(X - S, Y - S + topH, S + I, H + 2 * S - 2 * topH);
    case bkRight: return Bounds(X + W - I, Y - S + topH, S + I, H + 2 * S - 2 * topH);
  }
  return {};
}

TEST_F(BorderWindows, MainWindowSizeGivesTheStatedStrips) {
  Show();
  const int X = form->Left(), Y = form->Top();
  EXPECT_EQ(WindowRectOf(bkTop), Bounds(X - 8, Y - 8, 460, 13));
  EXPECT_EQ(WindowRectOf(bkBottom), Bounds(X - 8, Y + 136, 460, 13));
  EXPECT_EQ(WindowRectOf(bkLeft), Bounds(X - 8, Y + 5, 13, 131));
  EXPECT_EQ(WindowRectOf(bkRight), Bounds(X + 439, Y + 5, 13, 131));
}

TEST_F(BorderWindows, FollowTheFormThroughItsStates) {
  struct Step {
    const char* what;
    std::function<void()> act;
    bool visible;
  };
  const Step steps[] = {
      {"shown", [this] { Show(); }, true},
      {"moved", [this] { form->SetBounds(310, 220, 444, 141); }, true},
      {"sized", [this] { form->SetBounds(310, 220, 520, 260); }, true},
      {"maximised", [this] { SendMessage(H(), WM_SYSCOMMAND, SC_MAXIMIZE, 0); }, false},
      {"restored", [this] { SendMessage(H(), WM_SYSCOMMAND, SC_RESTORE, 0); }, true},
      {"minimised", [this] { SendMessage(H(), WM_SYSCOMMAND, SC_MINIMIZE, 0); }, false},
      {"restored again", [this] { SendMessage(H(), WM_SYSCOMMAND, SC_RESTORE, 0); }, true},
      {"moved by dragging the caption",
       [this] {
         POINT from{form->Left() + 200, form->Top() + 12};
         Drag(from, {from.x - 50, from.y - 40});
       },
       true},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    s.act();
    Pump(80);
    RECT f = form->BoundsRect();
    for (TMlBorderKind k : kKinds) {
      SCOPED_TRACE(k);
      ASSERT_NE(border->Window(k), nullptr);
      EXPECT_EQ(Showing(k), s.visible);
      if (s.visible) EXPECT_EQ(WindowRectOf(k), Expected(k, f.left, f.top, f.Width(), f.Height()));
    }
  }
  EXPECT_EQ(form->BoundsRect(), Bounds(260, 180, 520, 260)) << "the drag moved the form";
}

// The border windows are made 30 ms after the first show; a form minimised
// and restored before then, or kept minimised past it, must still get them,
// and a form first shown maximised must not show them.
TEST_F(BorderWindows, MinimisedAndRestoredDuringTheFirstShowTheFormGetsItsBorder) {
  form->SetVisible(true);
  SendMessage(H(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  Pump(5);
  SendMessage(H(), WM_SYSCOMMAND, SC_RESTORE, 0);
  Pump(80);
  RECT f = form->BoundsRect();
  for (TMlBorderKind k : kKinds) {
    SCOPED_TRACE(k);
    ASSERT_NE(border->Window(k), nullptr);
    EXPECT_TRUE(Showing(k));
    EXPECT_EQ(WindowRectOf(k), Expected(k, f.left, f.top, f.Width(), f.Height()));
  }
}

TEST_F(BorderWindows, MinimisedPastTheFirstShowTheFormGetsItsBorderWhenRestored) {
  form->SetVisible(true);
  SendMessage(H(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  Pump(80);
  for (TMlBorderKind k : kKinds) EXPECT_FALSE(Showing(k)) << "no border around a minimised form";
  SendMessage(H(), WM_SYSCOMMAND, SC_RESTORE, 0);
  Pump(80);
  for (TMlBorderKind k : kKinds) EXPECT_TRUE(Showing(k)) << k;
}

TEST_F(BorderWindows, FormFirstShownMaximisedShowsNoBorderUntilRestored) {
  form->SetWindowState(TWindowState::wsMaximized);
  Show();
  ASSERT_TRUE(IsZoomed(H()));
  for (TMlBorderKind k : kKinds) EXPECT_FALSE(Showing(k)) << k;
  SendMessage(H(), WM_SYSCOMMAND, SC_RESTORE, 0);
  Pump(80);
  for (TMlBorderKind k : kKinds) EXPECT_TRUE(Showing(k)) << k;
}

// A secondary form owns its border's windows (the main form's have no
// owner), stacked directly below it; when its window goes it takes them
// along, and the border makes them anew when the form shows again.
TEST_F(BorderWindows, SecondaryFormOwnsItsBorderWindowsAndTakesThemAlong) {
  Show();
  for (TMlBorderKind k : kKinds) EXPECT_EQ(GetWindow(border->Window(k)->Handle(), GW_OWNER), nullptr) << k;

  auto* second = app->CreateForm<TForm>();
  second->SetBounds(500, 400, 300, 120);
  auto* secondSkin = new TMlSkinForm(second);
  // Owned by the application, the border outlives the form's window and
  // the form itself.
  auto* secondBorder = new TMlFormLayerBorder(app);
  secondSkin->SetImageBorder(secondBorder);
  auto ownedBySecond = [&] {
    for (TMlBorderKind k : kKinds) {
      SCOPED_TRACE(k);
      TmlFormLayerWindow* w = secondBorder->Window(k);
      ASSERT_TRUE(w && w->HandleAllocated());
      EXPECT_EQ(GetWindow(w->Handle(), GW_OWNER), second->Handle());
      std::vector<platform::NativeWindow> order = display->Windows();  // bottom first
      auto at = [&](platform::NativeWindow n) { return std::find(order.begin(), order.end(), n) - order.begin(); };
      const auto formAt = at(R(second->Handle())->native), i = at(R(w->Handle())->native);
      EXPECT_LT(i, formAt);
      EXPECT_GE(i, formAt - 4) << "directly below its form";
      const auto* n = display->Window(R(w->Handle())->native);
      ASSERT_NE(n, nullptr);
      EXPECT_TRUE(n->visible);
    }
  };
  second->SetVisible(true);
  Pump(80);
  ownedBySecond();

  second->SetVisible(false);
  second->DestroyHandle();
  for (TMlBorderKind k : kKinds) EXPECT_FALSE(secondBorder->Window(k)->HandleAllocated()) << "gone with the form's";
  EXPECT_FALSE(secondBorder->HasWindows());
  secondBorder->MoveTo(10, 10);  // nothing to move, and no window made for it
  EXPECT_FALSE(secondBorder->Window(bkTop)->HandleAllocated());
  second->SetVisible(true);
  Pump(80);
  ownedBySecond();

  delete second;
  Pump(20);
  EXPECT_EQ(secondBorder->Form(), nullptr);
  for (TMlBorderKind k : kKinds) EXPECT_EQ(secondBorder->Window(k), nullptr);

  // The usual way: the form owns its border, and both go together.
  const size_t windows = display->Windows().size();
  auto* third = app->CreateForm<TForm>();
  third->SetBounds(100, 400, 300, 120);
  auto* thirdSkin = new TMlSkinForm(third);
  thirdSkin->SetImageBorder(new TMlFormLayerBorder(third));
  third->SetVisible(true);
  Pump(80);
  EXPECT_EQ(display->Windows().size(), windows + 5);
  delete third;
  Pump(20);
  EXPECT_EQ(display->Windows().size(), windows);
}

TEST_F(BorderWindows, StandDirectlyBelowTheFormAndLetTheMouseThrough) {
  Show();
  std::vector<platform::NativeWindow> order = display->Windows();  // bottom first
  auto at = [&](platform::NativeWindow n) { return std::find(order.begin(), order.end(), n) - order.begin(); };
  const auto formAt = at(R(H())->native);
  for (TMlBorderKind k : kKinds) {
    auto i = at(R(border->Window(k)->Handle())->native);
    EXPECT_LT(i, formAt);
    EXPECT_GE(i, formAt - 4) << "nothing stands between the form and its border";
  }
  // The shadow beside the form: the display and the window manager both see
  // through it.
  POINT beside{form->Left() - 4, form->Top() + 50};
  EXPECT_EQ(display->WindowAt(beside.x, beside.y), 0u);
  EXPECT_EQ(WindowFromPoint(beside), nullptr);
}

TEST_F(BorderWindows, OpaqueFrameDragsTheFormWhenAllowedAndIsNeverActivated) {
  for (bool drag : {true, false}) {
    SCOPED_TRACE(drag);
    border->SetTransparent(false);
    border->SetDragEnabled(drag);
    border->Hide();  // the windows are made anew with the settings
    border->CreateWindows(&skin->Items());
    Show();
    ASSERT_NE(border->Window(bkLeft), nullptr);
    RECT left = WindowRectOf(bkLeft);
    EXPECT_EQ(left, Bounds(form->Left() - 8, form->Top() - 8, 13, 157)) << "an opaque side spans the whole height";
    const RECT before = form->BoundsRect();
    const int x = left.left + 3, y = left.top + 60;
    EXPECT_EQ(display->WindowAt(x, y), R(border->Window(bkLeft)->Handle())->native);
    Drag({x, y}, {x + 30, y + 20});
    EXPECT_EQ(form->BoundsRect(), drag ? OffsetRect(before, 30, 20) : before);
    EXPECT_EQ(GetActiveWindow(), H());
    if (drag) EXPECT_EQ(WindowRectOf(bkLeft), OffsetRect(left, 30, 20));
  }
}

TEST_F(BorderWindows, OpaqueTopWindowHostsTheItemsWithoutMovingThemOnEachRebuild) {
  border->SetTransparent(false);
  auto* close = new TMlSkinNCButton(form);
  close->Picture()->SetImage("MlSkinBtn_close");
  close->Pos()->SetAlign(TNCCtrlAlign::caRight);
  close->Pos()->SetXValue(40);
  close->Pos()->SetYValue(0);
  int clicks = 0;
  close->OnClick = [&](TObject*) { ++clicks; };
  Show();
  for (int rebuild = 0; rebuild < 3; ++rebuild) {
    SCOPED_TRACE(rebuild);
    TmlFormLayerWindow* top = border->Window(bkTop);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(close->Host(), top);
    EXPECT_EQ(close->Pos()->XValue(), 40) << "the setting stays as it was made";
    // Right-aligned on the top window: 40 from its right edge.
    EXPECT_EQ(close->Pos()->Left(), 460 - 40);
    border->Hide();
    border->CreateWindows(&skin->Items());
    Pump(20);
  }
  // Pressed on the top window, the hosted button clicks.
  RECT top = WindowRectOf(bkTop);
  display->MoveMouse(top.left + 460 - 40 + 5, top.top + 5);
  Pump(40);
  ASSERT_TRUE(close->Hovered());
  display->PressButton();
  display->ReleaseButton();
  Pump(40);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(form->BoundsRect().left, 200) << "a press on an item does not drag";
}

// A 9 x 9 image of nine 3 x 3 blocks, each its own opaque colour.
class StripPixels : public BorderWindows {
 protected:
  static std::uint32_t Block(int bx, int by) { return 0xFF000000u | (40u * bx + 20) << 16 | (40u * by + 20) << 8 | 99; }
  void SetUp() override {
    BorderWindows::SetUp();
    path = "/tmp/quelbo-border-" + std::to_string(getpid()) + ".png";
    std::vector<std::uint32_t> px(81);
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 9; ++x) px[y * 9 + x] = Block(x / 3, y / 3);
    ASSERT_TRUE(platform::WritePng(path, px.data(), 9, 9, 9));
    border->SetImage(path);
  }
  void TearDown() override {
    std::remove(path.c_str());
    BorderWindows::TearDown();
  }
  // Every pixel of the strip is the frame's pixel at (x0 + x, y0 + y).
  void ExpectStrip(TMlBorderKind k, int w, int h, int x0, int y0, const std::function<std::uint32_t(int, int)>& frame) {
    SCOPED_TRACE(k);
    TBitmap32* s = border->Strip(k);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->Width(), w);
    ASSERT_EQ(s->Height(), h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) ASSERT_EQ(s->PixelAt(x, y), frame(x0 + x, y0 + y)) << x << "," << y;
  }
  std::string path;
};

TEST_F(StripPixels, NineSliceKeepsCornersAndStretchesEdges) {
  const int W = 100, H = 50, TW = W + 16, TH = H + 16;
  // Corners keep a third of the image; the middle stretches.
  auto frame = [&](int x, int y) {
    int bx = x < 3 ? 0 : x < TW - 3 ? 1 : 2, by = y < 3 ? 0 : y < TH - 3 ? 1 : 2;
    return Block(bx, by);
  };
  for (bool transparent : {true, false}) {
    SCOPED_TRACE(transparent);
    border->SetTransparent(transparent);
    border->BuildStrips(W, H);
    ExpectStrip(bkTop, TW, 13, 0, 0, frame);
    ExpectStrip(bkBottom, TW, 13, 0, TH - 13, frame);
    if (transparent) {
      // The sides start 5 rows further down than their windows stand.
      ExpectStrip(bkLeft, 13, TH - 26, 0, 5 + 13, frame);
      ExpectStrip(bkRight, 13, TH - 26, TW - 13, 5 + 13, frame);
    } else {
      ExpectStrip(bkLeft, 13, TH, 0, 0, frame);
      ExpectStrip(bkRight, 13, TH, TW - 13, 0, frame);
    }
  }
}

TEST_F(StripPixels, TiledShadowLosesItsInsetForGood) {
  const int W = 100, H = 50, TW = W + 16, TH = H + 16;
  auto frame = [](int x, int y) { return Block((x % 9) / 3, (y % 9) / 3); };
  border->SetStretchKind(TMlStretchKind::skTile);
  border->BuildStrips(W, H);
  EXPECT_EQ(border->InflateSize()->Left, 0);
  EXPECT_EQ(border->InflateSize()->Bottom, 0);
  ExpectStrip(bkTop, TW, 8, 0, 0, frame);
  ExpectStrip(bkLeft, 8, TH - 16, 0, 8, frame);
  ExpectStrip(bkRight, 8, TH - 16, TW - 8, 8, frame);
  ExpectStrip(bkBottom, TW, 8, 0, TH - 8, frame);
  border->SetStretchKind(TMlStretchKind::skAuto);
  border->BuildStrips(W, H);
  EXPECT_EQ(border->Strip(bkTop)->Height(), 8) << "the inset stays 0";
}

TEST_F(BorderWindows, InsetOfEightIsKeptAndAMissingImageMakesNoWindows) {
  TMlBorderSize eight(8, 8, 8, 8);
  border->SetInflateSize(&eight);
  border->BuildStrips(444, 141);
  EXPECT_EQ(border->Strip(bkTop)->Height(), 16);
  border->SetImage("NoSuchSkinImage");
  Show();
  for (TMlBorderKind k : kKinds) {
    EXPECT_EQ(border->Strip(k), nullptr);
    EXPECT_EQ(border->Window(k), nullptr);
  }
}

}  // namespace
