#pragma once
// Picture routines: colour shifts, edge fade and the ways a
// picture is laid onto a larger bitmap.
#include "graphics/Bitmap32.h"

// Hue (degrees), saturation and brightness (percent) shift of a Windows
// colour $00BBGGRR; system colours are not resolved.
TColor ShiftColor(TColor Color, int HueShift, int SaturationShift, int BrightnessShift);

// Integer colour-space conversions; hue in 1/256 turns, S and L bytes.
struct THsl {
  int H = 0, S = 0, L = 0;
  friend bool operator==(const THsl&, const THsl&) = default;
};
THsl ColorToHSL(TColor32 C);
TColor32 HSLToColor(int H, int S, int L, int A);
// Every pixel shifted through ColorToHSL/HSLToColor and made opaque; sends
// no change notification.
void ShiftBitmapColors(TCustomBitmap32* Bitmap, int HueShift, int SaturationShift, int LightnessShift);

// The fade width of FadeEdges.
constexpr int FadeWidth = 100;
// Fades the picture's right and bottom bands, Width pixels wide, into its
// average colour, which is returned as a Windows colour. The picture is taken
// as 24 bits per pixel and comes back opaque.
void FadeEdges(TCustomBitmap32* Picture, TColor& AverageColor, int Width = FadeWidth);

// Src repeated over Dst from (OffsetX, OffsetY), under one update of Dst.
void TileOnto(TCustomBitmap32* Src, TCustomBitmap32* Dst, int OffsetX, int OffsetY);
// Src stretched over the whole of Dst with its border pieces kept; the
// device route copies the pieces with the platform's stretching block copy.
void NineSliceOnto(TBitmap32* Src, TBitmap32* Dst, bool DeviceRoute);
// Src scaled uniformly (bilinear, transparent edges) to cover Dst, centred.
// Src keeps the linear resampler it is given.
void ScaleToCover(TCustomBitmap32* Src, TCustomBitmap32* Dst, float ExtraScale);
// 0: at (0, 0); 1: tiled; 2: nine-slice; 3: centred; other values: nothing.
void PlacePicture(TBitmap32* Src, TBitmap32* Dst, unsigned char Mode);
