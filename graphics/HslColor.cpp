// Integer HSL conversions (hue in 1/256 turns) and the bitmap colour shift.
#include <algorithm>

#include "graphics/PictureFilters.h"

THsl ColorToHSL(TColor32 C) {
  const int R = static_cast<int>(RedComponent(C)), G = static_cast<int>(GreenComponent(C)),
            B = static_cast<int>(BlueComponent(C));
  const int mx = std::max({R, G, B}), mn = std::min({R, G, B});
  THsl r;
  r.L = (mx + mn) >> 1;
  if (mx == mn) return r;
  const int d = (mx - mn) * 255;
  r.S = r.L <= 127 ? d / (mx + mn) : d / (510 - mx - mn);
  const int d6 = d * 6;
  int h = R == mx ? ((G - B) * 65025) / d6 : G == mx ? ((B - R) * 65025) / d6 + 85 : ((R - G) * 65025) / d6 + 170;
  if (h < 0) h += 510;
  r.H = h & 0xFF;
  return r;
}

TColor32 HSLToColor(int H, int S, int L, int A) {
  auto div255 = [](int x) { return static_cast<int>((static_cast<unsigned>(x) * 32897u) >> 23); };
  const int v = L <= 127 ? ((S + 256) * L) >> 8 : L + S - div255(L * S);
  if (v <= 0) return 0xFF000000;
  const int m = 2 * L - v, h6 = H * 6;
  const int vsf = ((v - m) * (h6 & 255)) >> 8;
  const int m1 = m + vsf, m2 = v - vsf;
  int r, g, b;
  switch (h6 >> 8) {
    case 0: r = v, g = m1, b = m; break;
    case 1: r = m2, g = v, b = m; break;
    case 2: r = m, g = v, b = m1; break;
    case 3: r = m, g = m2, b = v; break;
    case 4: r = m1, g = m, b = v; break;
    default: r = v, g = m, b = m2; break;
  }
  return MakeColor32(static_cast<unsigned>(r) & 0xFF, static_cast<unsigned>(g) & 0xFF, static_cast<unsigned>(b) & 0xFF,
                     static_cast<unsigned>(A) & 0xFF);
}

void ShiftBitmapColors(TCustomBitmap32* Bitmap, int HueShift, int SaturationShift, int LightnessShift) {
  if (!Bitmap || Bitmap->Empty()) return;
  TColor32* p = Bitmap->Bits();
  for (size_t i = 0, n = static_cast<size_t>(Bitmap->Width()) * Bitmap->Height(); i < n; ++i) {
    THsl c = ColorToHSL(p[i] | 0xFF000000);
    int h = ((c.H + HueShift) % 256 + 256) % 256;
    int s = SaturationShift > 0 ? c.S + SaturationShift : c.S + (c.S * SaturationShift) / 100;
    int l = c.L + LightnessShift;
    p[i] = HSLToColor(h, std::clamp(s, 0, 255), std::clamp(l, 0, 255), 255);
  }
}
