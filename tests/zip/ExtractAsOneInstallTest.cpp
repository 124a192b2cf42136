// A run installs what it verified all at once, at its end: a run that fails
// part way leaves every target as it was, and names that wait count as taken.
// The archive may also be read from memory that holds its bytes.
#include "ExtractFixture.h"

namespace {

using namespace ziptest;

TEST_F(ExtractTest, ARunThatFailsPartWayInstallsNothing) {
  WriteFile(dest_ + "/a.txt", "old a");
  WriteFile(dest_ + "/b.txt", "old b");
  Member cut = M("b.txt", "new b");
  cut.compressedSizeOverride = 1000000;  // its data ends long before that
  z_.OverwriteMode = TUZOverwriteMode::Always;
  std::vector<std::string> verified;
  z_.OnEndUnZip = [&](TObject*, int, const AnsiString& name) { verified.push_back(name); };
  EXPECT_THROW(Extract({M("a.txt", "new a"), M("sub/c.txt", "new c"), cut}), EFatalUnzipError);
  EXPECT_EQ(verified.size(), 2u) << "the first two members were good";
  EXPECT_EQ(ReadFile(dest_ + "/a.txt"), "old a");
  EXPECT_EQ(ReadFile(dest_ + "/b.txt"), "old b");
  // Nothing else: not the directory made for c.txt, no temporary file anywhere.
  EXPECT_EQ(DestTree(), (std::vector<std::string>{"a.txt", "b.txt"}));
}

TEST_F(ExtractTest, EverythingVerifiedIsInstalledAtTheEndAndOnDiskWhenAsked) {
  WriteFile(dest_ + "/a.txt", "old a");
  for (const bool sync : {false, true}) {
    SCOPED_TRACE(sync ? "synced" : "not synced");
    z_.SyncOnCompletion = sync;
    z_.OverwriteMode = TUZOverwriteMode::Always;
    bool installedEarly = false;
    z_.OnEndUnZip = [&](TObject*, int, const AnsiString&) {
      installedEarly = installedEarly || ReadFile(dest_ + "/a.txt") != "old a" || fs::exists(dest_ + "/deep/er/b.txt");
    };
    EXPECT_EQ(Extract({M("a.txt", "new a"), M("deep/er/b.txt", "b"), M("deep/", "")}), 3);
    EXPECT_FALSE(installedEarly) << "a file took its name before the run completed";
    EXPECT_EQ(ReadFile(dest_ + "/a.txt"), "new a");
    EXPECT_EQ(ReadFile(dest_ + "/deep/er/b.txt"), "b");
    EXPECT_EQ(DestTree(), (std::vector<std::string>{"a.txt", "deep/", "deep/er/", "deep/er/b.txt"}));
    WriteFile(dest_ + "/a.txt", "old a");
    fs::remove_all(dest_ + "/deep");
  }
}

TEST_F(ExtractTest, ANameAlreadyWaitingCountsAsAnExistingFile) {
  // Twice the same name: the second asks, as it would had the first been
  // renamed at once; answered No, the first one's content stays.
  EXPECT_EQ(Extract({M("twice.txt", "first"), M("twice.txt", "second")}), 1);
  EXPECT_EQ(boxes_.requests.size(), 1u);
  EXPECT_EQ(ReadFile(dest_ + "/twice.txt"), "first");
  ASSERT_EQ(skipped_.size(), 1u);
  EXPECT_EQ(skipped_[0].reason, srNoOverwrite);
}

TEST_F(ExtractTest, ANameThatCannotBeTakenAtTheEndIsACreateError) {
  // The directory entry "x/" is made while the file "x" still waits under
  // its temporary name; then the file cannot take the name.
  EXPECT_EQ(Extract({M("x", "a file"), M("x/", ""), M("y.txt", "y")}), 2);
  ASSERT_EQ(skipped_.size(), 1u);
  EXPECT_EQ(skipped_[0].reason, srCreateError);
  EXPECT_EQ(skipped_[0].name, dest_ + "/x");
  EXPECT_EQ(DestTree(), (std::vector<std::string>{"x/", "y.txt"}));
}

TEST_F(ExtractTest, ArchiveContentInMemoryIsReadInsteadOfTheFile) {
  Member deflated = M("docs/readme.txt", std::string(5000, 'r'));
  deflated.method = 8;
  deflated.compressed = Deflate(deflated.data);
  deflated.useCompressed = true;
  const std::string archive = BuildArchive({M("a.txt", "from memory"), deflated});
  // The file of that name is something else altogether.
  WriteFile(dir_ / "pkg.zip", "not an archive at all");
  z_.SetZipName(dir_ / "pkg.zip");
  z_.SetArchiveContent(archive.data(), archive.size());
  z_.LoadDirectory();
  ASSERT_EQ(z_.MemberCount(), 2);
  z_.SetDestDir(dest_);
  z_.DoAll = true;
  z_.RecreateDirs = true;
  EXPECT_EQ(z_.UnZip(), 2);
  EXPECT_EQ(ReadFile(dest_ + "/a.txt"), "from memory");
  EXPECT_EQ(ReadFile(dest_ + "/docs/readme.txt"), deflated.data);

  // Without the content the file is read again.
  z_.SetArchiveContent(nullptr, 0);
  EXPECT_THROW(z_.UnZip(), EIncompleteZip);
}

}  // namespace
