// Fills, frames, runs and single pixels.
#include <algorithm>

#include "graphics/Bitmap32.h"
#include "graphics/Blend32.h"

namespace {
// Rows of a rectangle already inside the bitmap, filled with a 32-bit word fill.
void FillRows(TCustomBitmap32& b, const TRect& r, TColor32 C) {
  for (int y = r.top; y < r.bottom; ++y) std::fill(b.ScanLine(y) + r.left, b.ScanLine(y) + r.right, C);
}
}  // namespace

void TCustomBitmap32::Clear(TColor32 C) {
  if (Empty()) return;
  FillRows(*this, clipping_ ? clipRect_ : BoundsRect(), C);
  NotifyChanged();
}

void TCustomBitmap32::SetAlphaAll(unsigned A) {
  if (Empty()) return;
  TColor32 alpha = (A & 0xFF) << 24;
  TColor32* p = bits_;
  for (size_t i = 0, n = static_cast<size_t>(Width()) * Height(); i < n; ++i) p[i] = (p[i] & 0x00FFFFFF) | alpha;
  NotifyChanged();
}

void TCustomBitmap32::BlendPixelClipped(int X, int Y, TColor32 C) {
  if (!clipRect_.Contains(X, Y)) return;
  if (combineMode_ == cmMerge)
    MergeOverInPlace(C, PixelAt(X, Y));
  else
    BlendOverInPlace(C, PixelAt(X, Y));
}

// The fast fills trust their caller for speed, but a stray rectangle would
// write outside the pixels, so they still keep to the bitmap's bounds.
void TCustomBitmap32::HorzRun(int X1, int Y, int X2, TColor32 C) {
  if (Y < 0 || Y >= Height()) return;
  X1 = std::max(X1, 0);
  X2 = std::min(X2, Width() - 1);
  if (X1 <= X2) std::fill(ScanLine(Y) + X1, ScanLine(Y) + X2 + 1, C);
}

void TCustomBitmap32::FillArea(int X1, int Y1, int X2, int Y2, TColor32 C) {
  TRect r = IntersectRect(Rect(X1, Y1, X2, Y2), BoundsRect());
  if (r.IsEmpty()) return;
  FillRows(*this, r, C);
  Changed(r);
}

void TCustomBitmap32::FillAreaClipped(int X1, int Y1, int X2, int Y2, TColor32 C) {
  TRect r = IntersectRect(Rect(X1, Y1, X2, Y2), clipRect_);
  if (r.IsEmpty()) return;
  FillArea(r.left, r.top, r.right, r.bottom, C);
}

void TCustomBitmap32::FillAreaBlended(int X1, int Y1, int X2, int Y2, TColor32 C) {
  TRect r = IntersectRect(Rect(X1, Y1, X2, Y2), clipRect_);
  if (r.IsEmpty()) return;
  unsigned a = AlphaComponent(C);
  if (a == 255) return FillArea(r.left, r.top, r.right, r.bottom, C);
  if (a == 0) return;
  for (int y = r.top; y < r.bottom; ++y) {
    TColor32* row = ScanLine(y);
    if (combineMode_ == cmMerge) {
      for (int x = r.left; x < r.right; ++x) MergeOverInPlace(C, row[x]);
    } else {
      for (int x = r.left; x < r.right; ++x) MixColorsInPlace(C, row[x], a);
    }
  }
  Changed(r);
}

void TCustomBitmap32::FrameAreaClipped(const TRect& R, TColor32 C) {
  if (R.IsEmpty()) return;
  BeginUpdate();
  FillAreaClipped(R.left, R.top, R.right, R.top + 1, C);
  if (static_cast<long long>(R.bottom) - R.top > 1) FillAreaClipped(R.left, R.bottom - 1, R.right, R.bottom, C);
  FillAreaClipped(R.left, R.top + 1, R.left + 1, R.bottom - 1, C);
  FillAreaClipped(R.right - 1, R.top + 1, R.right, R.bottom - 1, C);
  EndUpdate();
  Changed(IntersectRect(R, clipRect_));
}
