// The pointer: capture, cursors, its position; the system's move and size
// loop; and the modal loops of the system's own (that loop, message boxes),
// during which the program's work goes on from a timer.
#include <windows.h>
// The backend's own CreateWindow, not the system's macro.
#undef CreateWindow

#include "platform/win32/Win32Display.h"
#include "platform/win32/Win32Text.h"

namespace platform::win32 {

namespace {

// How often the program's work runs inside a modal loop of the system's.
constexpr UINT kModalIdleMs = 10;

// The size-command code (WMSZ_*) of each edge; the move is the caption's.
WPARAM MoveSizeCommand(MoveSizeEdge edge) {
  constexpr WPARAM kMoveByCaption = SC_MOVE | HTCAPTION;
  switch (edge) {
    case MoveSizeEdge::Move: return kMoveByCaption;
    case MoveSizeEdge::Left: return SC_SIZE | WMSZ_LEFT;
    case MoveSizeEdge::Right: return SC_SIZE | WMSZ_RIGHT;
    case MoveSizeEdge::Top: return SC_SIZE | WMSZ_TOP;
    case MoveSizeEdge::TopLeft: return SC_SIZE | WMSZ_TOPLEFT;
    case MoveSizeEdge::TopRight: return SC_SIZE | WMSZ_TOPRIGHT;
    case MoveSizeEdge::Bottom: return SC_SIZE | WMSZ_BOTTOM;
    case MoveSizeEdge::BottomLeft: return SC_SIZE | WMSZ_BOTTOMLEFT;
    case MoveSizeEdge::BottomRight: return SC_SIZE | WMSZ_BOTTOMRIGHT;
  }
  return kMoveByCaption;
}

LPCWSTR CursorId(CursorShape shape) {
  switch (shape) {
    case CursorShape::IBeam: return IDC_IBEAM;
    case CursorShape::Wait: return IDC_WAIT;
    case CursorShape::Cross: return IDC_CROSS;
    case CursorShape::Hand: return IDC_HAND;
    case CursorShape::SizeNWSE: return IDC_SIZENWSE;
    case CursorShape::SizeNESW: return IDC_SIZENESW;
    case CursorShape::SizeWE: return IDC_SIZEWE;
    case CursorShape::SizeNS: return IDC_SIZENS;
    case CursorShape::SizeAll: return IDC_SIZEALL;
    case CursorShape::No: return IDC_NO;
    case CursorShape::UpArrow: return IDC_UPARROW;
    case CursorShape::AppStarting: return IDC_APPSTARTING;
    case CursorShape::Help: return IDC_HELP;
    case CursorShape::Arrow: break;
  }
  return IDC_ARROW;
}

}  // namespace

HCURSOR CursorFor(CursorShape shape) { return LoadCursorW(nullptr, CursorId(shape)); }

void Win32Display::GrabPointer(NativeWindow w) {
  WindowRecord* r = Find(w);
  if (!r) return;
  grab_ = r->hwnd;
  SetCapture(r->hwnd);
}

void Win32Display::UngrabPointer() {
  grab_ = nullptr;
  if (GetCapture() && Find(reinterpret_cast<NativeWindow>(GetCapture()))) ReleaseCapture();
  // The pointer may have left while it was held; say so now, as the leave
  // was not reported then.
  WindowRecord* r = Find(reinterpret_cast<NativeWindow>(hover_));
  if (!r) return;
  POINT p;
  GetCursorPos(&p);
  if (WindowFromPoint(p) == r->hwnd) return;
  hover_ = nullptr;
  r->tracking = false;
  Event e;
  e.type = EventType::PointerLeft;
  e.screenX = p.x;
  e.screenY = p.y;
  e.x = p.x - r->bounds.left;
  e.y = p.y - r->bounds.top;
  Push(e, *r);
}

void Win32Display::SetCursor(NativeWindow w, CursorShape shape) {
  WindowRecord* r = Find(w);
  if (!r) return;
  r->cursor = shape;
  // The system asks again (WM_SETCURSOR) when the pointer moves; until then
  // the new shape shows at once where the pointer already is.
  POINT p;
  if (GetCapture() == r->hwnd || (GetCursorPos(&p) && WindowFromPoint(p) == r->hwnd)) ::SetCursor(CursorFor(shape));
}

void Win32Display::PointerPosition(int& x, int& y) {
  POINT p{0, 0};
  GetCursorPos(&p);
  x = p.x;
  y = p.y;
}

bool Win32Display::BeginSystemMoveSize(NativeWindow w, MoveSizeEdge edge, int screenX, int screenY, int button) {
  WindowRecord* r = Find(w);
  // After the release the system's loop would wait for another one.
  if (!r || r->params.popup || button != 1 || !leftHeld_) return false;
  grab_ = nullptr;
  ReleaseCapture();
  SystemModal modal(*this);
  DefWindowProcW(r->hwnd, WM_SYSCOMMAND, MoveSizeCommand(edge), MAKELPARAM(screenX, screenY));
  // The loop ended with the release, which it took for itself.
  leftHeld_ = false;
  return true;
}

Win32Display::SystemModal::SystemModal(Win32Display& d) : d_(d) {
  if (d_.modalDepth_++ == 0) d_.idleTimer_ = SetTimer(nullptr, 0, kModalIdleMs, &Win32Display::ModalIdleTimer);
}

Win32Display::SystemModal::~SystemModal() {
  if (--d_.modalDepth_ == 0 && d_.idleTimer_) {
    KillTimer(nullptr, d_.idleTimer_);
    d_.idleTimer_ = 0;
  }
}

void CALLBACK Win32Display::ModalIdleTimer(HWND, UINT, UINT_PTR, DWORD) {
  Win32Display* d = instance_;
  // Once per modal loop: the program's work may open another one (a message
  // box), whose own turns then run it.
  if (!d || !d->modalIdle_ || d->idleDepth_ >= d->modalDepth_) return;
  const int outer = d->idleDepth_;
  d->idleDepth_ = d->modalDepth_;
  d->modalIdle_();
  d->idleDepth_ = outer;
}

int Win32Display::SystemMessageBox(NativeWindow owner, const std::string& text, const std::string& caption,
                                   unsigned type) {
  WindowRecord* r = Find(owner);
  // Without an owner the box holds every window of the thread.
  UINT flags = type | MB_SETFOREGROUND | (r ? 0 : MB_TASKMODAL);
  SystemModal modal(*this);
  return MessageBoxW(r ? r->hwnd : nullptr, Widen(text).c_str(), Widen(caption).c_str(), flags);
}

}  // namespace platform::win32
