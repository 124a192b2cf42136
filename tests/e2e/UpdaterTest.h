#pragma once
// The fixture of the end-to-end tests: a private Xvfb, the update server on
// the port the test copy of the updater was built for, an installation
// directory, and the steps a user takes with the running program. Every test
// skips, saying why, when Xvfb, nginx or that port is not available.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/e2e/Installation.h"
#include "tests/e2e/UpdateServer.h"
#include "tests/e2e/UpdaterProcess.h"
#include "tests/e2e/XDriver.h"
#include "tests/support/XvfbServer.h"

namespace e2e {

// Window titles: the main window and the program's own boxes carry the
// application title; the error boxes and the overwrite question their own.
inline const std::string kAppTitle = "Quelbo自动更新";
inline const std::string kErrorTitle = "错误";
inline const std::string kOverwriteTitle = "File Exists Alert";
// The launcher the demo package carries; it writes kLauncherNote when started.
inline const std::string kLauncher = "开始游戏.exe";
inline const std::string kLauncherNote = "launcher-started.txt";

class UpdaterTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The version reply "version|base URL|package|program" (no line break).
  static std::string Reply(const std::string& version, const std::string& baseUrl, const std::string& package,
                           const std::string& program);
  // The demo's package source tree (files in subdirectories and the launcher).
  static std::string DemoPackageTree();
  // The demo package, zipped by Info-ZIP, published under name; returns its bytes.
  std::string PublishDemoPackage(const std::string& name);
  // True when the installed tree holds every file and directory of unzip's
  // extraction of archive, byte for byte and with the same permissions.
  ::testing::AssertionResult InstalledAsUnzipWould(const std::string& archiveBytes);

  // Starts the updater and waits for its main window.
  void Launch(LaunchOptions options = {});
  // Waits up to waitMs for a message box other than the main window, checks
  // that it has the keyboard focus, keeps a screenshot and presses the key.
  void AnswerBox(const std::string& title, const std::string& key = "Return", int waitMs = 30000);
  // Waits up to timeoutMs for the program to end; its exit code.
  int ExitCode(int timeoutMs = 20000);
  // The window stays open a while; then it is closed as a user would and the
  // program must end.
  void ExpectWindowStaysOpenThenClose();
  // Waits for the started launcher's note.
  bool WaitForLauncherNote(int timeoutMs = 10000) const;
  void KeepScreenshot(const std::string& suffix) const;

  std::unique_ptr<testsupport::XvfbServer> xvfb_;
  std::unique_ptr<XDriver> x_;
  std::unique_ptr<UpdateServer> server_;
  std::unique_ptr<Installation> install_;
  std::unique_ptr<UpdaterProcess> updater_;
  XWindowId main_ = 0;
};

}  // namespace e2e
