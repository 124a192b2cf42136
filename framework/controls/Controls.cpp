// The control base: bounds, visibility, text, colour and font, the message
// route through WindowProc, mouse handling and invalidation.
#include "framework/controls/Controls.h"

#include <algorithm>

#include "framework/controls/ControlsInternal.h"
#include "framework/controls/Forms.h"

std::unordered_map<HWND, TWinControl*>& HandleMap() {
  static std::unordered_map<HWND, TWinControl*> m;
  return m;
}

TControl*& CaptureControl() {
  static TControl* c = nullptr;
  return c;
}

TShiftState KeysToShiftState(WPARAM keys) {
  TShiftState s = 0;
  if (keys & MK_SHIFT) s |= ssShift;
  if (keys & MK_CONTROL) s |= ssCtrl;
  if (keys & MK_LBUTTON) s |= ssLeft;
  if (keys & MK_RBUTTON) s |= ssRight;
  if (keys & MK_MBUTTON) s |= ssMiddle;
  if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
  return s;
}

TShiftState KeyDataToShiftState(LPARAM keyData) {
  TShiftState s = 0;
  if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
  if (keyData & 0x20000000) s |= ssAlt;
  return s;
}

TWinControl* FindControl(HWND hwnd) {
  auto it = HandleMap().find(hwnd);
  return it == HandleMap().end() ? nullptr : it->second;
}

TControl* FindDragTarget(POINT screen, bool allowDisabled) {
  HWND w = WindowFromPoint(screen);
  TWinControl* c = nullptr;
  while (w && !(c = FindControl(w))) w = GetParent(w);
  if (!c) return nullptr;
  POINT p = c->ScreenToClient(screen);
  TControl* g = c->ControlAtPos(p, allowDisabled, false);
  return g ? g : c;
}

void TSizeConstraints::Assign(const TPersistent* Source) {
  if (auto* c = dynamic_cast<const TSizeConstraints*>(Source)) {
    MinWidth = c->MinWidth, MinHeight = c->MinHeight, MaxWidth = c->MaxWidth, MaxHeight = c->MaxHeight;
    return;
  }
  TPersistent::Assign(Source);
}

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), font_(new TFont) {
  WindowProc = [this](TMessage& m) { WndProc(m); };
  font_->OnChange = [this](TObject*) {
    parentFont_ = false;
    Perform(CM_FONTCHANGED, 0, 0);
  };
}

TControl::~TControl() {
  if (CaptureControl() == this) CaptureControl() = nullptr;
  if (Application) Application->ControlDestroyed(this);
  if (parent_) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* p) {
  if (p == parent_) return;
  if (p == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (parent_) parent_->RemoveControl(this);
  if (p) p->InsertControl(this);
}

bool TControl::CanResize(int& w, int& h) {
  bool ok = true;
  if (OnCanResize) OnCanResize(this, w, h, ok);
  return ok;
}

void TControl::SetBounds(int l, int t, int w, int h) {
  if (!CanResize(w, h)) return;
  if (l == left_ && t == top_ && w == width_ && h == height_) return;
  InvalidateControl(visible_, false);
  left_ = l, top_ = t, width_ = w, height_ = h;
  Invalidate();
  RequestAlign();
  if (!IsLoading()) Resize();
}

RECT TControl::GetClientRect() { return Rect(0, 0, width_, height_); }

void TControl::SetClientSize(int w, int h) {
  RECT c = GetClientRect();
  SetBounds(left_, top_, width_ - c.Width() + w, height_ - c.Height() + h);
}

POINT TControl::ClientOrigin() {
  if (!parent_) return {left_, top_};
  POINT p = parent_->ClientOrigin();
  return {p.x + left_, p.y + top_};
}

POINT TControl::ClientToScreen(POINT p) {
  POINT o = ClientOrigin();
  return {p.x + o.x, p.y + o.y};
}

POINT TControl::ScreenToClient(POINT p) {
  POINT o = ClientOrigin();
  return {p.x - o.x, p.y - o.y};
}

void TControl::SetAlign(TAlign a) {
  if (a == align_) return;
  align_ = a;
  RequestAlign();
}

void TControl::RequestAlign() {
  if (parent_) parent_->Realign();
}

void TControl::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  Perform(CM_VISIBLECHANGED, v ? 1 : 0, 0);
  RequestAlign();
}

void TControl::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetText(const AnsiString& s) {
  if (s == GetText()) return;
  text_ = s;
  Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::SetColor(TColor c) {
  if (c == color_) return;
  color_ = c;
  parentColor_ = false;
  Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool v) {
  parentColor_ = v;
  if (v && parent_) Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::SetParentFont(bool v) {
  parentFont_ = v;
  if (v && parent_) Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TControl::ParentFontChanged() {
  if (!parentFont_ || !parent_) return;
  TNotifyEvent keep = std::move(font_->OnChange);
  font_->Assign(parent_->Font());
  font_->OnChange = std::move(keep);
  parentFont_ = true;
  Perform(CM_FONTCHANGED, 0, 0);
}

void TControl::ParentColorChanged() {
  if (!parentColor_ || !parent_) return;
  color_ = parent_->Color();
  Perform(CM_COLORCHANGED, 0, 0);
  parentColor_ = true;
}

bool TControl::MouseCapture() { return CaptureControl() == this; }

void TControl::SetMouseCapture(bool v) {
  if (v == MouseCapture()) return;
  if (v) {
    CaptureControl() = this;
    auto* w = dynamic_cast<TWinControl*>(this);
    HWND h = w ? w->Handle() : (parent_ ? parent_->Handle() : nullptr);
    if (h) SetCapture(h);
  } else {
    CaptureControl() = nullptr;
    ReleaseCapture();
  }
}

LRESULT TControl::Perform(UINT msg, WPARAM wp, LPARAM lp) {
  TMessage m{msg, wp, lp, 0};
  WindowProc(m);
  return m.Result;
}

void TControl::HandleMouse(TMessage& m) {
  switch (m.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (controlStyle_ & csCaptureMouse) SetMouseCapture(true);
      if (controlStyle_ & csClickEvents) controlState_ |= csClicked;
      break;
    case WM_LBUTTONUP:
      if (MouseCapture()) SetMouseCapture(false);
      break;
    default:
      break;
  }
}

void TControl::WndProc(TMessage& m) {
  if (m.Msg >= WM_MOUSEMOVE && m.Msg <= WM_MOUSEWHEEL) HandleMouse(m);
  Dispatch(m);
}

void TControl::Dispatch(TMessage& m) {
  int x = GET_X_LPARAM(m.LParam), y = GET_Y_LPARAM(m.LParam);
  TShiftState s = KeysToShiftState(m.WParam);
  switch (m.Msg) {
    case WM_LBUTTONDOWN: MouseDown(TMouseButton::mbLeft, s, x, y); return;
    case WM_RBUTTONDOWN: MouseDown(TMouseButton::mbRight, s, x, y); return;
    case WM_MBUTTONDOWN: MouseDown(TMouseButton::mbMiddle, s, x, y); return;
    case WM_LBUTTONDBLCLK:
      if (controlStyle_ & csClickEvents) DblClick();
      MouseDown(TMouseButton::mbLeft, s | ssDouble, x, y);
      return;
    case WM_LBUTTONUP:
      MouseUp(TMouseButton::mbLeft, s, x, y);
      if (controlState_ & csClicked) {
        controlState_ &= ~csClicked;
        if (GetClientRect().Contains(x, y)) Click();
      }
      return;
    case WM_RBUTTONUP: MouseUp(TMouseButton::mbRight, s, x, y); return;
    case WM_MBUTTONUP: MouseUp(TMouseButton::mbMiddle, s, x, y); return;
    case WM_MOUSEMOVE: MouseMove(s, x, y); return;
    case CM_MOUSEENTER:
      if (OnMouseEnter) OnMouseEnter(this);
      return;
    case CM_MOUSELEAVE:
      if (OnMouseLeave) OnMouseLeave(this);
      return;
    case CM_ENABLEDCHANGED:
    case CM_FONTCHANGED:
    case CM_COLORCHANGED:
      Invalidate();
      return;
    case CM_VISIBLECHANGED:
      InvalidateControl(true, visible_ && (controlStyle_ & csOpaque));
      return;
    case CM_PARENTFONTCHANGED: ParentFontChanged(); return;
    case CM_PARENTCOLORCHANGED: ParentColorChanged(); return;
    default: DefaultHandler(m);
  }
}

void TControl::DefaultHandler(TMessage& m) {
  switch (m.Msg) {
    case WM_GETTEXT:
      if (m.LParam) *reinterpret_cast<AnsiString*>(m.LParam) = text_;
      m.Result = static_cast<LRESULT>(text_.size());
      break;
    case WM_SETTEXT:
      text_ = m.LParam ? *reinterpret_cast<const AnsiString*>(m.LParam) : AnsiString();
      m.Result = 1;
      break;
    default:
      break;
  }
}

void TControl::InvalidateControl(bool wasVisible, bool opaque) {
  if (!parent_ || !parent_->HandleAllocated() || !wasVisible) return;
  RECT r = BoundsRect();
  InvalidateRect(parent_->Handle(), &r, !opaque);
}

void TControl::Invalidate() { InvalidateControl(visible_, controlStyle_ & csOpaque); }

void TControl::Update() {
  if (parent_) parent_->Update();
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

void TControl::BringToFront() {
  if (!parent_) return;
  auto& list = parent_->controls_;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  list.push_back(this);
  if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated())
    SetWindowPos(w->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  else
    Invalidate();
}

void TControl::SendToBack() {
  if (!parent_) return;
  auto& list = parent_->controls_;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  list.insert(list.begin(), this);
  if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated())
    SetWindowPos(w->Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  else
    Invalidate();
}

bool TControl::IsShowing() const { return visible_ && parent_ && parent_->IsShowing(); }

void TControl::Click() {
  if (OnClick) OnClick(this);
}
void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}
void TControl::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, b, s, x, y);
}
void TControl::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, b, s, x, y);
}
void TControl::MouseMove(TShiftState s, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, s, x, y);
}
void TControl::Resize() {
  if (OnResize) OnResize(this);
}

void TControl::Loaded() {
  TComponent::Loaded();
  if (parent_) {
    if (parentColor_) ParentColorChanged();
    if (parentFont_) ParentFontChanged();
  }
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
}
