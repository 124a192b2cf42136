// The main window when the update procedure fails, against nginx on
// 127.0.0.1: the extraction failure's box with the window left open, and what
// escapes the procedure shown by the application's general error report.
// Every failure on its own: tests/app/update.
#include "UpdaterFixture.h"

using namespace platform::literals;

namespace {

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
  // The package stays, recorded as the updater's own.
  EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=1.0\r\npackages=a.zip\r\n");
  EXPECT_TRUE(Has("a.zip"));
  // The program that the archive was to replace is back in place.
  EXPECT_EQ(Read("run.sh"), "old program");
}

// An archive that cannot be opened: the general error report, nothing recorded.
TEST_F(Updater, ArchiveThatCannotBeOpenedGoesToTheErrorReport) {
  QUELBO_SKIP_ON_WINDOWS(kQuestionMarkNameOnWindows);
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
  EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=1.0\r\npackages=a?.zip\r\n");
  EXPECT_TRUE(Has("a?.zip"));
  EXPECT_EQ(Read("run.sh"), "old program");
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
    const char* package;  // left in place, and recorded as such, or ""
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
    EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=" + std::string(c.recorded) + "\r\n" +
                                       (*c.package ? "packages=" + std::string(c.package) + "\r\n" : ""));
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
  EXPECT_EQ(Read("xconfig.ini"), "[version]\r\nver=1.0\r\npackages=patch.dat\r\n");
}

}  // namespace
