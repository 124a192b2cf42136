// Input injected through XTest, as a user's keyboard and mouse would send it,
// must arrive as the framework expects it from Windows: virtual-key codes,
// typed text, window coordinates, button state before the event.

#include "tests/platform/X11TestFixture.h"

// After the fixture: X headers define macros that break gtest's.
#include <X11/Xcursor/Xcursor.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>

#include <string>
#include <utility>
#include <vector>


using platform::Event;
using platform::EventType;
using platform::NativeWindow;

namespace {

constexpr int kLeft = 100, kTop = 120, kW = 444, kH = 141;

}  // namespace

class X11InputTest : public X11Test {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    int event, error, major, minor;
    ASSERT_TRUE(XTestQueryExtension(observer_, &event, &error, &major, &minor));
    window_ = x11_->CreateWindow({kLeft, kTop, kW, kH});
    x11_->Show(window_, true);
    auto seen = Collect([](const Event& e) { return e.type == EventType::FocusIn; });
    ASSERT_TRUE(!seen.empty() && seen.back().type == EventType::FocusIn) << "the shown window takes the focus";
  }

  void Key(KeySym ks, bool down) {
    XTestFakeKeyEvent(observer_, XKeysymToKeycode(observer_, ks), down, 0);
    XSync(observer_, False);
  }

  void MoveTo(int x, int y) {
    XTestFakeMotionEvent(observer_, 0, x, y, 0);
    XSync(observer_, False);
  }

  void Button(unsigned button, bool down, unsigned long delayMs = 0) {
    XTestFakeButtonEvent(observer_, button, down, delayMs);
    XSync(observer_, False);
  }

  // The next event of the given type, skipping others.
  Event Next(EventType t) {
    auto seen = Collect([t](const Event& e) { return e.type == t; });
    if (seen.empty() || seen.back().type != t) {
      ADD_FAILURE() << "no event of type " << int(t);
      return {};
    }
    return seen.back();
  }

  NativeWindow window_ = 0;
};

TEST_F(X11InputTest, KeysArriveNamedAndWithText) {
  using K = platform::Key;
  struct Case {
    KeySym keysym;
    bool shift;
    K key;
    std::u32string text;
  } cases[] = {
      {XK_Return, false, K::Return, U"\r"}, {XK_Escape, false, K::Escape, U"\x1B"},
      {XK_Tab, false, K::Tab, U"\t"}, {XK_BackSpace, false, K::Backspace, U"\b"},
      {XK_Delete, false, K::Delete, U""}, {XK_Left, false, K::Left, U""}, {XK_Down, false, K::Down, U""},
      {XK_a, false, K::A, U"a"}, {XK_a, true, K::A, U"A"}, {XK_z, false, K::Z, U"z"},
      {XK_5, false, K::Digit5, U"5"}, {XK_5, true, K::Digit5, U"%"}, {XK_F1, false, K::F1, U""},
      {XK_F12, false, K::F12, U""}, {XK_space, false, K::Space, U" "},
      {XK_Control_L, false, K::Control, U""}, {XK_Alt_L, false, K::Alt, U""},
  };
  for (const Case& c : cases) {
    if (c.shift) Key(XK_Shift_L, true);
    Key(c.keysym, true);
    Key(c.keysym, false);
    if (c.shift) Key(XK_Shift_L, false);
    if (c.shift) {
      Event shiftDown = Next(EventType::KeyDown);
      EXPECT_EQ(shiftDown.key, K::Shift);
    }
    Event down = Next(EventType::KeyDown);
    EXPECT_EQ(down.window, window_);
    EXPECT_EQ(down.key, c.key) << XKeysymToString(c.keysym);
    EXPECT_EQ(down.text, c.text) << XKeysymToString(c.keysym);
    EXPECT_EQ(bool(down.modifiers & platform::kModShift), c.shift) << XKeysymToString(c.keysym);
    Event up = Next(EventType::KeyUp);
    EXPECT_EQ(up.key, c.key) << XKeysymToString(c.keysym);
    EXPECT_TRUE(up.text.empty());
    if (c.shift) {
      EXPECT_EQ(Next(EventType::KeyUp).key, K::Shift);
    }
  }
}

TEST_F(X11InputTest, CharactersBeyondTheKeyboardLayoutArriveAsText) {
  // A spare key gets a Chinese character, as an input tool would arrange.
  int minCode = 0, maxCode = 0;
  XDisplayKeycodes(observer_, &minCode, &maxCode);
  KeyCode spare = 0;
  for (int code = maxCode; code >= minCode && !spare; --code)
    if (XkbKeycodeToKeysym(observer_, KeyCode(code), 0, 0) == NoSymbol) spare = KeyCode(code);
  ASSERT_NE(spare, 0);
  KeySym zhong[] = {0x1004E2D, 0x1004E2D};  // 中
  XChangeKeyboardMapping(observer_, spare, 2, zhong, 1);
  XSync(observer_, False);
  Drain();  // lets the backend see the mapping change

  XTestFakeKeyEvent(observer_, spare, True, 0);
  XTestFakeKeyEvent(observer_, spare, False, 0);
  XSync(observer_, False);
  Event down = Next(EventType::KeyDown);
  EXPECT_EQ(down.text, U"\u4E2D");
}

TEST_F(X11InputTest, PointerEventsCarryWindowAndScreenCoordinates) {
  MoveTo(kLeft + 50, kTop + 40);
  Event move = Next(EventType::MouseMove);
  EXPECT_EQ(move.window, window_);
  EXPECT_EQ(move.x, 50);
  EXPECT_EQ(move.y, 40);
  EXPECT_EQ(move.screenX, kLeft + 50);
  EXPECT_EQ(move.screenY, kTop + 40);

  Button(1, true);
  Event down = Next(EventType::ButtonDown);
  EXPECT_EQ(down.button, 1);
  EXPECT_EQ(down.modifiers & platform::kModButtonLeft, 0u) << "state before the press";
  Button(1, false);
  Event up = Next(EventType::ButtonUp);
  EXPECT_EQ(up.button, 1);
  EXPECT_EQ(up.modifiers & platform::kModButtonLeft, unsigned(platform::kModButtonLeft)) << "state before the release";
  Button(3, true);
  EXPECT_EQ(Next(EventType::ButtonDown).button, 3);
  Button(3, false);
  Next(EventType::ButtonUp);

  for (unsigned b : {4u, 5u}) {
    Button(b, true);
    Button(b, false);
    Event wheel = Next(EventType::Wheel);
    EXPECT_EQ(wheel.wheelDelta, b == 4 ? 120 : -120);
    EXPECT_EQ(wheel.x, 50);
  }
  for (const Event& e : Drain()) EXPECT_NE(e.type, EventType::Wheel) << "one event per notch";

  MoveTo(kLeft + kW + 30, kTop);
  EXPECT_EQ(Next(EventType::PointerLeft).window, window_);
}

// Each standard cursor shows a cursor of its own over the window. Only the
// arrow with a busy sign needs a cursor theme: the server's cursor font has
// no such shape, and without a theme it shows the watch.
TEST_F(X11InputTest, EveryCursorShapeShowsACursorOfItsOwn) {
  int event = 0, error = 0;
  ASSERT_TRUE(XFixesQueryExtension(observer_, &event, &error));
  const Cursor themed = XcursorLibraryLoadCursor(observer_, "left_ptr_watch");
  if (themed) XFreeCursor(observer_, themed);
  MoveTo(kLeft + 50, kTop + 50);
  Next(EventType::MouseMove);
  // What shows: the cursor's name where it has one (a theme's animated
  // cursors read back as a blank 1 x 1 image), its size, hot spot and pixels.
  using Image = std::pair<std::string, std::vector<unsigned long>>;
  std::vector<Image> images;
  for (int i = 0; i < platform::kCursorShapeCount; ++i) {
    x11_->SetCursor(window_, static_cast<platform::CursorShape>(i));
    x11_->Sync();
    XFixesCursorImage* c = XFixesGetCursorImage(observer_);
    ASSERT_NE(c, nullptr);
    Image image{c->name ? c->name : "", {c->width, c->height, c->xhot, c->yhot}};
    image.second.insert(image.second.end(), c->pixels, c->pixels + static_cast<size_t>(c->width) * c->height);
    XFree(c);
    images.push_back(image);
  }
  const int wait = static_cast<int>(platform::CursorShape::Wait),
            appStarting = static_cast<int>(platform::CursorShape::AppStarting);
  for (int i = 0; i < platform::kCursorShapeCount; ++i)
    for (int j = i + 1; j < platform::kCursorShapeCount; ++j) {
      if (!themed && i == wait && j == appStarting) continue;
      EXPECT_NE(images[i], images[j]) << "shapes " << i << " and " << j;
    }
}

TEST_F(X11InputTest, DoubleClickArrivesAsTwoPressesWithServerTimes) {
  MoveTo(kLeft + 10, kTop + 10);
  Next(EventType::MouseMove);
  Button(1, true);
  Button(1, false);
  // The server waits the delay before it acts, so the times are set apart.
  Button(1, true, 120);
  Button(1, false);
  Event first = Next(EventType::ButtonDown);
  Next(EventType::ButtonUp);
  Event second = Next(EventType::ButtonDown);
  Next(EventType::ButtonUp);
  EXPECT_GT(first.timeMs, 0u);
  EXPECT_GE(second.timeMs, first.timeMs + 100);
  EXPECT_EQ(first.x, 10);
  EXPECT_EQ(second.x, 10);
}

TEST_F(X11InputTest, GrabbedPointerReportsToTheGrabbingWindow) {
  NativeWindow other = ShowWindow({kLeft + kW + 100, kTop, 100, 100});
  MoveTo(kLeft + 20, kTop + 20);
  Next(EventType::MouseMove);
  Button(1, true);
  Next(EventType::ButtonDown);
  x11_->GrabPointer(window_);

  // Over another of our windows and over nothing: still ours, in our coordinates.
  MoveTo(kLeft + kW + 110, kTop + 10);
  Event overOther = Next(EventType::MouseMove);
  EXPECT_EQ(overOther.window, window_);
  EXPECT_EQ(overOther.x, kW + 110);
  EXPECT_EQ(overOther.y, 10);
  MoveTo(kLeft - 30, kTop - 20);
  Event outside = Next(EventType::MouseMove);
  EXPECT_EQ(outside.window, window_);
  EXPECT_EQ(outside.x, -30);
  EXPECT_EQ(outside.y, -20);
  Button(1, false);
  Event up = Next(EventType::ButtonUp);
  EXPECT_EQ(up.window, window_);
  for (const Event& e : Drain()) {
    EXPECT_NE(e.type, EventType::PointerLeft) << "no leave while the pointer is held";
    EXPECT_NE(e.window, other);
  }
  x11_->UngrabPointer();
  EXPECT_EQ(Next(EventType::PointerLeft).window, window_);
}
