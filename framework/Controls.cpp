#include "framework/Controls.h"

#include <algorithm>
#include <unordered_map>

#include "framework/Forms.h"

namespace {

std::unordered_map<HWND, TWinControl*>& HandleMap() {
  static std::unordered_map<HWND, TWinControl*> m;
  return m;
}

// The non-windowed control that holds the mouse capture through its parent.
TControl* g_captureControl = nullptr;

}  // namespace

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

// ---- TControl ----

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), font_(new TFont) {
  WindowProc = [this](TMessage& m) { WndProc(m); };
  font_->OnChange = [this](TObject*) {
    parentFont_ = false;
    Perform(CM_FONTCHANGED, 0, 0);
  };
}

TControl::~TControl() {
  if (g_captureControl == this) g_captureControl = nullptr;
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

bool TControl::MouseCapture() { return g_captureControl == this; }

void TControl::SetMouseCapture(bool v) {
  if (v == MouseCapture()) return;
  if (v) {
    g_captureControl = this;
    auto* w = dynamic_cast<TWinControl*>(this);
    HWND h = w ? w->Handle() : (parent_ ? parent_->Handle() : nullptr);
    if (h) SetCapture(h);
  } else {
    g_captureControl = nullptr;
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

// ---- TWinControl ----

namespace {

LRESULT BindingWndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  // The first message of a new window tells which control it belongs to;
  // from then on the control's own procedure takes over.
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCT*>(lp);
    if (auto* c = static_cast<TWinControl*>(cs->lpCreateParams)) {
      WNDPROC proc = c->BindHandle(h);
      return proc(h, msg, wp, lp);
    }
  }
  return DefWindowProc(h, msg, wp, lp);
}

void EnsureClass(const TCreateParams& p) {
  WNDCLASS wc;
  wc.lpszClassName = p.WinClassName;
  wc.style = p.WindowClassStyle;
  wc.lpfnWndProc = BindingWndProc;
  wc.hCursor = p.Cursor;
  RegisterClass(wc);  // a second registration of the same name is refused, which is fine
}

}  // namespace

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {
  DefWndProc = DefWindowProc;
  brush_.SetColor(Color());
}

TWinControl::~TWinControl() {
  if (Application) Application->ControlDestroyed(this);
  // Child controls go with their parent.
  while (!controls_.empty()) {
    TControl* c = controls_.back();
    RemoveControl(c);
    delete c;
  }
  DestroyHandle();
}

WNDPROC TWinControl::BindHandle(HWND h) {
  handle_ = h;
  HandleMap()[h] = this;
  WNDPROC proc = [this](HWND, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
    TMessage m{msg, wp, lp, 0};
    MainWndProc(m);
    return m.Result;
  };
  SetWindowProc(h, proc);
  return proc;
}

HWND TWinControl::Handle() {
  if (!handle_) CreateHandle();
  return handle_;
}

void TWinControl::CreateParams(TCreateParams& p) {
  p.Caption = TControl::GetText();
  p.Style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  if (!Enabled()) p.Style |= WS_DISABLED;
  p.X = left_, p.Y = top_, p.Width = width_, p.Height = height_;
  p.WndParent = Parent() ? Parent()->Handle() : parentWindow_;
  if (!Parent() && !parentWindow_) p.Style = WS_POPUP | WS_CLIPCHILDREN;
  p.WinClassName = "QuelboControl";
  p.WindowClassStyle = CS_DBLCLKS;
}

void TWinControl::CreateWnd() {
  TCreateParams p;
  CreateParams(p);
  if ((p.Style & WS_CHILD) && !p.WndParent) throw EInvalidOperation(Format("Control '%s' has no parent window", Name().c_str()));
  EnsureClass(p);
  HWND h = CreateWindowEx(p.ExStyle, p.WinClassName, p.Caption, p.Style & ~WS_VISIBLE, p.X, p.Y, p.Width, p.Height,
                          p.WndParent, this);
  if (!h) throw EOSError(Format("Error creating window for '%s'", Name().c_str()));
}

void TWinControl::CreateHandle() {
  if (handle_) return;
  controlState_ |= csCreating;
  try {
    CreateWnd();
  } catch (...) {
    controlState_ &= ~csCreating;
    throw;
  }
  controlState_ &= ~csCreating;
  // The stack order of the child windows follows the control list.
  for (TControl* c : controls_)
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->CreateHandle();
  UpdateShowing();
}

void TWinControl::DestroyWnd() {
  if (handle_) ::DestroyWindow(handle_);
}

void TWinControl::DestroyHandle() {
  if (!handle_) return;
  controlState_ |= csDestroyingHandle;
  DestroyWnd();
  controlState_ &= ~csDestroyingHandle;
  handle_ = nullptr;
}

void TWinControl::InsertControl(TControl* c) {
  c->parent_ = this;
  controls_.push_back(c);
  if (auto* w = dynamic_cast<TWinControl*>(c)) {
    winControls_.push_back(w);
    if (handle_) {
      w->CreateHandle();
      SetWindowPos(w->handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  } else {
    c->Invalidate();
  }
  if (c->parentColor_) c->Perform(CM_PARENTCOLORCHANGED, 0, 0);
  if (c->parentFont_) c->Perform(CM_PARENTFONTCHANGED, 0, 0);
  Realign();
}

void TWinControl::RemoveControl(TControl* c) {
  if (c->parent_ != this) return;
  c->Invalidate();
  if (auto* w = dynamic_cast<TWinControl*>(c)) {
    winControls_.erase(std::remove(winControls_.begin(), winControls_.end(), w), winControls_.end());
    w->DestroyHandle();
  }
  controls_.erase(std::remove(controls_.begin(), controls_.end(), c), controls_.end());
  c->parent_ = nullptr;
  Realign();
}

TControl* TWinControl::ControlAtPos(POINT p, bool allowDisabled, bool allowWinControls) {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* c = *it;
    bool isWin = dynamic_cast<TWinControl*>(c) != nullptr;
    if (isWin && !allowWinControls) continue;
    if (!c->Visible() || (!c->Enabled() && !allowDisabled)) continue;
    if (c->BoundsRect().Contains(p.x, p.y)) return c;
  }
  return nullptr;
}

void TWinControl::SetBounds(int l, int t, int w, int h) {
  if (!CanResize(w, h)) return;
  if (l == left_ && t == top_ && w == width_ && h == height_) return;
  if (handle_ && !IsIconic(handle_)) {
    SetWindowPos(handle_, nullptr, l, t, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    left_ = l, top_ = t, width_ = w, height_ = h;
    if (handle_) UpdateBounds();
  }
  RequestAlign();
}

void TWinControl::UpdateBounds() {
  if (!handle_) return;
  RECT r;
  GetWindowRect(handle_, &r);
  if (GetWindowLongPtr(handle_, GWL_STYLE) & WS_CHILD) {
    HWND p = GetParent(handle_);
    if (p) {
      POINT tl{r.left, r.top};
      ::ScreenToClient(p, &tl);
      r = Bounds(tl.x, tl.y, r.Width(), r.Height());
    }
  }
  left_ = r.left, top_ = r.top, width_ = r.Width(), height_ = r.Height();
}

RECT TWinControl::GetClientRect() {
  if (!handle_) return TControl::GetClientRect();
  RECT r;
  ::GetClientRect(handle_, &r);
  return r;
}

POINT TWinControl::ClientOrigin() {
  if (!handle_) return TControl::ClientOrigin();
  POINT p{0, 0};
  ::ClientToScreen(handle_, &p);
  return p;
}

void TWinControl::SetText(const AnsiString& s) {
  if (s == GetText()) return;
  TControl::SetText(s);  // keeps the text for a window made later
  if (handle_) SetWindowText(handle_, s);
}

AnsiString TWinControl::GetText() const { return handle_ ? GetWindowText(handle_) : TControl::GetText(); }

void TWinControl::Invalidate() { Perform(CM_INVALIDATE, 0, 0); }

void TWinControl::Update() {
  if (handle_) UpdateWindow(handle_);
}

bool TWinControl::CanFocus() {
  for (TWinControl* c = this; c; c = c->Parent())
    if (!c->Visible() || !c->Enabled()) return false;
  return true;
}

bool TWinControl::Focused() { return handle_ && GetFocus() == handle_; }

void TWinControl::SetFocus() {
  if (CanFocus()) ::SetFocus(Handle());
}

void TWinControl::UpdateShowing() {
  bool show = Visible() && (Parent() ? Parent()->showing_ : true) && (Parent() || parentWindow_ || IsTopLevelForm());
  if (show && !handle_) CreateHandle();
  if (show != showing_) {
    showing_ = show;
    try {
      Perform(CM_SHOWINGCHANGED, 0, 0);
    } catch (...) {
      showing_ = !show;
      throw;
    }
  }
  for (TWinControl* w : std::vector<TWinControl*>(winControls_)) w->UpdateShowing();
}

void TWinControl::ShowingChanged(TMessage&) {
  if (!handle_) return;
  SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | (showing_ ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void TWinControl::PaintWindow(HDC dc) {
  TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(dc), 0, 0};
  DefaultHandler(m);
}

void TWinControl::PaintControls(HDC dc, TControl* first) {
  auto it = controls_.begin();
  if (first) it = std::find(controls_.begin(), controls_.end(), first);
  RECT clip;
  GetClipBox(dc, &clip);
  for (; it != controls_.end(); ++it) {
    TControl* c = *it;
    if (dynamic_cast<TWinControl*>(c) || !c->Visible()) continue;
    if (IntersectRect(clip, c->BoundsRect()).IsEmpty()) continue;
    int saved = SaveDC(dc);
    OffsetViewportOrgEx(dc, c->Left(), c->Top(), nullptr);
    IntersectClipRect(dc, 0, 0, c->Width(), c->Height());
    c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    RestoreDC(dc, saved);
  }
}

void TWinControl::PaintHandler(TMessage& m) {
  PAINTSTRUCT ps;
  HDC dc = reinterpret_cast<HDC>(m.WParam);
  if (!dc) dc = BeginPaint(handle_, &ps);
  if (!dc) return;
  bool graphicChildren = controls_.size() > winControls_.size();
  if (graphicChildren) {
    int saved = SaveDC(dc);
    // Opaque non-windowed children paint their whole area; leave it to them.
    for (TControl* c : controls_)
      if (!dynamic_cast<TWinControl*>(c) && c->Visible() && (c->ControlStyle() & csOpaque)) {
        RECT r = c->BoundsRect();
        ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
      }
    PaintWindow(dc);
    RestoreDC(dc, saved);
    PaintControls(dc, nullptr);
  } else {
    PaintWindow(dc);
  }
  if (!m.WParam) EndPaint(handle_, &ps);
}

void TWinControl::AdjustClientRect(RECT&) {}

void TWinControl::AlignControls(TControl*, RECT& r) {
  auto place = [&](TAlign which) {
    for (TControl* c : controls_) {
      if (c->Align() != which || !c->Visible()) continue;
      int w = c->Width(), h = c->Height();
      switch (which) {
        case TAlign::alTop: c->SetBounds(r.left, r.top, r.Width(), h); r.top += h; break;
        case TAlign::alBottom: c->SetBounds(r.left, r.bottom - h, r.Width(), h); r.bottom -= h; break;
        case TAlign::alLeft: c->SetBounds(r.left, r.top, w, r.Height()); r.left += w; break;
        case TAlign::alRight: c->SetBounds(r.right - w, r.top, w, r.Height()); r.right -= w; break;
        case TAlign::alClient: c->SetBounds(r.left, r.top, r.Width(), r.Height()); break;
        default: break;
      }
    }
  };
  for (TAlign a : {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight, TAlign::alClient}) place(a);
}

void TWinControl::Realign() {
  if (alignLevel_ > 0 || IsLoading() || (controlState_ & csAlignmentNeeded)) return;
  controlState_ |= csAlignmentNeeded;
  RECT r = GetClientRect();
  AdjustClientRect(r);
  try {
    AlignControls(nullptr, r);
  } catch (...) {
    controlState_ &= ~csAlignmentNeeded;
    throw;
  }
  controlState_ &= ~csAlignmentNeeded;
}

void TWinControl::EnableAlign() {
  if (alignLevel_ > 0 && --alignLevel_ == 0) Realign();
}

bool TWinControl::DoKeyDown(WORD& key, TShiftState s) {
  if (OnKeyDown) OnKeyDown(this, key, s);
  return key == 0;
}

void TWinControl::MainWndProc(TMessage& m) {
  try {
    WindowProc(m);
  } catch (const Exception& e) {
    if (Application) Application->HandleException(this, e);
    else throw;
  }
}

void TWinControl::WndProc(TMessage& m) {
  // Mouse input over a non-windowed child belongs to that child.
  if (m.Msg >= WM_MOUSEMOVE && m.Msg <= WM_MBUTTONDBLCLK) {
    TControl* target = nullptr;
    if (g_captureControl && g_captureControl->Parent() == this) target = g_captureControl;
    else if (!g_captureControl) target = ControlAtPos({GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)}, false, false);
    if (target) {
      LPARAM lp = MAKELPARAM(GET_X_LPARAM(m.LParam) - target->Left(), GET_Y_LPARAM(m.LParam) - target->Top());
      m.Result = target->Perform(m.Msg, m.WParam, lp);
      return;
    }
  }
  TControl::WndProc(m);
}

void TWinControl::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_PAINT:
      PaintHandler(m);
      return;
    case WM_ERASEBKGND: {
      RECT r = GetClientRect();
      brush_.SetColor(Color());
      FillRect(reinterpret_cast<HDC>(m.WParam), r, brush_.Handle());
      m.Result = 1;
      return;
    }
    case WM_SIZE:
      UpdateBounds();
      DefaultHandler(m);
      Realign();
      if (!IsLoading()) Resize();
      return;
    case WM_MOVE:
      DefaultHandler(m);
      UpdateBounds();
      return;
    case WM_WINDOWPOSCHANGED:
      UpdateBounds();
      DefaultHandler(m);
      return;
    case WM_NCDESTROY:
      DefaultHandler(m);
      HandleMap().erase(handle_);
      handle_ = nullptr;
      showing_ = false;
      return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      WORD key = static_cast<WORD>(m.WParam);
      if (!DoKeyDown(key, KeyDataToShiftState(m.LParam))) DefaultHandler(m);
      return;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      WORD key = static_cast<WORD>(m.WParam);
      if (OnKeyUp) OnKeyUp(this, key, KeyDataToShiftState(m.LParam));
      if (key) DefaultHandler(m);
      return;
    }
    case WM_CHAR: {
      char c = static_cast<char>(m.WParam);
      if (OnKeyPress && m.WParam < 0x80) OnKeyPress(this, c);
      if (c) DefaultHandler(m);
      return;
    }
    case CM_SHOWINGCHANGED:
      ShowingChanged(m);
      return;
    case CM_INVALIDATE:
      if (handle_) {
        if (Parent()) Parent()->Perform(CM_INVALIDATE, 1, 0);
        if (m.WParam == 0) InvalidateRect(handle_, nullptr, !(ControlStyle() & csOpaque));
      }
      return;
    case CM_ENABLEDCHANGED:
      if (!Enabled() && Focused())
        if (TCustomForm* f = GetParentForm(this); f && f != this) ::SetFocus(f->Handle());
      if (handle_) EnableWindow(handle_, Enabled());
      TControl::Dispatch(m);
      return;
    case CM_VISIBLECHANGED:
      UpdateShowing();
      return;
    case CM_COLORCHANGED:
      brush_.SetColor(Color());
      for (TControl* c : controls_) c->Perform(CM_PARENTCOLORCHANGED, 0, 0);
      TControl::Dispatch(m);
      return;
    case CM_FONTCHANGED:
      for (TControl* c : controls_) c->Perform(CM_PARENTFONTCHANGED, 0, 0);
      TControl::Dispatch(m);
      return;
    default:
      TControl::Dispatch(m);
  }
}

void TWinControl::DefaultHandler(TMessage& m) {
  if (handle_) m.Result = CallWindowProc(DefWndProc, handle_, m.Msg, m.WParam, m.LParam);
  else TControl::DefaultHandler(m);
}

void TWinControl::Loaded() {
  TControl::Loaded();
  Realign();
}

void TWinControl::ParentColorChanged() {
  TControl::ParentColorChanged();
  brush_.SetColor(Color());
}

// ---- Canvases and painted controls ----

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

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner), canvas_(new TControlCanvas(this)) {}
TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::Dispatch(TMessage& m) {
  if (m.Msg == WM_PAINT && m.WParam) {
    canvas_->FreeHandle();
    canvas_->SetHandle(reinterpret_cast<HDC>(m.WParam));
    try {
      Paint();
    } catch (...) {
      canvas_->SetHandle(nullptr);
      throw;
    }
    canvas_->SetHandle(nullptr);
    return;
  }
  TControl::Dispatch(m);
}

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner), canvas_(new TControlCanvas(this)) {}
TCustomControl::~TCustomControl() { canvas_->FreeHandle(); }

void TCustomControl::PaintWindow(HDC dc) {
  canvas_->FreeHandle();
  canvas_->SetHandle(dc);
  try {
    Paint();
  } catch (...) {
    canvas_->SetHandle(nullptr);
    throw;
  }
  canvas_->SetHandle(nullptr);
}
