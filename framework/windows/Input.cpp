// Display events become window messages: mouse input through WM_NCHITTEST,
// capture, double clicks, keys to the focus, activation and focus changes.
#include <algorithm>
#include <cstdlib>

#include "framework/windows/KeyCodes.h"
#include "framework/windows/WindowRecord.h"
#include "platform/CodePage.h"

namespace {

HWND FindNative(platform::NativeWindow n) {
  if (!n) return nullptr;
  for (HWND t : WM().topLevels)
    if (R(t)->native == n) return t;
  return nullptr;
}

WPARAM KeyStateBits(unsigned mods) {
  WPARAM k = 0;
  if (mods & platform::kModButtonLeft) k |= MK_LBUTTON;
  if (mods & platform::kModButtonRight) k |= MK_RBUTTON;
  if (mods & platform::kModButtonMiddle) k |= MK_MBUTTON;
  if (mods & platform::kModShift) k |= MK_SHIFT;
  if (mods & platform::kModControl) k |= MK_CONTROL;
  return k;
}

platform::CursorShape ShapeOf(int id) {
  using C = platform::CursorShape;
  switch (id) {
    case IDC_IBEAM: return C::IBeam;
    case IDC_WAIT: return C::Wait;
    case IDC_CROSS: return C::Cross;
    case IDC_HAND: return C::Hand;
    case IDC_SIZENWSE: return C::SizeNWSE;
    case IDC_SIZENESW: return C::SizeNESW;
    case IDC_SIZEWE: return C::SizeWE;
    case IDC_SIZENS: return C::SizeNS;
    case IDC_SIZEALL: return C::SizeAll;
    case IDC_NO: return C::No;
    case IDC_UPARROW: return C::UpArrow;
    case IDC_APPSTARTING: return C::AppStarting;
    case IDC_HELP: return C::Help;
    default: return C::Arrow;
  }
}

bool Disabled(HWND w) {
  for (; w; w = R(w)->IsChild() ? R(w)->parent : nullptr)
    if (R(w)->style & WS_DISABLED) return true;
  return false;
}

// The window that gets a mouse event at a screen point and the hit-test code.
HWND HitTarget(HWND top, POINT s, int& hit) {
  hit = static_cast<int>(SendMessage(top, WM_NCHITTEST, 0, MAKELPARAM(s.x, s.y)));
  if (!Rec(top)) return nullptr;
  if (hit != HTCLIENT) return top;
  HWND w = WindowFromPoint(s);
  if (!w || TopLevelOf(w) != top) w = top;
  while (w != top) {
    hit = static_cast<int>(SendMessage(w, WM_NCHITTEST, 0, MAKELPARAM(s.x, s.y)));
    if (!Rec(w)) return nullptr;
    if (hit != HTTRANSPARENT) return w;
    w = R(w)->parent;
  }
  hit = HTCLIENT;
  return top;
}

void SendMouseLeave(HWND old, HWND now, int newHit) {
  if (!Rec(old)) return;
  WindowRecord& w = *R(old);
  bool wasClient = WM().hoverHit == HTCLIENT;
  if (old == now && wasClient == (newHit == HTCLIENT)) return;
  if (wasClient && w.trackLeave) {
    w.trackLeave = false;
    PostMessage(old, WM_MOUSELEAVE, 0, 0);
  } else if (!wasClient && w.trackNcLeave) {
    w.trackNcLeave = false;
    PostMessage(old, WM_NCMOUSELEAVE, 0, 0);
  }
}

UINT ButtonMessage(int button, bool down, bool client) {
  UINT base = button == 1 ? WM_LBUTTONDOWN : button == 3 ? WM_RBUTTONDOWN : WM_MBUTTONDOWN;
  if (!client) base = button == 1 ? WM_NCLBUTTONDOWN : WM_NCRBUTTONDOWN;
  return down ? base : base + 1;
}

void MouseEvent(const platform::Event& e, HWND top) {
  WindowManager& wm = WM();
  POINT s{e.screenX, e.screenY};
  wm.cursorPos = s;
  unsigned mods = e.modifiers;
  if (e.type == platform::EventType::ButtonDown)
    mods |= e.button == 1 ? platform::kModButtonLeft : e.button == 3 ? platform::kModButtonRight : platform::kModButtonMiddle;
  HWND target;
  int hit = HTCLIENT;
  if (wm.capture && Rec(wm.capture)) {
    target = wm.capture;
  } else {
    if (!top || !R(top)->Visible()) return;
    target = HitTarget(top, s, hit);
    if (!target) return;
  }
  if (e.type == platform::EventType::Wheel) {
    HWND to = wm.focus ? wm.focus : target;
    PostInput(MSG{to, WM_MOUSEWHEEL, static_cast<WPARAM>(MAKELPARAM(static_cast<int>(KeyStateBits(mods)), e.wheelDelta)),
                  MAKELPARAM(s.x, s.y), 0, s});
    return;
  }
  // Input to a disabled window (such as the owner of a modal box) is dropped.
  bool disabled = Disabled(target);
  if (e.type == platform::EventType::MouseMove || e.type == platform::EventType::ButtonDown) {
    SendMouseLeave(wm.hover, target, hit);
    wm.hover = target;
    wm.hoverHit = hit;
    if (!wm.capture) {
      UINT mouseMsg = e.type == platform::EventType::MouseMove ? WM_MOUSEMOVE : ButtonMessage(e.button, true, true);
      if (disabled) {
        HWND owner = TopLevelOf(target);
        SendMessage(owner, WM_SETCURSOR, reinterpret_cast<WPARAM>(owner), MAKELPARAM(HTERROR, mouseMsg));
      } else {
        SendMessage(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target), MAKELPARAM(hit, mouseMsg));
      }
    }
  }
  if (disabled && !wm.capture) return;
  if (e.type == platform::EventType::ButtonDown && top && wm.active != top && !Disabled(top) &&
      !(R(top)->exStyle & WS_EX_NOACTIVATE)) {
    // The window may refuse activation, and may eat the click.
    LRESULT how = SendMessage(top, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top),
                              MAKELPARAM(hit, ButtonMessage(e.button, true, hit == HTCLIENT)));
    if (!Rec(top)) return;
    if (how != MA_NOACTIVATE && how != MA_NOACTIVATEANDEAT) ActivateWindow(top, true);
    if (how == MA_ACTIVATEANDEAT || how == MA_NOACTIVATEANDEAT) return;
  }
  bool client = hit == HTCLIENT;
  POINT c = s;
  if (client) ScreenToClient(target, &c);
  LPARAM pos = client ? MAKELPARAM(c.x, c.y) : MAKELPARAM(s.x, s.y);
  WPARAM wparam = client ? KeyStateBits(mods) : static_cast<WPARAM>(hit);
  MSG m{target, 0, wparam, pos, 0, s};
  if (e.type == platform::EventType::MouseMove) {
    m.message = client ? WM_MOUSEMOVE : WM_NCMOUSEMOVE;
  } else {
    bool down = e.type == platform::EventType::ButtonDown;
    m.message = ButtonMessage(e.button, down, client);
    if (down) {
      DWORD t = static_cast<DWORD>(e.timeMs);
      bool dbl = wm.lastClickWindow == target && wm.lastClickMsg == m.message &&
                 t - wm.lastClickTime <= GetDoubleClickTime() &&
                 std::abs(s.x - wm.lastClickPos.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
                 std::abs(s.y - wm.lastClickPos.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
      bool classWants = !client || (R(target)->cls && (R(target)->cls->wc.style & CS_DBLCLKS));
      if (dbl && classWants) {
        m.message += 2;  // the DBLCLK message follows the DOWN and UP ones
        wm.lastClickWindow = nullptr;
      } else {
        wm.lastClickWindow = target;
        wm.lastClickMsg = m.message;
        wm.lastClickTime = t;
        wm.lastClickPos = s;
      }
    }
  }
  PostInput(m);
}

void KeyEvent(const platform::Event& e) {
  WindowManager& wm = WM();
  bool down = e.type == platform::EventType::KeyDown;
  unsigned vk = VirtualKeyOf(e.key);
  HWND to = wm.focus && Rec(wm.focus) ? wm.focus : wm.active;
  if (!to || Disabled(to)) return;
  bool alt = (e.modifiers & platform::kModAlt) || vk == VK_MENU;
  UINT msg = down ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
  LPARAM lp = 1 | (down ? 0 : (3u << 30));
  PostInput(MSG{to, msg, vk, lp, 0, wm.cursorPos});
  if (down)
    for (char32_t ch : e.text) {
      if (ch >= 0x10000) continue;  // outside what a WM_CHAR unit carries
      PostInput(MSG{to, alt ? static_cast<UINT>(WM_SYSCHAR) : static_cast<UINT>(WM_CHAR), ch, 1, 0, wm.cursorPos});
    }
}

void ConfigureEvent(HWND top, const platform::IntRect& r) {
  WindowRecord& w = *R(top);
  if (r.left == w.rect.left && r.top == w.rect.top && r.Width() == w.Width() && r.Height() == w.Height())
    return;
  // The desktop moved or sized the window: tell it as if it had asked.
  SetWindowPos(top, nullptr, r.left, r.top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

bool TranslateNextInput() {
  WindowManager& wm = WM();
  if (wm.rawInput.empty()) return false;
  platform::Event e = wm.rawInput.front();
  wm.rawInput.pop_front();
  // Pointer motion is coalesced: only the latest position matters.
  while (e.type == platform::EventType::MouseMove && !wm.rawInput.empty() &&
         wm.rawInput.front().type == platform::EventType::MouseMove && wm.rawInput.front().window == e.window) {
    e = wm.rawInput.front();
    wm.rawInput.pop_front();
  }
  if (e.type == platform::EventType::KeyDown || e.type == platform::EventType::KeyUp) KeyEvent(e);
  else MouseEvent(e, FindNative(e.window));
  return true;
}

void NoteKeyState(const MSG& m) {
  unsigned char* keys = WM().keys;
  switch (m.message) {
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: case WM_NCLBUTTONDOWN: case WM_NCLBUTTONDBLCLK: keys[VK_LBUTTON] = 0x80; break;
    case WM_LBUTTONUP: case WM_NCLBUTTONUP: keys[VK_LBUTTON] = 0; break;
    case WM_RBUTTONDOWN: case WM_RBUTTONDBLCLK: case WM_NCRBUTTONDOWN: case WM_NCRBUTTONDBLCLK: keys[VK_RBUTTON] = 0x80; break;
    case WM_RBUTTONUP: case WM_NCRBUTTONUP: keys[VK_RBUTTON] = 0; break;
    case WM_KEYDOWN: case WM_SYSKEYDOWN: keys[m.wParam & 0xFF] = 0x80; break;
    case WM_KEYUP: case WM_SYSKEYUP: keys[m.wParam & 0xFF] = 0; break;
    default: break;
  }
}

void PumpDisplayEvents() {
  platform::DisplayBackend* d = platform::Display();
  if (!d) return;
  platform::Event e;
  while (d->PollEvent(e)) {
    HWND top = FindNative(e.window);
    using T = platform::EventType;
    switch (e.type) {
      case T::MouseMove:
      case T::ButtonDown:
      case T::ButtonUp:
      case T::Wheel:
      case T::KeyDown:
      case T::KeyUp:
        WM().rawInput.push_back(e);
        break;
      case T::FocusIn:
        // A disabled window (the owner of a modal box) does not become active.
        if (top && WM().active != top && !Disabled(top)) ActivateWindow(top, false, true);
        break;
      case T::FocusOut:
        if (top && WM().active == top) DeactivateWindow(top);
        break;
      case T::Expose:
        if (top) PresentRects(top, R(top)->unpresented.Union(Region(Rect(e.rect.left, e.rect.top, e.rect.right, e.rect.bottom))));
        break;
      case T::Configure:
        if (top) ConfigureEvent(top, e.rect);
        break;
      case T::CloseRequest:
        if (top) PostMessage(top, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
      case T::Destroyed:
        // Its native window is gone for good: the window hears it as a close
        // (a box takes its cancel answer, a program its way out) and goes too.
        if (top) {
          R(top)->native = 0;
          SendMessage(top, WM_CLOSE, 0, 0);
          if (Rec(top)) DestroyWindow(top);
          // A modal loop waiting for its next message looks again at its window.
          PostMessage(nullptr, WM_NULL, 0, 0);
        }
        break;
      case T::Iconified:
        if (top && !(R(top)->style & WS_MINIMIZE)) {
          R(top)->style |= WS_MINIMIZE;
          SendMessage(top, WM_SIZE, SIZE_MINIMIZED, 0);
        }
        break;
      case T::Deiconified:
        // As from the task bar: the window hears of the restore as a command.
        if (top && (R(top)->style & WS_MINIMIZE)) SendMessage(top, WM_SYSCOMMAND, SC_RESTORE, 0);
        break;
      case T::PointerLeft:
        if (top && WM().hover && TopLevelOf(WM().hover) == top && !WM().capture) {
          SendMouseLeave(WM().hover, nullptr, HTNOWHERE);
          WM().hover = nullptr;
        }
        break;
    }
  }
}

bool ActivateWindow(HWND top, bool byMouse, bool fromDisplay) {
  WindowRecord& w = *R(top);
  WindowManager& wm = WM();
  if (!Rec(top) || wm.active == top) return false;
  HWND old = wm.active;
  if (old && Rec(old)) DeactivateWindow(old);
  wm.active = top;
  SendMessage(top, WM_NCACTIVATE, 1, 0);
  if (!Rec(top)) return false;
  SendMessage(top, WM_ACTIVATE, byMouse ? WA_CLICKACTIVE : WA_ACTIVE, reinterpret_cast<LPARAM>(old));
  if (!Rec(top) || wm.active != top) return true;
  if (!wm.focus || TopLevelOf(wm.focus) != top) {
    HWND f = w.lastFocus && Rec(w.lastFocus) ? w.lastFocus : top;
    SetFocus(f);
  }
  if (w.native && !fromDisplay)
    if (auto* d = platform::Display()) d->Focus(w.native);
  return true;
}

void DeactivateWindow(HWND top) {
  WindowManager& wm = WM();
  if (wm.active != top) return;
  if (wm.focus && TopLevelOf(wm.focus) == top) {
    R(top)->lastFocus = wm.focus;
    HWND f = wm.focus;
    wm.focus = nullptr;
    SendMessage(f, WM_KILLFOCUS, 0, 0);
  }
  wm.active = nullptr;
  if (!Rec(top)) return;
  SendMessage(top, WM_NCACTIVATE, 0, 0);
  if (Rec(top)) SendMessage(top, WM_ACTIVATE, WA_INACTIVE, 0);
}

BOOL TrackMouseEvent(TRACKMOUSEEVENT* t) {
  if (!t || !Rec(t->hwndTrack)) return 0;
  bool nc = t->dwFlags & TME_NONCLIENT;
  bool on = !(t->dwFlags & TME_CANCEL) && (t->dwFlags & TME_LEAVE);
  (nc ? R(t->hwndTrack)->trackNcLeave : R(t->hwndTrack)->trackLeave) = on;
  // Asked while the pointer is already elsewhere: the leave comes at once.
  WindowManager& wm = WM();
  bool inside = wm.hover == t->hwndTrack && ((wm.hoverHit == HTCLIENT) != nc);
  if (on && !inside) {
    (nc ? R(t->hwndTrack)->trackNcLeave : R(t->hwndTrack)->trackLeave) = false;
    PostMessage(t->hwndTrack, nc ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0);
  }
  return 1;
}

HWND SetCapture(HWND hwnd) {
  WindowManager& wm = WM();
  HWND old = wm.capture;
  if (!Rec(hwnd)) return old;
  wm.capture = hwnd;
  if (old && old != hwnd && Rec(old)) SendMessage(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  if (auto* d = platform::Display()) d->GrabPointer(R(TopLevelOf(hwnd))->native);
  return old;
}

BOOL ReleaseCapture() {
  WindowManager& wm = WM();
  HWND old = wm.capture;
  wm.capture = nullptr;
  if (auto* d = platform::Display()) d->UngrabPointer();
  if (old && Rec(old)) SendMessage(old, WM_CAPTURECHANGED, 0, 0);
  return 1;
}

HWND GetCapture() { return Rec(WM().capture) ? WM().capture : nullptr; }

HWND SetFocus(HWND hwnd) {
  WindowManager& wm = WM();
  HWND old = Rec(wm.focus) ? wm.focus : nullptr;
  if (hwnd == old) return old;
  if (hwnd && (!Rec(hwnd) || Disabled(hwnd))) return old;
  if (hwnd) {
    HWND top = TopLevelOf(hwnd);
    if (wm.active != top) {
      R(top)->lastFocus = hwnd;
      ActivateWindow(top, false);
      return old;
    }
  }
  wm.focus = hwnd;
  if (old) SendMessage(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  if (hwnd && Rec(hwnd) && wm.focus == hwnd) SendMessage(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return old;
}

HWND GetFocus() { return Rec(WM().focus) ? WM().focus : nullptr; }
HWND GetActiveWindow() { return Rec(WM().active) ? WM().active : nullptr; }

HWND SetActiveWindow(HWND hwnd) {
  HWND old = GetActiveWindow();
  if (Rec(hwnd)) ActivateWindow(TopLevelOf(hwnd), false);
  return old;
}

BOOL SetForegroundWindow(HWND hwnd) {
  if (!Rec(hwnd)) return 0;
  HWND top = TopLevelOf(hwnd);
  if (R(top)->native)
    if (auto* d = platform::Display()) d->Raise(R(top)->native);
  ActivateWindow(top, false);
  return 1;
}

BOOL GetCursorPos(POINT* p) {
  if (!p) return 0;
  if (auto* d = platform::Display()) {
    d->PointerPosition(p->x, p->y);
    WM().cursorPos = *p;
  } else {
    *p = WM().cursorPos;
  }
  return 1;
}

short GetKeyState(int vk) { return (vk >= 0 && vk < 256 && (WM().keys[vk] & 0x80)) ? static_cast<short>(0x8000) : 0; }
short GetAsyncKeyState(int vk) { return GetKeyState(vk); }

int SetCursor(int cursor) {
  WindowManager& wm = WM();
  int old = wm.cursor;
  wm.cursor = cursor;
  HWND top = wm.capture ? TopLevelOf(wm.capture) : wm.hover ? TopLevelOf(wm.hover) : nullptr;
  if (top && Rec(top) && R(top)->native)
    if (auto* d = platform::Display()) d->SetCursor(R(top)->native, ShapeOf(cursor));
  return old;
}
