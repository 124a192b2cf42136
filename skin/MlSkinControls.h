#pragma once
// FIXME: plain stand-ins for the skinned label, progress bar, panel and PNG
// picture of the main window. They keep the properties the updater sets and
// draw with ordinary fills and text until the skin engine replaces them.
#include "framework/ExtCtrls.h"

// A label that draws its caption over its parent's colour.
class TMlSkinLabel : public TCustomControl {
 public:
  explicit TMlSkinLabel(TComponent* AOwner);
  bool AutoInvalidate() const { return autoInvalidate_; }
  void SetAutoInvalidate(bool v) { autoInvalidate_ = v; }
  void Dispatch(TMessage& m) override;

 protected:
  void Paint() override;

 private:
  bool autoInvalidate_ = false;
};

// A horizontal bar filled from the left in proportion to Value.
class TMlSkinProgressBar : public TCustomControl {
 public:
  explicit TMlSkinProgressBar(TComponent* AOwner);
  int MinValue() const { return min_; }
  int MaxValue() const { return max_; }
  int Value() const { return value_; }
  void SetMinValue(int v);
  void SetMaxValue(int v);
  void SetValue(int v);
  const AnsiString& Bar_Progress() const { return barProgress_; }
  const AnsiString& Bar_Background() const { return barBackground_; }
  void SetBar_Progress(const AnsiString& s);
  void SetBar_Background(const AnsiString& s);
  TNotifyEvent OnChanged;

 protected:
  void Paint() override;

 private:
  int min_ = 0, max_ = 100, value_ = 50;
  AnsiString barProgress_ = "MlSkinBar_cur", barBackground_ = "MlSkinBar_base";
};

// A container that shows its parent's colour.
class TMlSkinPanel : public TCustomControl {
 public:
  explicit TMlSkinPanel(TComponent* AOwner);
  int Alpha() const { return alpha_; }
  void SetAlpha(int a) { alpha_ = a; }

 protected:
  void Paint() override;

 private:
  int alpha_ = 255;
};

// Shows a PNG picture with its alpha over what lies beneath.
class TImageEx : public TGraphicControl {
 public:
  explicit TImageEx(TComponent* AOwner);
  TIcon* Picture() { return &picture_; }

 protected:
  void Paint() override;

 private:
  TIcon picture_;
};
