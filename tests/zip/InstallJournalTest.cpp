// A run with an installation journal installs all of its members or none:
// a member that cannot be made or fails its check ends it, a rename refused
// at the end takes the others back, and a run killed among its renames is
// completed at the next start, or undone where a new file is gone. A journal
// is believed only whole, and only about files of the installation.
#include <stdlib.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "ExtractFixture.h"
#include "platform/Files.h"
#include "zip/InstallJournal.h"
#include "zip/JournalRecord.h"

namespace {

using namespace ziptest;
using zip::JournalOutcome;

constexpr int kKilled = 77;
// The child's orders, in its environment: the renames after which it stops,
// the archive, the destination and the journal, one to a line.
constexpr const char* kChildOrders = "QUELBO_JOURNAL_CHILD";

bool IsTemporary(const std::string& path) { return path.find(".quelbo-unzip-") != std::string::npos; }

// Runs this test program again as the child below; its exit code.
int RunChild(const std::string& orders) {
  const std::string self = platform::ToOsPath(platform::ExecutablePath());
  const std::string args = " --gtest_also_run_disabled_tests --gtest_filter=JournalChild.DISABLED_ExtractsUntilItsEnd";
#ifdef _WIN32
  _putenv_s(kChildOrders, orders.c_str());
  return std::system(("\"\"" + self + "\"" + args + " >NUL\"").c_str());
#else
  setenv(kChildOrders, orders.c_str(), 1);
  const int status = std::system((Quote(self) + args + " >/dev/null").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

// The child: extracts the package through the journal and ends the way a
// kill ends a program after as many renames as it was told, leaving
// everything as it stands.
TEST(JournalChild, DISABLED_ExtractsUntilItsEnd) {
  const char* orders = std::getenv(kChildOrders);
  ASSERT_TRUE(orders);
  std::istringstream in(orders);
  std::string renames, archive, dest, journal;
  std::getline(in, renames);
  std::getline(in, archive);
  std::getline(in, dest);
  std::getline(in, journal);
  TZipExtractor z(nullptr);
  z.SetZipName(archive);
  z.LoadDirectory();
  z.SetDestDir(dest);
  z.DoAll = true;
  z.RecreateDirs = true;
  z.OverwriteMode = TUZOverwriteMode::Always;
  z.SetInstallJournal(journal, "version 2.0");
  const std::size_t stop = std::stoul(renames);
  z.OnInstallRename = [stop](std::size_t done) {
    if (done == stop) std::_Exit(kKilled);
  };
  try {
    z.UnZip();
  } catch (...) {
    std::_Exit(1);
  }
  std::_Exit(0);
}

class JournaledExtract : public ExtractTest {
 protected:
  void SetUp() override {
    ExtractTest::SetUp();
    journal_ = dest_ + "/.journal";
    Reset();
  }

  // The installation before the update: two files the package replaces and
  // one of the player's own.
  void Reset() {
    fs::remove_all(dest_);
    fs::create_directories(dest_ + "/sub");
    WriteFile(dest_ + "/a.txt", "old a");
    WriteFile(dest_ + "/sub/b.txt", "old b");
    WriteFile(dest_ + "/keep.txt", "the player's");
    z_.SetInstallJournal(journal_, "version 2.0");
    z_.OverwriteMode = TUZOverwriteMode::Always;
    z_.OnInstallRename = nullptr;
  }
  // Two replaced files (two renames each: aside, in) and two new ones (one each).
  static std::vector<Member> Package() {
    return {M("a.txt", "new a"), M("sub/b.txt", "new b"), M("c.txt", "new c"), M("newdir/d.txt", "new d")};
  }
  static constexpr std::size_t kRenames = 2 * 2 + 2 * 1;

  std::string Content(const std::string& name) {
    return fs::is_regular_file(dest_ + "/" + name) ? ReadFile(dest_ + "/" + name) : "-";
  }
  bool IsOld() {
    return Content("a.txt") == "old a" && Content("sub/b.txt") == "old b" && Content("c.txt") == "-" &&
           Content("newdir/d.txt") == "-" && Content("keep.txt") == "the player's";
  }
  bool IsNew() {
    return Content("a.txt") == "new a" && Content("sub/b.txt") == "new b" && Content("c.txt") == "new c" &&
           Content("newdir/d.txt") == "new d" && Content("keep.txt") == "the player's";
  }
  // Nothing of the installing run left: no journal, no temporary file, no old file aside.
  std::vector<std::string> Leftovers() {
    std::vector<std::string> left;
    for (const std::string& n : DestTree())
      if (IsTemporary(n) || n == ".journal") left.push_back(n);
    return left;
  }
  JournalOutcome Complete() {
    return zip::CompleteInstall(journal_, [this](const std::string& payload, const std::vector<std::string>&) {
      recorded_.push_back(payload);
    });
  }
  // What a run that throws tells.
  std::string FailureOf(const std::vector<Member>& members) {
    try {
      Extract(members);
    } catch (const Exception& e) {
      return std::string(e.ClassName()) + ": " + e.Message();
    }
    return "no failure";
  }
  // Extracts the package in a child process that a kill ends after the
  // given number of renames; true when the kill came.
  bool KilledAfter(std::size_t renames) {
    WriteFile(dir_ / "pkg.zip", BuildArchive(Package()));
    const int status =
        RunChild(std::to_string(renames) + "\n" + (dir_ / "pkg.zip") + "\n" + dest_ + "\n" + journal_ + "\n");
    EXPECT_TRUE(status == kKilled || status == 0) << status;
    return status == kKilled;
  }

  std::string journal_;
  std::vector<std::string> recorded_;
};

TEST_F(JournaledExtract, OldFilesWaitAsideUntilTheInstallationIsCompleted) {
  EXPECT_EQ(Extract(Package()), 4);
  EXPECT_TRUE(IsNew());
  const std::vector<std::string> left = Leftovers();
  EXPECT_EQ(std::count_if(left.begin(), left.end(), IsTemporary), 2) << "the two old files";
  EXPECT_TRUE(fs::exists(journal_));
  EXPECT_TRUE(recorded_.empty());

  EXPECT_EQ(Complete(), JournalOutcome::kCompleted);
  EXPECT_EQ(recorded_, std::vector<std::string>{"version 2.0"});
  EXPECT_TRUE(IsNew());
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});
  EXPECT_EQ(Complete(), JournalOutcome::kNone);
  EXPECT_EQ(recorded_.size(), 1u);
}

TEST_F(JournaledExtract, AKillAmongTheRenamesIsCompletedOrUndoneAtTheNextStart) {
  for (const bool loseOne : {false, true}) {
    std::size_t kills = 0;
    for (std::size_t n = 0;; ++n) {
      SCOPED_TRACE((loseOne ? "a waiting file lost, killed after " : "killed after ") + std::to_string(n) + " renames");
      Reset();
      recorded_.clear();
      if (!KilledAfter(n)) break;
      ++kills;
      // As the kill left it: the journal is there, and the files are mixed.
      ASSERT_TRUE(fs::exists(journal_));
      std::optional<zip::JournalRecord> journal = zip::DecodeJournal(ReadFile(journal_));
      ASSERT_TRUE(journal);
      EXPECT_FALSE(journal->moved);
      bool lost = false;
      for (const zip::JournalEntry& e : journal->entries) {
        const fs::path temp = (FsPath(dest_) / FsPath(e.target)).parent_path() / FsPath(e.temp);
        if (loseOne && !lost && fs::exists(temp)) lost = fs::remove(temp);
      }

      const JournalOutcome outcome = Complete();
      if (lost) {
        EXPECT_EQ(outcome, JournalOutcome::kUndone);
        EXPECT_TRUE(IsOld());
        EXPECT_TRUE(recorded_.empty());
      } else {
        EXPECT_EQ(outcome, JournalOutcome::kCompleted);
        EXPECT_TRUE(IsNew());
        EXPECT_EQ(recorded_, std::vector<std::string>{"version 2.0"});
      }
      EXPECT_EQ(Leftovers(), std::vector<std::string>{});
    }
    // A kill before the first rename and after each one.
    EXPECT_EQ(kills, kRenames + 1);
  }
}

TEST_F(JournaledExtract, AMemberThatCannotBeMadeOrFailsItsCheckEndsTheRunAndInstallsNothing) {
  struct Case {
    const char* name;
    std::function<void(std::vector<Member>&)> arrange;
    std::string failure;
  };
  const std::string d = dest_;
  const Case cases[] = {
      {"a directory where a file goes", [&](auto&) { fs::create_directory(d + "/c.txt"); },
       "EFCreateError: Cannot create file \"" + d + "/c.txt\". Is a directory"},
      {"a file where a directory goes", [&](auto&) { WriteFile(d + "/newdir", "a file"); },
       "EFCreateError: Cannot create file \"" + d + "/newdir/d.txt\". Not a directory"},
      {"a read-only file", [&](auto&) { fs::permissions(d + "/sub/b.txt", fs::perms::owner_read); },
       "EFCreateError: Cannot create file \"" + d + "/sub/b.txt\". Permission denied"},
      {"a file where a directory entry goes",
       [&](auto& members) {
         WriteFile(d + "/emptydir", "a file");
         members.push_back(M("emptydir/", ""));
       },
       "EFCreateError: Cannot create directory \"" + d + "/emptydir/\". File exists"},
      {"a checksum that does not match", [](auto& members) { members[3].crcOverride = 1234; },
       "EMemberCheckFailed: CRC error in file newdir\\d.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    std::vector<Member> members = Package();
    c.arrange(members);
    EXPECT_EQ(FailureOf(members), c.failure);
    EXPECT_TRUE(IsOld());
    EXPECT_EQ(Leftovers(), std::vector<std::string>{});
    fs::permissions(d + "/sub/b.txt", fs::perms::owner_all);
  }
}

TEST_F(JournaledExtract, ANameRefusedAmongTheRenamesTakesEveryOtherBack) {
  // Once a.txt and sub/b.txt are in place, a directory stands where c.txt goes.
  z_.OnInstallRename = [&](std::size_t done) {
    if (done == 4) fs::create_directory(dest_ + "/c.txt");
  };
  EXPECT_EQ(FailureOf(Package()), "EFCreateError: Cannot create file \"" + dest_ + "/c.txt\". Is a directory");
  fs::remove(dest_ + "/c.txt");
  EXPECT_TRUE(IsOld());
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});
  EXPECT_EQ(Complete(), JournalOutcome::kNone);
}

TEST_F(JournaledExtract, AFailedRunLeavesNoDirectoryInTheWayOfTheNext) {
  // "x" waits as a file while "x/y.txt" makes the directory x; then x cannot
  // take its name. The directories that run made go with it.
  EXPECT_EQ(FailureOf({M("x", "a file"), M("deep/er/z.txt", "z"), M("x/y.txt", "y")}),
            "EFCreateError: Cannot create file \"" + dest_ + "/x\". Is a directory");
  EXPECT_EQ(DestTree(), (std::vector<std::string>{"a.txt", "keep.txt", "sub/", "sub/b.txt"}));
  EXPECT_EQ(Extract({M("x", "a file")}), 1);
  EXPECT_EQ(Complete(), JournalOutcome::kCompleted);
  EXPECT_EQ(Content("x"), "a file");
}

TEST_F(JournaledExtract, DeclinedMembersAndRefusedNamesAreOnlyLeftOut) {
  z_.OverwriteMode = TUZOverwriteMode::Prompt;  // answered No
  std::vector<Member> members = Package();
  members.push_back(M("../outside.txt", "refused"));
  EXPECT_EQ(Extract(members), 2);
  EXPECT_EQ(boxes_.requests.size(), 3u) << "two questions and the refused name";
  EXPECT_EQ(Complete(), JournalOutcome::kCompleted);
  EXPECT_EQ(Content("a.txt"), "old a");
  EXPECT_EQ(Content("c.txt"), "new c");
  EXPECT_EQ(Content("newdir/d.txt"), "new d");
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});
}

TEST_F(JournaledExtract, NoRunBeginsWhileAnEarlierRunsJournalWaits) {
  WriteFile(journal_, "left by an earlier run");
  EXPECT_EQ(FailureOf(Package()), "EInstallJournal: An unfinished installation waits in \"" + journal_ + "\"");
  EXPECT_TRUE(IsOld());
}

TEST(JournalRecord, ReadsBackWhatItWroteAndNothingElse) {
  const zip::JournalRecord record{
      true,
      "2.0\nserial 7",
      {{"a b/c:\nd", ".quelbo-unzip-AbC123", ""}, {"x.txt", ".quelbo-unzip-000000", ".quelbo-unzip-zzzzzz"}}};
  const std::string bytes = zip::EncodeJournal(record);
  EXPECT_EQ(zip::DecodeJournal(bytes), record);
  for (std::size_t cut = 0; cut < bytes.size(); ++cut)
    EXPECT_FALSE(zip::DecodeJournal(bytes.substr(0, cut))) << "cut at " << cut;
  EXPECT_FALSE(zip::DecodeJournal(bytes + "x"));

  // Entries that would reach beyond the installation or files not its own.
  for (const zip::JournalEntry& e : std::vector<zip::JournalEntry>{
           {"../outside.txt", ".quelbo-unzip-AbC123", ""},
           {"a/../../outside.txt", ".quelbo-unzip-AbC123", ""},
           {"/etc/passwd", ".quelbo-unzip-AbC123", ""},
           {"", ".quelbo-unzip-AbC123", ""},
           {"a.txt", "save.dat", ""},
           {"a.txt", "sub/.quelbo-unzip-AbC123", ""},
           {"a.txt", ".quelbo-unzip-AbC123", "save.dat"},
       }) {
    EXPECT_FALSE(zip::DecodeJournal(zip::EncodeJournal({false, "", {e}})))
        << e.target << " " << e.temp << " " << e.backup;
  }
}

TEST(JournalRecord, AJournalThatCannotBeReadIsDroppedAndNothingMoves) {
  ScratchDir dir;
  WriteFile(dir / "a.txt", "old a");
  WriteFile(dir / ".quelbo-unzip-AbC123", "new a");
  const std::string bytes = zip::EncodeJournal({false, "2.0", {{"a.txt", ".quelbo-unzip-AbC123", ""}}});
  WriteFile(dir / ".journal", bytes.substr(0, bytes.size() - 1));
  bool recorded = false;
  EXPECT_EQ(zip::CompleteInstall(dir / ".journal",
                                 [&](const std::string&, const std::vector<std::string>&) { recorded = true; }),
            JournalOutcome::kDiscarded);
  EXPECT_FALSE(recorded);
  EXPECT_EQ(ReadFile(dir / "a.txt"), "old a");
  EXPECT_EQ(ListTree(dir.path()), (std::vector<std::string>{".quelbo-unzip-AbC123", "a.txt"}));
}

}  // namespace
