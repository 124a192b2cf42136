// The skinned progress bar: fill widths, the three-part fill image, the
// composed bar over the captured background, the value rules and the slider.
#include <algorithm>
#include <cmath>

#include "ControlsFixture.h"
#include "SkinTestSupport.h"
#include "skin/MlSkinProgressBar.h"
#include "skin/MlSkinResManager.h"

namespace {

using skintest::SkinControls;

class Bar : public SkinControls {
 protected:
  void SetUp() override {
    SkinControls::SetUp();
    bar = new TMlSkinProgressBar(form);
    bar->SetParent(form);
    bar->SetBounds(104, 32, 241, 17);
    bar->SetMaxValue(100000);
    Show();
  }
  // Row y of the painted buffer.
  std::vector<TColor32> Row(int y) {
    PaintNow(bar);
    std::vector<TColor32> r;
    for (int x = 0; x < bar->Width(); ++x) r.push_back(bar->Buffer()->PixelAt(x, y));
    return r;
  }
  TMlSkinProgressBar* bar = nullptr;
};

// The listed values of the main window's bar; each width is also computed
// here from Trunc(value / 100000 x 241).
constexpr std::pair<int, int> kFills[] = {{0, 0},     {1000, 2},    {4150, 10},    {4600, 11},
                                          {5000, 12}, {50000, 120}, {100000, 241}};

TEST_F(Bar, FillWidthIsTheTruncatedShareOfTheWidth) {
  for (auto [value, width] : kFills) {
    bar->SetValue(value);
    EXPECT_EQ(bar->FillWidth(), width) << value;
    EXPECT_EQ(width, static_cast<int>(std::trunc(static_cast<long double>(value) / 100000 * 241))) << value;
  }
}

// The fill image column by column: with caps of 6 pixels the first columns
// come from the left cap, the last from the right cap, the rest from the
// middle (stretched); a fill narrower than both caps shows the left cap
// alone. Every piece is cut with the frame blend (FramePixel).
TEST(ThreePartBar, CapsSitAtBothEndsAndTheBarOnlyGrows) {
  TBitmap32* s = GetSkinBitmap("MlSkinBar_cur");
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->Width(), 102);
  const int h = s->Height();
  auto cut = [&](int sx, int y) { return FramePixel(s->PixelAt(sx, y)); };
  int lastInked = 0;
  for (int w : {0, 2, 6, 7, 9, 10, 11, 12, 13, 120, 241}) {
    SCOPED_TRACE(w);
    auto bar = ThreePartBar(s, w, 6);
    ASSERT_EQ(bar->Width(), w);
    ASSERT_EQ(bar->Height(), h);
    const bool whole = w >= 12;
    int inked = 0;
    for (int x = 0; x < w; ++x) {
      for (int y = 0; y < h; ++y) {
        const TColor32 got = bar->PixelAt(x, y);
        inked += (got >> 24) != 0;
        if (whole && x >= w - 6) {
          ASSERT_EQ(got, cut(96 + x - (w - 6), y)) << "right cap at " << x << "," << y;
        } else if (x < 6 && w > 6) {
          ASSERT_EQ(got, cut(x, y)) << "left cap at " << x << "," << y;
        } else if (whole) {
          bool fromMiddle = false;
          for (int sx = 6; sx < 96 && !fromMiddle; ++sx) fromMiddle = got == cut(sx, y);
          ASSERT_TRUE(fromMiddle) << "middle at " << x << "," << y;
        } else if (w > 6) {
          ASSERT_EQ(got, 0u) << "nothing beyond the left cap at " << x << "," << y;
        } else {
          ASSERT_EQ(got >> 24 != 0, s->PixelAt(x, y) >> 24 != 0) << "the left cap cut at " << x << "," << y;
        }
      }
    }
    EXPECT_GE(inked, lastInked) << "a wider fill never shows less";
    lastInked = inked;
  }
}

// On the bar: the images sit at y 2 (17 - 13 = 4, halved) and the fill
// covers exactly its inked columns: the art is inset 1 pixel on the left
// and 2 on the right, and below 12 pixels only the 6-pixel left cap shows.
TEST_F(Bar, FillCoversItsColumnsOverTheTrack) {
  bar->SetValue(0);
  const std::vector<TColor32> track = Row(8);
  for (int y : {0, 1, 15, 16})
    for (int x = 0; x < 241; x += 40) EXPECT_EQ(bar->Buffer()->PixelAt(x, y), Behind(bar, x, y)) << x << "," << y;
  EXPECT_NE(track[120], Behind(bar, 120, 8)) << "the track is drawn";
  for (auto [value, width] : kFills) {
    SCOPED_TRACE(value);
    bar->SetValue(value);
    const std::vector<TColor32> row = Row(8);
    const int inkEnd = width >= 12 ? width - 3 : std::min(width, 6) - 1;
    for (int x = 0; x < 241; ++x) EXPECT_EQ(row[x] != track[x], x >= 1 && x <= inkEnd) << x;
  }
}

TEST_F(Bar, WhatIsDrawnAndWhatIsNot) {
  auto background = [&] {
    const std::vector<TColor32> row = Row(8);
    for (int x = 0; x < bar->Width(); ++x)
      if (row[x] != Behind(bar, x, 8)) return false;
    return true;
  };
  bar->SetValue(100000);
  EXPECT_FALSE(background());
  bar->SetBar_Background("");
  EXPECT_TRUE(background()) << "no track: no fill either";
  bar->SetBar_Background("MlSkinBar_base");
  bar->SetWidth(29);
  EXPECT_TRUE(background()) << "narrower than 30 pixels";
}

TEST_F(Bar, ValueRules) {
  bar->SetMaxValue(100);
  bar->SetValue(50);
  int changes = 0;
  bar->OnChanged = [&](TObject*) { ++changes; };
  struct Step {
    const char* what;
    std::function<void()> act;
    int value, changes;
  } steps[] = {
      {"above the maximum", [&] { bar->SetValue(150); }, 100, 1},
      {"the same again", [&] { bar->SetValue(100); }, 100, 1},
      {"below the minimum", [&] { bar->SetValue(-5); }, 0, 2},
      {"a maximum of 0 (unknown length)", [&] { bar->SetValue(40), bar->SetMaxValue(0); }, 0, 3},
      {"then a value", [&] { bar->SetValue(70); }, 0, 3},
      {"a minimum above the value", [&] { bar->SetMaxValue(100), bar->SetMinValue(10); }, 10, 3},
  };
  for (const Step& s : steps) {
    s.act();
    EXPECT_EQ(bar->Value(), s.value) << s.what;
    EXPECT_EQ(changes, s.changes) << s.what;
  }
}

TEST_F(Bar, WithoutItsThumbTheBarTakesNoInput) {
  bool pressed = false;
  bar->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { pressed = true; };
  bar->SetValue(500);
  SendMessage(bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 8));
  SendMessage(bar->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(100, 8));
  SendMessage(bar->Handle(), WM_KEYDOWN, VK_END, 0);
  EXPECT_FALSE(pressed);
  EXPECT_EQ(bar->Value(), 500);
}

TEST_F(Bar, SliderKeysAndDrag) {
  bar->TrackButton()->SetNormal("MlSkinDrag_flag");
  bar->TrackButton()->SetVisible(true);
  bar->SetMaxValue(100);
  struct Key {
    WPARAM key;
    int from, to;
  } keys[] = {{VK_END, 50, 100},   {VK_HOME, 50, 0},     {VK_LEFT, 0, 0},     {VK_DOWN, 5, 4},
              {VK_SUBTRACT, 5, 4}, {VK_NEXT, 5, 4},      {VK_RIGHT, 100, 100}, {VK_UP, 5, 6},
              {VK_ADD, 5, 6},      {VK_PRIOR, 100, 100}, {'A', 5, 5}};
  for (const Key& k : keys) {
    bar->SetValue(k.from);
    SendMessage(bar->Handle(), WM_KEYDOWN, k.key, 0);
    EXPECT_EQ(bar->Value(), k.to) << k.key;
  }
  // Drag the thumb by its centre: the value under the pointer is
  // Round((x - track left - offset) / track width x 100), halves to even.
  bar->SetValue(50);
  PaintNow(bar);
  const TRect thumb = bar->ThumbRect();
  ASSERT_EQ(thumb.Width(), 8);
  const int grabX = thumb.left + 4, grabY = thumb.top + 4;
  SendMessage(bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(grabX, grabY));
  for (int x : {grabX + 30, 1 + 4 + 239 / 2, 300, -20}) {
    SendMessage(bar->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, grabY));
    const double want = std::nearbyint(static_cast<double>(x - 1 - (grabX - thumb.left - 4)) / 239 * 100);
    EXPECT_EQ(bar->Value(), std::clamp(static_cast<int>(want), 0, 100)) << x;
  }
  SendMessage(bar->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(-20, grabY));
  EXPECT_FALSE(bar->MouseCapture());
}

// A press on the track beside the thumb moves the value to the point; while
// the button is held the repeat goes on towards it and no further.
TEST_F(Bar, PressOnTheTrackMovesToThePoint) {
  bar->TrackButton()->SetNormal("MlSkinDrag_flag");
  bar->TrackButton()->SetVisible(true);
  bar->SetMaxValue(100);
  bar->SetValue(50);
  PaintNow(bar);
  int changes = 0;
  bar->OnChanged = [&](TObject*) { ++changes; };
  struct Press {
    int x, value;
  } presses[] = {{200, 83}, {50, 21}};  // Round((x - 1) / 239 x 100)
  for (const Press& p : presses) {
    changes = 0;
    SendMessage(bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, 8));
    EXPECT_EQ(bar->Value(), p.value) << p.x;
    Pump(450);  // the repeat ticks while the button is held
    EXPECT_EQ(bar->Value(), p.value) << p.x;
    EXPECT_EQ(changes, 1);
    SendMessage(bar->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(p.x, 8));
  }
}

}  // namespace
