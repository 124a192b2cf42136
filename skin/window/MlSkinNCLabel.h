#pragma once
// A caption-bar text with a glow, usually the window's title; pressing the
// left button on it starts moving the window.
#include "skin/MlTextObjects.h"
#include "skin/window/MlSkinNCCtrlBase.h"

class TMlSkinNCLabel : public TMlSkinNCCtrlBase {
 public:
  explicit TMlSkinNCLabel(TComponent* AOwner);

  TFont* Font() { return &font_; }
  void SetFont(const TFont* v) { font_.Assign(v); }
  const AnsiString& Caption() const { return caption_; }
  void SetCaption(const AnsiString& v);
  bool CaptureMouse() const { return captureMouse_; }
  void SetCaptureMouse(bool v) { captureMouse_ = v; }
  TMlLightClass* Light() { return &light_; }
  void SetLight(const TMlLightClass* v) { light_.Assign(v); }
  bool RenderText() const { return renderText_; }
  void SetRenderText(bool v) { renderText_ = v; }
  int MaxWidth() const { return maxWidth_; }
  void SetMaxWidth(int v) { maxWidth_ = v; }
  TEllipsisPosition EllipsisPosition() const { return ellipsis_; }
  void SetEllipsisPosition(TEllipsisPosition v);
  // The text's extent as the last paint measured it.
  SIZE TextExtent() const { return textSize_; }

  void LMouseDown() override;
  void Paint(TBitmap32& Bitmap) override;

 private:
  TFont font_;
  AnsiString caption_;
  bool captureMouse_ = true;
  TMlLightClass light_;
  SIZE textSize_{0, 0};
  bool renderText_ = false;
  int maxWidth_ = 0;
  TEllipsisPosition ellipsis_ = TEllipsisPosition::epNone;
};
