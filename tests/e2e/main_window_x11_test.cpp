// The real program under a private X server: its window appears with the
// application title at 444 x 141, shaped and skinned, moves when dragged, and
// a screenshot of the screen is kept.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "XDriver.h"
#include "platform/Clock.h"
#include "tests/e2e/MainWindowLook.h"
#include "tests/support/XvfbServer.h"

namespace fs = std::filesystem;

namespace {

// The real program started on a display from an installation directory of
// its own; stopped and cleaned up when the object goes.
class RunningUpdater {
 public:
  explicit RunningUpdater(const std::string& display)
      : dir_(fs::temp_directory_path() / ("quelbo-e2e-" + std::to_string(getpid()))) {
    fs::create_directories(dir_);
    fs::copy_file(QUELBO_UPDATER, dir_ / "quelbo-updater", fs::copy_options::overwrite_existing);
    pid_ = fork();
    if (pid_ == 0) {
      setenv("DISPLAY", display.c_str(), 1);
      if (chdir(dir_.c_str()) != 0) _exit(126);
      execl((dir_ / "quelbo-updater").c_str(), "quelbo-updater", nullptr);
      _exit(127);
    }
  }
  ~RunningUpdater() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    fs::remove_all(dir_);
  }
  bool Started() const { return pid_ > 0; }

 private:
  fs::path dir_;
  pid_t pid_ = -1;
};

// Drags with the left button from window point (x, y) by (dx, dy); how far
// the window moved.
std::pair<int, int> DragBy(const e2e::XDriver& driver, e2e::XWindowId w, int x, int y, int dx, int dy) {
  int left = 0, top = 0, width = 0, height = 0, movedLeft = 0, movedTop = 0;
  if (!driver.Bounds(w, left, top, width, height)) return {};
  driver.Drag(left + x, top + y, left + x + dx, top + y + dy, 40);
  platform::SleepMs(250);
  if (!driver.Bounds(w, movedLeft, movedTop, width, height)) return {};
  return {movedLeft - left, movedTop - top};
}

bool Installed(const char* program) {
  return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

TEST(MainWindowOnX11, AppearsSkinnedAtItsSizeMovesWhenDraggedAndIsCaptured) {
  if (!testsupport::XvfbServer::Installed()) GTEST_SKIP() << "Xvfb is not installed";
  testsupport::XvfbServer server;
  ASSERT_TRUE(server.Running()) << server.Failure();
  RunningUpdater updater(server.Name());
  ASSERT_TRUE(updater.Started());

  e2e::XDriver x(server.Name());
  ASSERT_TRUE(x.Connected());
  e2e::XWindowId w = x.WaitFor("Quelbo自动更新", 15000);
  ASSERT_NE(w, 0u) << "no window titled Quelbo自动更新 appeared";
  int left = 0, top = 0, width = 0, height = 0;
  ASSERT_TRUE(x.Bounds(w, left, top, width, height));
  EXPECT_EQ(width, 444);
  EXPECT_EQ(height, 141);
  EXPECT_TRUE(x.Viewable(w));
  platform::SleepMs(500);  // let the first paint reach the screen
  fs::create_directories(ARTIFACT_DIR);
  e2e::ScreenImage screen = x.CaptureScreen();
  EXPECT_TRUE(e2e::XDriver::SavePng(screen, std::string(ARTIFACT_DIR) + "/main_window_x11.png"));

  // The reference pixels: gradient rows, frame lines, cut corners, title.
  for (const std::string& difference : e2e::DifferencesFromTheReferenceLook(screen, left, top))
    ADD_FAILURE() << difference;

  // Without a window manager the program moves the window itself, by the
  // caption band and by the title label.
  EXPECT_EQ(DragBy(x, w, 300, 12, 60, 30), (std::pair{60, 30}));
  ASSERT_TRUE(x.Bounds(w, left, top, width, height));
  x.MovePointer(left + 10, top + 10);
  platform::SleepMs(100);  // the label sees the pointer within 10 ms
  EXPECT_EQ(DragBy(x, w, 10, 10, -40, -30), (std::pair{-40, -30}));
}

TEST(MainWindowOnX11, UnderAWindowManagerTheDragIsHandedToIt) {
  if (!testsupport::XvfbServer::Installed()) GTEST_SKIP() << "Xvfb is not installed";
  if (!Installed("openbox")) GTEST_SKIP() << "openbox is not installed";
  testsupport::XvfbServer server;
  ASSERT_TRUE(server.Running()) << server.Failure();
  pid_t wm = fork();
  if (wm == 0) {
    setenv("DISPLAY", server.Name().c_str(), 1);
    setenv("XDG_CONFIG_HOME", "/nonexistent", 1);  // none of the user's settings
    if (!freopen("/dev/null", "w", stderr)) _exit(126);
    execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
    _exit(127);
  }
  ASSERT_GT(wm, 0);
  platform::SleepMs(500);
  {
    RunningUpdater updater(server.Name());
    e2e::XDriver x(server.Name());
    e2e::XWindowId w = x.WaitFor("Quelbo自动更新", 15000);
    ASSERT_NE(w, 0u);
    platform::SleepMs(500);
    int left = 0, top = 0, width = 0, height = 0;
    ASSERT_TRUE(x.Bounds(w, left, top, width, height));
    EXPECT_EQ(width, 444) << "no decoration around the skinned window";
    EXPECT_EQ(height, 141);
    EXPECT_EQ(DragBy(x, w, 300, 12, 60, 30), (std::pair{60, 30}));
    EXPECT_TRUE(x.Viewable(w));
  }
  kill(wm, SIGTERM);
  waitpid(wm, nullptr, 0);
}

TEST(MainWindowOnX11, WithoutAUsableDisplayItSaysSoOnOneLineAndExitsWithOne) {
  for (const char* display : {"", ":987"}) {
    std::string cmd = std::string("DISPLAY='") + display + "' " + QUELBO_UPDATER + " 2>&1 >/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[256];
    while (fgets(buf, sizeof buf, p)) out += buf;
    int status = pclose(p);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "DISPLAY='" << display << "'";
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
    EXPECT_EQ(out.rfind("quelbo-updater: ", 0), 0u) << out;
  }
}

}  // namespace
