#pragma once
// The skinned progress bar: a skin-image track stretched to the width with
// fixed ends, a skin-image fill cut to the filled width, and an optional
// centred caption. With its track button visible it is a slider.
#include <cstdint>
#include <memory>

#include "framework/controls/ExtCtrls.h"
#include "skin/MlSkinCtrls.h"
#include "skin/MlSkinImage.h"
#include "skin/MlTextObjects.h"

// The slider's thumb.
class TMlPBTrackButton : public TPersistent {
 public:
  void Assign(const TPersistent* Source) override;

  const TMlResID& Normal() const { return normal_; }
  void SetNormal(const TMlResID& v);
  // The thumb while the mouse is over the bar.
  const TMlResID& Hot() const { return hot_; }
  void SetHot(const TMlResID& v);
  // Slider mode on.
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  int Offset() const { return offset_; }
  void SetOffset(int v) { offset_ = v; }
  // Keep the thumb inside the bar.
  bool AlwaysShow() const { return alwaysShow_; }
  void SetAlwaysShow(bool v) { alwaysShow_ = v; }
  TNotifyEvent OnChanged;

 private:
  void Changed();
  TMlResID normal_, hot_;
  bool visible_ = false;
  int offset_ = 0;
  bool alwaysShow_ = true;
};

// The fill image: S cut into a left cap, a middle and a right cap (caps Cap
// pixels wide, or thirds of S when Cap is 0 or too wide) laid out over Width
// pixels. A fill narrower than both caps shows the left cap alone, so the
// bar only grows as the fill does.
std::unique_ptr<TMlSkinImage> ThreePartBar(TBitmap32* S, int Width, int Cap);

class TMlSkinProgressBar : public TMlSkinCustomControl {
 public:
  explicit TMlSkinProgressBar(TComponent* AOwner);
  ~TMlSkinProgressBar() override;

  // Copying a caption invalidates the bar.
  TMlCaption* Caption() { return caption_.get(); }
  void SetCaption(const TMlCaption* v);
  const TMlResID& Bar_Progress() const { return barProgress_; }
  void SetBar_Progress(const TMlResID& v);
  const TMlResID& Bar_Background() const { return barBackground_; }
  void SetBar_Background(const TMlResID& v);
  int BarLeftRightSize() const { return barLeftRightSize_; }
  void SetBarLeftRightSize(int v);
  TMlPBTrackButton* TrackButton() { return trackButton_.get(); }
  // Copies the six settings.
  void SetTrackButton(const TMlPBTrackButton* v) { trackButton_->Assign(v); }
  int MinValue() const { return min_; }
  // The value follows a bound that passes it, without OnChanged.
  void SetMinValue(int v);
  int MaxValue() const { return max_; }
  void SetMaxValue(int v);
  int Value() const { return value_; }
  // Clamped to the bounds; a change invalidates and calls OnChanged.
  void SetValue(int v);
  TNotifyEvent OnChanged;

  // Trunc((Value - MinValue) / range x Width), range 1 when the bounds meet;
  // never below 0.
  std::int64_t FillWidth() const;
  TRect ThumbRect() const { return thumbRect_; }

  void WndProc(TMessage& m) override;
  void Dispatch(TMessage& m) override;

 protected:
  void DrawControl(TBitmap32* Buffer) override;
  // ---- Slider (MlSkinSlider.cpp)
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseMove(TShiftState s, int x, int y) override;
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;
  bool DoKeyDown(WORD& key, TShiftState s) override;

 private:
  void DrawThumb(TBitmap32* Buffer);
  void DrawCaption(TBitmap32* Buffer);
  int ValueFromX(int x) const;
  // A press on the track outside the thumb: one step towards the point.
  void TrackPress(int x, int y);
  void RepeatTick();
  void StopRepeat();
  void StoreValue(int v);

  std::unique_ptr<TMlCaption> caption_;
  TMlResID barProgress_ = "MlSkinBar_cur", barBackground_ = "MlSkinBar_base";
  int barLeftRightSize_ = 6;
  std::unique_ptr<TMlPBTrackButton> trackButton_;
  int min_ = 0, max_ = 100, value_ = 50;

  TTimer* repeatTimer_ = nullptr;
  bool dragging_ = false, repeating_ = false, repeatForward_ = false, hover_ = false;
  POINT dragOffset_{0, 0}, repeatPoint_{0, 0};
  std::uint16_t thumbWidth_ = 0, thumbHeight_ = 0;
  TRect thumbRect_{}, trackRect_{};
};
