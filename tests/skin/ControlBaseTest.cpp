// The skinned control base: where its background comes from, when its
// buffer is kept, the registry and the pointer state.
#include "ControlsFixture.h"
#include "skin/MlSkinMessages.h"
#include "skin/MlSkinPanel.h"

namespace {

using skintest::SkinControls;
constexpr TColor32 kRed = MakeColor32(255, 0, 0, 255);

// Every pixel of the buffer against the picture that should lie under it.
void ExpectBufferShows(TMlSkinCustomControl* c, const std::function<TColor32(int, int)>& expected) {
  TBitmap32* b = c->Buffer();
  ASSERT_EQ(b->Width(), c->Width());
  ASSERT_EQ(b->Height(), c->Height());
  for (int y = 0; y < b->Height(); ++y)
    for (int x = 0; x < b->Width(); ++x) ASSERT_EQ(b->PixelAt(x, y), expected(x, y)) << x << "," << y;
}

// The form's background is laid out with the frame to the left (colour look)
// and also the caption band above it (picture look).
TEST_F(SkinControls, TransparentControlCopiesItsRectangleOfTheFormBackground) {
  for (POINT origin : {POINT{2, 0}, POINT{2, 27}, POINT{0, 0}}) {
    SCOPED_TRACE(origin.y);
    skin->origin = origin;
    auto* c = new TMlSkinCustomControl(form);
    c->SetParent(form);
    c->SetBounds(10, 20, 50, 13);
    Show();
    PaintNow(c);
    ExpectBufferShows(c, [&](int x, int y) { return skintest::Backdrop(10 + origin.x + x, 20 + origin.y + y); });
    EXPECT_EQ(Screen(c, 49, 12) & 0xFFFFFF, skintest::Backdrop(59 + origin.x, 32 + origin.y) & 0xFFFFFF);
    delete c;
  }
}

TEST_F(SkinControls, ControlInsideAPanelCopiesThePanelsBuffer) {
  auto* panel = new TMlSkinPanel(form);  // white at alpha 192 with a border
  panel->SetParent(form);
  panel->SetBounds(20, 10, 120, 80);
  auto* child = new TMlSkinCustomControl(form);
  child->SetParent(panel);
  child->SetBounds(1, 6, 30, 20);  // over the border, so the border shows too
  Show();
  PaintNow(panel);
  PaintNow(child);
  ASSERT_NE(panel->Buffer()->PixelAt(1, 6), Behind(panel, 1, 6)) << "the panel draws over the form";
  ExpectBufferShows(child, [&](int x, int y) { return panel->Buffer()->PixelAt(1 + x, 6 + y); });
}

TEST_F(SkinControls, OpaqueControlFillsWithItsColourResolved) {
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  for (TColor color : {clBtnFace, static_cast<TColor>(RGB(1, 2, 3))}) {
    auto* c = new TMlSkinCustomControl(form);
    c->SetParent(form);
    c->SetBounds(5, 5, 20, 10);
    c->SetTransparent(false);
    c->SetColor(color);
    Show();
    PaintNow(c);
    const COLORREF rgb = color < 0 ? face : static_cast<COLORREF>(color);
    ExpectBufferShows(c, [&](int, int) { return MakeColor32(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb), 255); });
    delete c;
  }
}

TEST_F(SkinControls, HandledBackgroundIsWhatTheHandlerDrew) {
  auto* c = new TMlSkinCustomControl(form);
  c->SetParent(form);
  c->SetBounds(5, 5, 20, 10);
  std::vector<std::string> calls;
  c->OnBackgroundChanging = [&](TObject*, TBitmap32* b, bool& handled) {
    calls.push_back("changing");
    b->Clear(kRed);
    handled = true;
  };
  c->OnBackgroundChanged = [&](TObject*, TBitmap32*) { calls.push_back("changed"); };
  Show();
  calls.clear();
  c->Invalidate();
  PaintNow(c);
  EXPECT_EQ(calls, (std::vector<std::string>{"changing", "changed"}));
  ExpectBufferShows(c, [](int, int) { return kRed; });
}

// A control that reaches beyond its parent is rebuilt at every paint; one
// that fits keeps its buffer until something invalidates it.
TEST_F(SkinControls, BufferIsKeptOnlyWhileTheControlFitsItsParent) {
  auto* c = new TMlSkinCustomControl(form);
  c->SetParent(form);
  int renders = 0;
  c->OnBackgroundChanged = [&](TObject*, TBitmap32*) { ++renders; };
  struct Case {
    int left, repaints, renders;
  } cases[] = {{form->ClientWidth() - 40, 3, 3}, {form->ClientWidth() - 50, 3, 1}};
  Show();
  for (const Case& k : cases) {
    SCOPED_TRACE(k.left);
    c->SetBounds(k.left, 5, 50, 10);
    Pump(20);
    renders = 0;
    c->Invalidate();
    for (int i = 0; i < k.repaints; ++i) PaintNow(c);
    EXPECT_EQ(renders, k.renders);
    EXPECT_EQ(c->BufferCurrent(), k.renders == 1);
  }
}

TEST_F(SkinControls, WithoutASkinTheParentPaintsIntoTheBuffer) {
  delete skin;
  skin = nullptr;
  form->SetColor(static_cast<TColor>(RGB(10, 20, 30)));
  auto* c = new TMlSkinCustomControl(form);
  c->SetParent(form);
  c->SetBounds(30, 40, 25, 12);
  Show();
  PaintNow(c);
  // The parent's painting fills the colour channels only, as the platform's
  // fills do; the copy to the window ignores the alpha byte.
  for (int y = 0; y < c->Height(); ++y)
    for (int x = 0; x < c->Width(); ++x) ASSERT_EQ(c->Buffer()->PixelAt(x, y) & 0xFFFFFF, 0x0A141Eu) << x << "," << y;
}

TEST_F(SkinControls, PointerStateAtTheEnterAndLeaveEvents) {
  auto* c = new TMlSkinCustomControl(form);
  c->SetParent(form);
  std::vector<bool> insideAtEvent;
  c->OnMouseEnter = [&](TObject*) { insideAtEvent.push_back(c->MouseInside()); };
  c->OnMouseLeave = [&](TObject*) { insideAtEvent.push_back(c->MouseInside()); };
  c->Perform(CM_MOUSEENTER, 0, 0);
  c->Perform(CM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(insideAtEvent, (std::vector<bool>{true, false}));
}

// A panel that invalidates itself when moved tells its windowed children,
// which take their background anew from its new buffer.
TEST_F(SkinControls, MovedPanelRefreshesItsChildren) {
  auto* panel = new TMlSkinPanel(form);
  panel->SetParent(form);
  panel->SetBounds(20, 10, 120, 80);
  panel->SetAlpha(0);
  panel->SetBorderSides(0);
  panel->SetAutoInvalidate(true);
  auto* child = new TMlSkinCustomControl(form);
  child->SetParent(panel);
  child->SetBounds(4, 6, 30, 20);
  Show();
  ASSERT_TRUE(child->BufferCurrent());
  panel->SetLeft(60);
  Pump(40);
  ExpectBufferShows(child, [&](int x, int y) { return Behind(child, x, y); });
}

}  // namespace
