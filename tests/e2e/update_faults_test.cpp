// The updater against real faults: broken transfers, a stalled server,
// damaged and hostile archives, a full disk and a read-only installation.
// Whatever goes wrong, no installed file is lost and "xconfig.ini" keeps the
// old version unless the update was installed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "platform/Clock.h"
#include "tests/e2e/Packages.h"
#include "tests/e2e/UpdaterTest.h"
#include "tests/support/PictureFiles.h"

namespace fs = std::filesystem;

namespace e2e {
namespace {

const std::string kPackage = "quelbo-2.0.zip";

class E2eFaults : public UpdaterTest {
 protected:
  // Version 1.0 with an old copy of a file the package brings again, and a
  // file of the user's that no package knows about.
  void SetUp() override {
    UpdaterTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    install_->WriteVersion("1.0");
    install_->Put("data/version.txt", "1.0\n");
    install_->Put("saves/slot1.sav", "the user's saved game\n");
  }
  void ReplyWithPackageAt(const std::string& baseUrl, const std::string& program = kLauncher) {
    server_->SetReply(Reply("2.0", baseUrl, kPackage, program));
  }
  // Every file that was there is still there, unchanged; what was added is
  // among allowedAdditions.
  void ExpectNothingLost(const Tree& before, const std::vector<std::string>& allowedAdditions = {}) {
    const TreeChanges changes = ChangesBut(before, kPackage);
    EXPECT_TRUE(changes.removed.empty() && changes.changed.empty()) << changes.Describe();
    for (const std::string& added : changes.added)
      EXPECT_NE(std::find(allowedAdditions.begin(), allowedAdditions.end(), added), allowedAdditions.end())
          << "unexpected new entry " << added << "\n"
          << changes.Describe();
  }
  // What changed since before, but for the record of a package left behind
  // that "xconfig.ini" gains, as the updater's own.
  TreeChanges ChangesBut(const Tree& before, const std::string& package) {
    const Tree now = install_->Snapshot();
    TreeChanges changes = Compare(before, now);
    const auto was = before.find("xconfig.ini"), is = now.find("xconfig.ini");
    if (was != before.end() && is != now.end() && now.count(package)) {
      std::string ini = is->second.bytes;
      const std::string record = "packages=" + package;
      if (const std::size_t at = ini.find(record); at != std::string::npos)
        ini.erase(at, ini.find('\n', at) + 1 - at);  // with its line end, as the file has them
      if (ini == was->second.bytes) std::erase(changes.changed, std::string("xconfig.ini"));
    }
    return changes;
  }
  // The entries of the demo package, with the package file itself.
  static std::vector<std::string> DemoEntriesAndPackage() {
    std::vector<std::string> out = {kPackage};
    for (const auto& [path, state] : ReadTree(DemoPackageTree())) out.push_back(path);
    return out;
  }
};

// Download failures: the error box, the window stays open, nothing changes.
struct TransferFault {
  const char* name;
  const char* basePath;        // below the update server
  bool publish;                // whether the package exists at /packages/
  const char* packageRequest;  // the request that must be the last one
};

void PrintTo(const TransferFault& f, std::ostream* os) { *os << f.name; }

class TransferFaults : public E2eFaults, public ::testing::WithParamInterface<TransferFault> {};

TEST_P(TransferFaults, ShowTheErrorAndChangeNothing) {
  const TransferFault& f = GetParam();
  if (f.publish) PublishDemoPackage(kPackage);
  ReplyWithPackageAt(server_->Url(f.basePath));
  const Tree before = install_->Snapshot();
  ASSERT_NO_FATAL_FAILURE(Launch());
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kErrorTitle));
  ASSERT_NO_FATAL_FAILURE(ExpectWindowStaysOpenThenClose());

  ExpectNothingLost(before);
  // Nothing is followed: the failed request is the last one.
  EXPECT_EQ(server_->Requests(), (std::vector<std::string>{"200 /version/version.php", f.packageRequest}));
}

INSTANTIATE_TEST_SUITE_P(
    E2e, TransferFaults,
    ::testing::Values(TransferFault{"NotFound", "/packages/", false, "404 /packages/quelbo-2.0.zip"},
                      TransferFault{"Redirect", "/moved/", true, "302 /moved/quelbo-2.0.zip"}),
    [](const ::testing::TestParamInfo<TransferFault>& info) { return std::string(info.param.name); });

// A server closing in the middle of the body is no failure any more: the
// rest is asked for (resumed_downloads_test).

TEST_F(E2eFaults, StalledServerLeavesTheWindowPaintingAndClosable) {
  testsupport::ScriptServer stall(
      "accept\n"
      "expect-request\n"
      "send HTTP/1.1 200 OK\\r\\nContent-Length: 1000000\\r\\n\\r\\n\n"
      "send-body 50000\n"
      "hold 60000\n");
  ReplyWithPackageAt(stall.Url("/packages/"));
  const Tree before = install_->Snapshot();
  ASSERT_NO_FATAL_FAILURE(Launch());
  for (std::uint64_t end = platform::TickCount() + 15000; stall.Requests().empty() && platform::TickCount() < end;)
    platform::SleepMs(50);
  ASSERT_FALSE(stall.Requests().empty()) << "the package was never requested";
  platform::SleepMs(1000);  // the first part of the body is shown by now

  // Covered and uncovered, the window must paint itself again.
  int x = 0, y = 0, w = 0, h = 0;
  ASSERT_TRUE(x_->Bounds(main_, x, y, w, h));
  const ScreenImage shown = x_->Capture(x, y, w, h);
  constexpr std::uint32_t kCover = 0xFF00FF;
  x_->CoverAndUncover(x, y, w, h, kCover, 300);
  platform::SleepMs(700);
  const ScreenImage again = x_->Capture(x, y, w, h);
  ASSERT_EQ(again.pixels.size(), shown.pixels.size());
  std::size_t covered = 0, same = 0;
  for (std::size_t i = 0; i < again.pixels.size(); ++i) {
    covered += (again.pixels[i] & 0xFFFFFF) == kCover;
    same += again.pixels[i] == shown.pixels[i];
  }
  EXPECT_EQ(covered, 0u) << "parts of the window were not repainted";
  EXPECT_EQ(same, shown.pixels.size()) << "the repainted window differs from what it showed before";
  KeepScreenshot("stalled");

  x_->RequestClose(main_);
  std::optional<int> code = updater_->WaitExit(10000);
  ASSERT_TRUE(code) << "the program did not end when its window was closed during the stalled download";
  EXPECT_EQ(*code, 0);
  ExpectNothingLost(before);
}

// Archives that cannot be extracted: the extraction error, the window stays
// open, the version stays, and at most the package is left behind.
struct BrokenArchive {
  const char* name;
  std::string (*make)(const std::string& goodPackage);
};

void PrintTo(const BrokenArchive& b, std::ostream* os) { *os << b.name; }

class BrokenArchives : public E2eFaults, public ::testing::WithParamInterface<BrokenArchive> {};

TEST_P(BrokenArchives, ShowTheExtractionErrorAndKeepTheVersion) {
  server_->Publish(kPackage, GetParam().make(ZipTree(DemoPackageTree())));
  ReplyWithPackageAt(server_->Url("/packages/"));
  const Tree before = install_->Snapshot();
  ASSERT_NO_FATAL_FAILURE(Launch());
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kErrorTitle));
  ASSERT_NO_FATAL_FAILURE(ExpectWindowStaysOpenThenClose());
  ExpectNothingLost(before, {kPackage});
  EXPECT_EQ(install_->RecordedVersion(), "1.0");
}

INSTANTIATE_TEST_SUITE_P(
    E2e, BrokenArchives,
    ::testing::Values(BrokenArchive{"CutInHalf", [](const std::string& zip) { return zip.substr(0, zip.size() / 2); }},
                      BrokenArchive{"NotAnArchive",
                                    [](const std::string&) {
                                      return std::string("<html><body>Service unavailable</body></html>\n");
                                    }}),
    [](const ::testing::TestParamInfo<BrokenArchive>& info) { return std::string(info.param.name); });

TEST_F(E2eFaults, MemberWithAWrongChecksumFailsTheUpdateAndKeepsTheInstalledCopy) {
  server_->Publish(kPackage, HandMadeZip({{"data/version.txt", "2.0\n", 0100644, true},
                                          {"docs/changes.txt", "good member\n", 0100644, false}}));
  ReplyWithPackageAt(server_->Url("/packages/"), "");
  const Tree before = install_->Snapshot();
  ASSERT_NO_FATAL_FAILURE(Launch());
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kOverwriteTitle));
  // The damaged member fails the whole package: the extraction error is
  // shown and the window stays open.
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kErrorTitle));
  ASSERT_NO_FATAL_FAILURE(ExpectWindowStaysOpenThenClose());
  EXPECT_EQ(install_->Read("data/version.txt"), "1.0\n");
  EXPECT_EQ(install_->RecordedVersion(), "1.0");
  const TreeChanges changes = ChangesBut(before, kPackage);
  EXPECT_TRUE(changes.removed.empty() && changes.changed.empty()) << changes.Describe();
  // Nothing of the package is installed, not even its good member.
  EXPECT_EQ(changes.added, (std::vector<std::string>{kPackage})) << changes.Describe();
}

// Names that reach outside the installation, or that Windows reads as
// something else, are refused, each in a box of its own. A stored link is
// never made: "link" becomes a file, so nothing goes through it, and the
// member below it, which cannot be made then, fails the whole package. The
// same package without that member installs the rest.
TEST_F(E2eFaults, HostileMemberNamesWriteNothingOutsideTheInstallation) {
  const std::string outside = install_->Outside();
  const std::string above = fs::path(install_->Root()).parent_path() / ("quelbo-escaped-" + std::to_string(getpid()));
  std::vector<HandMember> members = {{"../escaped.txt", "dot-dot\n"},
                                     {"..\\escaped-backslash.txt", "dot-dot with a backslash\n"},
                                     {"data/../../../" + fs::path(above).filename().string(), "two levels up\n"},
                                     {outside.substr(1) + "/relative-copy.txt", "fine: below the installation\n"},
                                     {outside + "/absolute.txt", "absolute name\n"},
                                     {"aux.dat", "a device on Windows\n"},
                                     {"readme.txt:stream", "a stream of another file on Windows\n"},
                                     {"C:drive-relative.txt", "relative to a drive's current directory\n"},
                                     {"link", outside, 0120777},
                                     {"link/through-link.txt", "through a stored link\n"},
                                     {"good/inside.txt", "a well-behaved member\n", 0100644}};
  constexpr int kRefusedNames = 6;
  const Tree before = install_->Snapshot();
  auto expectNothingOutside = [&] {
    EXPECT_TRUE(fs::is_empty(outside)) << "something was written into " << outside;
    std::vector<std::string> rootEntries;
    for (const auto& e : fs::directory_iterator(install_->Root())) rootEntries.push_back(e.path().filename());
    std::sort(rootEntries.begin(), rootEntries.end());
    EXPECT_EQ(rootEntries, (std::vector<std::string>{"install", "outside"}));
    EXPECT_FALSE(fs::exists(above)) << above << " was written";
    for (const auto& [path, state] : install_->Snapshot()) EXPECT_FALSE(state.symlink) << path << " is a link";
  };

  server_->Publish(kPackage, HandMadeZip(members));
  ReplyWithPackageAt(server_->Url("/packages/"), "");
  ASSERT_NO_FATAL_FAILURE(Launch());
  for (int i = 0; i < kRefusedNames; ++i) ASSERT_NO_FATAL_FAILURE(AnswerBox(kZipErrorTitle));
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kErrorTitle));  // "link/through-link.txt" cannot be made
  ASSERT_NO_FATAL_FAILURE(ExpectWindowStaysOpenThenClose());
  expectNothingOutside();
  // Only the package, and the directories made for members before the failure.
  const Tree after = install_->Snapshot();
  const TreeChanges changes = ChangesBut(before, kPackage);
  EXPECT_TRUE(changes.removed.empty() && changes.changed.empty()) << changes.Describe();
  for (const std::string& added : changes.added)
    EXPECT_TRUE(added == kPackage || after.at(added).directory) << added << " was installed";
  EXPECT_EQ(install_->RecordedVersion(), "1.0");

  members.erase(members.end() - 2);
  server_->Publish(kPackage, HandMadeZip(members));
  ASSERT_NO_FATAL_FAILURE(Launch());
  for (int i = 0; i < kRefusedNames; ++i) ASSERT_NO_FATAL_FAILURE(AnswerBox(kZipErrorTitle));
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kAppTitle));  // "update complete", no program to start
  EXPECT_EQ(ExitCode(), 0);
  expectNothingOutside();
  EXPECT_EQ(install_->Read("good/inside.txt"), "a well-behaved member\n");
  EXPECT_EQ(install_->Read("link"), outside);
  EXPECT_EQ(install_->RecordedVersion(), "2.0");
}

// A member whose file cannot be made fails the update: the extraction error,
// the window stays open, nothing of the package installed and the version
// kept. Once the obstacle is gone, the next run installs it.
TEST_F(E2eFaults, AMemberThatCannotBeWrittenFailsTheUpdateUntilItCan) {
  server_->Publish(kPackage, HandMadeZip({{"docs/changes.txt", "Changes in 2.0\n", 0100644},
                                          {"data/version.txt", "2.0\n", 0100644}}));
  ReplyWithPackageAt(server_->Url("/packages/"), "");
  fs::create_directories(install_->Path("docs/changes.txt/notes"));
  const Tree before = install_->Snapshot();
  ASSERT_NO_FATAL_FAILURE(Launch());
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kErrorTitle));
  ASSERT_NO_FATAL_FAILURE(ExpectWindowStaysOpenThenClose());
  ExpectNothingLost(before, {kPackage});
  EXPECT_EQ(install_->RecordedVersion(), "1.0");

  fs::remove_all(install_->Path("docs/changes.txt"));
  ASSERT_NO_FATAL_FAILURE(Launch());
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kOverwriteTitle));  // replace version.txt: yes
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kAppTitle));        // "update complete"
  EXPECT_EQ(ExitCode(), 0);
  EXPECT_EQ(install_->Read("docs/changes.txt"), "Changes in 2.0\n");
  EXPECT_EQ(install_->Read("data/version.txt"), "2.0\n");
  EXPECT_EQ(install_->RecordedVersion(), "2.0");
  EXPECT_FALSE(install_->Has(kPackage));
}

TEST_F(E2eFaults, FullDiskDuringExtractionKeepsTheOldFileAndTheVersion) {
  // 4 MB that compress to a few kilobytes; the process may write files of 1 MB.
  testsupport::TempDir tree;
  std::string big;
  while (big.size() < (4u << 20)) big += "level data that the new version brings along, line after line\n";
  testsupport::WriteFile(tree / "data/big.bin", big);
  testsupport::WriteFile(tree / "docs/changes.txt", "Changes in 2.0\n");
  server_->Publish(kPackage, ZipTree(tree.Path()));
  install_->Put("data/big.bin", "the installed level data\n");
  ReplyWithPackageAt(server_->Url("/packages/"));
  const Tree before = install_->Snapshot();

  LaunchOptions limited;
  limited.maxFileSize = 1 << 20;
  ASSERT_NO_FATAL_FAILURE(Launch(limited));
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kOverwriteTitle));  // replace big.bin: yes
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kErrorTitle));
  ASSERT_NO_FATAL_FAILURE(ExpectWindowStaysOpenThenClose());

  EXPECT_EQ(install_->Read("data/big.bin"), "the installed level data\n");
  EXPECT_EQ(install_->RecordedVersion(), "1.0");
  ExpectNothingLost(before, {kPackage, "docs", "docs/changes.txt"});
}

// An installation the program may not write is found before anything is
// fetched: the error box, the window stays, nothing changes.
TEST_F(E2eFaults, ReadOnlyInstallationIsRefusedBeforeTheDownload) {
  PublishDemoPackage(kPackage);
  ReplyWithPackageAt(server_->Url("/packages/"));
  LaunchOptions options;
  if (geteuid() == 0) {
    // Permissions do not stop root; a read-only mount does.
    if (!UpdaterProcess::ReadOnlyMountWorks()) GTEST_SKIP() << "no read-only bind mount possible here";
    options.readOnlyMount = true;
  } else {
    install_->RemoveWritePermission();
  }
  const Tree before = install_->Snapshot();
  ASSERT_NO_FATAL_FAILURE(Launch(options));
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kErrorTitle));
  ASSERT_NO_FATAL_FAILURE(ExpectWindowStaysOpenThenClose());
  ExpectNothingLost(before);
  for (const std::string& request : server_->Requests())
    EXPECT_EQ(request.find("/packages/"), std::string::npos) << "fetched: " << request;
}

TEST_F(E2eFaults, MissingProgramInTheFourthFieldReportsTheUpdateInstead) {
  const std::string package = PublishDemoPackage(kPackage);
  ReplyWithPackageAt(server_->Url("/packages/"), "bin/no-such-program");
  ASSERT_NO_FATAL_FAILURE(Launch());
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kOverwriteTitle));
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kAppTitle));  // "update complete"
  EXPECT_EQ(ExitCode(), 0);

  EXPECT_TRUE(InstalledAsUnzipWould(package));
  EXPECT_EQ(install_->RecordedVersion(), "2.0");
  EXPECT_FALSE(install_->Has(kPackage));
  platform::SleepMs(300);
  EXPECT_FALSE(install_->Has(kLauncherNote)) << "a program was started";
}

// The main window destroyed by another program (as "xdotool windowclose"
// does) while it waits, open, after a failed download: the program ends.
TEST_F(E2eFaults, MainWindowDestroyedFromOutsideEndsTheProgram) {
  // The package is not on the server: the download fails at once (a 404 is
  // not asked again).
  ReplyWithPackageAt(server_->Url("/packages/"));
  const Tree before = install_->Snapshot();
  ASSERT_NO_FATAL_FAILURE(Launch());
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kErrorTitle));
  platform::SleepMs(500);
  ASSERT_TRUE(updater_->Running());
  x_->Destroy(main_);
  std::optional<int> code = updater_->WaitExit(10000);
  ASSERT_TRUE(code) << "the program runs on without its window";
  EXPECT_EQ(*code, 0);
  ExpectNothingLost(before);
}

// Damaged pictures under the names of the window's skin images: the window
// comes up with the built-in images and the update runs as always.
TEST_F(E2eFaults, DamagedSkinPicturesStopNeitherTheStartNorTheUpdate) {
  const std::vector<unsigned char> huge = testsupport::BlackPng(16384, 16384);
  const std::vector<unsigned char> bar = testsupport::BlackPng(102, 13);
  install_->Put("MlSkinFlatBtn", "");
  install_->Put("MlSkinBar_base", std::string(huge.begin(), huge.end()));
  install_->Put("MlSkinBar_cur", std::string(bar.begin(), bar.begin() + static_cast<long>(bar.size() / 2)));
  const std::string package = PublishDemoPackage(kPackage);
  ReplyWithPackageAt(server_->Url("/packages/"));
  ASSERT_NO_FATAL_FAILURE(Launch());
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kOverwriteTitle));
  EXPECT_EQ(ExitCode(), 0);

  EXPECT_TRUE(InstalledAsUnzipWould(package));
  EXPECT_EQ(install_->RecordedVersion(), "2.0");
  EXPECT_TRUE(WaitForLauncherNote()) << "the launcher was not started";
}

}  // namespace
}  // namespace e2e
