// The update procedure against nginx on 127.0.0.1 when something fails,
// without a window: the outcomes that stop short, the failures it leaves to
// the general error report, the window closed meanwhile, and replies of any
// shape.
#include <functional>
#include <sstream>

#include "JobFixture.h"

using namespace platform::literals;

namespace {

using apptest::Job;
using apptest::kMarkingScript;
using apptest::MakeZip;

// Outcome H: the archive is damaged; nothing is recorded and the program
// that the archive was to replace is back in place.
TEST_F(Job, ExtractionFailureIsToldAndNothingIsRecorded) {
  StartServer();
  Serve("a.zip", "this is no archive, it has no end record");
  ServeReply("2.0|" + Base() + "|a.zip|run.sh");
  PutIni("1.0");
  Put("run.sh", "old program");
  RunUpdate();
  ExpectOnlyFailure(UpdateFailure::kExtraction, "Incomplete Zip File");
  ExpectStopped();
  // The package stays, recorded as the updater's own.
  EXPECT_EQ(Read("xconfig.ini"), Ini("1.0", "a.zip"));
  EXPECT_TRUE(Has("a.zip"));
  EXPECT_EQ(Read("run.sh"), "old program");
}

// Outcome H for a member whose data does not verify: it is left out, so the
// package is not installed and the update is not recorded.
TEST_F(Job, MemberFailingItsChecksumIsAnExtractionFailure) {
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
  RunUpdate();
  EXPECT_EQ(view.questions, std::vector<std::string>{"Replace existing file file.txt? (File Exists Alert)"});
  const std::vector<apptest::RecordingView::Failure> told = {
      {UpdateFailure::kExtraction, "CRC error in file data\\file.txt"}};
  EXPECT_EQ(view.failures, told);
  ExpectStopped();
  EXPECT_EQ(Read("xconfig.ini"), Ini("1.0", "a.zip"));
  EXPECT_EQ(Read("data/file.txt"), "old data");
  EXPECT_EQ(Read("run.sh"), "old program");
  EXPECT_TRUE(Has("a.zip"));
}

// Outcome H for a member whose file cannot be made: nothing of the package
// is installed, nothing is recorded, and once the obstacle is gone the next
// run installs it all.
TEST_F(Job, AMemberThatCannotBeWrittenFailsTheUpdateAndTheNextRunInstallsIt) {
  StartServer();
  Serve("a.zip", MakeZip({{"data/file.txt", "new data"}, {"docs/readme.txt", "readme"}, {"run.sh", "new program"}}));
  ServeReply("2.0|" + Base() + "|a.zip|");
  const std::string target = Installed("data/file.txt");
  struct Case {
    const char* name;
    std::function<void()> block;
    std::string why;
  };
  const Case cases[] = {
      {"a directory where the file goes", [&] { std::filesystem::create_directories(target + "/inside"); },
       "Cannot create file \"" + target + "\". Is a directory"},
      {"a file where its directory goes", [&] { Put("data", "a file of the player's"); },
       "Cannot create file \"" + target + "\". Not a directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(Installed("data"));
    std::filesystem::remove_all(Installed("docs"));
    PutIni("1.0");
    Put("run.sh", "old program");
    c.block();
    view.answer = true;
    RunUpdate();
    // The run ends at the member, before it comes to ask about run.sh.
    EXPECT_TRUE(view.questions.empty());
    EXPECT_EQ(view.failures, (std::vector<apptest::RecordingView::Failure>{{UpdateFailure::kExtraction, c.why}}));
    EXPECT_TRUE(view.notices.empty());
    ExpectStopped();
    EXPECT_EQ(Read("xconfig.ini"), Ini("1.0", "a.zip"));  // the package stays, recorded as the updater's
    EXPECT_EQ(Read("run.sh"), "old program");
    EXPECT_FALSE(Has("docs/readme.txt"));

    std::filesystem::remove_all(Installed("data"));
    RunUpdate();
    EXPECT_EQ(view.questions, std::vector<std::string>{"Replace existing file run.sh? (File Exists Alert)"});
    EXPECT_EQ(view.notices, std::vector<UpdateNotice>{UpdateNotice::kInstalled});
    EXPECT_TRUE(view.failures.empty());
    ExpectExited();
    EXPECT_EQ(Read("run.sh"), "new program");
    EXPECT_EQ(Read("xconfig.ini"), Ini("2.0"));
    EXPECT_EQ(Read("data/file.txt"), "new data");
    EXPECT_EQ(Read("docs/readme.txt"), "readme");
  }
}

// An archive that cannot be opened escapes to the general error report;
// nothing is recorded.
TEST_F(Job, ArchiveThatCannotBeOpenedEscapes) {
  QUELBO_SKIP_ON_WINDOWS(kQuestionMarkNameOnWindows);
  StartServer();
  // Saved as "a?.zip", extracted as "a.zip", which is not there.
  Serve("a.zip", MakeZip({{"data/file.txt", "new data"}}));
  ServeReply("2.0|" + Base() + "|a?.zip|run.sh");
  PutIni("1.0");
  Put("run.sh", "old program");
  RunUpdate();
  ExpectNoMessage();
  ASSERT_TRUE(escaped);
  EXPECT_NE(escaped->find("a.zip"), std::string::npos) << *escaped;
  EXPECT_TRUE(view.ends.empty());
  EXPECT_EQ(Read("xconfig.ini"), Ini("1.0", "a?.zip"));
  EXPECT_TRUE(Has("a?.zip"));
  EXPECT_EQ(Read("run.sh"), "old program");
}

// The download failed: told with its reason; nothing recorded, started or
// deleted. A package an earlier run left may be replaced, but stays when the
// new one does not come.
TEST_F(Job, FailedDownloadIsToldAndChangesNothing) {
  StartServer();
  Put("patch.dat", "old package");
  std::filesystem::create_directory(Installed("folder.dat"));
  const std::string left = "patch.dat|folder.dat";
  struct Case {
    std::string reply;
    std::string why;
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
    PutIni("1.0", left);
    ServeReply(c.reply);
    RunUpdate();
    ExpectOnlyFailure(UpdateFailure::kDownload, c.why);
    ExpectStopped();
    EXPECT_EQ(Read("xconfig.ini"), Ini("1.0", left));
    EXPECT_EQ(Read("patch.dat"), "old package");
    EXPECT_TRUE(std::filesystem::is_directory(Installed("folder.dat")));
  }
  EXPECT_FALSE(std::filesystem::exists(root / "evil.dat"));
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(install)) entries += e.path().filename().string()[0] == '.';
  EXPECT_EQ(entries, 0) << "a temporary file was left behind";
}

// A package whose name is that of a file the updater did not put there (the
// player's saved game, the version record, the updater itself, names that
// differ only in case, a directory, the partial file of a download, the
// installation journal) is refused before anything is fetched: nothing
// replaced, nothing deleted.
TEST_F(Job, APackageNamedLikeAFileOfTheInstallationIsRefused) {
  StartServer();
  Put("save.dat", "the player's saved game");
  PutProgram("quelbo-updater", "the updater");
  std::filesystem::create_directory(Installed("saves"));
  for (const char* name : {"save.dat", "SAVE.DAT", "xconfig.ini", "quelbo-updater", "saves", ".quelbo-package.part",
                           ".quelbo-install.journal", ".Quelbo-Install.Journal"}) {
    SCOPED_TRACE(name);
    Serve(name, "the package");
    for (const char* program : {"", "quelbo-updater"}) {
      PutIni("1.0");
      const auto before = apptest::TreeOf(install);
      ServeReply("2.0|" + Base() + "|" + name + "|" + program);
      RunUpdate();
      ExpectOnlyFailure(UpdateFailure::kDownload,
                        "The package \"" + std::string(name) + "\" would replace a file of the installation");
      ExpectStopped();
      EXPECT_EQ(apptest::TreeOf(install), before);
    }
  }
  std::istringstream log(nginx->AccessLog());
  for (std::string msec, time, status, uri, bytes; log >> msec >> time >> status >> uri >> bytes;)
    EXPECT_EQ(uri, "/version/version.php") << "no package is fetched";
}

// The window closed while the procedure waited: it stops without a word,
// after the query whatever the reply, after a download that then failed.
TEST_F(Job, AWindowClosedMeanwhileStopsItWithoutAWord) {
  StartServer();
  Serve("patch.dat", "patch");
  PutIni("1.0");
  struct Case {
    const char* name;
    std::string reply;
    int openChecks;  // how often the window is found open
  };
  const Case cases[] = {
      {"during a pausing query", "0", 0},
      {"during the query", "2.0|" + Base() + "|patch.dat|", 0},
      {"during a failed download", "2.0|" + Base() + "|missing.dat|", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ServeReply(c.reply);
    view.openChecks = c.openChecks;
    RunUpdate();
    ExpectNoMessage();
    ExpectStopped();
    EXPECT_EQ(Read("xconfig.ini"), Ini("1.0"));
    EXPECT_FALSE(Has("patch.dat"));
    EXPECT_FALSE(Has("missing.dat"));
  }
}

// Too few fields: the list error escapes to the general error report.
TEST_F(Job, MissingFieldsEscape) {
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
    PutIni("1.0");
    ServeReply(c.reply);
    RunUpdate();
    ExpectNoMessage();
    ExpectEscaped("List index out of bounds (" + std::to_string(c.index) + ")");
    EXPECT_EQ(Read("xconfig.ini"), Ini(c.recorded, c.package));
    if (*c.package) {
      EXPECT_TRUE(Has(c.package));
    }
  }
}

// "xconfig.ini" that cannot be written escapes to the general error report.
TEST_F(Job, UnwritableConfigurationEscapes) {
  StartServer();
  // Not a file: the first-run write fails.
  std::filesystem::create_directory(Installed("xconfig.ini"));
  RunUpdate();
  ExpectNoMessage();
  ExpectEscaped("Unable to write to " + Installed("xconfig.ini"));
  std::filesystem::remove(Installed("xconfig.ini"));

  // A version with a line break would break the file apart; it is not written.
  PutIni("1.0");
  Serve("patch.dat", "patch");
  ServeReply("2.0\r\n[version]\r\nver=evil|" + Base() + "|patch.dat|");
  RunUpdate();
  ExpectNoMessage();
  ExpectEscaped("Unable to write to " + Installed("xconfig.ini"));
  EXPECT_EQ(Read("xconfig.ini"), Ini("1.0", "patch.dat"));
}

// Replies of any shape end in one of the outcomes with a clear message, write
// nothing beside the installation and leave "xconfig.ini" readable.
TEST_F(Job, MalformedRepliesEndInAnOutcome) {
  StartServer();
  Serve("patch.dat", "patch");
  struct Case {
    const char* name;
    std::string reply;
    std::string message;  // what the person reads (UTF-8), "" for none
    std::optional<UpdateEnd> end;  // none: escaped to the general error report
  };
  const std::string badName = "下载失败！ 失败原因：Invalid package file name ";
  const Case cases[] = {
      {"only separators", std::string(100000, '|'), badName + "\"\" ", UpdateEnd::kStopped},
      // Split in one pass: megabytes of fields end in their outcome at once.
      {"megabytes of separators", std::string(6 << 20, '|'), badName + "\"\" ", UpdateEnd::kStopped},
      {"one long field", std::string(1 << 20, 'x'), "", std::nullopt},
      {"long package name", "2.0|" + Base() + "|" + std::string(300, 'p') + ".dat|",
       "下载失败！ 失败原因：HTTP/1.1 404 Not Found ", UpdateEnd::kStopped},
      {"NUL in the package name", "2.0|" + Base() + "|pa" + std::string(1, '\0') + "tch.dat|", badName + "\"pa\" ",
       UpdateEnd::kStopped},
      {"NULs from overlong forms", "\xC0\x80\xC0\x80", "", std::nullopt},
      {"absolute program", "2.0|" + Base() + "|patch.dat|/bin/sh", "", UpdateEnd::kExit},
      {"line break ends the program name", "2.0|" + Base() + "|patch.dat|run.sh\r\n", "", UpdateEnd::kExit},
  };
  PutProgram("run.sh", kMarkingScript);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PutIni("1.0");
    ServeReply(c.reply);
    RunUpdate();
    if (c.message.empty()) {
      ExpectNoMessage();
    } else {
      EXPECT_EQ(view.messages, std::vector<std::string>{c.message});
    }
    if (c.end) {
      ExpectEnded(*c.end);
    } else {
      EXPECT_EQ(escaped, std::optional<std::string>("List index out of bounds (2)"));
    }
    const std::string ini = Read("xconfig.ini");
    EXPECT_TRUE(ini == Ini("1.0") || ini == Ini("2.0")) << ini;
  }
  platform::SleepMs(300);
  EXPECT_FALSE(Has("ran"));
  std::vector<std::string> beside;
  for (const auto& e : std::filesystem::directory_iterator(root.Path())) beside.push_back(testsupport::Utf8Of(e.path().filename()));
  EXPECT_EQ(beside, std::vector<std::string>{"install"});
}

}  // namespace
