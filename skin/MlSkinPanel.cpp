#include "skin/MlSkinPanel.h"

#include "graphics/PictureFilters.h"
#include "skin/MlSkinResManager.h"

namespace {
// The single line per side that marks a panel in a form designer.
constexpr TColor32 kDesignLine = MakeColor32(23, 180, 187, 176);
constexpr TColor32 kInnerLine = MakeColor32(255, 255, 255, 255);
}  // namespace

TMlSkinCustomPanel::TMlSkinCustomPanel(TComponent* AOwner) : TMlSkinCustomControl(AOwner) {
  SetControlStyle(csAcceptsControls | csCaptureMouse | csClickEvents | csDoubleClicks);
  SetBounds(Left(), Top(), 185, static_cast<int>(185 * 0.618));
}

void TMlSkinCustomPanel::DrawControl(TBitmap32* Buffer) {
  TBitmap32* image = GetSkinBitmap(backgroundImage_);
  if (IsDesigning() || alpha_ == 255) {
    if (alpha_ != 0) Buffer->FillAreaBlended(0, 0, Width(), Height(), ToColor32(Color()));
    DrawImage(Buffer, image);
  } else {
    // A system colour is resolved first: its own bytes name no colour.
    if (alpha_ != 0)
      Buffer->FillAreaBlended(0, 0, ClientWidth(), ClientHeight(),
                              (ToColor32(Color()) & 0x00FFFFFFu) | static_cast<TColor32>(alpha_) << 24);
    DrawImage(Buffer, image);
    if (OnCustomDraw) OnCustomDraw(this, Buffer);
  }
  DrawBorder(Buffer);
}

void TMlSkinCustomPanel::DrawImage(TBitmap32* Buffer, TBitmap32* Image) {
  if (!Image) return;
  switch (fillType_) {
    case TMlPngFillType::ftNormal: Buffer->DrawFrom(offsetX_, offsetY_, Image); break;
    case TMlPngFillType::ftTile: PlacePicture(Image, Buffer, 1); break;
    case TMlPngFillType::ftAutoStretch: PlacePicture(Image, Buffer, 2); break;
    case TMlPngFillType::ftCenter: PlacePicture(Image, Buffer, 3); break;
  }
}

void TMlSkinCustomPanel::DrawBorder(TBitmap32* Buffer) {
  const bool designing = IsDesigning();
  const TColor32 outer = designing ? kDesignLine : ToColor32(borderColor_);
  const bool inner = doubleBorder_ && !designing;
  const int w = Width(), h = Height();
  // Each line leaves out its end point; later lines overwrite earlier ones.
  if (borderSides_ & sdLeft) {
    Buffer->DrawLine(0, 0, 0, h, outer, false);
    if (inner) Buffer->DrawLine(1, 1, 1, h, kInnerLine, false);
  }
  if (borderSides_ & sdTop) {
    Buffer->DrawLine(0, 0, w, 0, outer, false);
    if (inner) Buffer->DrawLine(1, 1, w, 1, kInnerLine, false);
  }
  if (borderSides_ & sdRight) {
    if (w > 1) Buffer->DrawLine(w - 1, 0, w - 1, h, outer, false);
    if (inner && w > 2 && h > 1) Buffer->DrawLine(w - 2, 1, w - 2, h - 1, kInnerLine, false);
  }
  if (borderSides_ & sdBottom) {
    if (w > 1 && h > 1) Buffer->DrawLine(0, h - 1, w, h - 1, outer, false);
    if (inner && w > 2 && h > 2) Buffer->DrawLine(1, h - 2, w - 1, h - 2, kInnerLine, false);
  }
}

void TMlSkinCustomPanel::AdjustClientRect(RECT& r) {
  TMlSkinCustomControl::AdjustClientRect(r);
  const int d = doubleBorder_ ? 2 : 1;
  if (borderSides_ & sdLeft) r.left += d;
  if (borderSides_ & sdTop) r.top += d;
  if (borderSides_ & sdRight) r.right -= d;
  if (borderSides_ & sdBottom) r.bottom -= d;
}
