// Device copies and text through the platform's drawing and text services.
#include <gtest/gtest.h>

#include <set>

#include "graphics/Bitmap32.h"
#include "graphics/PictureFilters.h"

namespace {

void Numbered(TBitmap32& b, int w, int h, TColor32 alpha) {
  b.Resize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.PixelAt(x, y) = alpha | TColor32(y << 8 | x);
}

// The rectangle of pixels that differ from c, or an empty one.
TRect Inked(const TCustomBitmap32& b, TColor32 c) {
  TRect r{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (b.PixelAt(x, y) != c) r = {std::min(r.left, x), std::min(r.top, y), std::max(r.right, x + 1), std::max(r.bottom, y + 1)};
  return r.left > r.right ? TRect{} : r;
}

}  // namespace

TEST(DeviceCopies, BlitFromDCCopiesAllFourBytes) {
  TBitmap32 src, dst;
  Numbered(src, 4, 4, 0x80000000u);
  dst.Resize(8, 8);
  dst.Clear(0xFF0000FF);
  std::vector<TRect> areas;
  dst.OnAreaChanged = [&](TObject*, const TRect& r, unsigned) { areas.push_back(r); };
  dst.BlitFromDC(Rect(2, 2, 6, 6), Rect(0, 0, 4, 4), src.DeviceContext());
  EXPECT_EQ(dst.PixelAt(2, 2), 0x80000000u);
  EXPECT_EQ(dst.PixelAt(5, 4), 0x80000203u);
  EXPECT_EQ(dst.PixelAt(1, 1), 0xFF0000FFu);
  ASSERT_EQ(areas.size(), 1u);
  EXPECT_EQ(areas[0], Rect(2, 2, 6, 6));
  // Stretched by the platform's copy: 4 columns over 8.
  dst.BlitFromDC(Rect(0, 0, 8, 1), Rect(0, 0, 4, 1), src.DeviceContext());
  EXPECT_EQ(dst.PixelAt(7, 0), 0x80000003u);
  TBitmap32 empty;
  empty.BlitFromDC(Rect(0, 0, 2, 2), Rect(0, 0, 2, 2), src.DeviceContext());
  dst.BlitFromDC(Rect(0, 0, 2, 2), Rect(0, 0, 2, 2), nullptr);
  // Back the other way.
  TBitmap32 out;
  out.Resize(4, 4);
  src.BlitToDC(out.DeviceContext(), 1, 1);
  EXPECT_EQ(out.PixelAt(1, 1), 0x80000000u);
  EXPECT_EQ(out.PixelAt(3, 3), 0x80000202u);
  src.StretchToDC(out.DeviceContext(), Rect(0, 0, 4, 4), Rect(3, 3, 4, 4));
  EXPECT_EQ(out.PixelAt(0, 0), 0x80000303u);
  EXPECT_EQ(out.Canvas().Handle(), out.DeviceContext());
}

TEST(NineSliceOnto, DeviceRouteCopiesWithoutBlending) {
  TBitmap32 src, dst;
  Numbered(src, 31, 8, 0x40000000u);
  src.SetDrawMode(dmBlend);
  dst.Resize(100, 8);
  dst.Clear(0xFFFFFFFF);
  NineSliceOnto(&src, &dst, true);
  std::set<int> middle;
  for (int x = 0; x < 100; ++x) {
    TColor32 p = dst.PixelAt(x, 3);
    ASSERT_EQ(AlphaComponent(p), 0x40u) << "copied, not blended, at " << x;
    int sx = int(p & 0xFF);
    if (x < 10) EXPECT_EQ(sx, x);
    else if (x >= 89) EXPECT_EQ(sx, x - 69);
    else middle.insert(sx);
  }
  EXPECT_EQ(*middle.begin(), 10);
  EXPECT_EQ(*middle.rbegin(), 19);
}

TEST(BitmapText, TextAtDrawsInTheFontColourAndNotifies) {
  TBitmap32 b;
  b.Resize(120, 40);
  b.Clear(0);
  b.Font().SetColor(clRed);
  b.Font().SetHeight(-16);
  std::vector<TRect> areas;
  b.OnAreaChanged = [&](TObject*, const TRect& r, unsigned) { areas.push_back(r); };
  SIZE sz = b.TextSize("Quelbo");
  ASSERT_GT(sz.cx, 10);
  ASSERT_GT(sz.cy, 8);
  b.TextAt(5, 6, "Quelbo");
  ASSERT_EQ(areas.size(), 1u);
  EXPECT_EQ(areas[0], Rect(5, 6, 5 + sz.cx + 1, 6 + sz.cy + 1));
  TRect ink = Inked(b, 0);
  ASSERT_FALSE(ink.IsEmpty());
  EXPECT_GE(ink.left, 5);
  EXPECT_LE(ink.right, 5 + sz.cx + 1);
  bool red = false;
  for (int i = 0; i < 120 * 40; ++i) red |= (b.Bits()[i] & 0x00FFFFFF) == 0x00FF0000;
  EXPECT_TRUE(red);
  // A smaller clip keeps the text inside it.
  b.Clear(0);
  b.SetClipBounds(Rect(0, 0, 20, 40));
  b.TextAt(5, 6, "Quelbo");
  EXPECT_LE(Inked(b, 0).right, 20);
  // Text in a rectangle, centred.
  b.SetClipBounds(b.BoundsRect());
  b.Clear(0);
  b.TextInRect(Rect(0, 0, 120, 40), DT_CENTER | DT_VCENTER | DT_SINGLELINE, "ab");
  TRect c = Inked(b, 0);
  EXPECT_NEAR((c.left + c.right) / 2.0, 60, 4);
  // Measuring without a device context of one's own.
  TBitmap32 none;
  none.Font().SetHeight(-16);
  EXPECT_EQ(none.TextWidthOf("Quelbo"), sz.cx);
  EXPECT_EQ(none.TextHeightOf("Quelbo"), sz.cy);
  none.TextAt(0, 0, "x");  // nothing to draw on
}

TEST(BitmapText, SmoothTextTurnsCoverageIntoAlpha) {
  for (int level : {-1, 0, 1, 2, 9}) {
    TBitmap32 b;
    b.Resize(100, 40);
    b.Clear(0);
    b.Font().SetHeight(-14);
    b.SmoothText(2, 3, "Hi", level, 0xFF20C040);
    TRect ink = Inked(b, 0);
    ASSERT_FALSE(ink.IsEmpty()) << "level " << level;
    EXPECT_GE(ink.left, 2);
    EXPECT_GE(ink.top, 3);
    std::set<unsigned> alphas;
    for (int i = 0; i < 100 * 40; ++i) {
      TColor32 p = b.Bits()[i];
      if (p) {
        // Blended onto transparent black: the colour comes out scaled by the coverage.
        alphas.insert(AlphaComponent(p));
        ASSERT_GT(AlphaComponent(p), 0u);
        ASSERT_LE(RedComponent(p), 0x20u);
        ASSERT_LE(GreenComponent(p), 0xC0u);
        ASSERT_LE(BlueComponent(p), 0x40u);
        ASSERT_GE(GreenComponent(p), RedComponent(p));
      }
    }
    if (level != 0) {
      EXPECT_GT(alphas.size(), 2u) << "level " << level << " is smooth";
    }
    EXPECT_EQ(b.Font().Quality(), TFontQuality::fqDefault);
  }
  // Half-transparent colours draw with that master alpha.
  TBitmap32 a, h;
  for (TBitmap32* t : {&a, &h}) {
    t->Resize(60, 30);
    t->Clear(0xFF000000);
  }
  a.SmoothText(0, 0, "W", 2, 0xFFFFFFFF);
  h.SmoothText(0, 0, "W", 2, 0x80FFFFFF);
  unsigned maxA = 0, maxH = 0;
  for (int i = 0; i < 60 * 30; ++i) {
    maxA = std::max(maxA, RedComponent(a.Bits()[i]));
    maxH = std::max(maxH, RedComponent(h.Bits()[i]));
  }
  EXPECT_GT(maxH, 0u);
  EXPECT_LT(maxH, maxA);
  TBitmap32 empty;
  empty.SmoothText(0, 0, "Hi", 1, 0xFFFFFFFF);
  EXPECT_TRUE(empty.Empty());
}

TEST(BitmapText, SmoothTextInRect) {
  TBitmap32 b;
  b.Resize(80, 30);
  b.Clear(0xFF000000);
  b.Font().SetHeight(-14);
  b.SmoothTextInRect(Rect(40, 0, 80, 30), DT_LEFT | DT_TOP | DT_SINGLELINE, 0xFFFFFFFF, "Ok");
  TRect ink = Inked(b, 0xFF000000);
  ASSERT_FALSE(ink.IsEmpty());
  EXPECT_GE(ink.left, 40);
  b.SmoothTextInRect(Rect(5, 5, 5, 5), 0, 0xFFFFFFFF, "empty rectangle");
}
