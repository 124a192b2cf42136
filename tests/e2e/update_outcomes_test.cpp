// The updater's main paths, run for real: the program from its installation
// directory on a private X server, nginx as the update server, and the
// message boxes answered at the keyboard.
#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "tests/e2e/Packages.h"
#include "tests/e2e/UpdaterTest.h"

namespace e2e {
namespace {

class E2eOutcomes : public UpdaterTest {
 protected:
  // An installation at version 1.0 with the old launcher and an old copy of
  // one file the package brings again.
  void InstallVersion1() {
    install_->WriteVersion("1.0");
    install_->Put("data/version.txt", "1.0\n");
    install_->Put(kLauncher, "#!/bin/sh\necho old launcher >old-launcher-ran.txt\n", 0755);
  }
  std::string ServeVersion2(const std::string& program = kLauncher) {
    server_->SetReply(Reply("2.0", server_->Url("/packages/"), "quelbo-2.0.zip", program));
    return PublishDemoPackage("quelbo-2.0.zip");
  }
};

TEST_F(E2eOutcomes, ArchiveUpdateInstallsWhatUnzipExtractsAndStartsTheProgram) {
  InstallVersion1();
  const std::string package = ServeVersion2();
  ASSERT_NO_FATAL_FAILURE(Launch());
  // The old launcher makes room for the package's without a question, so
  // only the other old file raises it.
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kOverwriteTitle, "Return"));
  EXPECT_EQ(ExitCode(), 0);

  EXPECT_TRUE(InstalledAsUnzipWould(package));
  EXPECT_EQ(install_->RecordedVersion(), "2.0");
  ASSERT_TRUE(WaitForLauncherNote()) << "the new launcher was not started";
  EXPECT_NE(install_->Read(kLauncherNote).find("version: 2.0"), std::string::npos) << install_->Read(kLauncherNote);
  EXPECT_FALSE(install_->Has("quelbo-2.0.zip")) << "the package was not deleted";
  EXPECT_FALSE(install_->Has("old-launcher-ran.txt"));
  EXPECT_EQ(server_->Requests(), (std::vector<std::string>{"200 /version/version.php", "200 /packages/quelbo-2.0.zip"}));
}

TEST_F(E2eOutcomes, AnsweringNoKeepsTheInstalledCopyOfThatFileOnly) {
  InstallVersion1();
  const std::string package = ServeVersion2();
  ASSERT_NO_FATAL_FAILURE(Launch());
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kOverwriteTitle, "Escape"));
  EXPECT_EQ(ExitCode(), 0);

  EXPECT_EQ(install_->Read("data/version.txt"), "1.0\n");
  EXPECT_EQ(install_->Read("docs/changes.txt"), testsupport::ReadFile(DemoPackageTree() + "/docs/changes.txt"));
  ASSERT_TRUE(WaitForLauncherNote());
  EXPECT_NE(install_->Read(kLauncherNote).find("version: 1.0"), std::string::npos);
}

// The replace question answered by its buttons' underlined letters, with
// and without Alt, or closed as a window manager closes it (which answers
// No): the update goes on with that answer for that file.
struct QuestionAnswer {
  const char* name;
  const char* key;  // "close" asks the box to close, "destroy" destroys it
  bool replaced;
};

void PrintTo(const QuestionAnswer& a, std::ostream* os) { *os << a.name; }

class QuestionAnswers : public E2eOutcomes, public ::testing::WithParamInterface<QuestionAnswer> {};

TEST_P(QuestionAnswers, GoOnWithTheUpdate) {
  const QuestionAnswer& a = GetParam();
  InstallVersion1();
  const std::string package = ServeVersion2();
  ASSERT_NO_FATAL_FAILURE(Launch());
  const std::string key = a.key;
  if (key != "close" && key != "destroy") {
    ASSERT_NO_FATAL_FAILURE(AnswerBox(kOverwriteTitle, key));
  } else {
    const XWindowId box = x_->WaitFor(kOverwriteTitle, 30000, main_);
    ASSERT_NE(box, 0u) << "no question appeared";
    ASSERT_TRUE(x_->WaitForFocus(box, 5000));
    if (key == "close") x_->RequestClose(box);
    else x_->Destroy(box);
    EXPECT_TRUE(x_->WaitClosed(box, 5000)) << "the question stayed open when it was closed";
  }
  EXPECT_EQ(ExitCode(), 0);

  const std::string wanted = a.replaced ? testsupport::ReadFile(DemoPackageTree() + "/data/version.txt") : "1.0\n";
  EXPECT_EQ(install_->Read("data/version.txt"), wanted);
  EXPECT_EQ(install_->Read("docs/changes.txt"), testsupport::ReadFile(DemoPackageTree() + "/docs/changes.txt"));
  EXPECT_EQ(install_->RecordedVersion(), "2.0");
  EXPECT_TRUE(WaitForLauncherNote()) << "the launcher was not started";
  EXPECT_FALSE(install_->Has("quelbo-2.0.zip")) << "the package was not deleted";
}

INSTANTIATE_TEST_SUITE_P(E2e, QuestionAnswers,
                         ::testing::Values(QuestionAnswer{"KeyY", "y", true}, QuestionAnswer{"KeyN", "n", false},
                                           QuestionAnswer{"AltY", "Alt_L+y", true},
                                           QuestionAnswer{"AltN", "Alt_L+n", false},
                                           QuestionAnswer{"ClosedByTheWindowManager", "close", false},
                                           QuestionAnswer{"DestroyedFromOutside", "destroy", false}),
                         [](const ::testing::TestParamInfo<QuestionAnswer>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(E2eOutcomes, FirstRunRecordsNullThenUpdatesOnTheSecondPass) {
  const std::string package = ServeVersion2();
  ASSERT_NO_FATAL_FAILURE(Launch());
  // The first pass only records "null"; the second, two ticks later, updates.
  bool sawNull = false;
  for (std::uint64_t end = platform::TickCount() + 10000; !sawNull && platform::TickCount() < end;) {
    sawNull = install_->RecordedVersion() == "null";
    if (!sawNull) platform::SleepMs(20);
  }
  EXPECT_TRUE(sawNull) << "no \"ver=null\" was recorded on the first pass";
  EXPECT_EQ(ExitCode(), 0);

  EXPECT_TRUE(InstalledAsUnzipWould(package));
  EXPECT_EQ(install_->RecordedVersion(), "2.0");
  EXPECT_TRUE(WaitForLauncherNote());
  EXPECT_FALSE(install_->Has("quelbo-2.0.zip"));
}

// Replies that end the run at once with a box and change nothing.
struct NoUpdateCase {
  const char* name;
  std::string reply;
};

void PrintTo(const NoUpdateCase& c, std::ostream* os) { *os << c.name; }

class RepliesWithoutUpdate : public E2eOutcomes, public ::testing::WithParamInterface<NoUpdateCase> {};

TEST_P(RepliesWithoutUpdate, ShowTheirBoxAndChangeNothing) {
  install_->WriteVersion("2.0");
  install_->Put("data/version.txt", "2.0\n");
  PublishDemoPackage("quelbo-2.0.zip");
  server_->SetReply(GetParam().reply);
  const Tree before = install_->Snapshot();
  ASSERT_NO_FATAL_FAILURE(Launch());
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kAppTitle));
  EXPECT_EQ(ExitCode(), 0);

  const TreeChanges changes = Compare(before, install_->Snapshot());
  EXPECT_TRUE(changes.None()) << changes.Describe();
  EXPECT_EQ(server_->Requests(), std::vector<std::string>{"200 /version/version.php"});
}

INSTANTIATE_TEST_SUITE_P(
    E2e, RepliesWithoutUpdate,
    ::testing::Values(NoUpdateCase{"PauseReply", "0"}, NoUpdateCase{"EmptyReply", ""},
                      NoUpdateCase{"EqualVersionAfterStripping",
                                   "?2.0|http://127.0.0.1:1/packages/|quelbo-2.0.zip|开始游戏.exe"}),
    [](const ::testing::TestParamInfo<NoUpdateCase>& info) { return std::string(info.param.name); });

TEST_F(E2eOutcomes, PlainFilePackageStartsTheNamedProgramAndIsDeleted) {
  InstallVersion1();
  install_->Put(kLauncher, testsupport::ReadFile(DemoPackageTree() + "/" + kLauncher), 0755);
  server_->Publish("patch.dat", "plain package bytes\n");
  server_->SetReply(Reply("2.0", server_->Url("/packages/"), "patch.dat", kLauncher));
  ASSERT_NO_FATAL_FAILURE(Launch());
  EXPECT_EQ(ExitCode(), 0);

  EXPECT_TRUE(WaitForLauncherNote());
  EXPECT_FALSE(install_->Has("patch.dat"));
  EXPECT_EQ(install_->RecordedVersion(), "2.0");
  EXPECT_EQ(server_->Requests(), (std::vector<std::string>{"200 /version/version.php", "200 /packages/patch.dat"}));
}

TEST_F(E2eOutcomes, PlainFilePackageWithoutProgramReportsTheUpdate) {
  InstallVersion1();
  server_->Publish("patch.dat", "plain package bytes\n");
  server_->SetReply(Reply("2.0", server_->Url("/packages/"), "patch.dat", ""));
  ASSERT_NO_FATAL_FAILURE(Launch());
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kAppTitle));
  EXPECT_EQ(ExitCode(), 0);

  EXPECT_FALSE(install_->Has("patch.dat"));
  EXPECT_EQ(install_->RecordedVersion(), "2.0");
  EXPECT_FALSE(install_->Has(kLauncherNote));
}

TEST_F(E2eOutcomes, DownloadFailureShowsTheErrorAndChangesNothing) {
  InstallVersion1();
  // Nothing listens on port 1 of 127.0.0.1: the connection is refused, and
  // refused again each time it is tried after a growing wait (1, 2, 4, 8
  // and 16 s, each up to half as long again).
  server_->SetReply(Reply("2.0", "http://127.0.0.1:1/packages/", "quelbo-2.0.zip", kLauncher));
  const Tree before = install_->Snapshot();
  ASSERT_NO_FATAL_FAILURE(Launch());
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kErrorTitle, "Return", 60000));
  ASSERT_NO_FATAL_FAILURE(ExpectWindowStaysOpenThenClose());

  const TreeChanges changes = Compare(before, install_->Snapshot());
  EXPECT_TRUE(changes.None()) << changes.Describe();
}

}  // namespace
}  // namespace e2e
