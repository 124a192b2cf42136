// The application object: its message loop, key routing, mouse tracking and
// the general error report.
#include <algorithm>
#include <new>

#include "framework/windows/Dialogs.h"
#include "framework/controls/Forms.h"

TApplication* Application = nullptr;

namespace {
// What the window-free libraries below may ask of the user interface; the
// message pump's one-message dispatch hands a quit request back to the
// application's own loop.
TUserInterface ApplicationUserInterface() {
  TUserInterface ui;
  ui.Ask = [](const AnsiString& text, const AnsiString& caption, UINT flags) {
    return MessageBoxA(nullptr, text, caption, flags);
  };
  ui.ProcessMessages = [] {
    if (Application) Application->ProcessMessages();
  };
  ui.HandleOneMessage = [] {
    MSG msg;
    if (!Application || !PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) return;
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  };
  return ui;
}
}  // namespace

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {
  if (!Application) {
    Application = this;
    SetUserInterface(ApplicationUserInterface());
  }
  if (!Screen) Screen = new TScreen;
}

TApplication::~TApplication() {
  DestroyComponents();
  if (handle_) ::DestroyWindow(handle_);
  if (Application == this) {
    Application = nullptr;
    SetUserInterface({});
  }
}

void TApplication::SetTitle(const AnsiString& t) {
  title_ = t;
  if (mainForm_ && mainForm_->HandleAllocated()) SetWindowNativeTitle(mainForm_->Handle(), t);
}

HWND TApplication::Handle() {
  if (!handle_) {
    WNDCLASS wc;
    wc.lpszClassName = "QuelboApplication";
    wc.lpfnWndProc = [](HWND h, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
      if (Application) {
        TMessage m{msg, wp, lp, 0};
        for (TWindowHook* hook : std::vector<TWindowHook*>(Application->hooks_))
          if ((*hook)(m)) return m.Result;
      }
      return DefWindowProc(h, msg, wp, lp);
    };
    RegisterClass(wc);
    handle_ = CreateWindowEx(WS_EX_TOOLWINDOW, "QuelboApplication", title_, WS_POPUP, 0, 0, 0, 0, nullptr);
  }
  return handle_;
}

void TApplication::HookMainWindow(TWindowHook* hook) { hooks_.insert(hooks_.begin(), hook); }
void TApplication::UnhookMainWindow(TWindowHook* hook) {
  hooks_.erase(std::remove(hooks_.begin(), hooks_.end(), hook), hooks_.end());
}

bool TApplication::IsKeyMsg(MSG& m) {
  bool keyDown = m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN;
  bool altChar = m.message == WM_SYSCHAR;
  if (!keyDown && !altChar) return false;
  TWinControl* c = nullptr;
  for (HWND h = m.hwnd; h && !c; h = GetParent(h)) c = FindControl(h);
  TCustomForm* form = c ? GetParentForm(c) : nullptr;
  if (!form) return false;
  if (altChar) return form->Perform(CM_DIALOGCHAR, m.wParam, m.lParam) != 0;
  switch (m.wParam) {
    case VK_TAB: case VK_RETURN: case VK_ESCAPE: case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
    case VK_PRIOR: case VK_NEXT: case VK_MENU:
      break;
    default:
      return false;
  }
  LRESULT code = c->Perform(WM_GETDLGCODE, 0, 0);
  if ((code & DLGC_WANTALLKEYS) || ((code & DLGC_WANTARROWS) && m.wParam >= VK_LEFT && m.wParam <= VK_DOWN) ||
      ((code & DLGC_WANTTAB) && m.wParam == VK_TAB))
    return false;
  return form->Perform(CM_DIALOGKEY, m.wParam, m.lParam) != 0;
}

bool TApplication::ProcessMessage(MSG& m) {
  if (!PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) return false;
  if (m.message == WM_QUIT) {
    terminated_ = true;
    return true;
  }
  if (!IsKeyMsg(m)) {
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  if (m.message == WM_MOUSEMOVE || m.message == WM_NCMOUSEMOVE) {
    // Ask to hear when the pointer leaves, so the control under it is known
    // even when it leaves for no window of ours.
    TRACKMOUSEEVENT t;
    t.dwFlags = TME_LEAVE | (m.message == WM_NCMOUSEMOVE ? TME_NONCLIENT : 0);
    t.hwndTrack = m.hwnd;
    if (IsWindow(m.hwnd)) TrackMouseEvent(&t);
  }
  if (m.message == WM_MOUSEMOVE || m.message == WM_NCMOUSEMOVE || m.message == WM_MOUSELEAVE ||
      m.message == WM_NCMOUSELEAVE)
    TrackMouseControl();
  return true;
}

void TApplication::ProcessMessages() {
  MSG m;
  while (ProcessMessage(m)) {}
}

void TApplication::Idle() {
  TrackMouseControl();
  if (OnIdle) OnIdle(this);
}

void TApplication::HandleMessage() {
  MSG m;
  if (!ProcessMessage(m)) {
    Idle();
    if (!terminated_) WaitMessage();
  }
}

void TApplication::Run() {
  if (mainForm_ && ShowMainForm) {
    if (mainForm_->WindowState() == TWindowState::wsMinimized) Minimize();
    else mainForm_->SetVisible(true);
  }
  while (!terminated_) {
    try {
      HandleMessage();
    } catch (...) {
      HandleCurrentException(this);
    }
  }
}

void TApplication::Terminate() {
  if (terminated_) return;
  terminated_ = true;
  PostQuitMessage(0);
}

void TApplication::Minimize() {
  if (mainForm_ && mainForm_->HandleAllocated()) ShowWindow(mainForm_->Handle(), SW_MINIMIZE);
}

void TApplication::Restore() {
  if (mainForm_ && mainForm_->HandleAllocated()) ShowWindow(mainForm_->Handle(), SW_RESTORE);
}

void TApplication::TrackMouseControl() {
  POINT p;
  GetCursorPos(&p);
  TControl* c = FindDragTarget(p, true);
  if (c == mouseControl_) return;
  TControl* old = mouseControl_;
  mouseControl_ = c;
  if (old) old->Perform(CM_MOUSELEAVE, 0, 0);
  if (mouseControl_ == c && c) c->Perform(CM_MOUSEENTER, 0, 0);
}

void TApplication::ControlDestroyed(TControl* c) {
  if (mouseControl_ == c) mouseControl_ = nullptr;
}

void TApplication::ShowException(const Exception& E) {
  AnsiString msg = E.Message();
  if (!msg.empty() && static_cast<unsigned char>(msg.back()) > '.') msg += '.';
  MessageBoxA(mainForm_ && mainForm_->HandleAllocated() ? mainForm_->Handle() : nullptr, msg, title_,
              MB_OK | MB_ICONERROR);
}

void TApplication::HandleException(TObject* Sender, const Exception& E) {
  if (OnException) OnException(Sender, E);
  else ShowException(E);
}

void TApplication::HandleCurrentException(TObject* Sender) {
  try {
    throw;
  } catch (const Exception& e) {
    HandleException(Sender, e);
  } catch (const std::bad_alloc&) {
    HandleException(Sender, EOutOfMemory("Out of memory"));
  } catch (const std::exception& e) {
    HandleException(Sender, Exception(e.what()));
  }
}

int TApplication::MessageBox(const AnsiString& text, const AnsiString& caption, UINT flags) {
  HWND owner = GetActiveWindow();
  if (!owner && mainForm_ && mainForm_->HandleAllocated()) owner = mainForm_->Handle();
  return MessageBoxA(owner, text, caption, flags);
}
