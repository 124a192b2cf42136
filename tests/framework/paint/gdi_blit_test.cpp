// Block, stretch and alpha copies between 32-bit memory DCs.
#include <gtest/gtest.h>

#include "tests/framework/paint/gdi_surface.h"

namespace {

using Pixels = std::vector<std::uint32_t>;
constexpr std::uint32_t kBack = 0xFF0000FF;
constexpr std::uint32_t A = 0x80112233, B = 0x01445566, C = 0xFF778899, D = 0x00AABBCC;

// A source row of distinct pixels, alpha included.
void PutRow(MemoryDC& m, int y, const Pixels& row) {
  for (size_t x = 0; x < row.size(); ++x) m.At(static_cast<int>(x), y) = row[x];
}

TEST(GdiBitBlt, CopiesAllFourBytesThroughBothViewports) {
  MemoryDC src(4, 2), dst(4, 2, kBack);
  PutRow(src, 1, {A, B, C, D});
  SetViewportOrgEx(src.dc(), 1, 1, nullptr);  // logical (0, 0) is surface (1, 1)
  SetViewportOrgEx(dst.dc(), 0, 1, nullptr);
  EXPECT_TRUE(BitBlt(dst.dc(), 1, 0, 2, 1, src.dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(dst.Row(1, 0, 4), (Pixels{kBack, B, C, kBack}));
  EXPECT_EQ(dst.Row(0, 0, 4), (Pixels{kBack, kBack, kBack, kBack}));
}

TEST(GdiBitBlt, ReadsNothingOutsideTheSourceOrFromTheDefaultBitmap) {
  MemoryDC src(2, 1), dst(4, 1, kBack);
  PutRow(src, 0, {A, B});
  BitBlt(dst.dc(), 0, 0, 4, 1, src.dc(), -1, 0, SRCCOPY);
  EXPECT_EQ(dst.Row(0, 0, 4), (Pixels{kBack, A, B, kBack}));

  HDC empty = CreateCompatibleDC(nullptr);
  dst.Fill(kBack);
  BitBlt(dst.dc(), 0, 0, 4, 1, empty, 0, 0, SRCCOPY);
  EXPECT_EQ(dst.Row(0, 0, 4), (Pixels{kBack, kBack, kBack, kBack}));
  DeleteDC(empty);
}

TEST(GdiBitBlt, IsClippedByTheDestinationClip) {
  MemoryDC src(4, 1), dst(4, 1, kBack);
  PutRow(src, 0, {A, B, C, D});
  ExcludeClipRect(dst.dc(), 1, 0, 3, 1);
  BitBlt(dst.dc(), 0, 0, 4, 1, src.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(dst.Row(0, 0, 4), (Pixels{A, kBack, kBack, D}));
}

TEST(GdiBitBlt, OverlappingCopyOnOneSurfaceMovesTheOriginalPixels) {
  MemoryDC m(4, 3);
  PutRow(m, 0, {A, B, C, D});
  PutRow(m, 1, {D, C, B, A});
  PutRow(m, 2, {kBack, kBack, kBack, kBack});
  // Down and right by one: every read must see the pixels as they were.
  BitBlt(m.dc(), 1, 1, 3, 2, m.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(m.Row(1, 0, 4), (Pixels{D, A, B, C}));
  EXPECT_EQ(m.Row(2, 0, 4), (Pixels{kBack, D, C, B}));
  // And back up and left, the other direction of overlap.
  BitBlt(m.dc(), 0, 0, 3, 2, m.dc(), 1, 1, SRCCOPY);
  EXPECT_EQ(m.Row(0, 0, 4), (Pixels{A, B, C, D}));
  EXPECT_EQ(m.Row(1, 0, 4), (Pixels{D, C, B, C}));
}

struct StretchCase {
  const char* name;
  int x, w;    // destination span
  int sx, sw;  // source span
  Pixels expect;  // destination row 0..4 afterwards
};

TEST(GdiStretchBlt, SamplesTheSourcePixelUnderEachDestinationCentre) {
  // Source row: A B C D. Destination row of five pixels, background kBack.
  const StretchCase cases[] = {
      {"3 to 2 keeps the outer pixels", 0, 2, 0, 3, {A, C, kBack, kBack, kBack}},
      {"2 to 3 doubles the second pixel", 0, 3, 0, 2, {A, B, B, kBack, kBack}},
      {"4 to 2 takes every second from the second", 0, 2, 0, 4, {B, D, kBack, kBack, kBack}},
      {"1 to 4 repeats", 1, 4, 2, 1, {kBack, C, C, C, C}},
      {"negative destination mirrors from its start pixel", 2, -3, 0, 3, {C, B, A, kBack, kBack}},
      {"negative source mirrors too", 0, 3, 2, -3, {C, B, A, kBack, kBack}},
      {"both negative do not mirror", 3, -3, 2, -3, {kBack, A, B, C, kBack}},
      {"mirrored and shrunk", 1, -2, 0, 4, {D, B, kBack, kBack, kBack}},
  };
  MemoryDC src(4, 1), dst(5, 1);
  PutRow(src, 0, {A, B, C, D});
  for (const StretchCase& c : cases) {
    dst.Fill(kBack);
    EXPECT_TRUE(StretchBlt(dst.dc(), c.x, 0, c.w, 1, src.dc(), c.sx, 0, c.sw, 1, SRCCOPY));
    EXPECT_EQ(dst.Row(0, 0, 5), c.expect) << c.name;
  }
}

TEST(GdiStretchBlt, StretchesRowsByTheSameRuleAndLeavesSamplesOutsideTheSource) {
  MemoryDC src(1, 2), dst(1, 4, kBack);
  src.At(0, 0) = A;
  src.At(0, 1) = B;
  StretchBlt(dst.dc(), 0, 3, 1, -3, src.dc(), 0, 0, 1, 2, SRCCOPY);  // flipped, 2 to 3
  EXPECT_EQ((Pixels{dst.At(0, 0), dst.At(0, 1), dst.At(0, 2), dst.At(0, 3)}), (Pixels{kBack, B, B, A}));

  dst.Fill(kBack);
  StretchBlt(dst.dc(), 0, 0, 1, 4, src.dc(), 0, 1, 1, 2, SRCCOPY);  // second source row lies outside
  EXPECT_EQ((Pixels{dst.At(0, 0), dst.At(0, 1), dst.At(0, 2), dst.At(0, 3)}), (Pixels{B, B, kBack, kBack}));
}

TEST(GdiStretchBlt, RepeatedRowsKeepTheirOwnPixelsWhereNothingIsSampled) {
  MemoryDC src(1, 1, A), dst(4, 3, kBack);
  dst.At(0, 1) = D;  // differs from the row above: an enlarged row must not copy it over
  StretchBlt(dst.dc(), 0, 0, 4, 3, src.dc(), -1, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(dst.Row(0, 0, 4), (Pixels{kBack, kBack, A, A}));
  EXPECT_EQ(dst.Row(1, 0, 4), (Pixels{D, kBack, A, A}));
  EXPECT_EQ(dst.Row(2, 0, 4), (Pixels{kBack, kBack, A, A}));
}

// AlphaBlend of one source pixel over one destination pixel.
std::uint32_t Blend(std::uint32_t src, std::uint32_t dst, BYTE sca, BYTE format) {
  MemoryDC s(1, 1, src), d(1, 1, dst);
  BLENDFUNCTION bf;
  bf.SourceConstantAlpha = sca;
  bf.AlphaFormat = format;
  EXPECT_TRUE(AlphaBlend(d.dc(), 0, 0, 1, 1, s.dc(), 0, 0, 1, 1, bf));
  return d.At(0, 0);
}

TEST(GdiAlphaBlend, MatchesThePlatformReferenceValues) {
  struct Case {
    std::uint32_t src, dst;
    BYTE sca, format;
    std::uint32_t expect;
  } cases[] = {
      {0xFFFFFFFF, 0xFF000000, 128, 0, 0xFF808080},             // constant alpha: half white over black
      {0xFFFFFFFF, 0x00000000, 128, 0, 0x80808080},             // alpha is blended like the colours
      {0x00FFFFFF, 0xFF000000, 128, 0, 0x7F808080},             // without AC_SRC_ALPHA the source alpha is a colour
      {0x80808080, 0xFF0000C8, 255, AC_SRC_ALPHA, 0xFF8080E4},  // premultiplied 50 % white: 128 + 200 * 127 / 255
      {0x80808080, 0x00000000, 255, AC_SRC_ALPHA, 0x80808080},
      {0xFFFFFFFF, 0xFF000000, 128, AC_SRC_ALPHA, 0xFF808080},  // both: the source is scaled first
      {0x40404040, 0xFFC8C8C8, 128, AC_SRC_ALPHA, 0xFFCFCFCF},  // 32 + 200 * 223 / 255 = 206.9; alpha 32 + 223
      {0x00000000, 0x12345678, 255, AC_SRC_ALPHA, 0x12345678},  // transparent changes nothing
      {0xFF00FF00, 0x12345678, 0, 0, 0x12345678},               // constant alpha 0 changes nothing
      {0x10FFFFFF, 0xFFFFFFFF, 255, AC_SRC_ALPHA, 0xFFFFFFFF},  // not premultiplied: saturates, no wrap
  };
  for (const Case& c : cases)
    EXPECT_EQ(Blend(c.src, c.dst, c.sca, c.format), c.expect)
        << std::hex << c.src << " over " << c.dst << " sca " << std::dec << int(c.sca);
}

TEST(GdiAlphaBlend, StretchesClipsAndRefusesNegativeExtents) {
  MemoryDC src(2, 1), dst(4, 2, 0xFF000000);
  PutRow(src, 0, {0xFFFFFFFF, 0x00000000});
  BLENDFUNCTION bf;
  bf.SourceConstantAlpha = 128;
  IntersectClipRect(dst.dc(), 0, 0, 4, 1);
  EXPECT_TRUE(AlphaBlend(dst.dc(), 0, 0, 4, 2, src.dc(), 0, 0, 2, 1, bf));
  EXPECT_EQ(dst.Row(0, 0, 4), (Pixels{0xFF808080, 0xFF808080, 0x7F000000, 0x7F000000}));
  EXPECT_EQ(dst.Row(1, 0, 4), (Pixels(4, 0xFF000000)));
  EXPECT_FALSE(AlphaBlend(dst.dc(), 2, 0, -2, 1, src.dc(), 0, 0, 2, 1, bf));
}

}  // namespace
