#include "graphics/Color32.h"

#include "framework/Gdi.h"

TColor32 ToColor32(TColor c) {
  COLORREF rgb = c < 0 ? GetSysColor(c & 0xFF) : static_cast<COLORREF>(c);
  return MakeColor32(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb), 255);
}
