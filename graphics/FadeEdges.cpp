// The edge fade of a background picture: the right and bottom bands blend
// from the picture into its average colour, the corner radially. Done in
// memory with the constant-alpha blend of the platform's copy.
#include <algorithm>
#include <cmath>
#include <vector>

#include "graphics/PictureFilters.h"

namespace {

// source * a / 255 + destination * (255 - a) / 255 per colour channel.
TColor32 ConstantAlphaBlend(TColor32 src, TColor32 dst, unsigned a) {
  TColor32 r = 0;
  for (int s = 0; s < 24; s += 8) r |= ((((src >> s) & 0xFF) * a + ((dst >> s) & 0xFF) * (255 - a) + 127) / 255) << s;
  return r | 0xFF000000;
}

// Round(√n × 255 / f), halves to even, on exact values. The steps are
// written as d / f × 100 × 2.55, and binary floating point holds 2.55 only
// approximately, which moves their ties (at f = 100, 50 × 2.55 = 127.5 rounds
// to 128 and 90 × 2.55 = 229.5 to 230).
int RoundedFadeStep(long long n, long long f) {
  // x = √n × 255 / f, so f² x² = 65025 n; k ends as the floor of x. The
  // products are taken in 128 bits, wide enough for any picture's width.
  using Wide = __int128;
  const Wide scaled = Wide(n) * 65025, f2 = Wide(f) * f;
  long long k = static_cast<long long>(std::sqrt(static_cast<double>(scaled) / static_cast<double>(f2)));
  while (k > 0 && Wide(k) * k * f2 > scaled) --k;
  while (Wide(k + 1) * (k + 1) * f2 <= scaled) ++k;
  // x against k + 1/2: f² (k + 1/2)² = f² (2k + 1)² / 4.
  const Wide half = Wide(2 * k + 1) * (2 * k + 1) * f2, fourScaled = 4 * scaled;
  if (fourScaled > half || (fourScaled == half && k % 2 == 1)) ++k;
  return static_cast<int>(k);
}

}  // namespace

void FadeEdges(TCustomBitmap32* Picture, TColor& AverageColor, int Width) {
  AverageColor = 0;
  if (!Picture) return;
  const int w = Picture->Width(), h = Picture->Height(), f = std::max(Width, 1);
  const long long count = std::max<long long>(static_cast<long long>(w) * h, 1);
  unsigned long long sum[3] = {0, 0, 0};
  const TColor32* px = Picture->Bits();
  for (long long i = 0; i < static_cast<long long>(w) * h; ++i) {
    sum[0] += RedComponent(px[i]);
    sum[1] += GreenComponent(px[i]);
    sum[2] += BlueComponent(px[i]);
  }
  const unsigned r = static_cast<unsigned>(sum[0] / count), g = static_cast<unsigned>(sum[1] / count),
                 b = static_cast<unsigned>(sum[2] / count);
  AverageColor = static_cast<TColor>(r + g * 256 + b * 65536);
  if (Picture->Empty()) return;
  const TColor32 average = MakeColor32(r, g, b, 255);

  // The scratch: the picture's top-left area unchanged, the bands and the
  // corner in the average colour; then the picture blended over the bands.
  std::vector<TColor32> out(static_cast<size_t>(w) * h);
  auto at = [&](int x, int y) -> TColor32& { return out[static_cast<size_t>(y) * w + x]; };
  auto inside = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h; };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      at(x, y) = x < w - f && y < h - f ? (Picture->PixelAt(x, y) | 0xFF000000) : average;
  auto blend = [&](int x, int y, int a) {
    if (inside(x, y)) at(x, y) = ConstantAlphaBlend(Picture->PixelAt(x, y), at(x, y), static_cast<unsigned>(a) & 0xFF);
  };
  // Every step is 255 - Round(d x 255 / f): d is the distance from the
  // corner's inner corner (limited to f - 1), or the band's column or row.
  const long long last = static_cast<long long>(f - 1) * (f - 1);
  for (int i = 0; i < f; ++i)
    for (int j = 0; j < f; ++j) {
      const long long n = std::min<long long>(1LL * i * i + 1LL * j * j, last);
      blend(w - f + i, h - f + j, 255 - RoundedFadeStep(n, f));
    }
  for (int i = 0; i < f; ++i) {
    int a = 255 - RoundedFadeStep(1LL * i * i, f);
    for (int y = 0; y < h - f; ++y) blend(w - f + i, y, a);
  }
  for (int q = 0; q < f; ++q) {
    int a = 255 - RoundedFadeStep(1LL * q * q, f);
    for (int x = 0; x < w - f; ++x) blend(x, h - f + q, a);
  }
  std::copy(out.begin(), out.end(), Picture->Bits());
  Picture->NotifyChanged();
}
