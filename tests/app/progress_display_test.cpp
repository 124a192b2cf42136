// The progress display of the package download: size texts, bar and
// percentage over real transfers; error, cut and chunked bodies; a body of
// unknown length.
#include "UpdaterFixture.h"
#include "app/ProgressDisplay.h"

using namespace platform::literals;

namespace {

using Progress = apptest::Updater;

class RecordingProgress : public Progress {
 protected:
  // Records what the display shows after each work event, on top of the
  // form's handler.
  void RecordStatus() {
    auto work = form->HttpClient2->OnWork;
    form->HttpClient2->OnWork = [this, work](TObject* s, TWorkMode m, std::int32_t n) {
      work(s, m, n);
      status.push_back(platform::Cp936ToUtf8(form->MlSkinLabel3->Caption()));
      sizes.push_back(form->MlSkinLabel1->Caption());
      bar.push_back(form->MlSkinProgressBar1->Value());
    };
  }
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
    for (size_t i = 1; i < bar.size(); ++i) EXPECT_GE(bar[i], bar[i - 1]) << i;
  }
  std::vector<std::string> status;
  std::vector<AnsiString> sizes;
  std::vector<int> bar;
};

// A real download from nginx: the bar climbs block by block to the full
// length while the size label counts the kilobytes; then "更新完毕！".
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
  ASSERT_GE(bar.size(), 4u) << "one event per block of at most 32768 bytes";
  ExpectNeverBackwards();
  EXPECT_EQ(sizes.back(), "98 KB");
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

// Only the body of the final successful response drives the display: the
// error page nginx sends for a missing package moves nothing.
TEST_F(RecordingProgress, ErrorReplyLeavesTheDisplayUntouched) {
  StartServer();
  RecordStatus();
  ServeReply("2.0|" + Base() + "|missing.dat|");
  PutIni("1.0");
  Shown before{};
  auto begin = form->HttpClient2->OnWorkBegin;
  form->HttpClient2->OnWorkBegin = [&](TObject* s, TWorkMode m, std::int32_t max) {
    before = Now();
    begin(s, m, max);
  };
  Shown atStart{};
  auto timer = form->Timer1->OnTimer();
  form->Timer1->SetOnTimer([&](TObject* s) {
    atStart = Now();
    timer(s);
  });
  RunUpdate();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(platform::Cp936ToUtf8(boxes[0].text), "下载失败！ 失败原因：HTTP/1.1 404 Not Found ");
  EXPECT_EQ(before, Shown{}) << "no work began";
  EXPECT_TRUE(bar.empty());
  const Shown after = Now();
  EXPECT_EQ(after.size, "软件大小");
  EXPECT_EQ(after.status, "正在更新...");
  EXPECT_EQ(after.max, atStart.max);
  EXPECT_EQ(after.value, 0);
  ExpectStillOpen();
  EXPECT_FALSE(Has("missing.dat"));
}

// A package that ends before its announced length is no completed update.
TEST_F(RecordingProgress, CutPackageNeverShowsCompletion) {
  StartServer();
  RecordStatus();
  testsupport::ScriptServer package(
      "accept\nexpect-request\n"
      "send-with-body 40000 HTTP/1.1 200 OK\\r\\nContent-Length: 100000\\r\\n\\r\\n\n"
      "close\n");
  ServeReply("2.0|" + package.Url("/") + "|patch.dat|");
  PutIni("1.0");
  RunUpdate();
  ASSERT_EQ(boxes.size(), 1u);
  ASSERT_FALSE(status.empty());
  const std::string shown = platform::Cp936ToUtf8(form->MlSkinLabel3->Caption());
  EXPECT_EQ(shown, "40%") << "the last count received";
  EXPECT_LT(form->MlSkinProgressBar1->Value(), 100000);
  ExpectStillOpen();
  EXPECT_FALSE(Has("patch.dat"));
  EXPECT_EQ(package.Finish(), 0);
}

// Chunks are one transfer of unknown length: the amount counts on from chunk
// to chunk and the bar, without a total, stays at its start.
TEST_F(RecordingProgress, ChunkedPackageCountsOn) {
  StartServer();
  RecordStatus();
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
  ASSERT_FALSE(sizes.empty());
  EXPECT_EQ(form->MlSkinLabel1->Caption(), "117 KB");
  for (size_t i = 1; i < sizes.size(); ++i) EXPECT_GE(std::stoi(sizes[i]), std::stoi(sizes[i - 1])) << i;
  EXPECT_EQ(form->MlSkinProgressBar1->Value(), 0);
  EXPECT_EQ(platform::Cp936ToUtf8(form->MlSkinLabel3->Caption()), "更新完毕！");
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
  // Two whole blocks count; the rest comes with the close and is not counted.
  EXPECT_EQ(form->MlSkinLabel1->Caption(), "64 KB");
  EXPECT_EQ(platform::Cp936ToUtf8(form->MlSkinLabel3->Caption()), "更新完毕！");
  EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=2.0\r\n");
  EXPECT_EQ(package.Finish(), 0);
}

// Blocks that come sooner than the display's pace wait; the last block of a
// known length shows at once, and one held back shows at the end.
TEST_F(Progress, DisplayFollowsAtItsOwnPace) {
  form->WorkDisplayInterval = 60000;
  struct Step {
    std::function<void()> event;
    int bar;
    std::string size, status;
  } steps[] = {
      {[&] { form->HttpClient2WorkBegin(form->HttpClient2, wmRead, 100000); }, 0, "软件大小", "正在检测版本..."},
      {[&] { form->HttpClient2Work(form->HttpClient2, wmRead, 32768); }, 32768, "32 KB", "33%"},
      {[&] { form->HttpClient2Work(form->HttpClient2, wmRead, 65536); }, 32768, "32 KB", "33%"},
      {[&] { form->HttpClient2Work(form->HttpClient2, wmRead, 100000); }, 100000, "98 KB", "100%"},
      {[&] { form->HttpClient2WorkBegin(form->HttpClient2, wmRead, 0); }, 0, "98 KB", "100%"},
      {[&] { form->HttpClient2Work(form->HttpClient2, wmRead, 40960); }, 0, "40 KB", "40 KB"},
      {[&] { form->HttpClient2Work(form->HttpClient2, wmRead, 81920); }, 0, "40 KB", "40 KB"},
      {[&] { form->HttpClient2WorkEnd(form->HttpClient2, wmRead); }, 0, "80 KB", "更新完毕！"},
  };
  int i = 0;
  for (const Step& s : steps) {
    s.event();
    EXPECT_EQ(form->MlSkinProgressBar1->Value(), s.bar) << i;
    EXPECT_EQ(platform::Cp936ToUtf8(form->MlSkinLabel1->Caption()), s.size) << i;
    EXPECT_EQ(platform::Cp936ToUtf8(form->MlSkinLabel3->Caption()), s.status) << i;
    ++i;
  }
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
