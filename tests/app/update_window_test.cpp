// The main window as the update procedure's view: every notice and failure is
// the box the program always showed (text, caption, icon, buttons, owner),
// the extractor's question a Yes/No box, the status the status label's text,
// and the end of a pass the end of the process, the timer's restart or a
// window left open.
#include <functional>

#include "UpdaterFixture.h"

using namespace platform::literals;

namespace {

using UpdateWindow = apptest::Updater;

TEST_F(UpdateWindow, NoticesAndFailuresAreTheProgramsBoxes) {
  form->Timer1->SetEnabled(false);
  const std::string title = "Quelbo自动更新";
  const UINT error = MB_OK | MB_ICONERROR;
  struct Case {
    std::function<void()> report;
    std::string text, caption;
    UINT type;
  };
  const Case cases[] = {
      {[&] { form->Tell(UpdateNotice::kOffline); }, "网络连接有问题，请检查...", title, MB_OK},
      {[&] { form->Tell(UpdateNotice::kPaused); }, "服务器暂停更新！", title, MB_OK},
      {[&] { form->Tell(UpdateNotice::kCurrent); }, "当前为最新版本！", title, MB_OK},
      {[&] { form->Tell(UpdateNotice::kInstalled); }, "更新完成！", title, MB_OK},
      {[&] { form->Tell(UpdateNotice::kFileUpdated); }, "文件更新完成！", title, MB_OK},
      {[&] { form->ShowFailure(UpdateFailure::kDownload, "HTTP/1.1 404 Not Found"); },
       "下载失败！ 失败原因：HTTP/1.1 404 Not Found ", "错误", error},
      {[&] { form->ShowFailure(UpdateFailure::kExtraction, "Incomplete Zip File"); },
       "解压失败！ 失败原因：Incomplete Zip File ", "错误", error},
      {[&] { form->ShowFailure(UpdateFailure::kStart, "Exec format error"); },
       "启动失败！ 失败原因：Exec format error ", "错误", error},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ClearRecords();
    c.report();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(platform::Cp936ToUtf8(boxes[0].text), c.text);
    EXPECT_EQ(platform::Cp936ToUtf8(boxes[0].caption), c.caption);
    EXPECT_EQ(boxes[0].type, c.type);
    EXPECT_EQ(boxes[0].owner, form->Handle());
    EXPECT_TRUE(exits.empty());
  }
}

TEST_F(UpdateWindow, QuestionsAreYesNoBoxes) {
  form->Timer1->SetEnabled(false);
  for (const int answer : {IDYES, IDNO}) {
    ClearRecords();
    answerYesNo = answer;
    EXPECT_EQ(form->AskYesNo("Replace existing file a.txt?", "File Exists Alert"), answer == IDYES);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Replace existing file a.txt?");
    EXPECT_EQ(boxes[0].caption, "File Exists Alert");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_YESNO));
  }
}

TEST_F(UpdateWindow, StatusIsTheStatusLabelsText) {
  form->Timer1->SetEnabled(false);
  form->ShowStatus("正在更新..."_cp936);
  EXPECT_EQ(form->MlSkinLabel3->Caption(), "正在更新..."_cp936);
  EXPECT_FALSE(form->WasClosed());
  app->Terminate();
  EXPECT_TRUE(form->WasClosed()) << "closing the window ends the application";
}

TEST_F(UpdateWindow, TheEndOfAPass) {
  form->Timer1->SetEnabled(false);
  form->StartTicks = 2;
  form->Ended(UpdateEnd::kStopped);
  EXPECT_TRUE(exits.empty());
  EXPECT_FALSE(form->Timer1->Enabled());
  EXPECT_EQ(form->StartTicks, 2);

  form->Ended(UpdateEnd::kStartOver);
  EXPECT_TRUE(exits.empty());
  EXPECT_TRUE(form->Timer1->Enabled());
  EXPECT_EQ(form->StartTicks, 0);

  form->Timer1->SetEnabled(false);
  form->Ended(UpdateEnd::kExit);
  EXPECT_EQ(exits, std::vector<int>{0});
  EXPECT_TRUE(boxes.empty());
}

}  // namespace
