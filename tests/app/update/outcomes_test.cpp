// Every outcome of the update procedure that ends the program or starts it
// over, against nginx on 127.0.0.1, without a window: what the view is told,
// what the installation holds afterwards and what was started.
#include <algorithm>

#include "JobFixture.h"
#ifndef _WIN32
#include "ThrowawayProcess.h"
#endif

using namespace platform::literals;

namespace {

using apptest::AppearsSoon;
using apptest::Job;
using apptest::kMarkingScript;
using apptest::MakeZip;

// The status comes first; the launcher is ended, whatever the outcome, before
// anything is asked of the network.
TEST_F(Job, TellsItsStatusAndEndsTheLauncherFirst) {
  std::vector<std::string> order;
  env.killProcessByName = [&](const AnsiString& name) {
    order.push_back("end " + platform::Cp936ToUtf8(name));
    return 0;
  };
  env.online = [&] {
    order.push_back("online?");
    return false;
  };
  RunUpdate();
  EXPECT_EQ(view.statuses, std::vector<std::string>{"正在更新..."});
  EXPECT_EQ(order, (std::vector<std::string>{"end 开始游戏.exe", "online?"}));
}

// Outcome A: no network, with or without "xconfig.ini".
TEST_F(Job, OfflineTellsTheNetworkAndExits) {
  online = false;
  RunUpdate();
  ExpectOnly(UpdateNotice::kOffline);
  ExpectExited();
  EXPECT_FALSE(Has("xconfig.ini"));

  PutIni("1.0");
  RunUpdate();
  ExpectOnly(UpdateNotice::kOffline);
  ExpectExited();
  EXPECT_EQ(Read("xconfig.ini"), Ini("1.0"));
  EXPECT_EQ(view.catchUps, 0) << "nothing waits on the network";
}

// Outcome C, then the second pass.
TEST_F(Job, FirstRunRecordsNullAndStartsOver) {
  StartServer();
  ServeReply("2.0|" + Base() + "|patch.dat|");
  Serve("patch.dat", "patch");
  RunUpdate();
  ExpectNoMessage();
  ExpectEnded(UpdateEnd::kStartOver);
  EXPECT_EQ(Read("xconfig.ini"), Ini("null"));

  RunUpdate();
  ExpectOnly(UpdateNotice::kFileUpdated);
  ExpectExited();
  EXPECT_EQ(Read("xconfig.ini"), Ini("2.0"));
  EXPECT_FALSE(Has("patch.dat"));
}

// Outcome D: a pause, or a query that failed in any way.
TEST_F(Job, PausedOrFailedQueryTellsAPause) {
  StartServer();
  const std::string reachable = env.updateHost;
  const std::string closed = "127.0.0.1:" + std::to_string(apptest::ClosedPort());
  struct Case {
    const char* name;
    std::optional<std::string> reply;  // nothing: no version.php at all (404)
    std::string host;
  };
  const Case cases[] = {
      {"zero", "0", reachable},
      {"empty", "", reachable},
      {"GBK bytes",
       "\xB0\xE6\xB1\xBE"
       "2.0|x|y|z",
       reachable},
      {"not found", std::nullopt, reachable},
      {"nobody listening", "2.0|x|y|z", closed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PutIni("1.0");
    std::filesystem::remove(docroot / "version/version.php");
    if (c.reply) ServeReply(*c.reply);
    env.updateHost = c.host;
    RunUpdate();
    ExpectOnly(UpdateNotice::kPaused);
    ExpectExited();
    EXPECT_EQ(view.catchUps, 1) << "the status is shown before the query blocks";
    EXPECT_EQ(Read("xconfig.ini"), Ini("1.0"));
  }
}

// Outcome E, after the running launcher was ended.
TEST_F(Job, EqualVersionsAfterCleaningMeanCurrent) {
  StartServer();
  struct Case {
    const char* local;
    std::string reply;
  };
  const Case cases[] = {
      {"1.0", "?1.0|http://h/p/|a.zip|开始游戏.exe"},
      {"2.0", "2.0?|http://h/p/|a.zip|run.exe"},
      {"null", "null|http://h/p/|a.zip|run.exe"},
      {"2.?0",
       "\xEF\xBB\xBF"
       "2.0|http://h/p/|a.zip|run.exe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    PutIni(c.local);
    ServeReply(c.reply);
#ifdef _WIN32
    // Ending a running launcher on Windows is the end-to-end run's under Wine.
    RunUpdate();
#else
    apptest::Sleeper launcher("/bin/sleep", "开始游戏.exe");
    RunUpdate();
    EXPECT_TRUE(launcher.EndedByKill());
#endif
    ExpectOnly(UpdateNotice::kCurrent);
    ExpectExited();
    EXPECT_EQ(Read("xconfig.ini"), Ini(c.local));
  }
}

// A run killed while it replaced one of the updater's own files left a
// temporary file beside it; the next start takes it away even when it has
// nothing to write there. Files of the player's that merely look alike stay.
TEST_F(Job, TemporaryFilesOfKilledWritesGoAtTheNextStart) {
  StartServer();
  ServeReply("2.0|" + Base() + "|patch.zip|run.exe");
  PutIni("2.0", "patch.zip");
  Put("patch.zip", "a package kept");
  const std::vector<std::string> leftByKills = {".xconfig.ini.4000001.3.tmp", ".xconfig.installed.12.0.tmp",
                                                "..quelbo-package.resume.7.1.tmp", "..quelbo-install.journal.9.9.tmp",
                                                ".patch.zip.5.5.tmp"};
  const std::vector<std::string> players = {".notes.txt.1.2.tmp", ".xconfig.ini.backup", ".xconfig.ini.1.tmp",
                                            "xconfig.ini.3.4.tmp"};
  for (const std::string& name : leftByKills) Put(name, "part of a write");
  for (const std::string& name : players) Put(name, "the player's");
  RunUpdate();
  ExpectOnly(UpdateNotice::kCurrent);
  ExpectExited();
  for (const std::string& name : leftByKills) EXPECT_FALSE(Has(name)) << name;
  for (const std::string& name : players) EXPECT_TRUE(Has(name)) << name;
  EXPECT_EQ(Read("xconfig.ini"), Ini("2.0", "patch.zip"));
}

// Outcome F, for every spelling of an archive name.
class ArchiveNames : public Job, public ::testing::WithParamInterface<const char*> {};

TEST_P(ArchiveNames, ExtractedRecordedAndProgramStarted) {
  QUELBO_SKIP_ON_WINDOWS(kScriptProgramsOnWindows);
  StartServer();
  const std::string f2 = GetParam();
  Serve("pkg/" + f2, MakeZip({{"run.sh", kMarkingScript}, {"data/file.txt", "new data"}}, {"run.sh"}));
  ServeReply("2.0|" + Base() + "pkg/|" + f2 + "|run.sh");
  PutIni("1.0");
  Put("run.sh", "old program");
  RunUpdate();
  // The old program made room for the new one: no question about replacing it.
  ExpectNoMessage();
  ExpectExited();
  EXPECT_EQ(Read("xconfig.ini"), Ini("2.0"));
  EXPECT_EQ(Read("data/file.txt"), "new data");
  EXPECT_TRUE(AppearsSoon(Installed("ran")));
  EXPECT_FALSE(Has(f2));
  EXPECT_FALSE(Has("run.sh.old"));
}

INSTANTIATE_TEST_SUITE_P(Job, ArchiveNames, ::testing::Values("a.zip", "a.ZIP", "b.zip.txt"));

// Outcome G: extracted, but the program named is missing or not ours to start.
TEST_F(Job, ExtractedWithoutAUsableProgramSaysDone) {
  StartServer();
  Serve("a.zip", MakeZip({{"data/file.txt", "new data"}, {"data/other.txt", "other"}}));
  // Beside the installation, never started nor deleted.
  testsupport::WriteFile(root / "outside.sh", kMarkingScript);
  std::filesystem::permissions(root / "outside.sh", std::filesystem::perms::owner_all);
  std::vector<std::string> started;
  env.startProgram = [&](const AnsiString& path) -> Result<> {
    started.push_back(path);
    return {};
  };
  for (const char* f3 : {"missing.exe", "../outside.sh", ""}) {
    SCOPED_TRACE(f3);
    PutIni("1.0");
    ServeReply("2.0|" + Base() + "|a.zip|" + f3);
    RunUpdate();
    ExpectOnly(UpdateNotice::kInstalled);
    ExpectExited();
    EXPECT_EQ(Read("data/file.txt"), "new data");
    EXPECT_EQ(Read("xconfig.ini"), Ini("2.0"));
    EXPECT_FALSE(Has("a.zip"));
    std::filesystem::remove_all(Installed("data"));
  }
  EXPECT_TRUE(started.empty()) << ::testing::PrintToString(started);
  EXPECT_TRUE(std::filesystem::exists(root / "outside.sh"));
}

// A member named like the package takes the package file's place: no
// question (the file is the run's own), and it stays after the installation.
TEST_F(Job, AMemberNamedLikeThePackageStays) {
  StartServer();
  Serve("p.zip", MakeZip({{"p.zip", "the archive inside"}, {"run.sh", kMarkingScript}}, {"run.sh"}));
  env.startProgram = [](const AnsiString&) -> Result<> { return {}; };
  for (const char* f3 : {"", "run.sh"}) {
    SCOPED_TRACE(*f3 ? "a program to start" : "no program");
    PutIni("1.0");
    ServeReply("2.0|" + Base() + "|p.zip|" + f3);
    RunUpdate();
    EXPECT_TRUE(view.questions.empty()) << ::testing::PrintToString(view.questions);
    ExpectExited();
    EXPECT_EQ(Read("xconfig.ini"), Ini("2.0"));
    EXPECT_EQ(Read("p.zip"), "the archive inside");
    std::filesystem::remove(Installed("p.zip"));
  }
}

// The question about an existing file is the view's to answer: yes replaces
// it, no keeps it, and the update is installed either way.
TEST_F(Job, AnExistingFileIsReplacedOnlyWhenTheAnswerIsYes) {
  StartServer();
  Serve("a.zip", MakeZip({{"data/file.txt", "new data"}, {"data/other.txt", "other"}}));
  ServeReply("2.0|" + Base() + "|a.zip|");
  for (const bool yes : {true, false}) {
    SCOPED_TRACE(yes ? "yes" : "no");
    PutIni("1.0");
    Put("data/file.txt", "old data");
    std::filesystem::remove(Installed("data/other.txt"));
    view.answer = yes;
    RunUpdate();
    EXPECT_EQ(view.questions, std::vector<std::string>{"Replace existing file file.txt? (File Exists Alert)"});
    EXPECT_EQ(view.notices, std::vector<UpdateNotice>{UpdateNotice::kInstalled});
    ExpectExited();
    EXPECT_EQ(Read("data/file.txt"), yes ? "new data" : "old data");
    EXPECT_EQ(Read("data/other.txt"), "other");
    EXPECT_EQ(Read("xconfig.ini"), Ini("2.0"));
  }
}

// Outcome I: a plain file, and the program it names started through the
// environment's process control, with the installation's path.
TEST_F(Job, PlainFileSavedThenProgramStarted) {
  QUELBO_SKIP_ON_WINDOWS(kScriptProgramsOnWindows);
  StartServer();
  Serve("patch.dat", "patch");
  PutProgram("run.sh", kMarkingScript);
  // No trimming: "1.0 " is another version than "1.0".
  ServeReply("1.0 |" + Base() + "|patch.dat|run.sh|extra|fields");
  PutIni("1.0");
  RunUpdate();
  ExpectNoMessage();
  ExpectExited();
  EXPECT_TRUE(AppearsSoon(Installed("ran")));
  EXPECT_FALSE(Has("patch.dat"));
  EXPECT_EQ(Read("xconfig.ini"), Ini("1.0 "));

  std::vector<std::string> started;
  env.startProgram = [&](const AnsiString& path) -> Result<> {
    started.push_back(path);
    return {};
  };
  ServeReply("2.0|" + Base() + "|patch.dat|run.sh");
  RunUpdate();
  ExpectExited();
  EXPECT_EQ(started, std::vector<std::string>{Installed("run.sh")});
}

// Outcome I where the package is the program to start: it is run as its own
// platform would run it, and never deleted while it starts.
TEST_F(Job, APackageThatIsTheProgramIsStartedAndKept) {
  QUELBO_SKIP_ON_WINDOWS(kScriptProgramsOnWindows);
  StartServer();
  Serve("run.sh", kMarkingScript);
  ServeReply("2.0|" + Base() + "|run.sh|run.sh");
  PutIni("1.0");
  RunUpdate();
  ExpectNoMessage();
  ExpectExited();
  EXPECT_TRUE(AppearsSoon(Installed("ran")));
  EXPECT_EQ(Read("run.sh"), kMarkingScript);
  // Kept, and recorded as the updater's: the next release of it replaces it.
  EXPECT_EQ(Read("xconfig.ini"), Ini("2.0", "run.sh"));
  std::filesystem::remove(Installed("ran"));
  const std::string next = std::string(kMarkingScript) + "# 3.0\n";
  Serve("run.sh", next);
  ServeReply("3.0|" + Base() + "|run.sh|run.sh");
  RunUpdate();
  ExpectNoMessage();
  ExpectExited();
  EXPECT_TRUE(AppearsSoon(Installed("ran")));
  EXPECT_EQ(Read("run.sh"), next);
  EXPECT_EQ(Read("xconfig.ini"), Ini("3.0", "run.sh"));
}

// A program that cannot be started is told; the update stays done.
TEST_F(Job, AProgramThatCannotBeStartedIsTold) {
  StartServer();
  const std::string bad = "MZ this is no program of this system";
  Serve("patch.dat", "patch");
  Serve("a.zip", MakeZip({{"bad.exe", bad}}, {"bad.exe"}));
  for (const char* package : {"patch.dat", "a.zip"}) {
    SCOPED_TRACE(package);
    PutProgram("bad.exe", bad);
    ServeReply("2.0|" + Base() + "|" + package + "|bad.exe");
    PutIni("1.0");
    RunUpdate();
    ExpectOnlyFailure(UpdateFailure::kStart, "Exec format error");
    ExpectExited();
    EXPECT_FALSE(Has(package));
    EXPECT_EQ(Read("xconfig.ini"), Ini("2.0"));
  }
}

// Names that differ only in case mean the files that are there, as on the
// platform the packages are made for: the program, the package and the
// archive's members.
TEST_F(Job, NamesDifferingOnlyInCaseMeanTheExistingFiles) {
  StartServer();
  Serve("pkg/Patch.ZIP", MakeZip({{"run.sh", kMarkingScript}, {"data/map.dat", "new map"}}, {"run.sh"}));
  ServeReply("2.0|" + Base() + "pkg/|Patch.ZIP|RUN.SH");
  PutIni("1.0", "patch.zip");
  Put("Run.sh", "old program");
  Put("Data/Map.dat", "old map");
  Put("patch.zip", "an older download");
  RunUpdate();
#ifdef _WIN32
  // Windows cannot start the shell script, and its rename gives a replaced
  // file the member's spelling; the package is no less the one recorded.
  EXPECT_EQ(view.messages,
            (std::vector<std::string>{"Replace existing file map.dat?", "启动失败！ 失败原因：Exec format error "}));
  const std::vector<std::string> expected = {"Data", "Data/map.dat", "run.sh", "xconfig.ini", "xconfig.installed"};
#else
  EXPECT_EQ(view.messages, std::vector<std::string>{"Replace existing file map.dat?"});
  EXPECT_TRUE(AppearsSoon(Installed("ran")));
  const std::vector<std::string> expected = {"Data",   "Data/Map.dat", "ran",
                                             "run.sh", "xconfig.ini",  "xconfig.installed"};
#endif
  ExpectExited();
  EXPECT_EQ(Read("Data/Map.dat"), "new map");
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::recursive_directory_iterator(install))
    names.push_back(std::filesystem::relative(e.path(), install).generic_string());
  std::sort(names.begin(), names.end());
  // One program (the archive's), one map, and the package gone.
  EXPECT_EQ(names, expected);
}

// A package an earlier run left behind, recorded under another spelling of
// its name, is that file where the system finds files regardless of case:
// it is taken again, not refused as a file of the installation.
TEST_F(Job, APackageLeftUnderAnotherSpellingIsTakenAgain) {
  StartServer();
  Serve("pkg/Patch.ZIP", MakeZip({{"data/map.dat", "new map"}}));
  ServeReply("2.0|" + Base() + "pkg/|Patch.ZIP|");
  PutIni("1.0", "patch.zip");
  Put("patch.zip", "an older download");
  RunUpdate();
  ExpectOnly(UpdateNotice::kInstalled);
  ExpectExited();
  EXPECT_EQ(Read("data/map.dat"), "new map");
  EXPECT_EQ(Read("xconfig.ini"), Ini("2.0"));
  EXPECT_FALSE(Has("patch.zip") || Has("Patch.ZIP"));
}

// Outcome J, with the URL built from the cleaned fields.
TEST_F(Job, PlainFileWithoutProgramSaysFileUpdated) {
  QUELBO_SKIP_ON_WINDOWS(kQuestionMarkNameOnWindows);
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
    PutIni("1.0");
    ServeReply(c.reply);
    RunUpdate();
    ExpectOnly(UpdateNotice::kFileUpdated);
    ExpectExited();
    EXPECT_EQ(Read("xconfig.ini"), Ini("2.0"));
    EXPECT_FALSE(Has(c.package));
  }
}

// The download's progress reaches whoever owns the download client, through
// its work events: the count climbs to the package's length.
TEST_F(Job, TheDownloadClientTellsTheProgress) {
  StartServer();
  Serve("patch.dat", testsupport::PatternBytes(0, 100000));
  ServeReply("2.0|" + Base() + "|patch.dat|");
  PutIni("1.0");
  std::int32_t total = -1;
  std::vector<std::int32_t> counts;
  download.OnWorkBegin = [&](TObject*, TWorkMode, std::int32_t max) { total = max; };
  download.OnWork = [&](TObject*, TWorkMode, std::int32_t count) { counts.push_back(count); };
  RunUpdate();
  ExpectOnly(UpdateNotice::kFileUpdated);
  EXPECT_EQ(total, 100000);
  ASSERT_GE(counts.size(), 4u) << "one event per block of at most 32768 bytes";
  EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));
  EXPECT_EQ(counts.back(), 100000);
}

}  // namespace
