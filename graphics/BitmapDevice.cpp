// Copies between a DIB-backed bitmap and device contexts: the platform's
// block copies, which move all four bytes of each pixel and blend nothing.
#include <algorithm>

#include "graphics/Bitmap32.h"

namespace {
// A rectangle's extent, kept inside the integer range for any corners.
int Extent(int from, int to) {
  return static_cast<int>(std::clamp<long long>(static_cast<long long>(to) - from, INT32_MIN, INT32_MAX));
}
}  // namespace

void TBitmap32::BlitToDC(HDC hDst, int X, int Y) const {
  if (Empty() || !hDst) return;
  BitBlt(hDst, X, Y, Width(), Height(), DeviceContext(), 0, 0, SRCCOPY);
}

void TBitmap32::StretchToDC(HDC hDst, const TRect& DstRect, const TRect& SrcRect) const {
  if (Empty() || !hDst) return;
  StretchBlt(hDst, DstRect.left, DstRect.top, Extent(DstRect.left, DstRect.right), Extent(DstRect.top, DstRect.bottom),
             DeviceContext(), SrcRect.left, SrcRect.top, Extent(SrcRect.left, SrcRect.right),
             Extent(SrcRect.top, SrcRect.bottom), SRCCOPY);
}

void TBitmap32::BlitFromDC(const TRect& DstRect, const TRect& SrcRect, HDC hSrc) {
  if (Empty() || !hSrc) return;
  StretchBlt(DeviceContext(), DstRect.left, DstRect.top, Extent(DstRect.left, DstRect.right),
             Extent(DstRect.top, DstRect.bottom), hSrc, SrcRect.left, SrcRect.top, Extent(SrcRect.left, SrcRect.right),
             Extent(SrcRect.top, SrcRect.bottom), SRCCOPY);
  Changed(DstRect);
}
