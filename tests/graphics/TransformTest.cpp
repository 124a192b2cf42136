// Sampling at a point and drawing through an affine transformation.
#include <gtest/gtest.h>

#include <vector>

#include "graphics/Bitmap32.h"
#include "graphics/Blend32.h"
#include "graphics/BlendTables.h"
#include "graphics/Transformation.h"

namespace {

void Numbered(TCustomBitmap32& b, int w, int h, TColor32 alpha = 0xFF000000u) {
  b.Resize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.PixelAt(x, y) = alpha | TColor32(y << 8 | x);
}

}  // namespace

TEST(NearestSampling, AccessModes) {
  TCustomBitmap32 b;
  Numbered(b, 4, 3);
  b.SetOuterColor(0x12345678);
  TCustomResampler* r = b.Resampler();
  struct Case {
    TPixelAccessMode mode;
    TWrapMode wrap;
    int x, y;
    TColor32 expected;
  } cases[] = {
      {pamSafe, wmClamp, 1, 2, 0xFF000201},       {pamSafe, wmClamp, -1, 0, 0x12345678},
      {pamSafe, wmClamp, 4, 0, 0x12345678},       {pamUnsafe, wmClamp, 2, 1, 0xFF000102},
      {pamUnsafe, wmClamp, 99, 0, 0x12345678},    {pamWrap, wmClamp, -3, 7, 0xFF000200},
      {pamWrap, wmRepeat, -1, 4, 0xFF000103},     {pamWrap, wmMirror, -1, 3, 0xFF000200},
      {pamWrap, wmMirror, 5, 0, 0xFF000002},      {pamTransparentEdge, wmClamp, -5, 1, 0x00000100},
      {pamTransparentEdge, wmClamp, 3, 1, 0xFF000103},
  };
  for (const Case& c : cases) {
    r->SetPixelAccessMode(c.mode);
    b.SetWrapMode(c.wrap);
    EXPECT_EQ(r->GetSampleInt(c.x, c.y), c.expected) << c.mode << " " << c.x << "," << c.y;
  }
  // Fixed-point points round by (v + 32767) >> 16; floating points to nearest.
  r->SetPixelAccessMode(pamSafe);
  EXPECT_EQ(r->GetSampleFixed(1 * 65536 + 32768, 0), 0xFF000001u);
  EXPECT_EQ(r->GetSampleFixed(1 * 65536 + 32769, 0), 0xFF000002u);
  EXPECT_EQ(r->GetSampleFloat(1.6f, 0.4f), 0xFF000002u);
  // A clip bounds the safe mode.
  b.SetClipBounds(Rect(1, 1, 3, 3));
  EXPECT_EQ(r->GetSampleInt(0, 0), 0x12345678u);
  EXPECT_EQ(r->GetSampleInt(1, 1), 0xFF000101u);
}

TEST(LinearSampling, TransparentEdge) {
  TCustomBitmap32 b;
  b.Resize(3, 3);
  b.Clear(0xFF408020);
  AttachResampler<TLinearResampler>(&b)->SetPixelAccessMode(pamTransparentEdge);
  TCustomResampler* r = b.Resampler();
  const std::int64_t one = 65536;
  // Inside: a uniform picture samples to itself.
  EXPECT_EQ(r->GetSampleFixed(one + one / 3, one / 2), 0xFF408020u);
  // Half a pixel outside the left edge: the edge colour at reduced alpha.
  TColor32 half = r->GetSampleFixed(-one / 2, one);
  EXPECT_EQ(half & 0x00FFFFFF, 0x408020u);
  unsigned wx = GAMMA[255 - 128];
  EXPECT_EQ(AlphaComponent(half), AlphaComponent(MixColors(0x00408020, 0xFF408020, wx)));
  EXPECT_GT(AlphaComponent(half), 0u);
  EXPECT_LT(AlphaComponent(half), 255u);
  // Two pixels outside: nothing.
  EXPECT_EQ(r->GetSampleFixed(-2 * one, one), 0u);
  EXPECT_EQ(r->GetSampleFixed(one, 3 * one + 1), 0u);
  EXPECT_EQ(r->GetSampleFixed(5 * one, 5 * one), 0u);
  // Inside with different neighbours: the truncating GAMMA-weighted formula.
  b.PixelAt(1, 1) = 0xFF000000;
  b.PixelAt(2, 1) = 0xFFFFFFFF;
  TColor32 mid = r->GetSampleFixed(one + one / 2, one);
  unsigned w = GAMMA[255 - 128], top = (255u * (256 - w)) >> 8, bottom = 0x40;
  EXPECT_EQ(RedComponent(mid), (top * GAMMA[255] + bottom * (256 - GAMMA[255])) >> 8);
}

TEST(Transformation, MatrixInverseAndBounds) {
  TAffineTransformation t;
  t.SetSrcRect({0, 0, 100, 50});
  t.Scale(6);
  t.Translate(-150, 0);
  TFloatRect b = t.GetTransformedBounds();
  EXPECT_FLOAT_EQ(b.Left, -150);
  EXPECT_FLOAT_EQ(b.Right, 450);
  EXPECT_FLOAT_EQ(b.Bottom, 300);
  t.PrepareTransform();
  EXPECT_EQ(t.FixedMatrix()[0][0], 6 * 65536);
  EXPECT_EQ(t.InverseFixedMatrix()[0][0], 10923);  // 65536 / 6, rounded
  EXPECT_EQ(t.InverseFixedMatrix()[0][2], 25 * 65536);
}

TEST(TransformInto, IntegerTranslationCopiesExactly) {
  TCustomBitmap32 strip, frame;
  Numbered(strip, 12, 3, 0x80000000u);
  frame.Resize(4, 3);
  frame.Clear(0);
  TAffineTransformation t;
  t.SetSrcRect({8, 0, 12, 3});
  t.Translate(-8, 0);
  std::vector<TRect> areas;
  frame.OnAreaChanged = [&](TObject*, const TRect& r, unsigned) { areas.push_back(r); };
  TransformInto(&frame, &strip, &t);  // dmOpaque: a plain copy
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(frame.PixelAt(x, y), strip.PixelAt(x + 8, y));
  ASSERT_EQ(areas.size(), 1u);
  EXPECT_EQ(areas[0], Rect(0, 0, 4, 3));

  // In dmBlend each pixel is blended by its own alpha: onto transparent black
  // the alpha comes out as (FA * FA + 128) >> 8.
  frame.Clear(0);
  strip.SetDrawMode(dmBlend);
  TransformInto(&frame, &strip, &t);
  EXPECT_EQ(AlphaComponent(frame.PixelAt(0, 0)), (128u * 128u + 128u) >> 8);
  TColor32 expected = 0;
  BlendOverWeightedInPlace(strip.PixelAt(9, 2), expected, 255);
  EXPECT_EQ(frame.PixelAt(1, 2), expected);
}

TEST(TransformInto, ClipsToTheSourceAndTheDestination) {
  TCustomBitmap32 src, dst;
  Numbered(src, 3, 3);
  dst.Resize(8, 8);
  dst.Clear(0xFF0000FF);
  dst.SetClipBounds(Rect(0, 0, 6, 8));
  TAffineTransformation t;
  t.SetSrcRect({0, 0, 3, 3});
  t.Translate(4, 2);
  TransformInto(&dst, &src, &t);
  EXPECT_EQ(dst.PixelAt(4, 2), src.PixelAt(0, 0));
  EXPECT_EQ(dst.PixelAt(5, 4), src.PixelAt(1, 2));
  EXPECT_EQ(dst.PixelAt(6, 2), 0xFF0000FFu);  // outside the clip
  EXPECT_EQ(dst.PixelAt(3, 2), 0xFF0000FFu);  // outside the source's image
  EXPECT_EQ(dst.PixelAt(4, 5), 0xFF0000FFu);
  // Null and empty input.
  EXPECT_THROW(TransformInto(nullptr, &src, &t), EBitmapException);
  EXPECT_THROW(TransformInto(&dst, nullptr, &t), EBitmapException);
  TCustomBitmap32 empty;
  TransformInto(&dst, &empty, &t);
  TransformInto(&empty, &src, &t);
  TransformInto(&dst, &src, nullptr);
  // A flattening transformation has no inverse; it must not crash.
  TAffineTransformation flat;
  flat.SetSrcRect({0, 0, 3, 3});
  flat.Scale(0);
  TransformInto(&dst, &src, &flat);
}

namespace {
// The same mapping seen only through the base interface, so TransformInto
// takes its general per-pixel path.
class TOpaqueAffine : public TTransformation {
 public:
  explicit TOpaqueAffine(TAffineTransformation& t) : t_(t) { SetSrcRect(t.SrcRect()); }
  TFloatRect GetTransformedBounds(const TFloatRect& r) const override { return t_.GetTransformedBounds(r); }
  void TransformFloat(float x, float y, float& ox, float& oy) const override { t_.TransformFloat(x, y, ox, oy); }
  void ReverseTransformFixed(std::int64_t x, std::int64_t y, std::int64_t& ox, std::int64_t& oy) override {
    t_.ReverseTransformFixed(x, y, ox, oy);
  }
  void PrepareTransform() override { t_.PrepareTransform(); }

 private:
  TAffineTransformation& t_;
};
}  // namespace

TEST(TransformInto, RowWalkEqualsPerPixelMapping) {
  TCustomBitmap32 src;
  Numbered(src, 37, 23, 0xC0000000u);
  src.SetDrawMode(dmBlend);
  for (const char* resampler : {"TNearestResampler", "TLinearResampler"}) {
    src.SetResamplerClassName(resampler);
    TAffineTransformation t;
    t.SetSrcRect({0, 0, 37, 23});
    t.Scale(2.7f, 1.3f);
    t.Translate(-5.25f, 3.5f);
    TOpaqueAffine general(t);
    TCustomBitmap32 a, b;
    a.Resize(120, 50);
    b.Resize(120, 50);
    TransformInto(&a, &src, &t);
    TransformInto(&b, &src, &general);
    for (int i = 0; i < 120 * 50; ++i) ASSERT_EQ(a.Bits()[i], b.Bits()[i]) << resampler << " pixel " << i;
  }
}
