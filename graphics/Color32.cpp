#include "graphics/Color32.h"

#include "framework/paint/Gdi.h"

TColor32 ToColor32(TColor c) {
  // A system colour is resolved by its low byte; others are taken as they stand.
  COLORREF rgb = c < 0 ? GetSysColor(c & 0xFF) : static_cast<COLORREF>(c);
  return MakeColor32(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb), 255);
}
