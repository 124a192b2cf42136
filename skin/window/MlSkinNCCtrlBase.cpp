#include "skin/window/MlSkinNCCtrlBase.h"

#include "core/SlotTable.h"
#include "framework/controls/Forms.h"
#include "skin/MlSkinMessages.h"
#include "skin/window/MlSkinForm.h"

namespace {

// Items by their identity; the thread of the windows alone uses it.
SlotTable<TMlSkinNCCtrlBase*>& ItemsById() {
  static SlotTable<TMlSkinNCCtrlBase*> items;
  return items;
}

}  // namespace

void TNCCtrlPos::Assign(const TPersistent* Source) {
  auto* s = dynamic_cast<const TNCCtrlPos*>(Source);
  if (!s) return TPersistent::Assign(Source);
  Width = s->Width;
  Height = s->Height;
  UseDefault = s->UseDefault;
  xValue_ = s->xValue_;
  yValue_ = s->yValue_;
  align_ = s->align_;
  Changed();
}

void TNCCtrlPos::SetXValue(int v) {
  if (v == xValue_) return;
  xValue_ = v;
  Changed();
}

void TNCCtrlPos::SetYValue(int v) {
  if (v == yValue_) return;
  yValue_ = v;
  Changed();
}

void TNCCtrlPos::SetAlign(TNCCtrlAlign v) {
  if (v == align_) return;
  align_ = v;
  Changed();
}

int TNCCtrlPos::Left() const {
  if (align_ == TNCCtrlAlign::caRight && hostForm_) return hostForm_->Width() - xValue_;
  return xValue_;
}

void TNCCtrlPos::Changed() {
  if (!Updating && OnChange) OnChange(this);
}

TMlSkinNCCtrlBase::TMlSkinNCCtrlBase(TComponent* AOwner)
    : TComponent(AOwner),
      hintWindow_(new THintWindow(nullptr)),
      hoverTimer_(new TTimer(this)),
      pos_(dynamic_cast<TControl*>(AOwner)),
      host_(dynamic_cast<TWinControl*>(AOwner)),
      id_(ItemsById().Add(this)) {
  pos_.OnChange = [this](TObject*) { design_ = {pos_.XValue(), pos_.YValue()}; };
  pos_.SetXValue(0);
  pos_.SetYValue(0);
  pos_.Width = pos_.Height = 25;
  hoverTimer_->SetInterval(10);
  hoverTimer_->SetOnTimer([this](TObject*) { PollHover(); });
  if (!IsDesigning()) PostRegistration();
}

TMlSkinNCCtrlBase::~TMlSkinNCCtrlBase() {
  // Registrations still queued find nobody; the skinned form learns of the
  // end through its free notification.
  ItemsById().Remove(id_);
  if (ButtonCursorFlag() && hover_) ButtonCursorFlag() = false;
}

TMlSkinNCCtrlBase* TMlSkinNCCtrlBase::FromId(WPARAM id) {
  TMlSkinNCCtrlBase* const* item = ItemsById().Find(id);
  return item ? *item : nullptr;
}

void TMlSkinNCCtrlBase::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == skinForm_) skinForm_ = nullptr;
}

bool& TMlSkinNCCtrlBase::ButtonCursorFlag() {
  static bool shown = false;
  return shown;
}

bool TMlSkinNCCtrlBase::ButtonCursorShown() { return ButtonCursorFlag(); }

void TMlSkinNCCtrlBase::PostRegistration() {
  if (host_) PostMessage(host_->Handle(), MLM_ADDNCCTRL, id_, 0);
}

void TMlSkinNCCtrlBase::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  RepaintHost();
}

void TMlSkinNCCtrlBase::RepaintHost() {
  if (host_ && host_->HandleAllocated()) host_->Perform(MLM_NCPAINT, kNcPaintCaptionBand, 0);
}

void TMlSkinNCCtrlBase::MouseEnter() {
  if (!visible_) return;
  RepaintHost();
  if (hint_.empty()) return;
  SIZE t = hintWindow_->MeasureText(hint_);
  POINT c;
  GetCursorPos(&c);
  hintWindow_->ActivateHint(Rect(c.x + 16, c.y + 16, c.x + 24 + t.cx, c.y + 18 + t.cy), hint_);
}

void TMlSkinNCCtrlBase::MouseLeave() {
  if (!visible_) return;
  RepaintHost();
  hintWindow_->ReleaseHandle();
}

void TMlSkinNCCtrlBase::LMouseDown() {
  RepaintHost();
  if (OnLMouseDown) OnLMouseDown(this);
}

void TMlSkinNCCtrlBase::LMouseUp() {
  RepaintHost();
  if (OnLMouseUp) OnLMouseUp(this);
}

bool TMlSkinNCCtrlBase::HostMaximized() const {
  auto* form = dynamic_cast<TCustomForm*>(host_);
  return form && form->WindowState() == TWindowState::wsMaximized;
}

void TMlSkinNCCtrlBase::Paint(TBitmap32&) {
  if (IsDestroying() || !host_) return;
  // While maximised the frame is gone: the item moves one pixel up and left,
  // without touching its design position.
  int d = HostMaximized() ? 1 : 0;
  pos_.Updating = true;
  pos_.SetXValue(design_.x - d);
  pos_.SetYValue(design_.y - d);
  pos_.Updating = false;
}

void TMlSkinNCCtrlBase::PollHover() {
  if (IsDesigning() || !host_) return;
  try {
    POINT c;
    GetCursorPos(&c);
    if (!IsRegistered()) PostRegistration();
    if (host_->HandleAllocated() && WindowFromPoint(c) == host_->Handle()) {
      POINT p{c.x - host_->Left(), c.y - host_->Top()};
      if (host_->Parent()) p = host_->Parent()->ScreenToClient(p);
      int l = pos_.Left(), t = pos_.Top();
      bool inside = l <= p.x && p.x < l + GetWidth() && t <= p.y && p.y < t + GetHeight();
      if (inside) MouseMove();
      if (inside != hover_) {
        hover_ = inside;
        if (inside) MouseEnter();
        else MouseLeave();
      }
    } else if (hover_) {
      hover_ = false;
      MouseLeave();
    }
  } catch (...) {
    // A failing poll only skips this tick.
  }
}
