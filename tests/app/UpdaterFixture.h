#pragma once
// The updater's main window on the headless display, in a temporary
// installation directory, with message boxes answered and recorded and the
// immediate exit recorded instead of ending the test. Tests that need the
// update server start nginx on a free port of 127.0.0.1.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "app/Unit1.h"
#include "framework/windows/Dialogs.h"
#include "framework/windows/Windows.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/headless/HeadlessDisplay.h"
#include "tests/app/update/UpdateFiles.h"
#include "tests/support/TestServers.h"

namespace apptest {

using namespace platform::literals;

class Updater : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetDisplay(std::make_unique<platform::HeadlessDisplay>(1280, 800, 40));
    std::filesystem::create_directory(install);
    SetMessageBoxHook([this](const MessageBoxRequest& r) -> int {
      boxes.push_back(r);
      if ((r.type & 0x0F) == MB_YESNO) return answerYesNo;
      return IDOK;
    });
    app = new TApplication(nullptr);
    app->SetTitle("Quelbo自动更新"_cp936);
    form = CreateMainForm();
    // The program's own environment, but for the installation, the network,
    // the server and the exit. Until a test starts a server, the update
    // server is a port nobody listens on; whatever key this build was
    // configured with, tests choose their own.
    UpdateEnvironment env = form->Environment();
    env.appDir = install + "/";
    env.updateHost = "127.0.0.1:" + std::to_string(ClosedPort());
    env.publicKey = "";
    env.online = [this] { return online == 1; };
    env.exitNow = [this](int code) { exits.push_back(code); };
    // Waits between attempts are recorded, not slept.
    env.sleep = [this](std::int64_t ms) { waits.push_back(ms); };
    form->SetEnvironment(env);
    form->SetVisible(true);
    app->ProcessMessages();
  }

  // The main window; a test may make one of its own kind.
  virtual TForm1* CreateMainForm() { return app->CreateForm<TForm1>(); }

  void TearDown() override {
    delete app;
    SetMessageBoxHook(nullptr);
    platform::SetDisplay(nullptr);
  }

  // The environment of the update from now on.
  void SetUpdateHost(const std::string& host) { Change([&](UpdateEnvironment& e) { e.updateHost = host; }); }
  void SetPublicKey(const std::string& key) { Change([&](UpdateEnvironment& e) { e.publicKey = key; }); }
  void SetPackageMemoryLimit(std::int64_t limit) {
    Change([&](UpdateEnvironment& e) { e.packageMemoryLimit = limit; });
  }
  template <class F>
  void Change(F change) {
    UpdateEnvironment env = form->Environment();
    change(env);
    form->SetEnvironment(env);
  }

  // nginx serving docroot; the version endpoint is docroot/version/version.php.
  void StartServer() {
    nginx = std::make_unique<testsupport::NginxServer>(docroot.Path());
    SetUpdateHost("127.0.0.1:" + std::to_string(nginx->Port()));
  }
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(nginx->Port()) + "/"; }
  void ServeReply(const std::string& utf8Bytes) { Serve("version/version.php", utf8Bytes); }
  void Serve(const std::string& path, const std::string& bytes) { testsupport::WriteFile(docroot / path, bytes); }

  // Files of the installation directory (names in UTF-8, as the test source has them).
  std::string Installed(const std::string& name) const { return install + "/" + name; }
  bool Has(const std::string& name) const { return std::filesystem::exists(Installed(name)); }
  std::string Read(const std::string& name) const { return testsupport::ReadFile(Installed(name)); }
  void Put(const std::string& name, const std::string& bytes) { testsupport::WriteFile(Installed(name), bytes); }
  void PutIni(const std::string& ver) { Put("xconfig.ini", "[version]\r\nver=" + ver + "\r\n"); }

  // Lets Timer1 tick once more, which starts the update, and pumps messages
  // until the procedure has returned.
  void RunUpdate() {
    form->StartTicks = 1;
    form->Timer1->SetEnabled(true);
    PumpUntil([this] { return form->StartTicks != 1; }, 60000);
    ASSERT_NE(form->StartTicks, 1) << "the update did not run";
  }

  template <class Pred>
  void PumpUntil(Pred done, int timeoutMs) {
    const std::uint64_t end = platform::TickCount() + static_cast<std::uint64_t>(timeoutMs);
    while (!done() && platform::TickCount() < end) {
      WaitMessageTimeout(50);
      app->ProcessMessages();
    }
  }

  // The texts of the message boxes shown, as UTF-8.
  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> t;
    for (const MessageBoxRequest& r : boxes) t.push_back(platform::Cp936ToUtf8(r.text));
    return t;
  }
  // The one box a plain message shows: the text under the application title, OK only.
  void ExpectOnlyMessage(const std::string& utf8Text) {
    ASSERT_EQ(boxes.size(), 1u) << ::testing::PrintToString(BoxTexts());
    EXPECT_EQ(platform::Cp936ToUtf8(boxes[0].text), utf8Text);
    EXPECT_EQ(platform::Cp936ToUtf8(boxes[0].caption), "Quelbo自动更新");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK));
  }
  // Forgets what earlier runs of the same test showed.
  void ClearRecords() {
    boxes.clear();
    exits.clear();
  }
  void ExpectExitedWithZero() { EXPECT_EQ(exits, std::vector<int>{0}); }
  void ExpectStillOpen() {
    EXPECT_TRUE(exits.empty());
    EXPECT_FALSE(form->Timer1->Enabled());
  }

  // The installation directory lies one level below root, so a test can see
  // that nothing is written beside it.
  testsupport::TempDir root;
  const std::string install = root / "install";
  testsupport::TempDir docroot;
  std::unique_ptr<testsupport::NginxServer> nginx;
  int online = 1;
  int answerYesNo = IDYES;
  std::vector<MessageBoxRequest> boxes;
  std::vector<int> exits;
  std::vector<std::int64_t> waits;
  TApplication* app = nullptr;
  TForm1* form = nullptr;
};

}  // namespace apptest
