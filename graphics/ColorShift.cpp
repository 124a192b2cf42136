// The hue, saturation and brightness shift of one Windows colour (degrees
// and percent), in integer steps that truncate towards zero.
#include <algorithm>

#include "graphics/PictureFilters.h"

namespace {

int Limit(int v) { return std::clamp(v, 0, 255); }

void Brighten(int b, int (&c)[3]) {
  for (int& v : c) {
    if (b > 0)
      v += (b * (255 - v)) / 255;
    else if (b < 0)
      v += (b * v) / 255;
    v = Limit(v);
  }
}

void ShiftHueAndSaturation(int s, int hueShift, int (&c)[3]) {
  const int R = c[0], G = c[1], B = c[2];
  int sorted[3] = {R, G, B};
  std::sort(sorted, sorted + 3);
  const int X = sorted[2], Z = sorted[0];
  int Y = sorted[1];
  const int D = X - Z;
  if (D == 0) return;  // greys keep their hue and saturation
  const int sum = X + Z, lc = sum >> 1;
  const int sc = lc < 128 ? (D * 255) / sum : (D * 255) / (510 - sum);

  int r = R, g = G, b = B;
  if (hueShift != 0) {
    int h = R == X ? ((G - B) * 60) / D : G == X ? ((B - R) * 60) / D + 120 : ((R - G) * 60) / D + 240;
    h += hueShift;
    if (h < 0)
      h += 360;
    else if (h > 360)
      h -= 360;
    int sector = h / 60, f = h % 60;
    if (sector % 2) f = 60 - f;
    int e = (f * 255 + 30) / 60;
    Y = e - ((e - 128) * (255 - sc)) / 255;
    int k = lc - 128;
    if (k > 0)
      Y += ((255 - Y) * k + 64) / 128;
    else if (k < 0)
      Y += (Y * k) / 128;
    Y = Limit(Y);
    switch (sector) {
      case 0: case 6: r = X, g = Y, b = Z; break;
      case 1: r = Y, g = X, b = Z; break;
      case 2: r = Z, g = X, b = Y; break;
      case 3: r = Z, g = Y, b = X; break;
      case 4: r = Y, g = Z, b = X; break;
      case 5: r = X, g = Z, b = Y; break;
      default: break;  // a hue shift beyond one turn leaves the colour's hue
    }
  }
  if (s != 0) {
    if (s > 0) {
      int d = s + sc >= 255 ? sc : 255 - s;
      // A saturation of 0 (possible for very dark near-greys) would divide
      // by zero; the smallest divisor gives the strongest boost instead.
      s = 65025 / std::max(d, 1) - 255;
    }
    for (int* v : {&r, &g, &b}) *v = Limit(*v + ((*v - lc) * s) / 255);
  }
  c[0] = r, c[1] = g, c[2] = b;
}

}  // namespace

TColor ShiftColor(TColor Color, int HueShift, int SaturationShift, int BrightnessShift) {
  const int s = (SaturationShift * 255) / 100, b = (BrightnessShift * 255) / 100;
  int c[3] = {Color & 0xFF, (Color >> 8) & 0xFF, (Color >> 16) & 0xFF};
  if (s > 0 && b != 0) Brighten(b, c);
  ShiftHueAndSaturation(s, HueShift, c);
  if (s <= 0 && b != 0) Brighten(b, c);
  return c[0] + c[1] * 256 + c[2] * 65536;
}
