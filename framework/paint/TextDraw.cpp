// DrawText: laid-out lines placed in a rectangle by the alignment flags.
#include <algorithm>

#include "framework/paint/GdiPaint.h"
#include "framework/paint/TextPaint.h"
#include "platform/CodePage.h"

int DrawTextW(HDC hdc, const WideString& s, RECT* r, UINT flags) {
  if (!IsValidDC(hdc) || !r) return 0;
  // An empty text draws nothing and leaves the rectangle as it is.
  if (s.empty()) return 0;
  FontFace& face = gdi::FaceOf(*hdc);
  const int lineHeight = face.Metrics().tmHeight;
  TextMeasure m = gdi::MeasureOf(face, (flags & DT_EXPANDTABS) != 0);
  std::vector<TextRun> lines = LayoutText(Utf16ToUtf32(s), flags, r->right - r->left, m);
  const int total = lineHeight * static_cast<int>(lines.size());

  if (flags & DT_CALCRECT) {
    // The rectangle keeps its top-left corner and takes the text's extent;
    // alignment does not move it.
    int widest = 0;
    for (const TextRun& l : lines) widest = std::max(widest, m.Width(l.chars));
    r->right = r->left + widest;
    r->bottom = r->top + total;
    return total;
  }

  int y = r->top;
  if (flags & DT_SINGLELINE) {
    if (flags & DT_VCENTER) y = (r->top + r->bottom - lineHeight) / 2;
    else if (flags & DT_BOTTOM) y = r->bottom - lineHeight;
  }
  std::vector<RECT> clip = (flags & DT_NOCLIP) ? gdi::ClipRects(*hdc) : gdi::ClipRects(*hdc, gdi::ToSurface(*hdc, *r));
  for (const TextRun& l : lines) {
    int width = m.Width(l.chars), x = r->left;
    if (flags & DT_CENTER) x = (r->left + r->right - width) / 2;
    else if (flags & DT_RIGHT) x = r->right - width;
    gdi::PaintLine(*hdc, face, m, l, x, y, clip);
    y += lineHeight;
  }
  // The height drawn; placed lower by DT_VCENTER or DT_BOTTOM, the distance
  // from the rectangle's top to the text's bottom.
  return y - r->top;
}

int DrawTextA(HDC hdc, const AnsiString& s, RECT* r, UINT flags) {
  return DrawTextW(hdc, platform::Cp936ToUtf16(s), r, flags);
}
