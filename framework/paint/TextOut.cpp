// Font objects, text metrics and extents, and TextOut.
#include "framework/paint/GdiPaint.h"
#include "framework/paint/TextPaint.h"
#include "platform/CodePage.h"

HFONT CreateFontIndirect(const LOGFONT& lf) {
  auto* f = new FontObject;
  f->lf = lf;
  return f;
}

BOOL GetFontLogFont(HFONT f, LOGFONT* lf) {
  if (!f || !lf) return 0;
  *lf = f->lf;
  return 1;
}

BOOL GetTextMetrics(HDC hdc, TEXTMETRIC* tm) {
  if (!IsValidDC(hdc) || !tm) return 0;
  *tm = gdi::FaceOf(*hdc).Metrics();
  return 1;
}

BOOL GetTextExtentPoint32W(HDC hdc, const WideString& s, SIZE* sz) {
  if (!IsValidDC(hdc) || !sz) return 0;
  FontFace& face = gdi::FaceOf(*hdc);
  sz->cx = gdi::MeasureOf(face, false).Width(Utf16ToUtf32(s));
  sz->cy = face.Metrics().tmHeight;
  return 1;
}

BOOL GetTextExtentPoint32A(HDC hdc, const AnsiString& s, SIZE* sz) {
  return GetTextExtentPoint32W(hdc, platform::Cp936ToUtf16(s), sz);
}

BOOL TextOutW(HDC hdc, int x, int y, const WideString& s) {
  if (!IsValidDC(hdc)) return 0;
  FontFace& face = gdi::FaceOf(*hdc);
  gdi::PaintLine(*hdc, face, gdi::MeasureOf(face, false), TextRun::Plain(Utf16ToUtf32(s)), x, y, gdi::ClipRects(*hdc));
  return 1;
}

BOOL TextOutA(HDC hdc, int x, int y, const AnsiString& s) { return TextOutW(hdc, x, y, platform::Cp936ToUtf16(s)); }
