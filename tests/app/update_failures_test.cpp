// The update procedure against nginx on 127.0.0.1 when something fails: the
// outcomes that leave the window open, and replies of any shape.
#include "UpdaterFixture.h"

using namespace platform::literals;

namespace {

using apptest::kMarkingScript;
using apptest::MakeZip;
using Updater = apptest::Updater;

const std::string kTitle = "Quelbo自动更新";

// Outcome H: the archive is damaged; the window stays open.
TEST_F(Updater, ExtractionFailureIsShownAndNothingIsRecorded) {
  StartServer();
  Serve("a.zip", "this is no archive, it has no end record");
  ServeReply("2.0|" + Base() + "|a.zip|run.sh");
  PutIni("1.0");
  Put("run.sh", "old program");
  RunUpdate();
  ASSERT_EQ(boxes.size(), 1u) << ::testing::PrintToString(BoxTexts());
  EXPECT_EQ(platform::Cp936ToUtf8(boxes[0].text), "解压失败！ 失败原因：Incomplete Zip File ");
  EXPECT_EQ(platform::Cp936ToUtf8(boxes[0].caption), "错误");
  EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_ICONERROR));
  ExpectStillOpen();
  EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=1.0\r\n");
  EXPECT_TRUE(Has("a.zip"));
  // The program that the archive was to replace is back in place.
  EXPECT_EQ(Read("run.sh"), "old program");
}

// Outcome H for a member whose data does not verify: it is left out, so the
// package is not installed and the update is not recorded.
TEST_F(Updater, MemberFailingItsChecksumIsAnExtractionFailure) {
  StartServer();
  std::string zip = MakeZip({{"data/file.txt", "new data"}});
  // The same wrong CRC in the local and the central header.
  zip[14] = static_cast<char>(zip[14] ^ 0xFF);
  zip[zip.find("PK\x01\x02") + 16] ^= static_cast<char>(0xFF);
  Serve("a.zip", zip);
  ServeReply("2.0|" + Base() + "|a.zip|run.sh");
  PutIni("1.0");
  Put("data/file.txt", "old data");
  Put("run.sh", "old program");
  answerYesNo = IDYES;
  RunUpdate();
  ASSERT_EQ(boxes.size(), 2u) << ::testing::PrintToString(BoxTexts());
  EXPECT_EQ(boxes[0].caption, "File Exists Alert");
  EXPECT_EQ(platform::Cp936ToUtf8(boxes[1].text), "解压失败！ 失败原因：CRC error in file data\\file.txt ");
  ExpectStillOpen();
  EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=1.0\r\n");
  EXPECT_EQ(Read("data/file.txt"), "old data");
  EXPECT_EQ(Read("run.sh"), "old program");
  EXPECT_TRUE(Has("a.zip"));
}

// An archive that cannot be opened: the general error report, nothing recorded.
TEST_F(Updater, ArchiveThatCannotBeOpenedGoesToTheErrorReport) {
  StartServer();
  // Saved as "a?.zip", extracted as "a.zip", which is not there.
  Serve("a.zip", MakeZip({{"data/file.txt", "new data"}}));
  ServeReply("2.0|" + Base() + "|a?.zip|run.sh");
  PutIni("1.0");
  Put("run.sh", "old program");
  RunUpdate();
  ASSERT_EQ(boxes.size(), 1u) << ::testing::PrintToString(BoxTexts());
  EXPECT_EQ(platform::Cp936ToUtf8(boxes[0].caption), kTitle);
  EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
  EXPECT_NE(boxes[0].text.find("a.zip"), std::string::npos) << boxes[0].text;
  ExpectStillOpen();
  EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=1.0\r\n");
  EXPECT_TRUE(Has("a?.zip"));
  EXPECT_EQ(Read("run.sh"), "old program");
}

// The download failed: its own message, nothing recorded, started or deleted.
TEST_F(Updater, FailedDownloadIsReportedAndChangesNothing) {
  StartServer();
  Put("patch.dat", "old package");
  std::filesystem::create_directory(Installed("folder.dat"));
  struct Case {
    std::string reply;
    std::string why;  // the reason shown, UTF-8
  };
  const Case cases[] = {
      {"2.0|" + Base() + "|patch.dat|run.sh", "HTTP/1.1 404 Not Found"},
      {"2.0|" + Base() + "|../evil.dat|run.sh", "Invalid package file name \"../evil.dat\""},
      {"2.0||" + Base() + "a.zip|", "Invalid package file name \"" + Base() + "a.zip\""},
      {"2.0|" + Base() + "|folder.dat|", "Cannot create file \"" + Installed("folder.dat") + "\". Is a directory"},
  };
  Serve("evil.dat", "evil");
  Serve("folder.dat", "content");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    ClearRecords();
    PutIni("1.0");
    ServeReply(c.reply);
    RunUpdate();
    ASSERT_EQ(boxes.size(), 1u) << ::testing::PrintToString(BoxTexts());
    EXPECT_EQ(platform::Cp936ToUtf8(boxes[0].text), "下载失败！ 失败原因：" + c.why + " ");
    EXPECT_EQ(platform::Cp936ToUtf8(boxes[0].caption), "错误");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    ExpectStillOpen();
    EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=1.0\r\n");
    EXPECT_EQ(Read("patch.dat"), "old package");
    EXPECT_TRUE(std::filesystem::is_directory(Installed("folder.dat")));
  }
  EXPECT_FALSE(std::filesystem::exists(root / "evil.dat"));
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(install)) entries += e.path().filename().string()[0] == '.';
  EXPECT_EQ(entries, 0) << "a temporary file was left behind";
}

// Too few fields: the list error in the general error report, window open.
TEST_F(Updater, MissingFieldsGoToTheErrorReport) {
  StartServer();
  Serve("patch.dat", "patch");
  Serve("a.zip", MakeZip({{"data/file.txt", "new data"}}));
  struct Case {
    std::string reply;
    int index;
    const char* recorded;
    const char* package;  // left in place, or ""
  };
  const Case cases[] = {
      {"1.0", 2, "1.0", ""},
      {"0\r\n", 2, "1.0", ""},
      {"2.0|" + Base(), 2, "1.0", ""},
      // A plain package is saved and recorded before field 3 is wanted.
      {"2.0|" + Base() + "|patch.dat", 3, "2.0", "patch.dat"},
      // An archive is recorded only once installed.
      {"2.0|" + Base() + "|a.zip", 3, "1.0", "a.zip"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    ClearRecords();
    PutIni("1.0");
    ServeReply(c.reply);
    RunUpdate();
    ASSERT_EQ(boxes.size(), 1u) << ::testing::PrintToString(BoxTexts());
    // No full stop is added: ")" sorts below ".".
    EXPECT_EQ(platform::Cp936ToUtf8(boxes[0].text), "List index out of bounds (" + std::to_string(c.index) + ")");
    EXPECT_EQ(platform::Cp936ToUtf8(boxes[0].caption), kTitle);
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    ExpectStillOpen();
    EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=" + std::string(c.recorded) + "\r\n");
    if (*c.package) {
      EXPECT_TRUE(Has(c.package));
    }
  }
}

// "xconfig.ini" that cannot be written: the general error report, window open.
TEST_F(Updater, UnwritableConfigurationGoesToTheErrorReport) {
  StartServer();
  // Not a file: the first-run write fails.
  std::filesystem::create_directory(Installed("xconfig.ini"));
  RunUpdate();
  ASSERT_EQ(boxes.size(), 1u) << ::testing::PrintToString(BoxTexts());
  EXPECT_EQ(platform::Cp936ToUtf8(boxes[0].text), "Unable to write to " + Installed("xconfig.ini") + ".");
  EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
  ExpectStillOpen();
  std::filesystem::remove(Installed("xconfig.ini"));

  // A version with a line break would break the file apart; it is not written.
  ClearRecords();
  PutIni("1.0");
  Serve("patch.dat", "patch");
  ServeReply("2.0\r\n[version]\r\nver=evil|" + Base() + "|patch.dat|");
  RunUpdate();
  ASSERT_EQ(boxes.size(), 1u) << ::testing::PrintToString(BoxTexts());
  EXPECT_EQ(platform::Cp936ToUtf8(boxes[0].text), "Unable to write to " + Installed("xconfig.ini") + ".");
  ExpectStillOpen();
  EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=1.0\r\n");
}

// Replies of any shape end in one of the outcomes with a clear message, write
// nothing beside the installation and leave "xconfig.ini" readable.
TEST_F(Updater, MalformedRepliesEndInAnOutcome) {
  StartServer();
  Serve("patch.dat", "patch");
  struct Case {
    const char* name;
    std::string reply;
    std::string message;  // the box shown (UTF-8), "" for none
    bool exits;
  };
  const Case cases[] = {
      {"only separators", std::string(100000, '|'), "下载失败！ 失败原因：Invalid package file name \"\" ", false},
      // Split in one pass: megabytes of fields end in their outcome at once.
      {"megabytes of separators", std::string(6 << 20, '|'), "下载失败！ 失败原因：Invalid package file name \"\" ",
       false},
      {"one long field", std::string(1 << 20, 'x'), "List index out of bounds (2)", false},
      {"long package name", "2.0|" + Base() + "|" + std::string(300, 'p') + ".dat|",
       "下载失败！ 失败原因：HTTP/1.1 404 Not Found ", false},
      {"NUL in the package name", "2.0|" + Base() + "|pa" + std::string(1, '\0') + "tch.dat|",
       "下载失败！ 失败原因：Invalid package file name \"pa\" ", false},
      {"NULs from overlong forms", "\xC0\x80\xC0\x80", "List index out of bounds (2)", false},
      {"absolute program", "2.0|" + Base() + "|patch.dat|/bin/sh", "", true},
      {"line break ends the program name", "2.0|" + Base() + "|patch.dat|run.sh\r\n", "", true},
  };
  Put("run.sh", kMarkingScript);
  std::filesystem::permissions(Installed("run.sh"), std::filesystem::perms::owner_all);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearRecords();
    PutIni("1.0");
    ServeReply(c.reply);
    RunUpdate();
    if (c.message.empty()) {
      EXPECT_TRUE(boxes.empty()) << ::testing::PrintToString(BoxTexts());
    } else {
      ASSERT_EQ(boxes.size(), 1u) << ::testing::PrintToString(BoxTexts());
      EXPECT_EQ(platform::Cp936ToUtf8(boxes[0].text), c.message);
    }
    EXPECT_EQ(exits.size(), c.exits ? 1u : 0u);
    const std::string ini = Read("xconfig.ini");
    EXPECT_TRUE(ini == "[version]\r\nver=1.0\r\n" || ini == "[version]\r\nver=2.0\r\n") << ini;
  }
  platform::SleepMs(300);
  EXPECT_FALSE(Has("ran"));
  std::vector<std::string> beside;
  for (const auto& e : std::filesystem::directory_iterator(root.Path())) beside.push_back(e.path().filename());
  EXPECT_EQ(beside, std::vector<std::string>{"install"});
}

}  // namespace
