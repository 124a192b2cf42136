#pragma once
// The update procedure without a window: a job in a temporary installation
// directory, reporting to a view that records what it is told. No display,
// no application object: the job's components are made here. Tests that need
// the update server start nginx on a free port of 127.0.0.1.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "UpdateFiles.h"
#include "app/update/UpdateJob.h"
#include "http/HttpClient.h"
#include "http/MessagePump.h"
#include "platform/CodePage.h"
#include "tests/support/TestServers.h"
#include "zip/ZipExtractor.h"

namespace apptest {

// What the procedure told its view, texts in UTF-8.
class RecordingView : public UpdateView {
 public:
  struct Failure {
    UpdateFailure kind;
    std::string why;
    bool operator==(const Failure&) const = default;
  };

  void ShowStatus(const AnsiString& Text) override { statuses.push_back(platform::Cp936ToUtf8(Text)); }
  void CatchUp() override { ++catchUps; }
  void ShowDownload(std::int64_t Done, std::int64_t Total) override {
    progress.push_back({Done, Total});
    if (onDownload) onDownload(Done);
  }
  void DownloadComplete() override { ++completions; }
  void Tell(UpdateNotice Notice) override {
    notices.push_back(Notice);
    messages.push_back(platform::Cp936ToUtf8(NoticeText(Notice)));
  }
  void ShowFailure(UpdateFailure Kind, const AnsiString& Why) override {
    failures.push_back({Kind, platform::Cp936ToUtf8(Why)});
    messages.push_back(platform::Cp936ToUtf8(FailureText(Kind, Why)));
  }
  bool AskYesNo(const AnsiString& Question, const AnsiString& Caption) override {
    questions.push_back(platform::Cp936ToUtf8(Question) + " (" + platform::Cp936ToUtf8(Caption) + ")");
    messages.push_back(platform::Cp936ToUtf8(Question));
    return answer;
  }
  // Open for the first openChecks questions whether it was closed, closed after.
  bool WasClosed() override { return closedChecks++ >= openChecks; }
  void Ended(UpdateEnd How) override { ends.push_back(How); }

  // Forgets what earlier runs told; the answers stay.
  void Clear() {
    statuses.clear();
    catchUps = 0;
    progress.clear();
    completions = 0;
    notices.clear();
    failures.clear();
    questions.clear();
    messages.clear();
    ends.clear();
    closedChecks = 0;
  }

  std::vector<std::string> statuses;
  int catchUps = 0;
  // The download as shown: bytes done and the total.
  std::vector<std::pair<std::int64_t, std::int64_t>> progress;
  int completions = 0;
  // Called with each count shown (a test may close the window there).
  std::function<void(std::int64_t Done)> onDownload;
  std::vector<UpdateNotice> notices;
  std::vector<Failure> failures;
  std::vector<std::string> questions;
  // Every notice, failure and question as the person reads it, in order.
  std::vector<std::string> messages;
  std::vector<UpdateEnd> ends;
  // The answers: yes or no, and how often the window is found open.
  bool answer = true;
  int openChecks = INT_MAX;
  int closedChecks = 0;
};

class Job : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(install);
    // Until a test starts a server, the update server is a port nobody
    // listens on.
    env = SystemEnvironment(install + "/", "127.0.0.1:" + std::to_string(ClosedPort()), "");
    env.online = [this] { return online; };
    env.exitNow = [](int) { ADD_FAILURE() << "the procedure ended the process itself"; };
    // Waits between attempts are recorded, not slept.
    env.sleep = [this](std::int64_t ms) { waits.push_back(ms); };
  }

  // nginx serving docroot; the version endpoint is docroot/version/version.php.
  void StartServer() {
    nginx = std::make_unique<testsupport::NginxServer>(docroot.Path());
    env.updateHost = "127.0.0.1:" + std::to_string(nginx->Port());
  }
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(nginx->Port()) + "/"; }
  void ServeReply(const std::string& utf8Bytes) { Serve("version/version.php", utf8Bytes); }
  void Serve(const std::string& path, const std::string& bytes) { testsupport::WriteFile(docroot / path, bytes); }

  // Files of the installation directory (names in UTF-8, as the test source has them).
  std::string Installed(const std::string& name) const { return install + "/" + name; }
  bool Has(const std::string& name) const { return std::filesystem::exists(Installed(name)); }
  std::string Read(const std::string& name) const { return testsupport::ReadFile(Installed(name)); }
  void Put(const std::string& name, const std::string& bytes) { testsupport::WriteFile(Installed(name), bytes); }
  void PutProgram(const std::string& name, const std::string& bytes) {
    Put(name, bytes);
    std::filesystem::permissions(Installed(name), std::filesystem::perms::owner_all);
  }
  // "xconfig.ini" with a version and the packages an earlier run left ("" none).
  void PutIni(const std::string& ver, const std::string& packages = "") { Put("xconfig.ini", Ini(ver, packages)); }
  std::string Ini(const std::string& ver, const std::string& packages = "") const {
    return "[version]\r\nver=" + ver + "\r\n" + (packages.empty() ? "" : "packages=" + packages + "\r\n");
  }

  // One pass of the procedure with fresh records. What escapes it is kept
  // as the general error report would show it.
  void RunUpdate() {
    view.Clear();
    escaped.reset();
    UpdateJob job(env, {query, download, zip, pump}, view);
    running = &job;
    try {
      job.Run();
    } catch (const Exception& e) {
      escaped = e.Message();
    }
    running = nullptr;
  }

  // The one message of a run: a notice, and the program ends.
  void ExpectOnly(UpdateNotice notice) {
    EXPECT_EQ(view.notices, std::vector<UpdateNotice>{notice}) << ::testing::PrintToString(view.messages);
    EXPECT_EQ(view.messages.size(), 1u) << ::testing::PrintToString(view.messages);
  }
  // The one message of a run: a failure and its reason (UTF-8).
  void ExpectOnlyFailure(UpdateFailure kind, const std::string& why) {
    const std::vector<RecordingView::Failure> expected = {{kind, why}};
    EXPECT_EQ(view.failures, expected) << ::testing::PrintToString(view.messages);
    EXPECT_EQ(view.messages.size(), 1u) << ::testing::PrintToString(view.messages);
  }
  void ExpectNoMessage() { EXPECT_TRUE(view.messages.empty()) << ::testing::PrintToString(view.messages); }
  void ExpectEnded(UpdateEnd how) {
    EXPECT_EQ(view.ends, std::vector<UpdateEnd>{how});
    EXPECT_FALSE(escaped) << *escaped;
  }
  void ExpectExited() { ExpectEnded(UpdateEnd::kExit); }
  void ExpectStopped() { ExpectEnded(UpdateEnd::kStopped); }
  // Stopped by a failure the procedure does not expect, for the general error report.
  void ExpectEscaped(const std::string& message) {
    EXPECT_EQ(escaped, std::optional<std::string>(message));
    EXPECT_TRUE(view.ends.empty());
  }

  // The installation directory lies one level below root, so a test can see
  // that nothing is written beside it.
  testsupport::TempDir root;
  const std::string install = root / "install";
  testsupport::TempDir docroot;
  std::unique_ptr<testsupport::NginxServer> nginx;
  bool online = true;
  UpdateEnvironment env;
  THttpClient query{nullptr};
  THttpClient download{nullptr};
  TZipExtractor zip{nullptr};
  TMessagePump pump{nullptr};
  RecordingView view;
  std::optional<std::string> escaped;
  std::vector<std::int64_t> waits;
  // The job of RunUpdate while it runs.
  UpdateJob* running = nullptr;
};

}  // namespace apptest
