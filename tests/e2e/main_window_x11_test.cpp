// The real program under a private X server: its window appears with the
// application title at 444 x 141, and a screenshot of the screen is kept.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Png.h"
#include "tests/support/XvfbServer.h"

// Xlib last: its macros clash with names in the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace fs = std::filesystem;

namespace {

std::string WindowName(Display* d, Window w) {
  Atom utf8 = XInternAtom(d, "UTF8_STRING", False), name = XInternAtom(d, "_NET_WM_NAME", False);
  Atom type;
  int format;
  unsigned long n, after;
  unsigned char* data = nullptr;
  std::string out;
  if (XGetWindowProperty(d, w, name, 0, 1024, False, utf8, &type, &format, &n, &after, &data) == Success && data) {
    out.assign(reinterpret_cast<char*>(data), n);
    XFree(data);
  }
  return out;
}

Window FindByName(Display* d, const std::string& title) {
  Window root = DefaultRootWindow(d), parent, *kids = nullptr;
  unsigned n = 0;
  Window found = 0;
  if (XQueryTree(d, root, &root, &parent, &kids, &n)) {
    for (unsigned i = 0; i < n && !found; ++i)
      if (WindowName(d, kids[i]) == title) found = kids[i];
    XFree(kids);
  }
  return found;
}

bool SaveScreen(Display* d, const std::string& path) {
  Window root = DefaultRootWindow(d);
  XWindowAttributes a;
  XGetWindowAttributes(d, root, &a);
  XImage* img = XGetImage(d, root, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
  if (!img) return false;
  std::vector<std::uint32_t> px(static_cast<size_t>(a.width) * a.height);
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) px[static_cast<size_t>(y) * a.width + x] = 0xFF000000u | XGetPixel(img, x, y);
  XDestroyImage(img);
  return platform::WritePng(path, px.data(), a.width, a.height, a.width);
}

TEST(MainWindowOnX11, AppearsTitledAtItsSizeAndIsCaptured) {
  if (!testsupport::XvfbServer::Installed()) GTEST_SKIP() << "Xvfb is not installed";
  testsupport::XvfbServer server;
  ASSERT_TRUE(server.Running()) << server.Failure();

  // The program runs from an installation directory of its own.
  fs::path dir = fs::temp_directory_path() / ("quelbo-e2e-" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::copy_file(QUELBO_UPDATER, dir / "quelbo-updater", fs::copy_options::overwrite_existing);

  pid_t pid = fork();
  if (pid == 0) {
    setenv("DISPLAY", server.Name().c_str(), 1);
    if (chdir(dir.c_str()) != 0) _exit(126);
    execl((dir / "quelbo-updater").c_str(), "quelbo-updater", nullptr);
    _exit(127);
  }
  ASSERT_GT(pid, 0);

  Display* d = XOpenDisplay(server.Name().c_str());
  ASSERT_NE(d, nullptr);
  Window w = 0;
  for (std::uint64_t end = platform::TickCount() + 15000; !w && platform::TickCount() < end;) {
    w = FindByName(d, "Quelbo自动更新");
    if (!w) platform::SleepMs(100);
  }
  ASSERT_NE(w, 0u) << "no window titled Quelbo自动更新 appeared";
  XWindowAttributes a;
  XGetWindowAttributes(d, w, &a);
  EXPECT_EQ(a.width, 444);
  EXPECT_EQ(a.height, 141);
  EXPECT_EQ(a.map_state, IsViewable);
  platform::SleepMs(500);  // let the first paint reach the screen
  fs::create_directories(ARTIFACT_DIR);
  EXPECT_TRUE(SaveScreen(d, std::string(ARTIFACT_DIR) + "/main_window_x11.png"));
  XCloseDisplay(d);

  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  fs::remove_all(dir);
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
