// Fills, frames, pixels, lines and pattern blits on a 32-bit memory DC.
#include <gtest/gtest.h>

#include "tests/framework/paint/gdi_surface.h"

namespace {

constexpr std::uint32_t kBack = 0xFF123456;  // opaque, so written alpha 0 shows
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr std::uint32_t kRedPixel = 0x00FF0000;

// The set of pixels equal to `p`, as "x,y" strings, for exact comparisons.
std::vector<POINT> PixelsEqual(const MemoryDC& m, std::uint32_t p) {
  std::vector<POINT> out;
  for (int y = 0; y < m.height(); ++y)
    for (int x = 0; x < m.width(); ++x)
      if (m.At(x, y) == p) out.push_back({x, y});
  return out;
}

std::vector<POINT> RectPoints(const RECT& r) {
  std::vector<POINT> out;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) out.push_back({x, y});
  return out;
}

class GdiDraw : public ::testing::Test {
 protected:
  MemoryDC m{10, 8, kBack};
  HBRUSH red = CreateSolidBrush(kRed);
  ~GdiDraw() override { DeleteObject(red); }
};

TEST_F(GdiDraw, FillRectWritesBrushColourWithAlphaZeroThroughTheViewport) {
  SetViewportOrgEx(m.dc(), 5, 3, nullptr);
  EXPECT_TRUE(FillRect(m.dc(), Rect(0, 0, 2, 2), red));
  EXPECT_EQ(PixelsEqual(m, kRedPixel), RectPoints(Rect(5, 3, 7, 5)));
  EXPECT_EQ(m.At(4, 3), kBack);
}

TEST_F(GdiDraw, FillsStayInsideTheSurfaceAndSkipInvertedRectangles) {
  FillRect(m.dc(), Rect(-100, -100, 100, 100), red);
  EXPECT_EQ(PixelsEqual(m, kRedPixel).size(), 80u);
  m.Fill(kBack);
  FillRect(m.dc(), Rect(6, 6, 2, 2), red);
  EXPECT_TRUE(PixelsEqual(m, kRedPixel).empty());
}

TEST_F(GdiDraw, HollowBrushDrawsNothing) {
  FillRect(m.dc(), Rect(0, 0, 10, 8), static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
  FrameRect(m.dc(), Rect(0, 0, 10, 8), static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
  EXPECT_EQ(m.InkBounds(kBack), RECT{});
}

TEST_F(GdiDraw, ClipRectsAreLogicalAndRegionsAreDeviceCoordinates) {
  SetViewportOrgEx(m.dc(), 2, 0, nullptr);
  EXPECT_EQ(IntersectClipRect(m.dc(), 0, 0, 3, 8), SIMPLEREGION);
  ExcludeClipRect(m.dc(), 1, 0, 2, 8);
  FillRect(m.dc(), Rect(-5, 0, 20, 1), red);
  EXPECT_EQ(PixelsEqual(m, kRedPixel), (std::vector<POINT>{{2, 0}, {4, 0}}));

  m.Fill(kBack);
  HRGN rgn = CreateRectListRgn({Rect(0, 0, 1, 1), Rect(8, 7, 10, 8)});
  SelectClipRgn(m.dc(), rgn);
  DeleteObject(rgn);  // the DC keeps its own copy of the region
  FillRect(m.dc(), Rect(-10, -10, 20, 20), red);
  EXPECT_EQ(PixelsEqual(m, kRedPixel), (std::vector<POINT>{{0, 0}, {8, 7}, {9, 7}}));
}

TEST_F(GdiDraw, RestoreDCBringsBackViewportAndClip) {
  int saved = SaveDC(m.dc());
  SetViewportOrgEx(m.dc(), 4, 4, nullptr);
  IntersectClipRect(m.dc(), 0, 0, 1, 1);
  FillRect(m.dc(), Rect(0, 0, 10, 10), red);
  EXPECT_EQ(PixelsEqual(m, kRedPixel), RectPoints(Rect(4, 4, 5, 5)));

  ASSERT_TRUE(RestoreDC(m.dc(), saved));
  m.Fill(kBack);
  FillRect(m.dc(), Rect(0, 0, 2, 1), red);
  EXPECT_EQ(PixelsEqual(m, kRedPixel), RectPoints(Rect(0, 0, 2, 1)));
}

TEST_F(GdiDraw, FrameRectDrawsOnlyTheOutline) {
  FrameRect(m.dc(), Rect(1, 1, 5, 4), red);
  std::vector<POINT> expect;
  for (POINT p : RectPoints(Rect(1, 1, 5, 4)))
    if (p.x == 1 || p.x == 4 || p.y == 1 || p.y == 3) expect.push_back(p);
  EXPECT_EQ(PixelsEqual(m, kRedPixel), expect);
}

TEST_F(GdiDraw, SetPixelAndGetPixelHonourTheClip) {
  EXPECT_EQ(SetPixel(m.dc(), 3, 2, RGB(1, 2, 3)), RGB(1, 2, 3));
  EXPECT_EQ(m.At(3, 2), 0x00010203u);
  EXPECT_EQ(GetPixel(m.dc(), 3, 2), RGB(1, 2, 3));
  EXPECT_EQ(GetPixel(m.dc(), 10, 0), CLR_INVALID);
  EXPECT_EQ(SetPixel(m.dc(), -1, 0, kRed), CLR_INVALID);

  IntersectClipRect(m.dc(), 0, 0, 2, 2);
  EXPECT_EQ(SetPixel(m.dc(), 3, 3, kRed), CLR_INVALID);
  EXPECT_EQ(m.At(3, 3), kBack);
  EXPECT_EQ(GetPixel(m.dc(), 3, 2), CLR_INVALID);
}

struct LineCase {
  POINT from, to;
  std::vector<POINT> touched;
};

TEST_F(GdiDraw, LineToExcludesTheLastPoint) {
  const LineCase cases[] = {
      {{0, 0}, {5, 0}, {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}}},
      {{5, 0}, {0, 0}, {{1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}}},
      {{2, 4}, {2, 1}, {{2, 2}, {2, 3}, {2, 4}}},
      {{0, 0}, {3, 3}, {{0, 0}, {1, 1}, {2, 2}}},
      {{0, 0}, {4, 2}, {{0, 0}, {1, 1}, {2, 1}, {3, 2}}},  // one pixel per column, ties rounded up
      {{3, 3}, {3, 3}, {}},
  };
  HPEN pen = CreatePen(PS_SOLID, 1, kRed);
  Selected sel(m.dc(), pen);
  for (const LineCase& c : cases) {
    m.Fill(kBack);
    MoveToEx(m.dc(), c.from.x, c.from.y, nullptr);
    LineTo(m.dc(), c.to.x, c.to.y);
    std::vector<POINT> got = PixelsEqual(m, kRedPixel);
    std::sort(got.begin(), got.end(), [](POINT a, POINT b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
    EXPECT_EQ(got, c.touched) << "from " << c.from.x << "," << c.from.y << " to " << c.to.x << "," << c.to.y;
    POINT pos;
    MoveToEx(m.dc(), 0, 0, &pos);
    EXPECT_EQ(pos, c.to);
  }
}

TEST_F(GdiDraw, NullPenDrawsNothingButMoves) {
  SelectObject(m.dc(), GetStockObject(NULL_PEN));
  MoveToEx(m.dc(), 0, 0, nullptr);
  LineTo(m.dc(), 9, 0);
  EXPECT_EQ(m.InkBounds(kBack), RECT{});
  POINT pos;
  MoveToEx(m.dc(), 0, 0, &pos);
  EXPECT_EQ(pos, (POINT{9, 0}));
}

TEST_F(GdiDraw, PatBltFillsWithTheRopOrTheBrush) {
  PatBlt(m.dc(), 0, 0, 2, 1, BLACKNESS);
  PatBlt(m.dc(), 2, 0, 2, 1, WHITENESS);
  EXPECT_EQ(m.Row(0, 0, 5), (std::vector<std::uint32_t>{0, 0, 0x00FFFFFF, 0x00FFFFFF, kBack}));

  Selected sel(m.dc(), CreateSolidBrush(kRed));
  // A negative extent counts back from the start pixel, which is included.
  PatBlt(m.dc(), 4, 2, -2, 1, PATCOPY);
  EXPECT_EQ(m.Row(2, 2, 6), (std::vector<std::uint32_t>{kBack, kRedPixel, kRedPixel, kBack}));
}

}  // namespace
