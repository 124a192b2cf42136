// The skinned form through showing, minimising, maximising and restoring, its
// timers and its watch on the application window.
#include "skin/window/MlFormBorder.h"
#include "skin/window/MlSkinForm.h"
#include "skin/window/MlSkinNCMenuItem.h"

namespace {

void SetAlpha(TCustomForm* form, bool blend, BYTE value) {
  form->SetAlphaBlend(blend);
  form->SetAlphaBlendValue(value);
}

}  // namespace

void TMlSkinForm::ShowingChanged(TMessage& m) {
  TCustomForm* form = Form();
  if (!form->Showing()) {
    PassOn(m);
    if (imageBorder_) imageBorder_->Suspend();
    return;
  }
  HWND h = form->Handle();
  if (options_.MinimizeToTaskbar && Application && Application->MainForm() && Application->MainForm() != form) {
    SetWindowLongPtr(h, GWL_EXSTYLE, GetWindowLongPtr(h, GWL_EXSTYLE) | WS_EX_APPWINDOW);
    form->SetParentWindow(nullptr);
  }
  std::intptr_t style = GetWindowLongPtr(h, GWL_STYLE);
  if (style & WS_SYSMENU) SetWindowLongPtr(h, GWL_STYLE, style & ~std::intptr_t(WS_SYSMENU));
  if (imageBorder_) {
    imageBorder_->Attach(form);
    imageBorder_->Resume();
  }
  if (!skinRes_) BuildBackground();
  if (!firstShown_) {
    // The window appears only after its first complete paint.
    firstShown_ = true;
    firstShowPending_ = true;
    savedAlphaBlend_ = form->AlphaBlend();
    savedAlphaBlendValue_ = form->AlphaBlendValue();
    SetAlpha(form, true, 0);
  }
  PassOn(m);
  if (form->Visible() && form->HandleAllocated()) SetTimer(form->Handle(), kTimerFirstShow, 30);
  if (savedWindowState_ == TWindowState::wsMaximized && FormIsMaximized()) {
    savedWindowState_ = TWindowState::wsNormal;
    savedFramWidth_ = framWidth_;
    framWidth_ = 0;
  }
}

void TMlSkinForm::HideForMinimize() {
  TCustomForm* form = Form();
  hiddenForMinimize_ = true;
  restored_ = false;
  // While the first-show transparency waits, the saved values are still the
  // form's own; the transparent ones must not replace them.
  if (!firstShowPending_) {
    savedAlphaBlend_ = form->AlphaBlend();
    savedAlphaBlendValue_ = form->AlphaBlendValue();
  }
  SetAlpha(form, true, 0);
  if (imageBorder_) imageBorder_->Hide();
}

void TMlSkinForm::ShowAfterRestore() {
  TCustomForm* form = Form();
  if (Application) Application->ProcessMessages();
  if (restored_) return;
  hiddenForMinimize_ = false;
  restored_ = true;
  // The first show's timer stays: it makes the border windows if this
  // restore comes before it and cannot.
  firstShowPending_ = false;
  if (savedAlphaBlendValue_ == 0) savedAlphaBlendValue_ = 255;
  SetAlpha(form, savedAlphaBlend_, savedAlphaBlendValue_);
  if (form->CanFocus()) SetFocus(form->Handle());
  if (!imageBorder_) return;
  imageBorder_->Show();
  // Restored before the first show's timer, the form has none yet.
  if (!imageBorder_->HasWindows()) MakeBorderWindows();
}

void TMlSkinForm::MakeBorderWindows() {
  TCustomForm* form = Form();
  // A minimised form gets them when it is restored.
  if (!imageBorder_ || !form || !form->Showing() || hiddenForMinimize_ || IsIconic(form->Handle())) return;
  imageBorder_->Attach(form);
  imageBorder_->CreateWindows(&items_);
  if (FormIsMaximized()) imageBorder_->Hide();
}

void TMlSkinForm::BorderFollowsRestore() {
  if (!imageBorder_ || !Form()) return;
  if (!imageBorder_->HasWindows()) MakeBorderWindows();
  imageBorder_->ShowByZoom();
  imageBorder_->MoveTo(Form()->Left(), Form()->Top());
}

void TMlSkinForm::SysCommand(TMessage& m) {
  TCustomForm* form = Form();
  HWND h = form->Handle();
  switch (m.WParam) {
    case SC_MOVE + 1:
    case SC_MOVE + 2:
      if (!FormIsMaximized()) PassOn(m);
      return;
    case SC_MINIMIZE:
      PassOn(m);
      HideForMinimize();
      return;
    case SC_MAXIMIZE:
      // A second maximise must not take the frame width that the first one
      // already set to 0 as the one to restore.
      if (!FormIsMaximized()) {
        savedFramWidth_ = framWidth_;
        framWidth_ = 0;
      }
      PassOn(m);
      if (imageBorder_) imageBorder_->ShowByZoom();
      return;
    default:
      break;
  }
  PassOn(m);
  if (m.WParam != SC_RESTORE || !IsWindow(h)) return;
  // Restoring a minimised window may bring it back maximised; the frame comes
  // back only with the normal size.
  if (savedFramWidth_ && !IsIconic(h) && !IsZoomed(h)) {
    framWidth_ = savedFramWidth_;
    savedFramWidth_ = 0;
    SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
  ShowAfterRestore();
  BorderFollowsRestore();
}

void TMlSkinForm::Timer(TMessage& m) {
  TCustomForm* form = Form();
  switch (m.WParam) {
    case kTimerNcRepaint:
      KillTimer(form->Handle(), kTimerNcRepaint);
      SendMessage(form->Handle(), WM_NCPAINT, 0, 0);
      return;
    case kTimerFirstShow:
      KillTimer(form->Handle(), kTimerFirstShow);
      MakeBorderWindows();
      // A window hidden for minimise stays transparent; its restore gives the
      // saved values back.
      if (firstShowPending_ && !hiddenForMinimize_) SetAlpha(form, savedAlphaBlend_, savedAlphaBlendValue_);
      firstShowPending_ = false;
      return;
    case kTimerNextMenu:
      KillTimer(form->Handle(), kTimerNextMenu);
      if (TMlSkinNCMenuItem* next = mainMenu_.PendingButton) {
        next->ClickCount = 1;
        next->Click();
      }
      return;
    default:
      PassOn(m);
  }
}

bool TMlSkinForm::ApplicationHook(TMessage& m) {
  TCustomForm* main = Application ? Application->MainForm() : nullptr;
  switch (m.Msg) {
    case WM_WINDOWPOSCHANGING:
      if (main && main->WindowState() == TWindowState::wsMinimized) ShowAfterRestore();
      return false;
    case WM_SYSCOMMAND:
      if (!Active()) return false;
      if (m.WParam == SC_MINIMIZE) {
        if (main && main->HandleAllocated() && IsIconic(main->Handle())) return false;
        if (main && main->Visible()) {
          Application->Minimize();
          HideForMinimize();
        }
        return false;
      }
      if (m.WParam == SC_RESTORE && main) {
        Application->Restore();
        ShowAfterRestore();
        BorderFollowsRestore();
        return true;
      }
      return false;
    default:
      return false;
  }
}
