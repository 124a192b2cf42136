// The unstretched copy and the row combiner shared by every copy.
#include <algorithm>
#include <cstring>
#include <vector>

#include "graphics/Blend32.h"
#include "graphics/Transfers32.h"

void CombineRow(const TCustomBitmap32& Src, const TColor32* S, TColor32* D, int N) {
  if (N <= 0) return;
  switch (Src.DrawMode()) {
    case dmBlend: {
      bool merge = Src.CombineMode() == cmMerge;
      if (Src.MasterAlpha() >= 255)
        (merge ? MergeRowOver : BlendRowOver)(S, D, N);
      else
        (merge ? MergeRowOverWeighted : BlendRowOverWeighted)(S, D, N, Src.MasterAlpha());
      return;
    }
    case dmTransparent: {
      TColor32 key = Src.OuterColor();
      for (int i = 0; i < N; ++i)
        if (S[i] != key) D[i] = S[i];
      return;
    }
    case dmCustom:
      if (Src.OnPixelCombine) {
        for (int i = 0; i < N; ++i) Src.OnPixelCombine(S[i], D[i], Src.MasterAlpha());
        return;
      }
      [[fallthrough]];
    case dmOpaque:
      std::memmove(D, S, static_cast<size_t>(N) * sizeof(TColor32));
      return;
  }
}

void CombinePixel(const TCustomBitmap32& Src, TColor32 F, TColor32& B) {
  switch (Src.DrawMode()) {
    case dmBlend:
      (Src.CombineMode() == cmMerge ? MergeOverWeightedInPlace : BlendOverWeightedInPlace)(F, B, Src.MasterAlpha());
      return;
    case dmTransparent:
      if (F != Src.OuterColor()) B = F;
      return;
    case dmCustom:
      if (Src.OnPixelCombine) {
        Src.OnPixelCombine(F, B, Src.MasterAlpha());
        return;
      }
      [[fallthrough]];
    case dmOpaque:
      B = F;
      return;
  }
}

void BlockTransfer(TCustomBitmap32* Dst, int DstX, int DstY, const TRect& DstClip, TCustomBitmap32* Src,
                   TRect SrcRect) {
  if (!Dst) throw EBitmapException("Destination bitmap is nil");
  if (!Src) throw EBitmapException("Source bitmap is nil");
  if (Dst->Empty() || Src->Empty()) return;
  if (Src->DrawMode() == dmBlend && Src->MasterAlpha() == 0) return;

  SrcRect = IntersectRect(SrcRect, Src->BoundsRect());
  if (SrcRect.IsEmpty()) return;
  // Placed with 64-bit sums: a far-off position must clip away, not wrap round.
  long long l = DstX, t = DstY;
  long long r = l + SrcRect.Width(), b = t + SrcRect.Height();
  TRect clip = IntersectRect(DstClip, Dst->BoundsRect());
  long long cl = std::max<long long>(l, clip.left), ct = std::max<long long>(t, clip.top);
  long long cr = std::min<long long>(r, clip.right), cb = std::min<long long>(b, clip.bottom);
  if (cl >= cr || ct >= cb) return;
  TRect dst{static_cast<int>(cl), static_cast<int>(ct), static_cast<int>(cr), static_cast<int>(cb)};
  int sx = SrcRect.left + static_cast<int>(cl - l), sy = SrcRect.top + static_cast<int>(ct - t);

  // A bitmap drawn onto itself takes its rows in an order that reads every
  // source row before it is written, and each from a copy, so overlapping
  // pixels of one row are read before they change.
  bool self = Src == Dst;
  bool bottomUp = self && dst.top > sy;
  std::vector<TColor32> rowCopy(self ? static_cast<size_t>(dst.Width()) : 0);
  for (int k = 0; k < dst.Height(); ++k) {
    int i = bottomUp ? dst.Height() - 1 - k : k;
    const TColor32* s = Src->ScanLine(sy + i) + sx;
    if (self) {
      std::copy_n(s, dst.Width(), rowCopy.data());
      s = rowCopy.data();
    }
    CombineRow(*Src, s, Dst->ScanLine(dst.top + i) + dst.left, dst.Width());
  }
  Dst->Changed(dst);
}

// ---- The bitmap's copy operations

void TCustomBitmap32::DrawFrom(int X, int Y, TCustomBitmap32* Src) {
  if (!Src) throw EBitmapException("Source bitmap is nil");
  BlockTransfer(this, X, Y, clipRect_, Src, Src->BoundsRect());
}

void TCustomBitmap32::DrawFrom(int X, int Y, const TRect& SrcRect, TCustomBitmap32* Src) {
  BlockTransfer(this, X, Y, clipRect_, Src, SrcRect);
}

void TCustomBitmap32::DrawFrom(const TRect& DstRect, const TRect& SrcRect, TCustomBitmap32* Src) {
  StretchTransfer(this, DstRect, clipRect_, Src, SrcRect);
}

void TCustomBitmap32::DrawOnto(TCustomBitmap32* Dst, int X, int Y) {
  if (!Dst) throw EBitmapException("Destination bitmap is nil");
  BlockTransfer(Dst, X, Y, Dst->ClipBounds(), this, BoundsRect());
}

void TCustomBitmap32::DrawOnto(TCustomBitmap32* Dst, const TRect& DstRect) {
  if (!Dst) throw EBitmapException("Destination bitmap is nil");
  StretchTransfer(Dst, DstRect, Dst->ClipBounds(), this, BoundsRect());
}

void TCustomBitmap32::DrawOnto(TCustomBitmap32* Dst, const TRect& DstRect, const TRect& SrcRect) {
  if (!Dst) throw EBitmapException("Destination bitmap is nil");
  StretchTransfer(Dst, DstRect, Dst->ClipBounds(), this, SrcRect);
}
