// Lines: straight blended runs, 45-degree lines and anti-aliased lines.
// Coordinates are widened to 64 bits so that extreme end points neither
// overflow nor make the loops walk outside the clip.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "graphics/Bitmap32.h"
#include "graphics/Blend32.h"
#include "graphics/BlendTables.h"

namespace {

using i64 = std::int64_t;

// The steps i in [lo, hi] for which a + s * i lies in [min, max) (s is -1 or +1).
void ClipSteps(i64 a, int s, i64 min, i64 max, i64& lo, i64& hi) {
  if (s > 0) {
    lo = std::max(lo, min - a);
    hi = std::min(hi, max - 1 - a);
  } else if (s < 0) {
    lo = std::max(lo, a - (max - 1));
    hi = std::min(hi, a - min);
  } else if (a < min || a >= max) {
    hi = lo - 1;
  }
}

inline int Sign(i64 v) { return (v > 0) - (v < 0); }

}  // namespace

void TCustomBitmap32::DrawLine(int X1, int Y1, int X2, int Y2, TColor32 C, bool IncludeLast) {
  const TRect clip = clipRect_;
  if (clip.IsEmpty()) return;
  const i64 dx = i64(X2) - X1, dy = i64(Y2) - Y1;
  const i64 adx = std::llabs(dx), ady = std::llabs(dy);
  const int sx = Sign(dx), sy = Sign(dy);
  auto blend = [&](i64 x, i64 y) { BlendPixelClipped(static_cast<int>(x), static_cast<int>(y), C); };
  auto changed = [&] {
    TRect box{std::min(X1, X2), std::min(Y1, Y2), static_cast<int>(std::max<i64>(X1, X2) + 1),
              static_cast<int>(std::max<i64>(Y1, Y2) + 1)};
    box = IntersectRect(box, clip);
    if (!box.IsEmpty()) Changed(box, AREAINFO_LINE);
  };

  if (adx == ady || dx == 0 || dy == 0) {
    // Straight and diagonal lines: i counts pixels from the start point.
    i64 n = std::max(adx, ady);
    i64 lo = 0, hi = n - 1;
    if (adx == ady && IncludeLast) hi = n;
    ClipSteps(X1, sx, clip.left, clip.right, lo, hi);
    ClipSteps(Y1, sy, clip.top, clip.bottom, lo, hi);
    for (i64 i = lo; i <= hi; ++i) blend(X1 + sx * i, Y1 + sy * i);
    if (adx != ady && IncludeLast) BlendPixelClipped(X2, Y2, C);
    changed();
    return;
  }

  // Anti-aliased: step one pixel along the major axis and spread the colour
  // over the two pixels straddling the exact minor position (16.16 fixed point).
  const bool xMajor = adx > ady;
  const i64 n = xMajor ? adx : ady;
  const i64 majorStart = xMajor ? X1 : Y1, minorStart = xMajor ? Y1 : X1;
  const int sMajor = xMajor ? sx : sy;
  const i64 step = (xMajor ? dy : dx) * 65536 / n;
  i64 lo = 0, hi = IncludeLast ? n : n - 1;
  if (xMajor)
    ClipSteps(majorStart, sMajor, clip.left, clip.right, lo, hi);
  else
    ClipSteps(majorStart, sMajor, clip.top, clip.bottom, lo, hi);
  // Narrow further to the steps whose minor pair can touch the clip.
  const i64 minorMin = xMajor ? clip.top : clip.left, minorMax = xMajor ? clip.bottom : clip.right;
  if (step == 0) {
    // So shallow that the minor position never moves: the pixels are tested one by one.
  } else if (step > 0) {
    lo = std::max(lo, ((minorMin - 1 - minorStart) * 65536 + step - 1) / step - 1);
    hi = std::min(hi, ((minorMax - minorStart) * 65536) / step + 1);
  } else {
    lo = std::max(lo, ((minorStart - minorMax) * 65536 + (-step) - 1) / (-step) - 1);
    hi = std::min(hi, ((minorStart - minorMin + 1) * 65536) / (-step) + 1);
  }
  for (i64 i = std::max<i64>(lo, 0); i <= hi; ++i) {
    i64 pos = minorStart * 65536 + step * i;
    i64 major = majorStart + sMajor * i;
    i64 minor = pos >> 16;
    unsigned f = static_cast<unsigned>((pos >> 8) & 0xFF);
    for (int k = 0; k < 2; ++k) {
      i64 x = xMajor ? major : minor + k, y = xMajor ? minor + k : major;
      if (x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom) continue;
      unsigned w = k == 0 ? GAMMA[255 - f] : GAMMA[f];
      if (combineMode_ == cmMerge)
        MergeOverWeightedInPlace(C, PixelAt(static_cast<int>(x), static_cast<int>(y)), w);
      else
        BlendOverWeightedInPlace(C, PixelAt(static_cast<int>(x), static_cast<int>(y)), w);
    }
  }
  changed();
}
