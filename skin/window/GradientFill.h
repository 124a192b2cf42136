#pragma once
// The vertical or horizontal colour ramp of the skinned form's caption band
// and background.
#include "graphics/Bitmap32.h"

// Step i of n from A towards B: each channel is A + ((B - A) * i * e) >> 24
// with e = 2^24 / n rounded, the product taken modulo 2^32 and the sum modulo
// 256. The last step stops one short of B. System colours are resolved.
TColor32 GradientStep(TColor A, TColor B, int n, int i);

// Fills R of the bitmap (clipped to it) with the ramp from A to B, one step
// per row (vertical) or column (horizontal); a side of 0 counts as 1.
void GradientFill(TCustomBitmap32& Target, TColor A, TColor B, bool Horizontal, const TRect& R);
