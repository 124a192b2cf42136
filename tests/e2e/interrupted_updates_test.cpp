// The updater killed at moments spread over an update, the way a power cut or
// a user's kill would stop it. Whatever the moment, every file is whole (the
// old copy or the new one, never a part), the user's files are untouched,
// "2.0" is recorded only when everything new is in place, and the next run
// completes the update and leaves nothing behind.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>

#include "platform/Clock.h"
#include "tests/e2e/Packages.h"
#include "tests/e2e/UpdaterTest.h"

namespace fs = std::filesystem;

namespace e2e {
namespace {

const std::string kPackage = "quelbo-2.0.zip";
const std::string kOldLauncher = "#!/bin/sh\necho old launcher >old-launcher-ran.txt\n";
const std::string kSave = "the user's saved game\n";

// Where the package goes while it arrives: kept in memory, or written to its
// file as it arrives (the road of large packages).
struct Road {
  const char* name;
  long long memoryLimit;
};

void PrintTo(const Road& r, std::ostream* os) { *os << r.name; }

class InterruptedUpdates : public UpdaterTest, public ::testing::WithParamInterface<Road> {
 protected:
  void SetUp() override {
    UpdaterTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    setenv("QUELBO_TEST_PACKAGE_MEMORY_LIMIT", std::to_string(GetParam().memoryLimit).c_str(), 1);
    package_ = ZipTree(MakeTree());
    ASSERT_FALSE(package_.empty()) << "zip failed";
    testsupport::TempDir oracle;
    testsupport::WriteFile(oracle / "package.zip", package_);
    ASSERT_TRUE(UnzipInto(oracle / "package.zip", oracle / "out"));
    expected_ = ReadTree(oracle / "out");
    server_->Publish(kPackage, package_);
    server_->SetReply(Reply("2.0", server_->Url("/packages/"), kPackage, kLauncher));
  }
  void TearDown() override {
    unsetenv("QUELBO_TEST_PACKAGE_MEMORY_LIMIT");
    UpdaterTest::TearDown();
  }

  // The demo package with some 30 MB more in files of 640 KB, so that the
  // extraction, the flush and the renames each take a while.
  std::string MakeTree() {
    fs::copy(DemoPackageTree(), tree_.Path(), fs::copy_options::recursive);
    std::uint32_t state = 12345;
    for (int i = 0; i < 48; ++i) {
      std::string bytes(640 << 10, '\0');
      for (char& c : bytes) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>('a' + (state >> 28));  // 16 letters: compresses to about half
      }
      testsupport::WriteFile(tree_ / ("data/pack/part" + std::to_string(i) + ".bin"), bytes);
    }
    return tree_.Path();
  }

  // A fresh installation at version 1.0: the old launcher, a saved game.
  void FreshInstallation() {
    updater_.reset();
    install_ = std::make_unique<Installation>(QUELBO_UPDATER_E2E);
    install_->WriteVersion("1.0");
    install_->Put(kLauncher, kOldLauncher, 0755);
    install_->Put("saves/slot1.sav", kSave);
  }

  // Right after a kill: each file of the package absent or whole (the
  // launcher old or new), and "2.0" only with all of it in place.
  void ExpectWholeFiles() {
    const Tree now = install_->Snapshot();
    EXPECT_EQ(install_->Read("saves/slot1.sav"), kSave);
    ASSERT_TRUE(install_->Has(kLauncher)) << "the program to start is missing";
    const std::string launcher = install_->Read(kLauncher);
    EXPECT_TRUE(launcher == kOldLauncher || launcher == expected_.at(kLauncher).bytes) << "the launcher is a part";
    std::size_t newFiles = 0;
    for (const auto& [path, want] : expected_) {
      auto it = now.find(path);
      if (it == now.end() || want.directory || path == kLauncher) continue;
      EXPECT_EQ(it->second.bytes, want.bytes) << path << " is neither absent nor whole";
      ++newFiles;
    }
    const std::optional<std::string> version = install_->RecordedVersion();
    ASSERT_TRUE(version == "1.0" || version == "2.0") << "recorded: " << version.value_or("(nothing)");
    if (version == "2.0") {
      EXPECT_TRUE(InstalledAsUnzipWould(package_)) << "2.0 was recorded too early";
    }
    std::printf("  killed with %zu of the package's files in place, version %s\n", newFiles, version->c_str());
  }

  // Runs the updater again and lets it finish, answering what it asks: a
  // killed run may have put some of the new files in place already.
  void RunToTheEnd() {
    ASSERT_NO_FATAL_FAILURE(Launch());
    for (std::uint64_t end = platform::TickCount() + 60000; updater_->Running();) {
      ASSERT_LT(platform::TickCount(), end) << "the run after the kill did not end";
      for (const std::string& title : {kOverwriteTitle, kAppTitle})
        if (XWindowId box = x_->Find(title, main_)) {
          x_->Activate(box);
          x_->PressKey("Return");
          x_->WaitClosed(box, 5000);
        }
      platform::SleepMs(20);
    }
    EXPECT_EQ(ExitCode(), 0);
  }

  // After a complete run: the package as unzip has it, "2.0", and nothing
  // else but the user's files, the note of the started launcher and the
  // package when the killed run was past recording the version.
  void ExpectCompleted(bool packageMayStay) {
    EXPECT_TRUE(InstalledAsUnzipWould(package_));
    EXPECT_EQ(install_->RecordedVersion(), "2.0");
    EXPECT_EQ(install_->Read("saves/slot1.sav"), kSave);
    for (const auto& [path, state] : install_->Snapshot()) {
      const bool known = expected_.count(path) || path == "xconfig.ini" || path == "xconfig.installed" ||
                         path == "quelbo-updater" || path == "saves" || path == "saves/slot1.sav" ||
                         path == kLauncherNote || (packageMayStay && path == kPackage);
      EXPECT_TRUE(known) << "left behind: " << path;
    }
  }

  // Waits until the server has logged `count` more requests than `seen`
  // (nginx logs one when it is done); when that was, or 0.
  std::uint64_t WaitForRequests(std::size_t seen, std::size_t count) {
    for (std::uint64_t end = platform::TickCount() + 30000; platform::TickCount() < end; platform::SleepMs(1))
      if (server_->Requests().size() >= seen + count) return platform::TickCount();
    return 0;
  }

  testsupport::TempDir tree_;
  std::string package_;
  Tree expected_;
};

TEST_P(InterruptedUpdates, EveryFileStaysWholeAndTheNextRunCompletes) {
  // A run to the end tells how long the run goes on after the transfer
  // (nginx logs the request when it is done): the extraction, the flush,
  // the renames and the version.
  FreshInstallation();
  ASSERT_NO_FATAL_FAILURE(Launch());
  const std::uint64_t transferred = WaitForRequests(0, 2);
  ASSERT_GT(transferred, 0u) << "the package was not requested";
  ASSERT_EQ(ExitCode(), 0);
  const std::uint64_t finished = platform::TickCount();
  ExpectCompleted(false);
  std::printf("  the run went on for %llu ms after the transfer\n",
              static_cast<unsigned long long>(finished - transferred));

  // Once as the transfer starts (the version reply is logged), then over
  // what follows the transfer, closer together towards its end, where the
  // names change and the version is recorded.
  std::vector<int> afterTransfer = {-1};
  for (int percent : {0, 50, 80, 90, 96})
    afterTransfer.push_back(static_cast<int>((finished - transferred) * percent / 100));
  for (int delay : afterTransfer) {
    SCOPED_TRACE(delay < 0 ? std::string("killed as the transfer starts")
                           : "killed " + std::to_string(delay) + " ms after the transfer");
    FreshInstallation();
    const std::size_t seen = server_->Requests().size();
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_GT(WaitForRequests(seen, delay < 0 ? 1 : 2), 0u) << "the update did not start";
    if (delay > 0) platform::SleepMs(static_cast<std::uint32_t>(delay));
    updater_->Kill();
    ASSERT_NO_FATAL_FAILURE(ExpectWholeFiles());
    const bool recorded = install_->RecordedVersion() == "2.0";
    ASSERT_NO_FATAL_FAILURE(RunToTheEnd());
    ExpectCompleted(recorded);
  }
}

INSTANTIATE_TEST_SUITE_P(E2e, InterruptedUpdates,
                         ::testing::Values(Road{"InMemory", 1ll << 40}, Road{"ThroughItsFile", 0}),
                         [](const ::testing::TestParamInfo<Road>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
