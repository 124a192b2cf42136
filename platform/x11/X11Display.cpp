#include "platform/x11/X11Display.h"

#include <sys/eventfd.h>
#include <unistd.h>
#include "platform/x11/XlibHeaders.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/x11/X11ErrorTrap.h"
#include "platform/x11/X11Properties.h"

namespace platform {

std::unique_ptr<DisplayBackend> OpenX11Display(std::string* error) {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) {
    if (error) *error = "DISPLAY is not set, so there is no X server to show windows on";
    return nullptr;
  }
  x11::InstallErrorHandler();
  x11::XDisplay* dpy = XOpenDisplay(name);
  if (!dpy) {
    if (error) *error = std::string("cannot open the X display \"") + name + "\"";
    return nullptr;
  }
  return std::make_unique<x11::X11Display>(dpy);
}

std::unique_ptr<DisplayBackend> OpenSystemDisplay(std::string* error) { return OpenX11Display(error); }

}  // namespace platform

namespace platform::x11 {

X11Display::X11Display(XDisplay* dpy)
    : dpy_(dpy),
      screen_(DefaultScreen(dpy)),
      root_(RootWindow(dpy, screen_)),
      defaultVisual_(DefaultVisual(dpy, screen_)),
      defaultDepth_(DefaultDepth(dpy, screen_)) {
  InstallErrorHandler();
  atoms_.Intern(dpy_);

  XVisualInfo argb{};
  if (XMatchVisualInfo(dpy_, screen_, 32, TrueColor, &argb)) argbVisual_ = argb.visual;
  std::string selection = "_NET_WM_CM_S" + std::to_string(screen_);
  compositorSelection_ = XInternAtom(dpy_, selection.c_str(), False);

  int eventBase = 0, errorBase = 0;
  hasShape_ = XShapeQueryExtension(dpy_, &eventBase, &errorBase);
  int major = 0, minor = 0;
  hasRandr_ = XRRQueryExtension(dpy_, &eventBase, &errorBase) && XRRQueryVersion(dpy_, &major, &minor) &&
              (major > 1 || (major == 1 && minor >= 5));
  if (XShmQueryExtension(dpy_)) {
    shm_.usable = true;  // until the first attach proves otherwise
    shm_.completionType = XShmGetEventBase(dpy_) + ShmCompletion;
  }

  // Held keys repeat as presses without releases in between, as on Windows.
  Bool detectable = False;
  XkbSetDetectableAutoRepeat(dpy_, True, &detectable);

  // The input method composes text; the built-in one stands in when the
  // user's cannot be reached.
  XSetLocaleModifiers("");
  im_ = XOpenIM(dpy_, nullptr, nullptr, nullptr);
  if (!im_) {
    XSetLocaleModifiers("@im=none");
    im_ = XOpenIM(dpy_, nullptr, nullptr, nullptr);
  }

  wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  // Work area and window-manager changes are announced on the root window.
  XSelectInput(dpy_, root_, PropertyChangeMask);
}

X11Display::~X11Display() {
  std::vector<Window> ids;
  for (const auto& [id, rec] : windows_) ids.push_back(id);
  for (Window id : ids) DestroyWindow(id);
  for (Cursor c : cursors_)
    if (c) XFreeCursor(dpy_, c);
  if (im_) XCloseIM(im_);
  if (wakeFd_ >= 0) close(wakeFd_);
  XCloseDisplay(dpy_);
}

X11Display::WindowRecord* X11Display::Find(NativeWindow w) {
  auto it = windows_.find(static_cast<Window>(w));
  return it == windows_.end() ? nullptr : it->second.get();
}

const X11Display::WmInfo& X11Display::Wm() {
  if (wm_) return *wm_;
  WmInfo info;
  // A compliant window manager names a window of its own on the root, and
  // that window names itself; a stale entry left by a dead one does not.
  if (auto check = ReadLong(dpy_, root_, atoms_._NET_SUPPORTING_WM_CHECK, XA_WINDOW)) {
    auto self = ReadLong(dpy_, static_cast<Window>(*check), atoms_._NET_SUPPORTING_WM_CHECK, XA_WINDOW);
    info.running = self && *self == *check;
  }
  if (info.running) {
    for (unsigned long a : ReadLongs(dpy_, root_, atoms_._NET_SUPPORTED, XA_ATOM))
      info.supported.push_back(static_cast<Atom>(a));
  }
  wm_ = std::move(info);
  return *wm_;
}

bool X11Display::WmSupports(Atom a) {
  const WmInfo& wm = Wm();
  return wm.running && std::find(wm.supported.begin(), wm.supported.end(), a) != wm.supported.end();
}

void X11Display::SendToRoot(Window about, Atom type, long d0, long d1, long d2, long d3, long d4) {
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = about;
  ev.xclient.message_type = type;
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = d0;
  ev.xclient.data.l[1] = d1;
  ev.xclient.data.l[2] = d2;
  ev.xclient.data.l[3] = d3;
  ev.xclient.data.l[4] = d4;
  XSendEvent(dpy_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
}

void X11Display::Flush() { XFlush(dpy_); }

void X11Display::Sync() { XSync(dpy_, False); }

}  // namespace platform::x11
