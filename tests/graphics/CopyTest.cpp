// The unstretched copy by draw mode, its clipping, and bad input.
#include <gtest/gtest.h>

#include <vector>

#include "graphics/Bitmap32.h"

namespace {

std::vector<TColor32> Row(const TCustomBitmap32& b, int y) { return {b.ScanLine(y), b.ScanLine(y) + b.Width()}; }

void Fill(TCustomBitmap32& b, int w, int h, TColor32 c) {
  b.Resize(w, h);
  b.Clear(c);
}

}  // namespace

TEST(DrawFrom, CombinesByTheSourceDrawMode) {
  struct Case {
    const char* name;
    TDrawMode mode;
    unsigned masterAlpha;
    TColor32 src, dst, expected;
  } cases[] = {
      {"opaque copies all four bytes", dmOpaque, 255, 0x12345678, 0xFF000000, 0x12345678},
      {"blend of opaque white onto black", dmBlend, 255, 0xFFFFFFFF, 0xFF000000, 0xFFFEFEFE},
      {"half-transparent onto transparent", dmBlend, 255, 0x80FF0000, 0x00000000, 0x80800000},
      {"half-transparent red onto blue", dmBlend, 255, 0x80FF0000, 0xFF0000FF, 0xFF80007F},
      {"master alpha 128 gives weight 128", dmBlend, 128, 0xFFFF0000, 0xFF0000FF, 0xFF800080},
      {"master alpha with source alpha", dmBlend, 128, 0x80FF0000, 0xFF0000FF, 0xDF4000BF},
      {"transparent key colour is skipped", dmTransparent, 255, 0x00000000, 0xFF0000FF, 0xFF0000FF},
      {"other colours replace", dmTransparent, 255, 0x11223344, 0xFF0000FF, 0x11223344},
      {"custom without a handler is opaque", dmCustom, 255, 0x11223344, 0xFF0000FF, 0x11223344},
  };
  for (const Case& c : cases) {
    TCustomBitmap32 src, dst;
    Fill(src, 3, 2, c.src);
    Fill(dst, 3, 2, c.dst);
    src.SetDrawMode(c.mode);
    src.SetMasterAlpha(c.masterAlpha);
    dst.DrawFrom(0, 0, &src);
    EXPECT_EQ(dst.PixelAt(2, 1), c.expected) << c.name;
  }
}

TEST(DrawFrom, CustomHandlerGetsEveryPixelWithTheMasterAlpha) {
  TCustomBitmap32 src, dst;
  Fill(src, 2, 2, 0x01020304);
  Fill(dst, 2, 2, 0x10000000);
  src.SetDrawMode(dmCustom);
  src.SetMasterAlpha(77);
  int calls = 0;
  src.OnPixelCombine = [&](TColor32 F, TColor32& B, TColor32 M) {
    ++calls;
    B = F + B + M;
  };
  dst.DrawFrom(0, 0, &src);
  EXPECT_EQ(calls, 4);
  EXPECT_EQ(dst.PixelAt(1, 1), 0x01020304u + 0x10000000u + 77u);
}

TEST(DrawFrom, ClipsToSourceAndDestination) {
  TCustomBitmap32 src, dst;
  src.Resize(4, 1);
  for (int x = 0; x < 4; ++x) src.PixelAt(x, 0) = 0xFF000000u | TColor32(x + 1);
  Fill(dst, 5, 2, 0);
  std::vector<TRect> areas;
  dst.OnAreaChanged = [&](TObject*, const TRect& r, unsigned) { areas.push_back(r); };
  dst.DrawFrom(-2, 1, &src);
  EXPECT_EQ(Row(dst, 1), (std::vector<TColor32>{0xFF000003, 0xFF000004, 0, 0, 0}));
  ASSERT_EQ(areas.size(), 1u);
  EXPECT_EQ(areas[0], Rect(0, 1, 2, 2));
  dst.Clear(0);
  dst.DrawFrom(3, 0, Rect(-5, -5, 2, 9), &src);  // the source rectangle is cut to the source first
  EXPECT_EQ(Row(dst, 0), (std::vector<TColor32>{0, 0, 0, 0xFF000001, 0xFF000002}));
  dst.Clear(0);
  dst.SetClipBounds(Rect(1, 0, 3, 1));
  src.DrawOnto(&dst, 0, 0);
  EXPECT_EQ(Row(dst, 0), (std::vector<TColor32>{0, 0xFF000002, 0xFF000003, 0, 0}));
}

TEST(DrawFrom, NothingHappensWithoutPixelsToMove) {
  TCustomBitmap32 src, dst, empty;
  Fill(src, 2, 2, 0xFFFFFFFF);
  Fill(dst, 2, 2, 0xFF000000);
  int changes = 0;
  dst.OnChange = [&](TObject*) { ++changes; };
  src.SetDrawMode(dmBlend);
  src.SetMasterAlpha(0);
  dst.DrawFrom(0, 0, &src);
  src.SetMasterAlpha(255);
  dst.DrawFrom(0, 0, &empty);
  empty.DrawFrom(0, 0, &src);
  dst.DrawFrom(5, 5, &src);
  dst.DrawFrom(INT32_MAX, INT32_MIN, &src);
  dst.DrawFrom(0, 0, Rect(3, 3, 9, 9), &src);
  dst.DrawFrom(0, 0, Rect(1, 1, 0, 0), &src);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(dst.PixelAt(0, 0), 0xFF000000u);
}

TEST(DrawFrom, NullBitmapsRaiseTheBitmapError) {
  TCustomBitmap32 b;
  Fill(b, 1, 1, 0);
  auto message = [](auto&& f) {
    try {
      f();
    } catch (const EBitmapException& e) {
      return std::string(e.what());
    }
    return std::string("no exception");
  };
  EXPECT_EQ(message([&] { b.DrawFrom(0, 0, nullptr); }), "Source bitmap is nil");
  EXPECT_EQ(message([&] { b.DrawFrom(0, 0, Rect(0, 0, 1, 1), nullptr); }), "Source bitmap is nil");
  EXPECT_EQ(message([&] { b.DrawFrom(Rect(0, 0, 2, 2), Rect(0, 0, 1, 1), nullptr); }), "Source bitmap is nil");
  EXPECT_EQ(message([&] { b.DrawOnto(nullptr, 0, 0); }), "Destination bitmap is nil");
  EXPECT_EQ(message([&] { b.DrawOnto(nullptr, Rect(0, 0, 2, 2)); }), "Destination bitmap is nil");
  EXPECT_EQ(message([&] { b.DrawOnto(nullptr, Rect(0, 0, 2, 2), Rect(0, 0, 1, 1)); }), "Destination bitmap is nil");
}

TEST(DrawFrom, ABitmapDrawnOntoItselfReadsEachPixelBeforeChangingIt) {
  TCustomBitmap32 b;
  b.Resize(6, 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) b.PixelAt(x, y) = 0xFF000000u | TColor32(y * 16 + x);
  TCustomBitmap32 expected;
  expected.Assign(&b);
  TCustomBitmap32 copy;
  copy.Assign(&b);
  expected.DrawFrom(1, 2, &copy);
  b.DrawFrom(1, 2, &b);
  for (int y = 0; y < 6; ++y) EXPECT_EQ(Row(b, y), Row(expected, y)) << "row " << y;
  // And backwards, blended.
  b.Assign(&copy);
  expected.Assign(&copy);
  copy.SetDrawMode(dmBlend);
  b.SetDrawMode(dmBlend);
  expected.DrawFrom(-1, -1, &copy);
  b.DrawFrom(-1, -1, &b);
  for (int y = 0; y < 6; ++y) EXPECT_EQ(Row(b, y), Row(expected, y)) << "row " << y;
}
