#include "skin/GlowText.h"

#include <algorithm>
#include <vector>

namespace {

bool IsBlank(const AnsiString& s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) > 32) return false;
  return true;
}

// The box blur works on one plane of ints per colour channel. Sums are
// divided through a table: the truncated quotient of every possible sum.
struct BoxBlur {
  int w, h, r;
  std::vector<int> quotient, line;

  BoxBlur(int w_, int h_, int r_) : w(w_), h(h_), r(r_), quotient(size_t(255 * (2 * r_ + 1) + 1)) {
    for (size_t s = 0; s < quotient.size(); ++s) quotient[s] = int(s) / (2 * r + 1);
  }

  // Each row against the row as it was before this pass; the ends repeat.
  void Across(int* plane) {
    line.resize(size_t(w + 2 * r + 1));
    for (int y = 0; y < h; ++y) {
      int* row = plane + ptrdiff_t(y) * w;
      for (int i = 0; i < w + 2 * r + 1; ++i) line[size_t(i)] = row[std::clamp(i - r, 0, w - 1)];
      int sum = 0;
      for (int k = 0; k < 2 * r + 1; ++k) sum += line[size_t(k)];
      for (int x = 0; x < w; ++x) {
        row[x] = quotient[size_t(sum)];
        sum += line[size_t(x + 2 * r + 1)] - line[size_t(x)];
      }
    }
  }

  // Each column the same way, walked row by row with one sum per column.
  void Down(int* plane) {
    std::vector<int> before(plane, plane + ptrdiff_t(w) * h), sums(size_t(w), 0);
    auto row = [&](int y) { return before.data() + ptrdiff_t(std::clamp(y, 0, h - 1)) * w; };
    for (int k = -r; k <= r; ++k)
      for (int x = 0; x < w; ++x) sums[size_t(x)] += row(k)[x];
    for (int y = 0; y < h; ++y) {
      int* out = plane + ptrdiff_t(y) * w;
      const int *enter = row(y + r + 1), *leave = row(y - r);
      for (int x = 0; x < w; ++x) {
        out[x] = quotient[size_t(sums[size_t(x)])];
        sums[size_t(x)] += enter[x] - leave[x];
      }
    }
  }
};

}  // namespace

void BlurGrey(TBitmap* Bitmap, int Radius, int Passes) {
  Surface32 s = Bitmap ? Bitmap->Surface() : Surface32{};
  if (Radius <= 0 || !s.bits) return;
  const size_t n = size_t(s.width) * s.height;
  std::vector<int> planes(3 * n);
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) {
      const std::uint32_t p = s.Row(y)[x];
      const size_t i = size_t(y) * s.width + x;
      for (int c = 0; c < 3; ++c) planes[c * n + i] = int((p >> (8 * c)) & 0xFF);
    }
  BoxBlur blur(s.width, s.height, Radius);
  for (int c = 0; c < 3; ++c) {
    for (int pass = 0; pass < Passes; ++pass) blur.Across(&planes[c * n]);
    for (int pass = 0; pass < Passes + 1; ++pass) blur.Down(&planes[c * n]);
  }
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) {
      const size_t i = size_t(y) * s.width + x;
      const std::uint32_t g = std::uint32_t(planes[i] + planes[n + i] + planes[2 * n + i]) / 3;
      std::uint32_t& p = s.Row(y)[x];
      p = (p & 0xFF000000u) | g << 16 | g << 8 | g;
    }
}

void DrawGlowText(TCanvas* Canvas, const TRect& R, const AnsiString& Text, int BlurRadius, TColor GlowColor,
                  UINT Flags) {
  if (!Canvas || IsBlank(Text) || R.IsEmpty()) return;
  const int w = R.Width(), h = R.Height();
  HDC dc = Canvas->Handle();

  TBitmap background, mask;
  background.SetSize(w, h);
  mask.SetSize(w, h);
  if (!background.Surface().bits || !mask.Surface().bits) return;  // no memory for so large a rectangle
  BitBlt(background.Canvas()->Handle(), 0, 0, w, h, dc, R.left, R.top, SRCCOPY);

  // The text in red on white: after the blur its red channel says how near
  // each pixel is to ink (255 far away, about 85 inside dense strokes).
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
