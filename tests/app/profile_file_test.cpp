// Profile files with the Windows rules, written atomically.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <vector>

#include "platform/AtomicFile.h"
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

  // A disk that fills up in the middle of the write: the old content stays.
  const std::string old = "[keep]\r\n" + std::string(100000, 'k') + "=1\r\n[version]\r\nver=1.0\r\n";
  WriteFile(path, old);
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

  // An unstorable value changes nothing either.
  EXPECT_FALSE(platform::WriteProfileString(path, "version", "ver", "2.0\n[x]"));
  EXPECT_EQ(ReadFile(path), old);
}

TEST(AtomicFile, KeepsPermissionBitsAndReplacesWholeContent) {
  TempDir dir;
  const std::string path = dir / "data.bin";
  WriteFile(path, std::string(50000, 'x'));
  std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                         std::filesystem::perms::group_read);
  ASSERT_TRUE(platform::ReplaceFileContent(path, std::string("short")));
  EXPECT_EQ(ReadFile(path), "short");
  EXPECT_EQ(std::filesystem::status(path).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                std::filesystem::perms::group_read);
  EXPECT_FALSE(platform::ReplaceFileContent(dir / "missing-dir/data.bin", std::string("x")));
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
  const int fd = ::open((dir / held).c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  ASSERT_TRUE(platform::ReplaceFileContent(path, std::string("[version]\r\n")));
  ::close(fd);
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
      names.push_back(e.path().filename().string() + "=" + ReadFile(e.path()));
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
  ::chmod(target.c_str(), 0750);
  EXPECT_TRUE(platform::MoveFileInto(part, target, true));
  EXPECT_EQ(ReadFile(target), "new");
  EXPECT_FALSE(std::filesystem::exists(part));
  struct stat st;
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0750u);

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
