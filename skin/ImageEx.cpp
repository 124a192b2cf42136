#include "skin/ImageEx.h"

#include "framework/Gdi.h"

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
  HDC dc = canvas->Handle();
  const Surface32 s = GetDCSurface(dc);
  if (!s.bits) return;
  POINT org;
  GetViewportOrgEx(dc, &org);
  RECT clip;
  GetClipBox(dc, &clip);
  const RECT dst = IntersectRect(OffsetRect(IntersectRect(r, clip), org.x, org.y), Rect(0, 0, s.width, s.height));
  for (int y = dst.top; y < dst.bottom; ++y) {
    const TColor32* src = Pixels().data() + static_cast<size_t>(y - org.y - r.top) * Width();
    TColor32* row = s.Row(y);
    for (int x = dst.left; x < dst.right; ++x) row[x] = BlendPngPixel(src[x - org.x - r.left], row[x]);
  }
}

void RegisterPngGraphicClasses() {
  TPicture::RegisterGraphicClass("TPngGraphic", [] { return std::make_unique<TPngGraphic>(); });
  TPicture::RegisterGraphicClass("TPngImage", [] { return std::make_unique<TPngImage>(); });
}

TImageEx::TImageEx(TComponent* AOwner) : TImage(AOwner) { RegisterPngGraphicClasses(); }
