// The whole update with the Windows programs under Wine, on the private X
// server Wine draws into, against nginx on 127.0.0.1: the end-to-end copies of
// quelbo-updater.exe from the Windows build, and the stand-in game launcher
// built as a Windows program and installed as "开始游戏.exe". Each run starts
// with that launcher running, as while the game runs, which the updater must
// end. The first run records "null", finds version 2.0 on the second pass,
// downloads it with the bar filling, unpacks it, records it and starts the new
// launcher; the window shows the reference pixels of the skin meanwhile. A
// version already current and a refused signed reply show their boxes and
// change nothing. A file another program holds open waits for the next
// start, and the updater in its own package replaces its running image.
// Skipped, saying why, without the Windows build or Wine.
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "platform/Clock.h"
#include "tests/e2e/MainWindowLook.h"
#include "tests/e2e/Packages.h"
#include "tests/e2e/Releases.h"
#include "tests/e2e/UpdaterTest.h"

namespace fs = std::filesystem;

namespace e2e {
namespace {

const std::string kWindowsBuild = QUELBO_WINDOWS_BUILD;
const std::string kPackage = "quelbo-2.0.zip";

std::string WindowsProgram(const std::string& name) { return kWindowsBuild + "/tests/e2e/" + name + ".exe"; }

// The value of a variable in the Windows build's CMake cache; empty if none.
std::string WindowsCacheValue(const std::string& name) {
  std::ifstream cache(kWindowsBuild + "/CMakeCache.txt");
  for (std::string line; std::getline(cache, line);)
    if (line.rfind(name + ":", 0) == 0) return line.substr(line.find('=') + 1);
  return "";
}

bool WineInstalled() {
  return std::system("command -v wine >/dev/null 2>&1 && command -v wineserver >/dev/null 2>&1") == 0;
}

// Whether a process of the process group runs the program `name`: Wine gives
// a Windows program's process the program's path as its first argument (the
// runner's shell has its own and names the program only after it).
bool GroupRuns(pid_t group, const std::string& name) {
  DIR* proc = opendir("/proc");
  if (!proc) return false;
  bool found = false;
  while (dirent* e = readdir(proc)) {
    const std::string pid = e->d_name;
    if (found || pid.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string stat = testsupport::ReadFile("/proc/" + pid + "/stat");
    // The fields after the command's name in parentheses: state, parent, group.
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) continue;
    char state = 0;
    int parent = 0, pgrp = 0;
    if (std::sscanf(stat.c_str() + close + 1, " %c %d %d", &state, &parent, &pgrp) != 3 || pgrp != group ||
        state == 'Z')
      continue;
    const std::string command = testsupport::ReadFile("/proc/" + pid + "/cmdline");
    const std::string program = command.substr(0, command.find('\0'));
    found = program.size() >= name.size() && program.compare(program.size() - name.size(), name.size(), name) == 0;
  }
  closedir(proc);
  return found;
}

class E2eWine : public UpdaterTest {
 protected:
  void SetUp() override {
    if (kWindowsBuild.empty())
      GTEST_SKIP() << "no Windows build is configured (QUELBO_WINDOWS_BUILD; scripts/test.sh makes one first)";
    for (const char* name : {"quelbo-updater-e2e", "quelbo-updater-e2e-signed", "quelbo-demo-launcher"})
      if (!fs::exists(WindowsProgram(name)))
        GTEST_SKIP() << WindowsProgram(name) << " is not built (scripts/build-windows.sh builds it)";
    if (!WineInstalled()) GTEST_SKIP() << "Wine is not installed (scripts/install-windows-deps.sh installs it)";
    if (WindowsCacheValue("QUELBO_E2E_PORT") != std::to_string(E2E_PORT))
      GTEST_SKIP() << "the Windows build's end-to-end copy asks port " << WindowsCacheValue("QUELBO_E2E_PORT")
                   << ", this build's server listens on " << E2E_PORT << " (configure both alike)";
    UpdaterTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    UseUpdater(WindowsProgram("quelbo-updater-e2e"));
  }
  void TearDown() override {
    if (HasFailure() && launcher_) std::fputs(("running launcher's output:\n" + launcher_->Output()).c_str(), stderr);
    launcher_.reset();
    UpdaterTest::TearDown();
  }

  // A fresh installation with the given updater and the launcher of 1.0.
  void UseUpdater(const std::string& program) {
    install_ = std::make_unique<Installation>(program, "quelbo-updater.exe");
    fs::copy_file(WindowsProgram("quelbo-demo-launcher"), install_->Path(kLauncher));
  }
  LaunchOptions UnderWine(const std::string& program, std::vector<std::string> arguments = {}) const {
    LaunchOptions o;
    o.display = xvfb_->Name();
    o.program = program;
    o.arguments = std::move(arguments);
    o.runner = {testsupport::SourceDir() + "/scripts/windows/wine-run.sh", kWindowsBuild + "/wine"};
    return o;
  }
  // Starts the installed launcher so that it runs until it is ended. A new
  // Wine prefix is made on first use, which takes a while.
  void StartRunningLauncher() {
    launcher_ = std::make_unique<UpdaterProcess>(install_->Dir(), UnderWine(kLauncher, {"--stay"}));
    for (std::uint64_t end = platform::TickCount() + 180000; !GroupRuns(launcher_->Pid(), kLauncher);
         platform::SleepMs(100)) {
      ASSERT_TRUE(launcher_->Running()) << "the launcher ended by itself:\n" << launcher_->Output();
      ASSERT_LT(platform::TickCount(), end) << "the launcher did not start under Wine";
    }
  }
  // Starts quelbo-updater.exe and waits for its main window.
  void LaunchUnderWine() {
    updater_ = std::make_unique<UpdaterProcess>(install_->Dir(), UnderWine("quelbo-updater.exe"));
    main_ = x_->WaitFor(kAppTitle, 60000);
    ASSERT_NE(main_, 0u) << "the main window did not appear";
  }
  // Answers the system's box with a key, where Wine takes it without a
  // window manager.
  void AnswerSystemBox(const std::string& title, const std::string& key = "Return") {
    std::string why;
    const XWindowId box = x_->AnswerUnderPointer(title, key, 30000, &why, main_);
    KeepScreenshot("box");
    ASSERT_NE(box, 0u) << why;
    EXPECT_TRUE(x_->WaitClosed(box, 10000)) << "the box titled \"" << title << "\" stayed open after " << key;
  }
  void ExpectTheRunningLauncherEnded() {
    std::optional<int> ended = launcher_->WaitExit(10000);
    EXPECT_TRUE(ended) << "the running launcher was not ended";
  }
  // The package's files, byte for byte, in the installation.
  void ExpectInstalled(const std::string& tree) {
    for (const auto& [path, state] : ReadTree(tree)) {
      if (state.directory) continue;
      EXPECT_EQ(install_->Read(path), state.bytes) << path << " is not the package's";
    }
  }

  // The installed files whose names the updater gives to what it leaves
  // behind: files in a move, old files that could not go.
  std::vector<std::string> TemporaryFiles() const {
    std::vector<std::string> names;
    for (const auto& [path, state] : install_->Snapshot())
      if (fs::path(path).filename().string().rfind(".quelbo-unzip-", 0) == 0) names.push_back(path);
    return names;
  }

  std::unique_ptr<UpdaterProcess> launcher_;
};

constexpr const char* kJournal = ".quelbo-install.journal";

// The bar's place in the window: the progress bar at (104, 32) of the client
// area, which starts below the caption band inside the frame.
constexpr int kBarLeft = 2 + 104, kBarTop = 27 + 32, kBarWidth = 241, kBarHeight = 17;

// How far the bar's middle row differs from the empty bar's from its left
// end on: the fill, up to the percentage text in the middle before it gets
// there.
int FilledColumns(const ScreenImage& bar, const ScreenImage& empty) {
  const int y = bar.height / 2;
  int x = 3;
  while (x < bar.width && bar.At(x, y) != empty.At(x, y)) ++x;
  return x - 3;
}

TEST_F(E2eWine, FirstRunRecordsNullThenEndsTheLauncherDownloadsUnpacksRecordsAndStartsTheNewOne) {
  // The demo package with the launcher as a Windows program and 3 MB that
  // do not compress, over a line of 1 MB/s: the bar fills for a few seconds.
  testsupport::TempDir tree;
  fs::copy(DemoPackageTree(), tree.Path(), fs::copy_options::recursive);
  fs::remove(tree / kLauncher);
  fs::copy_file(WindowsProgram("quelbo-demo-launcher"), tree / kLauncher);
  std::string noise(3 << 20, '\0');
  std::uint32_t seed = 26;
  for (char& c : noise) c = static_cast<char>((seed = seed * 1103515245 + 12345) >> 24);
  testsupport::WriteFile(tree / "data/noise.bin", noise);
  const std::string package = ZipTree(tree.Path());
  ASSERT_FALSE(package.empty());
  server_->Publish(kPackage, package);
  testsupport::CuttingProxy line(server_->Port(), {"--rate", std::to_string(1 << 20)});
  server_->SetReply(Reply("2.0", line.Url("/packages/"), kPackage, kLauncher));

  ASSERT_NO_FATAL_FAILURE(StartRunningLauncher());
  ASSERT_NO_FATAL_FAILURE(LaunchUnderWine());
  int left = 0, top = 0, width = 0, height = 0;
  ASSERT_TRUE(x_->Bounds(main_, left, top, width, height));
  EXPECT_EQ(width, kMainWidth);
  EXPECT_EQ(height, kMainHeight);
  // The first pass records "null" and shows the window as the skin draws it;
  // the bar is empty until the download starts.
  bool sawNull = false;
  for (std::uint64_t end = platform::TickCount() + 20000; !sawNull && platform::TickCount() < end;) {
    sawNull = install_->RecordedVersion() == "null";
    if (!sawNull) platform::SleepMs(20);
  }
  EXPECT_TRUE(sawNull) << "no \"ver=null\" was recorded on the first pass";
  const ScreenImage empty = x_->Capture(left + kBarLeft, top + kBarTop, kBarWidth, kBarHeight);
  KeepScreenshot("window");
  for (const std::string& difference : DifferencesFromTheReferenceLook(x_->CaptureScreen(), left, top))
    ADD_FAILURE() << difference;

  // The bar while the package comes: how far it is filled, sample by sample.
  std::set<int> levels;
  int last = 0;
  bool shrank = false;
  while (updater_->Running() && !install_->Has(kLauncherNote)) {
    const int filled = FilledColumns(x_->Capture(left + kBarLeft, top + kBarTop, kBarWidth, kBarHeight), empty);
    if (filled > kBarWidth / 20 && filled < kBarWidth * 19 / 20) levels.insert(filled);
    shrank = shrank || filled < last;
    last = filled;
    platform::SleepMs(50);
  }
  EXPECT_GE(levels.size(), 4u) << "the bar did not fill step by step";
  EXPECT_FALSE(shrank) << "the bar went back while the package came";

  EXPECT_EQ(ExitCode(60000), 0);
  ExpectTheRunningLauncherEnded();
  ExpectInstalled(tree.Path());
  EXPECT_EQ(install_->RecordedVersion(), "2.0");
  ASSERT_TRUE(WaitForLauncherNote(20000)) << "the new launcher was not started";
  EXPECT_NE(install_->Read(kLauncherNote).find("version: 2.0"), std::string::npos) << install_->Read(kLauncherNote);
  EXPECT_FALSE(install_->Has(kPackage)) << "the package was not deleted";
  EXPECT_EQ(server_->Requests(), (std::vector<std::string>{"200 /version/version.php", "200 /packages/" + kPackage}));
}

TEST_F(E2eWine, CurrentVersionIsSaidInTheSystemsBoxAndNothingChanges) {
  install_->WriteVersion("2.0");
  install_->Put("data/version.txt", "2.0\n");
  PublishDemoPackage(kPackage);
  server_->SetReply(Reply("2.0", server_->Url("/packages/"), kPackage, kLauncher));
  ASSERT_NO_FATAL_FAILURE(StartRunningLauncher());
  const Tree before = install_->Snapshot();
  ASSERT_NO_FATAL_FAILURE(LaunchUnderWine());
  ASSERT_NO_FATAL_FAILURE(AnswerSystemBox(kAppTitle));
  EXPECT_EQ(ExitCode(), 0);
  ExpectTheRunningLauncherEnded();
  const TreeChanges changes = Compare(before, install_->Snapshot());
  EXPECT_TRUE(changes.None()) << changes.Describe();
  EXPECT_EQ(server_->Requests(), std::vector<std::string>{"200 /version/version.php"});
}

TEST_F(E2eWine, RefusedSignedReplyShowsItsBoxAndChangesNothing) {
  UseUpdater(WindowsProgram("quelbo-updater-e2e-signed"));
  install_->WriteVersion("1.0");
  testsupport::TempDir scratch;
  const std::string package = PublishDemoPackage(kPackage);
  testsupport::WriteFile(scratch / kPackage, package);
  ReleaseToSign release;
  release.baseUrl = server_->Url("/packages/");
  release.packageFile = scratch / kPackage;
  release.program = kLauncher;
  // The signed reply with its version changed from 2.0 to 3.0.
  server_->SetReply("3" + ReleaseKey::TestKey().Sign(release).substr(1));
  ASSERT_NO_FATAL_FAILURE(StartRunningLauncher());
  const Tree before = install_->Snapshot();
  ASSERT_NO_FATAL_FAILURE(LaunchUnderWine());
  ASSERT_NO_FATAL_FAILURE(AnswerSystemBox(kErrorTitle));
  ASSERT_NO_FATAL_FAILURE(ExpectWindowStaysOpenThenClose());
  ExpectTheRunningLauncherEnded();
  const TreeChanges changes = Compare(before, install_->Snapshot());
  EXPECT_TRUE(changes.None()) << changes.Describe();
  EXPECT_FALSE(install_->Has(kLauncherNote));
  EXPECT_EQ(server_->Requests(), std::vector<std::string>{"200 /version/version.php"});
}

TEST_F(E2eWine, AFileAnotherProgramHoldsWaitsWithTheOldFilesAndTheNextStartCompletesTheUpdate) {
  install_->WriteVersion("1.0");
  install_->Put("data/version.txt", "1.0\n");
  PublishDemoPackage(kPackage);
  server_->SetReply(Reply("2.0", server_->Url("/packages/"), kPackage, kLauncher));
  // Another program, not named like the launcher, holds a file the package
  // replaces, sharing nothing.
  testsupport::TempDir elsewhere;
  fs::copy_file(WindowsProgram("quelbo-demo-launcher"), elsewhere / "scanner.exe");
  auto holder = std::make_unique<UpdaterProcess>(
      elsewhere.Path(), UnderWine("scanner.exe", {"--hold", "Z:" + install_->Path("data/version.txt")}));
  for (std::uint64_t end = platform::TickCount() + 180000; holder->Output().find("holding") == std::string::npos;
       platform::SleepMs(100)) {
    ASSERT_TRUE(holder->Running()) << "the holder ended:\n" << holder->Output();
    ASSERT_LT(platform::TickCount(), end) << "the holder did not open the file";
  }
  ASSERT_NO_FATAL_FAILURE(StartRunningLauncher());
  const Tree before = install_->Snapshot();

  ASSERT_NO_FATAL_FAILURE(LaunchUnderWine());
  ASSERT_NO_FATAL_FAILURE(AnswerSystemBox(kOverwriteTitle));  // data/version.txt: yes
  // The rename is tried for a while before the box says the file is in use.
  ASSERT_NO_FATAL_FAILURE(AnswerSystemBox(kErrorTitle));
  ASSERT_NO_FATAL_FAILURE(ExpectWindowStaysOpenThenClose());
  ExpectTheRunningLauncherEnded();
  // Every old file stays; xconfig.ini notes only the package left behind.
  for (const auto& [path, state] : before) {
    if (!state.directory && path != "xconfig.ini") {
      EXPECT_EQ(install_->Read(path), state.bytes) << path << " is not the old file";
    }
  }
  EXPECT_EQ(install_->RecordedVersion(), "1.0");
  EXPECT_TRUE(install_->Has(kJournal)) << "the installation does not wait for the next start";
  EXPECT_FALSE(TemporaryFiles().empty()) << "the new files do not wait under their temporary names";
  EXPECT_FALSE(install_->Has(kLauncherNote));
  ASSERT_TRUE(holder->Running()) << holder->Output();

  // The holder ends; the next start completes the installation first, then
  // finds 2.0 current.
  holder.reset();
  ASSERT_NO_FATAL_FAILURE(LaunchUnderWine());
  ASSERT_NO_FATAL_FAILURE(AnswerSystemBox(kAppTitle));
  EXPECT_EQ(ExitCode(), 0);
  ExpectInstalled(DemoPackageTree());
  EXPECT_EQ(install_->RecordedVersion(), "2.0");
  EXPECT_FALSE(install_->Has(kJournal));
  EXPECT_EQ(TemporaryFiles(), std::vector<std::string>{});
}

TEST_F(E2eWine, TheUpdaterInItsOwnPackageReplacesItsRunningImage) {
  install_->WriteVersion("1.0");
  // The package brings a changed updater: the same program with bytes after
  // its image, which Windows loads as before.
  testsupport::TempDir tree;
  fs::copy(DemoPackageTree(), tree.Path(), fs::copy_options::recursive);
  fs::remove(tree / kLauncher);
  fs::copy_file(WindowsProgram("quelbo-demo-launcher"), tree / kLauncher);
  const std::string oldUpdater = install_->Read("quelbo-updater.exe");
  const std::string newUpdater = oldUpdater + std::string(4096, '\x5a');
  testsupport::WriteFile(tree / "quelbo-updater.exe", newUpdater);
  const std::string package = ZipTree(tree.Path());
  ASSERT_FALSE(package.empty());
  server_->Publish(kPackage, package);
  server_->SetReply(Reply("2.0", server_->Url("/packages/"), kPackage, kLauncher));

  ASSERT_NO_FATAL_FAILURE(StartRunningLauncher());
  ASSERT_NO_FATAL_FAILURE(LaunchUnderWine());
  ASSERT_NO_FATAL_FAILURE(AnswerSystemBox(kOverwriteTitle));  // quelbo-updater.exe: yes
  EXPECT_EQ(ExitCode(60000), 0);
  ExpectTheRunningLauncherEnded();
  ASSERT_TRUE(WaitForLauncherNote(20000)) << "the new launcher was not started";
  EXPECT_TRUE(install_->Read("quelbo-updater.exe") == newUpdater) << "quelbo-updater.exe is not the package's";
  EXPECT_EQ(install_->RecordedVersion(), "2.0");
  EXPECT_FALSE(install_->Has(kJournal));
  // The running image could only step aside.
  const std::vector<std::string> aside = TemporaryFiles();
  ASSERT_EQ(aside.size(), 1u) << "the old image is not aside under a temporary name";
  EXPECT_TRUE(install_->Read(aside.front()) == oldUpdater) << aside.front() << " is not the old image";

  // The new updater runs, finds 2.0 current and the old image gone.
  ASSERT_NO_FATAL_FAILURE(LaunchUnderWine());
  ASSERT_NO_FATAL_FAILURE(AnswerSystemBox(kAppTitle));
  EXPECT_EQ(ExitCode(), 0);
  EXPECT_EQ(TemporaryFiles(), std::vector<std::string>{});
  EXPECT_TRUE(install_->Read("quelbo-updater.exe") == newUpdater);
}

}  // namespace
}  // namespace e2e
