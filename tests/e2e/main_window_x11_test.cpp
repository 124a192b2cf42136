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

#include "XDriver.h"
#include "platform/Clock.h"
#include "tests/support/XvfbServer.h"

namespace fs = std::filesystem;

namespace {

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
  EXPECT_TRUE(e2e::XDriver::SavePng(x.CaptureScreen(), std::string(ARTIFACT_DIR) + "/main_window_x11.png"));

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
