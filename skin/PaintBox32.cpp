#include "skin/PaintBox32.h"

#include <algorithm>

TCustomPaintBox32_ml::TCustomPaintBox32_ml(TComponent* AOwner)
    : TCustomControl(AOwner), buffer_(std::make_unique<TBitmap32>()) {
  SetBounds(0, 0, 192, 192);
  FitBuffer();
}

TCustomPaintBox32_ml::~TCustomPaintBox32_ml() = default;

void TCustomPaintBox32_ml::SetBufferMargin(int v) {
  bufferMargin_ = std::max(v, 0);
  FitBuffer();
}

void TCustomPaintBox32_ml::Invalidate() {
  bufferCurrent_ = false;
  TCustomControl::Invalidate();
}

void TCustomPaintBox32_ml::ForceFullRedraw() { Invalidate(); }

void TCustomPaintBox32_ml::FitBuffer() {
  if (ResizeBuffer()) ForceFullRedraw();
}

bool TCustomPaintBox32_ml::ResizeBuffer() {
  const int w = std::max(0, Width()), h = std::max(0, Height());
  const int oldW = buffer_->Width(), oldH = buffer_->Height();
  // With a margin a growing side takes the margin in advance and a shrinking
  // one is cut only once it falls below the slack.
  auto fit = [&](int want, int have) {
    if (bufferMargin_ == 0) return want;
    if (want > have) return want + bufferMargin_;
    if (want < have - bufferMargin_) return want;
    return have;
  };
  const int newW = fit(w, oldW), newH = fit(h, oldH);
  if (newW == oldW && newH == oldH) return false;
  buffer_->Lock();
  buffer_->Resize(newW, newH);
  buffer_->Unlock();
  BufferSizeChanged(oldW, oldH);
  return true;
}

void TCustomPaintBox32_ml::BufferSizeChanged(int, int) {}

void TCustomPaintBox32_ml::Resize() {
  FitBuffer();
  bufferCurrent_ = false;
  TCustomControl::Resize();
}

void TCustomPaintBox32_ml::RenderBuffer() {
  buffer_->Clear(ToColor32(Color()));
  bufferCurrent_ = true;
}

void TCustomPaintBox32_ml::PaintWindow(HDC dc) {
  if (!Parent()) return;
  // A size change that reached the control before its window did is caught
  // up here, so the copy below always covers the control.
  if (ResizeBuffer()) bufferCurrent_ = false;
  if (!bufferCurrent_) RenderBuffer();
  buffer_->Lock();
  buffer_->BlitToDC(dc, 0, 0);
  buffer_->Unlock();
  DrawOverlay(dc);
}

void TCustomPaintBox32_ml::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_ERASEBKGND: m.Result = 1; return;
    case WM_GETDLGCODE: m.Result = 0; return;
    case CM_MOUSEENTER:
      mouseInside_ = true;
      PointerEntered();
      TCustomControl::Dispatch(m);
      return;
    case CM_MOUSELEAVE:
      mouseInside_ = false;
      PointerLeft();
      TCustomControl::Dispatch(m);
      return;
    default: TCustomControl::Dispatch(m);
  }
}
