#include "skin/window/GradientFill.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

COLORREF Resolve(TColor c) { return c < 0 ? GetSysColor(c & 0xFF) : static_cast<COLORREF>(c); }

std::uint32_t StepFactor(int n) {
  return static_cast<std::uint32_t>(std::lround(16777216.0 / std::max(n, 1)));
}

unsigned Channel(unsigned a, unsigned b, int i, std::uint32_t e) {
  std::uint32_t product = static_cast<std::uint32_t>(static_cast<int>(b) - static_cast<int>(a)) *
                          static_cast<std::uint32_t>(i) * e;
  return (a + (product >> 24)) & 0xFF;
}

TColor32 Step(COLORREF a, COLORREF b, int i, std::uint32_t e) {
  return MakeColor32(Channel(GetRValue(a), GetRValue(b), i, e), Channel(GetGValue(a), GetGValue(b), i, e),
                     Channel(GetBValue(a), GetBValue(b), i, e));
}

}  // namespace

TColor32 GradientStep(TColor A, TColor B, int n, int i) { return Step(Resolve(A), Resolve(B), i, StepFactor(n)); }

void GradientFill(TCustomBitmap32& Target, TColor A, TColor B, bool Horizontal, const TRect& R) {
  const COLORREF a = Resolve(A), b = Resolve(B);
  const int w = std::max(R.Width(), 1), h = std::max(R.Height(), 1);
  const std::uint32_t e = StepFactor(Horizontal ? w : h);
  const TRect area = IntersectRect(Bounds(R.left, R.top, w, h), Target.BoundsRect());
  if (area.IsEmpty()) return;
  if (Horizontal) {
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x) Target.PixelAt(x, y) = Step(a, b, x - R.left, e);
  } else {
    for (int y = area.top; y < area.bottom; ++y) {
      TColor32* row = Target.ScanLine(y);
      std::fill(row + area.left, row + area.right, Step(a, b, y - R.top, e));
    }
  }
  Target.Changed(area);
}
