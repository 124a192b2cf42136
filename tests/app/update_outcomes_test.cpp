// The main window runs the update procedure on its timer's second tick and
// shows what it is told, against nginx on 127.0.0.1: a notice and the exit,
// the first-run restart two ticks later, the extractor's question and a
// failure. Every outcome on its own: tests/app/update.
#include "UpdaterFixture.h"

using namespace platform::literals;

namespace {

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

// Outcome G: extracted after the extractor's question was answered in its
// box; the program named is missing, so the notice says done.
TEST_F(Updater, ExtractedWithoutAUsableProgramSaysDone) {
  StartServer();
  Serve("a.zip", MakeZip({{"data/file.txt", "new data"}, {"data/other.txt", "other"}}));
  PutIni("1.0");
  Put("data/file.txt", "old data");
  answerYesNo = IDNO;
  ServeReply("2.0|" + Base() + "|a.zip|missing.exe");
  RunUpdate();
  ASSERT_EQ(boxes.size(), 2u) << ::testing::PrintToString(BoxTexts());
  EXPECT_EQ(platform::Cp936ToUtf8(boxes[0].text), "Replace existing file file.txt?");
  EXPECT_EQ(boxes[0].caption, "File Exists Alert");
  EXPECT_EQ(boxes[0].type & 0x0F, static_cast<UINT>(MB_YESNO));
  EXPECT_EQ(platform::Cp936ToUtf8(boxes[1].text), "更新完成！");
  ExpectExitedWithZero();
  EXPECT_EQ(Read("data/file.txt"), "old data");
  EXPECT_EQ(Read("data/other.txt"), "other");
  EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=2.0\r\n");
  EXPECT_FALSE(Has("a.zip"));
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

}  // namespace
