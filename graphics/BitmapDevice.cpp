// Copies between a DIB-backed bitmap and device contexts: the platform's
// block copies, which move all four bytes of each pixel and blend nothing.
#include "graphics/Bitmap32.h"

void TBitmap32::BlitToDC(HDC hDst, int X, int Y) const {
  if (Empty() || !hDst) return;
  BitBlt(hDst, X, Y, Width(), Height(), DeviceContext(), 0, 0, SRCCOPY);
}

void TBitmap32::StretchToDC(HDC hDst, const TRect& DstRect, const TRect& SrcRect) const {
  if (Empty() || !hDst) return;
  StretchBlt(hDst, DstRect.left, DstRect.top, DstRect.Width(), DstRect.Height(), DeviceContext(), SrcRect.left,
             SrcRect.top, SrcRect.Width(), SrcRect.Height(), SRCCOPY);
}

void TBitmap32::BlitFromDC(const TRect& DstRect, const TRect& SrcRect, HDC hSrc) {
  if (Empty() || !hSrc) return;
  StretchBlt(DeviceContext(), DstRect.left, DstRect.top, DstRect.Width(), DstRect.Height(), hSrc, SrcRect.left,
             SrcRect.top, SrcRect.Width(), SrcRect.Height(), SRCCOPY);
  Changed(DstRect);
}
