#pragma once
// Copies between bitmaps, combined by the source's drawing properties.
#include "graphics/Bitmap32.h"

// Unstretched: SrcRect of Src (clipped to Src) with its top-left at (DstX,
// DstY), written only inside DstClip. Raises EBitmapException for null bitmaps.
void BlockTransfer(TCustomBitmap32* Dst, int DstX, int DstY, const TRect& DstClip, TCustomBitmap32* Src,
                   TRect SrcRect);
// Stretched with Src's resampler; equal sizes fall back to the unstretched copy.
void StretchTransfer(TCustomBitmap32* Dst, TRect DstRect, const TRect& DstClip, TCustomBitmap32* Src,
                     TRect SrcRect);

// Combines N source pixels into N destination pixels by Src's draw mode,
// combine mode, master alpha, outer colour and pixel-combine handler.
void CombineRow(const TCustomBitmap32& Src, const TColor32* S, TColor32* D, int N);
// The same for one pixel; the blend mode uses the weighted in-place blend.
void CombinePixel(const TCustomBitmap32& Src, TColor32 F, TColor32& B);
