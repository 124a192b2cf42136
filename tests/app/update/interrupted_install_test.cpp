// The update procedure stopped among the renames that install an archive,
// as a kill or a power cut stops it: the next start, before anything else,
// completes the installation with its version, or undoes it where a new file
// is gone, so the installation is all old with "1.0" or all new with "2.0".
#include <sys/wait.h>
#include <unistd.h>

#include "JobFixture.h"
#include "app/update/InstallCompletion.h"
#include "zip/JournalRecord.h"

namespace {

using apptest::Job;
using apptest::MakeZip;

constexpr int kKilled = 77;

class InterruptedInstall : public Job {
 protected:
  void SetUp() override {
    Job::SetUp();
    StartServer();
    // Two files replaced (each moved aside, then the new one in) and two new ones.
    Serve("p.zip", MakeZip({{"data/a.txt", "new a"}, {"b.txt", "new b"}, {"c.txt", "new c"}, {"new/d.txt", "new d"}}));
    ServeReply(Reply());
    env.startProgram = [](const AnsiString&) -> Result<> { return {}; };
  }
  std::string Reply() { return "2.0|" + Base() + "|p.zip|"; }
  static constexpr std::size_t kRenames = 2 * 2 + 2 * 1;

  void OldInstallation() {
    for (const char* dir : {"data", "new"}) std::filesystem::remove_all(Installed(dir));
    for (const char* file : {"b.txt", "c.txt", "p.zip", kInstallJournalName}) std::filesystem::remove(Installed(file));
    PutIni("1.0");
    Put("data/a.txt", "old a");
    Put("b.txt", "old b");
    Put("save.dat", "the player's");
  }
  std::string Content(const std::string& name) {
    return std::filesystem::is_regular_file(Installed(name)) ? Read(name) : "-";
  }
  bool IsOld() {
    // The package, while it is there, is recorded as one the updater left.
    return Read("xconfig.ini") == Ini("1.0", Has("p.zip") ? "p.zip" : "") && Content("data/a.txt") == "old a" &&
           Content("b.txt") == "old b" && Content("c.txt") == "-" && Content("new/d.txt") == "-" &&
           Content("save.dat") == "the player's";
  }
  bool IsNew() {
    return Read("xconfig.ini") == Ini("2.0") && Content("data/a.txt") == "new a" && Content("b.txt") == "new b" &&
           Content("c.txt") == "new c" && Content("new/d.txt") == "new d" && Content("save.dat") == "the player's";
  }
  // The journal, the files waiting under temporary names and the old ones aside.
  std::vector<std::string> Leftovers() {
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::recursive_directory_iterator(install)) {
      const std::string name = e.path().filename();
      if (name.rfind(".quelbo", 0) == 0) left.push_back(std::filesystem::relative(e.path(), install));
    }
    return left;
  }

  // Runs the update in a child process that a kill ends after the given
  // number of renames; true when the kill came.
  bool KilledAfter(std::size_t renames) {
    const pid_t child = ::fork();
    if (child == 0) {
      zip.OnInstallRename = [renames](std::size_t done) {
        if (done == renames) ::_exit(kKilled);
      };
      RunUpdate();
      ::_exit(view.ends == std::vector<UpdateEnd>{UpdateEnd::kExit} ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && (WEXITSTATUS(status) == kKilled || WEXITSTATUS(status) == 0)) << status;
    return WIFEXITED(status) && WEXITSTATUS(status) == kKilled;
  }
};

TEST_F(InterruptedInstall, TheNextStartCompletesOrUndoesTheInstallationWithItsVersion) {
  for (const bool loseOne : {false, true}) {
    std::size_t kills = 0;
    for (std::size_t n = 0;; ++n) {
      SCOPED_TRACE((loseOne ? "a waiting file lost, killed after " : "killed after ") + std::to_string(n) + " renames");
      OldInstallation();
      ServeReply(Reply());
      if (!KilledAfter(n)) break;
      ++kills;
      EXPECT_EQ(Read("xconfig.ini"), Ini("1.0", "p.zip")) << "recorded before the files were in place";
      bool lost = false;
      const std::optional<zip::JournalRecord> journal = zip::DecodeJournal(Read(kInstallJournalName));
      ASSERT_TRUE(journal);
      for (const zip::JournalEntry& e : journal->entries) {
        const std::string temp = (std::filesystem::path(install) / e.target).parent_path() / e.temp;
        if (loseOne && !lost && std::filesystem::exists(temp)) lost = std::filesystem::remove(temp);
      }

      // The next start, while the server pauses updates: only the journal's work is done.
      ServeReply("0");
      RunUpdate();
      ExpectOnly(UpdateNotice::kPaused);
      EXPECT_TRUE(lost ? IsOld() : IsNew());
      EXPECT_EQ(Leftovers(), std::vector<std::string>{});
      // The package of a completed installation has done its job.
      EXPECT_EQ(Has("p.zip"), lost);

      // And the start after that brings the update, whatever was undone
      // (asking again about the files it replaces).
      ServeReply(Reply());
      view.answer = true;
      RunUpdate();
      EXPECT_EQ(view.notices, std::vector<UpdateNotice>{lost ? UpdateNotice::kInstalled : UpdateNotice::kCurrent});
      EXPECT_TRUE(view.failures.empty());
      EXPECT_TRUE(IsNew());
      EXPECT_EQ(Leftovers(), std::vector<std::string>{});
    }
    // A kill before the first rename and after each one.
    EXPECT_EQ(kills, kRenames + 1);
  }
}

TEST_F(InterruptedInstall, AJournalThatCannotBeCompletedIsToldAndWaitsForTheNextStart) {
  OldInstallation();
  ASSERT_TRUE(KilledAfter(1));  // data/a.txt is aside, its new content waits
  std::filesystem::create_directories(Installed("data/a.txt/in-the-way"));
  RunUpdate();
  ExpectOnlyFailure(UpdateFailure::kExtraction, "An interrupted installation cannot be completed: \"" +
                                                    Installed("data/a.txt") + "\". Is a directory");
  ExpectStopped();
  EXPECT_TRUE(Has(kInstallJournalName));
  EXPECT_EQ(Read("xconfig.ini"), Ini("1.0", "p.zip"));

  std::filesystem::remove_all(Installed("data/a.txt"));
  RunUpdate();
  ExpectOnly(UpdateNotice::kCurrent);
  EXPECT_TRUE(IsNew());
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});
}

TEST_F(InterruptedInstall, AMemberNamedLikeThePackageStaysWhenTheNextStartCompletes) {
  Serve("p.zip", MakeZip({{"p.zip", "the archive inside"}, {"b.txt", "new b"}}));
  OldInstallation();
  ASSERT_TRUE(KilledAfter(4));  // both old files aside, both new ones in place
  ServeReply("0");
  RunUpdate();
  ExpectOnly(UpdateNotice::kPaused);
  EXPECT_EQ(Read("xconfig.ini"), Ini("2.0"));
  EXPECT_EQ(Read("p.zip"), "the archive inside");
  EXPECT_EQ(Read("b.txt"), "new b");
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});
}

// An old file a completed installation could not remove (on Windows the
// running updater's own image, which an update renames aside) goes at the
// next start; nothing else does.
TEST_F(InterruptedInstall, AnOldFileLeftAsideGoesAtTheNextStart) {
  OldInstallation();
  const char* aside = ".quelbo-unzip-Ab12Cd";
  Put(aside, "the old updater");
  Put(".quelbo-unzip-note.txt", "the player's, only named like one");
  ServeReply("0");
  RunUpdate();
  ExpectOnly(UpdateNotice::kPaused);
  EXPECT_FALSE(Has(aside));
  EXPECT_TRUE(Has(".quelbo-unzip-note.txt"));
  EXPECT_TRUE(IsOld());
}

TEST(ReleaseRecord, ReadsBackWhatItWrote) {
  for (const ReleaseRecord& r : {ReleaseRecord{"2.0", std::nullopt, "p.zip"}, ReleaseRecord{"", 0, ""},
                                 ReleaseRecord{"v\n2|x", INT64_MAX, "a b.zip"}}) {
    EXPECT_EQ(DecodeReleaseRecord(EncodeReleaseRecord(r)), r) << r.version;
  }
  for (const char* bad : {"", "12", "\n2.0", "x\np.zip\n2.0", "-1\np.zip\n2.0", "9223372036854775808\np.zip\n2.0",
                          "1\n../p.zip\n2.0", "1\nsub/p.zip\n2.0"})
    EXPECT_FALSE(DecodeReleaseRecord(bad)) << bad;
}

}  // namespace
