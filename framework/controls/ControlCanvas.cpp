// Canvases of controls and the two painted control kinds.
#include "core/ScopeGuard.h"
#include "framework/controls/Controls.h"

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::FreeHandle() {
  if (own_) {
    auto* w = dynamic_cast<TWinControl*>(control_);
    HWND h = w ? w->Handle() : control_->Parent() ? control_->Parent()->Handle() : nullptr;
    ReleaseDC(h, own_);
    if (Handle() == own_) SetHandle(nullptr);
    own_ = nullptr;
  }
}

void TControlCanvas::CreateHandle() {
  auto* w = dynamic_cast<TWinControl*>(control_);
  if (w && w->HandleAllocated()) {
    own_ = GetDC(w->Handle());
  } else if (!w && control_->Parent() && control_->Parent()->HandleAllocated()) {
    own_ = GetDC(control_->Parent()->Handle());
    if (own_) {
      SetViewportOrgEx(own_, control_->Left(), control_->Top(), nullptr);
      IntersectClipRect(own_, 0, 0, control_->Width(), control_->Height());
    }
  }
  SetHandle(own_);
}

void TControlCanvas::PaintOn(HDC dc, const std::function<void()>& paint) {
  FreeHandle();
  SetHandle(dc);
  ScopeExit detach([this] { SetHandle(nullptr); });
  paint();
}

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner), canvas_(new TControlCanvas(this)) {}
TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::Dispatch(TMessage& m) {
  if (m.Msg == WM_PAINT && m.WParam) {
    canvas_->PaintOn(reinterpret_cast<HDC>(m.WParam), [this] { Paint(); });
    return;
  }
  TControl::Dispatch(m);
}

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner), canvas_(new TControlCanvas(this)) {}
TCustomControl::~TCustomControl() { canvas_->FreeHandle(); }

void TCustomControl::PaintWindow(HDC dc) { canvas_->PaintOn(dc, [this] { Paint(); }); }
