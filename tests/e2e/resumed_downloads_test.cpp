// The real program over a line that breaks: a package cut in the middle is
// taken up in the same run, asking only for the rest; a run killed while its
// package stalls half way leaves the partial file and its record, and the
// next run goes on from there and installs what unzip would.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "platform/Clock.h"
#include "tests/e2e/Packages.h"
#include "tests/e2e/UpdaterTest.h"

namespace fs = std::filesystem;

namespace e2e {
namespace {

const std::string kPackage = "quelbo-2.0.zip";
const std::string kPart = ".quelbo-package.part";
const std::string kRecord = ".quelbo-package.resume";

class ResumedDownloads : public UpdaterTest {
 protected:
  void SetUp() override {
    UpdaterTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    install_->WriteVersion("1.0");
    install_->Put("saves/slot1.sav", "the user's saved game\n");
  }
  void TearDown() override {
    unsetenv("QUELBO_TEST_PACKAGE_MEMORY_LIMIT");
    UpdaterTest::TearDown();
  }

  // Runs the updater to its end, answering what it asks.
  void RunToTheEnd() {
    ASSERT_NO_FATAL_FAILURE(Launch());
    for (std::uint64_t end = platform::TickCount() + 60000; updater_->Running();) {
      ASSERT_LT(platform::TickCount(), end) << "the run did not end";
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
};

TEST_F(ResumedDownloads, ACutPackageIsTakenUpInTheSameRun) {
  constexpr int kTotal = 100000, kCut = 40000, kFrom = kCut - 4096;
  const std::string head =
      "HTTP/1.1 200 OK\\r\\nETag: \"e1\"\\r\\nContent-Length: " + std::to_string(kTotal) + "\\r\\n\\r\\n";
  testsupport::ScriptServer line(
      "accept\nexpect-request\nsend-with-body " + std::to_string(kCut) + " " + head + "\nclose\n" +
      "accept\nexpect-request\nsend HTTP/1.1 206 Partial Content\\r\\nETag: \"e1\"\\r\\nContent-Range: bytes " +
      std::to_string(kFrom) + "-" + std::to_string(kTotal - 1) + "/" + std::to_string(kTotal) +
      "\\r\\nContent-Length: " + std::to_string(kTotal - kFrom) + "\\r\\n\\r\\n\n" + "send-body-from " +
      std::to_string(kFrom) + " " + std::to_string(kTotal - kFrom) + "\nclose\n");
  server_->SetReply(Reply("2.0", line.Url("/packages/"), "patch.dat", ""));
  ASSERT_NO_FATAL_FAILURE(Launch());
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kAppTitle));  // "文件更新完成！"
  EXPECT_EQ(ExitCode(), 0);
  EXPECT_EQ(line.Finish(), 0);
  const std::string requests = line.Requests();
  EXPECT_NE(requests.find("Range: bytes=" + std::to_string(kFrom) + "-\r\n"), std::string::npos) << requests;
  EXPECT_NE(requests.find("If-Range: \"e1\"\r\n"), std::string::npos) << requests;
  EXPECT_EQ(install_->RecordedVersion(), "2.0");
  EXPECT_FALSE(install_->Has("patch.dat"));
}

TEST_F(ResumedDownloads, AKilledRunIsTakenUpByTheNextFromWhereItStood) {
  // The demo package with 8 MB of noise, which does not compress, so the
  // package is about as large.
  testsupport::TempDir tree;
  fs::copy(DemoPackageTree(), tree.Path(), fs::copy_options::recursive);
  std::string noise(8 << 20, '\0');
  std::uint32_t x = 99;
  for (char& c : noise) c = static_cast<char>((x = x * 1103515245 + 12345) >> 24);
  testsupport::WriteFile(tree / "data/noise.bin", noise);
  const std::string package = ZipTree(tree.Path());
  ASSERT_FALSE(package.empty());
  server_->Publish(kPackage, package);
  // A slow line that falls silent half way for longer than this test waits.
  const std::size_t half = package.size() / 2;
  constexpr int kRate = 4 << 20;
  testsupport::CuttingProxy line(
      server_->Port(), {"--rate", std::to_string(kRate), "--stall-after", std::to_string(half), "--stall-ms", "60000"});
  server_->SetReply(Reply("2.0", line.Url("/packages/"), kPackage, kLauncher));
  setenv("QUELBO_TEST_PACKAGE_MEMORY_LIMIT", "0", 1);

  ASSERT_NO_FATAL_FAILURE(Launch());
  // Killed once the partial file has not grown for a second.
  std::uintmax_t size = 0;
  for (std::uint64_t still = platform::TickCount(), end = still + 30000;; platform::SleepMs(100)) {
    ASSERT_LT(platform::TickCount(), end) << "the package did not stall half way";
    std::error_code e;
    const std::uintmax_t now = fs::file_size(install_->Path(kPart), e);
    if (e || now != size) {
      size = e ? 0 : now;
      still = platform::TickCount();
    } else if (size > 0 && platform::TickCount() - still > 1000) {
      break;
    }
  }
  updater_->Kill();
  EXPECT_TRUE(install_->Has(kRecord));
  EXPECT_EQ(install_->RecordedVersion(), "1.0");
  EXPECT_GT(size, half - (kRate / 2)) << "the file holds what came before the silence";
  std::printf("  killed with %zu of %zu bytes in the partial file\n", static_cast<std::size_t>(size), package.size());

  ASSERT_NO_FATAL_FAILURE(RunToTheEnd());
  EXPECT_TRUE(InstalledAsUnzipWould(package));
  EXPECT_EQ(install_->RecordedVersion(), "2.0");
  EXPECT_EQ(install_->Read("saves/slot1.sav"), "the user's saved game\n");
  EXPECT_FALSE(install_->Has(kPart) || install_->Has(kRecord) || install_->Has(kPackage));
  const std::vector<std::string> requests = server_->Requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.back(), "206 /packages/" + kPackage) << "the next run asked for the rest";
  // Both runs together took the package about once: what the first had,
  // bar the last quarter second of it before the record, came again at most.
  for (int i = 0; i < 100 && line.Stat("connections") < 2; ++i) platform::SleepMs(50);
  const long long forwarded = line.Stat("forwarded") - static_cast<long long>(half);  // the second run's
  std::printf("  the next run took %lld bytes of %zu\n", forwarded, package.size());
  EXPECT_LE(forwarded, static_cast<long long>(package.size() - size) + kRate / 3 + 8192);
}

}  // namespace
}  // namespace e2e
