#include "skin/window/LayeredUpdate.h"

BOOL UpdateLayeredFromBitmap(HWND Window, const TBitmap32& Bitmap, POINT ScreenPos, BYTE ConstantAlpha) {
  TBitmap32 premultiplied;
  premultiplied.Resize(Bitmap.Width(), Bitmap.Height());
  const TColor32* src = Bitmap.Bits();
  TColor32* dst = premultiplied.Bits();
  const size_t n = static_cast<size_t>(Bitmap.Width()) * static_cast<size_t>(Bitmap.Height());
  for (size_t i = 0; i < n; ++i) {
    const unsigned a = AlphaComponent(src[i]);
    auto ch = [&](unsigned c) { return (c * a + 127) / 255; };
    dst[i] = (a << 24) | (ch(RedComponent(src[i])) << 16) | (ch(GreenComponent(src[i])) << 8) |
             ch(BlueComponent(src[i]));
  }
  SIZE size{Bitmap.Width(), Bitmap.Height()};
  POINT origin{0, 0};
  BLENDFUNCTION blend;
  blend.BlendOp = AC_SRC_OVER;
  blend.SourceConstantAlpha = ConstantAlpha;
  blend.AlphaFormat = AC_SRC_ALPHA;
  return UpdateLayeredWindow(Window, nullptr, &ScreenPos, &size, premultiplied.DeviceContext(), &origin, 0, &blend,
                             ULW_ALPHA);
}
