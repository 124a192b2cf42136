#include "skin/GlowText.h"

#include <vector>

namespace {

bool IsBlank(const AnsiString& s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) > 32) return false;
  return true;
}

// One pass of the running-sum box average along a line of n pixels that
// lie step pixels apart; positions beyond the ends repeat the end pixels.
void BoxPass(std::uint32_t* first, int n, std::ptrdiff_t step, int r, std::vector<int>& line) {
  line.resize(static_cast<size_t>(n) * 3);
  for (int i = 0; i < n; ++i) {
    std::uint32_t p = first[i * step];
    line[i * 3] = p & 0xFF, line[i * 3 + 1] = (p >> 8) & 0xFF, line[i * 3 + 2] = (p >> 16) & 0xFF;
  }
  auto at = [&](int i, int c) { return line[static_cast<size_t>(i < 0 ? 0 : i >= n ? n - 1 : i) * 3 + c]; };
  const int span = 2 * r + 1;
  int sum[3];
  for (int c = 0; c < 3; ++c) {
    sum[c] = 0;
    for (int k = -r; k <= r; ++k) sum[c] += at(k, c);
  }
  for (int i = 0; i < n; ++i) {
    std::uint32_t& p = first[i * step];
    p = (p & 0xFF000000u) | std::uint32_t(sum[2] / span) << 16 | std::uint32_t(sum[1] / span) << 8 |
        std::uint32_t(sum[0] / span);
    for (int c = 0; c < 3; ++c) sum[c] += at(i + r + 1, c) - at(i - r, c);
  }
}

}  // namespace

void BlurGrey(TBitmap* Bitmap, int Radius, int Passes) {
  Surface32 s = Bitmap ? Bitmap->Surface() : Surface32{};
  if (Radius <= 0 || !s.bits) return;
  std::vector<int> line;
  for (int y = 0; y < s.height; ++y)
    for (int pass = 0; pass < Passes; ++pass) BoxPass(s.Row(y), s.width, 1, Radius, line);
  for (int x = 0; x < s.width; ++x)
    for (int pass = 0; pass < Passes + 1; ++pass) BoxPass(s.bits + x, s.height, s.stride, Radius, line);
  for (int y = 0; y < s.height; ++y) {
    std::uint32_t* row = s.Row(y);
    for (int x = 0; x < s.width; ++x) {
      std::uint32_t p = row[x];
      std::uint32_t g = ((p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF)) / 3;
      row[x] = (p & 0xFF000000u) | g << 16 | g << 8 | g;
    }
  }
}

void DrawGlowText(TCanvas* Canvas, const TRect& R, const AnsiString& Text, int BlurRadius, TColor GlowColor,
                  UINT Flags) {
  if (!Canvas || IsBlank(Text) || R.IsEmpty()) return;
  const int w = R.Width(), h = R.Height();
  HDC dc = Canvas->Handle();

  TBitmap background;
  background.SetSize(w, h);
  BitBlt(background.Canvas()->Handle(), 0, 0, w, h, dc, R.left, R.top, SRCCOPY);

  // The text in red on white: after the blur its red channel says how near
  // each pixel is to ink (255 far away, about 85 inside dense strokes).
  TBitmap mask;
  mask.SetSize(w, h);
  HDC mdc = mask.Canvas()->Handle();
  PatBlt(mdc, 0, 0, w, h, WHITENESS);
  HGDIOBJ oldFont = SelectObject(mdc, Canvas->Font()->Handle());
  SetTextColor(mdc, RGB(255, 0, 0));
  SetBkMode(mdc, TRANSPARENT);
  RECT textRect{0, 0, w, h};
  DrawTextA(mdc, Text, &textRect, Flags);
  SelectObject(mdc, oldFont);
  BlurGrey(&mask, 1, 2);

  const COLORREF glow = ColorToRGB(GlowColor);
  const int g[3] = {GetBValue(glow), GetGValue(glow), GetRValue(glow)};
  const Surface32 a = background.Surface(), m = mask.Surface();
  for (int pass = 0; pass < 2 * BlurRadius; ++pass)
    for (int y = 0; y < h; ++y) {
      std::uint32_t* row = a.Row(y);
      const std::uint32_t* weights = m.Row(y);
      for (int x = 0; x < w; ++x) {
        const int weight = (weights[x] >> 16) & 0xFF;
        std::uint32_t p = row[x], out = p & 0xFF000000u;
        for (int c = 0; c < 3; ++c) {
          const int v = (p >> (8 * c)) & 0xFF;
          out |= std::uint32_t(g[c] + (((v - g[c]) * weight) >> 8)) << (8 * c);
        }
        row[x] = out;
      }
    }
  BitBlt(dc, R.left, R.top, w, h, background.Canvas()->Handle(), 0, 0, SRCCOPY);
}

int DrawTextAuto(HDC DC, const WideString& Text, RECT& R, UINT Flags) { return DrawTextW(DC, Text, &R, Flags); }

int MeasureTextWidth(HDC DC, const WideString& Text) {
  RECT r{0, 0, 0, 0};
  DrawTextAuto(DC, Text, r, DT_CALCRECT);
  return r.Width();
}

int MeasureTextHeight(HDC DC, const WideString& Text) {
  RECT r{0, 0, 0, 0};
  DrawTextAuto(DC, Text, r, DT_CALCRECT);
  return r.Height();
}
