// The progress display of the package download: size texts, bar and
// percentage over real transfers; error, cut and chunked bodies; a body of
// unknown length.
#include "UpdaterFixture.h"
#include "app/ProgressDisplay.h"

using namespace platform::literals;

namespace {

using Progress = apptest::Updater;

// A main window that records what its display shows after each report of
// the download.
class RecordingForm : public TForm1 {
 public:
  using TForm1::TForm1;
  void ShowDownload(std::int64_t Done, std::int64_t Total) override {
    TForm1::ShowDownload(Done, Total);
    status.push_back(platform::Cp936ToUtf8(MlSkinLabel3->Caption()));
    sizes.push_back(MlSkinLabel1->Caption());
    bar.push_back(MlSkinProgressBar1->Value());
  }
  std::vector<std::string> status;
  std::vector<AnsiString> sizes;
  std::vector<int> bar;
};

class RecordingProgress : public Progress {
 protected:
  TForm1* CreateMainForm() override { return recording = app->CreateForm<RecordingForm>(); }
  // The display as the update procedure left it before the download.
  struct Shown {
    std::string status, size;
    int max, value;
    bool operator==(const Shown&) const = default;
  };
  Shown Now() {
    return {platform::Cp936ToUtf8(form->MlSkinLabel3->Caption()), platform::Cp936ToUtf8(form->MlSkinLabel1->Caption()),
            form->MlSkinProgressBar1->MaxValue(), form->MlSkinProgressBar1->Value()};
  }
  void ExpectNeverBackwards() {
    for (size_t i = 1; i < bar().size(); ++i) EXPECT_GE(bar()[i], bar()[i - 1]) << i;
  }
  const std::vector<std::string>& status() const { return recording->status; }
  const std::vector<AnsiString>& sizes() const { return recording->sizes; }
  const std::vector<int>& bar() const { return recording->bar; }
  RecordingForm* recording = nullptr;
};

// A real download from nginx: the bar climbs from its start to the full
// length while the size label counts the kilobytes; then "更新完毕！".
TEST_F(RecordingProgress, KnownLengthFillsTheBarToAHundredPercent) {
  StartServer();
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
  ASSERT_GE(bar().size(), 2u) << "the start and the end at least";
  EXPECT_EQ(bar().front(), 0);
  ExpectNeverBackwards();
  EXPECT_EQ(sizes().back(), "98 KB");
  EXPECT_EQ(status().back(), "100%");
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

// Only the body of the final successful response drives the display: the
// error page nginx sends for a missing package moves nothing.
TEST_F(RecordingProgress, ErrorReplyLeavesTheDisplayUntouched) {
  StartServer();
  ServeReply("2.0|" + Base() + "|missing.dat|");
  PutIni("1.0");
  Shown atStart{};
  auto timer = form->Timer1->OnTimer();
  form->Timer1->SetOnTimer([&](TObject* s) {
    atStart = Now();
    timer(s);
  });
  RunUpdate();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(platform::Cp936ToUtf8(boxes[0].text), "下载失败！ 失败原因：HTTP/1.1 404 Not Found ");
  EXPECT_TRUE(bar().empty()) << "no progress was shown";
  const Shown after = Now();
  EXPECT_EQ(after.size, "软件大小");
  EXPECT_EQ(after.status, "正在更新...");
  EXPECT_EQ(after.max, atStart.max);
  EXPECT_EQ(after.value, 0);
  ExpectStillOpen();
  EXPECT_FALSE(Has("missing.dat"));
}

// A package that ends before its announced length, from a server that is
// then gone, is no completed update: the display holds the last count.
TEST_F(RecordingProgress, CutPackageNeverShowsCompletion) {
  StartServer();
  testsupport::ScriptServer package(
      "accept\nexpect-request\n"
      "send-with-body 40000 HTTP/1.1 200 OK\\r\\nContent-Length: 100000\\r\\n\\r\\n\n"
      "close\n");
  ServeReply("2.0|" + package.Url("/") + "|patch.dat|");
  PutIni("1.0");
  RunUpdate();
  ASSERT_EQ(boxes.size(), 1u);
  ASSERT_FALSE(status().empty());
  const std::string shown = platform::Cp936ToUtf8(form->MlSkinLabel3->Caption());
  EXPECT_EQ(shown, "40%") << "the last count received, held while the body would start over";
  EXPECT_EQ(form->MlSkinProgressBar1->Value(), 40000);
  ExpectNeverBackwards();
  EXPECT_FALSE(waits.empty()) << "the package was asked for again";
  ExpectStillOpen();
  EXPECT_FALSE(Has("patch.dat"));
  EXPECT_EQ(package.Finish(), 0);
}

// A body that has to start over (the server sends it whole again) holds the
// display where it was until the new count passes it; then it goes on to
// the end.
TEST_F(RecordingProgress, AStartOverNeverTakesTheDisplayBack) {
  StartServer();
  const std::string head = "HTTP/1.1 200 OK\\r\\nETag: \"e1\"\\r\\nContent-Length: 100000\\r\\n\\r\\n";
  testsupport::ScriptServer package("accept\nexpect-request\nsend-with-body 60000 " + head +
                                    "\nclose\n"
                                    "accept\nexpect-request\nsend-with-body 100000 " +
                                    head + "\nclose\n");
  ServeReply("2.0|" + package.Url("/") + "|patch.dat|missing.exe");
  PutIni("1.0");
  RunUpdate();
  EXPECT_TRUE(boxes.empty()) << ::testing::PrintToString(BoxTexts());
  ExpectNeverBackwards();
  ASSERT_FALSE(bar().empty());
  EXPECT_EQ(bar().back(), 100000);
  EXPECT_EQ(platform::Cp936ToUtf8(form->MlSkinLabel3->Caption()), "更新完毕！");
  EXPECT_EQ(package.Finish(), 0);
}

// Chunks are one transfer of unknown length: the amount counts on from chunk
// to chunk and the bar, without a total, stays at its start.
TEST_F(RecordingProgress, ChunkedPackageCountsOn) {
  StartServer();
  const std::string chunk = std::string(40000, 'x');
  std::string body;
  for (int i = 0; i < 3; ++i) body += "9c40\\r\\n" + chunk + "\\r\\n";
  testsupport::ScriptServer package(
      "accept\nexpect-request\n"
      "send HTTP/1.1 200 OK\\r\\nTransfer-Encoding: chunked\\r\\n\\r\\n" + body + "0\\r\\n\\r\\n\n"
      "close\n");
  ServeReply("2.0|" + package.Url("/") + "|patch.dat|missing.exe");
  PutIni("1.0");
  RunUpdate();
  EXPECT_TRUE(boxes.empty()) << ::testing::PrintToString(BoxTexts());
  EXPECT_EQ(form->WorkTotal, 0);
  ExpectNeverBackwards();
  ASSERT_FALSE(sizes().empty());
  EXPECT_EQ(form->MlSkinLabel1->Caption(), "117 KB");
  for (size_t i = 1; i < sizes().size(); ++i) EXPECT_GE(std::stoi(sizes()[i]), std::stoi(sizes()[i - 1])) << i;
  EXPECT_EQ(form->MlSkinProgressBar1->Value(), 0);
  EXPECT_EQ(platform::Cp936ToUtf8(form->MlSkinLabel3->Caption()), "更新完毕！");
  EXPECT_EQ(package.Finish(), 0);
}

TEST_F(RecordingProgress, UnknownLengthShowsTheAmountAndIsSaved) {
  StartServer();
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
  ASSERT_FALSE(status().empty());
  for (const std::string& s : status()) EXPECT_NE(s.find(" KB"), std::string::npos) << s;
  // Every byte counts, the last ones that came with the close too.
  EXPECT_EQ(form->MlSkinLabel1->Caption(), "68 KB");
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
  for (std::int64_t total : {0, -5}) {
    form->HttpClient2WorkBegin(form->HttpClient2, wmRead, total);
    form->HttpClient2Work(form->HttpClient2, wmRead, 40960);
    EXPECT_EQ(form->MlSkinLabel3->Caption(), "40 KB");
    EXPECT_EQ(form->MlSkinLabel1->Caption(), "40 KB");
  }
  EXPECT_EQ(form->WorkTotal, -5);
}

}  // namespace
