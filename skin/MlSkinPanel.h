#pragma once
// The skinned panel: a translucent colour, an optional skin image and a one-
// or two-line border over the background it captured.
#include "skin/MlSkinCtrls.h"
#include "skin/MlSkinImage.h"

enum TSide : unsigned { sdLeft = 1, sdTop = 2, sdRight = 4, sdBottom = 8 };
using TSides = unsigned;
constexpr TSides kAllSides = sdLeft | sdTop | sdRight | sdBottom;

enum class TMlPngFillType { ftNormal, ftTile, ftAutoStretch, ftCenter };

// Setters invalidate only when the value changes.
class TMlSkinCustomPanel : public TMlSkinCustomControl {
 public:
  explicit TMlSkinCustomPanel(TComponent* AOwner);

  // The colour layer's colour. It stands in for the control's own Color,
  // which stays white: that one fills a panel that is not Transparent before
  // the colour layer is laid over it.
  TColor Color() const { return color_; }
  void SetColor(TColor v) { Store(color_, v); }
  TSides BorderSides() const { return borderSides_; }
  void SetBorderSides(TSides v) { Store(borderSides_, v); }
  // Opacity of the colour layer: 0 none, 255 opaque.
  int Alpha() const { return alpha_; }
  void SetAlpha(int v) { Store(alpha_, v & 0xFF); }
  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor v) { Store(borderColor_, v); }
  // A white inner line inside each outer line.
  bool DoubleBorder() const { return doubleBorder_; }
  void SetDoubleBorder(bool v) { Store(doubleBorder_, v); }
  const TMlResID& BackgroundImage() const { return backgroundImage_; }
  void SetBackgroundImage(const TMlResID& v) { Store(backgroundImage_, v); }
  TMlPngFillType BackgroundFillType() const { return fillType_; }
  void SetBackgroundFillType(TMlPngFillType v) { Store(fillType_, v); }
  // Where ftNormal puts the image; stored only, used by the next paint.
  int BackgroundOffsetX() const { return offsetX_; }
  void SetBackgroundOffsetX(int v) { offsetX_ = v; }
  int BackgroundOffsetY() const { return offsetY_; }
  void SetBackgroundOffsetY(int v) { offsetY_ = v; }
  // Drawing hook after the image of a translucent panel.
  TMlCustomDrawEvent OnCustomDraw;

 protected:
  void DrawControl(TBitmap32* Buffer) override;
  virtual void DrawBorder(TBitmap32* Buffer);
  // Aligned children stay inside the border.
  void AdjustClientRect(RECT& r) override;

 private:
  template <typename T>
  void Store(T& field, const T& v) {
    if (field == v) return;
    field = v;
    Invalidate();
  }
  void DrawImage(TBitmap32* Buffer, TBitmap32* Image);

  TSides borderSides_ = kAllSides;
  int alpha_ = 192;
  TColor color_ = clWhite;
  TColor borderColor_ = 14273466;
  bool doubleBorder_ = true;
  TMlResID backgroundImage_;
  TMlPngFillType fillType_ = TMlPngFillType::ftNormal;
  int offsetX_ = 0, offsetY_ = 0;
};

class TMlSkinPanel : public TMlSkinCustomPanel {
 public:
  using TMlSkinCustomPanel::TMlSkinCustomPanel;
};
