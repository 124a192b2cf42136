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

// Round(√n × 2.55), halves to even, on exact values. Binary floating point
// holds 2.55 only approximately, which moves the ties the fade is written
// with (50 × 2.55 = 127.5 rounds to 128, 90 × 2.55 = 229.5 to 230).
int RoundedFadeStep(long long n) {
  // x = √n × 255 / 100, so 10000 x² = 65025 n; k ends as the floor of x.
  const long long scaled = n * 65025;
  long long k = static_cast<long long>(std::sqrt(static_cast<double>(scaled) / 10000.0));
  while (k > 0 && k * k * 10000 > scaled) --k;
  while ((k + 1) * (k + 1) * 10000 <= scaled) ++k;
  // x against k + 1/2: 10000 (k + 1/2)² = 2500 (2k + 1)².
  const long long half = (2 * k + 1) * (2 * k + 1) * 2500;
  if (scaled > half || (scaled == half && k % 2 == 1)) ++k;
  return static_cast<int>(k);
}

}  // namespace

void FadeEdges(TCustomBitmap32* Picture, TColor& AverageColor) {
  AverageColor = 0;
  if (!Picture) return;
  const int w = Picture->Width(), h = Picture->Height(), f = FadeWidth;
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
  // With F = 100 every step is 255 - Round(d x 2.55): d is the distance from
  // the corner's inner corner (limited to 99), or the band's column or row.
  static_assert(FadeWidth == 100);
  for (int i = 0; i < f; ++i)
    for (int j = 0; j < f; ++j) {
      const long long n = std::min<long long>(1LL * i * i + 1LL * j * j, 99 * 99);
      blend(w - f + i, h - f + j, 255 - RoundedFadeStep(n));
    }
  for (int i = 0; i < f; ++i) {
    int a = 255 - RoundedFadeStep(1LL * i * i);
    for (int y = 0; y < h - f; ++y) blend(w - f + i, y, a);
  }
  for (int q = 0; q < f; ++q) {
    int a = 255 - RoundedFadeStep(1LL * q * q);
    for (int x = 0; x < w - f; ++x) blend(x, h - f + q, a);
  }
  std::copy(out.begin(), out.end(), Picture->Bits());
  Picture->NotifyChanged();
}
