// The stretched copy: source clipping, the nearest column and row maps, and
// the combination by draw mode.
#include <gtest/gtest.h>

#include <vector>

#include "graphics/Bitmap32.h"
#include "graphics/Resamplers32.h"

namespace {

std::vector<TColor32> Row(const TCustomBitmap32& b, int y) { return {b.ScanLine(y), b.ScanLine(y) + b.Width()}; }

// A source whose pixel (x, y) is $FF00YYXX.
void Numbered(TCustomBitmap32& b, int w, int h) {
  b.Resize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.PixelAt(x, y) = 0xFF000000u | TColor32(y << 8 | x);
}

TColor32 N(int x, int y) { return 0xFF000000u | TColor32(y << 8 | x); }

}  // namespace

TEST(NearestStretch, ColumnAndRowMaps) {
  struct Case {
    const char* name;
    int srcW;
    TRect dst;
    std::vector<TColor32> row0;
  } cases[] = {
      {"3 to 2 takes columns 0 and 1", 3, Rect(0, 0, 2, 1), {N(0, 0), N(1, 0), 0, 0, 0, 0}},
      {"2 to 5", 2, Rect(0, 0, 5, 1), {N(0, 0), N(0, 0), N(0, 0), N(1, 0), N(1, 0), 0}},
      {"narrower than 2: the middle column", 5, Rect(1, 0, 2, 1), {0, N(2, 0), 0, 0, 0, 0}},
      {"a far-left destination keeps its map", 4, Rect(-4, 0, 4, 1), {N(2, 0), N(2, 0), N(3, 0), N(3, 0), 0, 0}},
  };
  for (const Case& c : cases) {
    TCustomBitmap32 src, dst;
    Numbered(src, c.srcW, 1);
    dst.Resize(6, 1);
    dst.Clear(0);
    dst.DrawFrom(c.dst, src.BoundsRect(), &src);
    EXPECT_EQ(Row(dst, 0), c.row0) << c.name;
  }
}

// The source index of destination index i: scale = source length /
// destination length held in single precision, then the exact value of
// (i - dstLo) x scale + srcLo truncated.
int MappedIndex(int i, int dstLo, int dstLen, int srcLo, int srcLen) {
  const float scale = static_cast<float>(srcLen) / static_cast<float>(dstLen);
  const long double exact = static_cast<long double>(i - dstLo) * static_cast<long double>(scale) + srcLo;
  return static_cast<int>(exact);  // truncates; exact is never negative here
}

TEST(NearestStretch, MapsTakeTheProductOfTheSinglePrecisionScaleExactly) {
  struct Case {
    TRect src, dst;
  } cases[] = {
      {Rect(0, 0, 70, 70), Rect(0, 0, 100, 100)},
      {Rect(3, 5, 73, 45), Rect(7, 2, 107, 102)},
      {Rect(0, 0, 3, 7), Rect(0, 0, 200, 90)},
      {Rect(0, 0, 100, 100), Rect(0, 0, 30, 70)},
  };
  for (const Case& c : cases) {
    TCustomBitmap32 src, dst;
    Numbered(src, 120, 120);
    dst.Resize(c.dst.right, c.dst.bottom);
    dst.DrawFrom(c.dst, c.src, &src);
    for (int y = c.dst.top; y < c.dst.bottom; ++y)
      for (int x = c.dst.left; x < c.dst.right; ++x) {
        const TColor32 want = N(MappedIndex(x, c.dst.left, c.dst.Width(), c.src.left, c.src.Width()),
                                MappedIndex(y, c.dst.top, c.dst.Height(), c.src.top, c.src.Height()));
        ASSERT_EQ(dst.PixelAt(x, y), want) << x << "," << y << " of " << c.src.Width() << " to " << c.dst.Width();
      }
  }
  // 70 to 100: 10 x 0.7f is just below 7, though 7 in single precision.
  for (auto [x, sx] : {std::pair{10, 6}, {20, 13}, {30, 20}}) EXPECT_EQ(MappedIndex(x, 0, 100, 0, 70), sx);
}

TEST(NearestStretch, OnePixelAndOneColumnSources) {
  TCustomBitmap32 dot, column, dst;
  dot.Resize(1, 1);
  dot.PixelAt(0, 0) = 0x80FF0000;
  dot.SetDrawMode(dmBlend);
  dst.Resize(7, 5);
  dst.Clear(0xFF0000FF);
  dst.DrawFrom(Rect(1, 1, 6, 4), dot.BoundsRect(), &dot);
  EXPECT_EQ(dst.PixelAt(1, 1), 0xFF80007Fu);  // blended with the row blend
  EXPECT_EQ(dst.PixelAt(5, 3), 0xFF80007Fu);
  EXPECT_EQ(dst.PixelAt(0, 0), 0xFF0000FFu);
  EXPECT_EQ(dst.PixelAt(6, 4), 0xFF0000FFu);

  Numbered(column, 1, 5);
  dst.Clear(0);
  column.DrawOnto(&dst, Rect(0, 0, 7, 5));
  for (int y = 0; y < 5; ++y) EXPECT_EQ(Row(dst, y), std::vector<TColor32>(7, N(0, y)));
}

TEST(NearestStretch, SourceRectangleOutsideTheSourceMovesTheDestination) {
  TCustomBitmap32 src, dst;
  Numbered(src, 4, 1);
  dst.Resize(20, 1);
  dst.Clear(0);
  std::vector<TRect> areas;
  dst.OnAreaChanged = [&](TObject*, const TRect& r, unsigned) { areas.push_back(r); };
  // From -2 with a scale of 2: the destination's left edge moves right by 4.
  dst.DrawFrom(Rect(0, 0, 12, 1), Rect(-2, 0, 4, 1), &src);
  EXPECT_EQ(Row(dst, 0), (std::vector<TColor32>{0, 0, 0, 0, N(0, 0), N(0, 0), N(1, 0), N(1, 0), N(2, 0), N(2, 0),
                                                N(3, 0), N(3, 0), 0, 0, 0, 0, 0, 0, 0, 0}));
  ASSERT_EQ(areas.size(), 1u);
  EXPECT_EQ(areas[0], Rect(4, 0, 12, 1));
  // Past the right edge: the destination's right edge moves left by 2 x 2.
  dst.Clear(0);
  dst.DrawFrom(Rect(0, 0, 12, 1), Rect(0, 0, 6, 1), &src);
  EXPECT_EQ(Row(dst, 0)[7], N(3, 0));
  EXPECT_EQ(Row(dst, 0)[8], 0u);
  // Wholly outside: nothing.
  dst.Clear(0);
  dst.DrawFrom(Rect(0, 0, 12, 1), Rect(9, 0, 14, 1), &src);
  dst.DrawFrom(Rect(0, 0, 12, 1), Rect(-9, 0, -3, 1), &src);
  dst.DrawFrom(Rect(0, 0, 12, 1), Rect(INT32_MIN, 0, INT32_MAX, 1), &src);
  EXPECT_EQ(Row(dst, 0), std::vector<TColor32>(20, 0));
  // A destination as wide as the coordinates allow maps every visible column
  // to the same source column, without overflow.
  dst.DrawFrom(Rect(INT32_MIN, 0, INT32_MAX, 1), Rect(0, 0, 3, 1), &src);
  EXPECT_EQ(Row(dst, 0), std::vector<TColor32>(20, N(1, 0)));
}

TEST(NearestStretch, DrawModesAndEqualSizes) {
  TCustomBitmap32 src, dst;
  src.Resize(2, 1);
  src.PixelAt(0, 0) = 0x00000000;  // the outer colour: skipped when transparent
  src.PixelAt(1, 0) = 0xFFFFFFFF;
  dst.Resize(4, 1);
  dst.Clear(0xFF0000FF);
  src.SetDrawMode(dmTransparent);
  src.DrawOnto(&dst, Rect(0, 0, 4, 1));
  EXPECT_EQ(Row(dst, 0), (std::vector<TColor32>{0xFF0000FF, 0xFF0000FF, 0xFFFFFFFF, 0xFFFFFFFF}));
  dst.Clear(0xFF000000);
  src.SetDrawMode(dmBlend);
  src.SetMasterAlpha(128);
  src.DrawOnto(&dst, Rect(0, 0, 4, 1));
  EXPECT_EQ(Row(dst, 0), (std::vector<TColor32>{0xFF000000, 0xFF000000, 0xFF808080, 0xFF808080}));
  // Equal sizes are the unstretched copy.
  dst.Clear(0xFF000000);
  src.SetMasterAlpha(255);
  src.DrawOnto(&dst, Rect(1, 0, 3, 1));
  EXPECT_EQ(Row(dst, 0), (std::vector<TColor32>{0xFF000000, 0xFF000000, 0xFFFEFEFE, 0xFF000000}));
}

TEST(LinearStretch, StaysWithinTheSourceColours) {
  TCustomBitmap32 src, dst;
  src.Resize(2, 2);
  src.Clear(0xFF202020);
  src.PixelAt(1, 1) = 0xFFE0E0E0;
  src.SetResamplerClassName("TLinearResampler");
  dst.Resize(9, 7);
  dst.Clear(0);
  src.DrawOnto(&dst, dst.BoundsRect());
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x) {
      TColor32 p = dst.PixelAt(x, y);
      EXPECT_EQ(AlphaComponent(p), 255u);
      EXPECT_GE(RedComponent(p), 0x20u);
      EXPECT_LE(RedComponent(p), 0xE0u);
    }
  EXPECT_EQ(dst.PixelAt(0, 0), 0xFF202020u);
  EXPECT_EQ(dst.PixelAt(8, 6), 0xFFE0E0E0u);
  EXPECT_LT(RedComponent(dst.PixelAt(3, 3)), RedComponent(dst.PixelAt(5, 5)));
}
