// Profile files with the Windows rules, written atomically.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/FileAttributes.h"
#include "platform/FileHandle.h"
#include "platform/PathNames.h"
#include "platform/ProfileFile.h"
#include "tests/support/TestServers.h"

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

struct LookupCase {
  const char* name;
  const char* text;
  const char* section;
  const char* key;
  std::optional<std::string> expected;
};

TEST(ProfileText, Lookup) {
  const LookupCase cases[] = {
      {"plain", "[version]\r\nver=2.0\r\n", "version", "ver", "2.0"},
      {"names ignore case", "[VERSION]\nVer=2.0\n", "version", "vER", "2.0"},
      {"blanks around names and value", "  [ version ]  \n  ver  =  2.0 \t\n", "version", "ver", "2.0"},
      {"inner blanks stay", "[version]\nver=2 0\n", "version", "ver", "2 0"},
      {"one pair of quotes goes", "[version]\nver=\" 2.0 \"\n", "version", "ver", " 2.0 "},
      {"unpaired quote stays", "[version]\nver=\"2.0\n", "version", "ver", "\"2.0"},
      {"empty value", "[version]\nver=\n", "version", "ver", ""},
      {"first section wins", "[version]\nver=1\n[version]\nver=2\n", "version", "ver", "1"},
      {"first key wins", "[version]\nver=1\nver=2\n", "version", "ver", "1"},
      {"key of another section", "[other]\nver=1\n[version]\nx=2\n", "version", "ver", std::nullopt},
      {"key before any section", "ver=1\n[version]\n", "version", "ver", std::nullopt},
      {"no section", "ver=1\n", "version", "ver", std::nullopt},
      {"last line without line end", "[version]\nver=3", "version", "ver", "3"},
      {"value holding =", "[version]\nver=a=b\n", "version", "ver", "a=b"},
  };
  for (const LookupCase& c : cases)
    EXPECT_EQ(platform::FindProfileValue(c.text, c.section, c.key), c.expected) << c.name;
}

struct WriteCase {
  const char* name;
  const char* before;
  const char* after;
};

TEST(ProfileText, WriteKeepsEverythingElse) {
  const WriteCase cases[] = {
      {"new file", "", "[version]\r\nver=2.0\r\n"},
      {"value replaced", "[version]\r\nver=1.0\r\n", "[version]\r\nver=2.0\r\n"},
      {"stored spelling of the key kept", "[Version]\r\n VER = 1.0 \r\nx=1\r\n", "[Version]\r\nVER=2.0\r\nx=1\r\n"},
      {"other sections kept", "[a]\r\nk=v\r\n[version]\r\nver=1\r\n[b]\r\nk=w\r\n",
       "[a]\r\nk=v\r\n[version]\r\nver=2.0\r\n[b]\r\nk=w\r\n"},
      {"key added before the blank lines", "[version]\r\nx=1\r\n\r\n[b]\r\n",
       "[version]\r\nx=1\r\nver=2.0\r\n\r\n[b]\r\n"},
      {"section added at the end", "[a]\r\nk=v", "[a]\r\nk=v\r\n[version]\r\nver=2.0\r\n"},
      {"line ends of the file followed", "[a]\nk=v\n", "[a]\nk=v\n[version]\nver=2.0\n"},
      {"comment lines kept", "; note\r\n[version]\r\n; ver=old\r\nver=1\r\n",
       "; note\r\n[version]\r\n; ver=old\r\nver=2.0\r\n"},
  };
  for (const WriteCase& c : cases)
    EXPECT_EQ(platform::WithProfileValue(c.before, "version", "ver", "2.0"), std::optional<std::string>(c.after))
        << c.name;
}

TEST(ProfileText, DeletingAKeyKeepsEverythingElse) {
  const WriteCase cases[] = {
      {"the only other key", "[version]\r\nver=2.0\r\npackages=a.zip\r\n", "[version]\r\nver=2.0\r\n"},
      {"names ignore case, the first key goes", "[Version]\nPACKAGES = a\nver=2\npackages=b\n",
       "[Version]\nver=2\npackages=b\n"},
      {"other sections kept", "[a]\r\npackages=x\r\n[version]\r\npackages=y\r\n[b]\r\npackages=z\r\n",
       "[a]\r\npackages=x\r\n[version]\r\n[b]\r\npackages=z\r\n"},
      {"no such key", "[version]\r\nver=1\r\n", "[version]\r\nver=1\r\n"},
      {"no such section", "[other]\r\npackages=1\r\n", "[other]\r\npackages=1\r\n"},
      {"a comment is no key", "[version]\r\n; packages=1\r\n", "[version]\r\n; packages=1\r\n"},
  };
  for (const WriteCase& c : cases)
    EXPECT_EQ(platform::WithoutProfileKey(c.before, "version", "packages"), c.after) << c.name;

  TempDir dir;
  const std::string path = dir / "xconfig.ini";
  EXPECT_TRUE(platform::DeleteProfileKey(path, "version", "packages"));
  EXPECT_FALSE(std::filesystem::exists(path)) << "nothing to delete creates nothing";
  WriteFile(path, "[version]\r\nver=2.0\r\npackages=a.zip\r\n");
  EXPECT_TRUE(platform::DeleteProfileKey(path, "version", "packages"));
  EXPECT_EQ(ReadFile(path), "[version]\r\nver=2.0\r\n");
}

TEST(ProfileText, RefusesWhatWouldBreakTheFile) {
  const std::string text = "[version]\r\nver=1\r\n";
  EXPECT_FALSE(platform::WithProfileValue(text, "version", "ver", "2.0\r\n[version]\r\nver=evil"));
  EXPECT_FALSE(platform::WithProfileValue(text, "version", "ver", std::string("2\0", 2)));
  EXPECT_FALSE(platform::WithProfileValue(text, "version", "v=er", "2"));
  EXPECT_FALSE(platform::WithProfileValue(text, "ver]sion", "ver", "2"));
  EXPECT_FALSE(platform::WithProfileValue(text, "", "ver", "2"));
}

TEST(ProfileFile, ReadsAtMost2047CharactersAndCreatesNothing) {
  TempDir dir;
  const std::string path = dir / "xconfig.ini";
  EXPECT_EQ(platform::ReadProfileString(path, "version", "ver", "dflt"), "dflt");
  EXPECT_FALSE(std::filesystem::exists(path));

  WriteFile(path, "[version]\r\nver=" + std::string(3000, 'a') + "\r\n");
  EXPECT_EQ(platform::ReadProfileString(path, "version", "ver", ""), std::string(2047, 'a'));
  // A double-byte character that would straddle the limit is left out whole.
  WriteFile(path, "[version]\r\nver=" + std::string(2046, 'a') + "\xBF\xAA" + "\r\n");
  EXPECT_EQ(platform::ReadProfileString(path, "version", "ver", ""), std::string(2046, 'a'));
}

TEST(ProfileFile, WriteCreatesTheFileAndLeavesNoTemporaryFiles) {
  TempDir dir;
  const std::string path = dir / "xconfig.ini";
  ASSERT_TRUE(platform::WriteProfileString(path, "version", "ver", "null"));
  EXPECT_EQ(ReadFile(path), "[version]\r\nver=null\r\n");
  ASSERT_TRUE(platform::WriteProfileString(path, "other", "k", "v"));
  ASSERT_TRUE(platform::WriteProfileString(path, "version", "ver", "2.0"));
  EXPECT_EQ(ReadFile(path), "[version]\r\nver=2.0\r\n[other]\r\nk=v\r\n");
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path())) entries += e.path() != path;
  EXPECT_EQ(entries, 0);
}

TEST(ProfileFile, FailedWritesLeaveTheFileAsItWas) {
  TempDir dir;
  const std::string path = dir / "xconfig.ini";
  // Not a regular file: nothing replaces it.
  std::filesystem::create_directory(path);
  EXPECT_FALSE(platform::WriteProfileString(path, "version", "ver", "2.0"));
  EXPECT_TRUE(std::filesystem::is_directory(path));
  std::filesystem::remove(path);

  const std::string old = "[keep]\r\n" + std::string(100000, 'k') + "=1\r\n[version]\r\nver=1.0\r\n";
  WriteFile(path, old);
#ifndef _WIN32
  // A disk that fills up in the middle of the write (a file size limit of
  // Linux stands in for it): the old content stays.
  rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 4096;
  auto previous = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool wrote = platform::WriteProfileString(path, "version", "ver", "2.0");
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previous);
  EXPECT_FALSE(wrote);
  EXPECT_EQ(ReadFile(path), old);
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path())) entries += e.path() != path;
  EXPECT_EQ(entries, 0);
#endif

  // An unstorable value changes nothing either.
  EXPECT_FALSE(platform::WriteProfileString(path, "version", "ver", "2.0\n[x]"));
  EXPECT_EQ(ReadFile(path), old);
}

TEST(AtomicFile, KeepsPermissionBitsAndReplacesWholeContent) {
  TempDir dir;
  const std::string path = dir / "data.bin";
  WriteFile(path, std::string(50000, 'x'));
#ifdef _WIN32
  // Windows keeps attributes instead of permission bits.
  ASSERT_TRUE(platform::SetPathMode(path, 0666 | platform::kModeHidden | platform::kModeArchive));
#else
  std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                         std::filesystem::perms::group_read);
#endif
  ASSERT_TRUE(platform::ReplaceFileContent(path, std::string("short")));
  EXPECT_EQ(ReadFile(path), "short");
#ifdef _WIN32
  unsigned mode = 0;
  ASSERT_TRUE(platform::GetFileMode(path, mode));
  EXPECT_EQ(mode & (platform::kModeHidden | platform::kModeSystem), platform::kModeHidden);
#else
  EXPECT_EQ(std::filesystem::status(path).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                std::filesystem::perms::group_read);
#endif
  EXPECT_FALSE(platform::ReplaceFileContent(dir / "missing-dir/data.bin", std::string("x")));
}

// A read-only file is not replaced (a rename would get past what a direct
// write honours), and nothing of the attempt stays.
TEST(AtomicFile, ReadOnlyTargetStaysAsItIs) {
#ifndef _WIN32
  // Linux asks the permission bits, which do not hold back root.
  if (::geteuid() == 0) GTEST_SKIP() << "root may write read-only files";
#endif
  TempDir dir;
  const std::string path = dir / "xconfig.ini";
  WriteFile(path, "[version]\r\nver=1.0\r\n");
  std::filesystem::permissions(path, std::filesystem::perms::owner_read);
  errno = 0;
  EXPECT_FALSE(platform::WriteProfileString(path, "version", "ver", "2.0"));
  EXPECT_EQ(errno, EACCES);
  EXPECT_EQ(ReadFile(path), "[version]\r\nver=1.0\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()), 1);
  std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

// A reader that has the file open, sharing it as the platform's files are
// shared. Linux replaces the name at once and the reader keeps the old
// content; Windows may refuse while the handle is open (Wine and Windows
// before POSIX renames do), and then the old file stays whole, nothing of
// the attempt is left, and the replacement works once the handle is closed.
TEST(AtomicFile, ReplacesAFileThatIsOpenElsewhere) {
  TempDir dir;
  const std::string path = dir / "data.bin";
  WriteFile(path, "old content");
  platform::FileHandle reader = platform::OpenFile(path, platform::FileAccess::Read, platform::FileCreation::OpenExisting);
  ASSERT_NE(reader, platform::kNoFile);
  errno = 0;
  const bool replaced = platform::ReplaceFileContent(path, std::string("new content"));
  EXPECT_TRUE(replaced || platform::kBackslashSeparates);
  char buffer[32] = {};
  EXPECT_EQ(platform::ReadFromFile(reader, buffer, sizeof buffer), 11);
  EXPECT_EQ(std::string(buffer), "old content");
  if (!replaced) {
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(ReadFile(path), "old content");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()), 1);
  }
  platform::CloseFile(reader);
  if (!replaced) EXPECT_TRUE(platform::ReplaceFileContent(path, std::string("new content")));
  EXPECT_EQ(ReadFile(path), "new content");
}

// What a killed run left for the same file goes when the file is next
// replaced; a temporary file someone still holds, another file's, and names
// that only look like ours stay.
TEST(AtomicFile, LeftoversOfKilledRunsGoAndHeldOnesStay) {
  TempDir dir;
  const std::string path = dir / "xconfig.ini";
  const std::vector<std::string> gone = {".xconfig.ini.4242.7.tmp", ".xconfig.ini.1.0.tmp"};
  const std::vector<std::string> stay = {".xconfig.ini.4243.1.tmp.keep", ".xconfig.ini.12a.1.tmp", ".other.ini.4242.7.tmp",
                                         ".xconfig.ini.4242.tmp", "xconfig.ini.4242.7.tmp"};
  const std::string held = ".xconfig.ini.4244.2.tmp";
  for (const auto& n : gone) WriteFile(dir / n, "left");
  for (const auto& n : stay) WriteFile(dir / n, "other");
  WriteFile(dir / held, "being written");
  platform::FileHandle file = platform::OpenHeldFile(dir / held, platform::FileCreation::OpenExisting);
  ASSERT_NE(file, platform::kNoFile);
  ASSERT_TRUE(platform::ReplaceFileContent(path, std::string("[version]\r\n")));
  platform::CloseFile(file);
  for (const auto& n : gone) EXPECT_FALSE(std::filesystem::exists(dir / n)) << n;
  for (const auto& n : stay) EXPECT_TRUE(std::filesystem::exists(dir / n)) << n;
  EXPECT_TRUE(std::filesystem::exists(dir / held));
}

// The content takes the name only when the commit says so; it sees the bytes
// on disk under another name, and a refusal leaves nothing behind.
TEST(AtomicFile, CommitDecidesWhetherTheContentTakesTheName) {
  TempDir dir;
  const std::string path = dir / "package.zip";
  WriteFile(path, "old");
  std::vector<std::string> seenDuringCommit;
  auto listing = [&] {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
      names.push_back(e.path().filename().string() + "=" + ReadFile(testsupport::Utf8Of(e.path())));
    std::sort(names.begin(), names.end());
    return names;
  };
  errno = 0;
  EXPECT_FALSE(platform::ReplaceFileContent(path, "new", 3, [&] {
    seenDuringCommit = listing();
    return false;
  }));
  EXPECT_EQ(errno, ECANCELED);
  ASSERT_EQ(seenDuringCommit.size(), 2u);
  EXPECT_EQ(seenDuringCommit[0].back(), 'w') << seenDuringCommit[0];  // the temporary file, complete
  EXPECT_EQ(listing(), std::vector<std::string>{"package.zip=old"});
  EXPECT_TRUE(platform::ReplaceFileContent(path, "new", 3, [] { return true; }));
  EXPECT_EQ(listing(), std::vector<std::string>{"package.zip=new"});
}

// A file completed under a name of its own takes its final name; only a
// regular file there gives way, and it hands on its permission bits.
TEST(AtomicFile, MoveFileIntoReplacesOnlyARegularFile) {
  TempDir dir;
  const std::string part = dir / ".part", target = dir / "package.zip";
  WriteFile(part, "new");
  WriteFile(target, "old");
#ifndef _WIN32
  const auto mode = std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                    std::filesystem::perms::group_exec;
  std::filesystem::permissions(target, mode);
#endif
  EXPECT_TRUE(platform::MoveFileInto(part, target, true));
  EXPECT_EQ(ReadFile(target), "new");
  EXPECT_FALSE(std::filesystem::exists(part));
#ifndef _WIN32
  EXPECT_EQ(std::filesystem::status(target).permissions(), mode);
#endif

  WriteFile(part, "newer");
  std::filesystem::remove(target);
  std::filesystem::create_directory(target);
  errno = 0;
  EXPECT_FALSE(platform::MoveFileInto(part, target, false));
  EXPECT_EQ(errno, EISDIR);
  EXPECT_EQ(ReadFile(part), "newer") << "nothing was renamed";
  EXPECT_TRUE(std::filesystem::is_directory(target));
}

}  // namespace
