// Extraction rules: where members go, what happens to existing files, how
// members are verified, and what is reported on the way.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

#include <algorithm>

#include "ExtractFixture.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/FileAttributes.h"
#include "platform/FileHandle.h"
#include "platform/PathNames.h"

using namespace ziptest;

namespace {

TEST_F(ExtractTest, DirectoryEntryAndFileInIt) {
  Member d = M("bin/", "");
  d.externalAttributes = (040750u << 16) | 0x10;
  EXPECT_EQ(Extract({d, M("bin/a.dll", "dll")}), 2);
  EXPECT_EQ(ReadFile(dest_ + "/bin/a.dll"), "dll");
  platform::PathStatus st;
  ASSERT_TRUE(platform::GetPathStatus(dest_ + "/bin", st));
  EXPECT_EQ(st.kind, platform::PathStatus::Directory);
  if (!platform::kBackslashSeparates) {
    EXPECT_EQ(st.permissions & 0777, 0750u);  // Linux's bits
  }
}

TEST_F(ExtractTest, StoredPrefixesAreDroppedAndNamesStayBelowTheDestination) {
  struct Case {
    std::string stored;
    std::string landsAt;  // empty: refused
  };
  std::vector<Case> cases = {
      {"\\x\\y.txt", "x/y.txt"},
      {"C:\\x\\y2.txt", "x/y2.txt"},
      {"/abs/z.txt", "abs/z.txt"},
      {"win\\dir\\f.txt", "win/dir/f.txt"},
      {"../evil.txt", ""},
      {"a/../../evil2.txt", ""},
      {"a\\..\\..\\evil3.txt", ""},
      {"..", ""},
      {"ok/..", ""},
      // Names that Windows, where the players are, reads as something else.
      {"C:drive-relative.txt", ""},
      {"C:rel\\in-drive.txt", ""},
      {"\\\\server\\share\\unc.txt", ""},
      {"//server/share/unc2.txt", ""},
      {"notes.txt:stream", ""},
      {"dir:stream/f.txt", ""},
      {"CON", ""},
      {"con.txt", ""},
      {"Aux.tar.gz", ""},
      {"nul", ""},
      {"PRN .log", ""},
      {"COM1", ""},
      {"lpt9.dat", ""},
      {"CONIN$", ""},
      {"COM\u00B9.txt", ""},
      {"devices/LPT3/f.txt", ""},
      {"dev/COM1", ""},
      {"dev/aux.txt", ""},
      {"x:y/z.txt", ""},
      {"a/b:c/d.txt", ""},
      {"trailing-dot.", ""},
      {"trailing-blank ", ""},
      {"dots.../f.txt", ""},
      {"blank /f.txt", ""},
      // Names that only look like those.
      {"COM10.txt", "COM10.txt"},
      {"console.txt", "console.txt"},
      {"CON_x/nul-like.txt", "CON_x/nul-like.txt"},
      {"a .b.c", "a .b.c"},
      {".hidden", ".hidden"},
  };
  // Without a GB18030 converter (Wine's) "¹" has no code here, and the name
  // reads as code page 936 text: a name that only looks like a port.
  if (!platform::Utf8ToCp936Exact("\u00B9"))
    std::erase_if(cases, [](const Case& c) { return c.stored == "COM\u00B9.txt"; });
  std::vector<Member> members;
  for (const Case& c : cases) members.push_back(M(c.stored, "data of " + c.stored));
  members.push_back(M("last.txt", "still extracted"));
  int expected = 1;
  std::vector<std::string> refusals;
  for (const Case& c : cases) {
    expected += c.landsAt.empty() ? 0 : 1;
    std::string shown = c.stored;
    std::replace(shown.begin(), shown.end(), '/', '\\');
    if (c.landsAt.empty()) refusals.push_back("Invalid file name: " + shown);
  }
  EXPECT_EQ(Extract(members), expected);
  for (const Case& c : cases) {
    if (!c.landsAt.empty()) {
      EXPECT_EQ(ReadFile(dest_ + "/" + c.landsAt), "data of " + c.stored) << c.stored;
    }
  }
  EXPECT_EQ(ReadFile(dest_ + "/last.txt"), "still extracted");
  // Nothing beside the destination, and each refused member told in a box of its own and reported.
  EXPECT_EQ(ListTree(dir_.path()).size(), ListTree(dest_).size() + 2);  // + "dest/" and "pkg.zip"
  std::vector<std::string> told;
  for (const MessageBoxRequest& box : boxes_.requests) told.push_back(platform::Cp936ToUtf8(box.text));
  EXPECT_EQ(told, refusals);
  ASSERT_EQ(skipped_.size(), refusals.size());
  for (const Skipped& s : skipped_) EXPECT_EQ(s.reason, srCreateError);
}

TEST_F(ExtractTest, WithoutRecreateDirsEverythingLandsInTheDestination) {
  WriteFile(dir_ / "pkg.zip", BuildArchive({M("a/b.txt", "b"), M("c/", "")}));
  z_.SetZipName(dir_ / "pkg.zip");
  z_.SetDestDir(dest_ + "/");
  z_.DoAll = true;
  EXPECT_EQ(z_.UnZip(), 2);  // the directory entry counts, though nothing is made for it
  EXPECT_EQ(DestTree(), std::vector<std::string>{"b.txt"});
}

TEST_F(ExtractTest, RootDirIsRemovedFromTheStoredPath) {
  z_.SetRootDir("Top");
  EXPECT_EQ(Extract({M("top/sub/f.txt", "f"), M("other/g.txt", "g")}), 2);
  EXPECT_EQ(DestTree(), (std::vector<std::string>{"other/", "other/g.txt", "sub/", "sub/f.txt"}));
}

TEST_F(ExtractTest, OverwritePromptAsksOncePerExistingFile) {
  WriteFile(dest_ + "/a.txt", "old a");
  WriteFile(dest_ + "/b.txt", "old b");
  EXPECT_EQ(Extract({M("a.txt", "new a"), M("b.txt", "new b"), M("c.txt", "new c")}), 1);
  ASSERT_EQ(boxes_.requests.size(), 2u);
  EXPECT_EQ(boxes_.requests[0].text, "Replace existing file a.txt?");
  EXPECT_EQ(boxes_.requests[0].caption, "File Exists Alert");
  EXPECT_EQ(boxes_.requests[0].type & 0xF, static_cast<UINT>(MB_YESNO));
  EXPECT_EQ(ReadFile(dest_ + "/a.txt"), "old a");
  ASSERT_EQ(skipped_.size(), 2u);
  EXPECT_EQ(skipped_[0].reason, srNoOverwrite);
  EXPECT_EQ(skipped_[0].name, dest_ + "/a.txt");

  boxes_.answer = IDYES;
  EXPECT_EQ(z_.UnZip(), 3);
  EXPECT_EQ(ReadFile(dest_ + "/a.txt"), "new a");
}

TEST_F(ExtractTest, OverwriteModes) {
  Member m = M("a.txt", "from archive");
  m.dateTime = DosDateTime(2020, 6, 1, 12, 0, 0);
  struct Case {
    TUZOverwriteMode mode;
    int existingYear;
    bool replaced;
  };
  const Case cases[] = {
      {TUZOverwriteMode::Always, 2030, true}, {TUZOverwriteMode::Never, 2010, false},
      {TUZOverwriteMode::ifNewer, 2010, true}, {TUZOverwriteMode::ifNewer, 2030, false},
      {TUZOverwriteMode::ifOlder, 2030, true}, {TUZOverwriteMode::ifOlder, 2010, false},
  };
  for (const Case& c : cases) {
    WriteFile(dest_ + "/a.txt", "existing");
    Shell("touch -d '" + std::to_string(c.existingYear) + "-01-01 00:00' " + Quote(dest_ + "/a.txt"));
    z_.OverwriteMode = c.mode;
    EXPECT_EQ(Extract({m}), c.replaced ? 1 : 0);
    EXPECT_EQ(ReadFile(dest_ + "/a.txt"), c.replaced ? "from archive" : "existing") << static_cast<int>(c.mode);
  }
  EXPECT_TRUE(boxes_.requests.empty());
}

TEST_F(ExtractTest, CrcMismatchKeepsTheExistingTargetAndLeavesNothingBehind) {
  WriteFile(dest_ + "/a.txt", "the old, good file");
  Member bad = M("a.txt", "new data");
  bad.crcOverride = 0x12345678;
  z_.OverwriteMode = TUZOverwriteMode::Always;
  EXPECT_EQ(Extract({bad, M("b.txt", "fine")}), 1);
  EXPECT_EQ(ReadFile(dest_ + "/a.txt"), "the old, good file");
  EXPECT_EQ(DestTree(), (std::vector<std::string>{"a.txt", "b.txt"}));
  ASSERT_EQ(badCrc_.size(), 1u);
  EXPECT_EQ(badCrc_[0].first, Crc32("new data"));
  EXPECT_EQ(badCrc_[0].second, 0x12345678u);
}

TEST_F(ExtractTest, ReadOnlyTargets) {
  for (bool replace : {false, true}) {
    WriteFile(dest_ + "/ro.txt", "read-only original");
    fs::permissions(FsPath(dest_ + "/ro.txt"), static_cast<fs::perms>(0444));
    z_.OverwriteMode = TUZOverwriteMode::Always;
    z_.ReplaceReadOnly = replace;
    skipped_.clear();
    EXPECT_EQ(Extract({M("ro.txt", "replacement")}), replace ? 1 : 0);
    EXPECT_EQ(ReadFile(dest_ + "/ro.txt"), replace ? "replacement" : "read-only original");
    if (!replace) {
      ASSERT_EQ(skipped_.size(), 1u);
      EXPECT_EQ(skipped_[0].reason, srCreateError);
    }
    fs::permissions(FsPath(dest_ + "/ro.txt"), static_cast<fs::perms>(0644));
  }
}

TEST_F(ExtractTest, PermissionBitsAndLinks) {
  Member exe = M("run.sh", "#!/bin/sh\n"), ro = M("ro.txt", "r"), dosRo = M("dos.txt", "d"), link = M("link", "target.txt");
  exe.externalAttributes = 0100755u << 16;
  ro.externalAttributes = (0100644u << 16) | 0x01;
  dosRo.madeBy = 0x0014;
  dosRo.externalAttributes = 0x21;  // read-only, archive
  link.externalAttributes = 0120777u << 16;
  EXPECT_EQ(Extract({exe, ro, dosRo, link}), 4);
  auto mode = [&](const std::string& n) {
    platform::PathStatus st;
    platform::GetPathStatus(dest_ + "/" + n, st);
    return st.permissions;
  };
  if (!platform::kBackslashSeparates) {  // Linux's permission bits
    EXPECT_EQ(mode("run.sh") & 0777, 0755u);
    EXPECT_EQ(mode("ro.txt") & 0777, 0444u);
  }
  EXPECT_TRUE(platform::IsReadOnlyFile(dest_ + "/ro.txt"));
  EXPECT_TRUE(platform::IsReadOnlyFile(dest_ + "/dos.txt"));
  EXPECT_FALSE(platform::IsReadOnlyFile(dest_ + "/run.sh"));
  EXPECT_FALSE(fs::is_symlink(fs::symlink_status(FsPath(dest_ + "/link"))));  // never a symbolic link
  EXPECT_EQ(ReadFile(dest_ + "/link"), "target.txt");
}

TEST_F(ExtractTest, FileTimeComesFromTheMsDosDateAndTime) {
  Member m = M("t.txt", "t");
  m.dateTime = DosDateTime(2019, 7, 14, 9, 30, 42);
  EXPECT_EQ(Extract({m}), 1);
  platform::PathStatus st;
  ASSERT_TRUE(platform::GetPathStatus(dest_ + "/t.txt", st));
  std::tm tm{};
  platform::LocalCalendarTime(static_cast<std::time_t>(st.modifiedNs / 1000000000), tm);
  EXPECT_EQ(tm.tm_year + 1900, 2019);
  EXPECT_EQ(tm.tm_mon + 1, 7);
  EXPECT_EQ(tm.tm_mday, 14);
  EXPECT_EQ(tm.tm_hour, 9);
  EXPECT_EQ(tm.tm_min, 30);
  EXPECT_EQ(tm.tm_sec, 42);
}

TEST_F(ExtractTest, NamesLandUnderTheNamesTheirAuthorsSaw) {
  struct Case {
    std::string stored;
    std::uint16_t madeBy;
    std::uint16_t flags;
    std::string landsAt;  // UTF-8 on disk; empty: refused
  };
  const Case cases[] = {
      {"\xD6\xD0\xCE\xC4.txt", 0x0014, 0, "中文.txt"},  // code page 936 from a Windows host
      {"été.txt", 0x0314, 0, "été.txt"},                // raw UTF-8 from Unix
      // Names that code page 936 cannot hold keep every character, so two of
      // them never collapse into one file.
      {"한.txt", 0x0314, 0x0800, "한.txt"},
      {"국.txt", 0x0314, 0x0800, "국.txt"},
      {"한국/파일 😀.txt", 0x0314, 0, "한국/파일 😀.txt"},
      {"\xFF\xFE.txt", 0x0014, 0, ""},  // bytes that read as no character at all
  };
  std::vector<Member> members;
  for (const Case& c : cases) {
    Member m = M(c.stored, "data of " + c.stored);
    m.madeBy = c.madeBy;
    m.flags = c.flags;
    members.push_back(m);
  }
#ifdef _WIN32
  // Windows converts GB18030 as code page 54936, which Wine does not have.
  if (!platform::Utf8ToCp936Exact("한")) GTEST_SKIP() << "the system has no GB18030 converter (code page 54936)";
#endif
  EXPECT_EQ(Extract(members), 5);
  std::vector<std::string> expected = {"한국/"};
  for (const Case& c : cases)
    if (!c.landsAt.empty()) {
      expected.push_back(c.landsAt);
      EXPECT_EQ(ReadFile(dest_ + "/" + c.landsAt), "data of " + c.stored);
    }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(DestTree(), expected);
  // The refused member is reported, not dropped in silence.
  ASSERT_EQ(skipped_.size(), 1u);
  EXPECT_EQ(skipped_[0].reason, srCreateError);
  ASSERT_EQ(boxes_.requests.size(), 1u);
  EXPECT_EQ(boxes_.requests[0].caption, "Zip Error");
  EXPECT_EQ(boxes_.requests[0].text.rfind("Invalid file name: ", 0), 0u) << boxes_.requests[0].text;
}

TEST_F(ExtractTest, UnsupportedMethodShowsTheBoxAndWritesNothing) {
  Member m9 = M("d64.bin", "pretend deflate64"), empty = M("empty.bin", "");
  m9.method = 9;
  empty.method = 9;
  EXPECT_EQ(Extract({m9, empty}), 1);  // an empty member with CRC 0 passes
  ASSERT_EQ(boxes_.requests.size(), 2u);
  EXPECT_EQ(boxes_.requests[0].text, "Unknown Compression Method");
  EXPECT_EQ(boxes_.requests[0].caption, "Zip Error");
  EXPECT_EQ(DestTree(), std::vector<std::string>{"empty.bin"});
}

TEST_F(ExtractTest, EncryptedMemberWithAWrongPasswordIsSkippedOrRetried) {
  ScratchDir src;
  WriteFile(src / "secret.txt", "classified contents\n");
  ASSERT_EQ(Shell("cd " + Quote(src.path()) + " && zip -q -X -P right " + Quote(dir_ / "enc.zip") + " secret.txt"), 0);
  z_.SetZipName(dir_ / "enc.zip");
  z_.SetDestDir(dest_);
  z_.DoAll = true;
  EXPECT_EQ(z_.UnZip(), 0);
  ASSERT_EQ(skipped_.size(), 1u);
  EXPECT_EQ(skipped_[0].reason, srBadPassword);
  EXPECT_EQ(skipped_[0].name, "secret.txt");

  std::vector<std::string> offered;
  z_.OnBadPassword = [&](TObject*, int, AnsiString& pw) {
    offered.push_back(pw);
    pw = "right";
  };
  z_.Password = "wrong";
  EXPECT_EQ(z_.UnZip(), 1);
  EXPECT_EQ(offered, std::vector<std::string>{"wrong"});
  EXPECT_EQ(ReadFile(dest_ + "/secret.txt"), "classified contents\n");
}

TEST_F(ExtractTest, SelectionByMasksAndTheEvents) {
  std::vector<Member> members = {M("docs/readme.txt", "r"), M("docs/a1.dat", "a"), M("bin/x1.dat", "x"),
                                 M("bin/tool", std::string(1000, 't'))};
  WriteFile(dir_ / "pkg.zip", BuildArchive(members));
  z_.SetZipName(dir_ / "pkg.zip");
  z_.SetDestDir(dest_);
  z_.RecreateDirs = true;
  z_.FilesList().Add("*.TXT");
  z_.FilesList().Add("*<a-c>?.dat");  // masks see directory + file name
  int infoCount = -1;
  std::int64_t infoBytes = -1;
  std::vector<int> filePercents;
  std::vector<std::string> ended;
  int completed = -1;
  z_.OnStartUnZipInfo = [&](TObject*, int n, std::int64_t bytes, bool&) { infoCount = n, infoBytes = bytes; };
  z_.OnFilePercentDone = [&](TObject*, int p) { filePercents.push_back(p); };
  z_.OnEndUnZip = [&](TObject*, int, const AnsiString& n) { ended.push_back(n); };
  z_.OnUnZipComplete = [&](TObject*, int n) { completed = n; };
  EXPECT_EQ(z_.UnZip(), 2);
  EXPECT_EQ(infoCount, 2);
  EXPECT_EQ(infoBytes, 2);
  EXPECT_EQ(completed, 2);
  EXPECT_EQ(ended, (std::vector<std::string>{dest_ + "/docs/readme.txt", dest_ + "/docs/a1.dat"}));
  EXPECT_EQ(filePercents, (std::vector<int>{100, 100}));
  EXPECT_EQ(z_.FilesList().Count(), 0);  // emptied by every UnZip

  // StopNow extracts nothing; Skip and a changed target name act per member.
  z_.DoAll = true;
  z_.OnStartUnZipInfo = [&](TObject*, int, std::int64_t, bool& stop) { stop = true; };
  EXPECT_EQ(z_.UnZip(), 0);
  z_.OnStartUnZipInfo = nullptr;
  z_.OnStartUnZip = [&](TObject*, int i, AnsiString& name, bool& skip) {
    if (z_.FileName(i) == "tool") name = dest_ + "/renamed-tool";
    skip = z_.FileName(i) == "x1.dat";
  };
  z_.OverwriteMode = TUZOverwriteMode::Always;
  EXPECT_EQ(z_.UnZip(), 3);
  EXPECT_EQ(ReadFile(dest_ + "/renamed-tool"), std::string(1000, 't'));
  EXPECT_FALSE(fs::exists(dest_ + "/bin/x1.dat"));
}

TEST_F(ExtractTest, ClaimedSizesAreCheckedNotTrusted) {
  Member longer = M("longer.txt", std::string(100, 'L')), huge = M("huge.txt", "tiny"), shorter = M("short.txt", "abc");
  longer.sizeOverride = 10;             // decodes to more than recorded
  huge.sizeOverride = 0xFFFFFFF0;       // claims 4 GB, holds 4 bytes
  shorter.sizeOverride = 3 + 1000;      // right CRC, but shorter than recorded
  EXPECT_EQ(Extract({longer, huge, shorter}), 0);
  EXPECT_EQ(badCrc_.size(), 3u);
  EXPECT_TRUE(DestTree().empty());
}

TEST_F(ExtractTest, DataEndingBeforeTheRecordedSizeRaisesAndKeepsTheOldFile) {
  WriteFile(dest_ + "/a.txt", "old");
  Member m = M("a.txt", "abcdef");
  m.compressedSizeOverride = 1000000;
  z_.OverwriteMode = TUZOverwriteMode::Always;
  try {
    Extract({m});
    ADD_FAILURE() << "no exception";
  } catch (const EFatalUnzipError& e) {
    EXPECT_EQ(e.Message(), "Premature end of file reached");
  }
  EXPECT_EQ(ReadFile(dest_ + "/a.txt"), "old");
  EXPECT_EQ(DestTree(), std::vector<std::string>{"a.txt"});
}

TEST_F(ExtractTest, InvalidDeflateDataRaises) {
  Member m = M("a.txt", "abc");
  m.method = 8;
  m.compressed = "\xFF\xFF\xFF\xFF";
  m.useCompressed = true;
  try {
    Extract({m});
    ADD_FAILURE() << "no exception";
  } catch (const EZCompressionError& e) {
    EXPECT_EQ(e.Message(), "error");
  }
  EXPECT_TRUE(DestTree().empty());
}

TEST_F(ExtractTest, EmptyDeflatedMemberPasses) {
  Member m = M("empty.txt", "");
  m.method = 8;
  m.compressed = std::string("\x03\x00", 2);
  m.useCompressed = true;
  EXPECT_EQ(Extract({m}), 1);
  EXPECT_EQ(ReadFile(dest_ + "/empty.txt"), "");
}

TEST_F(ExtractTest, FullDiskRaisesAndKeepsTheOldFile) {
#ifdef _WIN32
  GTEST_SKIP() << "a file size limit (Linux) stands in for a full disk";
#else
  WriteFile(dest_ + "/big.bin", "old contents");
  Member m = M("big.bin", std::string(200000, 'b'));
  m.method = 8;
  m.compressed = Deflate(m.data);
  m.useCompressed = true;
  z_.OverwriteMode = TUZOverwriteMode::Always;
  int blocksWritten = 0;
  z_.OnFilePercentDone = [&](TObject*, int) { ++blocksWritten; };
  // A file size limit stands in for a full disk.
  struct rlimit old;
  ::getrlimit(RLIMIT_FSIZE, &old);
  auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  WriteFile(dir_ / "pkg.zip", BuildArchive({m}));
  struct rlimit small = {65536, old.rlim_max};
  ::setrlimit(RLIMIT_FSIZE, &small);
  std::string error;
  try {
    z_.SetZipName(dir_ / "pkg.zip");
    z_.SetDestDir(dest_);
    z_.DoAll = true;
    z_.UnZip();
  } catch (const ECantWriteUCF& e) {
    error = e.Message();
  }
  ::setrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(error, "Cant write uncompressed file");
  EXPECT_EQ(blocksWritten, 0) << "the disk is found full before the member's data is written";
  EXPECT_EQ(ReadFile(dest_ + "/big.bin"), "old contents");
  EXPECT_EQ(DestTree(), std::vector<std::string>{"big.bin"});
#endif
}

TEST_F(ExtractTest, CancelFromAHandlerEndsTheRun) {
  Member m = M("a.bin", std::string(100000, 'a'));
  z_.OnFilePercentDone = [&](TObject*, int) { z_.Cancel(); };
  try {
    Extract({m, M("b.bin", std::string(100000, 'b'))});
    ADD_FAILURE() << "no exception";
  } catch (const EUserCanceled& e) {
    EXPECT_EQ(e.Message(), "User Aborted Operation");
  }
  EXPECT_TRUE(DestTree().empty());
}

}  // namespace
