// The update procedure against nginx on 127.0.0.1: the outcomes that end the
// program, the first-run restart and the reply's edge cases.
#include <algorithm>

#include "ThrowawayProcess.h"
#include "UpdaterFixture.h"

using namespace platform::literals;

namespace {

using apptest::AppearsSoon;
using apptest::kMarkingScript;
using apptest::MakeZip;
using Updater = apptest::Updater;

// Outcome A: no network, with or without "xconfig.ini".
TEST_F(Updater, OfflineReportsTheNetworkAndExits) {
  online = 0;
  RunUpdate();
  ExpectOnlyMessage("网络连接有问题，请检查...");
  ExpectExitedWithZero();
  EXPECT_FALSE(Has("xconfig.ini"));

  ClearRecords();
  PutIni("1.0");
  RunUpdate();
  ExpectOnlyMessage("网络连接有问题，请检查...");
  ExpectExitedWithZero();
  EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=1.0\r\n");
}

// Outcome C, then the second pass two ticks later.
TEST_F(Updater, FirstRunRecordsNullAndStartsOverTwoTicksLater) {
  StartServer();
  ServeReply("2.0|" + Base() + "|patch.dat|");
  Serve("patch.dat", "patch");
  PumpUntil([&] { return Has("xconfig.ini"); }, 5000);
  EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=null\r\n");
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(exits.empty());
  EXPECT_EQ(form->StartTicks, 0);
  EXPECT_TRUE(form->Timer1->Enabled());

  PumpUntil([&] { return !exits.empty(); }, 10000);
  ExpectOnlyMessage("文件更新完成！");
  ExpectExitedWithZero();
  EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=2.0\r\n");
  EXPECT_FALSE(Has("patch.dat"));
}

// Outcome D: a pause, or a query that failed in any way.
TEST_F(Updater, PausedOrFailedQueryReportsAPause) {
  StartServer();
  const std::string reachable = "127.0.0.1:" + std::to_string(nginx->Port());
  const std::string closed = "127.0.0.1:" + std::to_string(ClosedPort());
  struct Case {
    const char* name;
    std::optional<std::string> reply;  // nothing: no version.php at all (404)
    std::string host;
  };
  const Case cases[] = {
      {"zero", "0", reachable},
      {"empty", "", reachable},
      {"GBK bytes", "\xB0\xE6\xB1\xBE" "2.0|x|y|z", reachable},
      {"not found", std::nullopt, reachable},
      {"nobody listening", "2.0|x|y|z", closed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearRecords();
    PutIni("1.0");
    std::filesystem::remove(docroot / "version/version.php");
    if (c.reply) ServeReply(*c.reply);
    SetUpdateHostOverride(c.host);
    RunUpdate();
    ExpectOnlyMessage("服务器暂停更新！");
    ExpectExitedWithZero();
    EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=1.0\r\n");
  }
}

// Outcome E, after the launcher was ended.
TEST_F(Updater, EqualVersionsAfterCleaningMeanCurrent) {
  StartServer();
  struct Case {
    const char* local;
    std::string reply;
  };
  const Case cases[] = {
      {"1.0", "?1.0|http://h/p/|a.zip|开始游戏.exe"},
      {"2.0", "2.0?|http://h/p/|a.zip|run.exe"},
      {"null", "null|http://h/p/|a.zip|run.exe"},
      {"2.?0", "\xEF\xBB\xBF" "2.0|http://h/p/|a.zip|run.exe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    ClearRecords();
    PutIni(c.local);
    ServeReply(c.reply);
    apptest::Sleeper launcher("/bin/sleep", "开始游戏.exe");
    RunUpdate();
    EXPECT_TRUE(launcher.EndedByKill());
    ExpectOnlyMessage("当前为最新版本！");
    ExpectExitedWithZero();
    EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=" + std::string(c.local) + "\r\n");
  }
}

// Outcome F, for every spelling of an archive name.
class ArchiveNames : public Updater, public ::testing::WithParamInterface<const char*> {};

TEST_P(ArchiveNames, ExtractedRecordedAndProgramStarted) {
  StartServer();
  const std::string f2 = GetParam();
  Serve("pkg/" + f2, MakeZip({{"run.sh", kMarkingScript}, {"data/file.txt", "new data"}}, {"run.sh"}));
  ServeReply("2.0|" + Base() + "pkg/|" + f2 + "|run.sh");
  PutIni("1.0");
  Put("run.sh", "old program");

  RunUpdate();
  // The old program made room for the new one: no question about replacing it.
  EXPECT_TRUE(boxes.empty()) << ::testing::PrintToString(BoxTexts());
  ExpectExitedWithZero();
  EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=2.0\r\n");
  EXPECT_EQ(Read("data/file.txt"), "new data");
  EXPECT_TRUE(AppearsSoon(Installed("ran")));
  EXPECT_FALSE(Has(f2));
  EXPECT_FALSE(Has("run.sh.old"));
}

INSTANTIATE_TEST_SUITE_P(Updater, ArchiveNames, ::testing::Values("a.zip", "a.ZIP", "b.zip.txt"));

// Outcome G: extracted, but the program named is missing or not ours to start.
TEST_F(Updater, ExtractedWithoutAUsableProgramSaysDone) {
  StartServer();
  Serve("a.zip", MakeZip({{"data/file.txt", "new data"}, {"data/other.txt", "other"}}));
  // Beside the installation, never started nor deleted.
  testsupport::WriteFile(root / "outside.sh", kMarkingScript);
  std::filesystem::permissions(root / "outside.sh", std::filesystem::perms::owner_all);
  for (const char* f3 : {"missing.exe", "../outside.sh", ""}) {
    SCOPED_TRACE(f3);
    ClearRecords();
    PutIni("1.0");
    Put("data/file.txt", "old data");
    answerYesNo = IDNO;
    ServeReply("2.0|" + Base() + "|a.zip|" + f3);
    RunUpdate();
    ASSERT_EQ(boxes.size(), 2u) << ::testing::PrintToString(BoxTexts());
    EXPECT_EQ(platform::Cp936ToUtf8(boxes[0].text), "Replace existing file file.txt?");
    EXPECT_EQ(boxes[0].type & 0x0F, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(platform::Cp936ToUtf8(boxes[1].text), "更新完成！");
    ExpectExitedWithZero();
    EXPECT_EQ(Read("data/file.txt"), "old data");
    EXPECT_EQ(Read("data/other.txt"), "other");
    EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=2.0\r\n");
    EXPECT_FALSE(Has("a.zip"));
    std::filesystem::remove(Installed("data/other.txt"));
  }
  platform::SleepMs(300);
  EXPECT_TRUE(std::filesystem::exists(root / "outside.sh"));
  EXPECT_FALSE(std::filesystem::exists(root / "ran"));
}

// Outcome I: a plain file, and the program it names started.
TEST_F(Updater, PlainFileSavedThenProgramStarted) {
  StartServer();
  Serve("patch.dat", "patch");
  Put("run.sh", kMarkingScript);
  std::filesystem::permissions(Installed("run.sh"), std::filesystem::perms::owner_all);
  // No trimming: "1.0 " is another version than "1.0".
  ServeReply("1.0 |" + Base() + "|patch.dat|run.sh|extra|fields");
  PutIni("1.0");
  RunUpdate();
  EXPECT_TRUE(boxes.empty()) << ::testing::PrintToString(BoxTexts());
  ExpectExitedWithZero();
  EXPECT_TRUE(AppearsSoon(Installed("ran")));
  EXPECT_FALSE(Has("patch.dat"));
  EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=1.0 \r\n");
}

// Outcome I where the package is the program to start: it is run as its own
// platform would run it, and never deleted while it starts.
TEST_F(Updater, APackageThatIsTheProgramIsStartedAndKept) {
  StartServer();
  Serve("run.sh", kMarkingScript);
  ServeReply("2.0|" + Base() + "|run.sh|run.sh");
  PutIni("1.0");
  RunUpdate();
  EXPECT_TRUE(boxes.empty()) << ::testing::PrintToString(BoxTexts());
  ExpectExitedWithZero();
  EXPECT_TRUE(AppearsSoon(Installed("ran")));
  EXPECT_EQ(Read("run.sh"), kMarkingScript);
  EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=2.0\r\n");
}

// A program that cannot be started is reported; the update stays done.
TEST_F(Updater, AProgramThatCannotBeStartedIsReported) {
  StartServer();
  Serve("patch.dat", "patch");
  Put("bad.exe", "MZ this is no program of this system");
  std::filesystem::permissions(Installed("bad.exe"), std::filesystem::perms::owner_all);
  ServeReply("2.0|" + Base() + "|patch.dat|bad.exe");
  PutIni("1.0");
  RunUpdate();
  ASSERT_EQ(boxes.size(), 1u) << ::testing::PrintToString(BoxTexts());
  EXPECT_EQ(platform::Cp936ToUtf8(boxes[0].text), "启动失败！ 失败原因：Exec format error ");
  EXPECT_EQ(platform::Cp936ToUtf8(boxes[0].caption), "错误");
  EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
  ExpectExitedWithZero();
  EXPECT_FALSE(Has("patch.dat"));
  EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=2.0\r\n");
}

// Names that differ only in case mean the files that are there, as on the
// platform the packages are made for: the program, the package and the
// archive's members.
TEST_F(Updater, NamesDifferingOnlyInCaseMeanTheExistingFiles) {
  StartServer();
  Serve("pkg/Patch.ZIP", MakeZip({{"run.sh", kMarkingScript}, {"data/map.dat", "new map"}}, {"run.sh"}));
  ServeReply("2.0|" + Base() + "pkg/|Patch.ZIP|RUN.SH");
  PutIni("1.0");
  Put("Run.sh", "old program");
  Put("Data/Map.dat", "old map");
  Put("patch.zip", "an older download");
  answerYesNo = IDYES;
  RunUpdate();
  ASSERT_EQ(boxes.size(), 1u) << ::testing::PrintToString(BoxTexts());
  EXPECT_EQ(platform::Cp936ToUtf8(boxes[0].text), "Replace existing file map.dat?");
  ExpectExitedWithZero();
  EXPECT_TRUE(AppearsSoon(Installed("ran")));
  EXPECT_EQ(Read("Data/Map.dat"), "new map");
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::recursive_directory_iterator(install))
    names.push_back(std::filesystem::relative(e.path(), install).string());
  std::sort(names.begin(), names.end());
  // One program (the archive's), one map, and the package gone.
  EXPECT_EQ(names, (std::vector<std::string>{"Data", "Data/Map.dat", "ran", "run.sh", "xconfig.ini"}));
}

// Outcome J, with the URL built from the cleaned fields.
TEST_F(Updater, PlainFileWithoutProgramSaysFileUpdated) {
  StartServer();
  const std::string port = std::to_string(nginx->Port());
  Serve("dl/patch.dat", "patch");
  Serve("ppatch.dat", "patch");
  struct Case {
    std::string reply;
    const char* package;  // the local name, as received
  };
  const Case cases[] = {
      {"2.0|http://127.0.0.1:" + port + "/dl/|patch.dat|", "patch.dat"},
      {"2.?0|http://127.0.0.1:" + port + "/?dl/|pat?ch.dat|", "pat?ch.dat"},
      {"2.0|http://127.0.0.1:" + port + "/p|patch.dat|", "patch.dat"},  // no "/" is inserted
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    ClearRecords();
    PutIni("1.0");
    ServeReply(c.reply);
    RunUpdate();
    ExpectOnlyMessage("文件更新完成！");
    ExpectExitedWithZero();
    EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=2.0\r\n");
    EXPECT_FALSE(Has(c.package));
  }
}

}  // namespace
