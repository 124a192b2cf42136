#include "tests/e2e/XDriver.h"

#include "platform/Clock.h"
#include "platform/Png.h"

// Xlib last: its macros clash with names in the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace e2e {

namespace {

// Frames of a window manager put client windows a few levels below the root.
constexpr int kSearchDepth = 4;

std::string ReadText(Display* d, Window w, Atom property, Atom type) {
  Atom actual;
  int format;
  unsigned long n, after;
  unsigned char* data = nullptr;
  std::string out;
  if (XGetWindowProperty(d, w, property, 0, 4096, False, type, &actual, &format, &n, &after, &data) == Success && data) {
    if (actual == type && format == 8) out.assign(reinterpret_cast<char*>(data), n);
    XFree(data);
  }
  return out;
}

bool ShownOnScreen(Display* d, Window w) {
  XWindowAttributes a;
  return XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable;
}

// Errors about windows that vanished between a query and the next call are
// expected while the program opens and closes its boxes.
int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

template <class Test>
bool Poll(int timeoutMs, Test test) {
  const std::uint64_t end = platform::TickCount() + static_cast<std::uint64_t>(timeoutMs);
  for (;;) {
    if (test()) return true;
    if (platform::TickCount() >= end) return false;
    platform::SleepMs(25);
  }
}

}  // namespace

XDriver::XDriver(const std::string& displayName) {
  dpy_ = XOpenDisplay(displayName.c_str());
  if (dpy_) XSetErrorHandler(IgnoreErrors);
}

XDriver::~XDriver() {
  if (dpy_) XCloseDisplay(dpy_);
}

std::string XDriver::TitleOf(XWindowId w) const {
  std::string name = ReadText(dpy_, w, XInternAtom(dpy_, "_NET_WM_NAME", False), XInternAtom(dpy_, "UTF8_STRING", False));
  return name.empty() ? ReadText(dpy_, w, XA_WM_NAME, XA_STRING) : name;
}

XWindowId XDriver::Search(XWindowId from, const std::string& title, XWindowId except, int depth) const {
  Window root, parent, *kids = nullptr;
  unsigned n = 0;
  XWindowId found = 0;
  if (!XQueryTree(dpy_, from, &root, &parent, &kids, &n)) return 0;
  // Topmost first: a box opened over an older one of the same title wins.
  for (unsigned i = n; i-- > 0 && !found;) {
    if (kids[i] != except && TitleOf(kids[i]) == title && ShownOnScreen(dpy_, kids[i])) found = kids[i];
    else if (depth > 1) found = Search(kids[i], title, except, depth - 1);
  }
  if (kids) XFree(kids);
  return found;
}

XWindowId XDriver::Find(const std::string& title, XWindowId except) const {
  XSync(dpy_, False);
  return Search(DefaultRootWindow(dpy_), title, except, kSearchDepth);
}

XWindowId XDriver::WaitFor(const std::string& title, int timeoutMs, XWindowId except) const {
  XWindowId w = 0;
  Poll(timeoutMs, [&] { return (w = Find(title, except)) != 0; });
  return w;
}

bool XDriver::Viewable(XWindowId window) const { return ShownOnScreen(dpy_, window); }

bool XDriver::WaitClosed(XWindowId window, int timeoutMs) const {
  return Poll(timeoutMs, [&] { return !Viewable(window); });
}

void XDriver::Collect(XWindowId from, int depth, std::vector<std::string>& out) const {
  Window root, parent, *kids = nullptr;
  unsigned n = 0;
  if (!XQueryTree(dpy_, from, &root, &parent, &kids, &n)) return;
  for (unsigned i = 0; i < n; ++i) {
    std::string t = TitleOf(kids[i]);
    if (!t.empty() && ShownOnScreen(dpy_, kids[i])) out.push_back(t);
    if (depth > 1) Collect(kids[i], depth - 1, out);
  }
  if (kids) XFree(kids);
}

std::vector<std::string> XDriver::Titles() const {
  std::vector<std::string> out;
  XSync(dpy_, False);
  Collect(DefaultRootWindow(dpy_), kSearchDepth, out);
  return out;
}

bool XDriver::HasFocus(XWindowId window) const {
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(dpy_, &focus, &revert);
  // The focus may sit on a descendant; walk up from it to the root.
  for (Window w = focus; w && w != PointerRoot; ) {
    if (w == window) return true;
    Window root, parent, *kids = nullptr;
    unsigned n = 0;
    if (!XQueryTree(dpy_, w, &root, &parent, &kids, &n)) return false;
    if (kids) XFree(kids);
    if (w == root) return false;
    w = parent;
  }
  return false;
}

bool XDriver::WaitForFocus(XWindowId window, int timeoutMs) const {
  return Poll(timeoutMs, [&] { return HasFocus(window); });
}

void XDriver::Activate(XWindowId window) const {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = window;
  e.xclient.message_type = XInternAtom(dpy_, "_NET_ACTIVE_WINDOW", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = 2;  // a request on the user's behalf
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(dpy_, DefaultRootWindow(dpy_), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
  XFlush(dpy_);
}

std::vector<XDriver::TopWindow> XDriver::Stack() const {
  std::vector<TopWindow> out;
  Window root = 0, parent = 0, *children = nullptr;
  unsigned n = 0;
  if (!XQueryTree(dpy_, DefaultRootWindow(dpy_), &root, &parent, &children, &n)) return out;
  for (unsigned i = 0; i < n; ++i) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(dpy_, children[i], &a)) continue;
    out.push_back({children[i], a.x, a.y, a.width, a.height, a.map_state == IsViewable});
  }
  if (children) XFree(children);
  return out;
}

XWindowId XDriver::Backdrop(std::uint32_t rgb) const {
  XSetWindowAttributes a{};
  a.override_redirect = True;
  a.background_pixel = rgb;
  Window w = XCreateWindow(dpy_, DefaultRootWindow(dpy_), 0, 0, static_cast<unsigned>(DisplayWidth(dpy_, 0)),
                           static_cast<unsigned>(DisplayHeight(dpy_, 0)), 0, CopyFromParent, InputOutput,
                           CopyFromParent, CWOverrideRedirect | CWBackPixel, &a);
  XMapWindow(dpy_, w);
  XLowerWindow(dpy_, w);
  XSync(dpy_, False);
  return w;
}

void XDriver::MovePointer(int x, int y) const {
  XTestFakeMotionEvent(dpy_, -1, x, y, CurrentTime);
  XSync(dpy_, False);
}

void XDriver::Drag(int fromX, int fromY, int toX, int toY, int stepMs) const {
  MovePointer(fromX, fromY);
  XTestFakeButtonEvent(dpy_, 1, True, CurrentTime);
  XSync(dpy_, False);
  const int steps = 5;
  for (int i = 1; i <= steps; ++i) {
    platform::SleepMs(stepMs);
    MovePointer(fromX + (toX - fromX) * i / steps, fromY + (toY - fromY) * i / steps);
  }
  platform::SleepMs(stepMs);
  XTestFakeButtonEvent(dpy_, 1, False, CurrentTime);
  XSync(dpy_, False);
}

void XDriver::RightClick(int x, int y) const {
  MovePointer(x, y);
  XTestFakeButtonEvent(dpy_, 3, True, CurrentTime);
  XSync(dpy_, False);
  platform::SleepMs(20);
  XTestFakeButtonEvent(dpy_, 3, False, CurrentTime);
  XSync(dpy_, False);
}

bool XDriver::PressKey(const std::string& keysymName) const {
  // "Alt_L+y": the keys of a chord, pressed in order and released in reverse.
  std::vector<KeyCode> chord;
  for (std::size_t start = 0;;) {
    const std::size_t plus = keysymName.find('+', start + 1);
    const std::string name = keysymName.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
    KeySym sym = XStringToKeysym(name.c_str());
    KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(dpy_, sym);
    if (!code) return false;
    chord.push_back(code);
    if (plus == std::string::npos) break;
    start = plus + 1;
  }
  for (KeyCode code : chord) XTestFakeKeyEvent(dpy_, code, True, CurrentTime);
  for (auto it = chord.rbegin(); it != chord.rend(); ++it) XTestFakeKeyEvent(dpy_, *it, False, CurrentTime);
  XSync(dpy_, False);
  return true;
}

bool XDriver::Answer(const std::string& title, const std::string& keysymName, int timeoutMs, std::string* why,
                     XWindowId except) const {
  XWindowId w = WaitFor(title, timeoutMs, except);
  if (!w) {
    if (why) *why = "no window titled \"" + title + "\" appeared";
    return false;
  }
  if (!WaitForFocus(w, 5000)) {
    if (why) *why = "the window titled \"" + title + "\" did not take the keyboard focus";
    return false;
  }
  if (!PressKey(keysymName)) {
    if (why) *why = "the keyboard has no key " + keysymName;
    return false;
  }
  return true;
}

XWindowId XDriver::AnswerUnderPointer(const std::string& title, const std::string& keysymName, int timeoutMs,
                                      std::string* why, XWindowId except) const {
  XWindowId w = WaitFor(title, timeoutMs, except);
  int x = 0, y = 0, width = 0, height = 0;
  if (!w || !Bounds(w, x, y, width, height)) {
    if (why) *why = "no window titled \"" + title + "\" appeared";
    return 0;
  }
  MovePointer(x + width / 2, y + height / 4);
  platform::SleepMs(300);  // the window's first paint, and the pointer's arrival
  if (!PressKey(keysymName)) {
    if (why) *why = "the keyboard has no key " + keysymName;
    return 0;
  }
  return w;
}

void XDriver::RequestClose(XWindowId window) const {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = window;
  e.xclient.message_type = XInternAtom(dpy_, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy_, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(dpy_, window, False, NoEventMask, &e);
  XFlush(dpy_);
}

void XDriver::Destroy(XWindowId window) const {
  XDestroyWindow(dpy_, window);
  XSync(dpy_, False);
}

bool XDriver::Bounds(XWindowId window, int& x, int& y, int& width, int& height) const {
  XWindowAttributes a;
  if (!XGetWindowAttributes(dpy_, window, &a)) return false;
  Window child;
  XTranslateCoordinates(dpy_, window, DefaultRootWindow(dpy_), 0, 0, &x, &y, &child);
  width = a.width;
  height = a.height;
  return true;
}

ScreenImage XDriver::Capture(int x, int y, int width, int height) const {
  ScreenImage out;
  XImage* img = XGetImage(dpy_, DefaultRootWindow(dpy_), x, y, static_cast<unsigned>(width),
                          static_cast<unsigned>(height), AllPlanes, ZPixmap);
  if (!img) return out;
  out.width = width;
  out.height = height;
  out.pixels.resize(static_cast<std::size_t>(width) * height);
  for (int row = 0; row < height; ++row)
    for (int col = 0; col < width; ++col)
      out.pixels[static_cast<std::size_t>(row) * width + col] = 0xFF000000u | (XGetPixel(img, col, row) & 0xFFFFFFu);
  XDestroyImage(img);
  return out;
}

ScreenImage XDriver::CaptureScreen() const {
  XWindowAttributes a;
  XGetWindowAttributes(dpy_, DefaultRootWindow(dpy_), &a);
  return Capture(0, 0, a.width, a.height);
}

void XDriver::CoverAndUncover(int x, int y, int width, int height, std::uint32_t rgb, int holdMs) const {
  XSetWindowAttributes a{};
  a.override_redirect = True;
  a.background_pixel = rgb;
  Window cover = XCreateWindow(dpy_, DefaultRootWindow(dpy_), x, y, static_cast<unsigned>(width),
                               static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                               CWOverrideRedirect | CWBackPixel, &a);
  XMapRaised(dpy_, cover);
  XSync(dpy_, False);
  platform::SleepMs(static_cast<std::uint32_t>(holdMs));
  XDestroyWindow(dpy_, cover);
  XSync(dpy_, False);
}

bool XDriver::SavePng(const ScreenImage& image, const std::string& path) {
  if (image.pixels.empty()) return false;
  return platform::WritePng(path, image.pixels.data(), image.width, image.height, image.width);
}

}  // namespace e2e
