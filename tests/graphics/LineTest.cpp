// Lines: straight runs with the last-point rule, 45-degree lines,
// anti-aliased lines with the GAMMA weights, and clipping.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <utility>

#include "graphics/Bitmap32.h"
#include "graphics/Blend32.h"
#include "graphics/BlendTables.h"

namespace {

using Points = std::set<std::pair<int, int>>;

Points Touched(const TCustomBitmap32& b) {
  Points p;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (b.PixelAt(x, y) != 0xFF000000u) p.insert({x, y});
  return p;
}

Points Pts(std::initializer_list<std::pair<int, int>> pts) { return Points(pts); }

}  // namespace

TEST(DrawLine, StraightAndDiagonalPixels) {
  struct Case {
    int x1, y1, x2, y2;
    bool last;
    Points expected;
  } cases[] = {
      {0, 0, 5, 0, false, Pts({{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}})},
      {5, 0, 0, 0, false, Pts({{1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}})},
      {0, 0, 5, 0, true, Pts({{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}})},
      {5, 0, 0, 0, true, Pts({{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}})},
      {2, 1, 2, 4, false, Pts({{2, 1}, {2, 2}, {2, 3}})},
      {2, 4, 2, 1, false, Pts({{2, 2}, {2, 3}, {2, 4}})},
      {0, 0, 3, 3, false, Pts({{0, 0}, {1, 1}, {2, 2}})},
      {3, 0, 0, 3, true, Pts({{3, 0}, {2, 1}, {1, 2}, {0, 3}})},
      {4, 4, 4, 4, false, Pts({})},
      {4, 4, 4, 4, true, Pts({{4, 4}})},
  };
  for (const Case& c : cases) {
    TCustomBitmap32 b;
    b.Resize(8, 8);
    b.DrawLine(c.x1, c.y1, c.x2, c.y2, 0xFFFFFFFF, c.last);
    EXPECT_EQ(Touched(b), c.expected) << c.x1 << "," << c.y1 << " -> " << c.x2 << "," << c.y2 << " last " << c.last;
  }
}

TEST(DrawLine, StraightRunsBlendAndNotify) {
  TCustomBitmap32 b;
  b.Resize(4, 1);
  b.Clear(0xFF0000FF);
  int changes = 0;
  b.OnChange = [&](TObject*) { ++changes; };
  b.DrawLine(0, 0, 3, 0, 0x80FF0000, false);
  EXPECT_EQ(b.PixelAt(0, 0), 0xC0800080u);
  EXPECT_EQ(b.PixelAt(3, 0), 0xFF0000FFu);
  EXPECT_EQ(changes, 1);
  b.SetClipBounds(Rect(0, 0, 0, 0));
  b.DrawLine(0, 0, 3, 0, 0xFFFFFFFF, true);  // empty clip: nothing
  EXPECT_EQ(changes, 1);
}

TEST(DrawLine, AntiAliasedPixelsTakeTheGammaWeights) {
  TCustomBitmap32 b;
  b.Resize(12, 6);
  b.Clear(0xFF000000);
  const TColor32 c = 0xFFFFFFFF;
  b.DrawLine(0, 0, 10, 3, c, false);
  const int step = 3 * 65536 / 10;
  for (int i = 0; i <= 10; ++i) {
    int pos = i * step, y = pos >> 16, f = (pos >> 8) & 255;
    TColor32 upper = i < 10 ? BlendOverWeighted(c, 0xFF000000, GAMMA[255 - f]) : 0xFF000000;
    TColor32 lower = i < 10 ? BlendOverWeighted(c, 0xFF000000, GAMMA[f]) : 0xFF000000;
    EXPECT_EQ(b.PixelAt(i, y), upper) << "x " << i;
    EXPECT_EQ(b.PixelAt(i, y + 1), lower) << "x " << i;
  }
  EXPECT_EQ(b.PixelAt(0, 0), 0xFFFEFEFEu);  // full weight on the start point
  EXPECT_EQ(b.PixelAt(0, 1), 0xFF000000u);  // GAMMA[0] = 0 below it
  TCustomBitmap32 last;
  last.Resize(12, 6);
  last.DrawLine(0, 0, 10, 3, c, true);
  EXPECT_NE(last.PixelAt(10, 3), 0xFF000000u);
  // Steep lines step along y.
  TCustomBitmap32 steep;
  steep.Resize(6, 12);
  steep.DrawLine(0, 0, 3, 10, c, false);
  EXPECT_EQ(steep.PixelAt(0, 0), 0xFFFEFEFEu);
  EXPECT_EQ(steep.PixelAt(0, 10), 0xFF000000u);
  EXPECT_NE(steep.PixelAt(2, 9), 0xFF000000u);
}

// A clipped line is the unclipped line seen through the clip, whatever the
// direction, and far-away end points cost no more than the clip's size.
TEST(DrawLine, ClippingKeepsThePixelsOfTheUnclippedLine) {
  std::mt19937 rng(3);
  const TRect clip = Rect(7, 5, 23, 19);
  for (int n = 0; n < 400; ++n) {
    int x1 = int(rng() % 40) - 5, y1 = int(rng() % 30) - 5, x2 = int(rng() % 40) - 5, y2 = int(rng() % 30) - 5;
    bool last = rng() & 1;
    TCustomBitmap32 full, clipped;
    full.Resize(30, 24);
    clipped.Resize(30, 24);
    clipped.SetClipBounds(clip);
    full.DrawLine(x1, y1, x2, y2, 0xC0FF8040, last);
    clipped.DrawLine(x1, y1, x2, y2, 0xC0FF8040, last);
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 30; ++x) {
        TColor32 want = clip.Contains(x, y) ? full.PixelAt(x, y) : 0xFF000000u;
        ASSERT_EQ(clipped.PixelAt(x, y), want) << x1 << "," << y1 << " -> " << x2 << "," << y2 << " at " << x << "," << y;
      }
  }
  TCustomBitmap32 b;
  b.Resize(16, 16);
  b.DrawLine(INT32_MIN, 3, INT32_MAX, 9, 0xFFFFFFFF, true);
  b.DrawLine(-2000000000, -2000000000, 2000000000, 2000000000, 0xFFFFFFFF, true);
  b.DrawLine(5, INT32_MIN, 5, INT32_MAX, 0xFFFFFFFF, true);
  EXPECT_EQ(b.PixelAt(7, 7), 0xFFFFFFFFu);
  EXPECT_NE(b.PixelAt(5, 0), 0xFF000000u);
}
