// The skin gallery on a private X server without a compositing manager: its
// shadow border stands around the form and directly below it, shows opaque
// over the desktop (never black), follows a real move, is there after a
// minimise and restore quicker than its making, its caption-bar menu opens a
// skinned popup menu, and the right-click menu opened after it shows at its
// own size with all its items.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "XDriver.h"
#include "platform/Clock.h"
#include "tests/support/XvfbServer.h"

namespace {

class RunningGallery {
 public:
  // With quickMinimiseMs, the gallery minimises its form as soon as it is
  // shown and restores it that many milliseconds later.
  explicit RunningGallery(const std::string& display, int quickMinimiseMs = -1) {
    const std::string ms = std::to_string(quickMinimiseMs);
    pid_ = fork();
    if (pid_ == 0) {
      setenv("DISPLAY", display.c_str(), 1);
      if (quickMinimiseMs >= 0) execl(QUELBO_GALLERY, "quelbo-skin-gallery", "--quick-minimise", ms.c_str(), nullptr);
      else execl(QUELBO_GALLERY, "quelbo-skin-gallery", nullptr);
      _exit(127);
    }
  }
  ~RunningGallery() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }

 private:
  pid_t pid_ = -1;
};

struct Box {
  int x, y, w, h;
  friend bool operator==(const Box&, const Box&) = default;
};

// The default border of a 444 x 141 form at (X, Y): top, bottom, left, right.
std::vector<Box> Expected(int X, int Y) {
  return {{X - 8, Y - 8, 460, 13}, {X - 8, Y + 136, 460, 13}, {X - 8, Y + 5, 13, 131}, {X + 439, Y + 5, 13, 131}};
}

// Where each expected box stands in the stack (bottom first), -1 when no
// viewable window has it.
std::vector<int> Places(const e2e::XDriver& x, const std::vector<Box>& boxes) {
  std::vector<e2e::XDriver::TopWindow> stack = x.Stack();
  std::vector<int> out;
  for (const Box& b : boxes) {
    auto it = std::find_if(stack.begin(), stack.end(), [&](const e2e::XDriver::TopWindow& t) {
      return t.viewable && Box{t.x, t.y, t.width, t.height} == b;
    });
    out.push_back(it == stack.end() ? -1 : static_cast<int>(it - stack.begin()));
  }
  return out;
}

size_t ViewableCount(const e2e::XDriver& x) {
  std::vector<e2e::XDriver::TopWindow> stack = x.Stack();
  return static_cast<size_t>(std::count_if(stack.begin(), stack.end(), [](const auto& t) { return t.viewable; }));
}

int PlaceOf(const e2e::XDriver& x, e2e::XWindowId w) {
  std::vector<e2e::XDriver::TopWindow> stack = x.Stack();
  auto it = std::find_if(stack.begin(), stack.end(), [&](const e2e::XDriver::TopWindow& t) { return t.id == w; });
  return it == stack.end() ? -1 : static_cast<int>(it - stack.begin());
}

unsigned Channel(std::uint32_t rgb, int shift) { return (rgb >> shift) & 0xFF; }

TEST(GalleryOnX11, ShadowBorderStandsBelowTheFormShowsOpaqueAndFollowsARealMove) {
  if (!testsupport::XvfbServer::Installed()) GTEST_SKIP() << "Xvfb is not installed";
  testsupport::XvfbServer server(1024, 700);
  ASSERT_TRUE(server.Running()) << server.Failure();
  e2e::XDriver x(server.Name());
  ASSERT_TRUE(x.Connected());
  constexpr std::uint32_t kDesktop = 0xC8D8E8;
  x.Backdrop(kDesktop);
  RunningGallery gallery(server.Name());

  e2e::XWindowId form = x.WaitFor("Quelbo Skin Gallery", 15000);
  ASSERT_NE(form, 0u);
  platform::SleepMs(600);  // past the first show, when the border is made
  int X = 0, Y = 0, W = 0, H = 0;
  ASSERT_TRUE(x.Bounds(form, X, Y, W, H));
  ASSERT_EQ(W, 444);
  ASSERT_EQ(H, 141);

  std::vector<int> places = Places(x, Expected(X, Y));
  const int formPlace = PlaceOf(x, form);
  for (int p : places) {
    EXPECT_GE(p, 0) << "a border window stands where it belongs";
    EXPECT_LT(p, formPlace);
    EXPECT_GE(p, formPlace - 4) << "directly below the form";
  }

  std::filesystem::create_directories(ARTIFACT_DIR);
  e2e::ScreenImage screen = x.CaptureScreen();
  EXPECT_TRUE(e2e::XDriver::SavePng(screen, std::string(ARTIFACT_DIR) + "/gallery_x11.png"));
  // Just beside the form the shadow darkens the desktop; nothing is black.
  const std::uint32_t shadow = screen.At(X - 3, Y + 60) & 0xFFFFFF, far = screen.At(X - 40, Y + 60) & 0xFFFFFF;
  EXPECT_EQ(far, kDesktop);
  for (int s : {16, 8, 0}) {
    EXPECT_LT(Channel(shadow, s), Channel(kDesktop, s)) << std::hex << shadow;
    EXPECT_GT(Channel(shadow, s), 0x60u) << std::hex << shadow;
  }

  // A real drag by the caption band, without a window manager.
  x.Drag(X + 300, Y + 12, X + 370, Y + 52, 40);
  platform::SleepMs(300);
  int movedX = 0, movedY = 0;
  ASSERT_TRUE(x.Bounds(form, movedX, movedY, W, H));
  ASSERT_EQ(movedX - X, 70);
  ASSERT_EQ(movedY - Y, 40);
  for (int p : Places(x, Expected(movedX, movedY))) EXPECT_GE(p, 0) << "the border followed the move";
}

// The border windows are made 30 ms after the first show: minimised and
// restored within 5 ms of it, the form must still get them.
TEST(GalleryOnX11, ShadowBorderStandsAfterAQuickMinimiseAndRestore) {
  if (!testsupport::XvfbServer::Installed()) GTEST_SKIP() << "Xvfb is not installed";
  testsupport::XvfbServer server(1024, 700);
  ASSERT_TRUE(server.Running()) << server.Failure();
  e2e::XDriver x(server.Name());
  ASSERT_TRUE(x.Connected());
  constexpr std::uint32_t kDesktop = 0xC8D8E8;
  x.Backdrop(kDesktop);
  RunningGallery gallery(server.Name(), 5);

  e2e::XWindowId form = x.WaitFor("Quelbo Skin Gallery", 15000);
  ASSERT_NE(form, 0u);
  platform::SleepMs(600);
  ASSERT_TRUE(x.Viewable(form)) << "restored";
  int X = 0, Y = 0, W = 0, H = 0;
  ASSERT_TRUE(x.Bounds(form, X, Y, W, H));
  const int formPlace = PlaceOf(x, form);
  for (int p : Places(x, Expected(X, Y))) {
    EXPECT_GE(p, 0) << "a border window stands where it belongs";
    EXPECT_LT(p, formPlace);
    EXPECT_GE(p, formPlace - 4) << "directly below the form";
  }
  std::filesystem::create_directories(ARTIFACT_DIR);
  e2e::ScreenImage screen = x.CaptureScreen();
  EXPECT_TRUE(e2e::XDriver::SavePng(screen, std::string(ARTIFACT_DIR) + "/gallery_quick_minimise_x11.png"));
  const std::uint32_t shadow = screen.At(X - 3, Y + 60) & 0xFFFFFF;
  for (int s : {16, 8, 0})
    EXPECT_LT(Channel(shadow, s), Channel(kDesktop, s)) << "the shadow shows: " << std::hex << shadow;
}

TEST(GalleryOnX11, CaptionBarMenuOpensASkinnedPopupMenu) {
  if (!testsupport::XvfbServer::Installed()) GTEST_SKIP() << "Xvfb is not installed";
  testsupport::XvfbServer server(1024, 700);
  ASSERT_TRUE(server.Running()) << server.Failure();
  e2e::XDriver x(server.Name());
  ASSERT_TRUE(x.Connected());
  x.Backdrop(0x506070);
  RunningGallery gallery(server.Name());
  e2e::XWindowId form = x.WaitFor("Quelbo Skin Gallery", 15000);
  ASSERT_NE(form, 0u);
  platform::SleepMs(600);
  int X = 0, Y = 0, W = 0, H = 0;
  ASSERT_TRUE(x.Bounds(form, X, Y, W, H));

  // The File button stands at 150 in the caption band.
  x.MovePointer(X + 160, Y + 10);
  platform::SleepMs(100);
  const size_t before = ViewableCount(x);
  x.Click(X + 160, Y + 10);
  platform::SleepMs(500);
  std::vector<e2e::XDriver::TopWindow> stack = x.Stack();
  ASSERT_EQ(ViewableCount(x), before + 1) << "a menu window appeared";
  const e2e::XDriver::TopWindow menu = stack.back();
  EXPECT_TRUE(menu.viewable);
  EXPECT_EQ(menu.x, X + 150 - 6) << "below the button, the skin's offset further left";
  EXPECT_GT(menu.y, Y + 10);
  EXPECT_LT(menu.y, Y + 35);
  e2e::ScreenImage screen = x.CaptureScreen();
  EXPECT_TRUE(e2e::XDriver::SavePng(screen, std::string(ARTIFACT_DIR) + "/gallery_menu_x11.png"));
  // Inside the menu the light skin background shows, not black.
  const std::uint32_t inside = screen.At(menu.x + menu.width - 20, menu.y + 12) & 0xFFFFFF;
  for (int s : {16, 8, 0}) EXPECT_GT(Channel(inside, s), 0xE0u) << std::hex << inside;
  x.PressKey("Escape");
  platform::SleepMs(300);
  EXPECT_EQ(ViewableCount(x), before) << "Escape closed the menu";

  // The right-click menu has five items to File's three: it must not take the
  // File menu's size and pixels, which a window made after it once did.
  x.RightClick(X + 300, Y + 90);
  platform::SleepMs(500);
  stack = x.Stack();
  ASSERT_EQ(ViewableCount(x), before + 1) << "the right-click menu appeared";
  const e2e::XDriver::TopWindow popup = stack.back();
  EXPECT_EQ(popup.x, X + 300);
  EXPECT_EQ(popup.y, Y + 90);
  EXPECT_GT(popup.height, menu.height + 20) << "two items and a disabled one more than File's";
  screen = x.CaptureScreen();
  EXPECT_TRUE(e2e::XDriver::SavePng(screen, std::string(ARTIFACT_DIR) + "/gallery_popup_x11.png"));
  // The last item ("Close") shows the light skin background down to the frame.
  const std::uint32_t last = screen.At(popup.x + popup.width - 20, popup.y + popup.height - 12) & 0xFFFFFF;
  for (int s : {16, 8, 0}) EXPECT_GT(Channel(last, s), 0xE0u) << std::hex << last;
  x.PressKey("Escape");
  platform::SleepMs(300);
  EXPECT_EQ(ViewableCount(x), before) << "Escape closed the right-click menu";
}

}  // namespace
