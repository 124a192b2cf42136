#include "tests/e2e/UpdaterTest.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "platform/Clock.h"
#include "platform/Connectivity.h"
#include "tests/e2e/Packages.h"

namespace fs = std::filesystem;

namespace e2e {

namespace {

std::string Joined(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& s : items) out += (out.empty() ? "" : ", ") + ("\"" + s + "\"");
  return "[" + out + "]";
}

std::string TestName() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  std::replace(name.begin(), name.end(), '/', '-');  // parameterised names
  return name;
}

}  // namespace

void UpdaterTest::SetUp() {
  if (!testsupport::XvfbServer::Installed()) GTEST_SKIP() << "Xvfb is not installed";
  if (access("/usr/sbin/nginx", X_OK) != 0) GTEST_SKIP() << "nginx is not installed";
  if (UpdateServer::PortBusy(E2E_PORT))
    GTEST_SKIP() << "127.0.0.1:" << E2E_PORT << " is in use; the test copy of the updater asks that port "
                 << "(configure with -DQUELBO_E2E_PORT=<a free port>)";
  // The updater only asks the server while it counts as online.
  if (!platform::HasNetworkConnection())
    GTEST_SKIP() << "no network interface besides loopback is up, so the updater would report it is offline";

  xvfb_ = std::make_unique<testsupport::XvfbServer>(800, 600, 24);
  ASSERT_TRUE(xvfb_->Running()) << xvfb_->Failure();
  x_ = std::make_unique<XDriver>(xvfb_->Name());
  ASSERT_TRUE(x_->Connected());
  server_ = std::make_unique<UpdateServer>(E2E_PORT);
  ASSERT_TRUE(server_->Running()) << server_->Failure();
  install_ = std::make_unique<Installation>(QUELBO_UPDATER_E2E);
}

void UpdaterTest::TearDown() {
  if (HasFailure() && updater_) {
    std::ostringstream report;
    report << "updater output:\n" << updater_->Output();
    if (x_) report << "windows: " << Joined(x_->Titles()) << "\n";
    if (server_) report << "requests: " << Joined(server_->Requests()) << "\n";
    KeepScreenshot("failure");
    std::fputs(report.str().c_str(), stderr);
  }
  updater_.reset();
  x_.reset();
  xvfb_.reset();
  server_.reset();
  install_.reset();
}

std::string UpdaterTest::Reply(const std::string& version, const std::string& baseUrl, const std::string& package,
                               const std::string& program) {
  return version + "|" + baseUrl + "|" + package + "|" + program;
}

std::string UpdaterTest::DemoPackageTree() { return testsupport::SourceDir() + "/scripts/demo/package"; }

std::string UpdaterTest::PublishDemoPackage(const std::string& name) {
  std::string bytes = ZipTree(DemoPackageTree());
  EXPECT_FALSE(bytes.empty()) << "zip failed";
  server_->Publish(name, bytes);
  return bytes;
}

::testing::AssertionResult UpdaterTest::InstalledAsUnzipWould(const std::string& archiveBytes) {
  testsupport::TempDir oracle;
  testsupport::WriteFile(oracle / "package.zip", archiveBytes);
  if (!UnzipInto(oracle / "package.zip", oracle / "out")) return ::testing::AssertionFailure() << "unzip failed";
  const Tree expected = ReadTree(oracle / "out"), installed = install_->Snapshot();
  std::ostringstream differences;
  for (const auto& [path, want] : expected) {
    auto it = installed.find(path);
    if (it == installed.end()) differences << "  missing " << path << "\n";
    else if (want.directory != it->second.directory)
      differences << "  not a " << (want.directory ? "directory" : "file") << ": " << path << "\n";
    else if (want.bytes != it->second.bytes) differences << "  different bytes: " << path << "\n";
    else if (!want.directory && want.permissions != it->second.permissions)
      differences << "  permissions " << std::oct << it->second.permissions << " instead of " << want.permissions
                  << std::dec << ": " << path << "\n";
  }
  if (differences.str().empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the installation differs from unzip's extraction:\n" << differences.str();
}

void UpdaterTest::Launch(LaunchOptions options) {
  options.display = xvfb_->Name();
  updater_ = std::make_unique<UpdaterProcess>(install_->Dir(), options);
  main_ = x_->WaitFor(kAppTitle, 15000);
  if (main_ != 0) return;
  // What the program was doing tells a slow start from one that never came.
  const std::optional<int> ended = updater_->WaitExit(0);
  const std::string state =
      ended ? "it ended with " + std::to_string(*ended) + " (negative: the signal)"
            : "it still runs, in " + testsupport::ReadFile("/proc/" + std::to_string(updater_->Pid()) + "/wchan") +
                  ", state " + testsupport::ReadFile("/proc/" + std::to_string(updater_->Pid()) + "/stat");
  FAIL() << "the main window did not appear: " << state;
}

void UpdaterTest::AnswerBox(const std::string& title, const std::string& key, int waitMs) {
  // The update starts two timer ticks after the window appears; a download
  // or an extraction comes before most boxes.
  XWindowId box = x_->WaitFor(title, waitMs, main_);
  ASSERT_NE(box, 0u) << "no box titled \"" << title << "\" appeared; windows: " << Joined(x_->Titles());
  ASSERT_TRUE(x_->WaitForFocus(box, 5000)) << "the box titled \"" << title << "\" does not have the keyboard focus";
  platform::SleepMs(150);  // lets the box's first paint reach the screen for the screenshot
  static int shot = 0;
  KeepScreenshot("box" + std::to_string(++shot));
  ASSERT_TRUE(x_->PressKey(key));
  EXPECT_TRUE(x_->WaitClosed(box, 5000)) << "the box titled \"" << title << "\" stayed open after " << key;
}

int UpdaterTest::ExitCode(int timeoutMs) {
  std::optional<int> code = updater_->WaitExit(timeoutMs);
  if (!code) {
    ADD_FAILURE() << "the program still runs after " << timeoutMs << " ms";
    return -1000;
  }
  return *code;
}

void UpdaterTest::ExpectWindowStaysOpenThenClose() {
  platform::SleepMs(1000);
  ASSERT_TRUE(updater_->Running()) << "the program ended instead of leaving its window open";
  ASSERT_TRUE(x_->Viewable(main_)) << "the main window is gone";
  x_->RequestClose(main_);
  std::optional<int> code = updater_->WaitExit(10000);
  ASSERT_TRUE(code) << "the program did not end when its window was closed";
  EXPECT_EQ(*code, 0);
}

bool UpdaterTest::WaitForLauncherNote(int timeoutMs) const {
  for (std::uint64_t end = platform::TickCount() + static_cast<std::uint64_t>(timeoutMs);;) {
    if (install_->Has(kLauncherNote)) return true;
    if (platform::TickCount() >= end) return false;
    platform::SleepMs(25);
  }
}

void UpdaterTest::KeepScreenshot(const std::string& suffix) const {
  if (!x_) return;
  const std::string dir = std::string(ARTIFACT_DIR) + "/e2e";
  std::error_code ec;
  fs::create_directories(dir, ec);  // screenshots are a help, never a reason to fail
  XDriver::SavePng(x_->CaptureScreen(), dir + "/" + TestName() + "-" + suffix + ".png");
}

}  // namespace e2e
