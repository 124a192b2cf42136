#include "framework/paint/GdiInternal.h"

BOOL FillRgn(HDC hdc, HRGN rgn, HBRUSH br) {
  if (!IsValidDC(hdc) || !rgn || !br) return 0;
  for (const RECT& r : rgn->rgn.Rects()) FillRect(hdc, r, br);
  return 1;
}
