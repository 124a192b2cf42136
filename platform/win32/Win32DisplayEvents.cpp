// The window procedure of the backend's windows, and waiting for and taking
// the events it turns the system's messages into.
#include <windows.h>
// The backend's own CreateWindow, not the system's macro.
#undef CreateWindow
#include <windowsx.h>

#include "platform/win32/Win32Display.h"

namespace platform::win32 {

namespace {

bool Held(int vk) { return GetKeyState(vk) & 0x8000; }

// The modifiers and buttons held as the message being handled has them.
unsigned HeldNow() {
  unsigned m = 0;
  if (Held(VK_SHIFT)) m |= kModShift;
  if (Held(VK_CONTROL)) m |= kModControl;
  if (Held(VK_MENU)) m |= kModAlt;
  if (Held(VK_LBUTTON)) m |= kModButtonLeft;
  if (Held(VK_MBUTTON)) m |= kModButtonMiddle;
  if (Held(VK_RBUTTON)) m |= kModButtonRight;
  return m;
}

unsigned ButtonBit(int button) {
  return button == 1 ? kModButtonLeft : button == 2 ? kModButtonMiddle : kModButtonRight;
}

unsigned ModifierBit(Key key) {
  switch (key) {
    case Key::Shift: return kModShift;
    case Key::Control: return kModControl;
    case Key::Alt: return kModAlt;
    default: return 0;
  }
}

// UTF-16 units as characters; a surrogate pair is one.
std::u32string Decode(const std::u16string& units) {
  std::u32string text;
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000)
      c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
    text.push_back(c);
  }
  return text;
}

// The key a virtual-key code names; the left and right modifier keys are
// one key each.
Key KeyOf(std::uintptr_t vk) {
  switch (vk) {
    case VK_LSHIFT: case VK_RSHIFT: return Key::Shift;
    case VK_LCONTROL: case VK_RCONTROL: return Key::Control;
    case VK_LMENU: case VK_RMENU: return Key::Alt;
    default: return KeyOfVirtualKey(static_cast<unsigned>(vk));
  }
}

}  // namespace

LRESULT CALLBACK Win32Display::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  WindowRecord* r = instance_ ? RecordOf(hwnd) : nullptr;
  return r ? instance_->Handle(*r, msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT Win32Display::Handle(WindowRecord& r, unsigned msg, WPARAM wp, LPARAM lp) {
  HWND hwnd = r.hwnd;
  switch (msg) {
    case WM_MOUSEMOVE:
      if (!r.tracking) {
        TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, hwnd, 0};
        r.tracking = TrackMouseEvent(&t);
      }
      hover_ = hwnd;
      PushMouse(r, EventType::MouseMove, 0, lp);
      return 0;
    case WM_LBUTTONDOWN: PushMouse(r, EventType::ButtonDown, 1, lp); return 0;
    case WM_LBUTTONUP: PushMouse(r, EventType::ButtonUp, 1, lp); return 0;
    case WM_MBUTTONDOWN: PushMouse(r, EventType::ButtonDown, 2, lp); return 0;
    case WM_MBUTTONUP: PushMouse(r, EventType::ButtonUp, 2, lp); return 0;
    case WM_RBUTTONDOWN: PushMouse(r, EventType::ButtonDown, 3, lp); return 0;
    case WM_RBUTTONUP: PushMouse(r, EventType::ButtonUp, 3, lp); return 0;
    case WM_MOUSEWHEEL: PushWheel(r, wp, lp); return 0;
    case WM_MOUSELEAVE:
      r.tracking = false;
      // While the pointer is held, the holder keeps it; the release tells.
      if (!grab_ && hover_ == hwnd) {
        hover_ = nullptr;
        Event e;
        e.type = EventType::PointerLeft;
        Push(e, r);
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (grab_ == hwnd && reinterpret_cast<HWND>(lp) != hwnd) grab_ = nullptr;
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      PushKey(r, true, wp);
      return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      PushKey(r, false, wp);
      return 0;
    case WM_CHAR:
    case WM_SYSCHAR:
      // Characters that came without their key (an input method's): they
      // are typed all the same. Those of a key join its event (TakeTypedText).
      PushCharacters(r, std::u16string(1, static_cast<char16_t>(wp)));
      return 0;
    case WM_SYSCOMMAND:
      // Alt and F10 open no system menu: the window layer has the keyboard.
      if ((wp & 0xFFF0) == SC_KEYMENU) return 0;
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      Event e;
      e.type = msg == WM_SETFOCUS ? EventType::FocusIn : EventType::FocusOut;
      Push(e, r);
      return 0;
    }
    case WM_MOUSEACTIVATE:
      // The window layer decides which window a click activates.
      return MA_NOACTIVATE;
    case WM_SETCURSOR:
      if (LOWORD(lp) == HTCLIENT) {
        ::SetCursor(CursorFor(r.cursor));
        return TRUE;
      }
      break;
    case WM_ERASEBKGND:
      return 1;  // the bitmap covers it all
    case WM_PAINT:
      PaintFromBitmap(r);
      return 0;
    case WM_CLOSE: {
      Event e;
      e.type = EventType::CloseRequest;
      Push(e, r);
      return 0;
    }
    case WM_SIZE:
      if (wp == SIZE_MINIMIZED && !r.iconified) {
        r.iconified = true;
        Event e;
        e.type = EventType::Iconified;
        Push(e, r);
      } else if (wp != SIZE_MINIMIZED && r.iconified) {
        r.iconified = false;
        Event e;
        e.type = EventType::Deiconified;
        Push(e, r);
      }
      return 0;
    case WM_WINDOWPOSCHANGED: {
      // Moves and sizes of the system's (its move loop, a monitor that went
      // away), not of ours, and not the parking of a minimised window.
      const LRESULT result = DefWindowProcW(hwnd, msg, wp, lp);
      RECT wr;
      if (!ownChanges_ && !IsIconic(hwnd) && GetWindowRect(hwnd, &wr)) {
        const IntRect bounds{wr.left, wr.top, wr.right, wr.bottom};
        if (bounds != r.bounds) {
          r.bounds = bounds;
          Event e;
          e.type = EventType::Configure;
          e.rect = bounds;
          Push(e, r);
        }
      }
      return result;
    }
    case WM_DESTROY:
      if (!r.destroying) {
        // Not by us: the program hears once that it is gone.
        const NativeWindow gone = reinterpret_cast<NativeWindow>(hwnd);
        Forget(r);
        Event e;
        e.type = EventType::Destroyed;
        e.window = gone;
        e.timeMs = StampTime(GetMessageTime());
        queue_.push_back(e);
      }
      return 0;
    case WM_DPICHANGED:
      return 0;  // drawn at 96 DPI everywhere
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

std::uint64_t Win32Display::StampTime(std::uint32_t t) {
  // The system's clock is 32 bits of milliseconds and wraps every 49 days.
  if (t < lastMessageTime_ && lastMessageTime_ - t > 0x80000000u) timeHigh_ += 0x100000000ull;
  lastMessageTime_ = t;
  return timeHigh_ + t;
}

void Win32Display::Push(Event e, WindowRecord& r) {
  e.window = reinterpret_cast<NativeWindow>(r.hwnd);
  if (!e.timeMs) e.timeMs = StampTime(GetMessageTime());
  queue_.push_back(std::move(e));
}

void Win32Display::PushMouse(WindowRecord& r, EventType type, int button, LPARAM lp) {
  Event e;
  e.type = type;
  e.button = button;
  // The windows have no frame: client coordinates are window coordinates.
  // While the pointer is held they belong to the holder, wherever it is.
  e.x = GET_X_LPARAM(lp);
  e.y = GET_Y_LPARAM(lp);
  POINT s{e.x, e.y};
  ClientToScreen(r.hwnd, &s);
  e.screenX = s.x;
  e.screenY = s.y;
  // As the buttons were before the event.
  e.modifiers = HeldNow();
  if (type == EventType::ButtonDown) e.modifiers &= ~ButtonBit(button);
  if (type == EventType::ButtonUp) e.modifiers |= ButtonBit(button);
  Push(std::move(e), r);
}

void Win32Display::PushWheel(WindowRecord& r, WPARAM wp, LPARAM lp) {
  Event e;
  e.type = EventType::Wheel;
  e.screenX = GET_X_LPARAM(lp);
  e.screenY = GET_Y_LPARAM(lp);
  e.wheelDelta = GET_WHEEL_DELTA_WPARAM(wp);
  e.modifiers = HeldNow();
  // The system sends the wheel to the focus; the event belongs to the
  // window of ours under the pointer, as on X11.
  WindowRecord* under = &r;
  if (HWND at = WindowFromPoint({e.screenX, e.screenY}))
    if (WindowRecord* other = Find(reinterpret_cast<NativeWindow>(at))) under = other;
  POINT c{e.screenX, e.screenY};
  ScreenToClient(under->hwnd, &c);
  e.x = c.x;
  e.y = c.y;
  Push(std::move(e), *under);
}

void Win32Display::PushKey(WindowRecord& r, bool down, WPARAM wp) {
  Event e;
  e.type = down ? EventType::KeyDown : EventType::KeyUp;
  e.key = KeyOf(wp);
  e.modifiers = HeldNow();
  // As the modifiers were before the event.
  if (const unsigned own = ModifierBit(e.key)) e.modifiers = down ? e.modifiers & ~own : e.modifiers | own;
  Push(std::move(e), r);
}

void Win32Display::PushCharacters(WindowRecord& r, const std::u16string& units) {
  Event e;
  e.type = EventType::KeyDown;
  e.text = Decode(units);
  e.modifiers = HeldNow();
  Push(std::move(e), r);
}

void Win32Display::TakeTypedText(HWND hwnd) {
  if (queue_.empty() || queue_.back().type != EventType::KeyDown ||
      queue_.back().window != reinterpret_cast<NativeWindow>(hwnd))
    return;
  // They were posted by TranslateMessage and come first in the queue.
  std::u16string units;
  MSG m;
  while (PeekMessageW(&m, hwnd, WM_CHAR, WM_DEADCHAR, PM_REMOVE) ||
         PeekMessageW(&m, hwnd, WM_SYSCHAR, WM_SYSDEADCHAR, PM_REMOVE))
    if (m.message == WM_CHAR || m.message == WM_SYSCHAR) units.push_back(static_cast<char16_t>(m.wParam));
  queue_.back().text += Decode(units);
}

void Win32Display::NoteLeftButton(const Event& e) {
  if (e.button != 1) return;
  if (e.type == EventType::ButtonDown) leftHeld_ = true;
  if (e.type == EventType::ButtonUp) leftHeld_ = false;
}

bool Win32Display::PollEvent(Event& e) {
  // Inside a modal loop of the system's, its messages are its own: only what
  // that loop dispatched to the windows is taken.
  while (queue_.empty() && modalDepth_ == 0) {
    MSG m;
    if (!PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) break;
    if (m.message == WM_QUIT) continue;  // the window layer has its own
    const bool key = m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN;
    TranslateMessage(&m);
    DispatchMessageW(&m);
    if (key) TakeTypedText(m.hwnd);
  }
  if (queue_.empty()) return false;
  e = std::move(queue_.front());
  queue_.pop_front();
  NoteLeftButton(e);
  return true;
}

void Win32Display::WaitEvents(int timeoutMs) {
  if (!queue_.empty()) return;
  const DWORD wait = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
  HANDLE wake = wake_;
  if (modalDepth_ > 0)
    WaitForSingleObject(wake, wait);
  else
    MsgWaitForMultipleObjectsEx(1, &wake, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

void Win32Display::Wake() { SetEvent(wake_); }

}  // namespace platform::win32
