#include "skin/MlSkinCtrls.h"

#include "core/ScopeGuard.h"
#include "framework/controls/Forms.h"
#include "skin/MlSkinMessages.h"
#include "skin/MlSkinRegistry.h"

TMlSkinCustomControl::TMlSkinCustomControl(TComponent* AOwner) : TCustomPaintBox32_ml(AOwner) {
  SetColor(clWhite);
  SetBufferMargin(0);
}

void TMlSkinCustomControl::DoBackgroundChanging(TBitmap32* Buffer, bool& Handled) {
  if (OnBackgroundChanging) OnBackgroundChanging(this, Buffer, Handled);
}

void TMlSkinCustomControl::DoBackgroundChanged(TBitmap32* Buffer) {
  if (OnBackgroundChanged) OnBackgroundChanged(this, Buffer);
}

void TMlSkinCustomControl::RenderBuffer() {
  TBitmap32* b = Buffer();
  UpdateBracket<TBitmap32> update(*b);
  bool handled = false;
  DoBackgroundChanging(b, handled);
  if (!handled) {
    if (transparent_) CaptureBackground(Rect(Left(), Top(), Left() + Width(), Top() + Height()));
    else b->FillAreaClipped(0, 0, Width(), Height(), ToColor32(Color()));
  }
  DoBackgroundChanged(b);
  DrawControl(b);
  // A control that reaches beyond its parent shows what lies under the edge
  // differently as the parent changes, so it is rebuilt at every paint.
  TWinControl* p = Parent();
  SetBufferCurrent(p && Left() + Width() <= p->Width() && Top() + Height() <= p->Height());
}

void TMlSkinCustomControl::CaptureBackground(const TRect& R) {
  TWinControl* parent = Parent();
  if (!parent) return;
  TBitmap32* b = Buffer();
  TBitmap32* source = nullptr;
  TRect from = R;
  if (!parent->IsDesigning()) {
    if (auto* form = dynamic_cast<TCustomForm*>(parent)) {
      if (TMlFormSkinLink* skin = FormSkinOf(form)) {
        POINT origin{0, 0};
        source = skin->ClientBackground(origin);
        from = OffsetRect(R, origin.x, origin.y);
      }
    } else if (auto* skinned = dynamic_cast<TMlSkinCustomControl*>(parent)) {
      source = skinned->GetBuffer();
    }
  }
  if (source) {
    source->DrawOnto(b, b->ClipBounds(), from);
    return;
  }
  // No picture to copy from: the parent paints itself into the buffer as if
  // it painted its own window.
  HDC dc = b->DeviceContext();
  if (!dc) return;
  SavedDC saved(dc);
  OffsetViewportOrgEx(dc, -Left(), -Top(), nullptr);
  const RECT client = parent->GetClientRect();
  IntersectClipRect(dc, 0, 0, client.Width(), client.Height());
  parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  parent->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
}

void TMlSkinCustomControl::ParentMoved() {
  if (IsDesigning()) return;
  Invalidate();
  if (!HandleAllocated()) return;
  // A control with a frame repaints the frame over its new background too.
  if (ClientWidth() != Width() || ClientHeight() != Height()) Perform(WM_NCPAINT, 1, 0);
}

void TMlSkinCustomControl::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_ERASEBKGND:
      if (eraseBackground_ && m.WParam && m.LParam == 1) Buffer()->BlitToDC(reinterpret_cast<HDC>(m.WParam), 0, 0);
      m.Result = 1;
      return;
    case WM_MOVE:
      TCustomPaintBox32_ml::Dispatch(m);
      if (autoInvalidate_) {
        Invalidate();
        if (!IsDesigning())
          for (int i = 0; i < ControlCount(); ++i)
            if (auto* w = dynamic_cast<TWinControl*>(Controls(i)); w && w->HandleAllocated())
              PostMessage(w->Handle(), MLM_PARENTMOVED, 0, 0);
      }
      return;
    case MLM_PARENTMOVED: ParentMoved(); return;
    case WM_WINDOWPOSCHANGED:
      if (!IsDesigning() && !(ControlState() & csDestroyingHandle)) FitBuffer();
      TCustomPaintBox32_ml::Dispatch(m);
      return;
    case CM_ENABLEDCHANGED:
      TCustomPaintBox32_ml::Dispatch(m);
      Invalidate();
      return;
    case CM_TEXTCHANGED:
      DefaultHandler(m);
      Invalidate();
      return;
    default: TCustomPaintBox32_ml::Dispatch(m);
  }
}

void TMlSkinCustomControl::SetBounds(int l, int t, int w, int h) {
  TCustomPaintBox32_ml::SetBounds(l, t, w, h);
  // The buffer follows the size at once, also before the window exists.
  FitBuffer();
  SetBufferCurrent(false);
}

void TMlSkinCustomControl::AdjustClientRect(RECT& r) {
  TCustomPaintBox32_ml::AdjustClientRect(r);
  if (!IsDesigning()) Invalidate();
}

void TMlSkinCustomControl::Loaded() {
  SetBufferCurrent(false);
  TCustomPaintBox32_ml::Loaded();
}
