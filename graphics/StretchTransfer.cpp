// The stretched copy: source clipping with proportional destination
// adjustment, then the source's resampler.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "graphics/Resamplers32.h"
#include "graphics/Transfers32.h"

namespace {

int ClampToInt(double v) { return static_cast<int>(std::clamp(v, -2147483648.0, 2147483647.0)); }

// The source index of each destination index of [from, to): nearest
// neighbour with the scale in single precision, kept inside [srcLo, srcHi).
// The product is taken exactly (long double holds every such product): in
// single precision 10 x 0.7f would round up to 7 and take the wrong column.
std::vector<int> NearestMap(int from, int to, int dstLo, long long dstLen, int srcLo, int srcHi) {
  std::vector<int> map(static_cast<size_t>(to - from));
  if (dstLen < 2) {
    std::fill(map.begin(), map.end(), static_cast<int>((static_cast<long long>(srcLo) + srcHi - 1) / 2));
    return map;
  }
  float scale = static_cast<float>(static_cast<long long>(srcHi) - srcLo) / static_cast<float>(dstLen);
  for (int i = from; i < to; ++i) {
    long double pos = static_cast<long double>(static_cast<long long>(i) - dstLo) * scale + srcLo;
    long long s = static_cast<long long>(std::trunc(pos));
    map[static_cast<size_t>(i - from)] = static_cast<int>(std::clamp<long long>(s, srcLo, srcHi - 1));
  }
  return map;
}

}  // namespace

void TNearestResampler::Resample(TCustomBitmap32* Dst, const TRect& DstRect, const TRect& C, const TRect& SrcRect) {
  TCustomBitmap32& src = *Bitmap();
  if (SrcRect.left < 0 || SrcRect.top < 0 || SrcRect.right > src.Width() || SrcRect.bottom > src.Height() ||
      SrcRect.IsEmpty())
    throw Exception("Invalid SrcRect");
  std::vector<int> cols = NearestMap(C.left, C.right, DstRect.left,
                                     static_cast<long long>(DstRect.right) - DstRect.left, SrcRect.left, SrcRect.right);
  std::vector<int> rows = NearestMap(C.top, C.bottom, DstRect.top,
                                     static_cast<long long>(DstRect.bottom) - DstRect.top, SrcRect.top, SrcRect.bottom);
  const int n = C.Width();
  std::vector<TColor32> scratch(static_cast<size_t>(n));
  bool opaque = src.DrawMode() == dmOpaque || (src.DrawMode() == dmCustom && !src.OnPixelCombine);
  for (int y = C.top; y < C.bottom; ++y) {
    int sy = rows[static_cast<size_t>(y - C.top)];
    TColor32* d = Dst->ScanLine(y) + C.left;
    if (opaque && y > C.top && sy == rows[static_cast<size_t>(y - C.top - 1)]) {
      // The same source row again: the row above already holds it.
      std::memcpy(d, Dst->ScanLine(y - 1) + C.left, static_cast<size_t>(n) * sizeof(TColor32));
      continue;
    }
    const TColor32* s = src.ScanLine(sy);
    TColor32* gather = opaque && Dst != &src ? d : scratch.data();
    for (int i = 0; i < n; ++i) gather[i] = s[cols[static_cast<size_t>(i)]];
    if (gather != d) CombineRow(src, gather, d, n);
  }
}

void TLinearResampler::Resample(TCustomBitmap32* Dst, const TRect& DstRect, const TRect& C, const TRect& SrcRect) {
  // Bilinear over the source rectangle, centres mapped onto centres and the
  // neighbours clamped into it.
  TCustomBitmap32& src = *Bitmap();
  const double scaleX = double(SrcRect.Width()) / double(static_cast<long long>(DstRect.right) - DstRect.left);
  const double scaleY = double(SrcRect.Height()) / double(static_cast<long long>(DstRect.bottom) - DstRect.top);
  const int n = C.Width();
  std::vector<TColor32> scratch(static_cast<size_t>(n));
  auto position = [](int i, int dstLo, double scale, int srcLo, int srcHi, int& i0, int& i1, unsigned& f) {
    double p = (i - dstLo + 0.5) * scale - 0.5 + srcLo;
    p = std::clamp(p, double(srcLo), double(srcHi - 1));
    i0 = static_cast<int>(p);
    i1 = std::min(i0 + 1, srcHi - 1);
    f = static_cast<unsigned>((p - i0) * 256.0) & 0xFF;
  };
  for (int y = C.top; y < C.bottom; ++y) {
    int y0, y1;
    unsigned fy;
    position(y, DstRect.top, scaleY, SrcRect.top, SrcRect.bottom, y0, y1, fy);
    for (int x = C.left; x < C.right; ++x) {
      int x0, x1;
      unsigned fx;
      position(x, DstRect.left, scaleX, SrcRect.left, SrcRect.right, x0, x1, fx);
      TColor32 p00 = src.PixelAt(x0, y0), p10 = src.PixelAt(x1, y0), p01 = src.PixelAt(x0, y1),
               p11 = src.PixelAt(x1, y1);
      TColor32 r = 0;
      for (int s = 0; s < 32; s += 8) {
        unsigned top = ((p00 >> s) & 0xFF) * (256 - fx) + ((p10 >> s) & 0xFF) * fx;
        unsigned bottom = ((p01 >> s) & 0xFF) * (256 - fx) + ((p11 >> s) & 0xFF) * fx;
        r |= ((top * (256 - fy) + bottom * fy + 32768) >> 16) << s;
      }
      scratch[static_cast<size_t>(x - C.left)] = r;
    }
    CombineRow(src, scratch.data(), Dst->ScanLine(y) + C.left, n);
  }
}

void StretchTransfer(TCustomBitmap32* Dst, TRect DstRect, const TRect& DstClip, TCustomBitmap32* Src, TRect SrcRect) {
  if (!Dst) throw EBitmapException("Destination bitmap is nil");
  if (!Src) throw EBitmapException("Source bitmap is nil");
  if (SrcRect.IsEmpty() || DstRect.IsEmpty()) return;

  // A source rectangle reaching outside the source moves the destination's
  // edges in proportion.
  const float sx = static_cast<float>(static_cast<long long>(DstRect.right) - DstRect.left) /
                   static_cast<float>(static_cast<long long>(SrcRect.right) - SrcRect.left);
  const float sy = static_cast<float>(static_cast<long long>(DstRect.bottom) - DstRect.top) /
                   static_cast<float>(static_cast<long long>(SrcRect.bottom) - SrcRect.top);
  if (SrcRect.left < 0) {
    DstRect.left = ClampToInt(DstRect.left + std::ceil(static_cast<double>(-static_cast<float>(SrcRect.left) * sx)));
    SrcRect.left = 0;
  }
  if (SrcRect.top < 0) {
    DstRect.top = ClampToInt(DstRect.top + std::ceil(static_cast<double>(-static_cast<float>(SrcRect.top) * sy)));
    SrcRect.top = 0;
  }
  if (SrcRect.right > Src->Width()) {
    float over = static_cast<float>(static_cast<long long>(SrcRect.right) - Src->Width());
    DstRect.right = ClampToInt(DstRect.right - std::floor(static_cast<double>(over * sx)));
    SrcRect.right = Src->Width();
  }
  if (SrcRect.bottom > Src->Height()) {
    float over = static_cast<float>(static_cast<long long>(SrcRect.bottom) - Src->Height());
    DstRect.bottom = ClampToInt(DstRect.bottom - std::floor(static_cast<double>(over * sy)));
    SrcRect.bottom = Src->Height();
  }

  if (Dst->Empty() || Src->Empty()) return;
  if (Src->DrawMode() == dmBlend && Src->MasterAlpha() == 0) return;
  if (SrcRect.IsEmpty() || DstRect.IsEmpty()) return;
  TRect clip = IntersectRect(IntersectRect(DstClip, Dst->BoundsRect()), DstRect);
  if (clip.IsEmpty()) return;

  if (static_cast<long long>(DstRect.right) - DstRect.left == SrcRect.Width() &&
      static_cast<long long>(DstRect.bottom) - DstRect.top == SrcRect.Height()) {
    BlockTransfer(Dst, DstRect.left, DstRect.top, clip, Src, SrcRect);
    return;
  }
  Src->Resampler()->Resample(Dst, DstRect, clip, SrcRect);
  Dst->Changed(DstRect);
}
