#pragma once
// A caption-bar button: a frame of a picture strip per state, acting as a push
// button or, within a group, as a toggle.
#include "skin/PngPictures.h"
#include "skin/window/MlSkinNCCtrlBase.h"

class TMlSkinNCButton : public TMlSkinNCCtrlBase {
 public:
  enum TDrawState { dsNormal = 0, dsHot = 1, dsPressed = 2 };

  explicit TMlSkinNCButton(TComponent* AOwner);

  TPngPictures* Picture() { return &picture_; }
  void SetPicture(const TPngPictures* v) { picture_.Assign(v); }
  TDrawState DrawState() const { return state_; }
  bool Down() const { return down_; }
  void SetDown(bool v);
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int v) { groupIndex_ = v; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor v) { cursor_ = v; }
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool v) { allowAllUp_ = v; }
  TNotifyEvent OnClick;

  void MouseEnter() override;
  void MouseLeave() override;
  void MouseMove() override;
  void LMouseDown() override;
  void LMouseUp() override;
  void Paint(TBitmap32& Bitmap) override;
  virtual void PictureChanged();
  // Releases every other button of the same group on the same form.
  virtual void UpdateExclusive();
  virtual void Click();

 private:
  TPngPictures picture_;
  TDrawState state_ = dsNormal;
  bool down_ = false;
  int groupIndex_ = 0;
  bool enabled_ = true;
  TCursor cursor_ = crDefault;
  bool allowAllUp_ = false;
};
