// Extracting over an installation that is already there: what replaced files
// keep, what an interrupted run left behind, and the end of every run.
#include <gtest/gtest.h>

#include <functional>

#include "ExtractFixture.h"
#include "platform/FileAttributes.h"
#include "platform/FileHandle.h"

using namespace ziptest;

namespace {

unsigned ModeOf(const std::string& path) {
  platform::PathStatus st;
  return platform::GetPathStatus(path, st) && st.kind != platform::PathStatus::Missing ? st.permissions & 07777 : ~0u;
}

TEST_F(ExtractTest, AReplacedFileKeepsItsPermissionBitsWhenTheMemberCarriesNone) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows files have no permission bits (see MembersGiveTheirAttributesOnWindows)";
#else
  struct Case {
    const char* name;
    unsigned existing;  // 0: no file yet
    std::uint16_t madeBy;
    std::uint32_t attributes;
    unsigned expected;
  };
  const unsigned fresh = platform::DefaultFileMode();
  const Case cases[] = {
      {"run.exe", 0755, 0x0014, 0x20, 0755},            // Windows host, archive bit only
      {"tool.sh", 0750, 0x0014, 0x21, 0550},            // Windows read-only: the write bits go
      {"was-ro.txt", 0444, 0x0014, 0x20, 0644},         // no longer read-only: the owner may write
      {"unix.sh", 0755, 0x0314, 0100644u << 16, 0644},  // a Unix mode is the member's own
      {"nomode", 0700, 0x0314, 0, 0700},                // a Unix host that recorded no mode
      {"new.exe", 0, 0x0014, 0x20, fresh},              // nothing to keep
  };
  std::vector<Member> members;
  for (const Case& c : cases) {
    if (c.existing) {
      WriteFile(dest_ + "/" + c.name, "old");
      fs::permissions(dest_ + "/" + c.name, static_cast<fs::perms>(c.existing));
    }
    Member m = M(c.name, "new");
    m.madeBy = c.madeBy;
    m.externalAttributes = c.attributes;
    members.push_back(m);
  }
  z_.OverwriteMode = TUZOverwriteMode::Always;
  z_.ReplaceReadOnly = true;
  EXPECT_EQ(Extract(members), static_cast<int>(members.size()));
  for (const Case& c : cases) {
    EXPECT_EQ(ReadFile(dest_ + "/" + c.name), "new") << c.name;
    EXPECT_EQ(ModeOf(dest_ + "/" + c.name), c.expected)
        << c.name << std::oct << " got " << ModeOf(dest_ + "/" + c.name);
  }
#endif
}

TEST_F(ExtractTest, MembersGiveTheirAttributesOnWindows) {
#ifndef _WIN32
  GTEST_SKIP() << "Linux files have no hidden, system or archive attribute";
#else
  struct Case {
    const char* name;
    bool existing;
    std::uint32_t attributes;  // MS-DOS: 1 read-only, 2 hidden, 4 system, 0x20 archive
    bool readOnly;
    unsigned flags;  // hidden and system (kMode*) as the file has them afterwards
  };
  const Case cases[] = {
      {"plain.txt", false, 0x00, false, 0},
      {"archive.dat", true, 0x20, false, 0},
      {"readonly.cfg", true, 0x21, true, 0},
      {"hidden.ini", false, 0x22, false, platform::kModeHidden},
      {"system.sys", false, 0x05, true, platform::kModeSystem},
  };
  std::vector<Member> members;
  for (const Case& c : cases) {
    if (c.existing) WriteFile(dest_ + "/" + c.name, "old");
    Member m = M(c.name, "new");
    m.madeBy = 0x0014;
    m.externalAttributes = c.attributes;
    members.push_back(m);
  }
  z_.OverwriteMode = TUZOverwriteMode::Always;
  EXPECT_EQ(Extract(members), static_cast<int>(members.size()));
  // The system sets the archive attribute of files it writes by itself.
  const unsigned kFlags = platform::kModeHidden | platform::kModeSystem;
  for (const Case& c : cases) {
    const std::string path = dest_ + "/" + c.name;
    unsigned mode = 0;
    EXPECT_EQ(ReadFile(path), "new") << c.name;
    EXPECT_EQ(platform::IsReadOnlyFile(path), c.readOnly) << c.name;
    ASSERT_TRUE(platform::GetFileMode(path, mode)) << c.name;
    EXPECT_EQ(mode & kFlags, c.flags) << c.name;
  }
#endif
}

TEST_F(ExtractTest, NamesDifferingOnlyInCaseMeanTheExistingFiles) {
  // Made on a platform that does not tell "Data" from "data".
  WriteFile(dest_ + "/Data/Map.dat", "old map");
  fs::create_directories(dest_ + "/Docs");
  Member dir = M("DATA\\", ""), map = M("data\\map.dat", "new map"), added = M("data/New.txt", "new"),
         doc = M("docs/ReadMe.txt", "read me"), fresh = M("Fresh/One.txt", "one");
  dir.madeBy = map.madeBy = 0x0014;
  dir.externalAttributes = 0x10;
  map.externalAttributes = 0x20;
  z_.OverwriteMode = TUZOverwriteMode::Always;
  EXPECT_EQ(Extract({dir, map, added, doc, fresh}), 5);
  EXPECT_EQ(ReadFile(dest_ + "/Data/Map.dat"), "new map");
  EXPECT_EQ(DestTree(), (std::vector<std::string>{"Data/", "Data/Map.dat", "Data/New.txt", "Docs/", "Docs/ReadMe.txt",
                                                  "Fresh/", "Fresh/One.txt"}));
}

TEST_F(ExtractTest, EveryWayOutOfUnZipReportsCompletionAndEmptiesTheMasks) {
  struct Case {
    const char* name;
    std::function<void()> prepare;
    const char* error;  // class of the exception UnZip raises, or "" for none
  };
  const std::string archive = BuildArchive({M("a.txt", "a")});
  const Case cases[] = {
      {"missing archive", [&] { z_.SetZipName(dir_ / "missing.zip"); }, "EFOpenError"},
      {"not an archive",
       [&] {
         WriteFile(dir_ / "junk.zip", std::string(100, 'j'));
         z_.SetZipName(dir_ / "junk.zip");
         z_.IncompleteZipMode = izAssumeNotAZip;
       },
       "ENotAZipFile"},
      {"incomplete archive",
       [&] {
         WriteFile(dir_ / "part.zip", std::string(100, 'p'));
         z_.SetZipName(dir_ / "part.zip");
       },
       "EIncompleteZip"},
      {"destination asked for",
       [&] {
         WriteFile(dir_ / "ok.zip", archive);
         z_.SetZipName(dir_ / "ok.zip");
         z_.SetDestDir("?");
       },
       ""},
      {"extracted", [&] { WriteFile(dir_ / "ok.zip", archive), z_.SetZipName(dir_ / "ok.zip"); }, ""},
  };
  for (const Case& c : cases) {
    z_.IncompleteZipMode = izAssumeMulti;
    z_.SetDestDir(dest_);
    c.prepare();
    z_.FilesList().Add("*.txt");
    int completions = 0, reported = -1;
    z_.OnUnZipComplete = [&](TObject*, int n) { ++completions, reported = n; };
    std::string error;
    int done = -1;
    try {
      done = z_.UnZip();
    } catch (const Exception& e) {
      error = e.ClassName();
    }
    EXPECT_EQ(error, c.error) << c.name;
    EXPECT_EQ(completions, 1) << c.name;
    EXPECT_EQ(reported, error.empty() ? done : 0) << c.name;
    EXPECT_EQ(z_.FilesList().Count(), 0) << c.name;
  }
}

TEST_F(ExtractTest, StaleTemporaryFilesOfAnInterruptedRunAreRemoved) {
  const std::vector<std::string> stale = {".quelbo-unzip-AbC123", "sub/.quelbo-unzip-x9Y8z7"};
  const std::vector<std::string> kept = {
      ".quelbo-unzip-Live01",  // still being written by someone
      // Not names we make.
      ".quelbo-unzip-toolong1",
      ".quelbo-unzip-ab",
      "keep.quelbo-unzip-AbC123",
      ".quelbo-unzip-Dir001/",           // a directory of that name
      "untouched/.quelbo-unzip-QwE456",  // a directory this run does not write into
  };
  for (const std::string& n : stale) WriteFile(dest_ + "/" + n, "left over");
  for (const std::string& n : kept) {
    if (n.back() == '/') fs::create_directories(dest_ + "/" + n);
    else WriteFile(dest_ + "/" + n, "not ours to remove");
  }
  platform::FileHandle live = platform::OpenHeldFile(dest_ + "/.quelbo-unzip-Live01", platform::FileCreation::OpenExisting);
  ASSERT_NE(live, platform::kNoFile);
  EXPECT_EQ(Extract({M("a.txt", "a"), M("sub/b.txt", "b")}), 2);
  platform::CloseFile(live);
  std::vector<std::string> expected = {"a.txt", "sub/", "sub/b.txt", "untouched/"};
  expected.insert(expected.end(), kept.begin(), kept.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(DestTree(), expected);
}

}  // namespace
