// Laying a picture onto a larger bitmap: tiles, nine slices, cover, centre.
#include <algorithm>
#include <cmath>

#include "graphics/PictureFilters.h"
#include "graphics/Transformation.h"

void TileOnto(TCustomBitmap32* Src, TCustomBitmap32* Dst, int OffsetX, int OffsetY) {
  if (!Dst) throw EBitmapException("Destination bitmap is nil");
  if (!Src) throw EBitmapException("Source bitmap is nil");
  Dst->Lock();
  Dst->BeginUpdate();
  try {
    const int sw = std::max(Src->Width(), 1), sh = std::max(Src->Height(), 1);
    const int nx = Dst->Width() / sw, ny = Dst->Height() / sh;
    for (int r = 0; r <= ny; ++r)
      for (int c = 0; c <= nx; ++c) {
        long long x = static_cast<long long>(Src->Width()) * c + OffsetX;
        long long y = static_cast<long long>(Src->Height()) * r + OffsetY;
        if (x >= Dst->Width() || y >= Dst->Height()) continue;  // wholly beyond the edge
        Src->DrawOnto(Dst, Bounds(static_cast<int>(x), static_cast<int>(y), Src->Width(), Src->Height()));
      }
  } catch (...) {
    Dst->EndUpdate();
    Dst->Unlock();
    throw;
  }
  Dst->EndUpdate();
  Dst->Unlock();
}

void NineSliceOnto(TBitmap32* Src, TBitmap32* Dst, bool DeviceRoute) {
  if (!Dst) throw EBitmapException("Destination bitmap is nil");
  if (!Src) throw EBitmapException("Source bitmap is nil");
  const int sw = Src->Width(), sh = Src->Height(), dw = Dst->Width(), dh = Dst->Height();
  const int m = std::max(sw / 3, 1), n = std::max(sh / 3, 1);
  TRect R{m, n, 2 * m, 2 * n};
  if (sw == dw) R = {0, n, 0, 2 * n};
  if (sh == dh) R = {m, 0, 2 * m, 0};
  const int dr = dw - (sw - R.right), db = dh - (sh - R.bottom);
  const TRect pieces[9][2] = {
      {{R.left, R.top, R.right, R.bottom}, {R.left, R.top, dr, db}},
      {{0, R.top, R.left, R.bottom}, {0, R.top, R.left, db}},
      {{R.left, 0, R.right, R.top}, {R.left, 0, dr, R.top}},
      {{R.right, R.top, sw, R.bottom}, {dr, R.top, dw, db}},
      {{R.left, R.bottom, R.right, sh}, {R.left, db, dr, dh}},
      {{0, 0, R.left, R.top}, {0, 0, R.left, R.top}},
      {{R.right, 0, sw, R.top}, {dr, 0, dw, R.top}},
      {{0, R.bottom, R.left, sh}, {0, db, R.left, dh}},
      {{R.right, R.bottom, sw, sh}, {dr, db, dw, dh}},
  };
  for (const auto& [src, dst] : pieces) {
    if (DeviceRoute) {
      // The platform's copy decides what an inverted rectangle does; an
      // empty source has nothing to give.
      if (src.IsEmpty()) continue;
      Dst->BlitFromDC(dst, src, Src->DeviceContext());
    } else {
      Dst->DrawFrom(dst, src, Src);
    }
  }
}

void ScaleToCover(TCustomBitmap32* Src, TCustomBitmap32* Dst, float ExtraScale) {
  if (!Dst) throw EBitmapException("Destination bitmap is nil");
  if (!Src) throw EBitmapException("Source bitmap is nil");
  if (Src->Empty()) return;  // nothing to scale, and no size to divide by
  const float sx = static_cast<float>(Dst->Width()) / static_cast<float>(Src->Width());
  const float sy = static_cast<float>(Dst->Height()) / static_cast<float>(Src->Height());
  const float scale = std::max(sy, sx) + ExtraScale;
  if (!std::isfinite(scale) || scale <= 0) return;
  AttachResampler<TLinearResampler>(Src)->SetPixelAccessMode(pamTransparentEdge);

  TAffineTransformation t;
  t.SetSrcRect({0, 0, static_cast<float>(Src->Width()), static_cast<float>(Src->Height())});
  t.Scale(scale);
  TFloatRect b = t.GetTransformedBounds();
  // Rounded within a range that no bitmap reaches, so the sizes stay exact
  // integers even for absurd scales.
  auto round = [](float v) { return static_cast<long long>(std::clamp(std::nearbyint(double(v)), -1e12, 1e12)); };
  long long w = round(b.Right) - round(b.Left), h = round(b.Bottom) - round(b.Top);
  if (w <= 0 || h <= 0) return;
  if (w > MaxSurfacePixels || h > MaxSurfacePixels || w * h > MaxSurfacePixels) throw EOutOfMemory("Out of memory");
  TBitmap32 scratch;
  scratch.Resize(static_cast<int>(w), static_cast<int>(h));
  TransformInto(&scratch, Src, &t);
  Dst->DrawFrom(static_cast<int>((Dst->Width() - w) / 2), static_cast<int>((Dst->Height() - h) / 2), &scratch);
}

void PlacePicture(TBitmap32* Src, TBitmap32* Dst, unsigned char Mode) {
  if (!Dst) throw EBitmapException("Destination bitmap is nil");
  if (!Src) throw EBitmapException("Source bitmap is nil");
  switch (Mode) {
    case 0: Dst->DrawFrom(0, 0, Src); break;
    case 1: TileOnto(Src, Dst, 0, 0); break;
    case 2: NineSliceOnto(Src, Dst, false); break;
    case 3: Dst->DrawFrom((Dst->Width() - Src->Width()) / 2, (Dst->Height() - Src->Height()) / 2, Src); break;
    default: break;
  }
}
