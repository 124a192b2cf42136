// The progress display of the package download: size texts, bar and
// percentage over real transfers, an error body, and a body of unknown length.
#include "UpdaterFixture.h"
#include "app/ProgressDisplay.h"

using namespace platform::literals;

namespace {

using Progress = apptest::Updater;

class RecordingProgress : public Progress {
 protected:
  // Records the status text after each work event, on top of the form's handler.
  void RecordStatus() {
    auto work = form->HttpClient2->OnWork;
    form->HttpClient2->OnWork = [this, work](TObject* s, TWorkMode m, std::int32_t n) {
      work(s, m, n);
      status.push_back(platform::Cp936ToUtf8(form->MlSkinLabel3->Caption()));
    };
  }
  std::vector<std::string> status;
};

TEST_F(RecordingProgress, KnownLengthFillsTheBarToAHundredPercent) {
  StartServer();
  RecordStatus();
  Serve("patch.dat", testsupport::PatternBytes(0, 100000));
  ServeReply("2.0|" + Base() + "|patch.dat|");
  PutIni("1.0");
  RunUpdate();
  ExpectOnlyMessage("文件更新完成！");
  EXPECT_EQ(form->MlSkinLabel2->Caption(), "98 KB");
  EXPECT_EQ(form->MlSkinLabel1->Caption(), "98 KB");
  EXPECT_EQ(form->MlSkinProgressBar1->MaxValue(), 100000);
  EXPECT_EQ(form->MlSkinProgressBar1->Value(), 100000);
  EXPECT_EQ(form->WorkTotal, 100000);
  ASSERT_FALSE(status.empty());
  EXPECT_EQ(status.back(), "100%");
  EXPECT_EQ(platform::Cp936ToUtf8(form->MlSkinLabel3->Caption()), "更新完毕！");
}

TEST_F(Progress, LargeBodyShowsMegabytes) {
  StartServer();
  Serve("big.dat", testsupport::PatternBytes(0, 1536000));
  ServeReply("2.0|" + Base() + "|big.dat|");
  PutIni("1.0");
  RunUpdate();
  ExpectOnlyMessage("文件更新完成！");
  EXPECT_EQ(form->MlSkinLabel1->Caption(), "1.46 MB");
  EXPECT_EQ(form->MlSkinLabel2->Caption(), "1.46 MB");
}

TEST_F(RecordingProgress, ErrorBodyDrivesTheDisplayYetTheDownloadFails) {
  StartServer();
  RecordStatus();
  testsupport::ScriptServer package(
      "accept\nexpect-request\n"
      "send-with-body 512 HTTP/1.1 404 Not Found\\r\\nContent-Length: 512\\r\\n\\r\\n\n"
      "close\n");
  ServeReply("2.0|" + package.Url("/") + "|patch.dat|");
  PutIni("1.0");
  RunUpdate();
  EXPECT_EQ(form->MlSkinLabel1->Caption(), "0 KB");
  ASSERT_FALSE(status.empty());
  EXPECT_EQ(status.back(), "100%");
  EXPECT_EQ(platform::Cp936ToUtf8(form->MlSkinLabel3->Caption()), "更新完毕！");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(platform::Cp936ToUtf8(boxes[0].text), "下载失败！ 失败原因：HTTP/1.1 404 Not Found ");
  ExpectStillOpen();
  EXPECT_FALSE(Has("patch.dat"));
  EXPECT_EQ(package.Finish(), 0);
}

TEST_F(RecordingProgress, UnknownLengthShowsTheAmountAndIsSaved) {
  StartServer();
  RecordStatus();
  testsupport::ScriptServer package(
      "accept\nexpect-request\n"
      "send HTTP/1.0 200 OK\\r\\n\\r\\n\n"
      "send-body 70000\n"
      "close\n");
  // A plain package with a program to start keeps the file until the end; the
  // program is missing, so nothing is started and the package is removed.
  ServeReply("2.0|" + package.Url("/") + "|patch.dat|missing.exe");
  PutIni("1.0");
  RunUpdate();
  EXPECT_TRUE(boxes.empty()) << ::testing::PrintToString(BoxTexts());
  ExpectExitedWithZero();
  EXPECT_EQ(form->WorkTotal, 0);
  EXPECT_EQ(form->MlSkinLabel2->Caption(), "0 KB");
  ASSERT_FALSE(status.empty());
  for (const std::string& s : status) EXPECT_NE(s.find(" KB"), std::string::npos) << s;
  EXPECT_EQ(form->MlSkinLabel1->Caption(), status.back());
  EXPECT_EQ(platform::Cp936ToUtf8(form->MlSkinLabel3->Caption()), "更新完毕！");
  EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=2.0\r\n");
  EXPECT_EQ(package.Finish(), 0);
}

TEST_F(Progress, HandlersFollowTheirExamples) {
  form->HttpClient2WorkBegin(form->HttpClient2, wmRead, 3);
  EXPECT_EQ(form->MlSkinProgressBar1->MaxValue(), 3);
  EXPECT_EQ(form->MlSkinLabel2->Caption(), "0 KB");
  form->HttpClient2Work(form->HttpClient2, wmRead, 1);
  EXPECT_EQ(form->MlSkinLabel3->Caption(), "33%");
  EXPECT_EQ(form->MlSkinProgressBar1->Value(), 1);
  form->HttpClient2WorkBegin(form->HttpClient2, wmRead, 200);
  form->HttpClient2Work(form->HttpClient2, wmRead, 1);
  EXPECT_EQ(form->MlSkinLabel3->Caption(), "1%");
  form->HttpClient2WorkEnd(form->HttpClient2, wmRead);
  EXPECT_EQ(platform::Cp936ToUtf8(form->MlSkinLabel3->Caption()), "更新完毕！");
  // No total, or a negative one: no percentage, no error.
  for (std::int32_t total : {0, -5}) {
    form->HttpClient2WorkBegin(form->HttpClient2, wmRead, total);
    form->HttpClient2Work(form->HttpClient2, wmRead, 40960);
    EXPECT_EQ(form->MlSkinLabel3->Caption(), "40 KB");
    EXPECT_EQ(form->MlSkinLabel1->Caption(), "40 KB");
  }
  EXPECT_EQ(form->WorkTotal, -5);
}

}  // namespace
