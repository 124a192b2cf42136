#include "skin/window/MlSkinNCButton.h"

#include "skin/window/MlSkinForm.h"

namespace {

int CursorId(TCursor c) { return Screen ? Screen->Cursors(c) : IDC_ARROW; }

}  // namespace

TMlSkinNCButton::TMlSkinNCButton(TComponent* AOwner) : TMlSkinNCCtrlBase(AOwner) {
  picture_.SetActive(true);
  picture_.SetPicturesChanged([this](TObject*) { PictureChanged(); });
}

void TMlSkinNCButton::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  RepaintHost();
}

void TMlSkinNCButton::MouseEnter() {
  if (Visible() && enabled_) {
    state_ = down_ ? dsPressed : dsHot;
    if (cursor_ != crDefault) {
      ::SetCursor(CursorId(cursor_));
      ButtonCursorFlag() = true;
    }
  }
  TMlSkinNCCtrlBase::MouseEnter();
}

void TMlSkinNCButton::MouseLeave() {
  if (Visible() && enabled_) {
    state_ = down_ ? dsPressed : dsNormal;
    if (ButtonCursorFlag()) {
      ButtonCursorFlag() = false;
      ::SetCursor(CursorId(crDefault));
    }
  }
  TMlSkinNCCtrlBase::MouseLeave();
}

void TMlSkinNCButton::MouseMove() {
  if (!Visible() || !enabled_ || cursor_ == crDefault) return;
  // SetCursor answers with the cursor that was there.
  int previous = ::SetCursor(CursorId(cursor_));
  if (previous != CursorId(cursor_)) ButtonCursorFlag() = true;
}

void TMlSkinNCButton::LMouseDown() {
  if (enabled_) state_ = dsPressed;
  TMlSkinNCCtrlBase::LMouseDown();
}

void TMlSkinNCButton::LMouseUp() {
  if (!enabled_ || !Visible()) {
    TMlSkinNCCtrlBase::LMouseUp();
    return;
  }
  if (allowAllUp_) SetDown(!down_);
  else if (groupIndex_ <= 0) state_ = dsHot;
  else SetDown(true);
  TMlSkinNCCtrlBase::LMouseUp();
  Click();
}

void TMlSkinNCButton::Click() {
  if (enabled_ && OnClick) OnClick(this);
}

void TMlSkinNCButton::SetDown(bool v) {
  if (v == down_) return;
  down_ = v;
  if (v) {
    state_ = dsPressed;
    UpdateExclusive();
  } else {
    state_ = dsNormal;
  }
  RepaintHost();
}

void TMlSkinNCButton::UpdateExclusive() {
  if (!SkinForm()) return;
  for (TMlSkinNCCtrlBase* item : std::vector<TMlSkinNCCtrlBase*>(SkinForm()->Items())) {
    auto* other = dynamic_cast<TMlSkinNCButton*>(item);
    if (other && other != this && other->groupIndex_ == groupIndex_) other->SetDown(false);
  }
}

void TMlSkinNCButton::PictureChanged() {
  bool has = picture_.Bitmap() != nullptr;
  Pos()->Width = has ? picture_.FrameWidth() : 0;
  Pos()->Height = has ? picture_.FrameHeight() : 0;
  RepaintHost();
}

void TMlSkinNCButton::Paint(TBitmap32& Bitmap) {
  TMlSkinNCCtrlBase::Paint(Bitmap);
  if (!picture_.Active()) return;
  std::unique_ptr<TMlSkinImage> frame = state_ == dsHot       ? picture_.GetHotFrame()
                                        : state_ == dsPressed ? picture_.GetPressedFrame()
                                                              : picture_.GetNormalFrame();
  if (frame) frame->DrawOnto(&Bitmap, Pos()->Left(), Pos()->Top());
}
