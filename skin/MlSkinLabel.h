#pragma once
// The skinned label: its caption over the captured background, with a glow,
// alignment in both directions, ellipsis and word wrapping; it sizes itself
// to its text.
#include "skin/MlSkinPanel.h"
#include "skin/MlTextObjects.h"

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TVerticalAlignment { taAlignTop, taAlignBottom, taVerticalCenter };

class TMlSkinLabel : public TMlSkinCustomPanel {
 public:
  explicit TMlSkinLabel(TComponent* AOwner);

  // Setting it switches AutoSize off for good.
  TEllipsisPosition EllipsisPosition() const { return ellipsis_; }
  void SetEllipsisPosition(TEllipsisPosition v);
  TAlignment AlignmentHorizontal() const { return alignH_; }
  void SetAlignmentHorizontal(TAlignment v);
  TVerticalAlignment AlignmentVertical() const { return alignV_; }
  void SetAlignmentVertical(TVerticalAlignment v);
  // Size the label to its text; switching it on sizes at once.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  TMlLightClass* Light() { return &light_; }
  // Copies into the own light; no repaint.
  void SetLight(const TMlLightClass* v) {
    if (v) light_.Assign(v);
  }
  // Used by the next repaint.
  bool WordWap() const { return wordWap_; }
  void SetWordWap(bool v) { wordWap_ = v; }

  // Bounds to the caption's extent in the label's font (the glow adds no
  // room); nothing while loading or without AutoSize.
  void AdjustBounds();
  // The text-drawing flags of the current settings, before word wrapping.
  UINT TextFlags() const;

  void Dispatch(TMessage& m) override;

 protected:
  void DrawControl(TBitmap32* Buffer) override;
  void Loaded() override;

 private:
  // The buffer and its canvas draw in the label's font.
  void GiveBufferFont();
  // Runs f with the label's font selected into the buffer's DC.
  template <typename F>
  auto WithFont(F f);

  TEllipsisPosition ellipsis_ = TEllipsisPosition::epNone;
  TAlignment alignH_ = TAlignment::taLeftJustify;
  TVerticalAlignment alignV_ = TVerticalAlignment::taAlignTop;
  bool autoSize_ = true;
  TMlLightClass light_;
  bool wordWap_ = false;
};
