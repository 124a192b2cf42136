#include "framework/controls/ExtCtrls.h"

#include "framework/controls/Forms.h"

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {}

TTimer::~TTimer() {
  if (id_) KillTimer(nullptr, id_);
}

void TTimer::UpdateTimer() {
  if (id_) KillTimer(nullptr, id_);
  id_ = 0;
  if (enabled_ && interval_ > 0 && onTimer_)
    id_ = SetTimer(nullptr, 0, interval_, [this](HWND, UINT, std::uintptr_t, DWORD) {
      // A copy: the handler may replace itself or free the timer. What escapes
      // the handler is reported like any error of a message handler.
      TNotifyEvent e = onTimer_;
      if (!e) return;
      try {
        e(this);
      } catch (...) {
        if (!Application) throw;
        Application->HandleCurrentException(this);
      }
    });
}

void TTimer::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  UpdateTimer();
}

void TTimer::SetInterval(UINT v) {
  if (v == interval_) return;
  interval_ = v;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent e) {
  onTimer_ = std::move(e);
  UpdateTimer();
}

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetControlStyle(ControlStyle() | csReplicatable);
  SetBounds(0, 0, 105, 105);
  picture_.OnChange = [this](TObject*) { PictureChanged(); };
}

void TImage::PictureChanged() {
  if (autoSize_ && picture_.Width() > 0 && picture_.Height() > 0)
    SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
  Invalidate();
}

void TImage::SetStretch(bool v) {
  stretch_ = v;
  Invalidate();
}
void TImage::SetCenter(bool v) {
  center_ = v;
  Invalidate();
}
void TImage::SetAutoSize(bool v) {
  autoSize_ = v;
  PictureChanged();
}

void TImage::Paint() {
  TGraphic* g = picture_.Graphic();
  if (!g || g->Empty()) return;
  RECT r;
  if (stretch_) {
    r = Rect(0, 0, Width(), Height());
  } else if (center_) {
    r = Bounds((Width() - g->Width()) / 2, (Height() - g->Height()) / 2, g->Width(), g->Height());
  } else {
    r = Bounds(0, 0, g->Width(), g->Height());
  }
  Canvas()->StretchDraw(r, g);
}
