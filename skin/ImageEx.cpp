#include "skin/ImageEx.h"

#include "framework/paint/Gdi.h"

TColor32 BlendPngPixel(TColor32 Src, TColor32 Dst) {
  const unsigned a = Src >> 24;
  TColor32 out = Dst & 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) {
    const unsigned s = (Src >> shift) & 0xFF, d = (Dst >> shift) & 0xFF;
    out |= ((a * s + (255 - a) * d + 255) >> 8) << shift;
  }
  return out;
}

void TPngGraphic::Draw(TCanvas* canvas, const RECT& r) {
  // Scaled drawing is not the logo's case; the decoded picture's own blend
  // serves it.
  if (r.Width() != Width() || r.Height() != Height()) {
    TPngImage::Draw(canvas, r);
    return;
  }
  if (Empty() || !canvas || !canvas->Handle()) return;
  // The pixels under the picture are read, blended in memory and copied
  // back; the device context's origin and clipping decide where.
  HDC dc = canvas->Handle();
  const int w = Width(), h = Height();
  TBitmap patch;
  patch.SetSize(w, h);
  HDC mem = patch.Canvas()->Handle();
  BitBlt(mem, 0, 0, w, h, dc, r.left, r.top, SRCCOPY);
  const Surface32 s = patch.Surface();
  for (int y = 0; y < h; ++y) {
    const TColor32* src = Pixels().data() + static_cast<size_t>(y) * w;
    TColor32* row = s.Row(y);
    for (int x = 0; x < w; ++x) row[x] = BlendPngPixel(src[x], row[x]);
  }
  BitBlt(dc, r.left, r.top, w, h, mem, 0, 0, SRCCOPY);
}

void RegisterPngGraphicClasses() {
  TPicture::RegisterGraphicClass("TPngGraphic", [] { return std::make_unique<TPngGraphic>(); });
  TPicture::RegisterGraphicClass("TPngImage", [] { return std::make_unique<TPngImage>(); });
}

TImageEx::TImageEx(TComponent* AOwner) : TImage(AOwner) { RegisterPngGraphicClasses(); }
