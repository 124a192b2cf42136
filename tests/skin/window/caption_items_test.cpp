// Caption-bar items on a skinned form: hover repaints the caption band and
// nothing else, buttons change state and group as pressed, the title label
// moves the window, items follow the maximised frame.
#include "SkinnedFormFixture.h"
#include "skin/MlSkinResManager.h"
#include "skin/window/MlSkinNCButton.h"
#include "skin/window/MlSkinNCLabel.h"

namespace {

class CaptionItems : public skintest::SkinnedForm {
 protected:
  // A button of the flat button strip (three 22 x 22 frames) at (x, 3).
  TMlSkinNCButton* AddButton(int x, int group = 0) {
    auto* b = new TMlSkinNCButton(form);
    b->Picture()->SetImage("MlSkinFlatBtn");
    b->Pos()->SetXValue(x);
    b->Pos()->SetYValue(3);
    b->SetGroupIndex(group);
    return b;
  }
  void PointAt(int x, int y) {
    display->MoveMouse(form->Left() + x, form->Top() + y);
    Pump(40);  // hover is polled every 10 ms
  }
  // Left button down and up where the pointer is, as the caption band gets them.
  void Click() {
    POINT p;
    GetCursorPos(&p);
    LPARAM lp = MAKELPARAM(p.x, p.y);
    SendMessage(H(), WM_NCLBUTTONDOWN, HTCAPTION, lp);
    SendMessage(H(), WM_NCLBUTTONUP, HTCAPTION, lp);
  }
  std::uint32_t& Surface(int x, int y) { return R(H())->surface.Row(y)[x]; }
};

TEST_F(CaptionItems, HoverRepaintsTheCaptionBandOnly) {
  TMlSkinNCButton* b = AddButton(100);
  Show();
  ASSERT_EQ(skin->Items().size(), 1u);
  const std::uint32_t normal = Surface(111, 14);
  // Marks in every piece: the caption band must be painted over, the rest not.
  const std::uint32_t mark = 0xFF123456;
  const POINT band{300, 12}, left{0, 80}, right{443, 80}, bottom{200, 140}, client{200, 80};
  for (POINT p : {band, left, right, bottom, client}) Surface(p.x, p.y) = mark;
  PointAt(111, 14);
  ASSERT_TRUE(b->Hovered());
  EXPECT_EQ(b->DrawState(), TMlSkinNCButton::dsHot);
  EXPECT_NE(Surface(300, 12), mark);
  EXPECT_NE(Surface(111, 14), normal) << "the hot frame is drawn";
  for (POINT p : {left, right, bottom, client}) EXPECT_EQ(Surface(p.x, p.y), mark) << p.x << "," << p.y;
  Surface(band.x, band.y) = mark;
  PointAt(300, 80);
  EXPECT_FALSE(b->Hovered());
  EXPECT_EQ(Surface(111, 14), normal);
  EXPECT_NE(Surface(300, 12), mark);
  for (POINT p : {left, right, bottom, client}) EXPECT_EQ(Surface(p.x, p.y), mark) << p.x << "," << p.y;
}

TEST_F(CaptionItems, ButtonSizeComesFromItsStrip) {
  TMlSkinNCButton* b = AddButton(100);
  EXPECT_EQ(b->GetWidth(), 22);
  EXPECT_EQ(b->GetHeight(), 22);
  auto* empty = new TMlSkinNCButton(form);
  empty->Picture()->SetImage("");
  EXPECT_EQ(empty->GetWidth(), 0);
  Show();
  PointAt(1, 1);  // an empty button at (0, 0) covers nothing
  EXPECT_FALSE(empty->Hovered());
}

TEST_F(CaptionItems, ButtonsToggleByGroup) {
  TMlSkinNCButton* plain = AddButton(40);
  TMlSkinNCButton* a = AddButton(80, 2);
  TMlSkinNCButton* b = AddButton(120, 2);
  TMlSkinNCButton* toggle = AddButton(160);
  toggle->SetAllowAllUp(true);
  int clicks = 0;
  plain->OnClick = [&](TObject*) { ++clicks; };
  Show();

  PointAt(45, 10);
  Click();
  EXPECT_EQ(plain->DrawState(), TMlSkinNCButton::dsHot);
  EXPECT_FALSE(plain->Down());
  EXPECT_EQ(clicks, 1);

  PointAt(85, 10);
  Click();
  EXPECT_TRUE(a->Down());
  PointAt(125, 10);
  Click();
  EXPECT_TRUE(b->Down());
  EXPECT_FALSE(a->Down()) << "one button of a group is down";
  Click();
  EXPECT_TRUE(b->Down()) << "clicking the down button keeps it down";

  PointAt(165, 10);
  Click();
  EXPECT_TRUE(toggle->Down());
  Click();
  EXPECT_FALSE(toggle->Down());
}

TEST_F(CaptionItems, DisabledButtonFiresOnlyItsMouseEvents) {
  TMlSkinNCButton* b = AddButton(100);
  b->SetEnabled(false);
  int clicks = 0, downs = 0, ups = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  b->OnLMouseDown = [&](TObject*) { ++downs; };
  b->OnLMouseUp = [&](TObject*) { ++ups; };
  Show();
  PointAt(105, 10);
  EXPECT_EQ(b->DrawState(), TMlSkinNCButton::dsNormal);
  Click();
  EXPECT_EQ(b->DrawState(), TMlSkinNCButton::dsNormal);
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(downs, 1);
  EXPECT_EQ(ups, 1);
}

TEST_F(CaptionItems, DoubleClickOverAButtonDoesNotMaximise) {
  AddButton(100);
  Show();
  PointAt(105, 10);
  SendMessage(H(), WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(form->Left() + 105, form->Top() + 10));
  EXPECT_FALSE(IsZoomed(H()));
}

TEST_F(CaptionItems, RightAlignedItemMeasuresFromTheRightEdge) {
  TMlSkinNCButton* b = AddButton(5);
  b->Pos()->SetAlign(TNCCtrlAlign::caRight);
  EXPECT_EQ(b->Pos()->Left(), 444 - 5);
}

TEST_F(CaptionItems, ItemsMoveUpAndLeftWhileMaximised) {
  TMlSkinNCButton* b = AddButton(100);
  Show();
  SendMessage(H(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  Pump(80);
  EXPECT_EQ(b->Pos()->Left(), 99);
  EXPECT_EQ(b->Pos()->Top(), 2);
  SendMessage(H(), WM_SYSCOMMAND, SC_RESTORE, 0);
  Pump(80);
  EXPECT_EQ(b->Pos()->Left(), 100);
  EXPECT_EQ(b->Pos()->Top(), 3);
}

TEST_F(CaptionItems, TitleLabelDrawsItsCaptionAndDragsTheWindow) {
  auto* label = new TMlSkinNCLabel(form);
  label->SetCaption("Title");
  Show();
  EXPECT_GT(label->TextExtent().cx, 10);
  // Black text over the caption band's light gradient.
  bool dark = false;
  for (int y = 5; y < 5 + label->TextExtent().cy; ++y)
    for (int x = 5; x < 5 + label->TextExtent().cx; ++x) dark |= (Pixel(x, y) & 0xFF) < 0x40;
  EXPECT_TRUE(dark);

  RECT before;
  GetWindowRect(H(), &before);
  PointAt(10, 10);
  ASSERT_TRUE(label->Hovered());
  // The move loop runs inside the press; the drag arrives while it runs.
  int step = 0;
  SetTimer(nullptr, 0, 20, [&](HWND, UINT, std::uintptr_t id, DWORD) {
    if (step == 0) display->MoveMouse(before.left + 60, before.top + 30);
    if (step == 1) display->ReleaseButton();
    if (++step == 2) KillTimer(nullptr, id);
  });
  display->PressButton();
  Pump(200);
  RECT after;
  GetWindowRect(H(), &after);
  EXPECT_EQ(after.left - before.left, 50);
  EXPECT_EQ(after.top - before.top, 20);
}

// Over a button whose Cursor is set the display shows that standard cursor,
// its own; leaving the button gives the arrow back.
TEST_F(CaptionItems, ButtonCursorShowsAsTheDisplaysOwn) {
  using Shape = platform::CursorShape;
  const std::pair<TCursor, Shape> cases[] = {
      {crArrow, Shape::Arrow},          {crIBeam, Shape::IBeam},     {crHourGlass, Shape::Wait},
      {crCross, Shape::Cross},          {crUpArrow, Shape::UpArrow}, {crSizeNWSE, Shape::SizeNWSE},
      {crSizeNESW, Shape::SizeNESW},    {crSizeWE, Shape::SizeWE},   {crSizeNS, Shape::SizeNS},
      {crSizeAll, Shape::SizeAll},      {crNo, Shape::No},           {crHandPoint, Shape::Hand},
      {crAppStart, Shape::AppStarting}, {crHelp, Shape::Help},
  };
  TMlSkinNCButton* b = AddButton(100);
  Show();
  for (auto [cursor, shape] : cases) {
    SCOPED_TRACE(cursor);
    b->SetCursor(cursor);
    PointAt(111, 14);
    ASSERT_TRUE(b->Hovered());
    EXPECT_EQ(Native()->cursor, shape);
    PointAt(111, 16);  // moving over the button keeps it
    EXPECT_EQ(Native()->cursor, shape);
    PointAt(300, 12);
    EXPECT_EQ(Native()->cursor, Shape::Arrow);
  }
}

TEST_F(CaptionItems, HintShowsBesideThePointer) {
  TMlSkinNCButton* b = AddButton(100);
  b->SetHint("Settings");
  Show();
  size_t windows = display->Windows().size();
  PointAt(105, 10);
  EXPECT_EQ(display->Windows().size(), windows + 1);
  PointAt(300, 80);
  EXPECT_EQ(display->Windows().size(), windows);
}

}  // namespace
