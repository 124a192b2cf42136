// Native windows: creation, the hints the window manager reads, and the
// requests that place, show and shape them.
#include <unistd.h>
#include "platform/x11/XlibHeaders.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/x11/X11Display.h"
#include "platform/x11/X11Properties.h"

namespace platform::x11 {

namespace {

constexpr long kWindowEvents = ExposureMask | StructureNotifyMask | PropertyChangeMask | FocusChangeMask |
                               KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                               PointerMotionMask | EnterWindowMask | LeaveWindowMask;

// The window's largest side; larger icons are refused rather than sent.
constexpr int kMaxIconSide = 1024;

// The legacy hints that window managers read to leave a window undecorated.
struct MotifWmHints {
  unsigned long flags, functions, decorations;
  long inputMode;
  unsigned long status;
};
constexpr unsigned long kMotifHintsDecorations = 2;

short ClampShort(int v) { return static_cast<short>(std::clamp(v, SHRT_MIN, SHRT_MAX)); }
unsigned short ClampUShort(int v) { return static_cast<unsigned short>(std::clamp(v, 0, USHRT_MAX)); }

bool IsAscii(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

NativeWindow X11Display::CreateWindow(const NativeWindowParams& p) {
  auto rec = std::make_unique<WindowRecord>();
  rec->params = p;
  int width = std::max(1, p.width), height = std::max(1, p.height);

  XSetWindowAttributes a{};
  unsigned long mask = CWBackPixmap | CWBitGravity | CWEventMask | CWOverrideRedirect | CWBorderPixel;
  // No background: the surface is presented over whatever the server shows
  // at first, which avoids a flash of a fill colour before every repaint.
  a.background_pixmap = None;
  a.bit_gravity = NorthWestGravity;
  a.event_mask = kWindowEvents;
  a.override_redirect = p.popup ? True : False;
  a.border_pixel = 0;
  if (p.popup) {
    a.save_under = True;
    mask |= CWSaveUnder;
  }
  rec->visual = defaultVisual_;
  rec->depth = defaultDepth_;
  if (p.perPixelAlpha && argbVisual_) {
    rec->visual = argbVisual_;
    rec->depth = 32;
    rec->colormap = XCreateColormap(dpy_, root_, argbVisual_, AllocNone);
    a.colormap = rec->colormap;
    mask |= CWColormap;
  }
  Window id = XCreateWindow(dpy_, root_, p.x, p.y, static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                            rec->depth, InputOutput, rec->visual, mask, &a);
  rec->id = id;
  rec->bounds = {p.x, p.y, p.x + width, p.y + height};

  Atom protocols[] = {atoms_.WM_DELETE_WINDOW, atoms_._NET_WM_PING};
  XSetWMProtocols(dpy_, id, protocols, 2);
  MotifWmHints motif{kMotifHintsDecorations, 0, 0, 0, 0};
  XChangeProperty(dpy_, id, atoms_._MOTIF_WM_HINTS, atoms_._MOTIF_WM_HINTS, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&motif), 5);

  XWMHints wmHints{};
  wmHints.flags = InputHint | StateHint;
  wmHints.input = True;
  wmHints.initial_state = NormalState;
  XClassHint classHint{};
  const char* program = program_invocation_short_name;
  classHint.res_name = const_cast<char*>(program);
  classHint.res_class = const_cast<char*>(program);
  XSetWMProperties(dpy_, id, nullptr, nullptr, nullptr, 0, nullptr, &wmHints, &classHint);
  WriteLongs(dpy_, id, atoms_._NET_WM_PID, XA_CARDINAL, {static_cast<unsigned long>(getpid())});
  if (p.owner) XSetTransientForHint(dpy_, id, static_cast<Window>(p.owner));

  WindowRecord& r = *rec;
  windows_[id] = std::move(rec);
  SetSizeHints(r);
  SetWindowTypeAndState(r);
  CreateInputContext(r);
  r.image = std::make_unique<WindowImage>(dpy_, id, r.visual, r.depth, &shm_);
  return id;
}

void X11Display::SetSizeHints(WindowRecord& r) {
  // Position and size count as the user's, so that window managers place
  // the window where it was asked to be instead of where they would like.
  XSizeHints hints{};
  hints.flags = USPosition | PPosition | USSize | PSize | PWinGravity;
  hints.x = r.bounds.left;
  hints.y = r.bounds.top;
  hints.width = r.bounds.Width();
  hints.height = r.bounds.Height();
  hints.win_gravity = StaticGravity;
  XSetWMNormalHints(dpy_, r.id, &hints);
}

void X11Display::SetWindowTypeAndState(WindowRecord& r) {
  Atom type = r.params.popup        ? atoms_._NET_WM_WINDOW_TYPE_POPUP_MENU
              : r.params.toolWindow ? atoms_._NET_WM_WINDOW_TYPE_UTILITY
                                    : atoms_._NET_WM_WINDOW_TYPE_NORMAL;
  WriteLongs(dpy_, r.id, atoms_._NET_WM_WINDOW_TYPE, XA_ATOM, {type});
  if (r.params.toolWindow)
    WriteLongs(dpy_, r.id, atoms_._NET_WM_STATE, XA_ATOM,
               {atoms_._NET_WM_STATE_SKIP_TASKBAR, atoms_._NET_WM_STATE_SKIP_PAGER});
}

void X11Display::CreateInputContext(WindowRecord& r) {
  if (!im_) return;
  r.ic = XCreateIC(im_, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow, r.id, XNFocusWindow,
                   r.id, nullptr);
  if (!r.ic) return;
  // Some input methods need events of their own on the window.
  long filterEvents = 0;
  if (!XGetICValues(r.ic, XNFilterEvents, &filterEvents, nullptr) && filterEvents)
    XSelectInput(dpy_, r.id, kWindowEvents | filterEvents);
}

void X11Display::DestroyWindow(NativeWindow w) {
  if (WindowRecord* r = Find(w)) Forget(*r, true);
}

void X11Display::Forget(WindowRecord& r, bool destroyXWindow) {
  const Window id = r.id;
  if (grab_ == id) {
    XUngrabPointer(dpy_, CurrentTime);
    grab_ = 0;
  }
  if (hover_ == id) hover_ = 0;
  if (focused_ == id) focused_ = 0;
  r.image.reset();
  if (r.ic) XDestroyIC(r.ic);
  if (destroyXWindow) XDestroyWindow(dpy_, id);
  if (r.colormap) XFreeColormap(dpy_, r.colormap);
  windows_.erase(id);
  std::erase_if(queue_, [&](const Event& e) { return e.window == id; });
}

void X11Display::SetTitle(NativeWindow w, const std::string& utf8) {
  WindowRecord* r = Find(w);
  if (!r) return;
  WriteText(dpy_, r->id, atoms_._NET_WM_NAME, atoms_.UTF8_STRING, utf8);
  // The old property stays readable for tools that know no other.
  WriteText(dpy_, r->id, XA_WM_NAME, IsAscii(utf8) ? XA_STRING : atoms_.UTF8_STRING, utf8);
}

void X11Display::SetIcon(NativeWindow w, const std::uint32_t* argb, int width, int height) {
  WindowRecord* r = Find(w);
  if (!r || !argb || width <= 0 || height <= 0 || width > kMaxIconSide || height > kMaxIconSide) return;
  size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  std::vector<unsigned long> items;
  items.reserve(count + 2);
  items.push_back(static_cast<unsigned long>(width));
  items.push_back(static_cast<unsigned long>(height));
  items.insert(items.end(), argb, argb + count);
  WriteLongs(dpy_, r->id, atoms_._NET_WM_ICON, XA_CARDINAL, items);
}

void X11Display::SetBounds(NativeWindow w, int x, int y, int width, int height) {
  WindowRecord* r = Find(w);
  if (!r) return;
  width = std::max(1, width);
  height = std::max(1, height);
  IntRect old = r->bounds;
  r->bounds = {x, y, x + width, y + height};
  bool sameSize = old.Width() == width && old.Height() == height;
  const bool showing = r->blendHere && r->shown && !r->blankHidden;
  if (showing) TakeBackdrop(*r, old, r->bounds);
  if (r->blendHere && !sameSize) r->source.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  SetSizeHints(*r);
  r->boundsSerial = NextRequest(dpy_);
  XMoveResizeWindow(dpy_, r->id, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height));
  // A move shows the same pixels over another backdrop; a new size waits for
  // new pixels.
  if (showing && sameSize) PutBlended(*r, {{0, 0, width, height}});
}

void X11Display::Show(NativeWindow w, bool activate) {
  WindowRecord* r = Find(w);
  if (!r) return;
  r->hideRequested = false;
  if (r->params.perPixelAlpha && !r->shown) {
    r->blendHere = !BlendsPerPixelAlpha();
    // What lies below is read before the window covers it.
    if (r->blendHere) TakeBackdrop(*r, {}, r->bounds);
  }
  r->shown = true;
  r->blankHidden = false;
  if (!r->params.popup) {
    // A user time of 0 asks the window manager not to give the window focus.
    if (!activate)
      WriteLongs(dpy_, r->id, atoms_._NET_WM_USER_TIME, XA_CARDINAL, {0});
    else if (lastServerTime_ != CurrentTime)
      WriteLongs(dpy_, r->id, atoms_._NET_WM_USER_TIME, XA_CARDINAL, {lastServerTime_});
    else
      XDeleteProperty(dpy_, r->id, atoms_._NET_WM_USER_TIME);
  }
  XMapRaised(dpy_, r->id);
  if (activate && !r->params.popup) Focus(w);
}

void X11Display::Hide(NativeWindow w) {
  WindowRecord* r = Find(w);
  if (!r) return;
  r->shown = false;
  if (r->mapped) r->hideRequested = true;
  // Withdrawing (not only unmapping) tells a window manager that the window
  // is gone, not iconified.
  XWithdrawWindow(dpy_, r->id, screen_);
}

void X11Display::Minimize(NativeWindow w) {
  WindowRecord* r = Find(w);
  if (!r) return;
  if (Wm().running && !r->params.popup) {
    XIconifyWindow(dpy_, r->id, screen_);
    return;
  }
  // Without a window manager nobody would act on the request; unmapping is
  // the nearest thing, and the unmap reports the window iconified.
  if (r->mapped) {
    XUnmapWindow(dpy_, r->id);
  } else if (!r->iconified) {
    r->iconified = true;
    Event e;
    e.type = EventType::Iconified;
    Push(e, *r);
  }
}

void X11Display::Raise(NativeWindow w) {
  if (WindowRecord* r = Find(w)) XRaiseWindow(dpy_, r->id);
}

void X11Display::Focus(NativeWindow w) {
  WindowRecord* r = Find(w);
  if (!r) return;
  if (!r->params.popup && WmSupports(atoms_._NET_ACTIVE_WINDOW)) {
    // Source 1: the request comes from an application.
    SendToRoot(r->id, atoms_._NET_ACTIVE_WINDOW, 1, static_cast<long>(lastServerTime_), 0, 0, 0);
    return;
  }
  // Fails with BadMatch while the window is not yet viewable; the error is
  // recorded and nothing else happens.
  XSetInputFocus(dpy_, r->id, RevertToParent, CurrentTime);
}

void X11Display::SetShape(NativeWindow w, const std::vector<IntRect>& rects) {
  WindowRecord* r = Find(w);
  if (!r || !hasShape_) return;
  r->shape.clear();
  for (const IntRect& rc : rects)
    if (rc.right > rc.left && rc.bottom > rc.top)
      r->shape.push_back({ClampShort(rc.left), ClampShort(rc.top), ClampUShort(rc.Width()), ClampUShort(rc.Height())});
  r->shaped = !rects.empty();
  if (!r->shaped)
    XShapeCombineMask(dpy_, r->id, ShapeBounding, 0, 0, None, ShapeSet);
  else
    XShapeCombineRectangles(dpy_, r->id, ShapeBounding, 0, 0, r->shape.data(), static_cast<int>(r->shape.size()),
                            ShapeSet, Unsorted);
  ApplyInputShape(*r);
}

void X11Display::ApplyInputShape(WindowRecord& r) {
  if (r.passThrough) {
    XShapeCombineRectangles(dpy_, r.id, ShapeInput, 0, 0, nullptr, 0, ShapeSet, Unsorted);
  } else if (!r.shaped) {
    XShapeCombineMask(dpy_, r.id, ShapeInput, 0, 0, None, ShapeSet);
  } else {
    // The input shape follows the bounding one, so that clicks fall through
    // where nothing shows.
    XShapeCombineRectangles(dpy_, r.id, ShapeInput, 0, 0, r.shape.data(), static_cast<int>(r.shape.size()),
                            ShapeSet, Unsorted);
  }
}

void X11Display::SetPointerPassThrough(NativeWindow w, bool on) {
  WindowRecord* r = Find(w);
  if (!r || !hasShape_ || r->passThrough == on) return;
  r->passThrough = on;
  ApplyInputShape(*r);
}

void X11Display::SetOpacity(NativeWindow w, std::uint8_t alpha) {
  WindowRecord* r = Find(w);
  if (!r) return;
  if (alpha == 255) {
    XDeleteProperty(dpy_, r->id, atoms_._NET_WM_WINDOW_OPACITY);
    return;
  }
  WriteLongs(dpy_, r->id, atoms_._NET_WM_WINDOW_OPACITY, XA_CARDINAL, {alpha * 0x01010101ul});
}

void X11Display::Present(NativeWindow w, const std::uint32_t* pixels, int width, int height, int stride,
                         const std::vector<IntRect>& rects) {
  WindowRecord* r = Find(w);
  if (!r) return;
  if (!r->blendHere) {
    r->image->Put(pixels, width, height, stride, rects, r->bounds.Width(), r->bounds.Height());
    return;
  }
  const int bw = r->bounds.Width(), bh = r->bounds.Height();
  r->source.resize(static_cast<size_t>(bw) * static_cast<size_t>(bh));
  for (const IntRect& rc : rects) {
    int l = std::max(0, rc.left), t = std::max(0, rc.top);
    int rr = std::min({rc.right, width, bw}), b = std::min({rc.bottom, height, bh});
    for (int y = t; y < b; ++y)
      std::copy(pixels + static_cast<size_t>(y) * stride + l, pixels + static_cast<size_t>(y) * stride + rr,
                r->source.begin() + static_cast<long>(y) * bw + l);
  }
  // Fully transparent, the window is as good as not there: it leaves the
  // screen rather than show a picture of what was below it.
  bool blank = std::none_of(r->source.begin(), r->source.end(), [](std::uint32_t p) { return p >> 24; });
  if (blank) {
    if (r->shown && !r->blankHidden) {
      r->blankHidden = true;
      r->hideRequested = true;
      XUnmapWindow(dpy_, r->id);
    }
    return;
  }
  if (r->blankHidden && r->shown) {
    r->blankHidden = false;
    TakeBackdrop(*r, {}, r->bounds);
    XMapWindow(dpy_, r->id);
    PutBlended(*r, {{0, 0, bw, bh}});
    return;
  }
  PutBlended(*r, rects);
}

}  // namespace platform::x11
