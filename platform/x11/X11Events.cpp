// Waiting for and translating X events into the backend's events.
#include <poll.h>
#include <unistd.h>
#include "platform/x11/XlibHeaders.h"

#include <cerrno>
#include <chrono>
#include <cstdint>

#include "platform/x11/X11Display.h"
#include "platform/x11/X11Keys.h"
#include "platform/x11/X11Properties.h"

namespace platform::x11 {

namespace {

unsigned Modifiers(unsigned state) {
  unsigned m = 0;
  if (state & ShiftMask) m |= kModShift;
  if (state & ControlMask) m |= kModControl;
  if (state & Mod1Mask) m |= kModAlt;
  if (state & Button1Mask) m |= kModButtonLeft;
  if (state & Button2Mask) m |= kModButtonMiddle;
  if (state & Button3Mask) m |= kModButtonRight;
  return m;
}

constexpr int kWheelStep = 120;
constexpr unsigned long kWmStateNormal = 1, kWmStateIconic = 3;

}  // namespace

bool X11Display::PollEvent(Event& e) {
  while (queue_.empty() && XPending(dpy_) > 0) {
    XEvent xe;
    XNextEvent(dpy_, &xe);
    // The input method may take key events to compose text.
    if (XFilterEvent(&xe, None)) continue;
    Translate(xe);
  }
  if (queue_.empty()) return false;
  e = std::move(queue_.front());
  queue_.pop_front();
  return true;
}

void X11Display::WaitEvents(int timeoutMs) {
  if (!queue_.empty()) return;
  XFlush(dpy_);
  // Events already read from the socket would not wake poll().
  if (XEventsQueued(dpy_, QueuedAlready) > 0) return;
  using Clock = std::chrono::steady_clock;
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  pollfd fds[2] = {{ConnectionNumber(dpy_), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
  for (;;) {
    int wait = -1;
    if (timeoutMs >= 0) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      wait = left > 0 ? static_cast<int>(left) : 0;
    }
    int n = poll(fds, 2, wait);
    if (n < 0 && errno == EINTR) continue;
    break;
  }
  if (fds[1].revents & POLLIN) {
    std::uint64_t count = 0;
    [[maybe_unused]] ssize_t got = read(wakeFd_, &count, sizeof count);
  }
}

void X11Display::Wake() {
  // Only a write to the event counter: no Xlib call may run on this thread.
  std::uint64_t one = 1;
  [[maybe_unused]] ssize_t put = write(wakeFd_, &one, sizeof one);
}

std::uint64_t X11Display::StampTime(Time t) {
  // The server's clock is 32 bits of milliseconds and wraps every 49 days.
  if (t != CurrentTime) {
    if (lastServerTime_ != CurrentTime && t < lastServerTime_ && lastServerTime_ - t > 0x80000000ul)
      timeHigh_ += 0x100000000ull;
    lastServerTime_ = t;
  }
  return timeHigh_ + lastServerTime_;
}

void X11Display::Push(Event e, WindowRecord& r) {
  e.window = r.id;
  if (!e.timeMs) e.timeMs = StampTime(CurrentTime);
  queue_.push_back(std::move(e));
}

Event X11Display::PointerEvent(EventType type, WindowRecord& r, int x, int y, int rootX, int rootY, unsigned state,
                               Time t) {
  Event e;
  e.type = type;
  e.window = r.id;
  e.x = x;
  e.y = y;
  // While the pointer is grabbed every pointer event belongs to the grabbing
  // window, wherever the pointer is, as with a captured mouse on Windows.
  if (grab_ && grab_ != r.id) {
    if (WindowRecord* g = Find(grab_)) {
      e.window = g->id;
      e.x = rootX - g->bounds.left;
      e.y = rootY - g->bounds.top;
    }
  }
  e.screenX = rootX;
  e.screenY = rootY;
  e.modifiers = Modifiers(state);
  e.timeMs = StampTime(t);
  return e;
}

void X11Display::Translate(XEvent& xe) {
  if (shm_.completionType && xe.type == shm_.completionType) {
    auto& done = reinterpret_cast<XShmCompletionEvent&>(xe);
    if (WindowRecord* r = Find(done.drawable)) r->image->CompletionArrived();
    return;
  }
  if (xe.type == MappingNotify) {
    XRefreshKeyboardMapping(&xe.xmapping);
    return;
  }
  if (xe.xany.window == root_) {
    if (xe.type == PropertyNotify) TranslateProperty(xe.xproperty);
    return;
  }
  WindowRecord* r = Find(xe.xany.window);
  if (!r) return;  // a window destroyed a moment ago

  switch (xe.type) {
    case MotionNotify: {
      // Later moves of an unbroken run replace earlier ones.
      while (XEventsQueued(dpy_, QueuedAlready) > 0) {
        XEvent next;
        XPeekEvent(dpy_, &next);
        if (next.type != MotionNotify || next.xmotion.window != xe.xmotion.window ||
            next.xmotion.state != xe.xmotion.state)
          break;
        XNextEvent(dpy_, &xe);
      }
      const XMotionEvent& m = xe.xmotion;
      Event e = PointerEvent(EventType::MouseMove, *r, m.x, m.y, m.x_root, m.y_root, m.state, m.time);
      if (hover_ && hover_ != e.window) {
        if (WindowRecord* previous = Find(hover_)) {
          Event left;
          left.type = EventType::PointerLeft;
          Push(left, *previous);
        }
      }
      hover_ = e.window;
      queue_.push_back(std::move(e));
      break;
    }
    case ButtonPress:
    case ButtonRelease: {
      const XButtonEvent& b = xe.xbutton;
      bool press = xe.type == ButtonPress;
      if (b.button == Button4 || b.button == Button5) {
        // Each wheel notch arrives as a press and a release; one event per notch.
        if (!press) break;
        Event e = PointerEvent(EventType::Wheel, *r, b.x, b.y, b.x_root, b.y_root, b.state, b.time);
        e.wheelDelta = b.button == Button4 ? kWheelStep : -kWheelStep;
        queue_.push_back(std::move(e));
        break;
      }
      if (b.button < Button1 || b.button > Button3) break;
      Event e = PointerEvent(press ? EventType::ButtonDown : EventType::ButtonUp, *r, b.x, b.y, b.x_root, b.y_root,
                             b.state, b.time);
      e.button = static_cast<int>(b.button);
      queue_.push_back(std::move(e));
      break;
    }
    case EnterNotify:
      StampTime(xe.xcrossing.time);
      break;
    case LeaveNotify: {
      // While the pointer is held, the holder keeps it; the release tells.
      const XCrossingEvent& c = xe.xcrossing;
      StampTime(c.time);
      if (c.mode == NotifyGrab || c.detail == NotifyInferior || grab_ || hover_ != r->id) break;
      hover_ = 0;
      queue_.push_back(PointerEvent(EventType::PointerLeft, *r, c.x, c.y, c.x_root, c.y_root, c.state, c.time));
      break;
    }
    case KeyPress:
    case KeyRelease:
      TranslateKey(*r, xe.xkey);
      break;
    case kXFocusIn:
    case kXFocusOut: {
      const XFocusChangeEvent& f = xe.xfocus;
      // Keyboard grabs of others (a window manager's switcher) are passing
      // moments, and pointer-root focus is not ours to report.
      if (f.mode == NotifyGrab || f.mode == NotifyUngrab || f.detail == NotifyPointer || f.detail == NotifyInferior)
        break;
      bool in = xe.type == kXFocusIn;
      if (in == (focused_ == r->id)) break;
      if (in && focused_) {
        if (WindowRecord* previous = Find(focused_)) {
          Event out;
          out.type = EventType::FocusOut;
          Push(out, *previous);
        }
      }
      focused_ = in ? r->id : 0;
      if (r->ic) in ? XSetICFocus(r->ic) : XUnsetICFocus(r->ic);
      Event e;
      e.type = in ? EventType::FocusIn : EventType::FocusOut;
      Push(e, *r);
      break;
    }
    case kXExpose: {
      const XExposeEvent& x = xe.xexpose;
      Event e;
      e.type = EventType::Expose;
      e.rect = {x.x, x.y, x.x + x.width, x.y + x.height};
      Push(e, *r);
      break;
    }
    case ConfigureNotify:
      TranslateConfigure(*r, xe.xconfigure);
      break;
    case ReparentNotify:
      r->reparented = xe.xreparent.parent != root_;
      break;
    case MapNotify:
      r->mapped = true;
      if (r->iconified && !Wm().running) {
        r->iconified = false;
        Event e;
        e.type = EventType::Deiconified;
        Push(e, *r);
      }
      break;
    case DestroyNotify:
      // Not by us (ours are forgotten before they go): a tool or another
      // client destroyed it. What it still had to say is dropped; the
      // program hears once that it is gone.
      if (xe.xdestroywindow.window == r->id) {
        Forget(*r, false);
        Event e;
        e.type = EventType::Destroyed;
        e.window = xe.xdestroywindow.window;
        e.timeMs = StampTime(CurrentTime);
        queue_.push_back(std::move(e));
      }
      break;
    case UnmapNotify:
      r->mapped = false;
      if (r->hideRequested) {
        r->hideRequested = false;
      } else if (!r->iconified && !Wm().running) {
        // Without a window manager only Minimize unmaps a window behind our back.
        r->iconified = true;
        Event e;
        e.type = EventType::Iconified;
        Push(e, *r);
      }
      break;
    case PropertyNotify:
      StampTime(xe.xproperty.time);
      if (xe.xproperty.atom == atoms_.WM_STATE && xe.xproperty.state == PropertyNewValue) {
        // A window manager reports iconic and normal state here.
        auto state = ReadLong(dpy_, r->id, atoms_.WM_STATE, atoms_.WM_STATE);
        bool iconic = state && *state == kWmStateIconic;
        bool normal = state && *state == kWmStateNormal;
        if (iconic != r->iconified && (iconic || normal)) {
          r->iconified = iconic;
          Event e;
          e.type = iconic ? EventType::Iconified : EventType::Deiconified;
          Push(e, *r);
        }
      }
      break;
    case ClientMessage:
      TranslateClientMessage(*r, xe.xclient);
      break;
    default:
      break;
  }
}

void X11Display::TranslateKey(WindowRecord& r, XKeyEvent& xk) {
  bool press = xk.type == KeyPress;
  KeySym typed = NoSymbol;
  Event e;
  e.type = press ? EventType::KeyDown : EventType::KeyUp;
  e.modifiers = Modifiers(xk.state);
  e.timeMs = StampTime(xk.time);
  if (press && r.ic) {
    char small[64];
    std::string big;
    char* buf = small;
    Status status = 0;
    int n = Xutf8LookupString(r.ic, &xk, buf, sizeof small, &typed, &status);
    if (status == XBufferOverflow) {
      big.resize(static_cast<size_t>(n));
      buf = big.data();
      n = Xutf8LookupString(r.ic, &xk, buf, n, &typed, &status);
    }
    if (status == XLookupChars || status == XLookupBoth) e.text = DecodeUtf8(buf, n);
    if (status == XLookupChars) typed = NoSymbol;
  }
  if (typed == NoSymbol) {
    char buf[32];
    int n = XLookupString(&xk, buf, sizeof buf, &typed, nullptr);
    if (press && !r.ic && n > 0) e.text = DecodeUtf8(buf, n);
  }
  if (press && e.text.empty())
    if (char32_t c = CharacterFor(typed)) e.text.push_back(c);
  // Windows types nothing for Delete.
  if (typed == XK_Delete || typed == XK_KP_Delete) e.text.clear();
  if (!press) e.text.clear();

  // The code names the key, not the character: the unshifted symbol, except
  // on the keypad, where Num Lock decides between digits and movement.
  KeySym base = XLookupKeysym(&xk, 0);
  e.key = KeyFor(IsKeypadKey(base) && IsKeypadKey(typed) ? typed : base);
  Push(std::move(e), r);
}

void X11Display::TranslateConfigure(WindowRecord& r, const XConfigureEvent& xc) {
  // An event from before our latest move or resize was carried out is
  // superseded by it; reporting it would send the caller back to old bounds
  // and, during a drag, make the window bounce between them.
  if (xc.serial < r.boundsSerial) return;
  int x = xc.x, y = xc.y;
  // Real events of a reparented window are relative to the frame; the window
  // manager's synthetic ones are already on the root.
  if (!xc.send_event && r.reparented) {
    Window child = 0;
    XTranslateCoordinates(dpy_, r.id, root_, 0, 0, &x, &y, &child);
  }
  IntRect bounds{x, y, x + xc.width, y + xc.height};
  if (bounds == r.bounds) return;  // our own request coming back
  r.bounds = bounds;
  Event e;
  e.type = EventType::Configure;
  e.rect = bounds;
  Push(e, r);
}

void X11Display::TranslateClientMessage(WindowRecord& r, const XClientMessageEvent& xc) {
  if (xc.message_type != atoms_.WM_PROTOCOLS || xc.format != 32) return;
  Atom protocol = static_cast<Atom>(xc.data.l[0]);
  if (protocol == atoms_.WM_DELETE_WINDOW) {
    StampTime(static_cast<Time>(xc.data.l[1]));
    Event e;
    e.type = EventType::CloseRequest;
    Push(e, r);
  } else if (protocol == atoms_._NET_WM_PING) {
    // Answering shows the window manager that the program is alive.
    XEvent reply{};
    reply.xclient = xc;
    reply.xclient.window = root_;
    XSendEvent(dpy_, root_, False, SubstructureNotifyMask | SubstructureRedirectMask, &reply);
  }
}

void X11Display::TranslateProperty(const XPropertyEvent& xp) {
  if (xp.atom == atoms_._NET_SUPPORTING_WM_CHECK || xp.atom == atoms_._NET_SUPPORTED) wm_.reset();
}

}  // namespace platform::x11
