#pragma once
// Hands a composed bitmap to a layered window: its pixels become the
// window's, with per-pixel alpha, at the given screen position.
#include "framework/windows/Windows.h"
#include "graphics/Bitmap32.h"

// The layered update takes premultiplied pixels; a skin bitmap holds
// straight alpha, so a copy is premultiplied first (for opaque and black
// pixels this changes nothing). ConstantAlpha scales the whole window.
BOOL UpdateLayeredFromBitmap(HWND Window, const TBitmap32& Bitmap, POINT ScreenPos, BYTE ConstantAlpha);
