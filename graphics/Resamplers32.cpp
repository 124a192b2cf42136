// Sampling a bitmap at a point: access modes, nearest and bilinear samples,
// and the class registry of the resamplers.
#include "graphics/Resamplers32.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "graphics/Blend32.h"
#include "graphics/BlendTables.h"

TCustomResampler::TCustomResampler(TCustomBitmap32* Owner) : bitmap_(Owner) {}

void TCustomResampler::Assign(const TPersistent* Source) {
  auto* r = dynamic_cast<const TCustomResampler*>(Source);
  if (!r) return TNotifiablePersistent::Assign(Source);
  SetPixelAccessMode(r->accessMode_);
}

void TCustomResampler::SetPixelAccessMode(TPixelAccessMode m) {
  if (accessMode_ == m) return;
  accessMode_ = m;
  Changed();
  if (bitmap_) bitmap_->NotifyChanged();
}

TFloatRect TCustomResampler::SampleBounds() const {
  const TRect& c = bitmap_->ClipBounds();
  TFloatRect r{float(c.left), float(c.top), float(c.right), float(c.bottom)};
  if (accessMode_ == pamTransparentEdge) r = {r.Left - 1, r.Top - 1, r.Right + 1, r.Bottom + 1};
  return r;
}

int WrapCoordinate(int V, int Min, int Max, TWrapMode Mode) {
  if (Max <= Min) return Min;
  long long n = static_cast<long long>(Max) - Min, v = static_cast<long long>(V) - Min;
  switch (Mode) {
    case wmClamp:
      v = std::clamp<long long>(v, 0, n - 1);
      break;
    case wmRepeat:
      v %= n;
      if (v < 0) v += n;
      break;
    case wmMirror: {
      long long period = 2 * n;
      v %= period;
      if (v < 0) v += period;
      if (v >= n) v = period - 1 - v;
      break;
    }
  }
  return static_cast<int>(v + Min);
}

TColor32 TCustomResampler::PixelThroughAccessMode(int X, int Y) const {
  const TCustomBitmap32& b = *bitmap_;
  const TRect& c = b.ClipBounds();
  switch (accessMode_) {
    case pamUnsafe:
      // Even the unchecked mode never reads outside the pixels.
      if (X < 0 || Y < 0 || X >= b.Width() || Y >= b.Height()) return b.OuterColor();
      return b.PixelAt(X, Y);
    case pamSafe:
      return c.Contains(X, Y) ? b.PixelAt(X, Y) : b.OuterColor();
    case pamWrap:
      if (c.IsEmpty()) return b.OuterColor();
      return b.PixelAt(WrapCoordinate(X, c.left, c.right, b.WrapMode()), WrapCoordinate(Y, c.top, c.bottom, b.WrapMode()));
    case pamTransparentEdge: {
      if (c.IsEmpty()) return 0;
      int cx = std::clamp(X, c.left, c.right - 1), cy = std::clamp(Y, c.top, c.bottom - 1);
      TColor32 p = b.PixelAt(cx, cy);
      return cx == X && cy == Y ? p : p & 0x00FFFFFF;
    }
  }
  return b.OuterColor();
}

namespace {

int ClampToInt(long long v) { return static_cast<int>(std::clamp<long long>(v, INT32_MIN, INT32_MAX)); }
long long RoundHalfEven(float v) {
  double r = std::nearbyint(static_cast<double>(v));
  return std::isfinite(r) ? static_cast<long long>(std::clamp(r, -9.0e18, 9.0e18)) : 0;
}

// Per channel: (P0 * W + P1 * (256 - W)) >> 8, truncating.
TColor32 WeightPair(TColor32 p0, TColor32 p1, unsigned w) {
  TColor32 r = 0;
  for (int s = 0; s < 32; s += 8) r |= ((((p0 >> s) & 0xFF) * w + ((p1 >> s) & 0xFF) * (256 - w)) >> 8) << s;
  return r;
}

TColor32 Bilinear(TColor32 p00, TColor32 p10, TColor32 p01, TColor32 p11, unsigned fx, unsigned fy) {
  unsigned wx = GAMMA[255 - fx], wy = GAMMA[255 - fy];
  return WeightPair(WeightPair(p00, p10, wx), WeightPair(p01, p11, wx), wy);
}

int Sign(long long v) { return (v > 0) - (v < 0); }

}  // namespace

// ---- Nearest

TColor32 TNearestResampler::GetSampleInt(int X, int Y) const { return PixelThroughAccessMode(X, Y); }

TColor32 TNearestResampler::GetSampleFixed(std::int64_t X, std::int64_t Y) const {
  return PixelThroughAccessMode(ClampToInt((X + 32767) >> 16), ClampToInt((Y + 32767) >> 16));
}

TColor32 TNearestResampler::GetSampleFloat(float X, float Y) const {
  return PixelThroughAccessMode(ClampToInt(RoundHalfEven(X)), ClampToInt(RoundHalfEven(Y)));
}

// ---- Linear

TColor32 TLinearResampler::GetSampleInt(int X, int Y) const { return PixelThroughAccessMode(X, Y); }

TColor32 TLinearResampler::GetSampleFloat(float X, float Y) const {
  return GetSampleFixed(RoundHalfEven(X * 65536.0f), RoundHalfEven(Y * 65536.0f));
}

TColor32 TLinearResampler::GetSampleFixed(std::int64_t X, std::int64_t Y) const {
  if (PixelAccessMode() == pamTransparentEdge) return TransparentEdgeSample(X, Y);
  // 24.8 fixed point with rounding, then the 2 x 2 block through the access mode.
  std::int64_t x8 = (X + 127) >> 8, y8 = (Y + 127) >> 8;
  int ix = ClampToInt(x8 >> 8), iy = ClampToInt(y8 >> 8);
  unsigned fx = static_cast<unsigned>(x8 & 0xFF), fy = static_cast<unsigned>(y8 & 0xFF);
  int ix1 = ix == INT32_MAX ? ix : ix + 1, iy1 = iy == INT32_MAX ? iy : iy + 1;
  return Bilinear(PixelThroughAccessMode(ix, iy), PixelThroughAccessMode(ix1, iy), PixelThroughAccessMode(ix, iy1),
                  PixelThroughAccessMode(ix1, iy1), fx, fy);
}

TColor32 TLinearResampler::TransparentEdgeSample(std::int64_t U, std::int64_t V) const {
  const TCustomBitmap32& b = *Bitmap();
  const TRect& c = b.ClipBounds();
  if (c.IsEmpty()) return 0;
  std::int64_t X = U >> 16, Y = V >> 16;
  unsigned fx = static_cast<unsigned>((U >> 8) & 0xFF), fy = static_cast<unsigned>((V >> 8) & 0xFF);

  if (X >= c.left && X < c.right - 1 && Y >= c.top && Y < c.bottom - 1) {
    int x = static_cast<int>(X), y = static_cast<int>(Y);
    return Bilinear(b.PixelAt(x, y), b.PixelAt(x + 1, y), b.PixelAt(x, y + 1), b.PixelAt(x + 1, y + 1), fx, fy);
  }
  if (X < c.left - 1 || Y < c.top - 1 || X > c.right - 1 || Y > c.bottom - 1) return 0;

  // The one-pixel band around the edge: the neighbours are clamped into the
  // bitmap and the pair that lies outside loses its alpha, so the edge fades.
  auto clampX = [&](std::int64_t v) { return static_cast<int>(std::clamp<std::int64_t>(v, 0, c.right - 1)); };
  auto clampY = [&](std::int64_t v) { return static_cast<int>(std::clamp<std::int64_t>(v, 0, c.bottom - 1)); };
  int x0 = clampX(X), x1 = clampX(X + Sign(U)), y0 = clampY(Y), y1 = clampY(Y + Sign(V));
  TColor32 p00 = b.PixelAt(x0, y0), p10 = b.PixelAt(x1, y0), p01 = b.PixelAt(x0, y1), p11 = b.PixelAt(x1, y1);
  constexpr TColor32 kRgb = 0x00FFFFFF;
  if (U <= static_cast<std::int64_t>(c.left) * 65536) {
    p00 &= kRgb;
    p01 &= kRgb;
  } else if (X == c.right - 1) {
    p10 &= kRgb;
    p11 &= kRgb;
  }
  if (V <= static_cast<std::int64_t>(c.top) * 65536) {
    p00 &= kRgb;
    p10 &= kRgb;
  } else if (Y == c.bottom - 1) {
    p01 &= kRgb;
    p11 &= kRgb;
  }
  unsigned wx = GAMMA[255 - fx], wy = GAMMA[255 - fy];
  return MixColors(MixColors(p00, p10, wx), MixColors(p01, p11, wx), wy);
}

// ---- Registry

TCustomResampler* CreateResamplerByName(const AnsiString& Name, TCustomBitmap32* Owner) {
  if (Name == "TNearestResampler") return AttachResampler<TNearestResampler>(Owner);
  if (Name == "TLinearResampler") return AttachResampler<TLinearResampler>(Owner);
  if (Name == "TDraftResampler") return AttachResampler<TDraftResampler>(Owner);
  if (Name == "TKernelResampler") return AttachResampler<TKernelResampler>(Owner);
  return nullptr;
}
