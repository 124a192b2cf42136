// The pointer: grabs, cursors, its position, and handing a move or size
// over to the window manager.
#include "platform/x11/XlibHeaders.h"

#include "platform/x11/X11Display.h"

#include <iterator>

namespace platform::x11 {

namespace {

constexpr long kGrabEvents = ButtonPressMask | ButtonReleaseMask | PointerMotionMask | EnterWindowMask |
                             LeaveWindowMask;

// The look of each CursorShape (in its order): a shape of the server's
// cursor font, which Xlib dresses in the user's cursor theme where there is
// one, or first a theme's cursor of that name where the font has no such shape.
struct CursorLook {
  unsigned glyph;
  const char* themed;
};
constexpr CursorLook kCursorLooks[] = {
    {XC_left_ptr, nullptr},             // Arrow
    {XC_xterm, nullptr},                // IBeam
    {XC_watch, nullptr},                // Wait
    {XC_crosshair, nullptr},            // Cross
    {XC_hand2, nullptr},                // Hand
    {XC_bottom_right_corner, nullptr},  // SizeNWSE
    {XC_bottom_left_corner, nullptr},   // SizeNESW
    {XC_sb_h_double_arrow, nullptr},    // SizeWE
    {XC_sb_v_double_arrow, nullptr},    // SizeNS
    {XC_fleur, nullptr},                // SizeAll
    {XC_X_cursor, nullptr},             // No
    {XC_sb_up_arrow, nullptr},          // UpArrow
    {XC_watch, "left_ptr_watch"},       // AppStarting
    {XC_question_arrow, nullptr},       // Help
};
static_assert(std::size(kCursorLooks) == kCursorShapeCount);

// The direction codes of the window manager's move/resize request for the
// hit-test codes that start a move (caption) or a size (edges, corners).
// The _NET_WM_MOVERESIZE direction of each edge.
long MoveResizeDirection(MoveSizeEdge edge) {
  switch (edge) {
    case MoveSizeEdge::Move: return 8;
    case MoveSizeEdge::Left: return 7;
    case MoveSizeEdge::Right: return 3;
    case MoveSizeEdge::Top: return 1;
    case MoveSizeEdge::TopLeft: return 0;
    case MoveSizeEdge::TopRight: return 2;
    case MoveSizeEdge::Bottom: return 5;
    case MoveSizeEdge::BottomLeft: return 6;
    case MoveSizeEdge::BottomRight: return 4;
  }
  return -1;
}

}  // namespace

Cursor X11Display::CursorFor(CursorShape shape) {
  auto i = static_cast<size_t>(shape);
  if (i >= cursors_.size()) i = 0;
  if (cursors_[i]) return cursors_[i];
  const CursorLook& look = kCursorLooks[i];
  if (look.themed) cursors_[i] = XcursorLibraryLoadCursor(dpy_, look.themed);
  if (!cursors_[i]) cursors_[i] = XCreateFontCursor(dpy_, look.glyph);
  return cursors_[i];
}

void X11Display::GrabPointer(NativeWindow w) {
  WindowRecord* r = Find(w);
  if (!r) return;
  // Events go on being reported to the window under the pointer when it is
  // one of ours; translation hands them all to the grabbing window.
  XGrabPointer(dpy_, r->id, True, kGrabEvents, GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
  XFlush(dpy_);
  grab_ = r->id;
}

void X11Display::UngrabPointer() {
  XUngrabPointer(dpy_, CurrentTime);
  XFlush(dpy_);
  grab_ = 0;
  // The pointer may have left while it was held; say so now, as the
  // crossing was not reported then.
  if (WindowRecord* r = Find(hover_)) {
    Window rootReturn = 0, child = 0;
    int rx = 0, ry = 0, wx = 0, wy = 0;
    unsigned mask = 0;
    bool inside = XQueryPointer(dpy_, r->id, &rootReturn, &child, &rx, &ry, &wx, &wy, &mask) && wx >= 0 &&
                  wy >= 0 && wx < r->bounds.Width() && wy < r->bounds.Height();
    if (!inside) {
      hover_ = 0;
      Event e;
      e.type = EventType::PointerLeft;
      e.screenX = rx;
      e.screenY = ry;
      e.x = wx;
      e.y = wy;
      Push(e, *r);
    }
  }
}

void X11Display::SetCursor(NativeWindow w, CursorShape shape) {
  if (WindowRecord* r = Find(w)) XDefineCursor(dpy_, r->id, CursorFor(shape));
}

void X11Display::PointerPosition(int& x, int& y) {
  Window rootReturn = 0, child = 0;
  int wx = 0, wy = 0;
  unsigned mask = 0;
  x = y = 0;
  XQueryPointer(dpy_, root_, &rootReturn, &child, &x, &y, &wx, &wy, &mask);
}

bool X11Display::BeginSystemMoveSize(NativeWindow w, MoveSizeEdge edge, int screenX, int screenY, int button) {
  WindowRecord* r = Find(w);
  if (!r || r->params.popup || !WmSupports(atoms_._NET_WM_MOVERESIZE)) return false;
  long direction = MoveResizeDirection(edge);
  // The window manager grabs the pointer itself, which fails while we hold it.
  XUngrabPointer(dpy_, CurrentTime);
  grab_ = 0;
  // Source 1: the request comes from an application.
  SendToRoot(r->id, atoms_._NET_WM_MOVERESIZE, screenX, screenY, direction, button, 1);
  XFlush(dpy_);
  return true;
}

}  // namespace platform::x11
