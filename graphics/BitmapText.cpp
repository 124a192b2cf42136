// Text on bitmaps through the platform's text drawing, and smooth text with
// coverage turned into alpha.
#include <algorithm>

#include "graphics/Bitmap32.h"

namespace {

// The measuring surface of bitmaps that have no device context of their own.
TBitmap32& MeasuringBitmap() {
  static TBitmap32* b = [] {
    auto* m = new TBitmap32;
    m->Resize(8, 8);
    return m;
  }();
  return *b;
}

// White text drawn on transparent black leaves its coverage in every colour
// channel; it becomes the alpha of colour C. Untouched pixels stay 0.
void CoverageToAlpha(TCustomBitmap32& b, TColor32 C) {
  TColor32 rgb = C & 0x00FFFFFF;
  for (size_t i = 0, n = static_cast<size_t>(b.Width()) * b.Height(); i < n; ++i) {
    TColor32& p = b.Bits()[i];
    if (p != 0) p = rgb | (BlueComponent(p) << 24);
  }
}

}  // namespace

HGDIOBJ TBitmap32::PrepareText() {
  HDC dc = DeviceContext();
  HGDIOBJ old = SelectObject(dc, font_.Handle());
  SetTextColor(dc, ToWinColor(ToColor32(font_.Color())));
  SetBkMode(dc, TRANSPARENT);
  return old;
}

SIZE TBitmap32::TextSize(const AnsiString& Text) {
  SIZE sz;
  if (!DeviceContext()) {
    TBitmap32& m = MeasuringBitmap();
    if (&m == this) return sz;
    m.SetFont(font_);
    return m.TextSize(Text);
  }
  HGDIOBJ old = PrepareText();
  GetTextExtentPoint32A(DeviceContext(), Text, &sz);
  SelectObject(DeviceContext(), old);
  return sz;
}

int TBitmap32::TextWidthOf(const AnsiString& Text) { return TextSize(Text).cx; }
int TBitmap32::TextHeightOf(const AnsiString& Text) { return TextSize(Text).cy; }

void TBitmap32::TextAt(int X, int Y, const AnsiString& Text) {
  HDC dc = DeviceContext();
  if (!dc) return;
  SIZE sz;
  {
    SavedDC saved(dc);
    if (Clipping()) IntersectClipRect(dc, ClipBounds().left, ClipBounds().top, ClipBounds().right, ClipBounds().bottom);
    HGDIOBJ old = PrepareText();
    TextOutA(dc, X, Y, Text);
    GetTextExtentPoint32A(dc, Text, &sz);
    SelectObject(dc, old);
  }
  Changed(Rect(X, Y, X + sz.cx + 1, Y + sz.cy + 1));
}

void TBitmap32::TextInRect(TRect R, UINT Flags, const AnsiString& Text) {
  HDC dc = DeviceContext();
  if (!dc) return;
  HGDIOBJ old = PrepareText();
  DrawTextA(dc, Text, &R, Flags);
  SelectObject(dc, old);
  Changed(R);
}

void TBitmap32::SmoothText(int X, int Y, const AnsiString& Text, int Level, TColor32 C) {
  if (Empty()) return;
  Level = std::clamp(Level, -1, 4);
  const AnsiString measured = Text + " ";
  font_.SetQuality(Level == -1 ? TFontQuality::fqAntialiased : TFontQuality::fqNonAntialiased);
  TBitmap32 scratch;
  if (Level > 0) {
    // Drawn 2^Level times larger without smoothing; each block of the large
    // drawing averages into one pixel.
    const int k = 1 << Level;
    TBitmap32 large;
    large.SetFont(font_);
    large.Font().SetSize(font_.Size() * k);
    SIZE sz = large.TextSize(measured);
    large.Resize(sz.cx + k, sz.cy + k);
    large.Clear(0);
    large.Font().SetColor(clWhite);
    large.TextAt(0, 0, Text);
    scratch.Resize(large.Width() / k, large.Height() / k);
    TColor32 rgb = C & 0x00FFFFFF;
    for (int y = 0; y < scratch.Height(); ++y)
      for (int x = 0; x < scratch.Width(); ++x) {
        unsigned sum = 0;
        for (int j = 0; j < k; ++j)
          for (int i = 0; i < k; ++i) sum += BlueComponent(large.PixelAt(x * k + i, y * k + j));
        scratch.PixelAt(x, y) = rgb | ((sum >> (2 * Level)) << 24);
      }
  } else {
    SIZE sz = TextSize(measured);
    scratch.SetFont(font_);
    scratch.Resize(std::min<int>(sz.cx, Width()), std::min<int>(sz.cy, Height()));
    scratch.Clear(0);
    scratch.Font().SetColor(clWhite);
    scratch.TextAt(0, 0, Text);
    CoverageToAlpha(scratch, C);
  }
  scratch.SetDrawMode(dmBlend);
  scratch.SetMasterAlpha(AlphaComponent(C));
  scratch.DrawOnto(this, X, Y);
  font_.SetQuality(TFontQuality::fqDefault);
}

void TBitmap32::SmoothTextInRect(TRect R, UINT Flags, TColor32 C, const AnsiString& Text) {
  if (Empty() || R.IsEmpty()) return;
  const long long w = static_cast<long long>(R.right) - R.left, h = static_cast<long long>(R.bottom) - R.top;
  if (w > MaxSurfacePixels || h > MaxSurfacePixels || w * h > MaxSurfacePixels) throw EOutOfMemory("Out of memory");
  TBitmap32 scratch;
  scratch.SetFont(font_);
  scratch.Font().SetQuality(TFontQuality::fqNonAntialiased);
  scratch.Font().SetColor(clWhite);
  scratch.Resize(static_cast<int>(w), static_cast<int>(h));
  scratch.Clear(0);
  scratch.TextInRect(Rect(0, 0, static_cast<int>(w), static_cast<int>(h)), Flags, Text);
  CoverageToAlpha(scratch, C);
  scratch.SetDrawMode(dmBlend);
  scratch.SetCombineMode(CombineMode());
  scratch.DrawOnto(this, R.left, R.top);
}
