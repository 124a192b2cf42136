// The X11 backend against a real X server: what it shows, the hints it
// leaves for window managers, and how it waits.

#include <algorithm>
#include <atomic>
#include <thread>

#include "tests/platform/X11TestFixture.h"

using platform::Event;
using platform::EventType;
using platform::IntRect;
using platform::MoveSizeEdge;
using platform::NativeWindow;
using platform::NativeWindowParams;

namespace {

constexpr int kW = 444, kH = 141;

// A surface wider than the window's rows (stride) with a pattern that
// differs at every pixel and in every channel, alpha included.
struct Surface {
  int width, height, stride;
  std::vector<std::uint32_t> pixels;
  Surface(int w, int h, std::uint32_t seed) : width(w), height(h), stride(w + 7), pixels(size_t(stride) * h) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < stride; ++x)
        pixels[size_t(y) * stride + x] = (std::uint32_t(x) * 2654435761u) ^ (std::uint32_t(y) * 40503u) ^ seed;
  }
  std::uint32_t At(int x, int y) const { return pixels[size_t(y) * stride + x]; }
};

// Premultiplies a pattern word so that it is a valid layered-window pixel.
std::uint32_t Premultiplied(std::uint32_t p) {
  std::uint32_t a = p >> 24;
  auto ch = [&](int s) { return (((p >> s) & 0xFF) * a / 255) << s; };
  return (a << 24) | ch(16) | ch(8) | ch(0);
}

std::vector<std::uint32_t> ReadBack(Display* dpy, Window w, int width, int height) {
  XImage* image = XGetImage(dpy, w, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
  std::vector<std::uint32_t> out;
  if (!image) return out;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) out.push_back(std::uint32_t(XGetPixel(image, x, y)));
  XDestroyImage(image);
  return out;
}

std::string ReadText(Display* dpy, Window w, Atom property, Atom* type) {
  Atom actual = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::string text;
  if (XGetWindowProperty(dpy, w, property, 0, 4096, False, AnyPropertyType, &actual, &format, &count, &after,
                         &data) == Success &&
      data && format == 8)
    text.assign(reinterpret_cast<char*>(data), count);
  if (data) XFree(data);
  if (type) *type = actual;
  return text;
}

std::vector<unsigned long> ReadLongs(Display* dpy, Window w, Atom property) {
  Atom actual = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<unsigned long> items;
  if (XGetWindowProperty(dpy, w, property, 0, 1 << 20, False, AnyPropertyType, &actual, &format, &count, &after,
                         &data) == Success &&
      data && format == 32)
    for (unsigned long i = 0; i < count; ++i) items.push_back(reinterpret_cast<unsigned long*>(data)[i] & 0xFFFFFFFF);
  if (data) XFree(data);
  return items;
}

Atom A(Display* dpy, const char* name) { return XInternAtom(dpy, name, False); }

}  // namespace

// Both upload paths must put every pixel of every rectangle in its place,
// from a surface whose rows are longer than the window.
class X11PresentTest : public X11Test, public ::testing::WithParamInterface<bool> {};

TEST_P(X11PresentTest, RectanglesArrivePixelExact) {
  bool shared = GetParam();
  x11_->PreferSharedMemory(shared);
  NativeWindow w = ShowWindow({50, 60, kW, kH});
  Surface first(kW, kH, 0x11000000), second(kW, kH, 0x5A5A5A5A);
  x11_->Present(w, first.pixels.data(), kW, kH, first.stride, {{0, 0, kW, kH}});
  // Two rectangles of another picture, one of them reaching past the window.
  std::vector<IntRect> rects = {{3, 5, 70, 40}, {400, 100, kW + 50, kH + 20}};
  x11_->Present(w, second.pixels.data(), kW, kH, second.stride, rects);
  x11_->Sync();
  if (shared) {
    ASSERT_TRUE(x11_->SharedMemoryUsable()) << "a local Xvfb attaches shared memory";
  }

  std::vector<std::uint32_t> shown = ReadBack(observer_, Window(w), kW, kH);
  ASSERT_EQ(shown.size(), size_t(kW) * kH);
  int wrong = 0;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      bool inSecond = (x >= 3 && x < 70 && y >= 5 && y < 40) || (x >= 400 && y >= 100);
      std::uint32_t want = (inSecond ? second.At(x, y) : first.At(x, y)) & 0xFFFFFF;
      if ((shown[size_t(y) * kW + x] & 0xFFFFFF) == want) continue;
      if (wrong++ < 5)
        ADD_FAILURE() << "pixel " << x << "," << y << std::hex << " shows " << shown[size_t(y) * kW + x]
                      << " instead of " << want;
    }
  EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(Paths, X11PresentTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "SharedMemory" : "PutImage"; });

// A screen whose visual does not take $AARRGGBB words gets each pixel
// converted to its channel layout.
class X11SixteenBitTest : public X11Test {
 protected:
  int ScreenDepth() const override { return 16; }
};

TEST_F(X11SixteenBitTest, PixelsAreConvertedToTheVisualsLayout) {
  NativeWindow w = ShowWindow({0, 0, 80, 40});
  Surface s(80, 40, 0x00ABCDEF);
  x11_->Present(w, s.pixels.data(), 80, 40, s.stride, {{0, 0, 80, 40}, {10, 10, 20, 20}});
  x11_->Sync();
  std::vector<std::uint32_t> shown = ReadBack(observer_, Window(w), 80, 40);
  ASSERT_EQ(shown.size(), 80u * 40u);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 80; ++x) {
      std::uint32_t p = s.At(x, y);
      std::uint32_t rgb565 = (((p >> 19) & 0x1F) << 11) | (((p >> 10) & 0x3F) << 5) | ((p >> 3) & 0x1F);
      ASSERT_EQ(shown[size_t(y) * 80 + x], rgb565) << x << "," << y;
    }
}

// Makes the observer the screen's compositing manager, as far as anyone can
// tell: it owns the compositor's selection.
void ActAsCompositor(Display* dpy) {
  Window owner = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
  XSetSelectionOwner(dpy, XInternAtom(dpy, "_NET_WM_CM_S0", False), owner, CurrentTime);
  XSync(dpy, False);
}

TEST_F(X11Test, LayeredWindowKeepsPremultipliedAlpha) {
  // For a compositing manager to blend.
  ActAsCompositor(observer_);
  ASSERT_TRUE(x11_->BlendsPerPixelAlpha());
  NativeWindowParams p{10, 10, 64, 32};
  p.perPixelAlpha = true;
  NativeWindow w = ShowWindow(p);
  XWindowAttributes attrs{};
  ASSERT_TRUE(XGetWindowAttributes(observer_, Window(w), &attrs));
  ASSERT_EQ(attrs.depth, 32) << "a layered window needs a visual with alpha";

  Surface s(64, 32, 0x00C0FFEE);
  for (auto& px : s.pixels) px = Premultiplied(px);
  x11_->Present(w, s.pixels.data(), 64, 32, s.stride, {{0, 0, 64, 32}});
  x11_->Sync();
  std::vector<std::uint32_t> shown = ReadBack(observer_, Window(w), 64, 32);
  ASSERT_EQ(shown.size(), 64u * 32u);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) ASSERT_EQ(shown[size_t(y) * 64 + x], s.At(x, y)) << x << "," << y;
}

TEST_F(X11Test, WithoutACompositorALayeredWindowShowsBlendedOverWhatWasBelow) {
  ASSERT_FALSE(x11_->BlendsPerPixelAlpha()) << "Xvfb runs no compositing manager";
  NativeWindowParams below{0, 0, 200, 100};
  NativeWindow under = ShowWindow(below);
  Surface red(200, 100, 0);
  for (auto& px : red.pixels) px = 0xFFC00000;
  x11_->Present(under, red.pixels.data(), 200, 100, red.stride, {{0, 0, 200, 100}});
  x11_->Sync();
  // Half-transparent black and fully transparent halves, over the red.
  NativeWindowParams p{20, 10, 64, 32};
  p.perPixelAlpha = true;
  NativeWindow w = ShowWindow(p);
  Surface s(64, 32, 0);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) s.pixels[size_t(y) * s.stride + x] = x < 32 ? 0x80000000 : 0;
  x11_->Present(w, s.pixels.data(), 64, 32, s.stride, {{0, 0, 64, 32}});
  x11_->Sync();
  std::vector<std::uint32_t> shown = ReadBack(observer_, Window(w), 64, 32);
  ASSERT_EQ(shown.size(), 64u * 32u);
  // 0xC0 * (255 - 128) / 255, rounded: the shadow darkens, it never blackens.
  EXPECT_EQ(shown[5 * 64 + 10] & 0xFFFFFF, 0x600000u);
  EXPECT_EQ(shown[5 * 64 + 50] & 0xFFFFFF, 0xC00000u);
  // Moved, it blends over what is below its new place.
  x11_->SetBounds(w, 150, 10, 64, 32);
  x11_->Sync();
  shown = ReadBack(observer_, Window(w), 64, 32);
  EXPECT_EQ(shown[5 * 64 + 10] & 0xFFFFFF, 0x600000u) << "still over the red";
  EXPECT_NE(shown[5 * 64 + 55] & 0xFFFFFF, 0xC00000u) << "beyond the red window";
}

TEST_F(X11Test, PassThroughEmptiesTheInputShapeAndStackBelowPlacesUnderASibling) {
  NativeWindow a = ShowWindow({0, 0, 100, 100});
  NativeWindow b = ShowWindow({50, 50, 100, 100});
  x11_->SetPointerPassThrough(b, true);
  x11_->Sync();
  int count = -1, ordering = 0;
  XRectangle* rects = XShapeGetRectangles(observer_, Window(b), ShapeInput, &count, &ordering);
  if (rects) XFree(rects);
  EXPECT_EQ(count, 0) << "no input area";
  x11_->SetPointerPassThrough(b, false);
  x11_->Sync();
  rects = XShapeGetRectangles(observer_, Window(b), ShapeInput, &count, &ordering);
  if (rects) XFree(rects);
  EXPECT_EQ(count, 1) << "the whole window again";

  x11_->StackBelow(b, a);
  x11_->Sync();
  Window root = 0, parent = 0, *children = nullptr;
  unsigned n = 0;
  ASSERT_TRUE(XQueryTree(observer_, Root(), &root, &parent, &children, &n));
  std::vector<Window> order(children, children + n);
  XFree(children);
  auto at = [&](NativeWindow w) { return std::find(order.begin(), order.end(), Window(w)) - order.begin(); };
  EXPECT_EQ(at(b) + 1, at(a)) << "b directly below a";
}

TEST_F(X11Test, ShapeSetsBoundingAndInputAndEmptyListRemovesIt) {
  NativeWindow w = ShowWindow({0, 0, kW, kH});
  // A window with its top corners cut, as the skinned form's region has.
  std::vector<IntRect> shape = {{2, 0, kW - 2, 1}, {1, 1, kW - 1, 2}, {0, 2, kW, kH}};
  x11_->SetShape(w, shape);
  x11_->Sync();
  for (int kind : {ShapeBounding, ShapeInput}) {
    int count = 0, ordering = 0;
    XRectangle* got = XShapeGetRectangles(observer_, Window(w), kind, &count, &ordering);
    ASSERT_EQ(count, 3) << "kind " << kind;
    std::vector<IntRect> back;
    for (int i = 0; i < count; ++i)
      back.push_back({got[i].x, got[i].y, got[i].x + got[i].width, got[i].y + got[i].height});
    XFree(got);
    EXPECT_EQ(back, shape) << "kind " << kind;
  }

  x11_->SetShape(w, {});
  x11_->Sync();
  Bool bounding = True, clip = True;
  int bx, by, cx, cy;
  unsigned bw, bh, cw, ch;
  XShapeQueryExtents(observer_, Window(w), &bounding, &bx, &by, &bw, &bh, &clip, &cx, &cy, &cw, &ch);
  EXPECT_FALSE(bounding);
}

TEST_F(X11Test, HintsForTheWindowManager) {
  NativeWindow owner = x11_->CreateWindow({100, 100, kW, kH});
  NativeWindowParams toolParams{90, 90, 13, 131};
  toolParams.toolWindow = true;
  toolParams.owner = owner;
  NativeWindow tool = x11_->CreateWindow(toolParams);
  NativeWindowParams popupParams{0, 0, 120, 200};
  popupParams.popup = true;
  NativeWindow popup = x11_->CreateWindow(popupParams);

  const std::string title = "Quelbo\xE8\x87\xAA\xE5\x8A\xA8\xE6\x9B\xB4\xE6\x96\xB0";  // Quelbo自动更新 in UTF-8
  x11_->SetTitle(owner, title);
  std::vector<std::uint32_t> icon = {0xFF0000FF, 0x80FFFFFF, 0x00000000, 0xFF123456};
  x11_->SetIcon(owner, icon.data(), 2, 2);
  x11_->SetOpacity(tool, 128);
  x11_->Sync();

  Atom type = None;
  EXPECT_EQ(ReadText(observer_, Window(owner), A(observer_, "_NET_WM_NAME"), &type), title);
  EXPECT_EQ(type, A(observer_, "UTF8_STRING"));
  EXPECT_EQ(ReadText(observer_, Window(owner), XA_WM_NAME, nullptr), title);

  // No decorations: the framework draws caption and frame itself.
  std::vector<unsigned long> motif = ReadLongs(observer_, Window(owner), A(observer_, "_MOTIF_WM_HINTS"));
  ASSERT_EQ(motif.size(), 5u);
  EXPECT_TRUE(motif[0] & 2);
  EXPECT_EQ(motif[2], 0u);

  EXPECT_EQ(ReadLongs(observer_, Window(owner), A(observer_, "_NET_WM_ICON")),
            (std::vector<unsigned long>{2, 2, 0xFF0000FF, 0x80FFFFFF, 0x00000000, 0xFF123456}));
  EXPECT_EQ(ReadLongs(observer_, Window(tool), A(observer_, "_NET_WM_WINDOW_TYPE")),
            std::vector<unsigned long>{A(observer_, "_NET_WM_WINDOW_TYPE_UTILITY")});
  std::vector<unsigned long> state = ReadLongs(observer_, Window(tool), A(observer_, "_NET_WM_STATE"));
  EXPECT_NE(std::find(state.begin(), state.end(), A(observer_, "_NET_WM_STATE_SKIP_TASKBAR")), state.end());
  Window transientFor = 0;
  EXPECT_TRUE(XGetTransientForHint(observer_, Window(tool), &transientFor));
  EXPECT_EQ(transientFor, Window(owner));
  EXPECT_EQ(ReadLongs(observer_, Window(tool), A(observer_, "_NET_WM_WINDOW_OPACITY")),
            std::vector<unsigned long>{0x80808080ul});
  x11_->SetOpacity(tool, 255);
  x11_->Sync();
  EXPECT_TRUE(ReadLongs(observer_, Window(tool), A(observer_, "_NET_WM_WINDOW_OPACITY")).empty());

  XWindowAttributes attrs{};
  XGetWindowAttributes(observer_, Window(popup), &attrs);
  EXPECT_TRUE(attrs.override_redirect);
  XGetWindowAttributes(observer_, Window(owner), &attrs);
  EXPECT_FALSE(attrs.override_redirect);
  // Asked-for position and size count as the user's, so they are honoured.
  XSizeHints hints{};
  long supplied = 0;
  ASSERT_TRUE(XGetWMNormalHints(observer_, Window(owner), &hints, &supplied));
  EXPECT_TRUE(hints.flags & USPosition);
  EXPECT_TRUE(hints.flags & USSize);
}

TEST_F(X11Test, ReportsOutsideMovesCloseRequestsAndIconifying) {
  NativeWindow w = ShowWindow({100, 100, kW, kH});
  // Our own moves come back from the server but are not news, not even
  // when several are made before any comes back (as in a drag).
  x11_->SetBounds(w, 105, 100, kW, kH);
  x11_->SetBounds(w, 110, 105, 400, 120);
  x11_->SetBounds(w, 120, 110, 300, 200);
  for (const Event& e : Drain()) EXPECT_NE(e.type, EventType::Configure);

  // Another client (a window manager, say) moves it.
  XMoveResizeWindow(observer_, Window(w), 400, 300, 200, 100);
  XSync(observer_, False);
  auto events = Collect([](const Event& e) { return e.type == EventType::Configure; });
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().type, EventType::Configure);
  EXPECT_EQ(events.back().window, w);
  EXPECT_EQ(events.back().rect, (IntRect{400, 300, 600, 400}));

  XEvent close{};
  close.xclient.type = ClientMessage;
  close.xclient.window = Window(w);
  close.xclient.message_type = A(observer_, "WM_PROTOCOLS");
  close.xclient.format = 32;
  close.xclient.data.l[0] = long(A(observer_, "WM_DELETE_WINDOW"));
  XSendEvent(observer_, Window(w), False, NoEventMask, &close);
  XSync(observer_, False);
  events = Collect([](const Event& e) { return e.type == EventType::CloseRequest; });
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().type, EventType::CloseRequest);

  // Without a window manager a minimised window is unmapped and comes back on show.
  x11_->Minimize(w);
  events = Collect([](const Event& e) { return e.type == EventType::Iconified; });
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().type, EventType::Iconified);
  x11_->Show(w, false);
  events = Collect([](const Event& e) { return e.type == EventType::Deiconified; });
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().type, EventType::Deiconified);

  // Hiding is not iconifying.
  x11_->Hide(w);
  for (const Event& e : Drain()) EXPECT_NE(e.type, EventType::Iconified);
  XWindowAttributes attrs{};
  XGetWindowAttributes(observer_, Window(w), &attrs);
  EXPECT_EQ(attrs.map_state, IsUnmapped);
}

TEST_F(X11Test, SystemMoveGoesToAWindowManagerThatSupportsIt) {
  NativeWindow w = ShowWindow({100, 100, kW, kH});
  EXPECT_FALSE(x11_->BeginSystemMoveSize(w, MoveSizeEdge::Move, 300, 110, 1)) << "no window manager runs";

  // The observer poses as a window manager that announces _NET_WM_MOVERESIZE.
  Window check = XCreateSimpleWindow(observer_, Root(), 0, 0, 1, 1, 0, 0, 0);
  Atom checkAtom = A(observer_, "_NET_SUPPORTING_WM_CHECK"), moveResize = A(observer_, "_NET_WM_MOVERESIZE");
  XChangeProperty(observer_, check, checkAtom, XA_WINDOW, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&check), 1);
  XChangeProperty(observer_, Root(), A(observer_, "_NET_SUPPORTED"), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&moveResize), 1);
  XChangeProperty(observer_, Root(), checkAtom, XA_WINDOW, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&check), 1);
  XSelectInput(observer_, Root(), SubstructureNotifyMask);
  XSync(observer_, False);
  Drain();  // the backend learns of the change from the root window

  x11_->GrabPointer(w);
  struct Case {
    MoveSizeEdge edge;
    long direction;
  } cases[] = {{MoveSizeEdge::Move, 8}, {MoveSizeEdge::TopLeft, 0}, {MoveSizeEdge::Top, 1},
               {MoveSizeEdge::BottomRight, 4}, {MoveSizeEdge::Left, 7}, {MoveSizeEdge::Right, 3},
               {MoveSizeEdge::TopRight, 2}, {MoveSizeEdge::Bottom, 5}, {MoveSizeEdge::BottomLeft, 6}};
  for (const Case& c : cases) {
    ASSERT_TRUE(x11_->BeginSystemMoveSize(w, c.edge, 300, 110, 1)) << c.direction;
    x11_->Sync();
    XEvent ev{};
    bool found = false;
    while (!found && XPending(observer_)) {
      XNextEvent(observer_, &ev);
      found = ev.type == ClientMessage && ev.xclient.message_type == moveResize;
    }
    ASSERT_TRUE(found) << c.direction;
    EXPECT_EQ(ev.xclient.window, Window(w));
    EXPECT_EQ(ev.xclient.data.l[0], 300);
    EXPECT_EQ(ev.xclient.data.l[1], 110);
    EXPECT_EQ(ev.xclient.data.l[2], c.direction);
    EXPECT_EQ(ev.xclient.data.l[3], 1);
  }
  // Our grab is gone, so the window manager can take the pointer.
  EXPECT_EQ(XGrabPointer(observer_, Root(), False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None, None,
                         CurrentTime),
            GrabSuccess);
}

TEST_F(X11Test, MonitorsWithWorkArea) {
  std::vector<platform::MonitorInfo> monitors = x11_->Monitors();
  ASSERT_EQ(monitors.size(), 1u);
  EXPECT_EQ(monitors[0].bounds, (IntRect{0, 0, 1280, 800}));
  EXPECT_EQ(monitors[0].workArea, monitors[0].bounds);
  EXPECT_TRUE(monitors[0].primary);

  // Two monitors side by side, the left one taking over the screen's only
  // output (and so replacing its monitor), and a panel that takes 40 rows at
  // the bottom.
  int count = 0;
  XRRMonitorInfo* present = XRRGetMonitors(observer_, Root(), False, &count);
  ASSERT_TRUE(count == 1 && present[0].noutput == 1);
  RROutput output = present[0].outputs[0];
  XRRFreeMonitors(present);
  XRRMonitorInfo* left = XRRAllocateMonitor(observer_, 1);
  XRRMonitorInfo* right = XRRAllocateMonitor(observer_, 0);
  *left = {A(observer_, "LEFT"), True, False, 1, 0, 0, 640, 800, 160, 200, left->outputs};
  left->outputs[0] = output;
  *right = {A(observer_, "RIGHT"), False, False, 0, 640, 0, 640, 800, 160, 200, nullptr};
  XRRSetMonitor(observer_, Root(), left);
  XRRSetMonitor(observer_, Root(), right);
  unsigned long area[8] = {0, 0, 1280, 760, 0, 0, 1280, 800};
  XChangeProperty(observer_, Root(), A(observer_, "_NET_WORKAREA"), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(area), 8);
  XSync(observer_, False);
  XFree(left);
  XFree(right);

  monitors = x11_->Monitors();
  ASSERT_EQ(monitors.size(), 2u);
  std::sort(monitors.begin(), monitors.end(),
            [](const auto& a, const auto& b) { return a.bounds.left < b.bounds.left; });
  EXPECT_EQ(monitors[0].bounds, (IntRect{0, 0, 640, 800}));
  EXPECT_EQ(monitors[0].workArea, (IntRect{0, 0, 640, 760}));
  EXPECT_TRUE(monitors[0].primary);
  EXPECT_EQ(monitors[1].bounds, (IntRect{640, 0, 1280, 800}));
  EXPECT_EQ(monitors[1].workArea, (IntRect{640, 0, 1280, 760}));
  EXPECT_FALSE(monitors[1].primary);
}

TEST_F(X11Test, WaitEndsOnWakeFromAnotherThreadAndOnQueuedEvents) {
  NativeWindow w = ShowWindow({0, 0, 100, 100});
  Drain();
  // Waiting must not outlast a wake; a watchdog breaks a hang and says so.
  std::atomic<bool> returned{false}, rescued{false};
  std::thread watchdog([&] {
    for (int i = 0; i < 200 && !returned; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!returned) {
      rescued = true;
      x11_->Wake();
    }
  });
  std::thread waker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    x11_->Wake();
  });
  x11_->WaitEvents(-1);
  returned = true;
  waker.join();
  watchdog.join();
  EXPECT_FALSE(rescued) << "Wake from another thread did not end WaitEvents";

  // An event that Xlib has already read from the socket must not be slept on.
  XMoveWindow(observer_, Window(w), 10, 10);
  XSync(observer_, False);
  x11_->Sync();  // reads the ConfigureNotify into Xlib's queue
  returned = false;
  rescued = false;
  std::thread watchdog2([&] {
    for (int i = 0; i < 200 && !returned; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!returned) {
      rescued = true;
      x11_->Wake();
    }
  });
  x11_->WaitEvents(-1);
  returned = true;
  watchdog2.join();
  EXPECT_FALSE(rescued) << "WaitEvents slept on a queued event";
  Event e;
  EXPECT_TRUE(x11_->PollEvent(e));
}

TEST_F(X11Test, SurvivesRequestsOnAWindowAnotherClientDestroyed) {
  NativeWindow w = ShowWindow({0, 0, 100, 100});
  XDestroyWindow(observer_, Window(w));
  XSync(observer_, False);
  unsigned long before = platform::x11::RecordedErrorCount();
  x11_->SetTitle(w, "gone");
  std::vector<std::uint32_t> px(100 * 100, 0xFF00FF00);
  x11_->Present(w, px.data(), 100, 100, 100, {{0, 0, 100, 100}});
  x11_->Focus(w);
  x11_->Sync();
  EXPECT_GT(platform::x11::RecordedErrorCount(), before);
  x11_->DestroyWindow(w);
  x11_->Sync();
  // The connection is still good.
  NativeWindow again = ShowWindow({0, 0, 10, 10});
  EXPECT_NE(again, 0u);
}

TEST(X11Open, ReportsWhyItCannotOpen) {
  struct Case {
    const char* display;  // nullptr: unset
    const char* mention;
  } cases[] = {{nullptr, "DISPLAY"}, {"", "DISPLAY"}, {":9876", ":9876"}, {"not-a-display", "not-a-display"}};
  const char* saved = std::getenv("DISPLAY");
  std::string keep = saved ? saved : "";
  for (const Case& c : cases) {
    if (c.display) setenv("DISPLAY", c.display, 1);
    else unsetenv("DISPLAY");
    std::string error;
    EXPECT_EQ(platform::OpenX11Display(&error), nullptr) << (c.display ? c.display : "(unset)");
    EXPECT_NE(error.find(c.mention), std::string::npos) << error;
  }
  if (saved) setenv("DISPLAY", keep.c_str(), 1);
}
