#pragma once
// The picture control of the logo, and the PNG graphic class that stored
// pictures name "TPngGraphic".
#include "framework/controls/ExtCtrls.h"
#include "graphics/Picture.h"

// A PNG drawn by its transparency. At its natural size every pixel is
// blended onto what lies beneath as (a x src + (255 - a) x dst + 255) >> 8
// per colour channel, with a the pixel's alpha: opaque pixels are copied,
// fully transparent ones leave the background.
class TPngGraphic : public TPngImage {
 public:
  void Draw(TCanvas* canvas, const RECT& r) override;
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TPngGraphic>(*this); }
};

// The blend of one pixel of a PNG graphic at natural size; the destination
// keeps its alpha byte.
TColor32 BlendPngPixel(TColor32 Src, TColor32 Dst);

// Registers "TPngGraphic" and the skin's "TPngImage" as stored picture
// classes. Idempotent.
void RegisterPngGraphicClasses();

// TImage with the mouse enter and leave events, which every control of the
// framework carries; it reads stored pictures of the classes above.
class TImageEx : public TImage {
 public:
  explicit TImageEx(TComponent* AOwner);
};
