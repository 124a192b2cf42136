// The backend under a real window manager (Openbox), as on a desktop: the
// window manager reparents the windows, places them, iconifies them and
// moves them for the user.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "tests/platform/X11TestFixture.h"

// After the fixture: X headers define macros that break gtest's.
#include <X11/extensions/XTest.h>

using platform::Event;
using platform::EventType;
using platform::IntRect;
using platform::NativeWindow;

namespace {

bool Installed(const char* program) {
  std::string command = std::string("command -v ") + program + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

}  // namespace

class X11WindowManagerTest : public X11Test {
 protected:
  void SetUp() override {
    if (!Installed("openbox")) GTEST_SKIP() << "openbox is not installed";
    X11Test::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    wm_ = fork();
    if (wm_ == 0) {
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      setenv("DISPLAY", server_->Name().c_str(), 1);
      // A configuration home of its own keeps the user's settings out.
      setenv("XDG_CONFIG_HOME", "/nonexistent", 1);
      freopen("/dev/null", "w", stdout);
      freopen("/dev/null", "w", stderr);
      execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
      _exit(127);
    }
    ASSERT_GT(wm_, 0);
    Atom check = XInternAtom(observer_, "_NET_SUPPORTING_WM_CHECK", False);
    for (int i = 0; i < 300 && !WmReady(check); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(WmReady(check)) << "openbox did not start";
    Drain();
  }

  void TearDown() override {
    X11Test::TearDown();
    if (wm_ > 0) {
      kill(wm_, SIGTERM);
      waitpid(wm_, nullptr, 0);
    }
  }

  // Ready once it names its check window on the root and has taken the
  // root's redirection (openbox names the check window a moment before it
  // manages windows; a window mapped in between would stay unmanaged).
  bool WmReady(Atom check) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    bool named = XGetWindowProperty(observer_, Root(), check, 0, 1, False, AnyPropertyType, &type, &format, &count,
                                    &after, &data) == Success &&
                 count == 1;
    if (data) XFree(data);
    return named && RedirectTaken();
  }

  // Whether another client holds SubstructureRedirect on the root: selecting
  // it ourselves then fails with BadAccess.
  bool RedirectTaken() {
    static bool refused;
    refused = false;
    XSync(observer_, False);
    auto previous = XSetErrorHandler([](Display*, XErrorEvent* e) {
      if (e->error_code == BadAccess) refused = true;
      return 0;
    });
    XWindowAttributes a{};
    XGetWindowAttributes(observer_, Root(), &a);
    XSelectInput(observer_, Root(), a.your_event_mask | SubstructureRedirectMask);
    XSync(observer_, False);
    if (!refused) XSelectInput(observer_, Root(), a.your_event_mask);
    XSync(observer_, False);
    XSetErrorHandler(previous);
    return refused;
  }

  // Where the window's top-left is on the screen, and its parent's size.
  IntRect OnScreen(NativeWindow w) {
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(observer_, Window(w), Root(), 0, 0, &x, &y, &child);
    XWindowAttributes a{};
    XGetWindowAttributes(observer_, Window(w), &a);
    return {x, y, x + a.width, y + a.height};
  }

  Window Frame(NativeWindow w) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    XQueryTree(observer_, Window(w), &root, &parent, &children, &count);
    if (children) XFree(children);
    return parent;
  }

  Event Next(EventType t, int timeoutMs = 5000) {
    auto seen = Collect([t](const Event& e) { return e.type == t; }, timeoutMs);
    if (seen.empty() || seen.back().type != t) {
      ADD_FAILURE() << "no event of type " << int(t);
      return {};
    }
    return seen.back();
  }

  pid_t wm_ = -1;
};

TEST_F(X11WindowManagerTest, WindowLandsUndecoratedWhereAskedAndTakesFocus) {
  NativeWindow w = x11_->CreateWindow({200, 150, 444, 141});
  x11_->Show(w, true);
  Next(EventType::FocusIn);
  Drain();
  EXPECT_EQ(OnScreen(w), (IntRect{200, 150, 644, 291}));
  // Reparented into a frame that adds nothing around the window.
  Window frame = Frame(w);
  ASSERT_NE(frame, Root());
  XWindowAttributes f{};
  XGetWindowAttributes(observer_, frame, &f);
  EXPECT_EQ(f.width, 444);
  EXPECT_EQ(f.height, 141);
}

TEST_F(X11WindowManagerTest, MovesByTheWindowManagerArriveInScreenCoordinates) {
  NativeWindow w = x11_->CreateWindow({200, 150, 444, 141});
  x11_->Show(w, true);
  Next(EventType::FocusIn);
  Drain();

  // The user drags the window by its caption: the framework hands the move
  // over while the button is down, and the window manager follows the pointer.
  XTestFakeMotionEvent(observer_, 0, 300, 160, 0);
  XTestFakeButtonEvent(observer_, 1, True, 0);
  XSync(observer_, False);
  Next(EventType::ButtonDown);
  ASSERT_TRUE(x11_->BeginSystemMoveSize(w, platform::MoveSizeEdge::Move, 300, 160, 1));
  Drain();
  for (int step = 1; step <= 10; ++step) {
    XTestFakeMotionEvent(observer_, 0, 300 + step * 10, 160 + step * 5, 0);
    XSync(observer_, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  XTestFakeButtonEvent(observer_, 1, False, 0);
  XSync(observer_, False);
  const IntRect moved{300, 200, 744, 341};
  std::vector<Event> seen = Collect([&](const Event& e) { return e.type == EventType::Configure && e.rect == moved; });
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back().rect, moved);
  EXPECT_EQ(seen.back().window, w);
  EXPECT_EQ(OnScreen(w), moved);
}

TEST_F(X11WindowManagerTest, MinimizeAndRestoreThroughTheWindowManager) {
  NativeWindow w = x11_->CreateWindow({200, 150, 444, 141});
  x11_->Show(w, true);
  Next(EventType::FocusIn);
  x11_->Minimize(w);
  Next(EventType::Iconified);
  x11_->Show(w, true);
  Next(EventType::Deiconified);
  Drain();
  EXPECT_EQ(OnScreen(w), (IntRect{200, 150, 644, 291}));
  // A hide is a withdrawal, not an iconify.
  x11_->Hide(w);
  for (const Event& e : Drain()) EXPECT_NE(e.type, EventType::Iconified);
}
