// Laying pictures onto bitmaps: tiles, nine slices (bitmap route), cover,
// centring, and the edge fade.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "graphics/PictureFilters.h"
#include "graphics/Resamplers32.h"

namespace {

// Pixel (x, y) of the source is $FF00YYXX, so every destination pixel tells
// which source pixel it came from.
void Numbered(TBitmap32& b, int w, int h) {
  b.Resize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.PixelAt(x, y) = 0xFF000000u | TColor32(y << 8 | x);
}
int SrcX(TColor32 p) { return int(p & 0xFF); }
int SrcY(TColor32 p) { return int((p >> 8) & 0xFF); }

}  // namespace

TEST(TileOnto, CellsFromTheOffsetAndNoNotification) {
  TBitmap32 src, dst;
  Numbered(src, 30, 20);
  dst.Resize(100, 50);
  dst.Clear(0x11111111);
  int changes = 0;
  dst.OnChange = [&](TObject*) { ++changes; };
  TileOnto(&src, &dst, 0, 0);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(dst.UpdateCount(), 0);
  EXPECT_EQ(dst.LockCount(), 0);
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 100; ++x) ASSERT_EQ(dst.PixelAt(x, y), src.PixelAt(x % 30, y % 20)) << x << "," << y;

  dst.Clear(0x11111111);
  TileOnto(&src, &dst, 7, 5);
  EXPECT_EQ(dst.PixelAt(6, 30), 0x11111111u) << "left of the offset is left alone";
  EXPECT_EQ(dst.PixelAt(50, 4), 0x11111111u);
  EXPECT_EQ(dst.PixelAt(7, 5), src.PixelAt(0, 0));
  EXPECT_EQ(dst.PixelAt(99, 49), src.PixelAt((99 - 7) % 30, (49 - 5) % 20));

  dst.Clear(0x11111111);
  // The grid has Dst width div Src width + 1 columns (and rows likewise)
  // from the offset, so a negative offset leaves the far edge as it was.
  TileOnto(&src, &dst, -45, -25);
  EXPECT_EQ(dst.PixelAt(0, 0), src.PixelAt(15, 5));
  EXPECT_EQ(dst.PixelAt(74, 34), src.PixelAt((74 + 45) % 30, (34 + 25) % 20));
  EXPECT_EQ(dst.PixelAt(75, 20), 0x11111111u);
  EXPECT_EQ(dst.PixelAt(20, 35), 0x11111111u);

  TBitmap32 none;
  none.Resize(0, 20);
  dst.Clear(0x11111111);
  TileOnto(&none, &dst, 0, 0);
  EXPECT_EQ(dst.PixelAt(50, 25), 0x11111111u);
  EXPECT_THROW(TileOnto(nullptr, &dst, 0, 0), EBitmapException);
  EXPECT_THROW(TileOnto(&src, nullptr, 0, 0), EBitmapException);
  EXPECT_EQ(dst.UpdateCount(), 0);
}

TEST(NineSliceOnto, KeepsCornersAndStretchesTheCentre) {
  TBitmap32 src, dst;
  Numbered(src, 30, 30);
  dst.Resize(90, 60);
  NineSliceOnto(&src, &dst, false);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 90; ++x) {
      TColor32 p = dst.PixelAt(x, y);
      int sx = SrcX(p), sy = SrcY(p);
      // Columns: 0-9 kept, 10-79 from 10-19, 80-89 from 20-29; rows likewise.
      if (x < 10) ASSERT_EQ(sx, x);
      else if (x >= 80) ASSERT_EQ(sx, x - 60);
      else ASSERT_EQ(sx, 10 + (x - 10) * 10 / 70) << x;
      if (y < 10) ASSERT_EQ(sy, y);
      else if (y >= 50) ASSERT_EQ(sy, y - 30);
      else ASSERT_EQ(sy, 10 + (y - 10) * 10 / 40) << y;
    }
}

TEST(NineSliceOnto, EqualHeightsGiveThreeColumns) {
  TBitmap32 src, dst;
  Numbered(src, 31, 8);
  dst.Resize(100, 8);
  NineSliceOnto(&src, &dst, false);
  std::set<int> middle;
  for (int x = 0; x < 100; ++x) {
    int sx = SrcX(dst.PixelAt(x, 0));
    if (x < 10) EXPECT_EQ(sx, x);
    else if (x >= 100 - 11) EXPECT_EQ(sx, x - 69);
    else middle.insert(sx);
  }
  EXPECT_EQ(*middle.begin(), 10);
  EXPECT_EQ(*middle.rbegin(), 19);
  for (int y = 0; y < 8; ++y) EXPECT_EQ(SrcY(dst.PixelAt(50, y)), y);
  // Equal widths give three rows.
  Numbered(src, 8, 31);
  dst.Resize(8, 100);
  NineSliceOnto(&src, &dst, false);
  EXPECT_EQ(SrcY(dst.PixelAt(3, 9)), 9);
  EXPECT_EQ(SrcY(dst.PixelAt(3, 99)), 30);
  EXPECT_EQ(SrcX(dst.PixelAt(7, 50)), 7);
  // A destination smaller than the borders: inverted pieces draw nothing.
  dst.Resize(5, 5);
  dst.Clear(0);
  NineSliceOnto(&src, &dst, false);
  EXPECT_THROW(NineSliceOnto(nullptr, &dst, false), EBitmapException);
}

TEST(ScaleToCover, ScalesUniformlyAndCentres) {
  TBitmap32 src, dst;
  src.Resize(100, 50);
  // Left half red, right half blue.
  src.FillArea(0, 0, 50, 50, 0xFFFF0000);
  src.FillArea(50, 0, 100, 50, 0xFF0000FF);
  dst.Resize(300, 300);
  dst.Clear(0xFF00FF00);
  ScaleToCover(&src, &dst, 0);
  // The 600 x 300 scratch sits at (-150, 0): the split falls at scratch x
  // 300, destination x 150.
  EXPECT_EQ(dst.PixelAt(10, 150), 0xFFFF0000u);
  EXPECT_EQ(dst.PixelAt(140, 150), 0xFFFF0000u);
  EXPECT_EQ(dst.PixelAt(160, 150), 0xFF0000FFu);
  EXPECT_EQ(dst.PixelAt(299, 299) & 0x00FFFFFF, 0x0000FFu);
  // The edge rows fade into the transparent edge; nothing is left green.
  for (int y = 0; y < 300; y += 7)
    for (int x = 0; x < 300; x += 7) ASSERT_NE(dst.PixelAt(x, y) & 0x00FFFFFF, 0x0000FF00u);
  EXPECT_LT(AlphaComponent(dst.PixelAt(150, 299)), 255u);
  // Src keeps its new resampler.
  EXPECT_EQ(src.ResamplerClassName(), "TLinearResampler");
  EXPECT_EQ(src.Resampler()->PixelAccessMode(), pamTransparentEdge);
  TBitmap32 empty;
  ScaleToCover(&empty, &dst, 0);
  ScaleToCover(&src, &dst, -1000);
  EXPECT_THROW(ScaleToCover(&src, &dst, 1e30f), EOutOfMemory) << "a scratch that cannot be had is an error";
  ScaleToCover(&src, &dst, NAN);
}

TEST(PlacePicture, Modes) {
  TBitmap32 src, dst;
  Numbered(src, 15, 15);
  dst.Resize(10, 10);
  struct Case {
    unsigned char mode;
    int x, y;
    TColor32 expected;
  } cases[] = {
      {0, 3, 3, 0xFF000303}, {1, 9, 9, 0xFF000909}, {2, 9, 9, 0xFF000E0E},
      // Centred: (10 - 15) div 2 = -2, so destination (0, 0) shows source (2, 2).
      {3, 0, 0, 0xFF000202}, {4, 0, 0, 0x77777777}, {255, 0, 0, 0x77777777},
  };
  for (const Case& c : cases) {
    dst.Clear(0x77777777);
    PlacePicture(&src, &dst, c.mode);
    EXPECT_EQ(dst.PixelAt(c.x, c.y), c.expected) << int(c.mode);
  }
}

// 255 - Round(d / f x 100 x 2.55) = 255 - Round(d x 255 / f) for d = sqrt(n)
// limited to f - 1, with Round to the nearest integer and halves to even,
// computed on the exact decimal value of 2.55.
int FadeAlpha(long long n, long long f) {
  n = std::min(n, (f - 1) * (f - 1));
  const long long root = static_cast<long long>(std::llround(std::sqrt(static_cast<long double>(n))));
  if (root * root == n) {
    // d x 255 / f as a fraction: ties are exact here.
    const long long num = root * 255, q = num / f, twice = 2 * (num % f);
    return 255 - static_cast<int>(q + (twice > f || (twice == f && q % 2 == 1) ? 1 : 0));
  }
  // An irrational d is never a tie; long double settles the side.
  return 255 - static_cast<int>(std::llround(std::sqrt(static_cast<long double>(n)) * 255.0L / f));
}

TEST(FadeEdges, AlphaOfEveryBandAndCornerStepIsExact) {
  for (int f : {FadeWidth, 50, 37}) {
    // One channel is 255 on a single line of a band and 0 elsewhere, too
    // little to lift that channel's average above 0: there the result is the
    // alpha.
    const int w = 400, h = 300;
    TBitmap32 p;
    p.Resize(w, h);
    p.Clear(0xFF000000);
    for (int i = 0; i < f; ++i) {
      p.PixelAt(w - f + i, 0) |= 0x00FF0000;          // red: right band, row 0
      p.PixelAt(0, h - f + i) |= 0x0000FF00;          // green: bottom band, column 0
      p.PixelAt(w - f + i, h - f) |= 0x000000FF;      // blue: corner, j = 0
      p.PixelAt(w - f + i, h - f + i) |= 0x000000FF;  // blue: corner diagonal
    }
    TColor average = -1;
    FadeEdges(&p, average, f);
    ASSERT_EQ(average, 0);
    for (int i = 0; i < f; ++i) {
      EXPECT_EQ(int(RedComponent(p.PixelAt(w - f + i, 0))), FadeAlpha(1LL * i * i, f)) << f << ": right band " << i;
      EXPECT_EQ(int(GreenComponent(p.PixelAt(0, h - f + i))), FadeAlpha(1LL * i * i, f)) << f << ": bottom band " << i;
      EXPECT_EQ(int(BlueComponent(p.PixelAt(w - f + i, h - f))), FadeAlpha(1LL * i * i, f)) << f << ": corner " << i;
      EXPECT_EQ(int(BlueComponent(p.PixelAt(w - f + i, h - f + i))), FadeAlpha(2LL * i * i, f))
          << f << ": corner diagonal " << i;
    }
  }
  // 50 x 2.55 = 127.5 rounds to 128, 90 x 2.55 = 229.5 to 230.
  EXPECT_EQ(FadeAlpha(50 * 50, 100), 127);
  EXPECT_EQ(FadeAlpha(90 * 90, 100), 25);
}

TEST(FadeEdges, BandsFadeIntoTheAverage) {
  TBitmap32 p;
  p.Resize(300, 200);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x) p.PixelAt(x, y) = MakeColor32((x * 7 + y) & 0xFF, (y * 3) & 0xFF, 200, 0x40);
  TBitmap32 before;
  before.Assign(&p);
  unsigned long long sr = 0, sg = 0, sb = 0;
  for (int i = 0; i < 300 * 200; ++i) {
    sr += RedComponent(before.Bits()[i]);
    sg += GreenComponent(before.Bits()[i]);
    sb += BlueComponent(before.Bits()[i]);
  }
  TColor average = -1;
  FadeEdges(&p, average);
  const TColor32 avg = MakeColor32(unsigned(sr / 60000), unsigned(sg / 60000), unsigned(sb / 60000));
  EXPECT_EQ(average, TColor(RedComponent(avg) + GreenComponent(avg) * 256 + BlueComponent(avg) * 65536));
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 200; ++x) ASSERT_EQ(p.PixelAt(x, y) & 0x00FFFFFF, before.PixelAt(x, y) & 0x00FFFFFF);
  for (int y = 0; y < 100; ++y) ASSERT_EQ(p.PixelAt(200, y) & 0x00FFFFFF, before.PixelAt(200, y) & 0x00FFFFFF);
  for (int x = 0; x < 200; ++x) ASSERT_EQ(p.PixelAt(x, 100) & 0x00FFFFFF, before.PixelAt(x, 100) & 0x00FFFFFF);
  // The outer edge is nearly the average colour (alpha 3 of 255 for the picture).
  for (int y : {0, 50, 99}) {
    TColor32 q = p.PixelAt(299, y), o = before.PixelAt(299, y);
    for (int s : {0, 8, 16}) {
      double want = (((o >> s) & 0xFF) * 3.0 + ((avg >> s) & 0xFF) * 252.0) / 255.0;
      EXPECT_NEAR(double((q >> s) & 0xFF), want, 1.0);
    }
  }
  // The corner fades radially: its inner corner is the picture.
  EXPECT_EQ(p.PixelAt(200, 100) & 0x00FFFFFF, before.PixelAt(200, 100) & 0x00FFFFFF);
  EXPECT_EQ(AlphaComponent(p.PixelAt(250, 150)), 255u);
  // Pictures smaller than the fade width, or empty, do not crash.
  TBitmap32 small;
  small.Resize(30, 20);
  small.Clear(0xFF102030);
  FadeEdges(&small, average);
  EXPECT_EQ(average, 0x302010);
  TBitmap32 empty;
  FadeEdges(&empty, average);
  EXPECT_EQ(average, 0);
}
