// The glow behind skinned text and the grey box blur it is made with.
#include <gtest/gtest.h>

#include <random>

#include "graphics/Bitmap32.h"
#include "skin/GlowText.h"

namespace {

const AnsiString kCaption = "Quelbo updater";  // 14 characters

// A canvas full of varied colours and alphas, so that any stray write shows.
void Noise(TBitmap32& b, int w, int h, unsigned seed) {
  b.Resize(w, h);
  std::mt19937 rng(seed);
  for (int i = 0; i < w * h; ++i) b.Bits()[i] = rng();
}

std::vector<TColor32> Pixels(const TBitmap32& b) { return {b.Bits(), b.Bits() + b.Width() * b.Height()}; }

// Where the text puts ink when drawn in R with the bitmap's canvas font.
std::vector<bool> Ink(TBitmap32& like, const TRect& R, const AnsiString& text, UINT flags) {
  TBitmap32 probe;
  probe.Resize(like.Width(), like.Height());
  probe.Clear(0xFFFFFFFF);
  probe.Canvas().Font()->Assign(like.Canvas().Font());
  probe.Canvas().Font()->SetColor(clBlack);
  HDC dc = probe.Canvas().Handle();
  SelectObject(dc, probe.Canvas().Font()->Handle());
  SetBkMode(dc, TRANSPARENT);
  RECT r = R;
  DrawTextA(dc, text, &r, flags);
  std::vector<bool> ink(size_t(like.Width()) * like.Height());
  for (int i = 0; i < like.Width() * like.Height(); ++i) ink[size_t(i)] = (probe.Bits()[i] & 0xFFFFFF) != 0xFFFFFF;
  return ink;
}

// The glow step of a pixel with mask value m, applied n times.
TColor32 Glowed(TColor32 c, COLORREF glow, int m, int n) {
  const int g[3] = {GetBValue(glow), GetGValue(glow), GetRValue(glow)};
  for (int k = 0; k < n; ++k) {
    TColor32 out = c & 0xFF000000u;
    for (int ch = 0; ch < 3; ++ch) {
      int v = (c >> (8 * ch)) & 0xFF;
      int product = (v - g[ch]) * m;
      int shifted = product >= 0 ? product / 256 : -((-product + 255) / 256);  // rounds towards minus infinity
      out |= TColor32(g[ch] + shifted) << (8 * ch);
    }
    c = out;
  }
  return c;
}

}  // namespace

TEST(GlowText, BlankTextOrAnEmptyRectangleDrawsNothing) {
  TBitmap32 canvas;
  Noise(canvas, 60, 20, 1);
  const std::vector<TColor32> before = Pixels(canvas);
  for (const AnsiString& text : {AnsiString(""), AnsiString("   "), AnsiString(" \t\r\n ")})
    DrawGlowText(&canvas.Canvas(), Rect(2, 2, 58, 18), text, 2, 0xFFFFFE, DT_SINGLELINE);
  DrawGlowText(&canvas.Canvas(), Rect(10, 5, 10, 15), kCaption, 1, 0xFFFFFE, 0);
  DrawGlowText(&canvas.Canvas(), Rect(10, 5, 40, 5), kCaption, 1, 0xFFFFFE, 0);
  EXPECT_EQ(Pixels(canvas), before);
}

TEST(GlowText, ZeroRadiusOnlyCopiesTheBackgroundBack) {
  TBitmap32 canvas;
  Noise(canvas, 120, 30, 2);
  const std::vector<TColor32> before = Pixels(canvas);
  DrawGlowText(&canvas.Canvas(), Rect(4, 4, 116, 26), kCaption, 0, 0x00FF00, DT_SINGLELINE | DT_VCENTER);
  EXPECT_EQ(Pixels(canvas), before);
}

TEST(GlowText, TouchesOnlyTheRectangleAndIsExactFarFromTheGlyphs) {
  const int W = 160, H = 40;
  const TRect R = Rect(12, 6, 148, 34);
  const UINT flags = DT_SINGLELINE | DT_CENTER | DT_VCENTER;
  const TColor glowColor = 0xFFFFFE;
  const int radius = 2;
  TBitmap32 canvas;
  Noise(canvas, W, H, 3);
  const std::vector<TColor32> before = Pixels(canvas);
  const std::vector<bool> ink = Ink(canvas, R, kCaption, flags);
  DrawGlowText(&canvas.Canvas(), R, kCaption, radius, glowColor, flags);

  // The mask blur reaches 2 pixels across and 3 down; beyond that the mask
  // is pure white (m = 255).
  auto nearInk = [&](int x, int y) {
    for (int dy = -3; dy <= 3; ++dy)
      for (int dx = -2; dx <= 2; ++dx) {
        int xx = x + dx, yy = y + dy;
        if (xx >= 0 && yy >= 0 && xx < W && yy < H && ink[size_t(yy * W + xx)]) return true;
      }
    return false;
  };
  int inked = 0, far = 0, moved = 0;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      TColor32 was = before[size_t(y * W + x)], now = canvas.PixelAt(x, y);
      inked += ink[size_t(y * W + x)];
      if (!R.Contains(x, y)) {
        ASSERT_EQ(now, was) << "outside at " << x << "," << y;
      } else if (!nearInk(x, y)) {
        ++far;
        ASSERT_EQ(now, Glowed(was, ColorToRGB(glowColor), 255, 2 * radius)) << "far at " << x << "," << y;
      } else {
        EXPECT_EQ(now >> 24, was >> 24);  // the alpha stays
        moved += now != Glowed(was, ColorToRGB(glowColor), 255, 2 * radius);
      }
    }
  EXPECT_GT(inked, 50);
  EXPECT_GT(far, 1000);
  EXPECT_GT(moved, 50);
}

TEST(GlowText, DenseInkPullsTheBackgroundTowardsTheGlowColour) {
  TBitmap32 canvas;
  canvas.Resize(140, 30);
  canvas.Clear(0xFF000000);
  canvas.Canvas().Font()->SetHeight(-20);
  canvas.Canvas().Font()->SetStyle(fsBold);
  DrawGlowText(&canvas.Canvas(), Rect(0, 0, 140, 30), "HHHH", 3, clWhite, DT_SINGLELINE | DT_VCENTER);
  unsigned brightest = 0;
  for (int i = 0; i < 140 * 30; ++i) brightest = std::max(brightest, RedComponent(canvas.Bits()[i]));
  // Six passes towards white with m near 85: far more than half way.
  EXPECT_GT(brightest, 200u);
}

// BlurGrey against the rule written out plainly: each pass averages 2r + 1
// neighbours of the previous pass with the ends repeated, truncating.
TEST(GlowText, BlurGreyFollowsTheBoxAverageRule) {
  const int w = 9, h = 6, r = 1, passes = 2;
  TBitmap b;
  b.SetSize(w, h);
  std::mt19937 rng(7);
  std::vector<int> ch[3];
  for (auto& c : ch) c.resize(size_t(w * h));
  Surface32 s = b.Surface();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint32_t p = rng();
      s.Row(y)[x] = p;
      for (int c = 0; c < 3; ++c) ch[c][size_t(y * w + x)] = (p >> (8 * c)) & 0xFF;
    }
  auto average = [&](std::vector<int>& v, bool across, int count) {
    for (int k = 0; k < count; ++k) {
      std::vector<int> prev = v;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          int sum = 0;
          for (int d = -r; d <= r; ++d) {
            int xx = across ? std::clamp(x + d, 0, w - 1) : x, yy = across ? y : std::clamp(y + d, 0, h - 1);
            sum += prev[size_t(yy * w + xx)];
          }
          v[size_t(y * w + x)] = sum / (2 * r + 1);
        }
    }
  };
  for (auto& c : ch) {
    average(c, true, passes);
    average(c, false, passes + 1);
  }
  BlurGrey(&b, r, passes);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      size_t i = size_t(y * w + x);
      std::uint32_t grey = std::uint32_t(ch[0][i] + ch[1][i] + ch[2][i]) / 3;
      ASSERT_EQ(s.Row(y)[x] & 0xFFFFFF, grey << 16 | grey << 8 | grey) << x << "," << y;
    }
}
