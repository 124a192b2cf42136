// Packages too large for memory: they go straight into their file and install
// exactly as small ones do; a disk that fills while one arrives changes
// nothing; and the display tells sizes and percentages past 2 GiB right.
#include <signal.h>
#include <sys/resource.h>

#include <cmath>
#include <map>

#include "UpdaterFixture.h"

namespace {

using apptest::kMarkingScript;
using apptest::MakeZip;
using Large = apptest::Updater;

// Every entry below the installation directory with its content.
std::map<std::string, std::string> TreeOf(const std::string& root) {
  std::map<std::string, std::string> out;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root))
    out[std::filesystem::relative(e.path(), root)] = e.is_regular_file() ? testsupport::ReadFile(e.path()) : "/";
  return out;
}

TEST_F(Large, BothRoadsInstallAlike) {
  StartServer();
  const std::string zip = MakeZip({{"run.sh", kMarkingScript}, {"data/file.txt", "new data"}}, {"run.sh"});
  Serve("a.zip", zip);
  Serve("tool.sh", kMarkingScript);
  for (const bool viaFile : {false, true}) {
    SCOPED_TRACE(viaFile ? "via the package's file" : "in memory");
    SetPackageMemoryLimitOverride(viaFile ? std::optional<std::int64_t>(0) : std::nullopt);
    std::filesystem::remove_all(install);
    std::filesystem::create_directory(install);

    // An archive: unpacked, recorded, its program started, the package gone.
    ClearRecords();
    PutIni("1.0");
    ServeReply("2.0|" + Base() + "|a.zip|run.sh");
    RunUpdate();
    EXPECT_TRUE(boxes.empty()) << ::testing::PrintToString(BoxTexts());
    ExpectExitedWithZero();
    EXPECT_TRUE(apptest::AppearsSoon(Installed("ran")));
    std::filesystem::remove(Installed("ran"));
    EXPECT_EQ(TreeOf(install), (std::map<std::string, std::string>{{"data", "/"},
                                                                    {"data/file.txt", "new data"},
                                                                    {"run.sh", kMarkingScript},
                                                                    {"xconfig.ini", "[version]\r\nver=2.0\r\n"}}));

    // A plain file that is itself the program: kept under its name.
    ClearRecords();
    ServeReply("3.0|" + Base() + "|tool.sh|tool.sh");
    RunUpdate();
    ExpectExitedWithZero();
    EXPECT_TRUE(apptest::AppearsSoon(Installed("ran")));
    std::filesystem::remove(Installed("ran"));
    EXPECT_EQ(Read("tool.sh"), kMarkingScript);
    EXPECT_EQ(TreeOf(install).size(), 5u) << "nothing but the new file";
  }
}

TEST_F(Large, AFullDiskWhileThePackageArrivesChangesNothing) {
  StartServer();
  // Noise: the package is as large as its content.
  std::string noise(400000, '\0');
  std::uint32_t x = 12345;
  for (char& c : noise) c = static_cast<char>((x = x * 1103515245 + 12345) >> 24);
  Serve("a.zip", MakeZip({{"data/file.txt", noise}}));
  ServeReply("2.0|" + Base() + "|a.zip|");
  PutIni("1.0");
  Put("data/file.txt", "old data");
  SetPackageMemoryLimitOverride(0);
  const auto before = TreeOf(install);
  // A limit on the size of files written stands in for a full disk.
  struct rlimit old;
  ::getrlimit(RLIMIT_FSIZE, &old);
  auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = {100000, old.rlim_max};
  ::setrlimit(RLIMIT_FSIZE, &small);
  RunUpdate();
  ::setrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, oldHandler);
  ASSERT_EQ(boxes.size(), 1u) << ::testing::PrintToString(BoxTexts());
  EXPECT_EQ(platform::Cp936ToUtf8(boxes[0].text).rfind("下载失败！ 失败原因：Cannot write file", 0), 0u)
      << platform::Cp936ToUtf8(boxes[0].text);
  ExpectStillOpen();
  EXPECT_EQ(TreeOf(install), before) << "no part of the package is left behind";
}

TEST_F(Large, TheDisplayTellsSizesPast2GiBRight) {
  form->WorkDisplayInterval = 0;
  // Kilobytes rounded to the nearest (halves to even), then megabytes to two
  // decimals (halves up).
  auto megabytes = [](std::int64_t bytes) {
    const auto kilo = static_cast<long long>(std::nearbyint(static_cast<double>(bytes) / 1024.0));
    const long long hundredths = (kilo * 200 + 1024) / 2048;
    return Format("%lld.%02lld MB", hundredths / 100, hundredths % 100);
  };
  TTcpConnection& transfer = *form->HttpClient2;
  const std::int64_t total = 5ll << 30;
  transfer.BeginWork(wmRead, total);
  EXPECT_EQ(form->MlSkinLabel2->Caption(), "5120.00 MB");
  std::int64_t done = 0;
  for (const std::int64_t upTo : {total / 3, total / 2, total - 1000, total}) {
    SCOPED_TRACE(upTo);
    transfer.DoWork(wmRead, upTo - done);
    done = upTo;
    EXPECT_EQ(form->MlSkinLabel1->Caption(), megabytes(done));
    EXPECT_EQ(form->MlSkinLabel3->Caption(), IntToStr(std::llround(100.0 * static_cast<double>(done) / total)) + "%");
    const double shown =
        static_cast<double>(form->MlSkinProgressBar1->Value()) / form->MlSkinProgressBar1->MaxValue();
    EXPECT_NEAR(shown, static_cast<double>(done) / total, 1e-6);
  }
  transfer.EndWork(wmRead);
  EXPECT_EQ(platform::Cp936ToUtf8(form->MlSkinLabel3->Caption()), "更新完毕！");

  // Without a total the amount itself is shown, past 2 GiB too.
  transfer.BeginWork(wmRead, 0);
  transfer.DoWork(wmRead, 3ll << 30);
  EXPECT_EQ(form->MlSkinLabel1->Caption(), "3072.00 MB");
  EXPECT_EQ(form->MlSkinLabel3->Caption(), "3072.00 MB");
  transfer.EndWork(wmRead);
}

}  // namespace
