#pragma once
// Skinned texts: a glow setting, a text with a glow, and a caption with its
// own font and offset.
#include <memory>

#include "framework/paint/Graphics.h"

// How an over-long text is shortened, and the text-drawing flag for it.
enum class TEllipsisPosition { epNone, epPathEllipsis, epEndEllipsis, epWordEllipsis };
UINT EllipsisFlags(TEllipsisPosition e);

// Setters of these classes notify OnChanged only when the value changes.
class TMlLightClass : public TPersistent {
 public:
  // From another light: Active and Color (not BlurRadius), without notice.
  void Assign(const TPersistent* Source) override;

  // The glow is applied 2 x BlurRadius times.
  int BlurRadius() const { return blurRadius_; }
  void SetBlurRadius(int v);
  bool Active() const { return active_; }
  void SetActive(bool v);
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  TNotifyEvent OnChanged;

 private:
  void Changed();
  int blurRadius_ = 1;
  bool active_ = true;
  TColor color_ = 0xFFFFFE;
};

class TMlTextObj : public TPersistent {
 public:
  TMlTextObj();
  // From another text object: its light, Text and Visible, without notice.
  void Assign(const TPersistent* Source) override;

  TMlLightClass* Light() const { return light_.get(); }
  // Copies into the own light without notice.
  void SetLight(const TMlLightClass* v) { light_->Assign(v); }
  const AnsiString& Text() const { return text_; }
  void SetText(const AnsiString& v);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  TNotifyEvent OnChanged;

 protected:
  void Changed();

 private:
  std::unique_ptr<TMlLightClass> light_;
  AnsiString text_;
  bool visible_ = true;
};

class TMlCaption : public TMlTextObj {
 public:
  TMlCaption();
  // In addition copies the font (which notifies).
  void Assign(const TPersistent* Source) override;

  int OffsetX() const { return offsetX_; }
  void SetOffsetX(int v);
  int OffsetY() const { return offsetY_; }
  void SetOffsetY(int v);
  // Every change of the own font notifies; assigning one always does.
  TFont* Font() const { return font_.get(); }
  void SetFont(const TFont* v) { font_->Assign(v); }

 private:
  int offsetX_ = 0, offsetY_ = 0;
  std::unique_ptr<TFont> font_;
};
