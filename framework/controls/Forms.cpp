// Forms: window styles from the border settings, showing and placing,
// closing, modal showing and layered transparency.
#include "framework/controls/Forms.h"

TCustomForm* GetParentForm(TControl* c) {
  while (c && c->Parent()) c = c->Parent();
  return dynamic_cast<TCustomForm*>(c);
}

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner), canvas_(new TControlCanvas(this)) {
  SetControlStyle(csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks);
  SetVisible(false);
  SetColor(clBtnFace);
  SetParentFont(false);
  SetBounds(0, 0, 320, 240);
  icon_.OnChange = [this](TObject*) { ApplyIcon(); };
}

TCustomForm::~TCustomForm() {
  if (OnDestroy) {
    TNotifyEvent e = std::move(OnDestroy);
    e(this);
  }
  // Owned components go while the form is still whole: some of them reach into it.
  DestroyComponents();
  if (Application && Application->MainForm() == this) Application->SetMainForm(nullptr);
}

void TCustomForm::AfterConstruction() { DoCreate(); }

void TCustomForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}
void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}
void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

void TCustomForm::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.Style = WS_CLIPCHILDREN;
  p.ExStyle = 0;
  p.WndParent = ParentWindow();
  switch (borderStyle_) {
    case TFormBorderStyle::bsNone: p.Style |= WS_POPUP; break;
    case TFormBorderStyle::bsSingle: p.Style |= WS_CAPTION | WS_BORDER; break;
    case TFormBorderStyle::bsSizeable: p.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case TFormBorderStyle::bsDialog:
      p.Style |= WS_POPUP | WS_CAPTION;
      p.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      break;
    case TFormBorderStyle::bsToolWindow:
      p.Style |= WS_CAPTION | WS_BORDER;
      p.ExStyle |= WS_EX_TOOLWINDOW;
      break;
    case TFormBorderStyle::bsSizeToolWin:
      p.Style |= WS_CAPTION | WS_THICKFRAME;
      p.ExStyle |= WS_EX_TOOLWINDOW;
      break;
  }
  if (borderStyle_ != TFormBorderStyle::bsNone) {
    if (borderIcons_ & biSystemMenu) p.Style |= WS_SYSMENU;
    bool plain = borderStyle_ == TFormBorderStyle::bsSingle || borderStyle_ == TFormBorderStyle::bsSizeable;
    if (plain && (borderIcons_ & biMinimize)) p.Style |= WS_MINIMIZEBOX;
    if (plain && (borderIcons_ & biMaximize)) p.Style |= WS_MAXIMIZEBOX;
  }
  if (alphaBlend_) p.ExStyle |= WS_EX_LAYERED;
  p.WinClassName = "QuelboForm";
}

void TCustomForm::CreateWnd() {
  TWinControl::CreateWnd();
  // The desktop shows the main form under the application's title.
  if (Application && (Application->MainForm() == this || !Application->MainForm()))
    SetWindowNativeTitle(Handle(), Application->Title());
  SetLayeredAttributes();
  ApplyIcon();
}

void TCustomForm::ApplyIcon() {
  if (HandleAllocated() && !icon_.Empty()) SetWindowIcon(Handle(), icon_.Pixels(), icon_.Width(), icon_.Height());
}

void TCustomForm::SetBorderStyle(TFormBorderStyle v) {
  if (v == borderStyle_) return;
  borderStyle_ = v;
  if (HandleAllocated()) {
    TCreateParams p;
    CreateParams(p);
    SetWindowLongPtr(Handle(), GWL_STYLE, (GetWindowLongPtr(Handle(), GWL_STYLE) & WS_VISIBLE) | p.Style);
    SetWindowLongPtr(Handle(), GWL_EXSTYLE, p.ExStyle);
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
}

void TCustomForm::SetBorderIcons(TBorderIcons v) {
  borderIcons_ = v;
  if (HandleAllocated()) {
    TCreateParams p;
    CreateParams(p);
    SetWindowLongPtr(Handle(), GWL_STYLE, (GetWindowLongPtr(Handle(), GWL_STYLE) & WS_VISIBLE) | p.Style);
  }
}

TWindowState TCustomForm::WindowState() const {
  if (HandleAllocated() && Showing()) {
    HWND h = const_cast<TCustomForm*>(this)->Handle();
    if (IsIconic(h)) return TWindowState::wsMinimized;
    if (IsZoomed(h)) return TWindowState::wsMaximized;
    return TWindowState::wsNormal;
  }
  return windowState_;
}

void TCustomForm::SetWindowState(TWindowState v) {
  windowState_ = v;
  if (HandleAllocated() && Showing())
    ShowWindow(Handle(), v == TWindowState::wsMaximized ? SW_SHOWMAXIMIZED
                         : v == TWindowState::wsMinimized ? SW_MINIMIZE
                                                          : SW_RESTORE);
}

void TCustomForm::SetAlphaBlend(bool v) {
  if (v == alphaBlend_) return;
  alphaBlend_ = v;
  SetLayeredAttributes();
}

void TCustomForm::SetAlphaBlendValue(BYTE v) {
  if (v == alphaBlendValue_) return;
  alphaBlendValue_ = v;
  SetLayeredAttributes();
}

void TCustomForm::SetLayeredAttributes() {
  if (!HandleAllocated()) return;
  HWND h = Handle();
  std::intptr_t ex = GetWindowLongPtr(h, GWL_EXSTYLE);
  if (alphaBlend_) {
    if (!(ex & WS_EX_LAYERED)) SetWindowLongPtr(h, GWL_EXSTYLE, ex | WS_EX_LAYERED);
    SetLayeredWindowAttributes(h, 0, alphaBlendValue_, LWA_ALPHA);
  } else if (ex & WS_EX_LAYERED) {
    SetWindowLongPtr(h, GWL_EXSTYLE, ex & ~static_cast<std::intptr_t>(WS_EX_LAYERED));
    RedrawWindow(h, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
  }
}

void TCustomForm::SetActiveControl(TWinControl* c) {
  activeControl_ = c;
  if (c && active_ && c->CanFocus()) c->SetFocus();
}

TMonitor* TCustomForm::Monitor() {
  if (!Screen) return nullptr;
  return Screen->MonitorFromWindow(Handle());
}

void TCustomForm::PlaceOnScreen() {
  RECT area{};
  switch (position_) {
    case TPosition::poDesktopCenter:
      area = Screen ? Screen->DesktopRect() : GetWorkArea();
      break;
    case TPosition::poScreenCenter: {
      MONITORINFO mi;
      GetMonitorInfo(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &mi);
      area = mi.rcMonitor;
      break;
    }
    case TPosition::poMainFormCenter:
    case TPosition::poOwnerFormCenter:
      if (Application && Application->MainForm() && Application->MainForm() != this)
        area = Application->MainForm()->BoundsRect();
      break;
    default:
      return;
  }
  if (area.IsEmpty()) return;
  SetBounds(area.left + (area.Width() - Width()) / 2, area.top + (area.Height() - Height()) / 2, Width(), Height());
}

void TCustomForm::ShowingChanged(TMessage&) {
  HWND h = Handle();
  if (Showing()) {
    DoShow();
    PlaceOnScreen();
    int cmd = windowState_ == TWindowState::wsMaximized ? SW_SHOWMAXIMIZED
              : windowState_ == TWindowState::wsMinimized ? SW_SHOWMINIMIZED
                                                          : SW_SHOWNORMAL;
    ShowWindow(h, cmd);
  } else {
    DoHide();
    ShowWindow(h, SW_HIDE);
  }
}

void TCustomForm::PaintWindow(HDC dc) {
  if (OnPaint) canvas_->PaintOn(dc, [this] { OnPaint(this); });
}

bool TCustomForm::CloseQuery() {
  bool ok = true;
  if (OnCloseQuery) OnCloseQuery(this, ok);
  return ok;
}

void TCustomForm::Close() {
  if (!CloseQuery()) return;
  TCloseAction action = TCloseAction::caHide;
  if (OnClose) OnClose(this, action);
  if (action == TCloseAction::caNone) return;
  if (Application && Application->MainForm() == this) {
    Application->Terminate();
  } else if (action == TCloseAction::caHide) {
    Hide();
  } else if (action == TCloseAction::caMinimize) {
    SetWindowState(TWindowState::wsMinimized);
  } else {
    Release();
  }
}

void TCustomForm::Release() {
  if (HandleAllocated()) PostMessage(Handle(), CM_RELEASE, 0, 0);
}

int TCustomForm::ShowModal() {
  std::vector<HWND> disabled;
  for (HWND t : GetTopLevelWindows())
    if (t != Handle() && IsWindowEnabled(t) && IsWindowVisible(t)) {
      EnableWindow(t, FALSE);
      disabled.push_back(t);
    }
  modalResult_ = 0;
  Show();
  MSG m;
  while (modalResult_ == 0 && Showing()) {
    if (!GetMessage(&m, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(m.wParam));
      modalResult_ = IDCANCEL;
      break;
    }
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  for (HWND t : disabled) EnableWindow(t, TRUE);
  Hide();
  return modalResult_;
}

void TCustomForm::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CM_SHOWINGCHANGED:
      ShowingChanged(m);
      return;
    case WM_CLOSE:
      Close();
      return;
    case WM_DESTROY:
      // The main window destroyed other than by the form itself (its native
      // window destroyed from outside, say) leaves nothing to go on with.
      if (Application && Application->MainForm() == this && !(ControlState() & csDestroyingHandle) && !IsDestroying())
        Application->Terminate();
      TWinControl::Dispatch(m);
      return;
    case CM_RELEASE:
      delete this;
      return;
    case WM_ACTIVATE:
      DefaultHandler(m);
      active_ = LOWORD(m.WParam) != WA_INACTIVE;
      if (active_) {
        if (activeControl_ && activeControl_->CanFocus()) activeControl_->SetFocus();
        if (OnActivate) OnActivate(this);
      } else if (OnDeactivate) {
        OnDeactivate(this);
      }
      return;
    case WM_GETMINMAXINFO: {
      DefaultHandler(m);
      auto* mmi = reinterpret_cast<MINMAXINFO*>(m.LParam);
      const TSizeConstraints* c = Constraints();
      if (c->MinWidth > 0) mmi->ptMinTrackSize.x = c->MinWidth;
      if (c->MinHeight > 0) mmi->ptMinTrackSize.y = c->MinHeight;
      if (c->MaxWidth > 0) mmi->ptMaxTrackSize.x = c->MaxWidth;
      if (c->MaxHeight > 0) mmi->ptMaxTrackSize.y = c->MaxHeight;
      return;
    }
    default:
      TWinControl::Dispatch(m);
  }
}
