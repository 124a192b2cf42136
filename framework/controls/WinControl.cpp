// Windowed controls: the window handle, child controls, painting, alignment
// and the message dispatch of a control that owns a window.
#include <algorithm>

#include "framework/controls/Controls.h"
#include "framework/controls/ControlsInternal.h"
#include "framework/controls/Forms.h"

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
  // The window holds the new text before anyone hears of the change, so a
  // control that measures its caption then measures the new one.
  if (handle_) SetWindowText(handle_, s);
  text_ = s;  // for a window made later
  Perform(CM_TEXTCHANGED, 0, 0);
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
    SavedDC saved(dc);
    OffsetViewportOrgEx(dc, c->Left(), c->Top(), nullptr);
    IntersectClipRect(dc, 0, 0, c->Width(), c->Height());
    c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  }
}

void TWinControl::PaintHandler(TMessage& m) {
  PAINTSTRUCT ps;
  HDC dc = reinterpret_cast<HDC>(m.WParam);
  if (!dc) dc = BeginPaint(handle_, &ps);
  if (!dc) return;
  bool graphicChildren = controls_.size() > winControls_.size();
  if (graphicChildren) {
    {
      SavedDC saved(dc);
      // Opaque non-windowed children paint their whole area; leave it to them.
      for (TControl* c : controls_)
        if (!dynamic_cast<TWinControl*>(c) && c->Visible() && (c->ControlStyle() & csOpaque)) {
          RECT r = c->BoundsRect();
          ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
        }
      PaintWindow(dc);
    }
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
  } catch (...) {
    if (!Application) throw;
    Application->HandleCurrentException(this);
  }
}

void TWinControl::WndProc(TMessage& m) {
  // Mouse input over a non-windowed child belongs to that child.
  if (m.Msg >= WM_MOUSEMOVE && m.Msg <= WM_MBUTTONDBLCLK) {
    TControl* target = nullptr;
    if (CaptureControl() && CaptureControl()->Parent() == this) target = CaptureControl();
    else if (!CaptureControl()) target = ControlAtPos({GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)}, false, false);
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
