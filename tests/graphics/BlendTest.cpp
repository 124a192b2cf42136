// The blend arithmetic: reference results, the tables, and every
// implementation against an independent statement of the formulas.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "graphics/BlendImplementations.h"
#include "graphics/BlendTables.h"

namespace {

// ---- The formulas, written out channel by channel.
unsigned Ch(TColor32 c, int i) { return (c >> (8 * i)) & 0xFF; }
TColor32 Lerp(TColor32 x, TColor32 y, int w) {
  TColor32 r = 0;
  for (int i = 0; i < 4; ++i) r |= static_cast<TColor32>((int(Ch(y, i)) * 256 + 128 + (int(Ch(x, i)) - int(Ch(y, i))) * w) >> 8) << (8 * i);
  return r;
}
TColor32 RefBlendOver(TColor32 f, TColor32 b) { return Lerp(f, b, int(Ch(f, 3))); }
TColor32 RefBlendOverInPlace(TColor32 f, TColor32 b) {
  int fa = int(Ch(f, 3));
  return fa == 0 ? b : fa == 255 ? f : Lerp(f, b, fa);
}
TColor32 RefWeighted(TColor32 f, TColor32 b, int m) {
  int w = ((m + 1) * int(Ch(f, 3))) >> 8;
  return w == 0 ? b : Lerp(f, b, w);
}
TColor32 RefRowOver(TColor32 f, TColor32 b) {
  int fa = int(Ch(f, 3));
  TColor32 r = 0;
  for (int i = 0; i < 3; ++i) {
    int v = ((int(Ch(f, i)) * fa + 128) >> 8) + int(Ch(b, i)) - ((int(Ch(b, i)) * fa + 128) >> 8);
    r |= static_cast<TColor32>(std::clamp(v, 0, 255)) << (8 * i);
  }
  int ba = int(Ch(b, 3));
  return r | static_cast<TColor32>(std::clamp(fa + ba - ((ba * fa + 128) >> 8), 0, 255)) << 24;
}
TColor32 RefRowWeighted(TColor32 f, TColor32 b, int m) {
  int fa = int(Ch(f, 3));
  if (fa == 0) return b;
  int w = ((fa + 1) * m) >> 8;
  return w == 0 ? b : Lerp(f, b, w);
}
TColor32 RefMixInPlace(TColor32 x, TColor32 y, int w) { return w == 0 ? y : w == 255 ? x : Lerp(x, y, w); }

// Colours whose channels cover 0, 255 and the values next to the rounding edges.
std::vector<TColor32> ColourSpread() {
  const unsigned levels[] = {0, 1, 2, 63, 127, 128, 129, 200, 254, 255};
  std::vector<TColor32> out;
  std::mt19937 rng(7);
  for (unsigned a : levels)
    for (unsigned c : levels) out.push_back(MakeColor32(c, 255 - c, levels[(a + c) % 10], a));
  for (int i = 0; i < 60; ++i) out.push_back(rng());
  return out;
}

class EveryImplementation : public testing::TestWithParam<const char*> {
 protected:
  const TBlendOperations& Ops() { return *FindBlendImplementation(GetParam()); }
};

}  // namespace

TEST(BlendTables, ReferenceValues) {
  struct {
    int index, gamma;
  } gammaRows[] = {{0, 0}, {1, 0}, {16, 3}, {64, 28}, {128, 85}, {192, 162}, {254, 253}, {255, 255}};
  for (auto r : gammaRows) EXPECT_EQ(GAMMA[r.index], r.gamma) << "GAMMA[" << r.index << "]";
  for (int a = 0; a < 256; ++a) {
    EXPECT_EQ(ProductTable[255][a], a);
    EXPECT_EQ(ProductTable[0][a], 0);
    EXPECT_EQ(QuotientTable[0][a], 0);
    EXPECT_EQ(WeightTable[a].Lanes[0], a);
    EXPECT_EQ(WeightTable[a].Lanes[7], a);
  }
  EXPECT_EQ(ProductTable[128][128], 64);  // 64.25
  EXPECT_EQ(ProductTable[3][85], 1);      // exactly 1
  // Halves go to the even neighbour; the result is kept modulo 256.
  EXPECT_EQ(QuotientTable[2][1], 128);   // 127.5
  EXPECT_EQ(QuotientTable[2][3], 126);   // 382.5 -> 382 -> 126
  EXPECT_EQ(QuotientTable[255][200], 200);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(&WeightTable[0]) % 16, 0u);
}

INSTANTIATE_TEST_SUITE_P(Blend, EveryImplementation, testing::Values("portable", "sse2"));

TEST_P(EveryImplementation, ReferenceResults) {
  const TBlendOperations& op = Ops();
  const TColor32 F = 0x80FF0000, B = 0xFF0000FF;
  TColor32 b = B;
  op.BlendOverInPlace(F, b);
  EXPECT_EQ(b, 0xC0800080u);
  EXPECT_EQ(op.MixColors(F, B, 128), 0xC0800080u);
  TColor32 row[1] = {B};
  op.BlendRowOver(&F, row, 1);
  EXPECT_EQ(row[0], 0xFF80007Fu);
  row[0] = 0;
  op.BlendRowOver(&F, row, 1);
  EXPECT_EQ(row[0], 0x80800000u);
  b = 0;
  op.BlendOverWeightedInPlace(F, b, 255);
  EXPECT_EQ(b, 0x40800000u);
  b = B;
  op.BlendOverWeightedInPlace(F, b, 128);
  EXPECT_EQ(b, 0xDF4000BFu);
  row[0] = B;
  op.BlendRowOverWeighted(&F, row, 1, 128);
  EXPECT_EQ(row[0], 0xDF4000BFu);

  const TColor32 white = 0xFFFFFFFF, black = 0xFF000000;
  row[0] = black;
  op.BlendRowOver(&white, row, 1);
  EXPECT_EQ(row[0], 0xFFFEFEFEu);
  row[0] = white;
  op.BlendRowOver(&black, row, 1);
  EXPECT_EQ(row[0], 0xFF010101u);
  EXPECT_EQ(op.MixColors(white, 0, 255), 0xFEFEFEFEu);
  EXPECT_EQ(op.MixColors(white, 0x12345678, 0), 0x12345678u);
  b = 0x12345678;
  op.MixColorsInPlace(white, b, 0);
  EXPECT_EQ(b, 0x12345678u);
  op.MixColorsInPlace(0x87654321, b, 255);
  EXPECT_EQ(b, 0x87654321u);
}

// Every single-pixel operation over all 256 alphas, weights and a spread of
// colours, against the formulas above.
TEST_P(EveryImplementation, SinglePixelOperationsMatchTheFormulas) {
  const TBlendOperations& op = Ops();
  const std::vector<TColor32> colours = ColourSpread();
  for (unsigned alpha = 0; alpha < 256; ++alpha) {
    for (TColor32 base : colours) {
      TColor32 f = (base & 0x00FFFFFF) | alpha << 24;
      for (TColor32 b : {colours[alpha % colours.size()], TColor32{0}, TColor32{0xFFFFFFFF}, base ^ 0x5A5A5A5A}) {
        ASSERT_EQ(op.BlendOver(f, b), RefBlendOver(f, b)) << std::hex << f << " over " << b;
        TColor32 in = b;
        op.BlendOverInPlace(f, in);
        ASSERT_EQ(in, RefBlendOverInPlace(f, b)) << std::hex << f << " over " << b;
        unsigned m = (alpha * 37 + (base & 0xFF)) & 0xFF;
        ASSERT_EQ(op.BlendOverWeighted(f, b, m), RefWeighted(f, b, int(m)));
        in = b;
        op.BlendOverWeightedInPlace(f, in, m);
        ASSERT_EQ(in, RefWeighted(f, b, int(m)));
        ASSERT_EQ(op.MixColors(f, b, alpha), Lerp(f, b, int(alpha)));
        in = b;
        op.MixColorsInPlace(f, in, alpha);
        ASSERT_EQ(in, RefMixInPlace(f, b, int(alpha)));
      }
    }
  }
}

// Rows of every length up to 19, so that vector bodies and tails both run.
TEST_P(EveryImplementation, RowOperationsMatchTheFormulas) {
  const TBlendOperations& op = Ops();
  const std::vector<TColor32> colours = ColourSpread();
  std::mt19937 rng(11);
  for (unsigned alpha = 0; alpha < 256; ++alpha) {
    for (int n = 0; n < 20; ++n) {
      std::vector<TColor32> src(static_cast<size_t>(n)), dst(static_cast<size_t>(n));
      for (int i = 0; i < n; ++i) {
        src[static_cast<size_t>(i)] = (colours[rng() % colours.size()] & 0x00FFFFFF) | ((alpha + i * 17) & 0xFF) << 24;
        dst[static_cast<size_t>(i)] = colours[rng() % colours.size()];
      }
      std::vector<TColor32> over = dst, weighted = dst;
      unsigned m = rng() & 0xFF;
      op.BlendRowOver(src.data(), over.data(), n);
      op.BlendRowOverWeighted(src.data(), weighted.data(), n, m);
      for (int i = 0; i < n; ++i) {
        size_t k = static_cast<size_t>(i);
        ASSERT_EQ(over[k], RefRowOver(src[k], dst[k])) << std::hex << src[k] << " over " << dst[k];
        ASSERT_EQ(weighted[k], RefRowWeighted(src[k], dst[k], int(m))) << std::hex << src[k] << " m " << m;
      }
    }
  }
  TColor32 untouched = 0x11223344;
  op.BlendRowOverWeighted(&untouched, &untouched, -1, 255);
  EXPECT_EQ(untouched, 0x11223344u);
}

TEST(BlendBinding, SelectsAnImplementationByName) {
  ASSERT_TRUE(ProcessorFeatures() & isSSE2);
  EXPECT_STREQ(BoundBlendImplementation(), "sse2");
  EXPECT_EQ(BlendRowOver, Sse2BlendOperations.BlendRowOver);
  ASSERT_TRUE(BindBlendImplementation("portable"));
  EXPECT_STREQ(BoundBlendImplementation(), "portable");
  EXPECT_EQ(BlendRowOver, PortableBlendOperations.BlendRowOver);
  EXPECT_FALSE(BindBlendImplementation("avx512"));
  EXPECT_STREQ(BoundBlendImplementation(), "portable");
  BindBlendOperations(ProcessorFeatures());
  EXPECT_STREQ(BoundBlendImplementation(), "sse2");
  // Operations the vector set lacks stay with the portable ones.
  EXPECT_EQ(MergeRowOver, PortableBlendOperations.MergeRowOver);
}

TEST(BlendMerge, IsPorterDuffOverOfUnpremultipliedColours) {
  EXPECT_EQ(MergeOver(0x00123456, 0x80ABCDEF), 0x80ABCDEFu);  // transparent foreground
  EXPECT_EQ(MergeOver(0xFF123456, 0x80ABCDEF), 0xFF123456u);  // opaque foreground
  EXPECT_EQ(MergeOver(0x80123456, 0x00ABCDEF), 0x80123456u);  // transparent background
  // Half over half: alpha 128 + 128 * 127 / 255 = 191.75; colour weighted 128 : 63.75.
  TColor32 r = MergeOver(0x80FF0000, 0x800000FF);
  EXPECT_EQ(AlphaComponent(r), 192u);
  EXPECT_NEAR(double(RedComponent(r)), 255.0 * 128 / 191.75, 1.0);
  EXPECT_NEAR(double(BlueComponent(r)), 255.0 * 63.75 / 191.75, 1.0);
}
